#include "link_editor.h"

#include <gtest/gtest.h>

#include <algorithm>

#include <vector>

using common::CPolyline;
using common::Point3;
using plandor::CPlandorDoc;
using plandor::LinkClick;
using plandor::LinkEditor;

namespace {

constexpr float kZoom = 1.0f;

// A polyline whose contour is its outline (radius 0 is enough here).
std::unique_ptr<CPolyline> contour(const std::vector<Point3>& pts) {
    auto p = std::make_unique<CPolyline>();
    for (const Point3& pt : pts) {
        p->points[static_cast<size_t>(p->nbPoints)] = pt;
        p->offsetPoints[static_cast<size_t>(p->nbPoints++)] = pt;
    }
    p->nbOffsetPoints = p->nbPoints;
    p->detourage = common::OffsetSide::left;
    return p;
}

// Three open contours A (10,10)->(20,10), B (30,10)->(40,10), C (50,10)->(60,10)
// and a closed square D whose ends are at (100,100).
struct Plan {
    platform::MemorySettingsStore store;
    CPlandorDoc doc{store};
    LinkEditor editor;
    Plan() {
        for (float x : {10.0f, 30.0f, 50.0f}) {
            doc.add_polyline(contour({{x, 10, 0}, {x + 10, 10, 0}}));
        }
        doc.add_polyline(
            contour({{100, 100, 0}, {120, 100, 0}, {120, 120, 0}, {100, 120, 0}, {100, 100, 0}}));
    }
    LinkClick click(double x, double y) { return editor.click(doc, x, y, kZoom).result; }
    std::vector<int> offered() const {
        std::vector<int> indices;
        for (const auto& p : editor.offered_points(doc)) {
            indices.push_back(p.index);
        }
        return indices;
    }
};

}  // namespace

TEST(LinkEditor, LinkFromTheOriginToAContourStart) {
    Plan plan;
    EXPECT_EQ(plan.offered(), (std::vector<int>{-1, 0, 1, 2, 3}));
    EXPECT_EQ(plan.editor.point_under(plan.doc, 1.4, -1.4, kZoom), plandor::kOrigin);
    EXPECT_EQ(plan.editor.point_under(plan.doc, 1.7, 0, kZoom), plandor::kNoPoint);
    EXPECT_EQ(plan.editor.point_under(plan.doc, 20.9, 9.1, kZoom), 0) << "A's last point, 1 mm";
    EXPECT_EQ(plan.editor.point_under(plan.doc, 21.2, 10, kZoom), plandor::kNoPoint);

    ASSERT_EQ(plan.click(0.5, 0.5), LinkClick::StartChosen);
    EXPECT_EQ(plan.editor.startIndex, -1);
    // Choosing the end: the origin is never offered, contours offer their start.
    EXPECT_EQ(plan.offered(), (std::vector<int>{0, 1, 2, 3}));
    const auto offered = plan.editor.offered_points(plan.doc);
    EXPECT_EQ(offered[1].x, 30.0f);

    // The rubber band follows the mouse from the start click.
    const plandor::HoverAnswer first = plan.editor.hover(plan.doc, 5, 6, kZoom);
    EXPECT_TRUE(first.drawBand);
    EXPECT_FALSE(first.eraseBand);
    const plandor::HoverAnswer over = plan.editor.hover(plan.doc, 30.5, 10, kZoom);
    EXPECT_TRUE(over.eraseBand);
    EXPECT_EQ(over.erased.x2, 5.0f);
    EXPECT_EQ(over.hovered, 1);
    EXPECT_TRUE(over.linkCursor);

    const plandor::ClickAnswer made = plan.editor.click(plan.doc, 30.5, 10, kZoom);
    ASSERT_EQ(made.result, LinkClick::LinkMade);
    EXPECT_TRUE(made.eraseBand);
    ASSERT_EQ(plan.doc.linkCount, 1);
    const plandor::CLiaison& link = *plan.doc.links[0];
    EXPECT_EQ(link.startIndex, -1);
    EXPECT_EQ(link.endIndex, 1);
    EXPECT_EQ(link.startX, 0.0f);
    EXPECT_EQ(link.endX, 30.0f);
    EXPECT_EQ(link.endY, 10.0f);
    EXPECT_EQ(plan.doc.polylines[1]->end_linked(), 1);
    EXPECT_EQ(plan.editor.originLinked, 1);
    EXPECT_EQ(plan.editor.choosingStart, 1);
    EXPECT_EQ(plan.offered(), (std::vector<int>{0, 1, 2, 3})) << "origin taken";

    // B -> C: B's last point starts it, C's first ends it.
    ASSERT_EQ(plan.click(40, 10), LinkClick::StartChosen);
    ASSERT_EQ(plan.click(50, 10), LinkClick::LinkMade);
    EXPECT_EQ(plan.doc.polylines[1]->start_linked(), 1);
    EXPECT_EQ(plan.doc.links[1]->startX, 40.0f);
    EXPECT_EQ(plan.doc.cut_order(), (std::vector<int>{1, 2}));
    EXPECT_EQ(plan.offered(), (std::vector<int>{0, 2, 3})) << "B starts a link already";

    // Removing the link from the origin offers the origin again.
    ASSERT_EQ(plan.click(15, 5), LinkClick::LinkSelected);
    EXPECT_EQ(plan.editor.selectedLink, 0);
    EXPECT_EQ(plan.doc.links[0]->selected, 1);
    ASSERT_TRUE(plan.editor.can_remove_link(plan.doc));
    ASSERT_EQ(plan.editor.remove_selected_link(plan.doc), 1);
    EXPECT_EQ(plan.doc.linkCount, 1);
    EXPECT_EQ(plan.doc.links[0]->startIndex, 1);
    EXPECT_EQ(plan.editor.originLinked, 0);
    EXPECT_EQ(plan.doc.polylines[1]->end_linked(), 0);
    EXPECT_EQ(plan.doc.polylines[1]->start_linked(), 1);
    EXPECT_EQ(plan.editor.selectedLink, -1);
    EXPECT_FALSE(plan.editor.can_remove_link(plan.doc));
    EXPECT_EQ(plan.offered().front(), -1);
}

TEST(LinkEditor, ALinkStartsOnlyAtAContourEnd) {
    Plan plan;
    // A's first point while choosing the start: not offered, the click selects A.
    EXPECT_EQ(plan.click(10, 10), LinkClick::PolylineSelected);
    EXPECT_EQ(plan.doc.polylines[0]->selected(), 1);
    EXPECT_EQ(plan.editor.choosingStart, 1);
    // The closed square's first point is also its last: the link starts.
    EXPECT_EQ(plan.click(100, 100), LinkClick::StartChosen);
    EXPECT_EQ(plan.editor.startIndex, 3);
    EXPECT_EQ(plan.doc.polylines[0]->selected(), 0) << "a chosen start deselects";
    // Its own start is offered as an end, but a link needs two contours.
    EXPECT_EQ(plan.click(100, 100), LinkClick::LinkRefused);
    EXPECT_EQ(plan.doc.linkCount, 0);
    EXPECT_EQ(plan.doc.polylines[3]->is_linked(), false);
    // A click off every point while choosing the end drops the half-made link.
    ASSERT_EQ(plan.click(100, 100), LinkClick::StartChosen);
    EXPECT_EQ(plan.click(500, 500), LinkClick::EndDropped);
    EXPECT_EQ(plan.editor.choosingStart, 1);
    EXPECT_EQ(plan.click(500, 500), LinkClick::NothingSelected);
}

TEST(LinkEditor, SelectionTriesLinksThenContoursRoundRobin) {
    Plan plan;
    ASSERT_EQ(plan.click(0, 0), LinkClick::StartChosen);
    ASSERT_EQ(plan.click(30, 10), LinkClick::LinkMade);
    ASSERT_EQ(plan.click(20, 10), LinkClick::StartChosen);
    ASSERT_EQ(plan.click(50, 10), LinkClick::LinkMade);
    // Both link boxes hold (25, 10): successive clicks take turns.
    const plandor::ClickAnswer first = plan.editor.click(plan.doc, 25, 10, kZoom);
    const plandor::ClickAnswer second = plan.editor.click(plan.doc, 25, 10, kZoom);
    ASSERT_EQ(first.result, LinkClick::LinkSelected);
    ASSERT_EQ(second.result, LinkClick::LinkSelected);
    EXPECT_NE(first.index, second.index);
    EXPECT_EQ(plan.doc.links[first.index]->selected, 0) << "one link selected at a time";
    // No link there: the contour segment under the mouse.
    const plandor::ClickAnswer contour = plan.editor.click(plan.doc, 115, 100, kZoom);
    EXPECT_EQ(contour.result, LinkClick::PolylineSelected);
    EXPECT_EQ(contour.index, 3);
    EXPECT_EQ(plan.doc.polylines[3]->selectedSegment, 1);
    EXPECT_EQ(plan.editor.selectedLink, -1);
}

TEST(LinkEditor, TwoHundredLinksAtMost) {
    Plan plan;
    for (int i = 0; i < plandor::kMaxLinks; ++i) {
        plan.doc.add_link(std::make_unique<plandor::CLiaison>());
    }
    ASSERT_EQ(plan.click(0, 0), LinkClick::StartChosen);
    EXPECT_EQ(plan.click(10, 10), LinkClick::LinkRefused);
    EXPECT_EQ(plan.doc.linkCount, 200);
    EXPECT_EQ(plan.doc.polylines[0]->end_linked(), 0);
    EXPECT_EQ(plan.editor.originLinked, 0);
    EXPECT_EQ(plan.editor.choosingStart, 1) << "back to choosing the start";
}

TEST(LinkEditor, LinksEndingTwiceAndCyclesAreHandledSafely) {
    Plan plan;
    // origin -> A, then C -> A (A still offers its last point), then A -> C.
    ASSERT_EQ(plan.click(0, 0), LinkClick::StartChosen);
    ASSERT_EQ(plan.click(10, 10), LinkClick::LinkMade);
    ASSERT_EQ(plan.click(60, 10), LinkClick::StartChosen);
    ASSERT_EQ(plan.click(20, 10), LinkClick::LinkMade);
    ASSERT_EQ(plan.click(20, 10), LinkClick::StartChosen);
    ASSERT_EQ(plan.click(50, 10), LinkClick::LinkMade);
    EXPECT_EQ(plan.doc.cut_order(), (std::vector<int>{0, 2})) << "the cycle is followed once";

    // Removing C -> A leaves A linked from the origin.
    plan.editor.selectedLink = 1;
    ASSERT_EQ(plan.editor.remove_selected_link(plan.doc), 1);
    EXPECT_EQ(plan.doc.polylines[0]->end_linked(), 1);
    EXPECT_EQ(plan.doc.polylines[2]->start_linked(), 0);
    EXPECT_EQ(plan.doc.polylines[2]->end_linked(), 1);
}

TEST(LinkEditor, ModeSwitchesAndAnEmptiedDocument) {
    Plan plan;
    ASSERT_EQ(plan.click(0, 0), LinkClick::StartChosen);
    ASSERT_EQ(plan.click(10, 10), LinkClick::LinkMade);
    ASSERT_EQ(plan.click(20, 10), LinkClick::StartChosen);
    // From the menu the half-made link stays; the toolbar button drops it.
    plan.editor.switch_on(plan.doc, false);
    EXPECT_EQ(plan.editor.choosingStart, 0);
    plan.editor.switch_on(plan.doc, true);
    EXPECT_EQ(plan.editor.choosingStart, 1);

    // A start chosen before the drawing changed is checked when the end is
    // picked: polyline 0 no longer exists.
    ASSERT_EQ(plan.click(20, 10), LinkClick::StartChosen);
    plan.doc.polylines[0]->set_end_linked(0);
    plan.doc.remove_polyline(0);
    plan.doc.remove_polyline(0);
    plan.doc.remove_polyline(0);
    plan.editor.switch_on(plan.doc, false);
    EXPECT_EQ(plan.click(100, 100), LinkClick::LinkRefused);

    // An opened plan that has its link from the origin does not offer the
    // origin for a second one.
    plan.editor.originLinked = 0;
    plan.editor.document_replaced(plan.doc);
    EXPECT_EQ(plan.editor.originLinked, 1);
    const std::vector<int> offered = plan.offered();
    EXPECT_EQ(std::count(offered.begin(), offered.end(), -1), 0);

    plan.doc.empty();
    plan.editor.document_replaced(plan.doc);
    EXPECT_EQ(plan.editor.originLinked, 0);
    EXPECT_EQ(plan.editor.choosingStart, 1);
    EXPECT_EQ(plan.offered(), (std::vector<int>{-1}));
}

// Linking two offered points by their indices makes the links two clicks on
// them make, and refuses what the clicks could not pick.
TEST(LinkEditor, LinkingOfferedPointsMakesWhatTheClicksMake) {
    Plan clicked;
    Plan named;
    ASSERT_EQ(clicked.click(0, 0), LinkClick::StartChosen);
    ASSERT_EQ(clicked.click(30, 10), LinkClick::LinkMade);
    ASSERT_EQ(clicked.click(40, 10), LinkClick::StartChosen);
    ASSERT_EQ(clicked.click(100, 100), LinkClick::LinkMade);
    EXPECT_EQ(named.editor.link_offered_points(named.doc, plandor::kOrigin, 1), 0);
    EXPECT_EQ(named.editor.link_offered_points(named.doc, 1, 3), 1);
    ASSERT_EQ(named.doc.linkCount, clicked.doc.linkCount);
    for (int j = 0; j < named.doc.linkCount; ++j) {
        const plandor::CLiaison& a = *named.doc.links[static_cast<size_t>(j)];
        const plandor::CLiaison& b = *clicked.doc.links[static_cast<size_t>(j)];
        EXPECT_EQ(std::vector<float>(
                      {float(a.startIndex), float(a.endIndex), a.startX, a.startY, a.endX, a.endY}),
                  std::vector<float>({float(b.startIndex), float(b.endIndex), b.startX, b.startY,
                                      b.endX, b.endY}));
    }
    EXPECT_EQ(named.editor.originLinked, 1);

    named.doc.polylines[2]->nbOffsetPoints = 0;  // no contour: nothing to click on
    const std::vector<std::pair<int, int>> refused = {
        {plandor::kOrigin, 0},  // the origin already starts a link
        {1, 0},                 // B already starts one
        {0, 2},                 // C has no contour
        {0, 0},                 // one point
    };
    for (auto [start, end] : refused) {
        EXPECT_EQ(named.editor.link_offered_points(named.doc, start, end), -1) << start << end;
    }
    EXPECT_EQ(named.doc.linkCount, 2);
    EXPECT_EQ(named.doc.polylines[0]->start_linked(), 0);
}
