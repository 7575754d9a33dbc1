// Which segment of a polyline lies under the mouse, on the screen at the
// current zoom.

#include <algorithm>
#include <cmath>

#include "polyline.h"

namespace common {

int screen_units(float mm, float zoom) {
    // Coordinates read from a file may be huge: saturate instead of
    // overflowing the integer.
    const double units = static_cast<double>(mm * zoom * 10.0f);
    if (!(units > -2e9)) {
        return units != units ? 0 : -2000000000;
    }
    if (units > 2e9) {
        return 2000000000;
    }
    return static_cast<int>(units);
}

bool in_screen_span(int a, int b, int mouse) {
    long long lo = std::min(a, b);
    long long hi = std::max(a, b);
    if (hi - lo < 20) {
        lo -= 10;
        hi += 10;
    }
    return lo <= mouse && mouse <= hi;
}

int CPolyline::hit_test(bool on_contour, int mouse_x, int mouse_y, float zoom) {
    const int count = on_contour ? std::min(nbOffsetPoints, nbPoints) : nbPoints;
    if (count <= 1 || count > kPointSlots) {
        return 0;
    }
    const auto& list = on_contour ? offsetPoints : points;
    for (int k = 1; k < count; ++k) {
        const Point3& p = list[static_cast<size_t>(k - 1)];
        const Point3& q = list[static_cast<size_t>(k)];
        if (in_screen_span(screen_units(p.x, zoom), screen_units(q.x, zoom), mouse_x) &&
            in_screen_span(screen_units(p.y, zoom), screen_units(q.y, zoom), mouse_y)) {
            selectedSegment = k;
            return k;
        }
    }
    return 0;
}

}  // namespace common
