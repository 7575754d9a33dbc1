#include "profile.h"

#include <algorithm>
#include <cmath>

#include "list_input.h"
#include "number_reading.h"
#include "point_line.h"
#include "printable.h"
#include "text_file.h"

namespace alyra {

bool PointTable::add(double px, double py) {
    if (nb_pts >= kMaxPoints) {
        return false;
    }
    x[static_cast<std::size_t>(nb_pts)] = px;
    y[static_cast<std::size_t>(nb_pts)] = py;
    ++nb_pts;
    return true;
}

PointTable placeholder_profile() {
    PointTable p;
    p.add(1, 0);
    p.add(0, 0);
    p.add(1, 0);
    return p;
}

namespace {

std::string quoted(const std::string& name) {
    return "« " + name + " »";
}

}  // namespace

bool read_profile(std::string_view bytes, const std::string& file_name, LoadedProfile& out,
                  std::string& error) {
    // A byte-order mark would hide the first number and cost the first point.
    if (bytes.substr(0, 3) == "\xEF\xBB\xBF") {
        bytes.remove_prefix(3);
    }
    ListInput in(bytes);
    LoadedProfile loaded;
    loaded.label = file_name;

    auto first = in.next_item();
    if (first && pointfile::leading_number(*first) != 1.0) {
        in = ListInput(bytes);
        loaded.label = in.next_line().value_or("");
        first = in.next_item();
    }
    if (!first) {
        error = "Le fichier " + quoted(file_name) + " ne contient aucun point.";
        return false;
    }

    std::optional<std::string> a = first;
    while (a) {
        const auto b = in.next_item();
        const int number = loaded.points.nb_pts + 1;
        if (!b) {
            error = "Le fichier " + quoted(file_name) + " se termine au milieu du point " +
                    std::to_string(number) + " : le profil n'est pas chargé.";
            return false;
        }
        const auto x = item_number(*a);
        const auto y = item_number(*b);
        if (!x || !y) {
            error = "Le fichier " + quoted(file_name) + " n'est pas un fichier de points : « " +
                    platform::printable(x ? *b : *a) + " » (point " + std::to_string(number) +
                    ") n'est pas un nombre. Le profil n'est pas chargé.";
            return false;
        }
        if (!loaded.points.add(*x, *y)) {
            error = "Le fichier " + quoted(file_name) + " contient plus de " +
                    std::to_string(kMaxPoints) + " points : le profil n'est pas chargé.";
            return false;
        }
        a = in.next_item();
    }
    out = std::move(loaded);
    return true;
}

bool load_profile_file(const std::string& path, LoadedProfile& out, std::string& error) {
    std::string bytes;
    if (!read_text_file(path, bytes, error)) {
        return false;
    }
    return read_profile(bytes, file_name_of(path), out, error);
}

bool profile_file_text(const std::string& title, const PointTable& profile, double href,
                       char decimal_sep, std::string& text, std::string& error) {
    const auto n = static_cast<std::size_t>(std::max<int>(profile.nb_pts, 0));
    if (n == 0) {
        error = "Le profil calculé est vide : il n'est pas enregistré.";
        return false;
    }
    const auto [lo, hi] = std::minmax_element(profile.x.begin(), profile.x.begin() + n);
    const double chord = *hi - *lo;
    if (!(chord > 0) || !std::isfinite(chord)) {
        error = "Le profil calculé n'a pas de corde : il n'est pas enregistré.";
        return false;
    }
    std::string out = title;
    out += pointfile::kLineEnd;
    for (std::size_t k = 0; k < n; ++k) {
        pointfile::append_point_line(out, -profile.x[k] / chord, (profile.y[k] - href) / chord,
                                     decimal_sep);
    }
    text = std::move(out);
    return true;
}

}  // namespace alyra
