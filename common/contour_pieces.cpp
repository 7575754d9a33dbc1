#include "contour_pieces.h"

namespace common {

std::vector<std::vector<Point3>> contour_pieces(const CPolyline& polyline) {
    std::vector<std::vector<Point3>> pieces;
    const int m = polyline.nbOffsetPoints;
    if (m <= 0 || m > kPointSlots) {
        return pieces;
    }
    pieces.emplace_back();
    for (int i = 0; i < m; ++i) {
        const Point3& o = polyline.offsetPoints[static_cast<size_t>(i)];
        pieces.back().push_back({o.x, o.y, 0});
        const CAttache* tab = i + 1 < m ? polyline.tabs[static_cast<size_t>(i + 1)].get() : nullptr;
        if (tab != nullptr) {
            pieces.back().push_back({tab->x1, tab->y1, 0});
            pieces.push_back({{tab->x2, tab->y2, 0}});
        }
    }
    return pieces;
}

}  // namespace common
