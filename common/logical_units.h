#pragma once
// The logical units of the drawing views of Plandor and Vexor: 0.1 mm of
// screen with Y upwards, over a scrolling area of 20000 x 20000 units from
// (0, 0) to (20000, -20000), the drawing origin at (1000, -19000).

#include "polyline.h"

namespace common {

inline constexpr int kScrollUnits = 20000;
inline constexpr int kOriginX = 1000;
inline constexpr int kOriginY = -19000;

struct LogicalPoint {
    int x = 0;
    int y = 0;
    bool operator==(const LogicalPoint&) const = default;
};

// Where the drawing point (x, y) in mm is drawn at scale `zoom`: each
// coordinate scaled to tenths of a millimetre and truncated toward zero.
inline LogicalPoint logical_point(float x, float y, float zoom) {
    return {screen_units(x, zoom) + kOriginX, screen_units(y, zoom) + kOriginY};
}

}  // namespace common
