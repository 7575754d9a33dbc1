#pragma once
// The order in which the tool visits a set of stations, starting from the
// origin and ending anywhere: nearest neighbour, then 2-opt on the travel
// length, from several starts, keeping the shortest.

#include <cstdint>
#include <vector>

#include "outline_geometry.h"

namespace plandor {

// Travel from `origin` through the stations in `order`; no return.
double travel_length(PlanePoint origin, const std::vector<PlanePoint>& stations,
                     const std::vector<int>& order);

// Each step goes to the nearest station not yet visited (the first one on a tie).
std::vector<int> nearest_neighbour_order(PlanePoint origin,
                                         const std::vector<PlanePoint>& stations);

// Reverses stretches of the order while one shortens the travel; the result
// is never longer than the order it started from.
void improve_two_opt(PlanePoint origin, const std::vector<PlanePoint>& stations,
                     std::vector<int>& order);

// The nearest-neighbour order improved by 2-opt, and `restarts` random
// orders (drawn from `seed`) improved likewise: the shortest of them.
std::vector<int> shortest_travel_order(PlanePoint origin, const std::vector<PlanePoint>& stations,
                                       int restarts = 6, std::uint32_t seed = 1);

}  // namespace plandor
