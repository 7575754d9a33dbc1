#include "edit_commands.h"

#include <gtest/gtest.h>

#include <vector>

using common::CPolyline;
using common::Point3;
using common::TabOutcome;
using plandor::CPlandorDoc;
using plandor::EditMode;
using plandor::EditState;

namespace {

std::unique_ptr<CPolyline> outline(const std::vector<Point3>& pts) {
    auto p = std::make_unique<CPolyline>();
    for (const Point3& pt : pts) {
        p->points[static_cast<size_t>(p->nbPoints++)] = pt;
    }
    return p;
}

struct Drawing {
    platform::MemorySettingsStore store;
    CPlandorDoc doc{store};
    Drawing() {
        doc.cutterRadius = 1.0f;
        doc.tabWidth = 4.0f;
        doc.tabStep = 2.0f;
        doc.add_polyline(outline({{0, 0, 0}, {20, 0, 0}, {20, 10, 0}, {0, 10, 0}, {0, 0, 0}}));
        doc.add_polyline(outline({{30, 0, 0}, {40, 0, 0}}));
    }
    CPolyline& at(int i) { return *doc.polylines[static_cast<size_t>(i)]; }
};

EditState selected(EditMode mode, int index) {
    return {mode, 1, index, 0};
}

}  // namespace

TEST(EditCommands, OffsetNeedsCutModeAndOneUnlinkedPolyline) {
    Drawing d;
    std::string error;
    EXPECT_FALSE(plandor::can_offset(d.doc, selected(EditMode::Tab, 0)));
    EXPECT_FALSE(plandor::can_offset(d.doc, {EditMode::Cut, 2, 0, 1}));
    EXPECT_FALSE(plandor::can_offset(d.doc, selected(EditMode::Cut, 2))) << "index past the count";
    EXPECT_FALSE(plandor::offset_selected(d.doc, selected(EditMode::Normal, 0),
                                          common::OffsetSide::left, error));
    EXPECT_EQ(d.at(0).nbOffsetPoints, 0);

    const EditState cut = selected(EditMode::Cut, 0);
    EXPECT_FALSE(plandor::can_remove_offset(d.doc, cut)) << "no contour yet";
    ASSERT_TRUE(plandor::offset_selected(d.doc, cut, common::OffsetSide::left, error)) << error;
    EXPECT_EQ(d.at(0).offsetPoints[0], (Point3{1, 1, 0}));
    EXPECT_TRUE(plandor::can_remove_offset(d.doc, cut));

    d.at(0).set_end_linked(1);
    EXPECT_FALSE(plandor::can_offset(d.doc, cut));
    EXPECT_FALSE(plandor::offset_selected(d.doc, cut, common::OffsetSide::right, error));
    EXPECT_FALSE(plandor::remove_offset_selected(d.doc, cut));
    EXPECT_EQ(d.at(0).detourage, common::OffsetSide::left) << "a linked contour is kept";
    d.at(0).set_end_linked(0);
    EXPECT_TRUE(plandor::remove_offset_selected(d.doc, cut));
    EXPECT_EQ(d.at(0).nbOffsetPoints, 0);
}

TEST(EditCommands, TabCommandsActOnTheSelectedSegment) {
    Drawing d;
    std::string error;
    ASSERT_TRUE(d.at(0).offset(common::OffsetSide::left, 1.0f, true, error)) << error;
    const EditState tab = selected(EditMode::Tab, 0);
    EXPECT_FALSE(plandor::can_add_tab(d.doc, selected(EditMode::Cut, 0)));
    ASSERT_TRUE(plandor::can_add_tab(d.doc, tab));
    d.at(0).selectedSegment = 1;  // (1,1) -> (19,1), 18 mm
    EXPECT_FALSE(plandor::can_change_tab(d.doc, tab)) << "no tab yet";

    ASSERT_EQ(plandor::add_tab(d.doc, tab), TabOutcome::Stored);
    EXPECT_EQ(d.at(0).tabs[1]->x1, 8.0f);
    EXPECT_FALSE(plandor::can_change_tab(d.doc, tab)) << "the polyline is not highlighted";
    d.at(0).set_selected(1);
    ASSERT_TRUE(plandor::can_change_tab(d.doc, tab));

    d.doc.tabWidth = 2.0f;  // a moved tab takes the document's width
    ASSERT_EQ(plandor::move_tab(d.doc, tab, true), TabOutcome::Stored);
    EXPECT_EQ(d.at(0).tabs[1]->x1, 11.0f);
    EXPECT_EQ(d.at(0).tabs[1]->x2, 13.0f);
    ASSERT_EQ(plandor::move_tab(d.doc, tab, false), TabOutcome::Stored);
    EXPECT_EQ(d.at(0).tabs[1]->x1, 9.0f);

    ASSERT_EQ(plandor::remove_tab(d.doc, tab), 1);
    EXPECT_FALSE(d.at(0).has_tab(1));
    EXPECT_EQ(plandor::remove_tab(d.doc, tab), 0);
    EXPECT_EQ(plandor::move_tab(d.doc, tab, true), TabOutcome::Invalid);

    // Without a contour the add command changes nothing.
    const EditState other = selected(EditMode::Tab, 1);
    d.at(1).selectedSegment = 1;
    EXPECT_EQ(plandor::add_tab(d.doc, other), TabOutcome::Invalid);
}

TEST(EditCommands, NewCutterRadiusRecomputesEveryContourAndTab) {
    Drawing d;
    CPolyline& square = d.at(0);
    std::string error;
    ASSERT_TRUE(square.offset(common::OffsetSide::left, 1.0f, true, error)) << error;
    ASSERT_EQ(square.place_tab(1, 4.0f, 0), TabOutcome::Stored);      // 18 mm segment
    ASSERT_EQ(square.place_tab(2, 4.0f, 0), TabOutcome::Stored);      // 8 mm
    ASSERT_EQ(square.place_tab(3, 3.0f, -7.0f), TabOutcome::Stored);  // 18 mm, near its end
    square.selectedSegment = 1;
    square.set_end_linked(1);  // linked contours follow the radius too

    EXPECT_EQ(d.doc.set_cutter_radius(1.0f), 0);
    EXPECT_EQ(square.offsetPoints[0], (Point3{1, 1, 0}));
    EXPECT_EQ(square.selectedSegment, 1) << "an unchanged radius changes nothing";

    // Radius 3: the segments are 14 and 4 mm long.
    EXPECT_EQ(d.doc.set_cutter_radius(3.0f), 2);
    EXPECT_EQ(d.doc.cutterRadius, 3.0f);
    EXPECT_EQ(square.offsetPoints[0], (Point3{3, 3, 0}));
    EXPECT_EQ(square.offsetPoints[2], (Point3{17, 7, 0}));
    ASSERT_TRUE(square.has_tab(1));
    EXPECT_EQ(square.tabs[1]->x1, 8.0f);
    EXPECT_EQ(square.tabs[1]->x2, 12.0f);
    EXPECT_FALSE(square.has_tab(2)) << "4 mm wide on a 4 mm segment";
    EXPECT_FALSE(square.has_tab(3)) << "shifted past its shorter segment's start";
    EXPECT_EQ(square.selectedSegment, 3) << "left on the last segment that had a tab";
    EXPECT_EQ(d.at(1).nbOffsetPoints, 0) << "an outline without contour stays so";
}

TEST(Document, SavePromptAndNew) {
    Drawing d;
    EXPECT_EQ(d.doc.save_prompt(), plandor::SavePrompt::None);
    d.doc.contentLoaded = 1;
    EXPECT_EQ(d.doc.save_prompt(), plandor::SavePrompt::SaveAs);
    d.doc.hasPath = 1;
    d.doc.path = "plan.cmg";
    EXPECT_EQ(d.doc.save_prompt(), plandor::SavePrompt::SaveToPath);

    d.doc.new_document();
    EXPECT_EQ(d.doc.polylineCount, 0);
    EXPECT_EQ(d.doc.contentLoaded, 0);
    EXPECT_EQ(d.doc.hasPath, 0);
    EXPECT_EQ(d.doc.viewResetPending, 1);
    EXPECT_EQ(d.doc.save_prompt(), plandor::SavePrompt::None);
}
