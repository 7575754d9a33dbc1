#include "dxf_geometry.h"

#include <algorithm>
#include <array>
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
    // On the stack: a flattening evaluates the curve millions of times.
    std::array<Weighted, kMaxSplineDegree + 1> d{};
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

CurvePoint operator+(CurvePoint a, CurvePoint b) {
    return {a.x + b.x, a.y + b.y};
}
CurvePoint operator-(CurvePoint a, CurvePoint b) {
    return {a.x - b.x, a.y - b.y};
}
CurvePoint operator*(double k, CurvePoint a) {
    return {k * a.x, k * a.y};
}
double cross2(CurvePoint a, CurvePoint b) {
    return a.x * b.y - a.y * b.x;
}

// The unit vector along v, or along `fallback` when v has no length.
CurvePoint unit(CurvePoint v, CurvePoint fallback) {
    double len = std::hypot(v.x, v.y);
    if (!(len > 1e-12) || !std::isfinite(len)) {
        v = fallback;
        len = std::hypot(v.x, v.y);
    }
    return len > 0 ? (1 / len) * v : CurvePoint{1, 0};
}

// The direction of the curve at the first of `q` (at least three points),
// from the chords near that end and two chords extrapolated beyond it: the
// chords on either side weighted by how much the other side turns.
CurvePoint estimated_start(const std::vector<CurvePoint>& q) {
    const CurvePoint d1 = q[1] - q[0];
    const CurvePoint d2 = q[2] - q[1];
    const CurvePoint d0 = 2 * d1 - d2;
    const CurvePoint before = 2 * d0 - d1;
    const double v1 = std::abs(cross2(before, d0));
    const double v2 = std::abs(cross2(d1, d2));
    // Points on a line: along the first chord (the extrapolated one may point back).
    const double alpha = v1 + v2 > 0 ? v1 / (v1 + v2) : 1;
    return unit((1 - alpha) * d0 + alpha * d1, d1);
}

// Solves a[i] x[i-1] + b[i] x[i] + c[i] x[i+1] = d[i], the indices taken
// around when `cyclic` (a[0] then multiplies x[n-1] and c[n-1] x[0]). The
// systems solved here are diagonally dominant.
std::vector<CurvePoint> solve_tridiagonal(std::vector<double> a, std::vector<double> b,
                                          std::vector<double> c, std::vector<CurvePoint> d,
                                          bool cyclic) {
    const std::size_t n = b.size();
    const auto thomas = [n](const std::vector<double>& lo, std::vector<double> mid,
                            const std::vector<double>& hi, std::vector<CurvePoint> rhs) {
        for (std::size_t i = 1; i < n; ++i) {
            const double w = lo[i] / mid[i - 1];
            mid[i] -= w * hi[i - 1];
            rhs[i] = rhs[i] - w * rhs[i - 1];
        }
        rhs[n - 1] = (1 / mid[n - 1]) * rhs[n - 1];
        for (std::size_t i = n - 1; i-- > 0;) {
            rhs[i] = (1 / mid[i]) * (rhs[i] - hi[i] * rhs[i + 1]);
        }
        return rhs;
    };
    if (!cyclic) {
        return thomas(a, b, c, d);
    }
    // Sherman-Morrison: the corners moved onto the diagonal, then corrected.
    const double gamma = -b[0];
    const double corner_lo = a[0];
    const double corner_hi = c[n - 1];
    b[0] -= gamma;
    b[n - 1] -= corner_hi * corner_lo / gamma;
    std::vector<CurvePoint> u(n);
    u[0] = {gamma, gamma};
    u[n - 1] = {corner_hi, corner_hi};
    const std::vector<CurvePoint> x = thomas(a, b, c, d);
    const std::vector<CurvePoint> z = thomas(a, b, c, u);
    const double vx = x[0].x + corner_lo / gamma * x[n - 1].x;
    const double vy = x[0].y + corner_lo / gamma * x[n - 1].y;
    const double wx = z[0].x + corner_lo / gamma * z[n - 1].x;
    const double wy = z[0].y + corner_lo / gamma * z[n - 1].y;
    std::vector<CurvePoint> out(n);
    for (std::size_t i = 0; i < n; ++i) {
        out[i] = {x[i].x - vx / (1 + wx) * z[i].x, x[i].y - vy / (1 + wy) * z[i].y};
    }
    return out;
}

// The cubic through the fit points, each piece between two of them a Hermite
// cubic in the chord length, the derivatives at the points chosen so that the
// second derivative is continuous too.
bool fit_spline(const SplineData& s, double tol, std::size_t budget, std::vector<CurvePoint>& out) {
    std::vector<CurvePoint> q;
    for (const CurvePoint& p : s.fit) {
        if (q.empty() || std::hypot(p.x - q.back().x, p.y - q.back().y) > 1e-9) {
            q.push_back(p);
        }
    }
    // A closed curve may repeat its first point at its end.
    while (q.size() > 1 && std::hypot(q.front().x - q.back().x, q.front().y - q.back().y) <= 1e-9) {
        q.pop_back();
    }
    if (q.size() < 2) {
        return false;
    }
    const bool loop = s.closed && q.size() >= 3;
    const std::size_t n = q.size();
    const std::size_t spans = loop ? n : n - 1;
    std::vector<double> h(spans);
    std::vector<CurvePoint> slope(spans);
    for (std::size_t i = 0; i < spans; ++i) {
        const CurvePoint d = q[(i + 1) % n] - q[i];
        h[i] = std::hypot(d.x, d.y);
        slope[i] = (1 / h[i]) * d;
    }
    std::vector<double> a(n, 0), b(n, 1), c(n, 0);
    std::vector<CurvePoint> rhs(n);
    for (std::size_t i = 0; i < n; ++i) {
        if (!loop && (i == 0 || i + 1 == n)) {
            continue;  // the end directions, below
        }
        const std::size_t left = (i + spans - 1) % spans;
        const std::size_t right = i % spans;
        a[i] = h[right];
        b[i] = 2 * (h[left] + h[right]);
        c[i] = h[left];
        rhs[i] = 3 * (h[right] * slope[left] + h[left] * slope[right]);
    }
    if (!loop) {
        // Unit derivatives: the parameter is the chord length.
        CurvePoint start = slope.front();
        CurvePoint end = slope.back();
        if (n >= 3) {
            start = estimated_start(q);
            std::vector<CurvePoint> reversed(q.rbegin(), q.rend());
            end = -1 * estimated_start(reversed);
        }
        rhs.front() = s.hasStartTangent ? unit(s.startTangent, start) : start;
        rhs.back() = s.hasEndTangent ? unit(s.endTangent, end) : end;
    }
    const std::vector<CurvePoint> m = solve_tridiagonal(a, b, c, rhs, loop);
    for (std::size_t i = 0; i < spans && out.size() < budget; ++i) {
        const CurvePoint p0 = q[i];
        const CurvePoint p1 = q[(i + 1) % n];
        const CurvePoint m0 = h[i] * m[i];
        const CurvePoint m1 = h[i] * m[(i + 1) % n];
        const auto curve = [&](double t) {
            const double t2 = t * t, t3 = t2 * t;
            return (2 * t3 - 3 * t2 + 1) * p0 + (t3 - 2 * t2 + t) * m0 + (-2 * t3 + 3 * t2) * p1 +
                   (t3 - t2) * m1;
        };
        flatten_interval(curve, 0, 1, tol, budget, out);
        if (loop && i + 1 == spans && !out.empty()) {
            out.back() = q[0];
        }
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
