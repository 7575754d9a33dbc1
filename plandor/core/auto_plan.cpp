#include "auto_plan.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <memory>

#include "edit_commands.h"
#include "import_report.h"
#include "link_editor.h"
#include "outline_geometry.h"
#include "preferences.h"
#include "travel_order.h"

namespace plandor {

using common::CPolyline;

namespace {

// What the plan knows of one closed outline before it touches the document.
struct Outline {
    int index = 0;
    std::unique_ptr<CPolyline> trial;  // the points the plan gives the polyline
    int dropped = 0;                   // repeated points left out of them
    std::vector<PlanePoint> points;    // closing point included
    double area = 0;                   // absolute
    PlanePoint low;                    // bounding box
    PlanePoint high;
    int depth = 0;    // outlines around it
    int parent = -1;  // place in the outline list of the smallest one around it
    std::vector<int> children;
    bool hole = false;
    // The offset side giving the contour outside a part, inside a hole.
    common::OffsetSide side = common::OffsetSide::none;
    std::vector<PlanePoint> contour;  // with the drawn start
    bool cut = false;                 // the contour is clear of the outline
    bool rotates = false;             // its start may move (closed, not a group)
};

double distance(PlanePoint a, PlanePoint b) {
    return std::hypot(a.x - b.x, a.y - b.y);
}

// The outline's points without those lying within 0.01 mm of the point
// before them: a segment of no length has no direction, and its offset would
// fold the contour back onto the outline. A group keeps its points, which its
// explode takes back by count.
std::unique_ptr<CPolyline> trial_points(const CPolyline& p, int& dropped) {
    auto trial = std::make_unique<CPolyline>();
    dropped = 0;
    for (int k = 0; k < p.nbPoints && k < common::kPointSlots; ++k) {
        const common::Point3& q = p.points[static_cast<size_t>(k)];
        if (trial->nbPoints > 0 && p.nbMembers == 0) {
            const common::Point3& before = trial->points[static_cast<size_t>(trial->nbPoints - 1)];
            if (std::hypot(static_cast<double>(q.x) - before.x,
                           static_cast<double>(q.y) - before.y) <= kClosedOutlineWithin) {
                ++dropped;
                continue;
            }
        }
        trial->points[static_cast<size_t>(trial->nbPoints++)] = q;
    }
    return trial;
}

Outline describe(std::unique_ptr<CPolyline> trial, int dropped, const CPolyline& p, int index) {
    Outline o;
    o.index = index;
    o.trial = std::move(trial);
    o.dropped = dropped;
    o.points = outline_points(*o.trial);
    o.area = std::fabs(signed_area(o.points));
    o.low = o.high = o.points[0];
    for (const PlanePoint& q : o.points) {
        o.low = {std::min(o.low.x, q.x), std::min(o.low.y, q.y)};
        o.high = {std::max(o.high.x, q.x), std::max(o.high.y, q.y)};
    }
    o.rotates = p.nbMembers == 0;
    return o;
}

// Whether `inner` lies inside `outer`: boxes first, then most of its points.
bool encloses(const Outline& outer, const Outline& inner) {
    if (outer.area <= inner.area || inner.low.x < outer.low.x || inner.low.y < outer.low.y ||
        inner.high.x > outer.high.x || inner.high.y > outer.high.y) {
        return false;
    }
    size_t inside = 0;
    for (size_t k = 0; k + 1 < inner.points.size(); ++k) {
        inside += inside_ring(outer.points, inner.points[k]) ? 1 : 0;
    }
    return 2 * inside > inner.points.size() - 1;
}

void nest(std::vector<Outline>& outlines) {
    for (size_t i = 0; i < outlines.size(); ++i) {
        for (size_t j = 0; j < outlines.size(); ++j) {
            if (i == j || !encloses(outlines[j], outlines[i])) {
                continue;
            }
            ++outlines[i].depth;
            const int parent = outlines[i].parent;
            if (parent < 0 || outlines[j].area < outlines[static_cast<size_t>(parent)].area) {
                outlines[i].parent = static_cast<int>(j);
            }
        }
    }
    for (size_t i = 0; i < outlines.size(); ++i) {
        outlines[i].hole = outlines[i].depth % 2 == 1;
        if (outlines[i].parent >= 0) {
            outlines[static_cast<size_t>(outlines[i].parent)].children.push_back(
                static_cast<int>(i));
        }
    }
}

// The contour the cutter would follow, on the side that keeps it off the
// part: outside a part, inside a hole, whichever way the outline was drawn.
void choose_contour(Outline& o, float radius) {
    const bool anticlockwise = signed_area(o.points) > 0;
    // Left of an anticlockwise run is inside.
    o.side = o.hole == anticlockwise ? common::OffsetSide::left : common::OffsetSide::right;
    std::string unused;  // a closed outline always has a contour
    (void)o.trial->offset(o.side, radius, true, unused);
    o.contour = contour_points(*o.trial);
    o.cut = contour_clear_of_outline(o.points, o.contour, radius, o.hole);
}

// The contour point where the cut starts when the tool comes from `at`: the
// nearest corner when the start may move, else the drawn start.
int start_vertex(const Outline& o, PlanePoint at) {
    if (!o.rotates) {
        return 0;
    }
    int best = 0;
    for (size_t k = 1; k + 1 < o.contour.size(); ++k) {
        if (distance(at, o.contour[k]) < distance(at, o.contour[static_cast<size_t>(best)])) {
            best = static_cast<int>(k);
        }
    }
    return best;
}

double nearest_point(const std::vector<PlanePoint>& points, PlanePoint at) {
    double best = INFINITY;
    for (const PlanePoint& q : points) {
        best = std::min(best, distance(at, q));
    }
    return best;
}

struct Step {
    int outline = 0;  // place in the outline list
    int vertex = 0;   // the new start
};

// Everything inside an outline before the outline itself: the waste of a hole
// and a part inside it are cut while what holds them is still in the board.
void emit(const std::vector<Outline>& outlines, int node, PlanePoint& tool,
          std::vector<Step>& steps) {
    const Outline& o = outlines[static_cast<size_t>(node)];
    std::vector<int> left = o.children;
    while (!left.empty()) {
        auto next = std::min_element(left.begin(), left.end(), [&](int a, int b) {
            const Outline& oa = outlines[static_cast<size_t>(a)];
            const Outline& ob = outlines[static_cast<size_t>(b)];
            return nearest_point(oa.cut ? oa.contour : oa.points, tool) <
                   nearest_point(ob.cut ? ob.contour : ob.points, tool);
        });
        const int child = *next;
        left.erase(next);
        emit(outlines, child, tool, steps);
    }
    if (o.cut) {
        const int vertex = start_vertex(o, tool);
        steps.push_back({node, vertex});
        tool = o.contour[static_cast<size_t>(vertex)];
    }
}

std::vector<Step> cut_sequence(const std::vector<Outline>& outlines) {
    std::vector<int> roots;
    std::vector<PlanePoint> stations;
    for (size_t i = 0; i < outlines.size(); ++i) {
        if (outlines[i].parent < 0) {
            roots.push_back(static_cast<int>(i));
            stations.push_back({(outlines[i].low.x + outlines[i].high.x) / 2,
                                (outlines[i].low.y + outlines[i].high.y) / 2});
        }
    }
    std::vector<Step> steps;
    PlanePoint tool;
    for (int k : shortest_travel_order({0, 0}, stations)) {
        emit(outlines, roots[static_cast<size_t>(k)], tool, steps);
    }
    return steps;
}

bool adjacent(int a, int b, int segments) {
    return std::abs(a - b) == 1 || (std::min(a, b) == 1 && std::max(a, b) == segments);
}

// Up to `wanted` segments of the contour that hold a tab: the longest first,
// then one in each equal share of the perimeter after it, the longest there
// that is not next to a chosen one; a share without such a segment takes the
// one nearest its place, off the neighbours of those chosen when it can.
std::vector<int> tab_segments(const CPolyline& p, float width, int wanted) {
    const int segments = p.nbOffsetPoints - 1;
    std::vector<double> length(static_cast<size_t>(segments) + 1, 0);
    std::vector<double> middle(static_cast<size_t>(segments) + 1, 0);
    double perimeter = 0;
    std::vector<int> fitting;
    for (int s = 1; s <= segments; ++s) {
        const common::Point3& a = p.offsetPoints[static_cast<size_t>(s - 1)];
        const common::Point3& b = p.offsetPoints[static_cast<size_t>(s)];
        length[static_cast<size_t>(s)] =
            std::hypot(static_cast<double>(b.x) - a.x, static_cast<double>(b.y) - a.y);
        middle[static_cast<size_t>(s)] = perimeter + length[static_cast<size_t>(s)] / 2;
        perimeter += length[static_cast<size_t>(s)];
        if (length[static_cast<size_t>(s)] > width) {
            fitting.push_back(s);
        }
    }
    std::stable_sort(fitting.begin(), fitting.end(), [&](int a, int b) {
        return length[static_cast<size_t>(a)] > length[static_cast<size_t>(b)];
    });
    std::vector<int> chosen;
    if (wanted <= 0 || fitting.empty()) {
        return chosen;
    }
    const double first = middle[static_cast<size_t>(fitting[0])];
    const double share = perimeter / wanted;
    auto free_of_neighbours = [&](int s) {
        return std::none_of(chosen.begin(), chosen.end(),
                            [&](int c) { return adjacent(s, c, segments); });
    };
    for (int j = 0; j < wanted && chosen.size() < fitting.size(); ++j) {
        // How far round from the place of tab j, a share of the perimeter
        // after the first; within half a share the segment is in its share.
        auto off_target = [&](int s) {
            const double along = std::fmod(
                middle[static_cast<size_t>(s)] - first - j * share + 2 * perimeter, perimeter);
            return std::min(along, perimeter - along);
        };
        auto unchosen = [&](int s) {
            return std::find(chosen.begin(), chosen.end(), s) == chosen.end();
        };
        // The longest free segment in the share; else the free one nearest
        // the place; else the nearest one left.
        auto found = std::find_if(fitting.begin(), fitting.end(), [&](int s) {
            return unchosen(s) && free_of_neighbours(s) && off_target(s) < share / 2;
        });
        for (bool need_free : {true, false}) {
            if (found != fitting.end()) {
                break;
            }
            double nearest = INFINITY;
            for (auto it = fitting.begin(); it != fitting.end(); ++it) {
                if (unchosen(*it) && (!need_free || free_of_neighbours(*it)) &&
                    off_target(*it) < nearest) {
                    nearest = off_target(*it);
                    found = it;
                }
            }
        }
        chosen.push_back(*found);
    }
    return chosen;
}

std::string options_error(const PlanOptions& options, const CPlandorDoc& doc) {
    if (options.tabsPerPart < 0 || options.tabsPerPart > kMaxTabsPerOutline ||
        options.tabsPerHole < 0 || options.tabsPerHole > kMaxTabsPerOutline) {
        return "Le nombre de points d'accroche doit être compris entre 0 et 50.";
    }
    if (!(options.cutSpeed > 0) || !(options.travelSpeed > 0) || !std::isfinite(options.cutSpeed) ||
        !std::isfinite(options.travelSpeed)) {
        return "Les vitesses de découpe et de déplacement doivent être positives.";
    }
    if ((options.tabsPerPart > 0 || options.tabsPerHole > 0) &&
        (!(doc.tabWidth > 0) || !std::isfinite(doc.tabWidth))) {
        return "La largeur des points d'accroche doit être positive.";
    }
    if (!(doc.cutterRadius >= 0) || !std::isfinite(doc.cutterRadius)) {
        return "Le rayon de fraise doit être positif ou nul.";
    }
    return {};
}

void clear_plan(CPlandorDoc& doc) {
    for (int i = 0; i < doc.linkCount; ++i) {
        doc.links[static_cast<size_t>(i)].reset();
    }
    doc.linkCount = 0;
    for (int i = 0; i < doc.polylineCount; ++i) {
        CPolyline& p = *doc.polylines[static_cast<size_t>(i)];
        p.set_start_linked(0);
        p.set_end_linked(0);
        p.remove_offset();
    }
}

// The closed outlines of the drawing, nested, each with its contour; the
// others are counted as open in `report`.
std::vector<Outline> closed_outlines(const CPlandorDoc& doc, PlanReport& report) {
    std::vector<Outline> outlines;
    for (int i = 0; i < doc.polylineCount; ++i) {
        const CPolyline* p = doc.polylines[static_cast<size_t>(i)].get();
        int dropped = 0;
        std::unique_ptr<CPolyline> trial = p != nullptr ? trial_points(*p, dropped) : nullptr;
        if (trial != nullptr && is_closed_outline(*p) && is_closed_outline(*trial) &&
            signed_area(outline_points(*trial)) != 0) {
            outlines.push_back(describe(std::move(trial), dropped, *p, i));
        } else {
            report.openPolylines.push_back(i);
        }
    }
    nest(outlines);
    for (Outline& o : outlines) {
        choose_contour(o, doc.cutterRadius);
        (o.hole ? report.holes : report.parts) += 1;
        if (!o.cut) {
            (o.hole ? report.holesTooSmall : report.partsGouged).push_back(o.index);
        }
    }
    return outlines;
}

// Gives the polyline of `o` its points without repeats, its start, its
// contour and its tabs, as the editor's commands would.
void cut_outline(CPlandorDoc& doc, const Outline& o, int vertex, const PlanOptions& options,
                 PlanReport& report) {
    if (o.dropped > 0) {
        CPolyline& drawn = *doc.polylines[static_cast<size_t>(o.index)];
        drawn.points = o.trial->points;
        drawn.nbPoints = o.trial->nbPoints;
        report.pointsDropped += o.dropped;
    }
    std::string unused;  // the outline is closed and not a group: both succeed
    if (vertex != 0) {
        (void)doc.rotate_outline_start(o.index, vertex, unused);
    }
    const EditState cut{EditMode::Cut, 1, o.index, 0};
    (void)offset_selected(doc, cut, o.side, unused);
    CPolyline& p = *doc.polylines[static_cast<size_t>(o.index)];
    const int wanted = o.hole ? options.tabsPerHole : options.tabsPerPart;
    report.tabsAsked += wanted;
    double tabs_width = 0;
    int placed = 0;
    const EditState tab{EditMode::Tab, 1, o.index, 0};
    for (int segment : tab_segments(p, doc.tabWidth, wanted)) {
        p.selectedSegment = segment;  // as a click on the segment sets it
        if (add_tab(doc, tab) == common::TabOutcome::Stored) {
            ++placed;
            tabs_width += p.tabs[static_cast<size_t>(segment)]->largeur;
        }
    }
    if (placed < wanted) {
        report.shortOfTabs.push_back(o.index);
        if (placed == 0) {
            report.withoutTabs.push_back(o.index);
        }
    }
    report.tabsPlaced += placed;
    report.cutLength += path_length(contour_points(p)) - tabs_width;
}

// Links the contours in the order of the steps, from the origin on.
void link_in_order(CPlandorDoc& doc, const std::vector<Outline>& outlines,
                   const std::vector<Step>& steps, PlanReport& report) {
    LinkEditor editor;
    editor.document_replaced(doc);
    int from = kOrigin;
    for (const Step& step : steps) {
        const int to = outlines[static_cast<size_t>(step.outline)].index;
        const int made = editor.link_offered_points(doc, from, to);
        if (made >= 0) {
            const CLiaison& link = *doc.links[static_cast<size_t>(made)];
            report.travelAfter += std::hypot(static_cast<double>(link.endX) - link.startX,
                                             static_cast<double>(link.endY) - link.startY);
            ++report.links;
        }
        from = to;
    }
}

// Whether the open polylines, two or more, close into rings end to start
// with gaps of at most a tab: each end has one start near it, and each start
// one end, with a real gap somewhere.
bool is_cut_plan(const CPlandorDoc& doc, const std::vector<int>& open) {
    if (open.size() < 2) {
        return false;
    }
    constexpr double kWidestGap = kTabWidthRange.max + 0.5;
    std::vector<int> arriving(open.size(), 0);
    bool gap = false;
    for (int from : open) {
        const CPolyline& a = *doc.polylines[static_cast<size_t>(from)];
        if (a.nbPoints < 2) {
            return false;
        }
        const common::Point3& end = a.points[static_cast<size_t>(a.nbPoints - 1)];
        size_t nearest = open.size();
        double best = INFINITY;
        for (size_t k = 0; k < open.size(); ++k) {
            const common::Point3& start = doc.polylines[static_cast<size_t>(open[k])]->points[0];
            const double d = std::hypot(static_cast<double>(start.x) - end.x,
                                        static_cast<double>(start.y) - end.y);
            if (d < best) {
                best = d;
                nearest = k;
            }
        }
        if (!(best <= kWidestGap) || ++arriving[nearest] > 1) {
            return false;
        }
        gap = gap || best > kClosedOutlineWithin;
    }
    return gap;
}

}  // namespace

bool has_plan_to_replace(const CPlandorDoc& doc) {
    if (doc.linkCount > 0) {
        return true;
    }
    for (int i = 0; i < doc.polylineCount; ++i) {
        const CPolyline* p = doc.polylines[static_cast<size_t>(i)].get();
        if (p != nullptr && (p->nbOffsetPoints > 0 || p->is_linked())) {
            return true;
        }
    }
    return false;
}

PlanReport plan_automatically(CPlandorDoc& doc, const PlanOptions& options) {
    PlanReport report;
    report.error = options_error(options, doc);
    if (!report.error.empty()) {
        return report;
    }
    const std::vector<Outline> outlines = closed_outlines(doc, report);
    report.cutPlan = is_cut_plan(doc, report.openPolylines);
    report.tabWidth = doc.tabWidth;
    const std::vector<Step> steps = cut_sequence(outlines);
    if (steps.empty()) {
        report.error =
            "Aucun contour fermé du dessin ne peut être découpé : le plan n'est pas changé.";
        return report;
    }
    PlanePoint tool;
    for (const Outline& o : outlines) {
        if (o.cut) {
            report.travelBefore += distance(tool, o.contour.front());
            tool = o.contour.back();
        }
    }
    clear_plan(doc);
    for (const Step& step : steps) {
        cut_outline(doc, outlines[static_cast<size_t>(step.outline)], step.vertex, options, report);
    }
    link_in_order(doc, outlines, steps, report);
    doc.deselect_all();
    report.seconds = report.cutLength / options.cutSpeed + report.travelAfter / options.travelSpeed;
    report.done = true;
    return report;
}

namespace {

std::string numbers(std::vector<int> indices) {
    std::sort(indices.begin(), indices.end());
    std::string text;
    for (int index : indices) {
        text += (text.empty() ? "" : ", ") + std::to_string(index);
    }
    return text;
}

std::string duration(double seconds) {
    const long long whole = std::llround(seconds);
    const long long hours = whole / 3600;
    const long long minutes = whole / 60 % 60;
    std::string text = hours > 0 ? std::to_string(hours) + " h " : "";
    if (hours > 0 || minutes > 0) {
        text += std::to_string(minutes) + " min ";
    }
    return text + std::to_string(whole % 60) + " s";
}

// Which outlines lack tabs and why, on a line of its own.
std::string short_of_tabs_warning(const PlanReport& report) {
    std::vector<int> fewer;
    for (int index : report.shortOfTabs) {
        if (std::find(report.withoutTabs.begin(), report.withoutTabs.end(), index) ==
            report.withoutTabs.end()) {
            fewer.push_back(index);
        }
    }
    const std::string width = french_decimal(report.tabWidth, 1) + " mm";
    std::string text = "Attention :";
    if (!report.withoutTabs.empty()) {
        text += (report.withoutTabs.size() == 1 ? " aucun point d'accroche sur le contour "
                                                : " aucun point d'accroche sur les contours ") +
                numbers(report.withoutTabs);
    }
    if (!fewer.empty()) {
        text += std::string(report.withoutTabs.empty() ? "" : ",") +
                " moins de points d'accroche que demandé sur " +
                (fewer.size() == 1 ? "le contour " : "les contours ") + numbers(fewer);
    }
    text +=
        " : trop peu de segments plus longs que la largeur d'un point d'accroche (" + width + ").";
    if (report.cutPlan) {
        text += " Ce dessin est déjà un plan de découpe : ses polylignes ouvertes " +
                numbers(report.openPolylines) +
                " sont des contours coupés aux points d'accroche ; ouvrez le plan .cmg qui l'a "
                "donné, ou importez le dessin des pièces entières.";
    }
    return text + "\n";
}

}  // namespace

PlanOptions machine_speeds(const platform::SettingsStore& machine, PlanOptions options) {
    options.cutSpeed = static_cast<float>(machine.read_int("Decoupe", "SpeedXY", 2));
    options.travelSpeed = static_cast<float>(machine.read_int("Deplacement", "SpeedXY", 5));
    return options;
}

std::string plan_report_text(const PlanReport& report, const PlanOptions& options) {
    if (report.done == 0) {
        return report.error + "\n";
    }
    std::string text = "Pièces : " + std::to_string(report.parts) + "\n";
    text += "Trous : " + std::to_string(report.holes) + "\n";
    if (!report.openPolylines.empty()) {
        text +=
            "Polylignes ouvertes laissées sans contour : " + numbers(report.openPolylines) + "\n";
    }
    if (report.pointsDropped > 0) {
        text +=
            "Points répétés retirés des contours : " + std::to_string(report.pointsDropped) + "\n";
    }
    if (!report.holesTooSmall.empty()) {
        text +=
            "Trous trop petits pour la fraise, non découpés : " + numbers(report.holesTooSmall) +
            "\n";
    }
    if (!report.partsGouged.empty()) {
        text += "Pièces que la fraise entamerait, non découpées : " + numbers(report.partsGouged) +
                "\n";
    }
    text += "Points d'accroche : " + std::to_string(report.tabsPlaced) + " placés sur " +
            std::to_string(report.tabsAsked) + " demandés\n";
    if (!report.shortOfTabs.empty()) {
        text += short_of_tabs_warning(report);
    }
    text += "Liaisons : " + std::to_string(report.links) + "\n";
    text += "Déplacements : " + french_decimal(report.travelBefore, 1) +
            " mm dans l'ordre du dessin, " + french_decimal(report.travelAfter, 1) +
            " mm dans l'ordre choisi\n";
    text += "Temps de découpe estimé : " + duration(report.seconds) + " (" +
            french_decimal(report.cutLength, 1) + " mm à " + french_decimal(options.cutSpeed, 1) +
            " mm/s, déplacements à " + french_decimal(options.travelSpeed, 1) +
            " mm/s, descentes non comprises)\n";
    return text;
}

}  // namespace plandor
