#pragma once
// Where the plot window goes on the desktop: beside the dimensions window,
// wholly on the screen that shows it, so its title bar can always be reached.
// Rectangles are window frames (title bar and borders included) in screen
// pixels.

namespace cadrex {

struct ScreenRect {
    int x = 0;
    int y = 0;
    int width = 0;
    int height = 0;

    int right() const { return x + width; }  // one past the last column
    int bottom() const { return y + height; }
    bool operator==(const ScreenRect&) const = default;
};

// `r` moved, not resized, as little as can be to lie inside `screen`; a
// rectangle larger than the screen keeps its top-left corner on it.
ScreenRect keep_inside(const ScreenRect& screen, const ScreenRect& r);

// The frame of a window of `width` x `height` beside `anchor`, `gap` pixels
// away: to its right, else its left, else below, else above, at the first
// place where it fits on `screen` without covering the anchor (sliding along
// the anchor's side as needed). On a screen too small for any of them, the
// place to the right of the anchor moved onto the screen.
ScreenRect place_beside(const ScreenRect& screen, const ScreenRect& anchor, int width, int height,
                        int gap);

struct PairPlacement {
    ScreenRect anchor;
    ScreenRect window;
};

// Both windows at start-up: the anchor kept on `screen` and the window beside
// it as above; when the window would cover the anchor there but the two fit
// side by side (or else one above the other) on the screen, the anchor moves
// over to make room.
PairPlacement place_pair(const ScreenRect& screen, const ScreenRect& anchor, int width, int height,
                         int gap);

}  // namespace cadrex
