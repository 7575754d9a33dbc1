#pragma once
// The link mode of the editor: the view's link-making state, answering the
// window's clicks and mouse moves (positions in drawing millimetres, with the
// zoom) with what it must do. Links are rapid moves from the end of one
// contour to the start of the next; their chain from the origin is the cut
// order.

#include <vector>

#include "plandor_doc.h"

namespace plandor {

inline constexpr int kNoPoint = -2;  // no offered point under the mouse
inline constexpr int kOrigin = -1;

// A point that may be clicked to start or end a link: the origin (index -1)
// or an end of the offset contour of polyline `index`.
struct OfferedPoint {
    int index = kOrigin;
    float x = 0;
    float y = 0;
};

// A straight line in drawing millimetres (the rubber band).
struct BandLine {
    float x1 = 0;
    float y1 = 0;
    float x2 = 0;
    float y2 = 0;
};

enum class LinkClick {
    StartChosen,       // a link starts here; the end is chosen next
    LinkMade,          // the link is made (`index` is its place in the array)
    LinkRefused,       // the end was picked but no link was made (200 links, or one point)
    EndDropped,        // a click off every offered point drops the half-made link
    LinkSelected,      // `index` is the selected link
    PolylineSelected,  // `index` is the selected polyline
    NothingSelected,
};

struct ClickAnswer {
    LinkClick result = LinkClick::NothingSelected;
    int index = -1;
    bool eraseBand = false;  // erase `band` (drawn with the inverting pen)
    BandLine band;
};

struct HoverAnswer {
    int hovered = kNoPoint;   // the offered point under the mouse
    bool linkCursor = false;  // show the target cursor
    bool eraseBand = false;   // erase `erased` first
    BandLine erased;
    bool drawBand = false;  // then draw `drawn`
    BandLine drawn;
};

class LinkEditor {
  public:
    // Link mode switched on: with the toolbar button the half-made link is
    // dropped; from the menu it is kept. No link or polyline stays selected.
    void switch_on(CPlandorDoc& doc, bool toolbar_button);

    // The document was replaced (New, Open): a half-made link is dropped and
    // the origin is offered again unless a link of the new document leaves it
    // (an opened plan keeps its single link from the origin).
    void document_replaced(const CPlandorDoc& doc);

    // The points that may be clicked now, in the order they are tried.
    std::vector<OfferedPoint> offered_points(const CPlandorDoc& doc) const;

    // The first offered point whose square (1.5 mm around the origin, 1 mm
    // around a contour end, on the screen) holds the mouse, or kNoPoint.
    int point_under(const CPlandorDoc& doc, double x_mm, double y_mm, float zoom) const;

    // A mouse move: the hovered point, and while the end is chosen the rubber
    // band from the start to the mouse.
    HoverAnswer hover(const CPlandorDoc& doc, double x_mm, double y_mm, float zoom);

    // A click in link mode.
    ClickAnswer click(CPlandorDoc& doc, double x_mm, double y_mm, float zoom);

    // The band must be drawn afresh (after a zoom or a scroll).
    void restart_band() { bandDrawn = 0; }

    // What a click on the point offered by `start` (kOrigin or a polyline)
    // and then one on the point offered by `end` do, without the positions:
    // two contour ends may lie within one click square. The link is made only
    // when both points are offered then; returns its place in the array, or
    // -1 with nothing changed.
    int link_offered_points(CPlandorDoc& doc, int start, int end);

    bool can_remove_link(const CPlandorDoc& doc) const;

    // Removes the selected link and clears the link flags it set, unless
    // another link still starts or ends there. False when no link is selected.
    [[nodiscard]] bool remove_selected_link(CPlandorDoc& doc);

    int choosingStart = 1;
    int startIndex = kOrigin;
    int endIndex = kOrigin;
    int hoveredIndex = kOrigin;
    int originLinked = 0;
    int selectedLink = -1;
    int linkCursor = 0;
    int polylineCursor = 0;
    BandLine band;      // start at the start click, end at the last mouse position
    int bandDrawn = 0;  // 0: nothing on the screen yet

  private:
    int make_link(CPlandorDoc& doc);
    ClickAnswer select_at(CPlandorDoc& doc, int mouse_x, int mouse_y, float zoom);
    void deselect(CPlandorDoc& doc);
};

}  // namespace plandor
