// Builds a cut plan from a DXF drawing for the interoperability tests: every
// imported outline becomes its own contour (no offset geometry), every third
// segment gets a tab over its middle fifth, and the links chain the contours
// from the origin in drawing order. Usage: plan_fixture IN.dxf OUT.dxf

#include <cstdio>
#include <string>

#include "plandor_doc.h"

int main(int argc, char** argv) {
    if (argc != 3) {
        std::fprintf(stderr, "Usage : plan_fixture ENTREE.dxf SORTIE.dxf\n");
        return 1;
    }
    platform::MemorySettingsStore settings;
    plandor::CPlandorDoc doc(settings);
    std::string error;
    if (!doc.import_dxf(argv[1], error)) {
        std::fprintf(stderr, "%s\n", error.c_str());
        return 1;
    }
    for (int i = 0; i < doc.polylineCount; ++i) {
        common::CPolyline& p = *doc.polylines[static_cast<size_t>(i)];
        p.detourage = common::OffsetSide::left;
        p.nbOffsetPoints = p.nbPoints;
        for (int k = 0; k < p.nbPoints; ++k) {
            p.offsetPoints[static_cast<size_t>(k)] = {p.points[static_cast<size_t>(k)].x,
                                                      p.points[static_cast<size_t>(k)].y, 0};
        }
        for (int s = 3; s < p.nbOffsetPoints; s += 3) {
            const common::Point3& a = p.offsetPoints[static_cast<size_t>(s - 1)];
            const common::Point3& b = p.offsetPoints[static_cast<size_t>(s)];
            auto tab = std::make_unique<common::CAttache>();
            tab->x1 = a.x + (b.x - a.x) * 0.4f;
            tab->y1 = a.y + (b.y - a.y) * 0.4f;
            tab->x2 = a.x + (b.x - a.x) * 0.6f;
            tab->y2 = a.y + (b.y - a.y) * 0.6f;
            p.tabs[static_cast<size_t>(s)] = std::move(tab);
        }
        auto link = std::make_unique<plandor::CLiaison>();
        link->startIndex = i - 1;
        link->endIndex = i;
        doc.add_link(std::move(link));
    }
    if (!doc.export_dxf(argv[2], error)) {
        std::fprintf(stderr, "%s\n", error.c_str());
        return 1;
    }
    return 0;
}
