#pragma once
// Plane geometry of outlines and contours for the automatic plan: closure,
// signed area, containment and the clearance between a contour and the
// outline it was offset from. Coordinates in mm, computed in double.

#include <vector>

#include "polyline.h"

namespace plandor {

inline constexpr double kClosedOutlineWithin = 0.01;  // mm between the ends of a closed outline

struct PlanePoint {
    double x = 0;
    double y = 0;
};

// The outline's points (or its offset contour's) as plane points.
std::vector<PlanePoint> outline_points(const common::CPolyline& p);
std::vector<PlanePoint> contour_points(const common::CPolyline& p);

// An outline of at least 4 points whose last point lies on its first, within
// 0.01 mm.
bool is_closed_outline(const common::CPolyline& p);

// Positive when the ring runs anticlockwise; the ring's last point is taken
// to join its first.
double signed_area(const std::vector<PlanePoint>& ring);

// Whether `q` lies strictly inside the ring (even-odd rule); a point on an
// edge may be counted either way.
bool inside_ring(const std::vector<PlanePoint>& ring, PlanePoint q);

// The shortest distance from `q` to the segments of the polyline `path`.
double distance_to_path(const std::vector<PlanePoint>& path, PlanePoint q);

// Whether every point of the contour lies at least `radius` from the outline
// and every outline point at least `radius` from the contour (0.02 mm and
// rounding aside), the contour lying inside the closed outline
// (`inside`) or outside it. A contour that folds over itself, in a hole
// narrower than the cutter or a notch of a part, comes closer than that.
bool contour_clear_of_outline(const std::vector<PlanePoint>& outline,
                              const std::vector<PlanePoint>& contour, double radius, bool inside);

double path_length(const std::vector<PlanePoint>& path);

}  // namespace plandor
