#include "doc_snapshot.h"

namespace plandor {

DocSnapshot take_snapshot(const CPlandorDoc& doc) {
    DocSnapshot s;
    s.tabStep = doc.tabStep;
    s.tabWidth = doc.tabWidth;
    s.cutterRadius = doc.cutterRadius;
    s.boardWidth = doc.boardWidth;
    s.boardLength = doc.boardLength;
    s.contentLoaded = doc.contentLoaded;
    for (int i = 0; i < doc.polylineCount; ++i) {
        s.polylines.push_back(doc.polylines[static_cast<size_t>(i)]->clone());
    }
    for (int j = 0; j < doc.linkCount; ++j) {
        s.links.push_back(*doc.links[static_cast<size_t>(j)]);
    }
    return s;
}

void restore_snapshot(CPlandorDoc& doc, const DocSnapshot& s) {
    for (auto& p : doc.polylines) {
        p.reset();
    }
    for (auto& l : doc.links) {
        l.reset();
    }
    doc.polylineCount = 0;
    doc.linkCount = 0;
    for (const auto& p : s.polylines) {
        doc.add_polyline(p->clone());
    }
    for (const CLiaison& l : s.links) {
        doc.add_link(std::make_unique<CLiaison>(l));
    }
    doc.tabStep = s.tabStep;
    doc.tabWidth = s.tabWidth;
    doc.cutterRadius = s.cutterRadius;
    doc.boardWidth = s.boardWidth;
    doc.boardLength = s.boardLength;
    doc.contentLoaded = s.contentLoaded;
}

}  // namespace plandor
