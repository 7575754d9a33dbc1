#include "window_placement.h"

#include <algorithm>

namespace cadrex {

namespace {

int keep_span_inside(int start, int length, int screen_start, int screen_length) {
    return std::max(std::min(start, screen_start + screen_length - length), screen_start);
}

bool inside(const ScreenRect& screen, const ScreenRect& r) {
    return r.x >= screen.x && r.y >= screen.y && r.right() <= screen.right() &&
           r.bottom() <= screen.bottom();
}

bool overlap(const ScreenRect& a, const ScreenRect& b) {
    return a.x < b.right() && b.x < a.right() && a.y < b.bottom() && b.y < a.bottom();
}

}  // namespace

ScreenRect keep_inside(const ScreenRect& screen, const ScreenRect& r) {
    return {keep_span_inside(r.x, r.width, screen.x, screen.width),
            keep_span_inside(r.y, r.height, screen.y, screen.height), r.width, r.height};
}

ScreenRect place_beside(const ScreenRect& screen, const ScreenRect& anchor, int width, int height,
                        int gap) {
    const ScreenRect candidates[] = {
        {anchor.right() + gap, anchor.y, width, height},
        {anchor.x - gap - width, anchor.y, width, height},
        {anchor.x, anchor.bottom() + gap, width, height},
        {anchor.x, anchor.y - gap - height, width, height},
    };
    for (int i = 0; i < 4; ++i) {
        // Beside the anchor the window may slide along its side, not away from it.
        ScreenRect r = keep_inside(screen, candidates[i]);
        if (i < 2) {
            r.x = candidates[i].x;
        } else {
            r.y = candidates[i].y;
        }
        if (inside(screen, r) && !overlap(r, anchor)) {
            return r;
        }
    }
    return keep_inside(screen, candidates[0]);
}

PairPlacement place_pair(const ScreenRect& screen, const ScreenRect& anchor, int width, int height,
                         int gap) {
    const ScreenRect kept = keep_inside(screen, anchor);
    const ScreenRect beside = place_beside(screen, kept, width, height, gap);
    if (!overlap(beside, kept)) {
        return {kept, beside};
    }
    ScreenRect moved = kept;
    if (kept.width + gap + width <= screen.width) {
        moved.x = screen.right() - (kept.width + gap + width);
    } else if (kept.height + gap + height <= screen.height) {
        moved.y = screen.bottom() - (kept.height + gap + height);
    } else {
        return {kept, beside};
    }
    return {moved, place_beside(screen, moved, width, height, gap)};
}

}  // namespace cadrex
