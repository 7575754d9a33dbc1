// The cutter-radius offset of a polyline: each segment's line is moved by the
// radius to the chosen side and each contour point is where the lines of its
// two segments meet. Slopes, intercepts and offset components are kept in
// single precision from one step to the next, as the stored contour is; a
// corner is one step, worked in double precision from the lines it meets and
// rounded only when stored. On a steep line, a y taken from an x already
// rounded to single precision would be off by the slope times that rounding.

#include <cmath>

#include "polyline.h"

namespace common {

namespace {

constexpr double kVerticalBelow = 0.01;   // x extent under which a segment is vertical
constexpr double kParallelWithin = 0.01;  // slopes closer than this are parallel
constexpr float kClosedWithin = 0.5f;     // mm between the ends of a closed outline
constexpr int kFewestClosedPoints = 4;

// A line held as slope and intercept, or as an abscissa when vertical.
struct Line {
    bool vertical = false;
    float m = 0;
    float b = 0;
    float x = 0;
};

struct OffsetSegment {
    float ox = 0;  // offset vector, length r
    float oy = 0;
    Line line;  // the segment's line moved by the offset vector
};

OffsetSegment offset_segment(const Point3& a, const Point3& b, float r, OffsetSide side) {
    OffsetSegment s;
    float dx = 0;
    float dy = r;
    const bool sloped = std::fabs(a.x - b.x) >= kVerticalBelow;
    if (sloped) {
        s.line.m =
            static_cast<float>((static_cast<double>(b.y) - a.y) / (static_cast<double>(b.x) - a.x));
        const double m = s.line.m;
        dx = static_cast<float>(r / std::sqrt(m * m + 1.0));
        dy = static_cast<float>(static_cast<double>(dx) * m);
    }
    // (dx, dy) points towards increasing x (increasing y when vertical).
    if (side == OffsetSide::left) {
        s.ox = -dy;
        s.oy = dx;
    } else {
        s.ox = dy;
        s.oy = -dx;
    }
    if ((sloped && b.x < a.x) || (!sloped && b.y < a.y)) {
        s.ox = -s.ox;
        s.oy = -s.oy;
    }
    const double px = static_cast<double>(a.x) + s.ox;
    const double py = static_cast<double>(a.y) + s.oy;
    if (sloped) {
        s.line.b = static_cast<float>(py - static_cast<double>(s.line.m) * px);
    } else {
        s.line.vertical = true;
        s.line.x = static_cast<float>(px);
    }
    return s;
}

Point3 moved(const Point3& p, const OffsetSegment& s) {
    return {static_cast<float>(static_cast<double>(p.x) + s.ox),
            static_cast<float>(static_cast<double>(p.y) + s.oy), 0};
}

Point3 on_line(const Line& line, double x) {
    return {static_cast<float>(x), static_cast<float>(line.m * x + line.b), 0};
}

// Where two lines meet, or nothing when both are vertical or parallel.
bool meet(const Line& first, const Line& second, Point3& out) {
    if (!first.vertical && !second.vertical) {
        if (!(std::fabs(first.m - second.m) > kParallelWithin)) {
            return false;
        }
        const double x =
            (static_cast<double>(second.b) - first.b) / (static_cast<double>(first.m) - second.m);
        out = on_line(first, x);
        return true;
    }
    if (first.vertical && !second.vertical) {
        out = on_line(second, first.x);
        return true;
    }
    if (!first.vertical && second.vertical) {
        out = on_line(first, second.x);
        return true;
    }
    return false;
}

// The line through two contour points; its intercept (or abscissa) is taken
// from `p`.
Line line_through(const Point3& p, const Point3& q) {
    Line line;
    if (std::fabs(q.x - p.x) < kVerticalBelow) {
        line.vertical = true;
        line.x = p.x;
        return line;
    }
    line.m =
        static_cast<float>((static_cast<double>(q.y) - p.y) / (static_cast<double>(q.x) - p.x));
    line.b = static_cast<float>(p.y - static_cast<double>(line.m) * p.x);
    return line;
}

}  // namespace

bool CPolyline::offset(OffsetSide side, float r, bool reset_tabs, std::string& error) {
    if (side != OffsetSide::left && side != OffsetSide::right) {
        error = "Aucun côté de détourage n'est choisi.";
        return false;
    }
    if (nbPoints < 2 || nbPoints > kPointSlots) {
        error = "Une polyligne de moins de deux points n'a pas de détourage.";
        return false;
    }
    if (reset_tabs) {
        for (auto& tab : tabs) {
            tab.reset();
        }
    }
    const int n = nbPoints;
    auto at = [this](int k) -> const Point3& { return points[static_cast<size_t>(k)]; };
    OffsetSegment previous = offset_segment(at(0), at(1), r, side);
    offsetPoints[0] = moved(at(0), previous);
    for (int k = 2; k <= n - 1; ++k) {
        const OffsetSegment current = offset_segment(at(k - 1), at(k), r, side);
        Point3 corner;
        if (!meet(previous.line, current.line, corner)) {
            corner = moved(at(k - 1), current);
        }
        offsetPoints[static_cast<size_t>(k - 1)] = corner;
        previous = current;
    }
    offsetPoints[static_cast<size_t>(n - 1)] = moved(at(n - 1), previous);
    nbOffsetPoints = n;
    detourage = side;

    // A closed outline gets a true corner where its contour ends meet.
    const Point3& first = at(0);
    const Point3& last = at(n - 1);
    if (n >= kFewestClosedPoints && std::fabs(first.x - last.x) < kClosedWithin &&
        std::fabs(first.y - last.y) < kClosedWithin) {
        Point3& o_first = offsetPoints[0];
        Point3& o_last = offsetPoints[static_cast<size_t>(n - 1)];
        const Line a = line_through(o_first, offsetPoints[1]);
        Line b = line_through(offsetPoints[static_cast<size_t>(n - 2)], o_last);
        b.x = o_last.x;  // a vertical end line stands at the last point
        Point3 corner;
        if (a.vertical && b.vertical) {
            return true;
        }
        if (!meet(a, b, corner)) {
            corner = o_last;  // parallel ends: both take the last point
        }
        o_first = corner;
        o_last = corner;
    }
    return true;
}

}  // namespace common
