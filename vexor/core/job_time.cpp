#include "job_time.h"

#include <algorithm>
#include <cmath>

#include "move_file.h"

namespace vexor {

namespace {

// Ticks for one axis to go from `pos` to `target` at `inc` per tick; 0 when
// it does not move or is already there.
double axis_ticks(float pos, float target, float inc) {
    if (inc == 0) {
        return 0;
    }
    const double distance = (static_cast<double>(target) - pos) / inc;
    return distance > 0 ? std::ceil(distance) : 0;
}

}  // namespace

std::int64_t move_line_ticks(const MoveLine& move, float& x, float& y, float& z) {
    double ticks = 0;
    if (move.kind == 'P') {
        ticks = std::max(axis_ticks(x, move.targetX, move.incX),
                         axis_ticks(y, move.targetY, move.incY));
        x = move.incX != 0 ? move.targetX : x;
        y = move.incY != 0 ? move.targetY : y;
    } else {
        ticks = axis_ticks(z, move.targetZ, move.incZ);
        z = move.incZ != 0 ? move.targetZ : z;
    }
    return static_cast<std::int64_t>(std::min(ticks, 9.2e18));
}

std::int64_t move_text_duration_us(std::string_view text, float x, float y, float z) {
    double total = 0;
    while (!text.empty()) {
        const size_t eol = text.find('\n');
        const std::string_view line = text.substr(0, eol);
        text = eol == std::string_view::npos ? std::string_view() : text.substr(eol + 1);
        MoveLine move;
        if (!parse_move_line(line, move)) {
            break;
        }
        const double period = static_cast<double>(std::max<std::int64_t>(move.periodUs, 0));
        total += static_cast<double>(move_line_ticks(move, x, y, z)) * period;
    }
    return static_cast<std::int64_t>(std::min(total, 9.2e18));
}

}  // namespace vexor
