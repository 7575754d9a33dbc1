#pragma once
// The geometry of the controller's view, in logical units of 0.1 mm of
// screen with Y upwards over an extent of 20000 × 20000 units: where a
// drawing point lands at a scale, the zoom and its limit, and which polyline
// a click toggles.

#include "polyline.h"

namespace vexor {

inline constexpr int kViewExtent = 20000;
inline constexpr int kOriginX = 1000;  // the drawing origin in logical units
inline constexpr int kOriginY = -19000;
inline constexpr float kInitialScale = 0.25f;

struct LogicalPoint {
    int x = 0;
    int y = 0;
};

// A drawing point (mm) in logical units: x × scale × 10 + 1000 and
// y × scale × 10 − 19000, each product truncated towards zero.
LogicalPoint logical_point(float x, float y, float scale);

// Half-side of the start square and radius of the end circle of an outline,
// and of the job's start circle: scale × 10 truncated.
int outline_mark_size(float scale);

// The zoom of the view: the scale and the zoom point, the mouse position in
// logical units relative to the drawing origin.
struct ViewZoom {
    float scale = kInitialScale;
    int zoomX = 0;
    int zoomY = 0;

    // × 1.5, only while both coordinates of the zoom point lie strictly
    // between −500 and 9500; false when refused.
    bool zoom_in();
    // × 2/3, always.
    void zoom_out();
};

// A click at (x, y), logical units relative to the drawing origin: tests the
// polylines once each, starting at `hitIndex` and advancing it (wrapping at
// `count`) after every test; the first one hit has its selected flag
// inverted. Returns its index, or -1 when none is hit.
int toggle_polyline_at(common::PolylineArray& polylines, int count, int& hitIndex, int x, int y,
                       float scale);

}  // namespace vexor
