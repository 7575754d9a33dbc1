#pragma once
// A plan with every kind of record a .cmg file holds: outlines with their z,
// offset contours on both sides, tabs (one shifted), a group whose second
// member is itself a group, reversed after the joins, an outline without
// contour, link flags and two links from the origin on.

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "plandor_doc.h"

namespace sample_plan {

inline std::unique_ptr<common::CPolyline> outline(const std::vector<common::Point3>& pts) {
    auto p = std::make_unique<common::CPolyline>();
    for (const common::Point3& pt : pts) {
        p->points[static_cast<size_t>(p->nbPoints++)] = pt;
    }
    return p;
}

inline std::unique_ptr<plandor::CLiaison> link(int from, int to, const common::CPolyline* start,
                                               const common::CPolyline& end) {
    auto l = std::make_unique<plandor::CLiaison>();
    l->startIndex = from;
    l->endIndex = to;
    if (start != nullptr) {
        l->startX = start->offsetPoints[static_cast<size_t>(start->nbOffsetPoints - 1)].x;
        l->startY = start->offsetPoints[static_cast<size_t>(start->nbOffsetPoints - 1)].y;
    }
    l->endX = end.offsetPoints[0].x;
    l->endY = end.offsetPoints[0].y;
    return l;
}

inline void fill(plandor::CPlandorDoc& doc) {
    using common::TabOutcome;
    std::string error;
    doc.cutterRadius = 1.5f;
    doc.tabWidth = 4.0f;
    doc.tabStep = 2.0f;
    doc.boardWidth = 300;
    doc.boardLength = 600;

    // 0: a closed square cut inside, with two tabs, the second one shifted.
    auto square = outline({{0, 0, 0}, {40, 0, 0.5f}, {40, 30, 0}, {0, 30, 0}, {0, 0, 0}});
    ASSERT_TRUE(square->offset(common::OffsetSide::left, doc.cutterRadius, true, error)) << error;
    ASSERT_EQ(square->place_tab(2, doc.tabWidth, 0), TabOutcome::Stored);
    ASSERT_EQ(square->place_tab(3, doc.tabWidth, 0), TabOutcome::Stored);
    ASSERT_EQ(square->place_tab(3, doc.tabWidth, -doc.tabStep), TabOutcome::Stored);
    square->set_selected(1);

    // 1: an open sloped line cut on its right.
    auto line = outline({{50, 0, 0}, {70.25f, 12.5f, 0}});
    ASSERT_TRUE(line->offset(common::OffsetSide::right, doc.cutterRadius, true, error)) << error;

    // 2: a group of three pieces, the last one a group of its own, then
    // reversed: no contour.
    auto group = outline({{80, 0, 0}, {90, 0, 0}});
    auto second = outline({{90, 0, 0}, {95, 5, 0}});
    auto nested = outline({{95, 5, 0}, {100, 5, 0}});
    auto nested_tail = outline({{100, 5, 0}, {100, 10, 0}, {90, 10, 0}});
    ASSERT_EQ(group->join(second, error), 1) << error;
    ASSERT_EQ(nested->join(nested_tail, error), 1) << error;
    ASSERT_EQ(group->join(nested, error), 1) << error;
    group->reverse();

    // 3: an outline of one point, never offset.
    auto dot = outline({{120, 20, 0}});

    const common::CPolyline& sq = *square;
    const common::CPolyline& ln = *line;
    doc.add_link(link(-1, 0, nullptr, sq));
    doc.add_link(link(0, 1, &sq, ln));
    square->set_end_linked(1);
    square->set_start_linked(1);
    line->set_end_linked(1);
    doc.add_polyline(std::move(square));
    doc.add_polyline(std::move(line));
    doc.add_polyline(std::move(group));
    doc.add_polyline(std::move(dot));
}

}  // namespace sample_plan
