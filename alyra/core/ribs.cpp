#include "ribs.h"

#include <algorithm>
#include <charconv>
#include <cmath>

#include "number_format.h"
#include "point_line.h"
#include "save_file.h"

namespace alyra {

namespace {

std::string mm2(double v) {
    return pointfile::format_pattern(v, "#0.00", '.');
}

// ---- The surfaces of a loaded profile, as functions of the chord fraction.

// One surface: points in increasing x.
struct Surface {
    std::vector<RibPoint> points;

    // y at chord fraction f, the end values beyond the surface's ends.
    double at(double f) const {
        if (f <= points.front().x) {
            return points.front().y;
        }
        for (std::size_t i = 1; i < points.size(); ++i) {
            const RibPoint& a = points[i - 1];
            const RibPoint& b = points[i];
            if (f <= b.x) {
                return b.x == a.x ? b.y : a.y + (b.y - a.y) * (f - a.x) / (b.x - a.x);
            }
        }
        return points.back().y;
    }
};

struct Surfaces {
    Surface upper;
    Surface lower;
};

// Splits a profile at its leading edge (its first point of smallest x).
bool split_profile(const PointTable& p, const char* which, Surfaces& out, std::string& error) {
    const int n = p.nb_pts;
    const auto at = [&p](int k) {
        return RibPoint{p.x[static_cast<std::size_t>(k)], p.y[static_cast<std::size_t>(k)]};
    };
    int le = 0;
    for (int k = 1; k < n; ++k) {
        if (at(k).x < at(le).x) {
            le = k;
        }
    }
    if (n < 3 || le == 0 || le == n - 1) {
        error = std::string("Le profil ") + which +
                " n'a pas d'extrados et d'intrados de part et d'autre de son bord d'attaque : "
                "les nervures ne sont pas calculées.";
        return false;
    }
    Surfaces s;
    for (int k = le; k >= 0; --k) {
        s.upper.points.push_back(at(k));
    }
    for (int k = le; k < n; ++k) {
        s.lower.points.push_back(at(k));
    }
    for (const Surface* surface : {&s.upper, &s.lower}) {
        for (std::size_t i = 1; i < surface->points.size(); ++i) {
            if (surface->points[i].x < surface->points[i - 1].x) {
                error = std::string("Le profil ") + which + " revient en arrière sur son " +
                        (surface == &s.upper ? "extrados" : "intrados") +
                        " : les nervures ne sont pas calculées.";
                return false;
            }
        }
    }
    out = std::move(s);
    return true;
}

// ---- Placing the sections in space.

struct Placement {
    double chord = 0;
    double height = 0;
    double aft = 0;    // of the leading edge: 0 at the root, the sweep at the tip
    double angle = 0;  // radians, pre-rotation and twist

    // (X, Y) of the profile point (x, y), as the 3-D sections place it.
    RibPoint place(double x, double y) const {
        const double c = std::cos(angle);
        const double s = std::sin(angle);
        return {-aft - chord * (x * c + y * s), height + chord * (y * c - x * s)};
    }
};

RibPoint lerp(const RibPoint& a, const RibPoint& b, double t) {
    return {a.x + (b.x - a.x) * t, a.y + (b.y - a.y) * t};
}

double dot(const RibPoint& a, const RibPoint& b) {
    return a.x * b.x + a.y * b.y;
}

double cross(const RibPoint& a, const RibPoint& b) {
    return a.x * b.y - a.y * b.x;
}

RibPoint minus(const RibPoint& a, const RibPoint& b) {
    return {a.x - b.x, a.y - b.y};
}

// The chord fractions where either section's surface has a point, in
// increasing order.
std::vector<double> fractions(const Surface& a, const Surface& b) {
    std::vector<double> f;
    for (const Surface* s : {&a, &b}) {
        for (const RibPoint& p : s->points) {
            f.push_back(p.x);
        }
    }
    std::sort(f.begin(), f.end());
    f.erase(std::unique(f.begin(), f.end(), [](double u, double v) { return v - u < 1e-12; }),
            f.end());
    return f;
}

bool same_point(const RibPoint& a, const RibPoint& b) {
    return std::abs(a.x - b.x) < 1e-9 && std::abs(a.y - b.y) < 1e-9;
}

void add_point(std::vector<RibPoint>& poly, const RibPoint& p) {
    if (poly.empty() || !same_point(poly.back(), p)) {
        poly.push_back(p);
    }
}

double signed_area(const std::vector<RibPoint>& poly) {
    double a = 0;
    for (std::size_t i = 0; i < poly.size(); ++i) {
        a += cross(poly[i], poly[(i + 1) % poly.size()]);
    }
    return a / 2;
}

// ---- Offsetting the outline inward.

// Where segments p0p1 and q0q1 cross (end points included).
bool segments_cross(const RibPoint& p0, const RibPoint& p1, const RibPoint& q0, const RibPoint& q1,
                    RibPoint& at) {
    const RibPoint r = minus(p1, p0);
    const RibPoint s = minus(q1, q0);
    const double den = cross(r, s);
    if (den == 0) {
        return false;
    }
    const RibPoint qp = minus(q0, p0);
    const double t = cross(qp, s) / den;
    const double u = cross(qp, r) / den;
    if (t < 0 || t > 1 || u < 0 || u > 1) {
        return false;
    }
    at = {p0.x + r.x * t, p0.y + r.y * t};
    return true;
}

// Removes the loops of a closed polygon that crosses itself, keeping at each
// crossing the side that turns like the polygon (counter-clockwise): the
// loops an inward offset makes where the outline is thinner than twice the
// offset, or curves tighter than it, turn the other way.
bool remove_loops(std::vector<RibPoint>& poly) {
    for (int pass = 0; pass < 10000; ++pass) {
        const std::size_t n = poly.size();
        if (n < 3) {
            return false;
        }
        bool found = false;
        std::size_t fi = 0;
        std::size_t fj = 0;
        RibPoint x;
        for (std::size_t i = 0; i < n && !found; ++i) {
            for (std::size_t j = i + 2; j < n && !found; ++j) {
                if (i == 0 && j == n - 1) {
                    continue;
                }
                if (segments_cross(poly[i], poly[(i + 1) % n], poly[j], poly[(j + 1) % n], x)) {
                    found = true;
                    fi = i;
                    fj = j;
                }
            }
        }
        if (!found) {
            return true;
        }
        std::vector<RibPoint> inner{x};
        for (std::size_t k = fi + 1; k <= fj; ++k) {
            add_point(inner, poly[k]);
        }
        std::vector<RibPoint> outer{x};
        for (std::size_t k = fj + 1; k < n; ++k) {
            add_point(outer, poly[k]);
        }
        for (std::size_t k = 0; k <= fi; ++k) {
            add_point(outer, poly[k]);
        }
        const double ai = inner.size() < 3 ? 0 : signed_area(inner);
        const double ao = outer.size() < 3 ? 0 : signed_area(outer);
        poly = (ai > 0 && (ao <= 0 || ai > ao)) ? std::move(inner) : std::move(outer);
        while (poly.size() > 1 && same_point(poly.front(), poly.back())) {
            poly.pop_back();
        }
    }
    return false;
}

// An edge of the outline moved inward: its line, through `at` along `dir`.
struct OffsetEdge {
    RibPoint at;
    RibPoint dir;
};

// Where the lines of two consecutive offset edges meet (the start of the
// second one when they are parallel).
RibPoint corner(const OffsetEdge& e1, const OffsetEdge& e2) {
    const double den = cross(e1.dir, e2.dir);
    if (std::abs(den) < 1e-12) {
        return e2.at;
    }
    const double s = cross(minus(e2.at, e1.at), e2.dir) / den;
    return {e1.at.x + e1.dir.x * s, e1.at.y + e1.dir.y * s};
}

// The counter-clockwise polygon `poly` offset inward by `d`: each edge moved
// along its inward normal, the corners where the moved lines meet. An edge
// that the move turns round (it is shorter than its corners take) has no
// place in the offset outline and goes, its neighbours then meeting; the
// loops left where the outline is thinner than twice `d` go last.
bool offset_inward(const std::vector<RibPoint>& poly, double d, std::vector<RibPoint>& out) {
    const std::size_t n = poly.size();
    std::vector<OffsetEdge> edges;
    for (std::size_t i = 0; i < n; ++i) {
        const RibPoint e = minus(poly[(i + 1) % n], poly[i]);
        const double len = std::hypot(e.x, e.y);
        const RibPoint dir{e.x / len, e.y / len};
        edges.push_back({{poly[i].x - dir.y * d, poly[i].y + dir.x * d}, dir});
    }
    std::vector<RibPoint> moved;
    while (edges.size() >= 3) {
        const std::size_t m = edges.size();
        moved.clear();
        for (std::size_t j = 0; j < m; ++j) {
            moved.push_back(corner(edges[(j + m - 1) % m], edges[j]));
        }
        std::size_t worst = m;
        double most = 0;
        for (std::size_t j = 0; j < m; ++j) {
            const double run = dot(minus(moved[(j + 1) % m], moved[j]), edges[j].dir);
            if (run < most) {
                most = run;
                worst = j;
            }
        }
        if (worst == m) {
            break;
        }
        edges.erase(edges.begin() + static_cast<std::ptrdiff_t>(worst));
    }
    std::vector<RibPoint> kept;
    for (const RibPoint& p : moved) {
        add_point(kept, p);
    }
    while (kept.size() > 1 && same_point(kept.front(), kept.back())) {
        kept.pop_back();
    }
    if (edges.size() < 3 || !remove_loops(kept) || kept.size() < 3 || signed_area(kept) <= 0) {
        return false;
    }
    out = std::move(kept);
    return true;
}

// ---- The outline along the chord: p along it, q square to it.

struct ChordFrame {
    RibPoint along;   // unit, leading edge to trailing edge
    RibPoint square;  // unit, upwards

    RibPoint to_chord(const RibPoint& r) const { return {dot(r, along), dot(r, square)}; }
    RibPoint to_rib(const RibPoint& c) const {
        return {c.x * along.x + c.y * square.x, c.x * along.y + c.y * square.y};
    }
};

// Index of the point of largest p: the lower chain runs from the first point
// (the smallest p) to it, the upper chain from it back to the first.
std::size_t aft_index(const std::vector<RibPoint>& poly) {
    return static_cast<std::size_t>(
        std::max_element(poly.begin(), poly.end(),
                         [](const RibPoint& a, const RibPoint& b) { return a.x < b.x; }) -
        poly.begin());
}

// Starts the polygon at its point of smallest p.
void start_at_front(std::vector<RibPoint>& poly) {
    const auto front = std::min_element(
        poly.begin(), poly.end(), [](const RibPoint& a, const RibPoint& b) { return a.x < b.x; });
    std::rotate(poly.begin(), front, poly.end());
}

// q of a chain (points from..to, wrapping) where it first crosses p; false
// when it does not reach p.
bool chain_height(const std::vector<RibPoint>& poly, std::size_t from, std::size_t to, double p,
                  double& q) {
    const std::size_t n = poly.size();
    for (std::size_t k = from; k != to; k = (k + 1) % n) {
        const RibPoint& a = poly[k];
        const RibPoint& b = poly[(k + 1) % n];
        if ((a.x - p) * (b.x - p) <= 0 && a.x != b.x) {
            q = a.y + (b.y - a.y) * (p - a.x) / (b.x - a.x);
            return true;
        }
    }
    return false;
}

// The extreme q (largest when `highest`) of a chain within p in [a, b].
double chain_extreme(const std::vector<RibPoint>& poly, std::size_t from, std::size_t to, double a,
                     double b, bool highest) {
    const std::size_t n = poly.size();
    double best = highest ? -1e300 : 1e300;
    const auto take = [&](double q) { best = highest ? std::max(best, q) : std::min(best, q); };
    for (double p : {a, b}) {
        double q = 0;
        if (chain_height(poly, from, to, p, q)) {
            take(q);
        }
    }
    for (std::size_t k = from;; k = (k + 1) % n) {
        if (poly[k].x >= a && poly[k].x <= b) {
            take(poly[k].y);
        }
        if (k == to) {
            break;
        }
    }
    return best;
}

// Cuts a notch over p in [a, b] (chord frame, polygon started at its front).
bool cut_notch(std::vector<RibPoint>& poly, NotchFace face, double a, double b, double depth,
               int number, std::string& error) {
    const std::size_t n = poly.size();
    const std::size_t aft = aft_index(poly);
    const bool upper = face == NotchFace::dessus;
    // The chain of the notch, in its order, and the other one.
    const std::size_t from = upper ? aft : 0;
    const std::size_t to = upper ? 0 : aft;
    const double first = upper ? b : a;
    const double second = upper ? a : b;
    std::size_t k1 = n;
    std::size_t k2 = n;
    double q1 = 0;
    double q2 = 0;
    for (std::size_t k = from; k != to; k = (k + 1) % n) {
        const RibPoint& s = poly[k];
        const RibPoint& e = poly[(k + 1) % n];
        const double target = k1 == n ? first : second;
        if ((s.x - target) * (e.x - target) <= 0 && s.x != e.x) {
            const double q = s.y + (e.y - s.y) * (target - s.x) / (e.x - s.x);
            if (k1 == n) {
                k1 = k;
                q1 = q;
                // The second side may cross the same segment.
                if ((s.x - second) * (e.x - second) <= 0) {
                    k2 = k;
                    q2 = s.y + (e.y - s.y) * (second - s.x) / (e.x - s.x);
                    break;
                }
            } else {
                k2 = k;
                q2 = q;
                break;
            }
        }
    }
    const std::string name = "L'encoche " + std::to_string(number);
    if (k1 == n || k2 == n) {
        error = name + " sort de la nervure.";
        return false;
    }
    double outer = upper ? std::max(q1, q2) : std::min(q1, q2);
    for (std::size_t k = (k1 + 1) % n; k != (k2 + 1) % n; k = (k + 1) % n) {
        outer = upper ? std::max(outer, poly[k].y) : std::min(outer, poly[k].y);
    }
    const double bottom = upper ? outer - depth : outer + depth;
    const double other =
        upper ? chain_extreme(poly, 0, aft, a, b, true) : chain_extreme(poly, aft, 0, a, b, false);
    if (upper ? bottom <= other : bottom >= other) {
        error = name + " est plus profonde que la nervure.";
        return false;
    }
    std::vector<RibPoint> cut;
    for (std::size_t k = 0; k < n; ++k) {
        // Points strictly inside the notch (k1 < k <= k2, along the chain) go.
        const std::size_t along = (k + n - k1) % n;
        const std::size_t span = (k2 + n - k1) % n;
        if (along >= 1 && along <= span) {
            continue;
        }
        add_point(cut, poly[k]);
        if (k == k1) {
            add_point(cut, {first, q1});
            add_point(cut, {first, bottom});
            add_point(cut, {second, bottom});
            add_point(cut, {second, q2});
        }
    }
    poly = std::move(cut);
    start_at_front(poly);
    return true;
}

// Thickness square to the chord at p (chord frame, started at its front).
double thickness_at(const std::vector<RibPoint>& poly, double p) {
    const std::size_t aft = aft_index(poly);
    double lo = 0;
    double hi = 0;
    if (!chain_height(poly, 0, aft, p, lo) || !chain_height(poly, aft, 0, p, hi)) {
        return 0;
    }
    return hi - lo;
}

double largest_thickness(const std::vector<RibPoint>& poly) {
    double t = 0;
    for (const RibPoint& p : poly) {
        t = std::max(t, thickness_at(poly, p.x));
    }
    return t;
}

// ---- Numbers.

std::string_view trimmed(std::string_view text) {
    while (!text.empty() && (text.front() == ' ' || text.front() == '\t')) {
        text.remove_prefix(1);
    }
    while (!text.empty() && (text.back() == ' ' || text.back() == '\t')) {
        text.remove_suffix(1);
    }
    return text;
}

std::string dxf_number(double v) {
    char buf[64];
    const auto r = std::to_chars(buf, buf + sizeof buf, v, std::chars_format::fixed, 6);
    return std::string(buf, r.ptr);
}

}  // namespace

bool read_rib_number(std::string_view text, const std::string& caption, double& out,
                     std::string& error) {
    const std::string_view t = trimmed(text);
    double v = 0;
    const char* begin = t.data();
    const char* end = t.data() + t.size();
    if (!t.empty() && t.front() == '+') {
        ++begin;
    }
    const auto r = std::from_chars(begin, end, v, std::chars_format::fixed);
    if (t.empty() || r.ec != std::errc() || r.ptr != end || !std::isfinite(v)) {
        error = caption + " « " + std::string(text) + " » n'est pas un nombre.";
        return false;
    }
    out = v;
    return true;
}

bool read_rib_count(std::string_view text, int& out, std::string& error) {
    double v = 0;
    if (!read_rib_number(text, "Le nombre de nervures", v, error)) {
        return false;
    }
    if (v != std::floor(v) || std::abs(v) > 1e6) {
        error = "Le nombre de nervures « " + std::string(text) + " » n'est pas un nombre entier.";
        return false;
    }
    if (v < 2) {
        error = "Il faut au moins 2 nervures (l'emplanture et le saumon comprises).";
        return false;
    }
    out = static_cast<int>(v);
    return true;
}

bool read_stations(std::string_view text, std::vector<double>& out, std::string& error) {
    std::vector<double> stations;
    std::size_t start = 0;
    while (true) {
        const std::size_t comma = text.find(',', start);
        const std::string_view item = text.substr(
            start, comma == std::string_view::npos ? std::string_view::npos : comma - start);
        double v = 0;
        if (!read_rib_number(item, "La station", v, error)) {
            return false;
        }
        stations.push_back(v);
        if (comma == std::string_view::npos) {
            break;
        }
        start = comma + 1;
    }
    out = std::move(stations);
    return true;
}

bool read_notch(std::string_view text, SparNotch& out, std::string& error) {
    std::vector<std::string_view> parts;
    std::size_t start = 0;
    while (true) {
        const std::size_t colon = text.find(':', start);
        parts.push_back(text.substr(
            start, colon == std::string_view::npos ? std::string_view::npos : colon - start));
        if (colon == std::string_view::npos) {
            break;
        }
        start = colon + 1;
    }
    const std::string quoted = "« " + std::string(text) + " »";
    if (parts.size() != 4) {
        error =
            "Le longeron " + quoted + " doit s'écrire dessus|dessous:POSITION:LARGEUR:PROFONDEUR.";
        return false;
    }
    SparNotch n;
    const std::string_view face = trimmed(parts[0]);
    if (face == "dessus") {
        n.face = NotchFace::dessus;
    } else if (face == "dessous") {
        n.face = NotchFace::dessous;
    } else {
        error = "Le longeron " + quoted + " doit commencer par dessus ou dessous.";
        return false;
    }
    std::string_view pos = trimmed(parts[1]);
    if (!pos.empty() && pos.back() == '%') {
        n.percent = true;
        pos.remove_suffix(1);
    }
    if (!read_rib_number(pos, "La position du longeron", n.position, error) ||
        !read_rib_number(parts[2], "La largeur du longeron", n.width, error) ||
        !read_rib_number(parts[3], "La profondeur du longeron", n.depth, error)) {
        return false;
    }
    out = n;
    return true;
}

bool rib_stations(const RibRequest& request, double length, std::vector<double>& stations,
                  std::string& error) {
    const int count =
        request.stations.empty() ? request.count : static_cast<int>(request.stations.size());
    if (count < 2) {
        error = "Il faut au moins 2 nervures (l'emplanture et le saumon comprises).";
        return false;
    }
    if (count > kMaxRibs) {
        error = "Au plus " + std::to_string(kMaxRibs) + " nervures peuvent être calculées.";
        return false;
    }
    if (!request.stations.empty() && request.count != 0 && request.count != count) {
        error = "Le nombre de nervures (" + std::to_string(request.count) +
                ") n'est pas celui des stations (" + std::to_string(count) + ").";
        return false;
    }
    std::vector<double> s;
    for (int i = 0; i < count; ++i) {
        s.push_back(request.stations.empty() ? length * i / (count - 1)
                                             : request.stations[static_cast<std::size_t>(i)]);
    }
    for (double v : s) {
        const double lo = std::min(0.0, length);
        const double hi = std::max(0.0, length);
        if (v < lo - 1e-9 || v > hi + 1e-9) {
            error =
                "La station " + mm2(v) + " mm est hors du tronçon (de 0 à " + mm2(length) + " mm).";
            return false;
        }
    }
    stations = std::move(s);
    return true;
}

bool compute_ribs(const PointTable& root, const PointTable& tip, const WingInputs& in,
                  const RibRequest& request, std::vector<Rib>& out, std::string& error) {
    std::vector<double> stations;
    if (!rib_stations(request, in.L, stations, error)) {
        return false;
    }
    if (in.L == 0) {
        error = "La longueur du tronçon est nulle : les nervures ne sont pas calculées.";
        return false;
    }
    if (!(request.sheeting >= 0)) {
        error = "Le coffrage ne peut pas être négatif.";
        return false;
    }
    if (request.notches.size() > static_cast<std::size_t>(kMaxNotches)) {
        error = "Au plus " + std::to_string(kMaxNotches) + " encoches de longeron.";
        return false;
    }
    for (std::size_t i = 0; i < request.notches.size(); ++i) {
        const SparNotch& n = request.notches[i];
        const std::string name = "L'encoche " + std::to_string(i + 1);
        if (!(n.width > 0) || !(n.depth > 0)) {
            error = name + " doit avoir une largeur et une profondeur positives.";
            return false;
        }
        if (n.position < 0 || (n.percent && n.position > 100)) {
            error = name + " sort de la corde.";
            return false;
        }
    }
    Surfaces rs;
    Surfaces ts;
    if (!split_profile(root, "d'emplanture", rs, error) ||
        !split_profile(tip, "du saumon", ts, error)) {
        return false;
    }
    // Each section turned by its pre-rotation and its twist.
    WingInputs turned = in;
    turned.vrillage_integre = true;
    const Placement rp{in.Ce, in.He, 0, deg_to_rad(root_section_angle(turned))};
    const Placement tp{in.Cs, in.Hs, in.F, deg_to_rad(tip_section_angle(turned))};
    // The rib frame: x along the root chord, aft; y square to it, upwards.
    const RibPoint x_axis{-std::cos(rp.angle), -std::sin(rp.angle)};
    const RibPoint y_axis{-std::sin(rp.angle), std::cos(rp.angle)};
    const std::vector<double> fu = fractions(rs.upper, ts.upper);
    const std::vector<double> fl = fractions(rs.lower, ts.lower);

    std::vector<Rib> ribs;
    std::vector<std::vector<RibPoint>> sections;  // chord frame, before offset
    std::vector<ChordFrame> frames;
    for (std::size_t i = 0; i < stations.size(); ++i) {
        const double t = stations[i] / in.L;
        const RibPoint le = lerp(rp.place(0, 0), tp.place(0, 0), t);
        const auto to_rib = [&](const RibPoint& world) {
            const RibPoint d = minus(world, le);
            return RibPoint{dot(d, x_axis), dot(d, y_axis)};
        };
        const auto section_point = [&](const Surfaces& r, const Surfaces& s, bool upper, double f) {
            const Surface& a = upper ? r.upper : r.lower;
            const Surface& b = upper ? s.upper : s.lower;
            return to_rib(lerp(rp.place(f, a.at(f)), tp.place(f, b.at(f)), t));
        };
        Rib rib;
        rib.number = static_cast<int>(i) + 1;
        rib.station = stations[i];
        rib.trailing_edge = to_rib(lerp(rp.place(1, 0), tp.place(1, 0), t));
        rib.chord = std::hypot(rib.trailing_edge.x, rib.trailing_edge.y);
        if (!(rib.chord > 0)) {
            error = "La nervure " + std::to_string(rib.number) + " n'a pas de corde.";
            return false;
        }
        // Trailing edge down is positive, as for the twists of the panel.
        rib.twist = rad_to_deg(rp.angle + std::atan2(-rib.trailing_edge.y, rib.trailing_edge.x));
        std::vector<RibPoint> poly;
        for (auto f = fu.rbegin(); f != fu.rend(); ++f) {
            add_point(poly, section_point(rs, ts, true, *f));
        }
        for (double f : fl) {
            add_point(poly, section_point(rs, ts, false, f));
        }
        while (poly.size() > 1 && same_point(poly.front(), poly.back())) {
            poly.pop_back();
        }
        if (poly.size() < 3 || signed_area(poly) <= 0) {
            error = "La nervure " + std::to_string(rib.number) +
                    " n'a pas d'épaisseur (l'intrados passe au-dessus de l'extrados).";
            return false;
        }
        const ChordFrame frame{{rib.trailing_edge.x / rib.chord, rib.trailing_edge.y / rib.chord},
                               {-rib.trailing_edge.y / rib.chord, rib.trailing_edge.x / rib.chord}};
        rib.outline = std::move(poly);
        frames.push_back(frame);
        ribs.push_back(std::move(rib));
    }
    // The thinnest rib bounds the sheeting.
    std::size_t thinnest = 0;
    double thinnest_t = 1e300;
    for (std::size_t i = 0; i < ribs.size(); ++i) {
        std::vector<RibPoint> c;
        for (const RibPoint& p : ribs[i].outline) {
            c.push_back(frames[i].to_chord(p));
        }
        start_at_front(c);
        const double t = largest_thickness(c);
        if (t < thinnest_t) {
            thinnest_t = t;
            thinnest = i;
        }
    }
    if (request.sheeting > 0 && 2 * request.sheeting >= thinnest_t) {
        error = "Le coffrage de " + mm2(request.sheeting) +
                " mm est plus épais que la moitié de la nervure la plus mince (nervure " +
                std::to_string(thinnest + 1) + " : " + mm2(thinnest_t) + " mm d'épaisseur).";
        return false;
    }
    for (std::size_t i = 0; i < ribs.size(); ++i) {
        Rib& rib = ribs[i];
        std::vector<RibPoint> outline = rib.outline;
        if (request.sheeting > 0 && !offset_inward(rib.outline, request.sheeting, outline)) {
            error = "Le coffrage ne laisse pas de nervure " + std::to_string(rib.number) + ".";
            return false;
        }
        std::vector<RibPoint> c;
        for (const RibPoint& p : outline) {
            c.push_back(frames[i].to_chord(p));
        }
        start_at_front(c);
        // Notches in chord order on each surface may not meet.
        std::vector<std::pair<double, double>> spans;
        for (const SparNotch& n : request.notches) {
            const double a = n.percent ? n.position / 100 * rib.chord : n.position;
            spans.emplace_back(a, a + n.width);
            rib.spar_thickness.push_back(thickness_at(c, a + n.width / 2));
        }
        for (std::size_t k = 0; k < request.notches.size(); ++k) {
            const SparNotch& n = request.notches[k];
            const auto [a, b] = spans[k];
            const int number = static_cast<int>(k) + 1;
            if (b > rib.chord + 1e-9) {
                error = "L'encoche " + std::to_string(number) + " sort de la corde de la nervure " +
                        std::to_string(rib.number) + " (" + mm2(rib.chord) + " mm).";
                return false;
            }
            for (std::size_t m = 0; m < k; ++m) {
                if (request.notches[m].face == n.face && spans[m].first <= b &&
                    a <= spans[m].second) {
                    error = "Les encoches " + std::to_string(m + 1) + " et " +
                            std::to_string(number) + " se chevauchent sur la nervure " +
                            std::to_string(rib.number) + ".";
                    return false;
                }
            }
            if (!cut_notch(c, n.face, a, b, n.depth, number, error)) {
                error.pop_back();
                error += " (nervure " + std::to_string(rib.number) + ").";
                return false;
            }
        }
        rib.outline.clear();
        for (const RibPoint& p : c) {
            rib.outline.push_back(frames[i].to_rib(p));
        }
    }
    out = std::move(ribs);
    return true;
}

std::string ribs_dxf_name(const std::string& project) {
    return project + "_Nervures.dxf";
}

std::string ribs_table_name(const std::string& project) {
    return project + "_Nervures.txt";
}

std::string ribs_dxf_text(const std::vector<Rib>& ribs) {
    std::string t;
    int handle = 0x20;
    const auto tag = [&t](int code, const std::string& value) {
        t += std::to_string(code) + "\n" + value + "\n";
    };
    const auto next_handle = [&handle] {
        char buf[16];
        const auto r = std::to_chars(buf, buf + sizeof buf, handle++, 16);
        std::string h(buf, r.ptr);
        std::transform(h.begin(), h.end(), h.begin(), [](char c) {
            return static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
        });
        return h;
    };
    tag(0, "SECTION");
    tag(2, "HEADER");
    tag(9, "$ACADVER");
    tag(1, "AC1015");
    tag(9, "$INSUNITS");
    tag(70, "4");
    tag(0, "ENDSEC");
    tag(0, "SECTION");
    tag(2, "TABLES");
    tag(0, "TABLE");
    tag(2, "LAYER");
    tag(5, next_handle());
    tag(100, "AcDbSymbolTable");
    tag(70, "2");
    for (const auto& [name, colour] : {std::pair{"NERVURES", "7"}, std::pair{"NUMEROS", "1"}}) {
        tag(0, "LAYER");
        tag(5, next_handle());
        tag(100, "AcDbSymbolTableRecord");
        tag(100, "AcDbLayerTableRecord");
        tag(2, name);
        tag(70, "0");
        tag(62, colour);
        tag(6, "CONTINUOUS");
    }
    tag(0, "ENDTAB");
    tag(0, "ENDSEC");
    tag(0, "SECTION");
    tag(2, "ENTITIES");
    constexpr double kMargin = 10;
    constexpr double kGap = 10;
    double base = kMargin;
    for (const Rib& rib : ribs) {
        double xmin = 1e300, ymin = 1e300, ymax = -1e300;
        for (const RibPoint& p : rib.outline) {
            xmin = std::min(xmin, p.x);
            ymin = std::min(ymin, p.y);
            ymax = std::max(ymax, p.y);
        }
        const double dx = kMargin - xmin;
        const double dy = base - ymin;
        tag(0, "LWPOLYLINE");
        tag(5, next_handle());
        tag(100, "AcDbEntity");
        tag(8, "NERVURES");
        tag(100, "AcDbPolyline");
        tag(90, std::to_string(rib.outline.size()));
        tag(70, "1");
        for (const RibPoint& p : rib.outline) {
            tag(10, dxf_number(p.x + dx));
            tag(20, dxf_number(p.y + dy));
        }
        // The number inside the rib, at a third of its chord.
        std::vector<RibPoint> c;
        const ChordFrame frame{{rib.trailing_edge.x / rib.chord, rib.trailing_edge.y / rib.chord},
                               {-rib.trailing_edge.y / rib.chord, rib.trailing_edge.x / rib.chord}};
        for (const RibPoint& p : rib.outline) {
            c.push_back(frame.to_chord(p));
        }
        start_at_front(c);
        const double p = rib.chord / 3;
        const std::size_t aft = aft_index(c);
        double lo = 0, hi = 0;
        chain_height(c, 0, aft, p, lo);
        chain_height(c, aft, 0, p, hi);
        const std::string number = std::to_string(rib.number);
        const double h = std::clamp((hi - lo) * 0.4, 1.0, 5.0);
        const RibPoint at =
            frame.to_rib({p - 0.3 * h * static_cast<double>(number.size()), (lo + hi) / 2 - h / 2});
        tag(0, "TEXT");
        tag(5, next_handle());
        tag(100, "AcDbEntity");
        tag(8, "NUMEROS");
        tag(100, "AcDbText");
        tag(10, dxf_number(at.x + dx));
        tag(20, dxf_number(at.y + dy));
        tag(30, "0.0");
        tag(40, dxf_number(h));
        tag(1, number);
        tag(100, "AcDbText");
        base += (ymax - ymin) + kGap;
    }
    tag(0, "ENDSEC");
    tag(0, "EOF");
    return t;
}

std::string ribs_table_text(const std::vector<Rib>& ribs, const RibRequest& request) {
    std::vector<std::string> lines = {
        std::string("Nervures générées par le programme Alyra écrit par ") + kAuthor,
        std::string(68, '='),
        "  Nombre de nervures    : " + std::to_string(ribs.size()),
        "  Coffrage              : " + mm2(request.sheeting) + " mm",
    };
    for (std::size_t k = 0; k < request.notches.size(); ++k) {
        const SparNotch& n = request.notches[k];
        lines.push_back("  Longeron " + std::to_string(k + 1) + "            : " +
                        (n.face == NotchFace::dessus ? "dessus" : "dessous") + ", bord avant à " +
                        mm2(n.position) + (n.percent ? " % de la corde" : " mm du bord d'attaque") +
                        ", " + mm2(n.width) + " x " + mm2(n.depth) + " mm");
    }
    for (const Rib& rib : ribs) {
        lines.push_back("  Nervure " + std::to_string(rib.number));
        lines.push_back("    Station             : " + mm2(rib.station) + " mm");
        lines.push_back("    Corde               : " + mm2(rib.chord) + " mm");
        lines.push_back("    Vrillage            : " + mm2(rib.twist) + " °");
        for (std::size_t k = 0; k < rib.spar_thickness.size(); ++k) {
            lines.push_back("    Ép. au longeron " + std::to_string(k + 1) + "   : " +
                            mm2(rib.spar_thickness[k]) + " mm");
        }
    }
    lines.push_back(" ");
    lines.push_back("-= [ EOF ]=-");
    std::string text;
    for (const std::string& line : lines) {
        text += line;
        text += pointfile::kLineEnd;
    }
    return text;
}

bool save_ribs(const std::vector<Rib>& ribs, const RibRequest& request, const std::string& project,
               const std::string& folder, SaveReport& report, std::string& error) {
    if (!platform::check_plain_name(project, error)) {
        return false;
    }
    std::string prefix = folder;
    if (!prefix.empty() && prefix.back() != '/' && prefix.back() != '\\') {
        prefix += '/';
    }
    const std::string dxf = ribs_dxf_name(project);
    const std::string table = ribs_table_name(project);
    if (!platform::save_file(prefix + dxf, ribs_dxf_text(ribs), &error)) {
        return false;
    }
    if (!platform::save_file(prefix + table, ribs_table_text(ribs, request), &error)) {
        error += " Déjà enregistré : « " + dxf + " ».";
        return false;
    }
    const std::string eol(pointfile::kLineEnd);
    report.title = "Sauvegarde effectuée";
    report.text = dxf + eol + table + eol + eol + "Dans le dossier :" + eol + folder;
    return true;
}

}  // namespace alyra
