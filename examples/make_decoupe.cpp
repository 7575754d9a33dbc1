// Writes examples/decoupe.dxf: a cut plan as Plandor exports it. Three ribs
// of a tapered wing (a cambered 12 % profile, chords 120, 105 and 90 mm) and a
// fuselage former (an ellipse of 100 × 120 mm with two round lightening
// holes), each outline offset by the radius of a 2 mm cutter (outside the
// parts, inside the holes), two holding tabs on each part and a cut order
// from the origin that takes the holes before the outline around them.
// With a second name it also writes the same parts as a Plandor plan (.cmg):
// the drawn outlines, their contours and tabs as Plandor computes them, and
// the links of the cut order.
// Usage: make_decoupe OUT.dxf [PLAN.cmg]

#include <cmath>
#include <cstdio>
#include <numbers>
#include <string>
#include <vector>

#include "plandor_doc.h"

namespace {

struct Pt {
    double x;
    double y;
};
using Outline = std::vector<Pt>;  // closed, first point not repeated

constexpr double kCutterRadius = 1.0;  // a 2 mm cutter
constexpr double kTabWidth = 2.0;

// A NACA 2412 profile of chord `chord` with its leading edge at (x0, y0):
// from the trailing edge over the upper surface to the leading edge and
// back along the lower surface, counter-clockwise.
Outline rib(double chord, double x0, double y0) {
    constexpr int n = 24;  // points per surface, cosine spacing
    constexpr double m = 0.02, p = 0.4, t = 0.12;
    auto surface = [&](double xc, int side) {
        const double yt = 5 * t *
                          (0.2969 * std::sqrt(xc) - 0.1260 * xc - 0.3516 * xc * xc +
                           0.2843 * xc * xc * xc - 0.1015 * xc * xc * xc * xc);
        const double yc = xc < p ? m / (p * p) * (2 * p * xc - xc * xc)
                                 : m / ((1 - p) * (1 - p)) * (1 - 2 * p + 2 * p * xc - xc * xc);
        const double dyc =
            xc < p ? 2 * m / (p * p) * (p - xc) : 2 * m / ((1 - p) * (1 - p)) * (p - xc);
        const double th = std::atan(dyc);
        return Pt{x0 + chord * (xc - side * yt * std::sin(th)),
                  y0 + chord * (yc + side * yt * std::cos(th))};
    };
    Outline o;
    for (int i = n; i >= 0; --i) {
        o.push_back(surface(0.5 * (1 - std::cos(std::numbers::pi * i / n)), 1));
    }
    for (int i = 1; i <= n; ++i) {
        o.push_back(surface(0.5 * (1 - std::cos(std::numbers::pi * i / n)), -1));
    }
    return o;
}

// An ellipse (or a circle) of `count` points, counter-clockwise from its
// rightmost point.
Outline ellipse(double cx, double cy, double a, double b, int count) {
    Outline o;
    for (int i = 0; i < count; ++i) {
        const double angle = 2 * std::numbers::pi * i / count;
        o.push_back({cx + a * std::cos(angle), cy + b * std::sin(angle)});
    }
    return o;
}

// The outline moved by `d` along its outward normals (d < 0: inwards),
// each vertex on the bisector of its two edges, at the mitre distance.
Outline offset(const Outline& o, double d) {
    const size_t n = o.size();
    auto normal = [&](size_t i) {  // outward normal of edge i -> i+1 (counter-clockwise)
        const Pt& a = o[i];
        const Pt& b = o[(i + 1) % n];
        const double len = std::hypot(b.x - a.x, b.y - a.y);
        return Pt{(b.y - a.y) / len, -(b.x - a.x) / len};
    };
    Outline out;
    for (size_t i = 0; i < n; ++i) {
        const Pt n1 = normal((i + n - 1) % n);
        const Pt n2 = normal(i);
        Pt m{n1.x + n2.x, n1.y + n2.y};
        const double len = std::hypot(m.x, m.y);
        m = {m.x / len, m.y / len};
        const double cosine = std::max(m.x * n1.x + m.y * n1.y, 0.34);  // mitre at most ~3 d
        out.push_back({o[i].x + m.x * d / cosine, o[i].y + m.y * d / cosine});
    }
    return out;
}

// A polyline of the plan: its offset contour closed on its first point, with
// a tab of kTabWidth over the middle of each segment listed in `tab_segments`.
std::unique_ptr<common::CPolyline> contour(const Outline& o,
                                           const std::vector<size_t>& tab_segments) {
    auto p = std::make_unique<common::CPolyline>();
    const size_t n = o.size();
    for (size_t i = 0; i <= n; ++i) {
        const Pt& q = o[i % n];
        p->points[i] = {static_cast<float>(q.x), static_cast<float>(q.y), 0};
        p->offsetPoints[i] = p->points[i];
    }
    p->nbPoints = static_cast<int>(n + 1);
    p->nbOffsetPoints = p->nbPoints;
    p->detourage = common::OffsetSide::left;
    for (size_t k : tab_segments) {  // segment k runs from point k-1 to point k
        const Pt& a = o[k - 1];
        const Pt& b = o[k % n];
        const double len = std::hypot(b.x - a.x, b.y - a.y);
        const double ux = (b.x - a.x) / len, uy = (b.y - a.y) / len;
        const Pt mid{(a.x + b.x) / 2, (a.y + b.y) / 2};
        auto tab = std::make_unique<common::CAttache>();
        tab->largeur = static_cast<float>(kTabWidth);
        tab->x1 = static_cast<float>(mid.x - ux * kTabWidth / 2);
        tab->y1 = static_cast<float>(mid.y - uy * kTabWidth / 2);
        tab->x2 = static_cast<float>(mid.x + ux * kTabWidth / 2);
        tab->y2 = static_cast<float>(mid.y + uy * kTabWidth / 2);
        p->tabs[k] = std::move(tab);
    }
    return p;
}

// A drawn outline, closed on its first point, as Plandor imports it.
std::unique_ptr<common::CPolyline> drawn(const Outline& o) {
    auto p = std::make_unique<common::CPolyline>();
    const size_t n = o.size();
    for (size_t i = 0; i <= n; ++i) {
        p->points[i] = {static_cast<float>(o[i % n].x), static_cast<float>(o[i % n].y), 0};
    }
    p->nbPoints = static_cast<int>(n + 1);
    return p;
}

// The plan as a user makes it in Plandor: each outline offset on its side
// (left is inside for these counter-clockwise outlines), tabs placed on the
// listed segments, links from the origin through the parts in order.
int write_plan(const char* path) {
    platform::MemorySettingsStore settings;
    plandor::CPlandorDoc doc(settings);
    doc.cutterRadius = static_cast<float>(kCutterRadius);
    doc.tabWidth = static_cast<float>(kTabWidth);
    doc.tabStep = 1.0f;
    doc.boardWidth = 150;
    doc.boardLength = 300;
    struct Part {
        Outline outline;
        common::OffsetSide side;
        std::vector<int> tabs;
    };
    constexpr common::OffsetSide left = common::OffsetSide::left;
    constexpr common::OffsetSide right = common::OffsetSide::right;
    std::vector<Part> parts = {{ellipse(60, 95, 13, 13, 36), left, {}},
                               {ellipse(60, 45, 13, 13, 36), left, {}},
                               {ellipse(60, 70, 50, 60, 72), right, {18, 54}}};
    const double chords[] = {120, 105, 90};
    for (int r = 0; r < 3; ++r) {
        parts.push_back({rib(chords[r], 130, 25 + 40 * r), right, {12, 37}});
    }
    for (const Part& part : parts) {
        auto p = drawn(part.outline);
        std::string error;
        if (!p->offset(part.side, doc.cutterRadius, true, error)) {
            std::fprintf(stderr, "%s\n", error.c_str());
            return 1;
        }
        for (int s : part.tabs) {
            p->place_tab(s, doc.tabWidth, 0);
        }
        doc.add_polyline(std::move(p));
    }
    for (int i = 0; i < doc.polylineCount; ++i) {
        auto link = std::make_unique<plandor::CLiaison>();
        link->startIndex = i - 1;
        link->endIndex = i;
        common::CPolyline& end = *doc.polylines[static_cast<size_t>(i)];
        if (i > 0) {
            common::CPolyline& start = *doc.polylines[static_cast<size_t>(i - 1)];
            const common::Point3& last =
                start.offsetPoints[static_cast<size_t>(start.nbOffsetPoints - 1)];
            link->startX = last.x;
            link->startY = last.y;
            start.set_start_linked(1);
        }
        link->endX = end.offsetPoints[0].x;
        link->endY = end.offsetPoints[0].y;
        end.set_end_linked(1);
        doc.add_link(std::move(link));
    }
    std::string error;
    if (!doc.save_document(path, error)) {
        std::fprintf(stderr, "%s\n", error.c_str());
        return 1;
    }
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 2 && argc != 3) {
        std::fprintf(stderr, "Usage : make_decoupe SORTIE.dxf [PLAN.cmg]\n");
        return 1;
    }
    if (argc == 3 && write_plan(argv[2]) != 0) {
        return 1;
    }
    platform::MemorySettingsStore settings;
    plandor::CPlandorDoc doc(settings);

    // The former: holes first (cut inside), then its outline (cut outside).
    doc.add_polyline(contour(offset(ellipse(60, 95, 13, 13, 36), -kCutterRadius), {}));
    doc.add_polyline(contour(offset(ellipse(60, 45, 13, 13, 36), -kCutterRadius), {}));
    doc.add_polyline(contour(offset(ellipse(60, 70, 50, 60, 72), kCutterRadius), {18, 54}));
    // The ribs, side by side on the board, tabs on the upper and lower surfaces.
    const double chords[] = {120, 105, 90};
    for (int r = 0; r < 3; ++r) {
        doc.add_polyline(
            contour(offset(rib(chords[r], 130, 25 + 40 * r), kCutterRadius), {12, 37}));
    }
    for (int i = 0; i < doc.polylineCount; ++i) {
        auto link = std::make_unique<plandor::CLiaison>();
        link->startIndex = i - 1;
        link->endIndex = i;
        doc.add_link(std::move(link));
    }
    std::string error;
    if (!doc.export_dxf(argv[1], error)) {
        std::fprintf(stderr, "%s\n", error.c_str());
        return 1;
    }
    return 0;
}
