#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "polyline.h"

using common::CAttache;
using common::CPolyline;
using common::Point3;
using common::TabOutcome;

namespace {

void outline(CPolyline& p, const std::vector<Point3>& pts) {
    for (const Point3& pt : pts) {
        p.points[static_cast<size_t>(p.nbPoints++)] = pt;
    }
}

std::vector<Point3> contour(const CPolyline& p) {
    return {p.offsetPoints.begin(), p.offsetPoints.begin() + p.nbOffsetPoints};
}

// A contour of one straight segment, as the tabs see it.
void segment(CPolyline& p, Point3 a, Point3 b) {
    outline(p, {a, b});
    p.offsetPoints[0] = a;
    p.offsetPoints[1] = b;
    p.nbOffsetPoints = 2;
    p.detourage = 1;
}

// Distance from c to the line through a and b.
double distance(Point3 a, Point3 b, Point3 c) {
    const double cross = (b.x - a.x) * (c.y - a.y) - (b.y - a.y) * (c.x - a.x);
    return std::fabs(cross) / std::hypot(b.x - a.x, b.y - a.y);
}

const std::vector<Point3> kSquare = {{0, 0, 0}, {10, 0, 0}, {10, 10, 0}, {0, 10, 0}, {0, 0, 0}};

}  // namespace

TEST(Offset, ClosedSquareGetsInnerOrOuterContourJoinedAtATrueCorner) {
    CPolyline square;
    outline(square, kSquare);
    ASSERT_EQ(square.offset(1, 1.0f, true), 1);
    EXPECT_EQ(square.detourage, 1);
    EXPECT_EQ(contour(square),
              (std::vector<Point3>{{1, 1, 0}, {9, 1, 0}, {9, 9, 0}, {1, 9, 0}, {1, 1, 0}}))
        << "left of an anticlockwise outline is inside";

    ASSERT_EQ(square.offset(2, 1.0f, true), 1);
    EXPECT_EQ(square.detourage, 2);
    EXPECT_EQ(
        contour(square),
        (std::vector<Point3>{{-1, -1, 0}, {11, -1, 0}, {11, 11, 0}, {-1, 11, 0}, {-1, -1, 0}}));
}

TEST(Offset, OutlineIsClosedOnlyWithFourPointsAndEndsWithinHalfAMillimetre) {
    // Ends 0.6 mm apart: open, each contour end is its own point's offset.
    std::vector<Point3> open = kSquare;
    open[4] = {0.6f, 0, 0};
    CPolyline p;
    outline(p, open);
    ASSERT_EQ(p.offset(1, 1.0f, true), 1);
    EXPECT_EQ(p.offsetPoints[0], (Point3{0, 1, 0}));
    const Point3 end = p.offsetPoints[4];
    EXPECT_NEAR(std::hypot(end.x - 0.6f, end.y), 1.0, 1e-6) << "the radius away from its point";
    EXPECT_NEAR(distance(open[3], open[4], end), 1.0, 1e-6) << "square to its segment";

    // Ends 0.4 mm apart: closed, both ends move to the meeting corner.
    std::vector<Point3> near = kSquare;
    near[4] = {0.4f, 0, 0};
    CPolyline q;
    outline(q, near);
    ASSERT_EQ(q.offset(1, 1.0f, true), 1);
    const Point3 corner = q.offsetPoints[0];
    EXPECT_EQ(q.offsetPoints[4], corner);
    EXPECT_NEAR(distance(near[0], near[1], corner), 1.0, 1e-5);
    EXPECT_NEAR(distance(near[3], near[4], corner), 1.0, 1e-5);
    EXPECT_GT(corner.x, 1.0f) << "inside the closed outline";

    // Three points back at the start are not a closed outline.
    CPolyline v;
    outline(v, {{0, 0, 0}, {10, 5, 0}, {0, 0, 0}});
    ASSERT_EQ(v.offset(1, 1.0f, true), 1);
    EXPECT_NE(v.offsetPoints[0], v.offsetPoints[2]);
}

TEST(Offset, OpenLinesFollowTheirDirectionOfTravel) {
    CPolyline right_way;
    outline(right_way, {{0, 0, 0}, {10, 0, 0}});
    ASSERT_EQ(right_way.offset(1, 2.0f, true), 1);
    EXPECT_EQ(contour(right_way), (std::vector<Point3>{{0, 2, 0}, {10, 2, 0}}));

    CPolyline back;
    outline(back, {{10, 0, 0}, {0, 0, 0}});
    ASSERT_EQ(back.offset(1, 2.0f, true), 1);
    EXPECT_EQ(contour(back), (std::vector<Point3>{{10, -2, 0}, {0, -2, 0}}));

    // Left of a downward vertical segment is +x; under 0.01 mm of x extent
    // a segment counts as vertical.
    CPolyline down;
    outline(down, {{5, 10, 0}, {5.005f, 0, 0}});
    ASSERT_EQ(down.offset(1, 1.0f, true), 1);
    EXPECT_EQ(down.offsetPoints[0], (Point3{6, 10, 0}));
    EXPECT_EQ(down.offsetPoints[1], (Point3{6.005f, 0, 0}));
}

TEST(Offset, CollinearAndNearlyParallelSegmentsTakeThePerpendicularOffset) {
    CPolyline p;
    outline(p, {{0, 0, 0}, {5, 5, 0}, {10, 10, 0}});
    ASSERT_EQ(p.offset(1, 1.0f, true), 1);
    const float d = static_cast<float>(1.0 / std::sqrt(2.0));
    EXPECT_EQ(p.offsetPoints[1], (Point3{5 - d, 5 + d, 0}));

    // Slopes 0 and 0.005: closer than 0.01, so no far-away intersection.
    CPolyline q;
    outline(q, {{0, 0, 0}, {10, 0, 0}, {20, 0.05f, 0}});
    ASSERT_EQ(q.offset(1, 1.0f, true), 1);
    EXPECT_NEAR(q.offsetPoints[1].x, 10.0f, 0.01f);
    EXPECT_NEAR(q.offsetPoints[1].y, 1.0f, 0.01f);
}

TEST(Offset, MitredCornersOfASlopedOutlineAndRadiusZero) {
    // A triangle: each contour corner lies at the radius from both of its
    // segments' lines.
    const std::vector<Point3> tri = {{0, 0, 0}, {10, 3, 0}, {4, 8, 0}, {0, 0, 0}};
    CPolyline p;
    outline(p, tri);
    ASSERT_EQ(p.offset(2, 1.5f, true), 1);
    for (int k = 1; k <= 2; ++k) {
        const Point3 o = p.offsetPoints[static_cast<size_t>(k)];
        EXPECT_NEAR(distance(tri[k - 1], tri[k], o), 1.5, 1e-4) << k;
        EXPECT_NEAR(distance(tri[k], tri[k + 1], o), 1.5, 1e-4) << k;
    }
    EXPECT_EQ(p.offsetPoints[0], p.offsetPoints[3]);

    ASSERT_EQ(p.offset(1, 0.0f, true), 1);
    for (int k = 0; k < 4; ++k) {
        EXPECT_NEAR(p.offsetPoints[static_cast<size_t>(k)].x, tri[k].x, 1e-5) << k;
        EXPECT_NEAR(p.offsetPoints[static_cast<size_t>(k)].y, tri[k].y, 1e-5) << k;
    }
}

TEST(Offset, RefusalsAndTheTabTable) {
    CPolyline single;
    outline(single, {{1, 1, 0}});
    EXPECT_EQ(single.offset(1, 1.0f, true), 0);
    EXPECT_EQ(single.nbOffsetPoints, 0);
    CPolyline p;
    outline(p, kSquare);
    EXPECT_EQ(p.offset(3, 1.0f, true), 0);
    EXPECT_EQ(p.offset(0, 1.0f, true), 0);
    EXPECT_EQ(p.detourage, 0);

    ASSERT_EQ(p.offset(1, 1.0f, true), 1);
    ASSERT_EQ(p.place_tab(2, 2.0f, 0), TabOutcome::Stored);
    ASSERT_EQ(p.offset(1, 2.0f, false), 1);
    EXPECT_TRUE(p.has_tab(2)) << "a recomputation keeps the tabs";
    ASSERT_EQ(p.offset(2, 2.0f, true), 1);
    EXPECT_FALSE(p.has_tab(2)) << "an offset command discards them";
}

TEST(Tabs, PlacedAtTheMiddleAndMovedOnlyWithinTheirSegment) {
    CPolyline p;
    segment(p, {0, 0, 0}, {10, 0, 0});
    ASSERT_EQ(p.place_tab(1, 4.0f, 0), TabOutcome::Stored);
    const CAttache* tab = p.tabs[1].get();
    ASSERT_NE(tab, nullptr);
    EXPECT_EQ(tab->x1, 3.0f);
    EXPECT_EQ(tab->x2, 7.0f);
    EXPECT_EQ(tab->y1, 0.0f);
    EXPECT_EQ(tab->decalage, 0.0f);
    EXPECT_EQ(tab->largeur, 4.0f);

    // A step of 5 would push the end past the segment's end: refused.
    EXPECT_EQ(p.place_tab(1, 4.0f, 5.0f), TabOutcome::Refused);
    EXPECT_EQ(tab->x1, 3.0f);
    EXPECT_EQ(tab->x2, 7.0f);
    EXPECT_EQ(tab->decalage, 0.0f);

    EXPECT_EQ(p.place_tab(1, 4.0f, 2.0f), TabOutcome::Stored);
    EXPECT_EQ(tab->x1, 5.0f);
    EXPECT_EQ(tab->x2, 9.0f);
    EXPECT_EQ(tab->decalage, 2.0f);

    // A move takes the width it is given; back past the start is refused.
    EXPECT_EQ(p.place_tab(1, 2.0f, -2.0f), TabOutcome::Stored);
    EXPECT_EQ(tab->x1, 4.0f);
    EXPECT_EQ(tab->x2, 6.0f);
    EXPECT_EQ(tab->largeur, 2.0f);
    EXPECT_EQ(p.place_tab(1, 2.0f, -5.0f), TabOutcome::Refused);
    EXPECT_EQ(tab->decalage, 0.0f);

    // Wider than its segment: removed at once.
    EXPECT_EQ(p.place_tab(1, 12.0f, 0), TabOutcome::Removed);
    EXPECT_FALSE(p.has_tab(1));
    EXPECT_EQ(p.place_tab(1, 12.0f, 0), TabOutcome::Removed);
    EXPECT_FALSE(p.has_tab(1));
}

TEST(Tabs, ForwardIsTheDirectionOfTravelOnEverySegment) {
    CPolyline back;
    segment(back, {10, 0, 0}, {0, 0, 0});
    ASSERT_EQ(back.place_tab(1, 4.0f, 0), TabOutcome::Stored);
    EXPECT_EQ(back.tabs[1]->x1, 7.0f);
    EXPECT_EQ(back.tabs[1]->x2, 3.0f);
    ASSERT_EQ(back.place_tab(1, 4.0f, 2.0f), TabOutcome::Stored);
    EXPECT_EQ(back.tabs[1]->x1, 5.0f);
    EXPECT_EQ(back.tabs[1]->x2, 1.0f);

    CPolyline down;
    segment(down, {2, 10, 0}, {2, 0, 0});
    ASSERT_EQ(down.place_tab(1, 4.0f, 1.0f), TabOutcome::Stored);
    EXPECT_EQ(down.tabs[1]->y1, 6.0f);
    EXPECT_EQ(down.tabs[1]->y2, 2.0f);
    EXPECT_EQ(down.tabs[1]->x1, 2.0f);
    EXPECT_EQ(down.tabs[1]->x2, 2.0f);

    // A segment under 0.01 mm wide in x is vertical for the tabs as for the
    // offset: its tab stands on the abscissa of its start.
    CPolyline steep;
    segment(steep, {0, 0, 0}, {0.01f, 10, 0});
    ASSERT_EQ(steep.place_tab(1, 4.0f, 0), TabOutcome::Stored);
    EXPECT_EQ(steep.tabs[1]->x1, 0.0f);
    EXPECT_EQ(steep.tabs[1]->y1, 3.0f);
    EXPECT_EQ(steep.tabs[1]->x2, 0.0f);
    EXPECT_EQ(steep.tabs[1]->y2, 7.0f);

    // 6-8-10 triangle: the tab's ends lie on the segment, 3 and 7 mm along.
    CPolyline sloped;
    segment(sloped, {0, 0, 0}, {6, 8, 0});
    ASSERT_EQ(sloped.place_tab(1, 4.0f, 0), TabOutcome::Stored);
    EXPECT_NEAR(sloped.tabs[1]->x1, 1.8f, 1e-5);
    EXPECT_NEAR(sloped.tabs[1]->y1, 2.4f, 1e-5);
    EXPECT_NEAR(sloped.tabs[1]->x2, 4.2f, 1e-5);
    EXPECT_NEAR(sloped.tabs[1]->y2, 5.6f, 1e-5);
}

TEST(Tabs, KeepTheirWidthOnASteepSegment) {
    CPolyline p;
    segment(p, {-64, -36, 0}, {-64.01f, -9, 0});
    ASSERT_EQ(p.place_tab(1, 4.0f, 0), TabOutcome::Stored);
    const CAttache& tab = *p.tabs[1];
    EXPECT_NEAR(tab.y1, -24.5, 1e-4);
    EXPECT_NEAR(tab.y2, -20.5, 1e-4);
    EXPECT_NEAR(std::hypot(tab.x2 - tab.x1, tab.y2 - tab.y1), 4.0, 1e-4);
}

TEST(Tabs, OnlySegmentsOfTheContourTakeATab) {
    CPolyline p;
    segment(p, {0, 0, 0}, {10, 0, 0});
    EXPECT_EQ(p.place_tab(0, 4.0f, 0), TabOutcome::Invalid);
    EXPECT_EQ(p.place_tab(2, 4.0f, 0), TabOutcome::Invalid);
    EXPECT_EQ(p.remove_tab(1), 0);
    p.remove_offset();
    EXPECT_EQ(p.place_tab(1, 4.0f, 0), TabOutcome::Invalid);
    EXPECT_FALSE(p.has_tab(1));
}

TEST(HitTest, SegmentBoxesAreAtLeastTwentyUnitsWide) {
    CPolyline p;
    outline(p, {{0, 0, 0}, {5, 5, 0}, {5, 5, 0}, {30, 5, 0}});
    // At zoom 1 a millimetre is 10 units: the zero-length segment 2 at (50, 50)
    // is hit within 10 units, and wins over segment 3 since it comes first.
    p.selectedSegment = 0;
    EXPECT_EQ(p.hit_test(false, 60, 40, 1.0f), 2);
    EXPECT_EQ(p.selectedSegment, 2);
    EXPECT_EQ(p.hit_test(false, 50, 61, 1.0f), 0);
    EXPECT_EQ(p.hit_test(false, 200, 55, 1.0f), 3);
    EXPECT_EQ(p.hit_test(false, 25, 25, 1.0f), 1);
    EXPECT_EQ(p.hit_test(true, 25, 25, 1.0f), 0) << "no contour to hit";
    EXPECT_EQ(p.hit_test(false, 40, 40, 1.0f), 1);
    EXPECT_EQ(p.hit_test(false, 40, 40, 0.5f), 0) << "at half zoom the boxes are half as big";

    // Coordinates read from a file may be huge: no integer overflow.
    CPolyline far;
    outline(far, {{-3e38f, -3e38f, 0}, {3e38f, 3e38f, 0}});
    EXPECT_EQ(far.hit_test(false, 0, 0, 4.0f), 1);
}
