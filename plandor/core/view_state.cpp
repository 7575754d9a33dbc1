#include "view_state.h"

#include <locale>
#include <sstream>

namespace plandor {

namespace {

int to_units(int size_mm, int px, int res) {
    if (res <= 0) {
        return 0;
    }
    return static_cast<int>(static_cast<long long>(size_mm) * px * 10 / res);
}

// "%+08.2f": sign, zero padding to 8 characters, two decimals.
std::string signed_two_decimals(double value) {
    std::ostringstream out;
    out.imbue(std::locale::classic());
    out.setf(std::ios::fixed | std::ios::showpos | std::ios::internal);
    out.precision(2);
    out.width(8);
    out.fill('0');
    out << value;
    return out.str();
}

}  // namespace

int ScreenMetrics::units_x(int px) const {
    return to_units(widthMm, px, widthPx);
}

int ScreenMetrics::units_y(int py) const {
    return to_units(heightMm, py, heightPx);
}

void ViewState::reset(int client_width_units, int client_height_units) {
    rememberedX = 0;
    rememberedY = 0;
    zoom = kStartZoom;
    halfWidth = client_width_units / 2;
    halfHeight = client_height_units / 2;
    scrollNeeded = 1;
}

bool ViewState::zoom_step(bool in, int mouse_x_units, int mouse_y_units) {
    if (in) {
        const auto inside = [](int v) { return v >= -499 && v < 9500; };
        if (!inside(rememberedX) || !inside(rememberedY)) {
            return false;
        }
        zoom *= 1.5f;
        rememberedX = static_cast<int>(rememberedX * 1.5);
        rememberedY = static_cast<int>(rememberedY * 1.5);
    } else {
        zoom = zoom * 2 / 3;
        rememberedX = static_cast<int>(static_cast<long long>(rememberedX) * 2 / 3);
        rememberedY = static_cast<int>(static_cast<long long>(rememberedY) * 2 / 3);
    }
    halfWidth = mouse_x_units;
    halfHeight = mouse_y_units;
    zoomPending = 1;
    scrollNeeded = 1;
    return true;
}

void ViewState::mouse_moved(int offset_x, int offset_y) {
    if (zoomPending == 0) {
        rememberedX = offset_x;
        rememberedY = offset_y;
    }
}

common::LogicalPoint ViewState::scroll_corner() const {
    return {rememberedX - halfWidth + common::kOriginX,
            rememberedY + halfHeight + common::kOriginY};
}

common::LogicalPoint mouse_offset(const ScreenMetrics& screen, int px, int py, int scroll_x,
                                  int scroll_y) {
    return {screen.units_x(px + scroll_x) - common::kOriginX,
            -screen.units_y(py + scroll_y) - common::kOriginY};
}

std::string position_text(int offset_x, int offset_y, float zoom) {
    return "X=" + signed_two_decimals(offset_x * 0.1 / zoom) +
           "mm    Y=" + signed_two_decimals(offset_y * 0.1 / zoom) + "mm";
}

}  // namespace plandor
