// Holding tabs: a stretch of `w` mm of an offset segment left uncut, centred
// on the middle of the segment plus the tab's shift, never leaving it.

#include <cmath>

#include "polyline.h"

namespace common {

namespace {

struct TabEnds {
    Point3 start;
    Point3 end;
};

// Where a tab of width `w` shifted by `shift` from the middle of the segment
// from `a` to `b` starts and ends; an end that would leave the segment stays
// at the segment's end.
TabEnds tab_ends(const Point3& a, const Point3& b, float w, float shift) {
    // One placement is one step, worked in double precision; the ends are
    // stored in single precision, and compared with the segment's ends as
    // stored. On a steep segment a y taken from a single-precision x would be
    // off by the slope times the rounding of x.
    double x1 = a.x;
    double y1 = a.y;
    double x2 = b.x;
    double y2 = b.y;
    const double ax = a.x;
    const double ay = a.y;
    const double run = static_cast<double>(b.x) - ax;
    const double rise = static_cast<double>(b.y) - ay;
    if (std::fabs(run) >= 0.01) {  // the offset's own rule for a vertical segment
        const double m = rise / run;
        const double intercept = ay - m * ax;
        const double length = std::sqrt(rise * rise + run * run);
        const double k = std::sqrt(m * m + 1);
        const double sign = run <= 0 ? -1.0 : 1.0;
        const double s1 = length / 2 + shift - w / 2.0;
        if (s1 >= 0) {
            x1 = ax + sign * (s1 / k);
            y1 = m * x1 + intercept;
        }
        const double s2 = (length + w) / 2 + shift;
        if (s2 <= length) {
            x2 = ax + sign * (s2 / k);
            y2 = m * x2 + intercept;
        }
    } else {
        const double length = std::fabs(rise);
        const double sign = rise <= 0 ? -1.0 : 1.0;
        const double s1 = length / 2 + shift - w / 2.0;
        if (s1 >= 0) {
            y1 = ay + sign * s1;
        }
        const double s2 = (length + w) / 2 + shift;
        if (s2 <= length) {
            y2 = ay + sign * s2;
            x2 = ax;
        }
    }
    return {Point3{static_cast<float>(x1), static_cast<float>(y1), 0},
            Point3{static_cast<float>(x2), static_cast<float>(y2), 0}};
}

}  // namespace

TabOutcome CPolyline::place_tab(int segment, float w, float move) {
    if (segment < 1 || segment >= nbOffsetPoints || nbOffsetPoints > kPointSlots) {
        return TabOutcome::Invalid;
    }
    const Point3 a = offsetPoints[static_cast<size_t>(segment - 1)];
    const Point3 b = offsetPoints[static_cast<size_t>(segment)];
    std::unique_ptr<CAttache>& slot = tabs[static_cast<size_t>(segment)];
    const bool created = !slot;
    if (created) {
        slot = std::make_unique<CAttache>();
    }
    CAttache& tab = *slot;
    const float old_shift = tab.decalage;
    tab.decalage = old_shift + move;
    const float shift = tab.decalage;

    const auto [start, end] = tab_ends(a, b, w, shift);

    const bool start_at_a = start.x == a.x && start.y == a.y;
    const bool end_at_b = end.x == b.x && end.y == b.y;
    if (start_at_a && end_at_b) {
        slot.reset();
        return TabOutcome::Removed;
    }
    if (start_at_a != end_at_b) {
        if (created) {
            slot.reset();  // a new tab that fits nowhere is not kept with no ends
        } else {
            tab.decalage = old_shift;
        }
        return TabOutcome::Refused;
    }
    tab.x1 = start.x;
    tab.y1 = start.y;
    tab.x2 = end.x;
    tab.y2 = end.y;
    tab.largeur = w;
    return TabOutcome::Stored;
}

bool CPolyline::remove_tab(int segment) {
    if (!has_tab(segment)) {
        return false;
    }
    tabs[static_cast<size_t>(segment)].reset();
    return true;
}

bool CPolyline::has_tab(int segment) const {
    return segment >= 1 && segment < kPointSlots && tabs[static_cast<size_t>(segment)] != nullptr;
}

}  // namespace common
