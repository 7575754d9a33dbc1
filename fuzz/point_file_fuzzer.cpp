// The point-file reader on arbitrary bytes: every input ends cleanly, and a
// file it accepts places on the board, plain and mirrored, as outlines of
// finite points.

#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "point_file.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);
    (void)plandor::size_from_name(std::string(bytes.substr(0, 200)));
    plandor::PointFile file;
    std::string error;
    if (!plandor::parse_point_file(bytes, file, error)) {
        if (error.empty()) {
            std::abort();
        }
        return 0;
    }
    for (const common::CurvePoint& p : file.points) {
        if (!std::isfinite(p.x) || !std::isfinite(p.y)) {
            std::abort();
        }
    }
    (void)plandor::lies_on_one_side(file);
    for (const bool mirror : {false, true}) {
        const plandor::PointPlacement placement{250, 10, -20, 30, mirror};
        for (const common::CurveContour& c : plandor::placed_outlines(file, placement)) {
            for (const common::CurvePoint& p : c.points) {
                if (!std::isfinite(p.x) || !std::isfinite(p.y)) {
                    std::abort();
                }
            }
        }
    }
    return 0;
}
