#include "grbl_job.h"

#include <algorithm>

namespace vexor {

GrblJob grbl_job(const common::PolylineArray& polylines, int count, const MachineSettings& settings,
                 const std::string& name) {
    GrblJob out;
    out.job.name = name;
    count = std::clamp(count, 0, common::kMaxPolylines);
    for (int i = 0; i < count; ++i) {
        const common::CPolyline* p = polylines[static_cast<std::size_t>(i)].get();
        if (p == nullptr || p->selected() == 0 || p->nbPoints <= 0) {
            continue;
        }
        std::vector<common::GcodePoint> piece;
        for (int k = 0; k < p->nbPoints; ++k) {
            const auto& pt = p->points[static_cast<std::size_t>(k)];
            piece.push_back({pt.x, pt.y});
        }
        common::GcodeContour contour;
        contour.closed = piece.size() > 2 && piece.front() == piece.back();
        contour.pieces.push_back(std::move(piece));
        out.job.contours.push_back(std::move(contour));
    }
    common::GcodeSettings& g = out.settings;
    g.depth = -static_cast<double>(settings.ZBas);
    g.passDepth = g.depth;  // one pass, as the parallel-port job
    g.safeHeight = kGrblSafeHeight;
    g.tabHeight = 0;
    g.cuttingFeed = static_cast<double>(settings.cutSpeedXY) * 60.0;
    g.plungeFeed = static_cast<double>(settings.cutSpeedZ) * 60.0;
    g.spindleSpeed = 0;
    g.dialect = common::GcodeDialect::grbl;
    return out;
}

bool grbl_program(const common::PolylineArray& polylines, int count,
                  const MachineSettings& settings, const std::string& name, std::string& program,
                  common::GcodeReport& report, std::string& error) {
    const GrblJob job = grbl_job(polylines, count, settings, name);
    if (job.job.contours.empty()) {
        error = "Aucune polyligne sélectionnée à découper.";
        return false;
    }
    return common::write_gcode(job.job, job.settings, program, report, error);
}

}  // namespace vexor
