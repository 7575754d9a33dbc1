#pragma once
// `vexor --simulate FILE.dxf [--realtime] [--trace FILE.csv] [--settings F]
// [--feed-override P]`: the whole cut job of a drawing on the simulated port,
// with the machine settings of the user's store (or of F), its cutting lines
// at P % of their speed, and on the standard output the settings used, where
// they come from, then the report.

#include <string>

namespace vexor {

struct SimulateOptions {
    std::string drawing;
    bool realtime = false;   // the real counter and the stepping thread: machine speed
    std::string trace;       // CSV of every port write; empty for none
    std::string settings;    // settings file to use; empty for the user's
    int feedOverride = 100;  // % of the cutting speeds, 10..200
};

// Exit code: 0 when the job ran to the end of its file and the pulses agree
// with the driver, 1 on a refused drawing or job, a job interrupted before its
// end, a trace that cannot be written, or a mismatch.
int run_simulate_command(const SimulateOptions& options);

}  // namespace vexor
