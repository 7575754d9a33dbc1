#include "link_editor.h"

#include <cmath>

namespace plandor {

using common::CPolyline;
using common::screen_units;

namespace {

// A drawing position back to the mouse offset it came from, in whole logical
// units of the screen.
int mouse_units(double mm, float zoom) {
    const double units = std::round(mm * static_cast<double>(zoom) * 10.0);
    if (!(units > -2e9)) {
        return units != units ? 0 : -2000000000;
    }
    return units > 2e9 ? 2000000000 : static_cast<int>(units);
}

bool holds(float x, float y, float half, int mouse_x, int mouse_y, float zoom) {
    return screen_units(x - half, zoom) <= mouse_x && mouse_x <= screen_units(x + half, zoom) &&
           screen_units(y - half, zoom) <= mouse_y && mouse_y <= screen_units(y + half, zoom);
}

// A contour that a link may start from or lead to.
const CPolyline* contour_of(const CPlandorDoc& doc, int index) {
    if (index < 0 || index >= doc.polylineCount) {
        return nullptr;
    }
    const CPolyline* p = doc.polylines[static_cast<size_t>(index)].get();
    return p != nullptr && p->nbOffsetPoints > 0 ? p : nullptr;
}

CPolyline* polyline_at(CPlandorDoc& doc, int index) {
    if (index < 0 || index >= doc.polylineCount) {
        return nullptr;
    }
    return doc.polylines[static_cast<size_t>(index)].get();
}

int advanced(int cursor, int count) {
    return cursor + 1 >= count ? 0 : cursor + 1;
}

}  // namespace

void LinkEditor::switch_on(CPlandorDoc& doc, bool toolbar_button) {
    if (toolbar_button) {
        choosingStart = 1;
    }
    deselect(doc);
    linkCursor = 0;
    bandDrawn = 0;
}

void LinkEditor::document_replaced(const CPlandorDoc& doc) {
    originLinked = 0;
    for (int j = 0; j < doc.linkCount; ++j) {
        const CLiaison* link = doc.links[static_cast<size_t>(j)].get();
        if (link != nullptr && link->startIndex == kOrigin) {
            originLinked = 1;
        }
    }
    choosingStart = 1;
    selectedLink = -1;
    linkCursor = 0;
    polylineCursor = 0;
    bandDrawn = 0;
}

std::vector<OfferedPoint> LinkEditor::offered_points(const CPlandorDoc& doc) const {
    std::vector<OfferedPoint> offered;
    if (choosingStart != 0 && originLinked == 0) {
        offered.push_back({kOrigin, 0, 0});
    }
    for (int i = 0; i < doc.polylineCount; ++i) {
        const CPolyline* p = contour_of(doc, i);
        if (p == nullptr) {
            continue;
        }
        if (choosingStart != 0 || p->end_linked() != 0) {
            if (p->start_linked() == 0) {
                const common::Point3& last =
                    p->offsetPoints[static_cast<size_t>(p->nbOffsetPoints - 1)];
                offered.push_back({i, last.x, last.y});
            }
        } else {
            offered.push_back({i, p->offsetPoints[0].x, p->offsetPoints[0].y});
        }
    }
    return offered;
}

int LinkEditor::point_under(const CPlandorDoc& doc, double x_mm, double y_mm, float zoom) const {
    const int mx = mouse_units(x_mm, zoom);
    const int my = mouse_units(y_mm, zoom);
    for (const OfferedPoint& point : offered_points(doc)) {
        if (point.index == kOrigin) {
            const double half = 15.0 * static_cast<double>(zoom);
            if (std::abs(mx) <= half && std::abs(my) <= half) {
                return kOrigin;
            }
        } else if (holds(point.x, point.y, 1.0f, mx, my, zoom)) {
            return point.index;
        }
    }
    return kNoPoint;
}

HoverAnswer LinkEditor::hover(const CPlandorDoc& doc, double x_mm, double y_mm, float zoom) {
    HoverAnswer answer;
    answer.hovered = point_under(doc, x_mm, y_mm, zoom);
    answer.linkCursor = answer.hovered != kNoPoint;
    if (answer.hovered != kNoPoint) {
        hoveredIndex = answer.hovered;
    }
    if (choosingStart == 0) {
        if (bandDrawn != 0) {
            answer.eraseBand = true;
            answer.erased = band;
        }
        band.x2 = static_cast<float>(x_mm);
        band.y2 = static_cast<float>(y_mm);
        bandDrawn = 1;
        answer.drawBand = true;
        answer.drawn = band;
    }
    return answer;
}

ClickAnswer LinkEditor::click(CPlandorDoc& doc, double x_mm, double y_mm, float zoom) {
    const int hit = point_under(doc, x_mm, y_mm, zoom);
    if (hit != kNoPoint) {
        hoveredIndex = hit;
    }
    if (choosingStart != 0 && hit == kNoPoint) {
        return select_at(doc, mouse_units(x_mm, zoom), mouse_units(y_mm, zoom), zoom);
    }
    ClickAnswer answer;
    if (choosingStart != 0) {
        startIndex = hit;
        band = {static_cast<float>(x_mm), static_cast<float>(y_mm), static_cast<float>(x_mm),
                static_cast<float>(y_mm)};
        bandDrawn = 0;
        choosingStart = 0;
        answer.result = LinkClick::StartChosen;
        answer.index = hit;
    } else {
        if (bandDrawn != 0) {
            answer.eraseBand = true;
            answer.band = band;
        }
        bandDrawn = 0;
        choosingStart = 1;
        if (hit == kNoPoint) {
            answer.result = LinkClick::EndDropped;
        } else {
            endIndex = hit;
            answer.index = make_link(doc);
            answer.result = answer.index >= 0 ? LinkClick::LinkMade : LinkClick::LinkRefused;
        }
    }
    deselect(doc);
    return answer;
}

int LinkEditor::link_offered_points(CPlandorDoc& doc, int start, int end) {
    auto offered = [&](int index) {
        for (const OfferedPoint& point : offered_points(doc)) {
            if (point.index == index) {
                return true;
            }
        }
        return false;
    };
    choosingStart = 1;
    if (!offered(start)) {
        return -1;
    }
    choosingStart = 0;
    const bool end_offered = offered(end);
    choosingStart = 1;
    bandDrawn = 0;
    if (!end_offered) {
        return -1;
    }
    startIndex = start;
    endIndex = end;
    const int made = make_link(doc);
    deselect(doc);
    return made;
}

int LinkEditor::make_link(CPlandorDoc& doc) {
    // The start was chosen before: the drawing may have changed since.
    CPolyline* start = startIndex == kOrigin ? nullptr : polyline_at(doc, startIndex);
    CPolyline* end = polyline_at(doc, endIndex);
    if (doc.linkCount >= kMaxLinks || startIndex == endIndex || end == nullptr ||
        end->nbOffsetPoints <= 0 ||
        (startIndex != kOrigin &&
         (start == nullptr || start->nbOffsetPoints <= 0 || start->start_linked() != 0))) {
        return -1;
    }
    auto link = std::make_unique<CLiaison>();
    link->startIndex = startIndex;
    link->endIndex = endIndex;
    if (start == nullptr) {
        link->startX = 0;
        link->startY = 0;
        originLinked = 1;
    } else {
        const common::Point3& last =
            start->offsetPoints[static_cast<size_t>(start->nbOffsetPoints - 1)];
        link->startX = last.x;
        link->startY = last.y;
        start->set_start_linked(1);
    }
    link->endX = end->offsetPoints[0].x;
    link->endY = end->offsetPoints[0].y;
    end->set_end_linked(1);
    doc.add_link(std::move(link));
    return doc.linkCount - 1;
}

ClickAnswer LinkEditor::select_at(CPlandorDoc& doc, int mouse_x, int mouse_y, float zoom) {
    deselect(doc);
    linkCursor = advanced(linkCursor, doc.linkCount);
    polylineCursor = advanced(polylineCursor, doc.polylineCount);
    ClickAnswer answer;
    for (int tried = 0; tried < doc.linkCount; ++tried) {
        CLiaison* link = doc.links[static_cast<size_t>(linkCursor)].get();
        if (link != nullptr &&
            common::in_screen_span(screen_units(link->startX, zoom), screen_units(link->endX, zoom),
                                   mouse_x) &&
            common::in_screen_span(screen_units(link->startY, zoom), screen_units(link->endY, zoom),
                                   mouse_y)) {
            link->selected = 1;
            selectedLink = linkCursor;
            answer.result = LinkClick::LinkSelected;
            answer.index = linkCursor;
            return answer;
        }
        linkCursor = advanced(linkCursor, doc.linkCount);
    }
    for (int tried = 0; tried < doc.polylineCount; ++tried) {
        CPolyline* p = doc.polylines[static_cast<size_t>(polylineCursor)].get();
        if (p != nullptr && p->hit_test(true, mouse_x, mouse_y, zoom) != 0) {
            p->set_selected(1);
            answer.result = LinkClick::PolylineSelected;
            answer.index = polylineCursor;
            return answer;
        }
        polylineCursor = advanced(polylineCursor, doc.polylineCount);
    }
    return answer;
}

void LinkEditor::deselect(CPlandorDoc& doc) {
    doc.deselect_all();
    selectedLink = -1;
}

bool LinkEditor::can_remove_link(const CPlandorDoc& doc) const {
    return selectedLink >= 0 && selectedLink < doc.linkCount;
}

bool LinkEditor::remove_selected_link(CPlandorDoc& doc) {
    if (!can_remove_link(doc)) {
        selectedLink = -1;
        return false;
    }
    const int i = selectedLink;
    const int start = doc.links[static_cast<size_t>(i)]->startIndex;
    const int end = doc.links[static_cast<size_t>(i)]->endIndex;
    for (int j = i; j + 1 < doc.linkCount; ++j) {
        doc.links[static_cast<size_t>(j)] = std::move(doc.links[static_cast<size_t>(j + 1)]);
    }
    doc.links[static_cast<size_t>(--doc.linkCount)].reset();
    selectedLink = -1;

    // Several links may leave the origin or reach one polyline (a file, or an
    // end picked twice): a flag goes only with the last link that set it.
    bool origin_used = false;
    bool start_used = false;
    bool end_used = false;
    for (int j = 0; j < doc.linkCount; ++j) {
        const CLiaison* other = doc.links[static_cast<size_t>(j)].get();
        if (other == nullptr) {
            continue;
        }
        origin_used = origin_used || other->startIndex == kOrigin;
        start_used = start_used || other->startIndex == start;
        end_used = end_used || other->endIndex == end;
    }
    if (start == kOrigin || end == kOrigin) {
        if (!origin_used) {
            originLinked = 0;
        }
    }
    if (CPolyline* p = polyline_at(doc, start); p != nullptr && !start_used) {
        p->set_start_linked(0);
    }
    if (CPolyline* p = polyline_at(doc, end); p != nullptr && !end_used) {
        p->set_end_linked(0);
    }
    return true;
}

}  // namespace plandor
