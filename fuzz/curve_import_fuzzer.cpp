// Feeds arbitrary bytes to the curve import: every input must end cleanly,
// with every contour inside the document's tables and on finite coordinates.

#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "dxf_contours.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    common::CurveImport result;
    std::string error;
    const bool ok = common::import_dxf_curves_text(
        std::string_view(reinterpret_cast<const char*>(data), size), 199, 100, result, error);
    if (!ok && error.empty()) {
        std::abort();
    }
    if (result.contours.size() > 199) {
        std::abort();
    }
    for (const common::CurveContour& c : result.contours) {
        if (c.points.size() < 2 || c.points.size() > 100 || !std::isfinite(c.deviation)) {
            std::abort();
        }
        for (const common::CurvePoint& p : c.points) {
            if (!(std::abs(p.x) <= common::kMaxCoordinateMm) ||
                !(std::abs(p.y) <= common::kMaxCoordinateMm)) {
                std::abort();
            }
        }
    }
    return 0;
}
