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

bool is_digit(char c) {
    return c >= '0' && c <= '9';
}

// A word of digits with an optional sign, and at most one comma between
// digits; `comma` tells whether it had one ("0,99", "-1,5", "1").
bool comma_or_whole_number(std::string_view word, bool& comma) {
    std::size_t i = word.empty() || (word[0] != '+' && word[0] != '-') ? 0 : 1;
    comma = false;
    bool digit_before = false;
    bool digit_after = false;
    for (; i < word.size(); ++i) {
        if (is_digit(word[i])) {
            (comma ? digit_after : digit_before) = true;
        } else if (word[i] == ',' && !comma) {
            comma = true;
        } else {
            return false;
        }
    }
    return comma ? digit_after : digit_before;
}

// A line of numbers written with a decimal comma: two words or more, each a
// whole number or one with a comma between digits, one at least with a comma
// ("1,00000 0,00000"). Read as list items it would give twice the numbers.
bool decimal_comma_line(std::string_view line) {
    int words = 0;
    bool any_comma = false;
    std::size_t pos = 0;
    while (pos < line.size()) {
        if (line[pos] == ' ' || line[pos] == '\t') {
            ++pos;
            continue;
        }
        const std::size_t end = line.find_first_of(" \t", pos);
        const std::string_view word =
            line.substr(pos, end == std::string_view::npos ? end : end - pos);
        bool comma = false;
        if (!comma_or_whole_number(word, comma)) {
            return false;
        }
        any_comma = any_comma || comma;
        ++words;
        pos = end == std::string_view::npos ? line.size() : end;
    }
    return words >= 2 && any_comma;
}

// The first line of points written with decimal commas, from line `first`
// (1 for the first line of the file): its number, 0 when there is none.
int first_decimal_comma_line(std::string_view bytes, int first, std::string& text) {
    int number = 0;
    std::size_t pos = 0;
    while (pos < bytes.size()) {
        ++number;
        // Lines end with LF, CR LF or CR alone.
        const std::size_t end = std::min(bytes.find_first_of("\r\n", pos), bytes.size());
        const std::string_view line = bytes.substr(pos, end - pos);
        if (number >= first && decimal_comma_line(line)) {
            text = std::string(line);
            return number;
        }
        pos = end + (bytes.substr(end, 2) == "\r\n" ? 2 : 1);
    }
    return 0;
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
    const bool titled = first && pointfile::leading_number(*first) != 1.0;
    if (titled) {
        in = ListInput(bytes);
        loaded.label = in.next_line().value_or("");
        first = in.next_item();
    }
    if (!first) {
        error = "Le fichier " + quoted(file_name) + " ne contient aucun point.";
        return false;
    }
    std::string comma_line;
    if (const int line = first_decimal_comma_line(bytes, titled ? 2 : 1, comma_line)) {
        error = "Le fichier " + quoted(file_name) +
                " écrit ses nombres avec une virgule décimale, ligne " + std::to_string(line) +
                " : « " + platform::printable(comma_line) +
                " ». Le séparateur décimal est le point : le profil n'est pas chargé.";
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
