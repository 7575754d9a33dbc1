// The point-file reader on arbitrary bytes: every input ends cleanly with
// finite points, and a file it accepts places on the board, plain and
// mirrored, as outlines of at least two points where each closed one ends on
// its first point (how far they lie is the import's check, not the placing's).

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
            if (c.points.size() < 2) {
                std::abort();
            }
            bool finite = true;
            for (const common::CurvePoint& p : c.points) {
                finite = finite && std::isfinite(p.x) && std::isfinite(p.y);
            }
            if (finite && c.closed &&
                (c.points.front().x != c.points.back().x ||
                 c.points.front().y != c.points.back().y)) {
                std::abort();
            }
        }
    }
    return 0;
}
