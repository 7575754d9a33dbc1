#include "view_geometry.h"

namespace vexor {

LogicalPoint logical_point(float x, float y, float scale) {
    return {common::screen_units(x, scale) + kOriginX, common::screen_units(y, scale) + kOriginY};
}

int outline_mark_size(float scale) {
    return static_cast<int>(scale * 10);
}

bool ViewZoom::zoom_in() {
    const auto inside = [](int v) { return v > -500 && v < 9500; };
    if (!inside(zoomX) || !inside(zoomY)) {
        return false;
    }
    scale *= 1.5f;
    zoomX = static_cast<int>(zoomX * 1.5);
    zoomY = static_cast<int>(zoomY * 1.5);
    return true;
}

void ViewZoom::zoom_out() {
    scale = scale * 2 / 3;
    zoomX = static_cast<int>(zoomX * 2.0 / 3.0);
    zoomY = static_cast<int>(zoomY * 2.0 / 3.0);
}

int toggle_polyline_at(common::PolylineArray& polylines, int count, int& hitIndex, int x, int y,
                       float scale) {
    if (count <= 0) {
        return -1;
    }
    for (int tested = 0; tested < count; ++tested) {
        if (hitIndex < 0 || hitIndex >= count) {
            hitIndex = 0;
        }
        const int index = hitIndex;
        hitIndex = (hitIndex + 1) % count;
        common::CPolyline* p = polylines[static_cast<size_t>(index)].get();
        if (p != nullptr && p->hit_test(false, x, y, scale) != 0) {
            p->set_selected(p->selected() != 0 ? 0 : 1);
            return index;
        }
    }
    return -1;
}

}  // namespace vexor
