#pragma once
// `vexor --grbl DEVICE --run DESSIN.dxf [--check]`: the cut job of a drawing
// as G-code, streamed to a GRBL controller on a serial port, with the cutting
// speeds and the descent of the user's settings. On the standard output: the
// controller's settings as read, progress every tenth of the lines, the end
// state and the final work position. With `check`, the controller runs the
// program in check mode ($C): nothing moves, the first refused line is named.

#include <string>

namespace vexor {

struct GrblOptions {
    std::string device;
    std::string drawing;
    bool check = false;
    // Time without a byte from the controller after which it is taken as
    // gone (it answers the status query every 200 ms when alive).
    int silence_ms = 5000;
};

// Exit code: 0 when the program ran (or was checked) to its end, 1 on a
// refused drawing or job, a port that cannot be opened, a controller that
// refuses a line or raises an alarm, or that stops answering.
int run_grbl_command(const GrblOptions& options);

}  // namespace vexor
