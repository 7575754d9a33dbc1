// The automatic plan on drawings made for it: which outlines are parts and
// holes, on which side their contours lie, the cut order, the tabs, the
// links, the new start of a closed outline and the refusals.

#include "auto_plan.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <random>

#include "link_editor.h"
#include "outline_geometry.h"
#include "settings_store.h"
#include "travel_order.h"

namespace {

using common::CPolyline;
using plandor::CPlandorDoc;
using plandor::PlanePoint;
using Ring = std::vector<PlanePoint>;

Ring rect(double x0, double y0, double x1, double y1, bool anticlockwise = true) {
    Ring r{{x0, y0}, {x1, y0}, {x1, y1}, {x0, y1}};
    if (!anticlockwise) {
        std::reverse(r.begin(), r.end());
    }
    return r;
}

Ring circle(double cx, double cy, double radius, int n, bool anticlockwise = true) {
    Ring r;
    for (int k = 0; k < n; ++k) {
        const double a = 2 * M_PI * k / n * (anticlockwise ? 1 : -1);
        r.push_back({cx + radius * std::cos(a), cy + radius * std::sin(a)});
    }
    return r;
}

// Adds the ring as a polyline, closed (first point repeated) or open.
int add(CPlandorDoc& doc, const Ring& ring, bool closed = true) {
    auto p = std::make_unique<CPolyline>();
    for (const PlanePoint& q : ring) {
        p->points[static_cast<size_t>(p->nbPoints++)] = {static_cast<float>(q.x),
                                                         static_cast<float>(q.y), 0};
    }
    if (closed) {
        p->points[static_cast<size_t>(p->nbPoints++)] = p->points[0];
    }
    doc.add_polyline(std::move(p));
    return doc.polylineCount - 1;
}

struct Board {
    platform::MemorySettingsStore settings;
    CPlandorDoc doc{settings};  // cutter radius 1, tabs 5 mm wide
    int plate = 0, square_hole = 0, round_hole = 0, tiny_hole = 0;
    int frame = 0, window = 0, inner_part = 0, inner_hole = 0, line = 0, comb = 0;
};

// Two plates: the first with a hole drawn each way and one narrower than the
// cutter; the second with a window holding a part, itself with a hole.
void draw_board(Board& b) {
    b.inner_hole = add(b.doc, circle(180, 35, 5, 20));
    b.round_hole = add(b.doc, circle(70, 25, 8, 24, false));
    b.plate = add(b.doc, rect(10, 10, 110, 40));
    b.line = add(b.doc, {{0, 70}, {50, 70}, {60, 80}}, false);
    // Drawn with a corner twice and its closing point twice, as some CAD programs write it.
    b.square_hole = add(b.doc, {{20, 15}, {40, 15}, {40, 15}, {40, 35}, {20, 35}, {20, 15}});
    b.tiny_hole = add(b.doc, circle(95, 25, 0.8, 12));
    b.frame = add(b.doc, rect(130, 10, 230, 60, false));
    b.window = add(b.doc, rect(150, 20, 210, 50));
    b.inner_part = add(b.doc, rect(160, 25, 200, 45, false));
    // A slot 1.5 mm wide: the 2 mm cutter would widen it.
    b.comb = add(b.doc, {{0, 100},
                         {30, 100},
                         {30, 120},
                         {15.75, 120},
                         {15.75, 105},
                         {14.25, 105},
                         {14.25, 120},
                         {0, 120}});
}

Ring ring_of(const std::vector<PlanePoint>& closed) {
    return Ring(closed.begin(), closed.end() - 1);
}

void expect_contour_side(const CPolyline& p, bool hole, int index) {
    const Ring outline = ring_of(plandor::outline_points(p));
    const Ring contour = ring_of(plandor::contour_points(p));
    const double drawn = std::fabs(plandor::signed_area(outline));
    const double cut = std::fabs(plandor::signed_area(contour));
    if (hole) {
        EXPECT_LT(cut, drawn) << index;
        for (const PlanePoint& q : contour) {
            EXPECT_TRUE(plandor::inside_ring(outline, q)) << index;
        }
    } else {
        EXPECT_GT(cut, drawn) << index;
        for (const PlanePoint& q : outline) {
            EXPECT_TRUE(plandor::inside_ring(contour, q)) << index;
        }
    }
}

// Everything a plan of the board must be, whatever the order chosen.
void expect_board_plan(Board& b, const plandor::PlanReport& report) {
    CPlandorDoc& doc = b.doc;
    ASSERT_EQ(report.done, 1) << report.error;
    EXPECT_EQ(report.parts, 4);
    EXPECT_EQ(report.holes, 5);
    EXPECT_EQ(report.openPolylines, std::vector<int>{b.line});
    EXPECT_EQ(report.holesTooSmall, std::vector<int>{b.tiny_hole});
    EXPECT_EQ(report.partsGouged, std::vector<int>{b.comb});
    EXPECT_EQ(doc.polylines[static_cast<size_t>(b.square_hole)]->nbPoints, 5);

    const std::vector<int> order = doc.cut_order();
    std::vector<int> cut = {b.plate,  b.square_hole, b.round_hole, b.frame,
                            b.window, b.inner_part,  b.inner_hole};
    std::vector<int> sorted = order;
    std::sort(sorted.begin(), sorted.end());
    std::sort(cut.begin(), cut.end());
    EXPECT_EQ(sorted, cut);  // each cut outline once, nothing else
    EXPECT_EQ(doc.linkCount, 7);
    EXPECT_EQ(report.links, 7);
    for (int i = 0; i < doc.polylineCount; ++i) {
        const CPolyline& p = *doc.polylines[static_cast<size_t>(i)];
        const bool in_order = std::count(order.begin(), order.end(), i) == 1;
        EXPECT_EQ(p.nbOffsetPoints > 0, in_order) << i;
        int ends = 0;
        for (int j = 0; j < doc.linkCount; ++j) {
            ends += doc.links[static_cast<size_t>(j)]->endIndex == i ? 1 : 0;
        }
        EXPECT_EQ(ends, in_order ? 1 : 0) << i;
    }

    auto position = [&](int index) { return std::find(order.begin(), order.end(), index); };
    for (auto [inner, outer] : std::vector<std::pair<int, int>>{{b.square_hole, b.plate},
                                                                {b.round_hole, b.plate},
                                                                {b.inner_hole, b.inner_part},
                                                                {b.inner_part, b.window},
                                                                {b.window, b.frame}}) {
        EXPECT_LT(position(inner), position(outer)) << inner << " avant " << outer;
    }
    for (auto [index, hole] : std::vector<std::pair<int, bool>>{{b.plate, false},
                                                                {b.square_hole, true},
                                                                {b.round_hole, true},
                                                                {b.frame, false},
                                                                {b.window, true},
                                                                {b.inner_part, false},
                                                                {b.inner_hole, true}}) {
        expect_contour_side(*doc.polylines[static_cast<size_t>(index)], hole, index);
    }
    // Two tabs per part, none on the holes.
    int tabs = 0;
    for (int i = 0; i < doc.polylineCount; ++i) {
        const CPolyline& p = *doc.polylines[static_cast<size_t>(i)];
        for (int s = 1; s < p.nbOffsetPoints; ++s) {
            tabs += p.has_tab(s) ? 1 : 0;
            EXPECT_TRUE(!p.has_tab(s) || i == b.plate || i == b.frame || i == b.inner_part);
        }
    }
    EXPECT_EQ(tabs, 6);
    EXPECT_EQ(report.tabsPlaced, 6);
}

TEST(AutoPlan, PlansEveryClosedOutlineOnItsSideHolesFirstLinkedOnce) {
    Board b;
    draw_board(b);
    EXPECT_FALSE(plandor::has_plan_to_replace(b.doc));
    const plandor::PlanReport first = plandor::plan_automatically(b.doc, {});
    EXPECT_EQ(first.pointsDropped, 2);
    expect_board_plan(b, first);
    EXPECT_TRUE(plandor::has_plan_to_replace(b.doc));

    // Planning again replaces the plan, rotated outlines and links included.
    const plandor::PlanReport again = plandor::plan_automatically(b.doc, {});
    expect_board_plan(b, again);

    // The plan is an ordinary one: it goes through the .cmg file whole.
    const std::string path = ::testing::TempDir() + "auto_plan.cmg";
    std::string error;
    ASSERT_TRUE(b.doc.save_document(path, error)) << error;
    Board reread;
    ASSERT_TRUE(reread.doc.open_document(path, error)) << error;
    EXPECT_EQ(reread.doc.cut_order(), b.doc.cut_order());
}

TEST(AutoPlan, EachLinkLeavesWhereTheToolStopsAndArrivesAtTheNearestCorner) {
    Board b;
    draw_board(b);
    const plandor::PlanReport report = plandor::plan_automatically(b.doc, {});
    ASSERT_EQ(report.done, 1);
    double travel = 0;
    PlanePoint tool;
    for (int j = 0; j < b.doc.linkCount; ++j) {
        const plandor::CLiaison& link = *b.doc.links[static_cast<size_t>(j)];
        const CPolyline& end = *b.doc.polylines[static_cast<size_t>(link.endIndex)];
        EXPECT_EQ(link.startX, static_cast<float>(tool.x));
        EXPECT_EQ(link.startY, static_cast<float>(tool.y));
        // No corner of the contour is nearer than where the cut starts.
        const double arrival = std::hypot(link.endX - tool.x, link.endY - tool.y);
        for (const PlanePoint& q : plandor::contour_points(end)) {
            EXPECT_GE(std::hypot(q.x - tool.x, q.y - tool.y), arrival - 1e-3) << link.endIndex;
        }
        travel += arrival;
        const common::Point3& last = end.offsetPoints[static_cast<size_t>(end.nbOffsetPoints - 1)];
        EXPECT_EQ(last, end.offsetPoints[0]);  // closed: it ends where it started
        tool = {last.x, last.y};
    }
    EXPECT_NEAR(report.travelAfter, travel, 1e-3);
    EXPECT_LT(report.travelAfter, report.travelBefore);
}

// The tabs of one part, given its outline and the number asked: how many are
// placed and whether two of them may sit on neighbouring segments.
TEST(AutoPlan, TabsGoOnTheLongestSegmentsSpreadRoundThePart) {
    struct Case {
        const char* name;
        Ring outline;
        int asked;
        int placed;
        bool neighbours_allowed;
        double shortest_side;  // no tab on a side of the contour shorter than this
        bool spread;           // the tabs lie at least half an equal share of the perimeter apart
    };
    // A bar whose top has two long sides either side of a short one and
    // whose bottom is four shorter sides: one tab must go below.
    const Ring bar = {{0, 0},    {25, 0},  {50, 0},  {75, 0}, {100, 0},
                      {100, 20}, {55, 20}, {45, 20}, {0, 20}};
    const std::vector<Case> cases = {
        {"long rectangle: one tab on each long side", rect(0, 0, 100, 20), 2, 2, false, 100, true},
        {"bar: spread round, not on the longest two", bar, 2, 2, false, 0, true},
        {"square: four sides, four tabs", rect(0, 0, 30, 30, false), 4, 4, true, 30, true},
        {"octagon: three tabs apart", circle(50, 50, 20, 8), 3, 3, false, 0, true},
        {"triangle: two tabs side by side", {{0, 0}, {40, 0}, {20, 30}}, 2, 2, true, 0, false},
        {"more tabs than segments", rect(0, 0, 40, 20), 6, 4, true, 0, false},
        {"segments shorter than a tab", circle(20, 20, 5, 40), 2, 0, true, 0, false},
        {"no tab asked", rect(0, 0, 100, 20), 0, 0, true, 0, false},
    };
    for (const Case& c : cases) {
        platform::MemorySettingsStore settings;
        CPlandorDoc doc(settings);
        const int index = add(doc, c.outline);
        plandor::PlanOptions options;
        options.tabsPerPart = c.asked;
        const plandor::PlanReport report = plandor::plan_automatically(doc, options);
        ASSERT_EQ(report.done, 1) << c.name;
        const CPolyline& p = *doc.polylines[static_cast<size_t>(index)];
        std::vector<int> segments;
        std::vector<double> along;  // where the tabs' middles lie along the contour
        double perimeter = 0;
        for (int s = 1; s < p.nbOffsetPoints; ++s) {
            const common::Point3& a = p.offsetPoints[static_cast<size_t>(s - 1)];
            const common::Point3& e = p.offsetPoints[static_cast<size_t>(s)];
            if (p.has_tab(s)) {
                segments.push_back(s);
                EXPECT_GE(std::hypot(e.x - a.x, e.y - a.y), c.shortest_side) << c.name;
                const common::CAttache& t = *p.tabs[static_cast<size_t>(s)];
                along.push_back(perimeter +
                                std::hypot((t.x1 + t.x2) / 2 - a.x, (t.y1 + t.y2) / 2 - a.y));
            }
            perimeter += std::hypot(e.x - a.x, e.y - a.y);
        }
        for (size_t i = 0; i < along.size() && c.spread; ++i) {
            for (size_t j = i + 1; j < along.size(); ++j) {
                const double gap = std::fabs(along[i] - along[j]);
                EXPECT_GE(std::min(gap, perimeter - gap), perimeter / c.asked / 2) << c.name;
            }
        }
        EXPECT_EQ(static_cast<int>(segments.size()), c.placed) << c.name;
        EXPECT_EQ(report.tabsPlaced, c.placed) << c.name;
        EXPECT_EQ(report.tabsAsked, c.asked) << c.name;
        EXPECT_EQ(report.shortOfTabs,
                  c.placed < c.asked ? std::vector<int>{index} : std::vector<int>{})
            << c.name;
        const int last = p.nbOffsetPoints - 1;
        for (size_t i = 0; i < segments.size() && !c.neighbours_allowed; ++i) {
            for (size_t j = i + 1; j < segments.size(); ++j) {
                const int gap = std::abs(segments[i] - segments[j]);
                EXPECT_TRUE(gap != 1 && gap != last - 1) << c.name;
            }
        }
    }
}

// What is refused leaves the document, its links and contours included, as it was.
TEST(AutoPlan, RefusalsLeaveThePlanAsItWas) {
    struct Case {
        const char* name;
        plandor::PlanOptions options;
        float radius;
        float tab_width;
        bool only_open;
        const char* message;
    };
    plandor::PlanOptions negative_tabs;
    negative_tabs.tabsPerPart = -1;
    plandor::PlanOptions too_many_tabs;
    too_many_tabs.tabsPerHole = 51;
    plandor::PlanOptions no_speed;
    no_speed.travelSpeed = 0;
    const std::vector<Case> cases = {
        {"tabs below 0", negative_tabs, 1, 5, false, "entre 0 et 50"},
        {"tabs above 50", too_many_tabs, 1, 5, false, "entre 0 et 50"},
        {"speed 0", no_speed, 1, 5, false, "vitesses"},
        {"negative cutter radius", {}, -1, 5, false, "rayon de fraise"},
        {"tabs of no width", {}, 1, 0, false, "largeur des points d'accroche"},
        {"nothing closed", {}, 1, 5, true, "Aucun contour fermé"},
    };
    for (const Case& c : cases) {
        platform::MemorySettingsStore settings;
        CPlandorDoc doc(settings);
        // A plate with a slot, or a line only, and another line.
        const int first =
            add(doc, c.only_open ? Ring{{0, 0}, {10, 0}} : rect(0, 0, 40, 20), !c.only_open);
        add(doc, {{0, 30}, {10, 30}}, false);
        if (!c.only_open) {
            add(doc, rect(10, 5, 30, 15));
        }
        // A plan made by hand: a contour on the first polyline, linked from the origin.
        CPolyline& own = *doc.polylines[static_cast<size_t>(first)];
        std::string offset_error;
        ASSERT_TRUE(own.offset(common::OffsetSide::left, 1, true, offset_error)) << offset_error;
        plandor::LinkEditor editor;
        ASSERT_EQ(editor.link_offered_points(doc, plandor::kOrigin, first), 0) << c.name;
        const common::Point3 start = own.offsetPoints[0];
        doc.cutterRadius = c.radius;
        doc.tabWidth = c.tab_width;
        const plandor::PlanReport report = plandor::plan_automatically(doc, c.options);
        EXPECT_EQ(report.done, 0) << c.name;
        EXPECT_NE(report.error.find(c.message), std::string::npos) << c.name << report.error;
        EXPECT_EQ(doc.linkCount, 1) << c.name;
        EXPECT_EQ(own.detourage, common::OffsetSide::left) << c.name;
        EXPECT_EQ(own.offsetPoints[0], start) << c.name;
        EXPECT_EQ(own.end_linked(), 1) << c.name;
    }
}

TEST(AutoPlan, ReportReadsAsTheUserSeesIt) {
    platform::MemorySettingsStore settings;
    CPlandorDoc doc(settings);
    add(doc, rect(10, 10, 30, 30));
    add(doc, {{50, 0}, {60, 0}}, false);
    const plandor::PlanOptions options;
    const plandor::PlanReport report = plandor::plan_automatically(doc, options);
    // The contour is the square (9, 9)-(31, 31) entered at (9, 9); two tabs of
    // 5 mm leave 78 mm to cut at 2 mm/s, and 12.73 mm of travel at 5 mm/s.
    EXPECT_EQ(plandor::plan_report_text(report, options),
              "Pièces : 1\n"
              "Trous : 0\n"
              "Polylignes ouvertes laissées sans contour : 1\n"
              "Points d'accroche : 2 placés sur 2 demandés\n"
              "Liaisons : 1\n"
              "Déplacements : 12,7 mm dans l'ordre du dessin, 12,7 mm dans l'ordre choisi\n"
              "Temps de découpe estimé : 42 s (78,0 mm à 2,0 mm/s, déplacements à 5,0 mm/s, "
              "descentes non comprises)\n");
}

// A closed outline's start moves round it; the points keep their order and
// their z, the contour goes, and what may not move is refused untouched.
TEST(RotateOutlineStart, MovesTheStartOfAClosedOutlineOnly) {
    struct Case {
        const char* name;
        int vertex;
        bool open;
        bool linked;
        bool group;
        std::vector<float> xs;  // the x of the points after it; empty when refused
    };
    const std::vector<Case> cases = {
        {"to the third corner", 2, false, false, false, {10, 0, 0, 10, 10}},
        {"to the start itself", 0, false, false, false, {0, 10, 10, 0, 0}},
        {"past the last corner", 4, false, false, false, {}},
        {"negative corner", -1, false, false, false, {}},
        {"open outline", 1, true, false, false, {}},
        {"linked outline", 1, false, true, false, {}},
        {"joined outline", 1, false, false, true, {}},
    };
    for (const Case& c : cases) {
        platform::MemorySettingsStore settings;
        CPlandorDoc doc(settings);
        const int index = add(doc, rect(0, 0, 10, 10));
        CPolyline& p = *doc.polylines[static_cast<size_t>(index)];
        for (int k = 0; k < p.nbPoints; ++k) {
            p.points[static_cast<size_t>(k)].z = static_cast<float>(k % 4);
        }
        if (c.open) {
            p.points[4].x = 1;
        }
        std::string offset_error;
        ASSERT_TRUE(p.offset(common::OffsetSide::right, 1, true, offset_error)) << offset_error;
        p.place_tab(1, 5, 0);
        if (c.linked) {
            p.set_end_linked(1);
        }
        if (c.group) {
            std::string joined;
            add(doc, {{0, 0}, {0, -5}, {0, 0}}, false);  // still closed once joined
            ASSERT_TRUE(doc.join_polylines(index, 1, joined)) << joined;
        }
        const std::vector<common::Point3> before(p.points.begin(), p.points.begin() + p.nbPoints);
        std::string error;
        const int done = doc.rotate_outline_start(index, c.vertex, error);
        ASSERT_EQ(done, c.xs.empty() ? 0 : 1) << c.name;
        if (!done) {
            EXPECT_FALSE(error.empty()) << c.name;
            EXPECT_EQ(std::vector<common::Point3>(p.points.begin(), p.points.begin() + p.nbPoints),
                      before)
                << c.name;
            continue;
        }
        ASSERT_EQ(p.nbPoints, 5) << c.name;
        for (int k = 0; k < 5; ++k) {
            EXPECT_EQ(p.points[static_cast<size_t>(k)].x, c.xs[static_cast<size_t>(k)]) << c.name;
            EXPECT_EQ(p.points[static_cast<size_t>(k)].z, static_cast<float>((k + c.vertex) % 4))
                << c.name;
        }
        EXPECT_EQ(p.nbOffsetPoints, 0) << c.name;
        EXPECT_FALSE(p.has_tab(1)) << c.name;
    }
}

// Random boards of 50 to 199 parts: the order is never longer than the plain
// nearest-neighbour one, and within 5 % of the best of other 2-opt restarts.
TEST(TravelOrder, BeatsNearestNeighbourAndComesCloseToTheBestRestart) {
    std::mt19937 random(2026);
    for (int n : {50, 97, 150, 199}) {
        std::vector<PlanePoint> stations;
        for (int k = 0; k < n; ++k) {
            stations.push_back({static_cast<double>(random() % 100000) / 100,
                                static_cast<double>(random() % 50000) / 100});
        }
        const PlanePoint origin{0, 0};
        const std::vector<int> order = plandor::shortest_travel_order(origin, stations);
        std::vector<int> sorted = order;
        std::sort(sorted.begin(), sorted.end());
        for (int k = 0; k < n; ++k) {
            ASSERT_EQ(sorted[static_cast<size_t>(k)], k) << n;
        }
        const double length = plandor::travel_length(origin, stations, order);
        EXPECT_LE(length, plandor::travel_length(
                              origin, stations, plandor::nearest_neighbour_order(origin, stations)))
            << n;
        double best = INFINITY;
        for (std::uint32_t seed = 100; seed < 105; ++seed) {
            best = std::min(best, plandor::travel_length(
                                      origin, stations,
                                      plandor::shortest_travel_order(origin, stations, 1, seed)));
        }
        EXPECT_LE(length, 1.05 * best) << n;
    }
}

}  // namespace
