#include "plandor_doc.h"

#include <algorithm>
#include <filesystem>

#include "cmg_file.h"
#include "dxf_file.h"
#include "outline_geometry.h"

namespace plandor {

using common::CPolyline;

namespace {

// Settings lengths are kept in hundredths of a millimetre; the factor is the
// single-precision 0.01.
float hundredths(int value) {
    return static_cast<float>(value) * 0.01f;
}

}  // namespace

CPlandorDoc::CPlandorDoc(const platform::SettingsStore& settings) {
    read_settings(settings);
}

void CPlandorDoc::read_settings(const platform::SettingsStore& settings) {
    cutterRadius = hundredths(settings.read_int("FRAISE", "TAILLE", 100));
    tabWidth = hundredths(settings.read_int("ATTACHE", "TAILLE", 500));
    tabStep = hundredths(settings.read_int("ATTACHE", "DEPLACEMENT", 500));
    boardWidth = settings.read_int("PLANCHE", "LARGEUR", 100);
    boardLength = settings.read_int("PLANCHE", "LONGUEUR", 1000);
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

int CPlandorDoc::add_polyline(std::unique_ptr<CPolyline> polyline) {
    if (!polyline || polylineCount >= common::kMaxPolylines) {
        return 0;
    }
    polylines[static_cast<size_t>(polylineCount++)] = std::move(polyline);
    return 1;
}

int CPlandorDoc::add_link(std::unique_ptr<CLiaison> link) {
    if (!link || linkCount >= kMaxLinks) {
        return 0;
    }
    links[static_cast<size_t>(linkCount++)] = std::move(link);
    return 1;
}

int CPlandorDoc::join_polylines(int into, int other, std::string& error, int* joined_index) {
    if (into < 0 || into >= polylineCount || other < 0 || other >= polylineCount || into == other) {
        error = "Choisissez deux polylines différents du dessin.";
        return 0;
    }
    CPolyline& target = *polylines[static_cast<size_t>(into)];
    const CPolyline& joined = *polylines[static_cast<size_t>(other)];
    if (target.is_linked() || joined.is_linked()) {
        error = "Un polyline relié par une liaison ne peut pas être joint.";
        return 0;
    }
    if (!target.can_join(joined, error)) {
        return 0;
    }
    std::unique_ptr<CPolyline> taken = remove_polyline(other);
    if (!target.join(taken, error)) {
        return 0;  // cannot happen: can_join said yes
    }
    target.set_selected(1);
    if (joined_index != nullptr) {
        *joined_index = other < into ? into - 1 : into;
    }
    return 1;
}

int CPlandorDoc::explode_polyline(int index, std::string& error) {
    if (index < 0 || index >= polylineCount) {
        error = "Aucun polyline à décomposer.";
        return 0;
    }
    CPolyline& polyline = *polylines[static_cast<size_t>(index)];
    if (polyline.is_linked()) {
        error = "Un polyline relié par une liaison ne peut pas être décomposé.";
        return 0;
    }
    return polyline.explode(polylines, polylineCount, error);
}

int CPlandorDoc::rotate_outline_start(int index, int vertex, std::string& error) {
    if (index < 0 || index >= polylineCount) {
        error = "Aucun polyline dont changer le départ.";
        return 0;
    }
    CPolyline& p = *polylines[static_cast<size_t>(index)];
    if (p.is_linked()) {
        error = "Un polyline relié par une liaison ne peut pas changer de départ.";
        return 0;
    }
    if (p.nbMembers > 0) {
        error = "Un polyline joint ne peut pas changer de départ : décomposez-le d'abord.";
        return 0;
    }
    if (!is_closed_outline(p)) {
        error = "Seul un contour fermé peut changer de départ.";
        return 0;
    }
    const int ring = p.nbPoints - 1;  // the last point repeats the first
    if (vertex < 0 || vertex >= ring) {
        error = "Ce point n'est pas un sommet du contour.";
        return 0;
    }
    std::rotate(p.points.begin(), p.points.begin() + vertex, p.points.begin() + ring);
    p.points[static_cast<size_t>(ring)] = p.points[0];
    p.remove_offset();
    return 1;
}

int CPlandorDoc::import_dxf(const std::string& file, std::string& error) {
    if (contentLoaded != 0) {
        error = "Un fichier dxf ne s'importe que dans un document nouveau.";
        return 0;
    }
    contentLoaded = 1;
    if (!common::read_dxf_polylines(file, polylines, polylineCount)) {
        error = "Impossible d'ouvrir le fichier « " + file + " ».";
        return 0;
    }
    return 1;
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

int CPlandorDoc::export_dxf(const std::string& file, std::string& error) const {
    common::CDxfFile dxf;
    if (!dxf.open(file, common::CDxfFile::kWrite)) {
        error = "Aucun nom de fichier n'est donné pour l'export.";
        return 0;
    }
    for (int index : cut_order()) {
        dxf.write_contour(*polylines[static_cast<size_t>(index)]);
    }
    dxf.write_end();
    return dxf.close(&error);
}

int CPlandorDoc::set_cutter_radius(float radius) {
    if (radius == cutterRadius) {
        return 0;
    }
    cutterRadius = radius;
    int removed = 0;
    for (int i = 0; i < polylineCount; ++i) {
        CPolyline* p = polylines[static_cast<size_t>(i)].get();
        if (p == nullptr || p->detourage == 0 || !p->offset(p->detourage, radius, false)) {
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

int CPlandorDoc::check_open(const std::string& file, std::string& error) const {
    std::error_code ec;
    if (!std::filesystem::is_regular_file(std::filesystem::path(file), ec)) {
        error = "Impossible d'ouvrir le fichier « " + file + " ».";
        return 0;
    }
    const size_t dot = file.rfind('.');
    if (dot == std::string::npos || file.compare(dot, std::string::npos, ".cmg") != 0) {
        error = kNotCmgMessage;
        return 0;
    }
    return 1;
}

int CPlandorDoc::open_document(const std::string& file, std::string& error) {
    if (!check_open(file, error)) {
        return 0;
    }
    empty();
    path.clear();
    CCmgFile cmg;
    cmg.boardLength = boardLength;
    cmg.boardWidth = boardWidth;
    cmg.tabStep = tabStep;
    cmg.tabWidth = tabWidth;
    cmg.cutterRadius = cutterRadius;
    if (!cmg.read(file, polylines, polylineCount, links, linkCount, error)) {
        empty();
        return 0;
    }
    boardLength = cmg.boardLength;
    boardWidth = cmg.boardWidth;
    tabStep = cmg.tabStep;
    tabWidth = cmg.tabWidth;
    cutterRadius = cmg.cutterRadius;
    path = file;
    hasPath = 1;
    contentLoaded = 1;
    return 1;
}

int CPlandorDoc::save_document(const std::string& file, std::string& error) const {
    CCmgFile cmg;
    cmg.boardLength = boardLength;
    cmg.boardWidth = boardWidth;
    cmg.tabStep = tabStep;
    cmg.tabWidth = tabWidth;
    cmg.cutterRadius = cutterRadius;
    return cmg.write(file, polylines, polylineCount, links, linkCount, error);
}

}  // namespace plandor
