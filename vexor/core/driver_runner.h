#pragma once
// How a program runs the motion driver. One runner owns the driver's states
// (the stepping thread in the programs, the idle pump in tests and the
// benchmark); every other part of the program talks to the driver only
// through commands, applied between two driver states, and snapshots.

#include <chrono>
#include <cstdint>
#include <functional>
#include <string>

#include "step_driver.h"

namespace vexor {

// A consistent view of the driver, taken between two of its states.
struct DriverSnapshot {
    float posX = 0.0f, posY = 0.0f, posZ = 0.0f;
    DriverState state = DriverState::idle;
    bool running = false;
    bool paused = false;
    bool motorsOn = false;
    EndReason end = EndReason::none;  // of the last move file, once it has ended
    std::uint64_t endLine = 0;        // with badLine: the line that ended it
    CStepDriver::Tally tally;
    // The job file, from the table it was started with: lines run and in
    // the file (0 and 0 without a table), the time the rest takes at the
    // current override (0 once it has ended), and the override.
    std::uint64_t linesDone = 0, linesTotal = 0;
    std::int64_t remainingUs = 0;
    int feedOverride = 100;
};

class DriverRunner {
  public:
    virtual ~DriverRunner() = default;

    // Applies `command` to the driver between two of its states, then lets
    // the driver run again (a started or resumed move goes on); returns once
    // the command has been applied.
    virtual void command(const std::function<void(CStepDriver&)>& command) = 0;
    virtual DriverSnapshot snapshot() const = 0;
    // Lets the driver run until it is idle, at most `limit`; true when it is.
    virtual bool wait_idle(std::chrono::milliseconds limit) = 0;
    // How the runner runs, for the status bar and reports.
    virtual std::string status() const = 0;
};

// The snapshot of a driver read in the thread that runs it.
DriverSnapshot snapshot_of(const CStepDriver& driver);

}  // namespace vexor
