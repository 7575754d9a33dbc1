#include "polyline.h"

#include <gtest/gtest.h>

#include <vector>

using common::CAttache;
using common::CPolyline;
using common::Point3;
using common::PolylineArray;

namespace {

std::unique_ptr<CPolyline> make_polyline(const std::vector<Point3>& pts) {
    auto p = std::make_unique<CPolyline>();
    for (const Point3& pt : pts) {
        p->points[static_cast<size_t>(p->nbPoints++)] = pt;
    }
    return p;
}

// n points along a line starting at (x0, 0), 1 mm apart, z = index.
std::unique_ptr<CPolyline> straight(int n, float x0) {
    std::vector<Point3> pts;
    for (int i = 0; i < n; ++i) {
        pts.push_back({x0 + static_cast<float>(i), 0, static_cast<float>(i)});
    }
    return make_polyline(pts);
}

std::vector<Point3> points_of(const CPolyline& p) {
    return {p.points.begin(), p.points.begin() + p.nbPoints};
}

void give_offset(CPolyline& p) {
    p.detourage = common::OffsetSide::right;
    p.nbOffsetPoints = p.nbPoints;
    p.offsetPoints = p.points;
    p.tabs[1] = std::make_unique<CAttache>();
}

bool has_offset(const CPolyline& p) {
    if (p.detourage != common::OffsetSide::none || p.nbOffsetPoints != 0) {
        return true;
    }
    for (const auto& tab : p.tabs) {
        if (tab) {
            return true;
        }
    }
    return false;
}

}  // namespace

TEST(Polyline, JoinRefusesMoreThanHundredPointsAndCountsTheSharedPoint) {
    auto a = straight(60, 0);
    auto b = straight(41, 100);
    std::string error;
    EXPECT_EQ(a->join(b, error), 0);
    EXPECT_NE(error.find("100 points"), std::string::npos) << error;
    ASSERT_TRUE(b) << "a refused join must leave the other polyline with the caller";
    EXPECT_EQ(a->nbPoints, 60);
    EXPECT_EQ(a->nbMembers, 0);
    EXPECT_EQ(b->nbPoints, 41);

    auto c = straight(40, 100);
    ASSERT_EQ(a->join(c, error), 1) << error;
    EXPECT_EQ(a->nbPoints, 100);
    EXPECT_EQ(a->taille, 60);
    EXPECT_FALSE(c);
    EXPECT_EQ(a->members[0]->nbPoints, 40);

    // Starting where the first one ends: the junction point is shared.
    auto d = straight(60, 0);
    auto e = straight(40, 59);
    ASSERT_EQ(d->join(e, error), 1) << error;
    EXPECT_EQ(d->nbPoints, 99);
    EXPECT_EQ(d->points[59], (Point3{59, 0, 59}));
    EXPECT_EQ(d->points[60], (Point3{60, 0, 1}));
}

TEST(Polyline, JunctionPointIsDroppedWithinHalfAMillimetre) {
    struct Case {
        float dx, dy;
        int expected;
    };
    for (const Case& c : {Case{0.4f, 0.5f, 3}, Case{0.5f, 0, 4}, Case{-0.4f, -0.5f, 3},
                          Case{0, 0.51f, 4}, Case{0, 0, 3}}) {
        auto a = make_polyline({{0, 0, 0}, {10, 20, 0}});
        auto b = make_polyline({{10 + c.dx, 20 + c.dy, 0}, {30, 40, 0}});
        std::string error;
        ASSERT_EQ(a->join(b, error), 1) << error;
        EXPECT_EQ(a->nbPoints, c.expected) << "dx " << c.dx << " dy " << c.dy;
        EXPECT_EQ(a->points[static_cast<size_t>(a->nbPoints - 1)], (Point3{30, 40, 0}));
    }
}

TEST(Polyline, ReverseMovesWholeRecordsAndTracksReversalsOfAGroup) {
    auto a = make_polyline({{1, 2, 3}, {4, 5, 6}, {7, 8, 9}});
    a->reverse();
    EXPECT_EQ(points_of(*a), (std::vector<Point3>{{7, 8, 9}, {4, 5, 6}, {1, 2, 3}}));
    EXPECT_EQ(a->permute, 0) << "a polyline without members keeps no reversal flag";

    auto b = straight(2, 50);
    std::string error;
    ASSERT_EQ(a->join(b, error), 1);
    a->reverse();
    EXPECT_EQ(a->permute, 1);
    a->reverse();
    EXPECT_EQ(a->permute, 0);
}

TEST(Polyline, JoinReverseExplodeGivesBackTheFirstOutline) {
    const std::vector<Point3> own{{1, 1, 0.5f}, {2, 1, 0}, {2, 2, 0}};
    const std::vector<Point3> other{{5, 5, 0}, {6, 5, 0}};
    auto a = make_polyline(own);
    auto b = make_polyline(other);
    std::string error;
    ASSERT_EQ(a->join(b, error), 1);
    a->reverse();

    PolylineArray table;
    table[0] = std::move(a);
    int count = 1;
    ASSERT_EQ(table[0]->explode(table, count, error), 1) << error;
    EXPECT_EQ(count, 2);
    EXPECT_EQ(points_of(*table[0]), own);
    EXPECT_EQ(table[0]->nbMembers, 0);
    EXPECT_EQ(table[0]->permute, 0);
    ASSERT_TRUE(table[1]);
    EXPECT_EQ(points_of(*table[1]), other);
}

// After join and reverse, a second join would append points that come first
// once the reversal is undone, and explode would hand them to the first
// polyline. Such a join is refused; joining before reversing keeps working.
TEST(Polyline, JoinIntoAReversedGroupIsRefusedSoExplodeStaysRight) {
    const std::vector<Point3> own{{0, 0, 0}, {10, 0, 0}, {10, 10, 0}};
    auto a = make_polyline(own);
    auto b = make_polyline({{20, 0, 0}, {30, 0, 0}});
    auto c = make_polyline({{40, 0, 0}, {50, 0, 0}});
    std::string error;
    ASSERT_EQ(a->join(b, error), 1);
    a->reverse();
    const std::vector<Point3> before = points_of(*a);
    EXPECT_EQ(a->join(c, error), 0);
    EXPECT_NE(error.find("décomposez"), std::string::npos) << error;
    ASSERT_TRUE(c);
    EXPECT_EQ(points_of(*a), before);
    EXPECT_EQ(a->nbMembers, 1);

    PolylineArray table;
    table[0] = std::move(a);
    int count = 1;
    ASSERT_EQ(table[0]->explode(table, count, error), 1);
    EXPECT_EQ(points_of(*table[0]), own);

    // Join, join, reverse, explode: every polyline comes back whole, in order.
    ASSERT_EQ(table[0]->join(table[1], error), 1);
    ASSERT_EQ(table[0]->join(c, error), 1);
    table[0]->reverse();
    count = 1;
    ASSERT_EQ(table[0]->explode(table, count, error), 1);
    EXPECT_EQ(count, 3);
    EXPECT_EQ(points_of(*table[0]), own);
    EXPECT_EQ(points_of(*table[1]), (std::vector<Point3>{{20, 0, 0}, {30, 0, 0}}));
    EXPECT_EQ(points_of(*table[2]), (std::vector<Point3>{{40, 0, 0}, {50, 0, 0}}));
}

TEST(Polyline, ReverseJoinAndExplodeDiscardTheOffsetContourAndTabs) {
    auto a = straight(3, 0);
    give_offset(*a);
    a->reverse();
    EXPECT_FALSE(has_offset(*a));

    auto b = straight(3, 10);
    give_offset(*a);
    give_offset(*b);
    CPolyline* member = b.get();
    std::string error;
    ASSERT_EQ(a->join(b, error), 1);
    EXPECT_FALSE(has_offset(*a));
    EXPECT_FALSE(has_offset(*member));

    give_offset(*a);
    PolylineArray table;
    table[0] = std::move(a);
    int count = 1;
    ASSERT_EQ(table[0]->explode(table, count, error), 1);
    EXPECT_FALSE(has_offset(*table[0]));
}

TEST(Polyline, JoinAndExplodeRefuseToPassTheirTables) {
    auto a = straight(1, 0);
    std::string error;
    for (int i = 0; i < common::kMaxMembers; ++i) {
        auto m = straight(1, static_cast<float>(10 + i));
        ASSERT_EQ(a->join(m, error), 1) << i;
    }
    auto extra = straight(1, 100);
    EXPECT_EQ(a->join(extra, error), 0);
    EXPECT_NE(error.find("50"), std::string::npos) << error;
    EXPECT_TRUE(extra);
    EXPECT_EQ(a->nbMembers, 50);
    EXPECT_EQ(a->nbPoints, 51);

    PolylineArray table;
    int count = 151;
    for (int i = 0; i < count; ++i) {
        table[static_cast<size_t>(i)] = std::make_unique<CPolyline>();
    }
    EXPECT_EQ(a->explode(table, count, error), 0) << "151 + 50 would pass 200";
    EXPECT_NE(error.find("200"), std::string::npos) << error;
    EXPECT_EQ(count, 151);
    EXPECT_EQ(a->nbMembers, 50);
    EXPECT_EQ(a->nbPoints, 51);
    EXPECT_FALSE(table[151]);

    count = 150;
    table[150].reset();
    ASSERT_EQ(a->explode(table, count, error), 1) << error;
    EXPECT_EQ(count, 200);
    EXPECT_EQ(a->nbPoints, 1);
    EXPECT_EQ(table[199]->points[0].x, 59);

    EXPECT_EQ(a->explode(table, count, error), 0) << "nothing left to explode";
    EXPECT_EQ(a->nbPoints, 1);
}

TEST(Polyline, MembersAreWalkedInJoinOrder) {
    auto a = straight(1, 0);
    std::string error;
    std::vector<CPolyline*> joined;
    for (int i = 0; i < 3; ++i) {
        auto m = straight(1, static_cast<float>(10 * (i + 1)));
        joined.push_back(m.get());
        ASSERT_EQ(a->join(m, error), 1);
    }
    for (int round = 0; round < 2; ++round) {
        a->reset_member_cursor();
        for (CPolyline* expected : joined) {
            EXPECT_EQ(a->next_member(), expected);
        }
        EXPECT_EQ(a->next_member(), nullptr);
        EXPECT_EQ(a->next_member(), nullptr);
    }
}

TEST(Polyline, FlagSettersTakeOnlyZeroOrOne) {
    CPolyline p;
    p.set_selected(1);
    p.set_selected(2);
    p.set_start_linked(-1);
    p.set_end_linked(1);
    EXPECT_EQ(p.selected(), 1);
    EXPECT_EQ(p.start_linked(), 0);
    EXPECT_EQ(p.end_linked(), 1);
    EXPECT_TRUE(p.is_linked());
    p.set_end_linked(0);
    p.set_start_linked(1);
    EXPECT_TRUE(p.is_linked());
    p.set_start_linked(0);
    EXPECT_FALSE(p.is_linked());
}
