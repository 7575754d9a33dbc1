#include "view_state.h"

#include <algorithm>
#include <cmath>
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

bool ViewState::fit(double low_x, double low_y, double high_x, double high_y,
                    int client_width_units, int client_height_units) {
    if (!std::isfinite(low_x) || !std::isfinite(low_y) || !std::isfinite(high_x) ||
        !std::isfinite(high_y) || high_x < low_x || high_y < low_y || client_width_units <= 0 ||
        client_height_units <= 0) {
        return false;
    }
    // A tenth of the area left round the drawing; a point or a line fills
    // what it can at the largest zoom.
    constexpr double kFilled = 0.9;
    constexpr double kLargest = 1000;
    const double width = (high_x - low_x) * 10;
    const double height = (high_y - low_y) * 10;
    double z = kLargest;
    if (width > 0) {
        z = std::min(z, kFilled * client_width_units / width);
    }
    if (height > 0) {
        z = std::min(z, kFilled * client_height_units / height);
    }
    // Within the scrolling area: from the origin, kOriginX units to the left
    // and kScrollUnits - kOriginX to the right, the same downwards and up.
    const double left = common::kOriginX;
    const double right = common::kScrollUnits - common::kOriginX;
    const double below = common::kScrollUnits + common::kOriginY;
    const double above = -common::kOriginY;
    auto within = [&](double mm, double negative_room, double positive_room) {
        if (mm < 0) {
            z = std::min(z, negative_room / (-mm * 10));
        } else if (mm > 0) {
            z = std::min(z, positive_room / (mm * 10));
        }
    };
    within(low_x, left, right);
    within(high_x, left, right);
    within(low_y, below, above);
    within(high_y, below, above);
    if (!(z > 0)) {
        return false;
    }
    zoom = static_cast<float>(z);
    rememberedX = common::screen_units(static_cast<float>((low_x + high_x) / 2), zoom);
    rememberedY = common::screen_units(static_cast<float>((low_y + high_y) / 2), zoom);
    halfWidth = client_width_units / 2;
    halfHeight = client_height_units / 2;
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
