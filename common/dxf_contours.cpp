#include "dxf_contours.h"

#include <algorithm>
#include <cmath>
#include <functional>
#include <limits>
#include <map>
#include <utility>

#include "read_file.h"

namespace common {

namespace {

constexpr std::size_t kGreedyLimit = 10'000;
constexpr std::size_t kFineSteps = 4;
// Fine points the greedy search may spend over the contours of one drawing.
constexpr std::size_t kGreedyBudget = 400'000;

double dist(const CurvePoint& a, const CurvePoint& b) {
    return std::hypot(a.x - b.x, a.y - b.y);
}

// The square of the distance from `p` to the segment [a, b], for the
// searches that only compare distances: it spares a square root per point.
double segment_distance2(const CurvePoint& p, const CurvePoint& a, const CurvePoint& b) {
    const double dx = b.x - a.x;
    const double dy = b.y - a.y;
    const double len2 = dx * dx + dy * dy;
    const double t =
        len2 > 0 ? std::clamp(((p.x - a.x) * dx + (p.y - a.y) * dy) / len2, 0.0, 1.0) : 0.0;
    const double ex = p.x - (a.x + t * dx);
    const double ey = p.y - (a.y + t * dy);
    return ex * ex + ey * ey;
}

double segment_distance(const CurvePoint& p, const CurvePoint& a, const CurvePoint& b) {
    return std::sqrt(segment_distance2(p, a, b));
}

// Consecutive points closer than a nanometre make no segment.
std::vector<CurvePoint> without_repeats(const std::vector<CurvePoint>& pts) {
    std::vector<CurvePoint> out;
    for (const CurvePoint& p : pts) {
        if (out.empty() || dist(out.back(), p) > 1e-6) {
            out.push_back(p);
        }
    }
    return out;
}

// The open pieces' ends in a grid of cells of the chaining tolerance, so
// that a search looks at the 3 x 3 cells around a point.
class EndIndex {
  public:
    // Closed runs are whole already: nothing is chained to them.
    EndIndex(const std::vector<std::vector<CurvePoint>>& runs, const std::vector<bool>& closed,
             double tolerance)
        : runs_(runs), tol_(tolerance) {
        for (std::size_t i = 0; i < runs.size(); ++i) {
            if (runs[i].size() >= 2 && !closed[i]) {
                cells_[cell(runs[i].front())].runs.push_back(i);
                cells_[cell(runs[i].back())].runs.push_back(i);
            }
        }
    }

    // The first unused run (in file order) with an end within the
    // tolerance of `p`; `at_end` says which of its ends. Runs already used
    // are dropped from the front of each cell as they are met, so ends drawn
    // many times over one another are not searched again and again.
    bool find(const CurvePoint& p, const std::vector<bool>& used, std::size_t& run, bool& at_end) {
        const auto [cx, cy] = cell(p);
        bool found = false;
        for (long long dx = -1; dx <= 1; ++dx) {
            for (long long dy = -1; dy <= 1; ++dy) {
                const auto it = cells_.find({cx + dx, cy + dy});
                if (it == cells_.end()) {
                    continue;
                }
                Cell& c = it->second;
                while (c.head < c.runs.size() && used[c.runs[c.head]]) {
                    ++c.head;
                }
                // Runs are in file order in a cell: the first that meets is its best.
                for (std::size_t k = c.head; k < c.runs.size(); ++k) {
                    const std::size_t i = c.runs[k];
                    if (found && i >= run) {
                        break;
                    }
                    if (used[i]) {
                        continue;
                    }
                    const bool front = dist(runs_[i].front(), p) <= tol_;
                    if (front || dist(runs_[i].back(), p) <= tol_) {
                        run = i;
                        at_end = !front;
                        found = true;
                        break;
                    }
                }
            }
        }
        return found;
    }

  private:
    std::pair<long long, long long> cell(const CurvePoint& p) const {
        const auto c = [this](double v) {
            return static_cast<long long>(std::floor(std::clamp(v / tol_, -1e15, 1e15)));
        };
        return {c(p.x), c(p.y)};
    }

    const std::vector<std::vector<CurvePoint>>& runs_;
    double tol_;
    struct Cell {
        std::vector<std::size_t> runs;
        std::size_t head = 0;  // runs before it are all used
    };
    std::map<std::pair<long long, long long>, Cell> cells_;
};

// Douglas-Peucker run once to the last point: the tolerance under which
// each point is kept (its distance when it splits its segment, bounded by
// the splits above it; the ends always). The marking of any tolerance is the
// points above it, so the smallest fit needs one run, not one per guess.
std::vector<double> kept_below(const std::vector<CurvePoint>& pts) {
    constexpr double kAlways = std::numeric_limits<double>::infinity();
    std::vector<double> level(pts.size(), 0);
    level.front() = level.back() = kAlways;
    struct Span {
        std::size_t i, j;
        double bound;
    };
    std::vector<Span> stack{{0, pts.size() - 1, kAlways}};
    while (!stack.empty()) {
        const Span span = stack.back();
        stack.pop_back();
        double worst = -1;
        std::size_t at = span.i;
        for (std::size_t k = span.i + 1; k < span.j; ++k) {
            const double d = segment_distance2(pts[k], pts[span.i], pts[span.j]);
            if (d > worst) {
                worst = d;
                at = k;
            }
        }
        if (at != span.i && worst > 0) {
            level[at] = std::min(std::sqrt(worst), span.bound);
            stack.push_back({span.i, at, level[at]});
            stack.push_back({at, span.j, level[at]});
        }
    }
    return level;
}

// The Douglas-Peucker marking with the most points up to `max_points` whose
// tolerance is at most `hi`; empty when even `hi` keeps more.
std::vector<bool> smallest_dp_fit(const std::vector<CurvePoint>& pts, int max_points, double hi) {
    const std::vector<double> level = kept_below(pts);
    double eps = 0;
    if (level.size() > static_cast<std::size_t>(max_points)) {
        // The level of the first point left out, largest first.
        std::vector<double> levels = level;
        const auto nth = levels.begin() + max_points;
        std::nth_element(levels.begin(), nth, levels.end(), std::greater<>());
        eps = *nth;
    }
    if (eps > hi) {
        return {};
    }
    std::vector<bool> keep(pts.size());
    for (std::size_t k = 0; k < pts.size(); ++k) {
        keep[k] = level[k] > eps;
    }
    return keep;
}

// Greedy: from each kept point, the farthest point whose chord passes within
// `eps` of every point in between is kept next.
void mark_greedy(const std::vector<CurvePoint>& pts, double eps, std::vector<bool>& keep) {
    const double eps2 = eps * eps;
    const auto holds = [&](std::size_t i, std::size_t j) {
        for (std::size_t k = i + 1; k < j; ++k) {
            if (segment_distance2(pts[k], pts[i], pts[j]) > eps2) {
                return false;
            }
        }
        return true;
    };
    keep.assign(pts.size(), false);
    keep.front() = true;
    const std::size_t last = pts.size() - 1;
    for (std::size_t i = 0; i < last;) {
        // The chord is lengthened by doubling steps, then the step where it
        // first fails is halved: a chord that holds ends on a point after
        // which the next one fails, found in a number of checks that grows
        // with the logarithm of its length, not with the length itself (a
        // long straight run of points would otherwise cost its cube).
        std::size_t good = i + 1;
        std::size_t step = 1;
        std::size_t bad = last + 1;
        while (good < last) {
            const std::size_t next = std::min(good + step, last);
            if (!holds(i, next)) {
                bad = next;
                break;
            }
            good = next;
            step *= 2;
        }
        while (bad - good > 1) {
            const std::size_t mid = good + (bad - good) / 2;
            if (holds(i, mid)) {
                good = mid;
            } else {
                bad = mid;
            }
        }
        keep[good] = true;
        i = good;
    }
}

using Marking = void (*)(const std::vector<CurvePoint>&, double, std::vector<bool>&);

// The marking of the smallest tolerance up to `hi` (to a tenth of a micron,
// or a thousandth of `hi` when that is coarser: a contour this far from its
// points needs no finer search) that keeps at most `max_points`; empty when
// even `hi` keeps more.
std::vector<bool> smallest_fit(Marking marking, const std::vector<CurvePoint>& pts, int max_points,
                               double hi) {
    std::vector<bool> best;
    std::vector<bool> keep;
    const auto fits = [&](const std::vector<bool>& k) {
        return std::count(k.begin(), k.end(), true) <= max_points;
    };
    marking(pts, hi, best);
    if (!fits(best)) {
        return {};
    }
    const double precision = std::max(1e-4, 1e-3 * hi);
    for (double lo = 0; hi - lo > precision;) {
        const double eps = 0.5 * (lo + hi);
        marking(pts, eps, keep);
        if (fits(keep)) {
            hi = eps;
            best.swap(keep);
        } else {
            lo = eps;
        }
    }
    return best;
}

// The largest distance of a dropped point to the segment that replaces it.
double deviation(const std::vector<CurvePoint>& pts, const std::vector<bool>& keep) {
    double worst = 0;
    std::size_t last = 0;
    for (std::size_t k = 1; k < pts.size(); ++k) {
        if (!keep[k]) {
            continue;
        }
        for (std::size_t m = last + 1; m < k; ++m) {
            worst = std::max(worst, segment_distance(pts[m], pts[last], pts[k]));
        }
        last = k;
    }
    return worst;
}

}  // namespace

std::vector<CurveContour> chain_pieces(const std::vector<CurvePiece>& pieces, double tolerance,
                                       int& dropped) {
    dropped = 0;
    std::vector<std::vector<CurvePoint>> runs;
    std::vector<std::vector<CurvePoint>> fine;  // empty for a straight piece
    std::vector<bool> closed;
    for (const CurvePiece& piece : pieces) {
        runs.push_back(without_repeats(piece.points));
        fine.push_back(without_repeats(piece.fine));
        closed.push_back(piece.closed);
        if (runs.back().size() < 2) {
            runs.back().clear();
            ++dropped;
        }
        if (fine.back().size() < 2) {
            fine.back().clear();
        }
    }
    const auto fine_run = [&](std::size_t i) -> const std::vector<CurvePoint>& {
        return fine[i].empty() ? runs[i] : fine[i];
    };
    EndIndex index(runs, closed, tolerance);
    std::vector<bool> used(runs.size(), false);
    std::vector<CurveContour> contours;
    for (std::size_t i = 0; i < runs.size(); ++i) {
        if (used[i] || runs[i].empty()) {
            continue;
        }
        used[i] = true;
        CurveContour c;
        c.pieces = 1;
        std::vector<CurvePoint> pts = runs[i];
        std::vector<CurvePoint> fpts = fine_run(i);
        bool curved = !fine[i].empty();
        const auto comes_back = [&] {
            return pts.size() > 2 && dist(pts.front(), pts.back()) <= tolerance;
        };
        // Forward from the end, then backward from the start.
        for (int direction = 0; direction < 2 && !closed[i]; ++direction) {
            std::size_t run = 0;
            bool at_end = false;
            while (!comes_back() && index.find(pts.back(), used, run, at_end)) {
                used[run] = true;
                ++c.pieces;
                curved = curved || !fine[run].empty();
                const std::vector<CurvePoint>& f = fine_run(run);
                if (at_end) {
                    pts.insert(pts.end(), std::next(runs[run].rbegin()), runs[run].rend());
                    fpts.insert(fpts.end(), std::next(f.rbegin()), f.rend());
                } else {
                    pts.insert(pts.end(), std::next(runs[run].begin()), runs[run].end());
                    fpts.insert(fpts.end(), std::next(f.begin()), f.end());
                }
            }
            // After both passes the run reads in its first piece's direction again.
            std::reverse(pts.begin(), pts.end());
            std::reverse(fpts.begin(), fpts.end());
        }
        c.closed = comes_back();
        if (c.closed) {
            pts.back() = pts.front();
            fpts.back() = fpts.front();
        }
        c.points = std::move(pts);
        if (curved) {
            c.fine = std::move(fpts);
        }
        c.sourcePoints = static_cast<int>(c.points.size());
        contours.push_back(std::move(c));
    }
    return contours;
}

void fit_contour(CurveContour& contour, int max_points, std::size_t* greedy_budget) {
    contour.sourcePoints = static_cast<int>(contour.points.size());
    if (static_cast<int>(contour.points.size()) <= max_points || max_points < 2) {
        return;
    }
    // The points are chosen among the fine flattening, which stands for the
    // curve: where it bends most they come closest together.
    std::vector<CurvePoint> pts = contour.fine.size() >= 2 ? contour.fine : contour.points;
    double extent = 0;
    for (const CurvePoint& p : pts) {
        extent = std::max(extent, dist(p, pts.front()));
    }
    std::vector<bool> best = smallest_dp_fit(pts, max_points, extent);
    double worst = deviation(pts, best);
    // The greedy marking spreads the points evenly along a curve, and may
    // take them anywhere on the flattened contour (every segment cut in
    // four), not only at its vertices: a circle then needs no more than its
    // even chords. It costs the square of the points a chord covers, so
    // long contours keep the first answer.
    const std::size_t cost = pts.size() * kFineSteps;
    if (cost <= kGreedyLimit && (greedy_budget == nullptr || cost <= *greedy_budget)) {
        if (greedy_budget != nullptr) {
            *greedy_budget -= cost;
        }
        std::vector<CurvePoint> fine;
        for (std::size_t k = 0; k + 1 < pts.size(); ++k) {
            for (std::size_t step = 0; step < kFineSteps; ++step) {
                const double t = static_cast<double>(step) / kFineSteps;
                fine.push_back({pts[k].x + (pts[k + 1].x - pts[k].x) * t,
                                pts[k].y + (pts[k + 1].y - pts[k].y) * t});
            }
        }
        fine.push_back(pts.back());
        const std::vector<bool> greedy = smallest_fit(mark_greedy, fine, max_points, worst);
        if (!greedy.empty() && deviation(fine, greedy) < worst) {
            pts = std::move(fine);
            best = greedy;
            worst = deviation(pts, best);
        }
    }
    contour.deviation = worst;
    std::vector<CurvePoint> kept;
    for (std::size_t k = 0; k < pts.size(); ++k) {
        if (best[k]) {
            kept.push_back(pts[k]);
        }
    }
    contour.points = std::move(kept);
}

bool import_dxf_curves_text(std::string_view text, int max_contours, int max_points,
                            CurveImport& result, std::string& error) {
    result = CurveImport{};
    if (!read_dxf_pieces(text, result.drawing, error)) {
        return false;
    }
    result.contours =
        chain_pieces(result.drawing.pieces, kChainToleranceMm, result.zeroLengthPieces);
    result.contoursFound = static_cast<int>(result.contours.size());
    if (result.contoursFound > max_contours) {
        result.leftOut = result.contoursFound - max_contours;
        result.contours.resize(static_cast<std::size_t>(std::max(max_contours, 0)));
    }
    // A drawing of many long contours would otherwise cost seconds.
    std::size_t greedy_budget = kGreedyBudget;
    for (CurveContour& c : result.contours) {
        fit_contour(c, max_points, &greedy_budget);
    }
    return true;
}

bool import_dxf_curves(const std::string& path, int max_contours, int max_points,
                       CurveImport& result, std::string& error) {
    std::string text;
    if (!platform::read_file(path, text, error, kMaxDrawingBytes)) {
        result = CurveImport{};
        return false;
    }
    return import_dxf_curves_text(text, max_contours, max_points, result, error);
}

}  // namespace common
