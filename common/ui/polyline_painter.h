#pragma once
// Painting of polylines in the drawing views of Plandor and Vexor. The
// painter is already set up with the view's transform from logical units
// (0.1 mm of screen, Y up) to pixels and with the pen to use; every point is
// placed as logical_point() places it.

#include "polyline.h"

class QPainter;

namespace common {

// The outline through all its points.
void paint_outline(QPainter& painter, const CPolyline& polyline, float zoom);

// The offset contour from its first to its last point, interrupted over each
// tab: on a segment with a tab the line goes to the tab's first end and
// resumes at its second. With `tab_circles` each tab end gets a circle.
void paint_contour(QPainter& painter, const CPolyline& polyline, float zoom, bool tab_circles);

// The outline of a square of side 2r, r = one millimetre of drawing, centred
// on a point: the start marker.
void paint_start_square(QPainter& painter, const Point3& point, float zoom);

// A circle of radius one millimetre of drawing round a point: the end marker.
void paint_end_circle(QPainter& painter, const Point3& point, float zoom);

}  // namespace common
