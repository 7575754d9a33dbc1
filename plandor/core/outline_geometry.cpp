#include "outline_geometry.h"

#include <algorithm>
#include <cmath>

namespace plandor {

namespace {

std::vector<PlanePoint> plane(const std::array<common::Point3, common::kPointSlots>& table,
                              int count) {
    std::vector<PlanePoint> out;
    const int n = std::clamp(count, 0, common::kPointSlots);
    out.reserve(static_cast<size_t>(n));
    for (int k = 0; k < n; ++k) {
        const common::Point3& p = table[static_cast<size_t>(k)];
        out.push_back({p.x, p.y});
    }
    return out;
}

double segment_distance(PlanePoint a, PlanePoint b, PlanePoint q) {
    const double dx = b.x - a.x;
    const double dy = b.y - a.y;
    const double length2 = dx * dx + dy * dy;
    double t = length2 > 0 ? ((q.x - a.x) * dx + (q.y - a.y) * dy) / length2 : 0;
    t = std::clamp(t, 0.0, 1.0);
    return std::hypot(a.x + t * dx - q.x, a.y + t * dy - q.y);
}

}  // namespace

std::vector<PlanePoint> outline_points(const common::CPolyline& p) {
    return plane(p.points, p.nbPoints);
}

std::vector<PlanePoint> contour_points(const common::CPolyline& p) {
    return plane(p.offsetPoints, p.nbOffsetPoints);
}

bool is_closed_outline(const common::CPolyline& p) {
    if (p.nbPoints < 4 || p.nbPoints > common::kPointSlots) {
        return false;
    }
    const common::Point3& first = p.points[0];
    const common::Point3& last = p.points[static_cast<size_t>(p.nbPoints - 1)];
    return std::hypot(static_cast<double>(first.x) - last.x,
                      static_cast<double>(first.y) - last.y) <= kClosedOutlineWithin;
}

double signed_area(const std::vector<PlanePoint>& ring) {
    double twice = 0;
    for (size_t k = 0; k < ring.size(); ++k) {
        const PlanePoint& a = ring[k];
        const PlanePoint& b = ring[(k + 1) % ring.size()];
        twice += a.x * b.y - b.x * a.y;
    }
    return twice / 2;
}

bool inside_ring(const std::vector<PlanePoint>& ring, PlanePoint q) {
    bool inside = false;
    for (size_t k = 0, j = ring.size() - 1; k < ring.size(); j = k++) {
        const PlanePoint& a = ring[k];
        const PlanePoint& b = ring[j];
        if ((a.y > q.y) != (b.y > q.y) && q.x < (b.x - a.x) * (q.y - a.y) / (b.y - a.y) + a.x) {
            inside = !inside;
        }
    }
    return inside;
}

double distance_to_path(const std::vector<PlanePoint>& path, PlanePoint q) {
    if (path.size() == 1) {
        return std::hypot(path[0].x - q.x, path[0].y - q.y);
    }
    double best = INFINITY;
    for (size_t k = 1; k < path.size(); ++k) {
        best = std::min(best, segment_distance(path[k - 1], path[k], q));
    }
    return best;
}

bool contour_clear_of_outline(const std::vector<PlanePoint>& outline,
                              const std::vector<PlanePoint>& contour, double radius, bool inside) {
    if (outline.size() < 2 || contour.size() < 2) {
        return false;
    }
    // The offset takes a segment under 0.01 mm wide in x for a vertical one
    // and keeps its contour in single precision: allow for both.
    const double least = radius - (0.02 + 1e-3 * radius);
    for (const PlanePoint& q : contour) {
        if (distance_to_path(outline, q) < least ||
            (radius > 0 && inside_ring(outline, q) != inside)) {
            return false;
        }
    }
    for (const PlanePoint& q : outline) {
        if (distance_to_path(contour, q) < least) {
            return false;
        }
    }
    return true;
}

double path_length(const std::vector<PlanePoint>& path) {
    double length = 0;
    for (size_t k = 1; k < path.size(); ++k) {
        length += std::hypot(path[k].x - path[k - 1].x, path[k].y - path[k - 1].y);
    }
    return length;
}

}  // namespace plandor
