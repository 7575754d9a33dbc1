#include "geometry.h"

#include <algorithm>
#include <cmath>

namespace alyra {

double pi() {
    return 4 * std::atan(1.0);
}
double deg_to_rad(double degrees) {
    return degrees * pi() / 180;
}
double rad_to_deg(double radians) {
    return radians * 180 / pi();
}

double YinterBF(const Point3& p1, const Point3& p2, double x) {
    return p1.y + (p2.y - p1.y) * (x - p1.x) / (p2.x - p1.x);
}
double ZinterBF(const Point3& p1, const Point3& p2, double x) {
    return p1.z + (p2.z - p1.z) * (x - p1.x) / (p2.x - p1.x);
}
double XInterZ(const Point3& p1, const Point3& p2, double z) {
    return p2.z == p1.z ? p1.x : p1.x + (p2.x - p1.x) * (z - p1.z) / (p2.z - p1.z);
}
double YInterZ(const Point3& p1, const Point3& p2, double z) {
    return p2.z == p1.z ? p1.y : p1.y + (p2.y - p1.y) * (z - p1.z) / (p2.z - p1.z);
}
void XYInterZ(const Point3& p1, const Point3& p2, double z, double& x, double& y) {
    x = XInterZ(p1, p2, z);
    y = YInterZ(p1, p2, z);
}
void Rotation(double x, double y, double z, double a, double& xr, double& yr, double& zr) {
    xr = x * std::cos(a) + z * std::sin(a);
    yr = y;
    zr = z * std::cos(a) - x * std::sin(a);
}

double root_section_angle(const WingInputs& in) {
    return in.vrillage_integre ? in.Ae + in.Ve : in.Ae;
}
double tip_section_angle(const WingInputs& in) {
    return in.vrillage_integre ? in.As + in.Vs : in.As;
}

void build_root_section(const PointTable& profile, const WingInputs& in, Section& out) {
    const double a = deg_to_rad(root_section_angle(in));
    out.nb = profile.nb_pts;
    for (std::size_t k = 0; k < static_cast<std::size_t>(profile.nb_pts); ++k) {
        const double x = profile.x[k];
        const double y = profile.y[k];
        out.X[k] = -in.Ce * (x * std::cos(a) + y * std::sin(a));
        out.Y[k] = in.He + in.Ce * (y * std::cos(a) - x * std::sin(a));
        out.Z[k] = 0;
    }
}

void build_tip_section(const PointTable& profile, const WingInputs& in, Section& out) {
    const double b = deg_to_rad(tip_section_angle(in));
    out.nb = profile.nb_pts;
    for (std::size_t k = 0; k < static_cast<std::size_t>(profile.nb_pts); ++k) {
        const double x = profile.x[k];
        const double y = profile.y[k];
        out.X[k] = -in.F - in.Cs * (x * std::cos(b) + y * std::sin(b));
        out.Y[k] = in.Hs + in.Cs * (y * std::cos(b) - x * std::sin(b));
        out.Z[k] = in.L;
    }
}

namespace {

std::string degenerate(const std::string& why) {
    return "Géométrie dégénérée : " + why + ". Aucun résultat n'est calculé.";
}

bool all_finite(std::initializer_list<double> values) {
    return std::all_of(values.begin(), values.end(), [](double v) { return std::isfinite(v); });
}

int sign(double v) {
    return (v > 0) - (v < 0);
}

}  // namespace

bool turn_angle(const WingInputs& in, double& alpha, std::string& error) {
    if (in.L == 0) {
        error = degenerate("la longueur du tronçon est nulle");
        return false;
    }
    alpha = std::atan(in.F / in.L);
    return true;
}

bool Calc_Vrillage_Final(const WingInputs& in, FinalTwists& out, std::string& error) {
    double alpha = 0;
    if (!turn_angle(in, alpha, error)) {
        return false;
    }
    const double ve = deg_to_rad(in.Ve);
    const double vs = deg_to_rad(in.Vs);
    const double ca = std::cos(alpha);
    const double sa = std::sin(alpha);

    const double u_r = -in.Ce * std::cos(ve) * ca;
    const double z_r = in.Ce * std::cos(ve) * sa;
    const double h_r = in.He - in.Ce * std::sin(ve);
    const double aft = in.Cs * std::cos(vs) + in.F;
    const double u_t = -aft * ca + in.L * sa;
    const double z_t = aft * sa + in.L * ca;
    const double h_t = in.Hs - in.Cs * std::sin(vs);
    const double z_le = in.F * sa + in.L * ca;

    if (z_t == z_r) {
        error =
            degenerate("les bords de fuite d'emplanture et de saumon sont à la même profondeur");
        return false;
    }
    const double t = -z_r / (z_t - z_r);
    const double u0 = u_r + (u_t - u_r) * t;
    const double h0 = h_r + (h_t - h_r) * t;
    if (z_le == 0) {
        error = degenerate("le bord d'attaque du saumon est dans le plan d'emplanture");
        return false;
    }
    const double t2 = z_t / z_le;
    const double HsF = t2 * in.Hs + (1 - t2) * in.He;
    if (u0 == 0 || u_t == 0) {
        error = degenerate("un bord de fuite tombe sur le bord d'attaque après rotation");
        return false;
    }
    FinalTwists f;
    f.HeF = in.He;
    f.HsF = HsF;
    f.VeF = rad_to_deg(std::atan((h0 - in.He) / u0));
    f.VsF = rad_to_deg(std::atan((h_t - HsF) / u_t));
    f.root_te_x = u0;
    f.root_te_along = t;
    f.tip_te_x = u_t;
    if (!all_finite({f.HeF, f.HsF, f.VeF, f.VsF})) {
        error = degenerate("les vrillages finaux ne sont pas calculables");
        return false;
    }
    out = f;
    return true;
}

void turn_section(const Section& in, double alpha, Section& out) {
    out.nb = in.nb;
    for (std::size_t k = 0; k < static_cast<std::size_t>(in.nb); ++k) {
        Rotation(in.X[k], in.Y[k], in.Z[k], alpha, out.X[k], out.Y[k], out.Z[k]);
    }
}

namespace {

double partner_value(const Section& s, double x, int sens, bool depth, double fallback) {
    for (std::size_t i = 1; i < static_cast<std::size_t>(s.nb); ++i) {
        const double x0 = s.X[i - 1];
        const double x1 = s.X[i];
        if (x0 * sens <= x * sens && x * sens <= x1 * sens) {
            const double v0 = depth ? s.Z[i - 1] : s.Y[i - 1];
            const double v1 = depth ? s.Z[i] : s.Y[i];
            return x1 == x0 ? (v0 + v1) / 2 : v0 + (v1 - v0) * (x - x0) / (x1 - x0);
        }
    }
    return fallback;
}

// The sense of section `s` at point k: that of the segment leaving it, or for
// the last point that of the segment ending at it.
int sense_at(const Section& s, int k) {
    const auto i = static_cast<std::size_t>(k);
    if (k + 1 < s.nb) {
        return sign(s.X[i + 1] - s.X[i]);
    }
    return k > 0 ? sign(s.X[i] - s.X[i - 1]) : 0;
}

// Height at X' = p1.x, Z' = p2.z of the plane through p1, p2, p3.
bool plane_height(const Point3& p1, const Point3& p2, const Point3& p3, double& yq) {
    const Point3 a{p3.x - p1.x, p3.y - p1.y, p3.z - p1.z};
    const Point3 b{p2.x - p1.x, p2.y - p1.y, p2.z - p1.z};
    const double ny = a.z * b.x - a.x * b.z;
    const double nz = a.x * b.y - a.y * b.x;
    if (ny == 0) {
        return false;
    }
    yq = p1.y + (p1.z - p2.z) * nz / ny;
    return true;
}

}  // namespace

double TurnedPanel::InterpolYEmpl(double x, int sens) const {
    return partner_value(root, x, sens, false, root_href);
}
double TurnedPanel::InterpolZEmpl(double x, int sens) const {
    return partner_value(root, x, sens, true, 0.0);
}
double TurnedPanel::InterpolYSaum(double x, int sens) const {
    return partner_value(tip, x, sens, false, tip_href);
}
double TurnedPanel::InterpolZSaum(double x, int sens) const {
    return partner_value(tip, x, sens, true, tip_le_depth);
}

namespace {

// Y at abscissa x of the surface running from point `te_end` to point
// `le_end`: on its first segment that spans x, or else on its end segment
// at the trailing edge, extended.
double surface_height(const PointTable& p, int te_end, int le_end, double x) {
    const int step = le_end > te_end ? 1 : -1;
    auto at = [&p](int k) { return static_cast<std::size_t>(k); };
    int k = te_end;
    for (int i = te_end; i != le_end; i += step) {
        if ((p.x[at(i)] - x) * (p.x[at(i + step)] - x) <= 0) {
            k = i;
            break;
        }
    }
    const double x0 = p.x[at(k)], x1 = p.x[at(k + step)];
    const double y0 = p.y[at(k)], y1 = p.y[at(k + step)];
    return x1 == x0 ? (y0 + y1) / 2 : y0 + (y1 - y0) * (x - x0) / (x1 - x0);
}

}  // namespace

bool chord_line_twist(const PointTable& profile, double href, double te_x, double te_gap,
                      double& twist, std::string& error) {
    const int n = profile.nb_pts;
    const int le =
        n < 1 ? 0
              : static_cast<int>(std::max_element(profile.x.begin(), profile.x.begin() + n) -
                                 profile.x.begin());
    if (le == 0 || te_x == 0) {
        error =
            degenerate("un nouveau profil n'a pas de bord de fuite distinct de son bord d'attaque");
        return false;
    }
    const double chord_end = surface_height(profile, 0, le, te_x) - te_gap;
    twist = rad_to_deg(std::atan((chord_end - href) / te_x));
    return true;
}

namespace {

const char* const kSquareEdge =
    "les bords de fuite d'emplanture et de saumon sont à la même abscisse après rotation";

// The two new profiles while they are cut from the turned panel, point by
// point; `full` once a table refused a point.
struct ProfileCut {
    const Section& R;
    const Section& T;
    PointTable root;
    PointTable tip;
    bool full = false;

    explicit ProfileCut(const TurnedPanel& panel) : R(panel.root), T(panel.tip) {}

    static double X(const Section& s, int k) { return s.X[static_cast<std::size_t>(k)]; }

    void add(PointTable& table, double x, double y) { full = !table.add(x, y) || full; }
    // Appends the cut of segment p1p2 by the plane Z' = z.
    void cut_into(PointTable& table, const Point3& p1, const Point3& p2, double z) {
        double x = 0;
        double y = 0;
        XYInterZ(p1, p2, z, x, y);
        add(table, x, y);
    }
    // The point B of the trailing-edge line P1P2 at the abscissa of R(k).
    bool edge_point(const Point3& p1, const Point3& p2, int k, Point3& b) const {
        if (p2.x == p1.x) {
            return false;
        }
        b = {X(R, k), YinterBF(p1, p2, X(R, k)), ZinterBF(p1, p2, X(R, k))};
        return true;
    }
    // Root point k and its trailing-edge point B, cut into both profiles.
    bool cut_towards_edge(const Point3& p1, const Point3& p2, int k, std::string& error) {
        Point3 B;
        if (!edge_point(p1, p2, k, B)) {
            error = degenerate(kSquareEdge);
            return false;
        }
        cut_into(root, R.at(k), B, 0);
        cut_into(tip, R.at(k), B, p2.z);
        return true;
    }

    // Upper trailing-edge start, then the root upper-surface points aft of
    // the tip chord.
    bool upper_trailing_edge(std::string& error) {
        const Point3 P1 = R.at(0);
        const Point3 P2 = T.at(0);
        double yQ = 0;
        if (!plane_height(P1, P2, R.at(1), yQ)) {
            error = degenerate("le bord de fuite supérieur ne définit pas de plan");
            return false;
        }
        cut_into(root, P1, {P1.x, yQ, P2.z}, 0);
        add(tip, P1.x, yQ);
        for (int k = 1; k < R.nb && X(R, k) < X(T, 0); ++k) {
            if (!cut_towards_edge(P1, P2, k, error)) {
                return false;
            }
        }
        return true;
    }

    // Every tip point, cut from its root partner; then the root points within
    // the tip chord, cut towards their tip partner.
    void within_tip_chord(const TurnedPanel& panel) {
        const double zT = T.Z[0];
        for (int k = 0; k < T.nb; ++k) {
            const int s = sense_at(T, k);
            const Point3 partner{X(T, k), panel.InterpolYEmpl(X(T, k), s),
                                 panel.InterpolZEmpl(X(T, k), s)};
            cut_into(tip, partner, T.at(k), zT);
        }
        for (int k = 0; k < R.nb; ++k) {
            if (X(R, k) > X(T, 0)) {
                const int s = sense_at(R, k);
                const Point3 partner{X(R, k), panel.InterpolYSaum(X(R, k), s),
                                     panel.InterpolZSaum(X(R, k), s)};
                cut_into(root, R.at(k), partner, 0);
            }
        }
    }

    // Root lower-surface points aft of the tip chord, then the lower
    // trailing-edge end, which replaces the last point of each new profile.
    bool lower_trailing_edge(std::string& error) {
        const Point3 P1 = R.at(R.nb - 1);
        const Point3 P2 = T.at(T.nb - 1);
        for (int k = 1; k <= R.nb - 2; ++k) {
            if (X(R, k) < P2.x && X(R, k) - X(R, k - 1) < 0 &&
                !cut_towards_edge(P1, P2, k, error)) {
                return false;
            }
        }
        if (full) {
            error = "Le calcul demanderait plus de " + std::to_string(kMaxPoints) +
                    " points par profil : réduisez le nombre de points des profils.";
            return false;
        }
        double yQ = 0;
        if (!plane_height(P1, P2, R.at(R.nb - 2), yQ)) {
            error = degenerate("le bord de fuite inférieur ne définit pas de plan");
            return false;
        }
        const auto last_root = static_cast<std::size_t>(root.nb_pts - 1);
        const auto last_tip = static_cast<std::size_t>(tip.nb_pts - 1);
        XYInterZ(P1, {P1.x, yQ, P2.z}, 0, root.x[last_root], root.y[last_root]);
        tip.x[last_tip] = P1.x;
        tip.y[last_tip] = yQ;
        return true;
    }
};

// A new profile is finite and has a chord.
bool usable_profile(const PointTable& t, std::string& error) {
    const auto n = static_cast<std::size_t>(t.nb_pts);
    const bool finite =
        std::all_of(t.x.begin(), t.x.begin() + n, [](double v) { return std::isfinite(v); }) &&
        std::all_of(t.y.begin(), t.y.begin() + n, [](double v) { return std::isfinite(v); });
    if (!finite) {
        error = degenerate("les nouveaux profils ne sont pas calculables");
        return false;
    }
    const auto [lo, hi] = std::minmax_element(t.x.begin(), t.x.begin() + n);
    if (!(*hi > *lo)) {
        error = degenerate("un nouveau profil n'a pas de corde");
        return false;
    }
    return true;
}

}  // namespace

bool new_profiles(const TurnedPanel& panel, PointTable& root, PointTable& tip, std::string& error) {
    const int nE = panel.root.nb;
    const int nS = panel.tip.nb;
    if (nE < 3 || nS < 3) {
        error = std::string("Le profil ") + (nE < 3 ? "d'emplanture" : "du saumon") +
                " doit avoir au moins 3 points : aucun résultat n'est calculé.";
        return false;
    }
    ProfileCut cut(panel);
    if (!cut.upper_trailing_edge(error)) {
        return false;
    }
    cut.within_tip_chord(panel);
    if (!cut.lower_trailing_edge(error) || !usable_profile(cut.root, error) ||
        !usable_profile(cut.tip, error)) {
        return false;
    }
    root = cut.root;
    tip = cut.tip;
    return true;
}

}  // namespace alyra
