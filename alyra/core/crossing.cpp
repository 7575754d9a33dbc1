#include "crossing.h"

#include <algorithm>
#include <cmath>

namespace alyra {

namespace {

struct SurfacePoint {
    double f;  // chord fraction from the leading edge
    double y;
};

// Y of a surface walked aft from the leading edge at fraction f: on the first
// segment that reaches f.
double surface_y(const std::vector<SurfacePoint>& s, double f) {
    for (std::size_t k = 1; k < s.size(); ++k) {
        const SurfacePoint& a = s[k - 1];
        const SurfacePoint& b = s[k];
        if (std::min(a.f, b.f) <= f && f <= std::max(a.f, b.f)) {
            return a.f == b.f ? a.y : a.y + (b.y - a.y) * (f - a.f) / (b.f - a.f);
        }
    }
    return s.back().y;
}

double reach(const std::vector<SurfacePoint>& s) {
    double most = 0;
    for (const SurfacePoint& p : s) {
        most = std::max(most, p.f);
    }
    return most;
}

}  // namespace

std::optional<double> first_crossing(const PointTable& profile) {
    const int n = profile.nb_pts;
    if (n < 3) {
        return std::nullopt;
    }
    const auto at = [](int k) { return static_cast<std::size_t>(k); };
    int le = 0;
    double x_min = profile.x[0];
    for (int k = 1; k < n; ++k) {
        if (profile.x[at(k)] > profile.x[at(le)]) {
            le = k;
        }
        x_min = std::min(x_min, profile.x[at(k)]);
    }
    const double x_le = profile.x[at(le)];
    const double chord = x_le - x_min;
    if (le == 0 || le == n - 1 || !(chord > 0)) {
        return std::nullopt;
    }
    const auto point = [&](int k) {
        return SurfacePoint{(x_le - profile.x[at(k)]) / chord, profile.y[at(k)]};
    };
    std::vector<SurfacePoint> upper;
    std::vector<SurfacePoint> lower;
    for (int k = le; k >= 0; --k) {
        upper.push_back(point(k));
    }
    for (int k = le; k < n; ++k) {
        lower.push_back(point(k));
    }
    // Both surfaces compared at every point of either, over the chord both
    // cover; between two such points they are straight.
    const double end = std::min(reach(upper), reach(lower));
    std::vector<double> grid;
    for (const auto* s : {&upper, &lower}) {
        for (const SurfacePoint& p : *s) {
            if (p.f > 0 && p.f <= end) {
                grid.push_back(p.f);
            }
        }
    }
    std::sort(grid.begin(), grid.end());
    grid.erase(std::unique(grid.begin(), grid.end()), grid.end());

    const double tolerance = 1e-9 * chord;
    double f0 = 0;
    double d0 = 0;  // both surfaces meet at the leading edge
    for (const double f : grid) {
        const double d = surface_y(upper, f) - surface_y(lower, f);
        if (d < -tolerance) {
            return d0 > 0 ? f0 + (f - f0) * d0 / (d0 - d) : f0;
        }
        f0 = f;
        d0 = d;
    }
    return std::nullopt;
}

std::vector<std::string> crossing_notices(const PointTable& root, const PointTable& tip) {
    std::vector<std::string> notices;
    const std::pair<const PointTable*, const char*> profiles[] = {
        {&root, "de l'emplanture"},
        {&tip, "du saumon"},
    };
    for (const auto& [profile, end] : profiles) {
        if (const std::optional<double> f = first_crossing(*profile)) {
            const long percent = std::lround(*f * 100);
            notices.push_back(std::string("Le profil projeté ") + end + " se croise à " +
                              std::to_string(percent) +
                              " % de la corde : en arrière de ce point, son plan de coupe passe "
                              "au-delà du tronçon et cette partie du gabarit est hors du "
                              "tronçon.");
        }
    }
    return notices;
}

}  // namespace alyra
