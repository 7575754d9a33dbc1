#pragma once
// The cut of an offset contour split at its holding tabs: the pieces the DXF
// export writes as separate polylines and the G-code writer cuts with a
// bridge between them.

#include <vector>

#include "polyline.h"

namespace common {

// The points of the offset contour of `polyline` in order, one list per
// piece: a tab on segment k ends the piece at the tab's first end (x1, y1)
// and starts the next one at its second end (x2, y2). No offset contour
// gives no piece; a contour without tabs is one piece of its points.
std::vector<std::vector<Point3>> contour_pieces(const CPolyline& polyline);

}  // namespace common
