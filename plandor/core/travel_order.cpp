#include "travel_order.h"

#include <algorithm>
#include <cmath>
#include <numeric>
#include <random>

namespace plandor {

namespace {

double distance(PlanePoint a, PlanePoint b) {
    return std::hypot(a.x - b.x, a.y - b.y);
}

}  // namespace

double travel_length(PlanePoint origin, const std::vector<PlanePoint>& stations,
                     const std::vector<int>& order) {
    double length = 0;
    PlanePoint at = origin;
    for (int index : order) {
        length += distance(at, stations[static_cast<size_t>(index)]);
        at = stations[static_cast<size_t>(index)];
    }
    return length;
}

std::vector<int> nearest_neighbour_order(PlanePoint origin,
                                         const std::vector<PlanePoint>& stations) {
    std::vector<int> order;
    std::vector<bool> visited(stations.size(), false);
    PlanePoint at = origin;
    for (size_t step = 0; step < stations.size(); ++step) {
        size_t best = 0;
        double best_distance = INFINITY;
        for (size_t k = 0; k < stations.size(); ++k) {
            if (!visited[k] && distance(at, stations[k]) < best_distance) {
                best = k;
                best_distance = distance(at, stations[k]);
            }
        }
        visited[best] = true;
        order.push_back(static_cast<int>(best));
        at = stations[best];
    }
    return order;
}

void improve_two_opt(PlanePoint origin, const std::vector<PlanePoint>& stations,
                     std::vector<int>& order) {
    const size_t n = order.size();
    auto at = [&](size_t k) { return stations[static_cast<size_t>(order[k])]; };
    // Reversing order[i..j] replaces the edges (before i, i) and (j, after j)
    // by (before i, j) and (i, after j); the path has no edge after its end.
    bool improved = true;
    while (improved) {
        improved = false;
        for (size_t i = 0; i + 1 < n; ++i) {
            const PlanePoint before = i == 0 ? origin : at(i - 1);
            for (size_t j = i + 1; j < n; ++j) {
                double removed = distance(before, at(i));
                double added = distance(before, at(j));
                if (j + 1 < n) {
                    removed += distance(at(j), at(j + 1));
                    added += distance(at(i), at(j + 1));
                }
                if (added < removed - 1e-9) {
                    std::reverse(order.begin() + static_cast<std::ptrdiff_t>(i),
                                 order.begin() + static_cast<std::ptrdiff_t>(j) + 1);
                    improved = true;
                }
            }
        }
    }
}

std::vector<int> shortest_travel_order(PlanePoint origin, const std::vector<PlanePoint>& stations,
                                       int restarts, std::uint32_t seed) {
    std::vector<int> best = nearest_neighbour_order(origin, stations);
    improve_two_opt(origin, stations, best);
    double best_length = travel_length(origin, stations, best);
    std::mt19937 random(seed);
    for (int r = 0; r < restarts; ++r) {
        std::vector<int> order(stations.size());
        std::iota(order.begin(), order.end(), 0);
        for (size_t k = order.size(); k > 1; --k) {
            std::swap(order[k - 1], order[random() % k]);
        }
        improve_two_opt(origin, stations, order);
        const double length = travel_length(origin, stations, order);
        if (length < best_length) {
            best = std::move(order);
            best_length = length;
        }
    }
    return best;
}

}  // namespace plandor
