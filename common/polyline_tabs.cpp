// Holding tabs: a stretch of `w` mm of an offset segment left uncut, centred
// on the middle of the segment plus the tab's shift, never leaving it.

#include <cmath>

#include "polyline.h"

namespace common {

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

    float x1 = a.x;
    float y1 = a.y;
    float x2 = b.x;
    float y2 = b.y;
    if (std::fabs(b.x - a.x) >= 0.01) {  // the offset's own rule for a vertical segment
        const float m = (b.y - a.y) / (b.x - a.x);
        const float intercept = a.y - m * a.x;
        const float length = std::sqrt((b.y - a.y) * (b.y - a.y) + (b.x - a.x) * (b.x - a.x));
        const float k = std::sqrt(m * m + 1);
        const float sign = b.x - a.x <= 0 ? -1.0f : 1.0f;
        const float s1 = length / 2 + shift - w / 2;
        if (s1 >= 0) {
            x1 = a.x + sign * (s1 / k);
            y1 = m * x1 + intercept;
        }
        const float s2 = (length + w) / 2 + shift;
        if (s2 <= length) {
            x2 = a.x + sign * (s2 / k);
            y2 = m * x2 + intercept;
        }
    } else {
        const float length = std::fabs(b.y - a.y);
        const float sign = b.y - a.y <= 0 ? -1.0f : 1.0f;
        const float s1 = length / 2 + shift - w / 2;
        if (s1 >= 0) {
            y1 = a.y + sign * s1;
        }
        const float s2 = (length + w) / 2 + shift;
        if (s2 <= length) {
            y2 = a.y + sign * s2;
            x2 = a.x;
        }
    }

    const bool start_at_a = x1 == a.x && y1 == a.y;
    const bool end_at_b = x2 == b.x && y2 == b.y;
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
    tab.x1 = x1;
    tab.y1 = y1;
    tab.x2 = x2;
    tab.y2 = y2;
    tab.largeur = w;
    return TabOutcome::Stored;
}

int CPolyline::remove_tab(int segment) {
    if (!has_tab(segment)) {
        return 0;
    }
    tabs[static_cast<size_t>(segment)].reset();
    return 1;
}

bool CPolyline::has_tab(int segment) const {
    return segment >= 1 && segment < kPointSlots && tabs[static_cast<size_t>(segment)] != nullptr;
}

}  // namespace common
