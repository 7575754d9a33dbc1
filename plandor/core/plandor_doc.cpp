#include "plandor_doc.h"

#include <algorithm>
#include <cmath>

#include "cmg_file.h"
#include "dxf_file.h"
#include "import_report.h"
#include "outline_geometry.h"
#include "preferences.h"
#include "read_file.h"
#include "save_file.h"

namespace plandor {

using common::CPolyline;

namespace {

// Settings lengths are kept in hundredths of a millimetre; the factor is the
// single-precision 0.01.
constexpr const char* kFreshDocumentOnly =
    "Un fichier dxf ne s'importe que dans un document nouveau.";

float hundredths(int value) {
    return static_cast<float>(value) * 0.01f;
}

}  // namespace

CPlandorDoc::CPlandorDoc(const platform::SettingsStore& settings) {
    read_settings(settings);
}

void CPlandorDoc::read_settings(const platform::SettingsStore& settings) {
    // Each within what the preferences dialog accepts.
    settingsNotices.clear();
    auto read = [&](const char* section, const char* key, int default_value, int min, int max) {
        return platform::read_checked_int(settings, section, key, default_value, min, max,
                                          settingsNotices);
    };
    cutterRadius = hundredths(read("FRAISE", "TAILLE", kDefaultRadius, 0, 500));
    tabWidth = hundredths(read("ATTACHE", "TAILLE", kDefaultTabWidth, 200, 1000));
    tabStep = hundredths(read("ATTACHE", "DEPLACEMENT", kDefaultTabStep, 100, 1000));
    boardWidth = read("PLANCHE", "LARGEUR", kDefaultBoardWidth, 10, 1000);
    boardLength = read("PLANCHE", "LONGUEUR", kDefaultBoardLength, 10, 1000);
    gcode = read_gcode_settings(settings, settingsNotices);
}

void CPlandorDoc::deselect_all() {
    for (int i = 0; i < polylineCount; ++i) {
        if (polylines[static_cast<size_t>(i)]) {
            polylines[static_cast<size_t>(i)]->set_selected(0);
        }
    }
    for (int i = 0; i < linkCount; ++i) {
        if (links[static_cast<size_t>(i)]) {
            links[static_cast<size_t>(i)]->selected = 0;
        }
    }
}

std::unique_ptr<CPolyline> CPlandorDoc::remove_polyline(int r) {
    if (r < 0 || r >= polylineCount) {
        return nullptr;
    }
    std::unique_ptr<CPolyline> removed = std::move(polylines[static_cast<size_t>(r)]);
    for (int i = r; i + 1 < polylineCount; ++i) {
        polylines[static_cast<size_t>(i)] = std::move(polylines[static_cast<size_t>(i + 1)]);
    }
    --polylineCount;
    for (int i = 0; i < linkCount; ++i) {
        CLiaison* link = links[static_cast<size_t>(i)].get();
        if (link == nullptr) {
            continue;
        }
        if (link->startIndex > r) {
            --link->startIndex;
        }
        if (link->endIndex > r) {
            --link->endIndex;
        }
    }
    return removed;
}

void CPlandorDoc::empty() {
    for (auto& polyline : polylines) {
        polyline.reset();
    }
    for (auto& link : links) {
        link.reset();
    }
    polylineCount = 0;
    linkCount = 0;
    viewResetPending = 1;
    hasPath = 0;
}

bool CPlandorDoc::add_polyline(std::unique_ptr<CPolyline> polyline) {
    if (!polyline || polylineCount >= common::kMaxPolylines) {
        return false;
    }
    polylines[static_cast<size_t>(polylineCount++)] = std::move(polyline);
    return true;
}

bool CPlandorDoc::add_link(std::unique_ptr<CLiaison> link) {
    if (!link || linkCount >= kMaxLinks) {
        return false;
    }
    links[static_cast<size_t>(linkCount++)] = std::move(link);
    return true;
}

bool CPlandorDoc::join_polylines(int into, int other, std::string& error, int* joined_index) {
    if (into < 0 || into >= polylineCount || other < 0 || other >= polylineCount || into == other) {
        error = "Choisissez deux polylignes différentes du dessin.";
        return false;
    }
    CPolyline& target = *polylines[static_cast<size_t>(into)];
    const CPolyline& joined = *polylines[static_cast<size_t>(other)];
    if (target.is_linked() || joined.is_linked()) {
        error = "Une polyligne reliée par une liaison ne peut pas être jointe.";
        return false;
    }
    if (!target.can_join(joined, error)) {
        return false;
    }
    std::unique_ptr<CPolyline> taken = remove_polyline(other);
    if (!target.join(taken, error)) {
        return false;  // cannot happen: can_join said yes
    }
    target.set_selected(1);
    if (joined_index != nullptr) {
        *joined_index = other < into ? into - 1 : into;
    }
    return true;
}

bool CPlandorDoc::explode_polyline(int index, std::string& error) {
    if (index < 0 || index >= polylineCount) {
        error = "Aucune polyligne à décomposer.";
        return false;
    }
    CPolyline& polyline = *polylines[static_cast<size_t>(index)];
    if (polyline.is_linked()) {
        error = "Une polyligne reliée par une liaison ne peut pas être décomposée.";
        return false;
    }
    return polyline.explode(polylines, polylineCount, error);
}

bool CPlandorDoc::rotate_outline_start(int index, int vertex, std::string& error) {
    if (index < 0 || index >= polylineCount) {
        error = "Aucune polyligne dont changer le départ.";
        return false;
    }
    CPolyline& p = *polylines[static_cast<size_t>(index)];
    if (p.is_linked()) {
        error = "Une polyligne reliée par une liaison ne peut pas changer de départ.";
        return false;
    }
    if (p.nbMembers > 0) {
        error = "Une polyligne jointe ne peut pas changer de départ : décomposez-la d'abord.";
        return false;
    }
    if (!is_closed_outline(p)) {
        error = "Seul un contour fermé peut changer de départ.";
        return false;
    }
    const int ring = p.nbPoints - 1;  // the last point repeats the first
    if (vertex < 0 || vertex >= ring) {
        error = "Ce point n'est pas un sommet du contour.";
        return false;
    }
    std::rotate(p.points.begin(), p.points.begin() + vertex, p.points.begin() + ring);
    p.points[static_cast<size_t>(ring)] = p.points[0];
    p.remove_offset();
    return true;
}

bool CPlandorDoc::import_dxf(const std::string& file, std::string& error, std::string* report) {
    if (contentLoaded != 0) {
        error = kFreshDocumentOnly;
        return false;
    }
    contentLoaded = 1;
    common::DxfImportReport read;
    const int first = polylineCount;
    if (!common::read_dxf_polylines(file, polylines, polylineCount, error, &read)) {
        const std::string curves = common::passed_over_curves(read);
        if (polylineCount == first && !curves.empty()) {
            error += std::string(" Ses courbes (") + curves + ") se lisent par " +
                     kCurveImportMenu + ".";
        }
        return false;
    }
    if (report != nullptr) {
        *report = exact_import_report(read, polylineCount - first);
    }
    return true;
}

bool CPlandorDoc::import_dxf_curves(const std::string& file, std::string& error,
                                    std::string* report, common::CurveImport* details) {
    if (contentLoaded != 0) {
        error = kFreshDocumentOnly;
        return false;
    }
    common::CurveImport result;
    const int room = std::max(common::kMaxPolylines - 1 - polylineCount, 0);
    if (!common::import_dxf_curves(file, room, common::kMaxEntityVertices, result, error)) {
        return false;
    }
    contentLoaded = 1;
    const int first = polylineCount;
    for (const common::CurveContour& contour : result.contours) {
        auto polyline = std::make_unique<CPolyline>();
        for (const common::CurvePoint& p : contour.points) {
            polyline->points[static_cast<size_t>(polyline->nbPoints++)] =
                common::Point3{static_cast<float>(p.x), static_cast<float>(p.y), 0};
        }
        add_polyline(std::move(polyline));
    }
    if (report != nullptr) {
        *report = curve_import_report(result, first);
    }
    if (details != nullptr) {
        *details = std::move(result);
    }
    return true;
}

bool CPlandorDoc::import_points(const std::string& file, const PointPlacement& placement,
                                std::string& error, std::string* report) {
    constexpr double kFarthest = 1e6;  // mm: a kilometre from the origin
    if (!(placement.size > 0) || placement.size > kFarthest || !std::isfinite(placement.x) ||
        !std::isfinite(placement.y) || !std::isfinite(placement.angle)) {
        error =
            "La taille doit être un nombre positif de mm, la position et la rotation des "
            "nombres.";
        return false;
    }
    PointFile read;
    if (!read_point_file(file, read, error)) {
        return false;
    }
    const std::size_t slash = file.find_last_of('/');
    const std::string name = file.substr(slash == std::string::npos ? 0 : slash + 1);
    std::vector<common::CurveContour> outlines = placed_outlines(read, placement);
    const int room = std::max(common::kMaxPolylines - 1 - polylineCount, 0);
    if (outlines.empty() || static_cast<int>(outlines.size()) > room) {
        error = outlines.empty() ? "« " + name + " » : aucun contour à compléter par symétrie."
                                 : "« " + name + " » donne " + std::to_string(outlines.size()) +
                                       " polylignes, le plan n'a plus de place que pour " +
                                       std::to_string(room) + " (199 au plus).";
        return false;
    }
    for (const common::CurveContour& c : outlines) {
        for (const common::CurvePoint& p : c.points) {
            if (!(std::fabs(p.x) <= kFarthest && std::fabs(p.y) <= kFarthest)) {
                error = "« " + name + " » placé ainsi sort à plus d'un kilomètre de l'origine.";
                return false;
            }
        }
    }
    std::string text = "« " + name + " » : " + std::to_string(read.points.size()) +
                       " points, taille " + french_decimal(placement.size, 2) + " mm";
    text += placement.mirror ? ", complété par symétrie\n" : "\n";
    for (common::CurveContour& contour : outlines) {
        common::fit_contour(contour, common::kMaxEntityVertices);
        auto polyline = std::make_unique<CPolyline>();
        for (const common::CurvePoint& p : contour.points) {
            polyline->points[static_cast<size_t>(polyline->nbPoints++)] =
                common::Point3{static_cast<float>(p.x), static_cast<float>(p.y), 0};
        }
        text += "polyligne " + std::to_string(polylineCount + 1) + " : " +
                std::to_string(polyline->nbPoints) + " points";
        if (contour.sourcePoints > static_cast<int>(contour.points.size())) {
            text += ", écart maximal " + french_mm(contour.deviation) + " mm";
        }
        text += contour.closed ? ", fermé\n" : ", ouvert\n";
        add_polyline(std::move(polyline));
    }
    contentLoaded = 1;
    if (report != nullptr) {
        *report = text;
    }
    return true;
}

std::vector<int> CPlandorDoc::cut_order() const {
    std::vector<int> order;
    std::vector<bool> in_chain(static_cast<size_t>(polylineCount), false);
    int current = -1;
    for (;;) {
        const CLiaison* next = nullptr;
        for (int i = 0; i < linkCount && next == nullptr; ++i) {
            const CLiaison* link = links[static_cast<size_t>(i)].get();
            if (link != nullptr && link->startIndex == current) {
                next = link;
            }
        }
        if (next == nullptr) {
            break;
        }
        current = next->endIndex;
        if (current < 0 || current >= polylineCount || in_chain[static_cast<size_t>(current)] ||
            !polylines[static_cast<size_t>(current)]) {
            break;
        }
        in_chain[static_cast<size_t>(current)] = true;
        order.push_back(current);
    }
    return order;
}

bool CPlandorDoc::export_dxf(const std::string& file, std::string& error) const {
    const std::vector<int> order = cut_order();
    if (std::none_of(order.begin(), order.end(), [this](int index) {
            return polylines[static_cast<size_t>(index)]->nbOffsetPoints > 0;
        })) {
        error = "L'ordre de coupe ne contient aucun contour détouré : il n'y a rien à exporter.";
        return false;
    }
    common::CDxfFile dxf;
    if (!dxf.open(file, common::DxfMode::write, error)) {
        error = "Aucun nom de fichier n'est donné pour l'export.";
        return false;
    }
    for (int index : order) {
        dxf.write_contour(*polylines[static_cast<size_t>(index)]);
    }
    dxf.write_end();
    return dxf.close(error);
}

bool CPlandorDoc::export_gcode(const std::string& file, const common::GcodeSettings& settings,
                               std::string& report, std::string& error) const {
    if (file.empty()) {
        error = "Aucun nom de fichier n'est donné pour l'export.";
        return false;
    }
    common::GcodeJob job;
    // The plan's name without its folder and extension; a new plan has none.
    const std::string named = hasPath != 0 ? path : std::string(kUntitledName);
    const size_t slash = named.find_last_of('/');
    job.name = named.substr(slash == std::string::npos ? 0 : slash + 1);
    if (const size_t dot = job.name.rfind('.'); dot != std::string::npos && dot > 0) {
        job.name.erase(dot);
    }
    job.toolRadius = cutterRadius;
    job.contours = common::gcode_contours(polylines, cut_order());
    if (std::none_of(job.contours.begin(), job.contours.end(),
                     [](const common::GcodeContour& c) { return !c.pieces.empty(); })) {
        error = "L'ordre de coupe ne contient aucun contour détouré : il n'y a rien à exporter.";
        return false;
    }
    std::string program;
    common::GcodeReport written;
    if (!common::write_gcode(job, settings, program, written, error) ||
        !platform::save_file(file, program, &error)) {
        return false;
    }
    report = common::gcode_report_text(written, french_decimal);
    return true;
}

int CPlandorDoc::set_cutter_radius(float radius) {
    if (radius == cutterRadius) {
        return 0;
    }
    cutterRadius = radius;
    int removed = 0;
    for (int i = 0; i < polylineCount; ++i) {
        CPolyline* p = polylines[static_cast<size_t>(i)].get();
        std::string unused;
        if (p == nullptr || p->detourage == common::OffsetSide::none ||
            !p->offset(p->detourage, radius, false, unused)) {
            continue;
        }
        for (int s = 1; s < p->nbOffsetPoints; ++s) {
            if (!p->has_tab(s)) {
                continue;
            }
            p->selectedSegment = s;
            const common::TabOutcome outcome =
                p->place_tab(s, p->tabs[static_cast<size_t>(s)]->largeur, 0);
            if (outcome == common::TabOutcome::Refused) {
                p->remove_tab(s);
            }
            if (outcome == common::TabOutcome::Refused || outcome == common::TabOutcome::Removed) {
                ++removed;
            }
        }
    }
    return removed;
}

SavePrompt CPlandorDoc::save_prompt() const {
    if (hasPath != 0) {
        return SavePrompt::SaveToPath;
    }
    return contentLoaded != 0 ? SavePrompt::SaveAs : SavePrompt::None;
}

void CPlandorDoc::new_document() {
    empty();
    path.clear();
    contentLoaded = 0;
}

bool CPlandorDoc::read_plan(const std::string& file, CCmgFile& cmg, PlanTables& read,
                            std::string& error) const {
    const size_t dot = file.rfind('.');
    const bool cmg_name =
        dot != std::string::npos && file.compare(dot, std::string::npos, ".cmg") == 0;
    cmg.boardLength = boardLength;
    cmg.boardWidth = boardWidth;
    cmg.tabStep = tabStep;
    cmg.tabWidth = tabWidth;
    cmg.cutterRadius = cutterRadius;
    if (!platform::check_readable_file(file, error)) {
        return false;
    }
    if (!cmg_name) {
        error = kNotCmgMessage;
        return false;
    }
    if (!cmg.read(file, read, error)) {
        // Without a version line the file is no plan at all.
        if (error == kWrongVersionMessage && cmg.versionLine == 0) {
            error = kNotCmgMessage;
        }
        return false;
    }
    return true;
}

bool CPlandorDoc::check_open(const std::string& file, std::string& error) const {
    CCmgFile cmg;
    PlanTables read;
    return read_plan(file, cmg, read, error);
}

bool CPlandorDoc::open_document(const std::string& file, std::string& error) {
    CCmgFile cmg;
    PlanTables read;
    if (!read_plan(file, cmg, read, error)) {
        return false;
    }
    empty();
    path.clear();
    static_cast<PlanTables&>(*this) = std::move(read);
    boardLength = cmg.boardLength;
    boardWidth = cmg.boardWidth;
    tabStep = cmg.tabStep;
    tabWidth = cmg.tabWidth;
    cutterRadius = cmg.cutterRadius;
    path = file;
    hasPath = 1;
    contentLoaded = 1;
    return true;
}

bool CPlandorDoc::save_document(const std::string& file, std::string& error) {
    CCmgFile cmg;
    cmg.boardLength = boardLength;
    cmg.boardWidth = boardWidth;
    cmg.tabStep = tabStep;
    cmg.tabWidth = tabWidth;
    cmg.cutterRadius = cutterRadius;
    if (!cmg.write(file, *this, error)) {
        return false;
    }
    path = file;
    hasPath = 1;
    return true;
}

}  // namespace plandor
