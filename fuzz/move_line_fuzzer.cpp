// The move-line reader on arbitrary bytes: it must never crash, and a line it
// accepts, written back by the writers, must read back as a valid line.

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "move_file.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    vexor::MoveLine m;
    if (!vexor::parse_move_line(text, m)) {
        return 0;
    }
    const int period = static_cast<int>(m.periodUs);
    const std::string again = m.kind == 'P'
                                  ? vexor::p_line_text(m.targetX, m.incX, m.targetY, m.incY, period)
                                  : vexor::z_line_text(m.targetZ, m.incZ, period);
    vexor::MoveLine back;
    if (!vexor::parse_move_line(again, back) || back.kind != m.kind ||
        back.periodUs != m.periodUs) {
        std::abort();
    }
    return 0;
}
