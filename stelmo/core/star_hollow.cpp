#include "star_hollow.h"

#include <algorithm>
#include <cmath>
#include <string>

#include "number_format.h"
#include "number_reading.h"
#include "point_line.h"
#include "save_file.h"

namespace stelmo {

using pointfile::Rad;

namespace {

// Fills a point table without ever writing past it.
class PointWriter {
  public:
    explicit PointWriter(PointTable& table) : table_(table) { table_.nb_pts = 0; }

    bool add(double x, double y) {
        if (table_.nb_pts >= kSlots) {
            full_ = true;
            return false;
        }
        ++table_.nb_pts;
        table_.tab_x[static_cast<size_t>(table_.nb_pts)] = x;
        table_.tab_y[static_cast<size_t>(table_.nb_pts)] = static_cast<float>(y);
        return true;
    }
    bool full() const { return full_; }
    int count() const { return table_.nb_pts; }

    // A counted loop over a real counter advanced by repeated addition; start,
    // end and step are taken once. The end is included when the sums reach it.
    template <class PointAt>
    void run(double start, double end, double step, PointAt point_at) {
        for (double c = start; !full_ && (step < 0 ? c >= end : c <= end); c += step) {
            const auto [x, y] = point_at(c);
            add(x, y);
        }
    }

  private:
    PointTable& table_;
    bool full_ = false;
};

// The refusal of a field that reads 0: its text is no number, or a 0.
std::string zero_message(const std::string& text, const char* field, const char* zero) {
    if (!pointfile::begins_with_number(text)) {
        return std::string(field) + " « " + text + " » n'est pas un nombre.";
    }
    return zero;
}

struct Point {
    double x;
    double y;
};

// The numbers of the five fields.
struct StarDimensions {
    double dint = 0;
    double dext = 0;
    double nbang = 0;
    double nbrad = 0;
    float dega = 0;
};

// A star that can be cut: no negative size, the inner diameter inside the
// outer one, no size beyond a part's, no negative count of points. Each
// refusal names the value as typed.
bool possible_part(const StarFields& fields, const StarDimensions& d, std::string& error) {
    const struct {
        const std::string& text;
        double value;
        const char* caption;
        bool size;  // in mm; otherwise a count of points
    } all[] = {
        {fields.dext, d.dext, "Le diamètre extérieur", true},
        {fields.dint, d.dint, "Le diamètre intérieur", true},
        {fields.dega, d.dega, "Le dégagement supérieur", true},
        {fields.nbang, d.nbang, "Le nombre de points par arc de cercle", false},
        {fields.nbrad, d.nbrad, "Le nombre de points par segment radial", false},
    };
    for (const auto& f : all) {
        const std::string named = std::string(f.caption) + " « " + f.text + " »";
        if (f.value < 0) {
            error = named + " ne peut pas être négatif.";
            return false;
        }
        if (f.size && f.value > pointfile::kLargestPartMm) {
            error = named + " dépasse 10 m : ce n'est pas une pièce à découper.";
            return false;
        }
    }
    if (d.dint > d.dext) {
        error = "Le diamètre intérieur « " + fields.dint +
                " » doit être plus petit que le diamètre extérieur « " + fields.dext + " ».";
        return false;
    }
    return true;
}

// Reads the fields with the leading-number scan; refuses a value too large
// to compute, a zero that would divide, equal diameters and a star that
// cannot be a part.
bool read_dimensions(const StarFields& fields, StarDimensions& d, std::string& error) {
    d.dint = pointfile::leading_number(fields.dint);
    d.dext = pointfile::leading_number(fields.dext);
    d.nbang = pointfile::leading_number(fields.nbang);
    d.nbrad = pointfile::leading_number(fields.nbrad);
    d.dega = static_cast<float>(pointfile::leading_number(fields.dega));

    if (!std::isfinite(d.dint) || !std::isfinite(d.dext) || !std::isfinite(d.nbang) ||
        !std::isfinite(d.nbrad) || !std::isfinite(d.dega)) {
        error = "Une des dimensions est trop grande pour être calculée.";
        return false;
    }
    if (d.dext == 0) {
        error = zero_message(fields.dext, "Le diamètre extérieur",
                             "Le diamètre extérieur doit être différent de 0.");
        return false;
    }
    if (d.nbang == 0) {
        error = zero_message(fields.nbang, "Le nombre de points par arc de cercle",
                             "Le nombre de points par arc de cercle doit être différent de 0.");
        return false;
    }
    if (d.nbrad == 0) {
        error = zero_message(fields.nbrad, "Le nombre de points par segment radial",
                             "Le nombre de points par segment radial doit être différent de 0.");
        return false;
    }
    if (d.dext == d.dint) {
        error = "Le diamètre extérieur doit être différent du diamètre intérieur.";
        return false;
    }
    return possible_part(fields, d, error);
}

// The outline: the crenellated half ring, eight radial segments joined by
// arcs of the outer and inner circle, then the band of the upper clearance.
// Gives the number of points of the half ring.
int trace_outline(const StarDimensions& d, PointWriter& out) {
    const double dext = d.dext;
    const double dint = d.dint;
    const double pas_ang = Rad(22.5) / d.nbang;
    const double pas_rad = ((dext - dint) / 2) / d.nbrad;

    auto outer = [](double a) { return Point{1.0 / 2 * std::cos(a) + 1.0 / 2, std::sin(a) / 2}; };
    auto inner = [&](double a) {
        return Point{(dext / 2 + dint / 2 * std::cos(a)) / dext, (dint / 2 * std::sin(a)) / dext};
    };
    auto radial = [&](double theta) {
        return [&, theta](double r) {
            return Point{(dext / 2 + r * std::cos(theta)) / dext, (r * std::sin(theta)) / dext};
        };
    };

    out.add(1, d.dega / dext);
    out.add(1, 0);
    out.run(-pas_ang, Rad(-11.25), -pas_ang, outer);
    for (int k = 1; k <= 8; ++k) {
        const double theta_deg = -11.25 - 22.5 * (k - 1);
        const double next_deg = k == 8 ? -180.0 : theta_deg - 22.5;
        const double theta = Rad(theta_deg);
        if (k % 2 == 1) {
            out.run(dext / 2 - pas_rad, dint / 2, -pas_rad, radial(theta));
            out.run(Rad(theta_deg) - pas_ang, Rad(next_deg), -pas_ang, inner);
        } else {
            out.run(dint / 2 + pas_rad, dext / 2, pas_rad, radial(theta));
            out.run(Rad(theta_deg) - pas_ang, Rad(next_deg), -pas_ang, outer);
        }
    }
    const int star_points = out.count();
    out.add(0, d.dega / dext);
    out.add(1, d.dega / dext);
    return star_points;
}

// Coordinates are fractions of the outer diameter: beside a tiny one, the
// other dimensions give coordinates that no point line can hold ("Inf").
bool writable_points(const PointTable& table, std::string& error) {
    for (int i = 1; i <= table.nb_pts; ++i) {
        if (!std::isfinite(table.tab_x[static_cast<size_t>(i)]) ||
            !std::isfinite(table.tab_y[static_cast<size_t>(i)])) {
            error =
                "Le diamètre extérieur est trop petit devant les autres dimensions : les "
                "coordonnées, qui en sont des fractions, ne peuvent pas être écrites.";
            return false;
        }
    }
    return true;
}

}  // namespace

bool StarHollow::calcul_etoile(const StarFields& fields, std::string& nomfich, std::string& error) {
    StarDimensions d;
    if (!read_dimensions(fields, d, error)) {
        return false;
    }
    PointWriter out(scratch_);
    const int star_points = trace_outline(d, out);
    if (out.full()) {
        error =
            "Le tracé demanderait plus de 3000 points : réduisez le nombre de points par arc "
            "ou par segment radial.";
        return false;
    }
    if (!writable_points(scratch_, error)) {
        return false;
    }

    const auto n = static_cast<size_t>(scratch_.nb_pts);
    std::copy_n(scratch_.tab_x.begin() + 1, n, points_.tab_x.begin() + 1);
    std::copy_n(scratch_.tab_y.begin() + 1, n, points_.tab_y.begin() + 1);
    points_.nb_pts = scratch_.nb_pts;
    nb_pts_etoile_ = static_cast<std::int16_t>(star_points);
    dext_ = d.dext;
    dint_ = d.dint;

    nomfich = "Etoile" + pointfile::signed_space(d.dext) + pointfile::signed_space(d.dint) +
              pointfile::signed_space(d.dega) + ".dat";
    return true;
}

bool StarHollow::file_text(char decimal_sep, std::string& text, std::string& error) const {
    if (points_.nb_pts == 0) {
        error = "Aucun point à enregistrer : tracez d'abord l'évidement.";
        return false;
    }
    text = "Couple :" + pointfile::signed_space(dext_) + " x" + pointfile::signed_space(dint_) +
           " - Etoile - Ostrelo - v1.1";
    text += pointfile::kLineEnd;
    for (int i = 1; i <= points_.nb_pts; ++i) {
        pointfile::append_point_line(text, x(i), y(i), decimal_sep);
    }
    return true;
}

bool StarHollow::sauve(const std::string& path, char decimal_sep, SaveReport& report,
                       std::string& error) const {
    std::string text;
    if (!file_text(decimal_sep, text, error)) {
        return false;
    }
    if (!platform::save_file(path, text, &error)) {
        return false;
    }
    report.title = "Nom du fichier : " + path;
    report.text = "Enregistrement de" + pointfile::signed_space(points_.nb_pts) +
                  " points effectué avec succés.";
    return true;
}

}  // namespace stelmo
