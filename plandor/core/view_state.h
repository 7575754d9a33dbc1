#pragma once
// The scale and scrolling of the editor's view: logical units of 0.1 mm of
// screen, a zoom step that keeps the drawing point under the mouse, and the
// position shown in the status bar.

#include <string>

#include "logical_units.h"

namespace plandor {

// The display's physical size and resolution, as pixels are turned into
// tenths of a millimetre of screen (integer arithmetic, truncated).
struct ScreenMetrics {
    int widthMm = 1;
    int heightMm = 1;
    int widthPx = 1;
    int heightPx = 1;

    int units_x(int px) const;
    int units_y(int py) const;
};

class ViewState {
  public:
    static constexpr float kStartZoom = 0.25f;

    // z := 0.25, the remembered point at the origin, half size := half the
    // client area (in tenths of a mm), scroll needed.
    void reset(int client_width_units, int client_height_units);

    // One zoom step in (x 1.5) or out (x 2/3), the remembered point scaled
    // with it; `mouse_x_units`, `mouse_y_units` is the mouse in the client
    // area, which becomes the half size so the drawing point under the mouse
    // stays under it. Zooming in is refused (false) when the remembered point
    // lies outside [-499, 9500) in either coordinate.
    bool zoom_step(bool in, int mouse_x_units, int mouse_y_units);

    // Zoom to fit: the zoom at which the box from (low_x, low_y) to (high_x,
    // high_y), in mm, fills most of a client area of the given size (in
    // tenths of a mm of screen), with its middle in the middle of the area;
    // the box stays within the scrolling area. False, unchanged, for an empty
    // or non-finite box.
    bool fit(double low_x, double low_y, double high_x, double high_y, int client_width_units,
             int client_height_units);

    // A mouse move at `offset` from the origin in logical units; ignored
    // while a zoom waits for its paint.
    void mouse_moved(int offset_x, int offset_y);

    // The logical point to show at the top-left corner of the window after a
    // reset or a zoom step.
    common::LogicalPoint scroll_corner() const;

    float zoom = kStartZoom;
    int rememberedX = 0;  // mouse offset from the origin of the last move
    int rememberedY = 0;
    int halfWidth = 0;  // tenths of a mm of screen
    int halfHeight = 0;
    int scrollNeeded = 1;
    int resizePending = 0;
    int zoomPending = 0;
};

// The mouse offset from the origin of a point of the client area, given the
// scroll position in pixels (logical Y grows upwards).
common::LogicalPoint mouse_offset(const ScreenMetrics& screen, int px, int py, int scroll_x,
                                  int scroll_y);

// "X=+0100.00mm    Y=-0020.50mm": the drawing position of a mouse offset,
// with a decimal point whatever the locale.
std::string position_text(int offset_x, int offset_y, float zoom);

}  // namespace plandor
