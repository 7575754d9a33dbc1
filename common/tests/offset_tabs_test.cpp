#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <numbers>
#include <random>
#include <sstream>
#include <vector>

#include "polyline.h"

using common::CAttache;
using common::CPolyline;
using common::OffsetSide;
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
    p.detourage = OffsetSide::left;
}

// Distance from c to the line through a and b.
double distance(Point3 a, Point3 b, Point3 c) {
    const double cross = (b.x - a.x) * (c.y - a.y) - (b.y - a.y) * (c.x - a.x);
    return std::fabs(cross) / std::hypot(b.x - a.x, b.y - a.y);
}

const std::vector<Point3> kSquare = {{0, 0, 0}, {10, 0, 0}, {10, 10, 0}, {0, 10, 0}, {0, 0, 0}};

// Whether an outline suits the random offset test: within a metre of the
// origin, every segment at least 40 mm long, exactly vertical or at least
// 0.02 mm wide in x, and turning by at most 120 degrees from the one before
// (round the start too when closed). A segment under 0.01 mm wide is taken as
// vertical, which moves its line by up to that width; and the closing corner
// is found from lines through contour points, which a sharp turn beside a
// short segment may bring under 0.01 mm of x extent.
bool well_shaped(const std::vector<Point3>& pts, bool closed) {
    const size_t n = pts.size();
    for (size_t k = 0; k < n; ++k) {
        if (std::fabs(pts[k].x) > 1000 || std::fabs(pts[k].y) > 1000) {
            return false;
        }
    }
    for (size_t k = 1; k < n; ++k) {
        const float wide = std::fabs(pts[k].x - pts[k - 1].x);
        if ((wide > 0 && wide < 0.02f) ||
            std::hypot(pts[k].x - pts[k - 1].x, pts[k].y - pts[k - 1].y) < 40.0) {
            return false;
        }
    }
    auto gentle = [](Point3 z, Point3 a, Point3 q) {
        const double dot = (a.x - z.x) * (q.x - a.x) + (a.y - z.y) * (q.y - a.y);
        return dot >= -0.5 * std::hypot(a.x - z.x, a.y - z.y) * std::hypot(q.x - a.x, q.y - a.y);
    };
    for (size_t k = 1; k + 1 < n; ++k) {
        if (!gentle(pts[k - 1], pts[k], pts[k + 1])) {
            return false;
        }
    }
    return !closed || gentle(pts[n - 2], pts[0], pts[1]);
}

// A random outline: a closed ring of 4 to 10 corners round a centre, or an
// open walk of 2 to 11 points; some segments are then made vertical or steep;
// it runs either way.
std::vector<Point3> random_outline(std::mt19937& random, bool closed) {
    auto uniform = [&random](double lo, double hi) {
        return std::uniform_real_distribution<double>(lo, hi)(random);
    };
    constexpr double kTurn = 2 * std::numbers::pi;
    for (;;) {
        const double cx = uniform(-500, 500);
        const double cy = uniform(-500, 500);
        const double size = uniform(50, 250);
        std::vector<Point3> pts;
        if (closed) {
            const int corners = static_cast<int>(uniform(4, 11));
            const double start = uniform(0, kTurn);
            for (int i = 0; i < corners; ++i) {
                const double phi = start + kTurn * (i + uniform(-0.3, 0.3)) / corners;
                const double rho = size * uniform(0.6, 1.0);
                pts.push_back({static_cast<float>(cx + rho * std::cos(phi)),
                               static_cast<float>(cy + rho * std::sin(phi)), 0});
            }
            pts.push_back(pts.front());
        } else {
            const int n = static_cast<int>(uniform(2, 12));
            double heading = uniform(0, kTurn);
            double x = cx;
            double y = cy;
            for (int i = 0; i < n; ++i) {
                pts.push_back({static_cast<float>(x), static_cast<float>(y), 0});
                heading += uniform(-kTurn / 3, kTurn / 3);
                const double length = uniform(40, size);
                x += length * std::cos(heading);
                y += length * std::sin(heading);
            }
        }
        const size_t last_moved = closed ? pts.size() - 1 : pts.size();
        for (size_t k = 1; k < last_moved; ++k) {
            if (uniform(0, 1) < 0.3) {  // a vertical or steep segment ends here
                const double dx = uniform(0, 1) < 0.4 ? 0.0 : uniform(0.02, 0.05);
                pts[k].x = static_cast<float>(pts[k - 1].x + (uniform(0, 1) < 0.5 ? dx : -dx));
            }
        }
        if (uniform(0, 1) < 0.5) {
            std::reverse(pts.begin(), pts.end());
        }
        if (well_shaped(pts, closed)) {
            return pts;
        }
    }
}

}  // namespace

TEST(Offset, ClosedSquareGetsInnerOrOuterContourJoinedAtATrueCorner) {
    std::string error;
    CPolyline square;
    outline(square, kSquare);
    ASSERT_TRUE(square.offset(OffsetSide::left, 1.0f, true, error));
    EXPECT_EQ(square.detourage, OffsetSide::left);
    EXPECT_EQ(contour(square),
              (std::vector<Point3>{{1, 1, 0}, {9, 1, 0}, {9, 9, 0}, {1, 9, 0}, {1, 1, 0}}))
        << "left of an anticlockwise outline is inside";

    ASSERT_TRUE(square.offset(OffsetSide::right, 1.0f, true, error));
    EXPECT_EQ(square.detourage, OffsetSide::right);
    EXPECT_EQ(
        contour(square),
        (std::vector<Point3>{{-1, -1, 0}, {11, -1, 0}, {11, 11, 0}, {-1, 11, 0}, {-1, -1, 0}}));
}

TEST(Offset, OutlineIsClosedOnlyWithFourPointsAndEndsWithinHalfAMillimetre) {
    std::string error;
    // Ends 0.6 mm apart: open, each contour end is its own point's offset.
    std::vector<Point3> open = kSquare;
    open[4] = {0.6f, 0, 0};
    CPolyline p;
    outline(p, open);
    ASSERT_TRUE(p.offset(OffsetSide::left, 1.0f, true, error));
    EXPECT_EQ(p.offsetPoints[0], (Point3{0, 1, 0}));
    const Point3 end = p.offsetPoints[4];
    EXPECT_NEAR(std::hypot(end.x - 0.6f, end.y), 1.0, 1e-6) << "the radius away from its point";
    EXPECT_NEAR(distance(open[3], open[4], end), 1.0, 1e-6) << "square to its segment";

    // Ends 0.4 mm apart: closed, both ends move to the meeting corner.
    std::vector<Point3> near = kSquare;
    near[4] = {0.4f, 0, 0};
    CPolyline q;
    outline(q, near);
    ASSERT_TRUE(q.offset(OffsetSide::left, 1.0f, true, error));
    const Point3 corner = q.offsetPoints[0];
    EXPECT_EQ(q.offsetPoints[4], corner);
    EXPECT_NEAR(distance(near[0], near[1], corner), 1.0, 1e-5);
    EXPECT_NEAR(distance(near[3], near[4], corner), 1.0, 1e-5);
    EXPECT_GT(corner.x, 1.0f) << "inside the closed outline";

    // Three points back at the start are not a closed outline.
    CPolyline v;
    outline(v, {{0, 0, 0}, {10, 5, 0}, {0, 0, 0}});
    ASSERT_TRUE(v.offset(OffsetSide::left, 1.0f, true, error));
    EXPECT_NE(v.offsetPoints[0], v.offsetPoints[2]);
}

TEST(Offset, OpenLinesFollowTheirDirectionOfTravel) {
    std::string error;
    CPolyline right_way;
    outline(right_way, {{0, 0, 0}, {10, 0, 0}});
    ASSERT_TRUE(right_way.offset(OffsetSide::left, 2.0f, true, error));
    EXPECT_EQ(contour(right_way), (std::vector<Point3>{{0, 2, 0}, {10, 2, 0}}));

    CPolyline back;
    outline(back, {{10, 0, 0}, {0, 0, 0}});
    ASSERT_TRUE(back.offset(OffsetSide::left, 2.0f, true, error));
    EXPECT_EQ(contour(back), (std::vector<Point3>{{10, -2, 0}, {0, -2, 0}}));

    // Left of a downward vertical segment is +x; under 0.01 mm of x extent
    // a segment counts as vertical.
    CPolyline down;
    outline(down, {{5, 10, 0}, {5.005f, 0, 0}});
    ASSERT_TRUE(down.offset(OffsetSide::left, 1.0f, true, error));
    EXPECT_EQ(down.offsetPoints[0], (Point3{6, 10, 0}));
    EXPECT_EQ(down.offsetPoints[1], (Point3{6.005f, 0, 0}));
}

TEST(Offset, CollinearAndNearlyParallelSegmentsTakeThePerpendicularOffset) {
    std::string error;
    CPolyline p;
    outline(p, {{0, 0, 0}, {5, 5, 0}, {10, 10, 0}});
    ASSERT_TRUE(p.offset(OffsetSide::left, 1.0f, true, error));
    const float d = static_cast<float>(1.0 / std::sqrt(2.0));
    EXPECT_EQ(p.offsetPoints[1], (Point3{5 - d, 5 + d, 0}));

    // Slopes 0 and 0.005: closer than 0.01, so no far-away intersection.
    CPolyline q;
    outline(q, {{0, 0, 0}, {10, 0, 0}, {20, 0.05f, 0}});
    ASSERT_TRUE(q.offset(OffsetSide::left, 1.0f, true, error));
    EXPECT_NEAR(q.offsetPoints[1].x, 10.0f, 0.01f);
    EXPECT_NEAR(q.offsetPoints[1].y, 1.0f, 0.01f);
}

TEST(Offset, MitredCornersOfASlopedOutlineAndRadiusZero) {
    std::string error;
    // A triangle: each contour corner lies at the radius from both of its
    // segments' lines.
    const std::vector<Point3> tri = {{0, 0, 0}, {10, 3, 0}, {4, 8, 0}, {0, 0, 0}};
    CPolyline p;
    outline(p, tri);
    ASSERT_TRUE(p.offset(OffsetSide::right, 1.5f, true, error));
    for (int k = 1; k <= 2; ++k) {
        const Point3 o = p.offsetPoints[static_cast<size_t>(k)];
        EXPECT_NEAR(distance(tri[k - 1], tri[k], o), 1.5, 1e-4) << k;
        EXPECT_NEAR(distance(tri[k], tri[k + 1], o), 1.5, 1e-4) << k;
    }
    EXPECT_EQ(p.offsetPoints[0], p.offsetPoints[3]);

    ASSERT_TRUE(p.offset(OffsetSide::left, 0.0f, true, error));
    for (int k = 0; k < 4; ++k) {
        EXPECT_NEAR(p.offsetPoints[static_cast<size_t>(k)].x, tri[k].x, 1e-5) << k;
        EXPECT_NEAR(p.offsetPoints[static_cast<size_t>(k)].y, tri[k].y, 1e-5) << k;
    }
}

TEST(Offset, CornersOnSteepSegmentsReachTheirVertexAtRadiusZero) {
    std::string error;
    // A steep line multiplies any rounding of x by its slope: a corner's y is
    // taken from its x before that x is rounded to single precision.
    struct Case {
        const char* what;
        OffsetSide side;
        std::vector<Point3> points;
        std::vector<int> corners;  // contour points that must lie on their vertex
    };
    const Case cases[] = {
        {"corner after a steep segment",
         OffsetSide::right,
         {{77, 5, 0}, {76.99f, 53, 0}, {104.99f, 30, 0}},
         {1}},
        {"closing corner after a steep first segment",
         OffsetSide::left,
         {{-69, -42, 0}, {-69.01f, -2, 0}, {-43, -74, 0}, {-69, -42, 0}},
         {0, 1, 2, 3}},
    };
    for (const Case& c : cases) {
        CPolyline p;
        outline(p, c.points);
        ASSERT_TRUE(p.offset(c.side, 0.0f, true, error)) << c.what;
        for (int k : c.corners) {
            const Point3 o = p.offsetPoints[static_cast<size_t>(k)];
            EXPECT_NEAR(o.x, c.points[static_cast<size_t>(k)].x, 1e-4) << c.what << ", point " << k;
            EXPECT_NEAR(o.y, c.points[static_cast<size_t>(k)].y, 1e-4) << c.what << ", point " << k;
        }
    }
}

// Random outlines, open and closed, run both ways, with vertical and steep
// segments: every contour point lies at the radius from the lines of its two
// segments, closed contours end where they start, and a tab placed on a
// contour segment is as wide as asked and centred on it.
TEST(Offset, ContourPointsLieAtTheRadiusFromTheirSegmentsOnRandomOutlines) {
    std::string error;
    std::mt19937 random(20261208);
    auto uniform = [&random](double lo, double hi) {
        return std::uniform_real_distribution<double>(lo, hi)(random);
    };
    auto chance = [&](double p) { return uniform(0, 1) < p; };

    int faults = 0;
    std::ostringstream first_fault;
    auto fault = [&](int outline_no, const std::string& what) {
        if (faults++ == 0) {
            first_fault << "outline " << outline_no << ": " << what;
        }
    };
    for (int no = 0; no < 4000; ++no) {
        const bool closed = no % 2 == 1;
        const std::vector<Point3> pts = random_outline(random, closed);
        const OffsetSide side = chance(0.5) ? OffsetSide::left : OffsetSide::right;
        const float r = static_cast<float>(chance(0.1) ? 0.0 : uniform(0, 5));
        CPolyline p;
        outline(p, pts);
        ASSERT_TRUE(p.offset(side, r, true, error));
        const int n = p.nbOffsetPoints;
        auto seg_distance = [&](int segment, Point3 o) {
            return distance(pts[static_cast<size_t>(segment - 1)],
                            pts[static_cast<size_t>(segment)], o);
        };
        for (int k = 0; k < n; ++k) {
            const Point3 o = p.offsetPoints[static_cast<size_t>(k)];
            std::vector<int> segments;
            if (k > 0) {
                segments.push_back(k);
            }
            if (k < n - 1) {
                segments.push_back(k + 1);
            }
            if (closed && (k == 0 || k == n - 1)) {
                segments = {1, n - 1};
            }
            for (int s : segments) {
                const double d = seg_distance(s, o);
                if (std::fabs(d - r) > 0.005) {
                    std::ostringstream what;
                    what << "point " << k << " is " << d << " from segment " << s << ", r " << r;
                    fault(no, what.str());
                }
            }
        }
        if (closed && p.offsetPoints[0] != p.offsetPoints[static_cast<size_t>(n - 1)]) {
            fault(no, "closed contour with two ends");
        }
        for (int s = 1; s < n; ++s) {
            const Point3 a = p.offsetPoints[static_cast<size_t>(s - 1)];
            const Point3 b = p.offsetPoints[static_cast<size_t>(s)];
            if (p.place_tab(s, 2.0f, 0) != TabOutcome::Stored) {
                fault(no, "a 2 mm tab refused on segment " + std::to_string(s));
                continue;
            }
            const CAttache& tab = *p.tabs[static_cast<size_t>(s)];
            const double width = std::hypot(tab.x2 - tab.x1, tab.y2 - tab.y1);
            const double off_middle =
                std::hypot((tab.x1 + tab.x2 - a.x - b.x) / 2, (tab.y1 + tab.y2 - a.y - b.y) / 2);
            if (std::fabs(width - 2.0) > 1e-3 || off_middle > 0.01) {
                std::ostringstream what;
                what << "tab on segment " << s << " is " << width << " wide, " << off_middle
                     << " from the middle";
                fault(no, what.str());
            }
        }
    }
    EXPECT_EQ(faults, 0) << first_fault.str();
}

TEST(Offset, RefusalsAndTheTabTable) {
    std::string error;
    CPolyline single;
    outline(single, {{1, 1, 0}});
    EXPECT_FALSE(single.offset(OffsetSide::left, 1.0f, true, error));
    EXPECT_EQ(error, "Une polyligne de moins de deux points n'a pas de détourage.");
    EXPECT_EQ(single.nbOffsetPoints, 0);
    CPolyline p;
    outline(p, kSquare);
    EXPECT_FALSE(p.offset(OffsetSide::none, 1.0f, true, error));
    EXPECT_EQ(p.detourage, OffsetSide::none);

    ASSERT_TRUE(p.offset(OffsetSide::left, 1.0f, true, error));
    ASSERT_EQ(p.place_tab(2, 2.0f, 0), TabOutcome::Stored);
    ASSERT_TRUE(p.offset(OffsetSide::left, 2.0f, false, error));
    EXPECT_TRUE(p.has_tab(2)) << "a recomputation keeps the tabs";
    ASSERT_TRUE(p.offset(OffsetSide::right, 2.0f, true, error));
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
