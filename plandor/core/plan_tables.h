#pragma once
// The tables of a plan: its polylines and the links of its cut order, each
// with the count of slots used. The document holds one; a file read fills one.

#include "liaison.h"
#include "polyline.h"

namespace plandor {

struct PlanTables {
    common::PolylineArray polylines;
    int polylineCount = 0;
    LinkArray links;
    int linkCount = 0;
};

}  // namespace plandor
