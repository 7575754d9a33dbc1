#include "drawings.h"

#include <algorithm>
#include <cmath>

namespace alyra {

namespace {

// The profile drawings: X grows to the left, Y upwards, the vertical range a
// quarter of the horizontal one.
UserScale profile_scale(double s) {
    return {0.05 * s, 1.05 * s / 4, -1.1 * s, -1.1 * s / 4};
}

std::vector<Stroke> axes(double s) {
    return {{kBlack, false, {{0.025 * s, 0}, {-1.025 * s, 0}}},
            {kBlack, false, {{0, -0.025 * s / 4}, {0, 1.025 * s / 4}}}};
}

// (x, y) turned by `v` radians about (x0, y0); a positive angle lowers the
// points aft of (x0, y0).
UserPoint turned_about(double x, double y, double x0, double y0, double v) {
    const double dx = x - x0;
    const double dy = y - y0;
    return {x0 + dx * std::cos(v) - dy * std::sin(v), y0 + dx * std::sin(v) + dy * std::cos(v)};
}

Stroke section_stroke(const Section& s, double x0, double y0, double twist_deg, Rgb colour) {
    Stroke stroke{colour, false, {}};
    const double v = deg_to_rad(twist_deg);
    for (int k = 0; k < s.nb; ++k) {
        const auto i = static_cast<std::size_t>(k);
        stroke.points.push_back(turned_about(s.X[i], s.Y[i], x0, y0, v));
    }
    return stroke;
}

Stroke profile_stroke(const PointTable& p, double href, double twist_deg, Rgb colour) {
    Stroke stroke{colour, false, {}};
    const double v = deg_to_rad(twist_deg);
    for (int k = 0; k < p.nb_pts; ++k) {
        const auto i = static_cast<std::size_t>(k);
        stroke.points.push_back(turned_about(p.x[i], p.y[i], 0, href, v));
    }
    return stroke;
}

double x_extent(const PointTable& p) {
    if (p.nb_pts < 1) {
        return 0;
    }
    const auto n = static_cast<std::ptrdiff_t>(p.nb_pts);
    const auto [lo, hi] = std::minmax_element(p.x.begin(), p.x.begin() + n);
    return *hi - *lo;
}

// Plan points are (span, chordwise): u = Z to the right, v = X upwards.
UserPoint plan_point(double x, double z) {
    return {z, x};
}

UserPoint turned_plan_point(double x, double z, double alpha) {
    double xr = 0;
    double yr = 0;
    double zr = 0;
    Rotation(x, 0, z, alpha, xr, yr, zr);
    return {zr, xr};
}

}  // namespace

Drawing initial_profiles_drawing(const Section& root3, const Section& tip3, const WingInputs& in) {
    const double s = std::max(in.Ce, in.F + in.Cs);
    Drawing d{profile_scale(s), axes(s)};
    // Sections that already hold their twists are drawn as they stand.
    const double ve = in.vrillage_integre ? 0 : in.Ve;
    const double vs = in.vrillage_integre ? 0 : in.Vs;
    d.strokes.push_back(section_stroke(root3, 0, in.He, ve, kRootInitial));
    d.strokes.push_back(section_stroke(tip3, -in.F, in.Hs, vs, kTipInitial));
    return d;
}

Drawing projected_profiles_drawing(const PointTable& root, const PointTable& tip,
                                   const WingResults& results) {
    double s = std::max(x_extent(root), x_extent(tip));
    if (!(s > 0) || !std::isfinite(s)) {
        s = 1;
    }
    Drawing d{profile_scale(s), axes(s)};
    if (root.nb_pts < 1 || tip.nb_pts < 1) {
        return d;
    }
    d.strokes.push_back(profile_stroke(root, results.Txt_Href_Empl_final.value,
                                       results.Txt_Vrill_Empl_Final.value, kRootProjected));
    d.strokes.push_back(profile_stroke(tip, results.Txt_Href_Saum_final.value,
                                       results.Txt_Vrill_Saum_Final.value, kTipProjected));
    return d;
}

bool plan_drawings(const WingInputs& in, Drawing& initial, Drawing& turned, std::string& error) {
    double alpha = 0;
    if (!turn_angle(in, alpha, error)) {
        return false;
    }
    const double tip_le = -in.F;
    const double tip_te = -in.F - in.Cs;
    Drawing a;
    a.strokes = {
        {kBlack, false, {plan_point(0, 0), plan_point(tip_le, in.L)}},
        {kBlack, false, {plan_point(-in.Ce, 0), plan_point(tip_te, in.L)}},
        {kRootInitial, false, {plan_point(0, 0), plan_point(-in.Ce, 0)}},
        {kTipInitial, false, {plan_point(tip_le, in.L), plan_point(tip_te, in.L)}},
    };
    const UserPoint root_le = turned_plan_point(0, 0, alpha);
    const UserPoint root_te = turned_plan_point(-in.Ce, 0, alpha);
    const UserPoint tip_le_t = turned_plan_point(tip_le, in.L, alpha);
    const UserPoint tip_te_t = turned_plan_point(tip_te, in.L, alpha);
    const double chord_low = std::min({root_te.y, tip_te_t.y, 0.0});
    Drawing b;
    b.strokes = {
        {kBlack, false, {root_le, tip_le_t, tip_te_t, root_te, root_le}},
        {kRootProjected, true, {{0, 0}, {0, chord_low}}},
        {kTipProjected, true, {{tip_te_t.x, 0}, {tip_te_t.x, chord_low}}},
    };

    double u_lo = 0, u_hi = 0, v_lo = 0, v_hi = 0;
    for (const Drawing* d : {&a, &b}) {
        for (const Stroke& s : d->strokes) {
            for (const UserPoint& p : s.points) {
                u_lo = std::min(u_lo, p.x);
                u_hi = std::max(u_hi, p.x);
                v_lo = std::min(v_lo, p.y);
                v_hi = std::max(v_hi, p.y);
            }
        }
    }
    const double extent = std::max(u_hi - u_lo, v_hi - v_lo);
    if (!std::isfinite(extent)) {
        error = "Les dimensions du tronçon sont trop grandes pour être dessinées.";
        return false;
    }
    const double m = extent > 0 ? 0.05 * extent : 1;
    a.scale = {u_lo - m, v_hi + m, u_hi - u_lo + 2 * m, -(v_hi - v_lo + 2 * m)};
    b.scale = a.scale;
    initial = std::move(a);
    turned = std::move(b);
    return true;
}

}  // namespace alyra
