#include "dxf_geometry.h"

#include <algorithm>
#include <cmath>
#include <functional>
#include <numbers>

namespace common {

namespace {

constexpr double kTwoPi = 2 * std::numbers::pi;
constexpr int kMaxArcSegments = 100'000;
constexpr int kMaxSplineDegree = 11;
constexpr int kMaxSubdivision = 16;

double distance_to_chord(const CurvePoint& p, const CurvePoint& a, const CurvePoint& b) {
    const double dx = b.x - a.x;
    const double dy = b.y - a.y;
    const double len2 = dx * dx + dy * dy;
    double t = len2 > 0 ? ((p.x - a.x) * dx + (p.y - a.y) * dy) / len2 : 0;
    t = std::clamp(t, 0.0, 1.0);
    return std::hypot(p.x - (a.x + t * dx), p.y - (a.y + t * dy));
}

// Segments needed for a turn of `sweep` on a circle of radius r.
int arc_segments(double r, double sweep, double tol) {
    const double step = tol >= r ? std::numbers::pi / 2 : 2 * std::acos(1 - tol / r);
    const double n = std::ceil(std::abs(sweep) / std::max(step, 1e-12));
    return static_cast<int>(std::clamp(n, 1.0, static_cast<double>(kMaxArcSegments)));
}

// Adds the points of curve(t) for t in (t0, t1], halving each interval until
// its middle lies within `tol` of the chord.
void subdivide(const std::function<CurvePoint(double)>& curve, double t0, CurvePoint p0, double t1,
               CurvePoint p1, double tol, int depth, std::size_t budget,
               std::vector<CurvePoint>& out) {
    const double tm = 0.5 * (t0 + t1);
    const CurvePoint pm = curve(tm);
    if (depth < kMaxSubdivision && out.size() < budget && distance_to_chord(pm, p0, p1) > tol) {
        subdivide(curve, t0, p0, tm, pm, tol, depth + 1, budget, out);
        subdivide(curve, tm, pm, t1, p1, tol, depth + 1, budget, out);
        return;
    }
    out.push_back(p1);
}

// The interval [t0, t1] cut in four and each part refined.
void flatten_interval(const std::function<CurvePoint(double)>& curve, double t0, double t1,
                      double tol, std::size_t budget, std::vector<CurvePoint>& out) {
    constexpr int kParts = 4;
    CurvePoint prev = curve(t0);
    if (out.empty()) {
        out.push_back(prev);
    }
    for (int i = 1; i <= kParts; ++i) {
        const double t = t0 + (t1 - t0) * i / kParts;
        const CurvePoint p = curve(t);
        subdivide(curve, t0 + (t1 - t0) * (i - 1) / kParts, prev, t, p, tol, 0, budget, out);
        prev = p;
    }
}

struct Weighted {
    double x = 0;
    double y = 0;
    double w = 0;
};

CurvePoint de_boor(int p, const std::vector<double>& u, const std::vector<CurvePoint>& ctrl,
                   const std::vector<double>& w, double t) {
    const int n = static_cast<int>(ctrl.size());
    // The span k with u[k] <= t < u[k+1], kept inside [p, n - 1].
    int k = static_cast<int>(std::upper_bound(u.begin(), u.end(), t) - u.begin()) - 1;
    k = std::clamp(k, p, n - 1);
    std::vector<Weighted> d(static_cast<std::size_t>(p + 1));
    for (int j = 0; j <= p; ++j) {
        const auto i = static_cast<std::size_t>(j + k - p);
        d[static_cast<std::size_t>(j)] = {ctrl[i].x * w[i], ctrl[i].y * w[i], w[i]};
    }
    for (int r = 1; r <= p; ++r) {
        for (int j = p; j >= r; --j) {
            const double lo = u[static_cast<std::size_t>(j + k - p)];
            const double hi = u[static_cast<std::size_t>(j + 1 + k - r)];
            const double alpha = hi > lo ? (t - lo) / (hi - lo) : 0;
            Weighted& cur = d[static_cast<std::size_t>(j)];
            const Weighted& before = d[static_cast<std::size_t>(j - 1)];
            cur = {(1 - alpha) * before.x + alpha * cur.x, (1 - alpha) * before.y + alpha * cur.y,
                   (1 - alpha) * before.w + alpha * cur.w};
        }
    }
    const Weighted& r = d[static_cast<std::size_t>(p)];
    return r.w != 0 ? CurvePoint{r.x / r.w, r.y / r.w} : CurvePoint{r.x, r.y};
}

bool control_spline(const SplineData& s, double tol, std::size_t budget,
                    std::vector<CurvePoint>& out) {
    const int n = static_cast<int>(s.control.size());
    const int p = std::min({std::max(s.degree, 1), kMaxSplineDegree, n - 1});
    std::vector<double> u = s.knots;
    const auto m = static_cast<std::size_t>(n + p + 1);
    if (u.size() != m || !std::is_sorted(u.begin(), u.end()) ||
        !(u[static_cast<std::size_t>(p)] < u[static_cast<std::size_t>(n)])) {
        // Knots that do not fit the control points: a clamped uniform vector.
        u.assign(m, 0);
        for (std::size_t i = 0; i < m; ++i) {
            const double v = static_cast<double>(i) - p;
            u[i] = std::clamp(v, 0.0, static_cast<double>(n - p));
        }
    }
    std::vector<double> w = s.weights;
    if (w.size() != s.control.size() ||
        std::any_of(w.begin(), w.end(), [](double v) { return !(v > 0); })) {
        w.assign(s.control.size(), 1);
    }
    const auto curve = [&](double t) { return de_boor(p, u, s.control, w, t); };
    for (int i = p; i < n; ++i) {
        const double t0 = u[static_cast<std::size_t>(i)];
        const double t1 = u[static_cast<std::size_t>(i + 1)];
        if (t1 > t0 && out.size() < budget) {
            flatten_interval(curve, t0, t1, tol, budget, out);
        }
    }
    return true;
}

// A centripetal Catmull-Rom curve through the fit points.
bool fit_spline(const SplineData& s, double tol, std::size_t budget, std::vector<CurvePoint>& out) {
    std::vector<CurvePoint> q;
    for (const CurvePoint& p : s.fit) {
        if (q.empty() || std::hypot(p.x - q.back().x, p.y - q.back().y) > 1e-12) {
            q.push_back(p);
        }
    }
    if (s.closed && q.size() > 2 &&
        std::hypot(q.front().x - q.back().x, q.front().y - q.back().y) > 1e-12) {
        q.push_back(q.front());
    }
    if (q.size() < 2) {
        return false;
    }
    const std::size_t n = q.size();
    const bool loop = s.closed && n > 3;
    const auto at = [&](long long i) -> CurvePoint {
        const auto last = static_cast<long long>(n) - 1;
        if (i < 0) {
            return loop ? q[static_cast<std::size_t>(last - 1)]
                        : CurvePoint{2 * q[0].x - q[1].x, 2 * q[0].y - q[1].y};
        }
        if (i > last) {
            return loop ? q[1]
                        : CurvePoint{2 * q[n - 1].x - q[n - 2].x, 2 * q[n - 1].y - q[n - 2].y};
        }
        return q[static_cast<std::size_t>(i)];
    };
    for (std::size_t i = 0; i + 1 < n && out.size() < budget; ++i) {
        const long long k = static_cast<long long>(i);
        const CurvePoint p0 = at(k - 1), p1 = at(k), p2 = at(k + 1), p3 = at(k + 2);
        const auto knot = [](const CurvePoint& a, const CurvePoint& b) {
            return std::max(std::sqrt(std::hypot(b.x - a.x, b.y - a.y)), 1e-12);
        };
        const double t0 = 0, t1 = t0 + knot(p0, p1), t2 = t1 + knot(p1, p2), t3 = t2 + knot(p2, p3);
        const auto mix = [](const CurvePoint& a, const CurvePoint& b, double ta, double tb,
                            double t) {
            const double f = (t - ta) / (tb - ta);
            return CurvePoint{a.x + (b.x - a.x) * f, a.y + (b.y - a.y) * f};
        };
        const auto curve = [&](double t) {
            const CurvePoint a1 = mix(p0, p1, t0, t1, t), a2 = mix(p1, p2, t1, t2, t),
                             a3 = mix(p2, p3, t2, t3, t);
            const CurvePoint b1 = mix(a1, a2, t0, t2, t), b2 = mix(a2, a3, t1, t3, t);
            return mix(b1, b2, t1, t2, t);
        };
        flatten_interval(curve, t1, t2, tol, budget, out);
    }
    return true;
}

}  // namespace

Vec3 cross(const Vec3& a, const Vec3& b) {
    return {a.y * b.z - a.z * b.y, a.z * b.x - a.x * b.z, a.x * b.y - a.y * b.x};
}

Affine Affine::operator*(const Affine& n) const {
    return {a * n.a + b * n.c, a * n.b + b * n.d,     c * n.a + d * n.c,
            c * n.b + d * n.d, a * n.e + b * n.f + e, c * n.e + d * n.f + f};
}

double Affine::scale() const {
    const double s = a * a + b * b + c * c + d * d;
    const double det = a * d - b * c;
    return std::sqrt(0.5 * (s + std::sqrt(std::max(0.0, s * s - 4 * det * det))));
}

Affine Affine::rotation(double radians) {
    const double c = std::cos(radians);
    const double s = std::sin(radians);
    return {c, -s, s, c, 0, 0};
}

Vec3 extrusion(const std::vector<DxfTag>& tags) {
    Vec3 n{0, 0, 1};
    for (const DxfTag& t : tags) {
        double v = 0;
        if (!dxf_number(t.value, v)) {
            continue;
        }
        if (t.code == 210) {
            n.x = v;
        } else if (t.code == 220) {
            n.y = v;
        } else if (t.code == 230) {
            n.z = v;
        }
    }
    return n;
}

Affine ocs_affine(const Vec3& n_in, double elevation) {
    const double len = std::hypot(n_in.x, n_in.y, n_in.z);
    if (!(len > 0)) {
        return {};
    }
    const Vec3 n{n_in.x / len, n_in.y / len, n_in.z / len};
    const Vec3 world_axis =
        std::abs(n.x) < 1.0 / 64 && std::abs(n.y) < 1.0 / 64 ? Vec3{0, 1, 0} : Vec3{0, 0, 1};
    Vec3 ax = cross(world_axis, n);
    const double lx = std::hypot(ax.x, ax.y, ax.z);
    ax = {ax.x / lx, ax.y / lx, ax.z / lx};
    Vec3 ay = cross(n, ax);
    const double ly = std::hypot(ay.x, ay.y, ay.z);
    ay = {ay.x / ly, ay.y / ly, ay.z / ly};
    return {ax.x, ay.x, ax.y, ay.y, elevation * n.x, elevation * n.y};
}

double radians(double degrees) {
    return degrees * std::numbers::pi / 180;
}

double sweep_of(double a0, double a1) {
    double d = std::fmod(a1 - a0, kTwoPi);
    if (d < 0) {
        d += kTwoPi;
    }
    return d <= 1e-12 ? kTwoPi : d;
}

void arc_points(CurvePoint c, double rx, double ry, double t0, double sweep, double tol,
                std::vector<CurvePoint>& out) {
    const int n = arc_segments(std::max(rx, ry), sweep, tol);
    for (int i = 0; i <= n; ++i) {
        const double t = t0 + sweep * i / n;
        out.push_back({c.x + rx * std::cos(t), c.y + ry * std::sin(t)});
    }
}

std::vector<CurvePoint> bulge_points(const std::vector<BulgeVertex>& vertices, bool closed,
                                     double tol) {
    std::vector<CurvePoint> out;
    const std::size_t n = vertices.size();
    for (std::size_t i = 0; i < n; ++i) {
        const CurvePoint p1 = vertices[i].p;
        out.push_back(p1);
        if (i + 1 == n && !closed) {
            break;
        }
        const CurvePoint p2 = vertices[(i + 1) % n].p;
        const double b = vertices[i].bulge;
        const double chord = std::hypot(p2.x - p1.x, p2.y - p1.y);
        if (std::abs(b) < 1e-12 || !(chord > 0) || std::abs(b) > 1e6) {
            continue;
        }
        // The arc turns by 4 atan(b), counter-clockwise when b > 0.
        const double theta = 4 * std::atan(b);
        const double r = chord / (2 * std::abs(std::sin(theta / 2)));
        const double k = (1 - b * b) / (4 * b);  // centre offset along the left normal / chord
        const CurvePoint centre{(p1.x + p2.x) / 2 - (p2.y - p1.y) * k,
                                (p1.y + p2.y) / 2 + (p2.x - p1.x) * k};
        const double a0 = std::atan2(p1.y - centre.y, p1.x - centre.x);
        const int segments = arc_segments(r, theta, tol);
        for (int s = 1; s < segments; ++s) {
            const double t = a0 + theta * s / segments;
            out.push_back({centre.x + r * std::cos(t), centre.y + r * std::sin(t)});
        }
    }
    if (closed && n > 1) {
        out.push_back(vertices[0].p);
    }
    return out;
}

bool spline_points(const SplineData& s, double tol, std::size_t budget,
                   std::vector<CurvePoint>& out) {
    if (s.control.size() >= 2) {
        return control_spline(s, tol, budget, out);
    }
    return fit_spline(s, tol, budget, out);
}

}  // namespace common
