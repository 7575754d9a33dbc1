#pragma once
// How long a move file will take, known before it runs: each line lasts as
// many ticks as its slower axis needs to cover its distance at its advance
// per tick, each tick one period.

#include <cstdint>
#include <string_view>

#include "move_file.h"

namespace vexor {

// The ticks of one move line from the tool position (x, y, z), which then
// moves to where the line ends.
std::int64_t move_line_ticks(const MoveLine& move, float& x, float& y, float& z);

// The ticks of every line of `text` times their periods, in microseconds,
// from the tool position (x, y, z). Execution ends at the first line that is
// not a valid move line, as the driver's does.
std::int64_t move_text_duration_us(std::string_view text, float x, float y, float z);

}  // namespace vexor
