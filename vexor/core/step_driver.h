#pragma once
// CStepDriver: the motion driver. It runs a move file one state per call of
// `step` (made by the runner that owns the driver: the stepping thread in the
// programs, see driver_runner.h), interpolates each line tick by tick with one
// accumulator per axis and turns every tick into direction and clock bytes on
// the parallel port, paced by the high-resolution counter.
//
// Positions never drift: each axis keeps a base (set by zeroing, moved to the
// current position when its step length changes) and the whole count of
// steps made since; posX is base + count × stepLenX, the product in double
// precision, rounded to single precision. The accumulator of an axis is held
// as its lead over the stepped position, in double precision, so an advance
// equal to the step length makes one step on every tick however long the
// move, and the comparison with the step length is made before any rounding.
//
// Pacing. Each phase of a tick is due at a deadline that advances from the
// previous deadline by the phase's part of the period (a third, a third, and
// the rest of the period for the last one), not from the moment the previous
// phase happened to run, so small lateness does not accumulate and over a
// line the average tick equals the period. Two safety rules bound it. A
// phase never follows the previous one sooner than shortest_phase_us of its
// part: a clock pulse, a direction set-up or hold is never shorter than its
// part minus a quarter of it (minus 1 µs for parts under 8 µs), nor than
// 1 µs, which bounds how fast lateness is won back. And a phase that would
// run more than one whole period late re-anchors the schedule on the
// counter's current value, so the motors never get a burst of catch-up
// pulses; that phase is counted as a stall.
//
// Feed override. The job file comes with a table of its lines (JobLine,
// written with it): the override scales the period of its cutting lines by
// 100 / percent, never below the period the travel speed would give the
// line, and leaves its travel lines alone. The period of a tick is fixed
// when its decision is taken, so a change reaches the wires at the next
// tick and no step is lost or added. The table also gives how many ticks
// each line takes, hence the time the rest of the job needs.

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "machine_settings.h"
#include "move_file.h"
#include "performance_counter.h"
#include "port_output.h"

namespace vexor {

// The driver's states; the values are its state codes.
enum class DriverState : int {
    idle = 0,
    openJobFile = 1,
    readLine = 3,
    closeFile = 4,
    xyDecision = 5,
    xyNoStep = 6,    // a tick without a step: timing mark
    xDirection = 7,  // X tick: direction, then the three waits below
    xRise = 8,
    xFall = 9,
    xHold = 10,
    openMoveFile = 11,
    xyNoStepWait = 12,  // the whole period of a tick without a step
    yDirection = 14,
    yRise = 15,
    yFall = 16,
    yHold = 17,
    xyDirection = 18,
    xyRise = 19,
    xyFall = 20,
    xyHold = 21,
    zDecision = 22,
    zDirection = 23,
    zRise = 24,
    zFall = 25,
    zHold = 26,
    zNoStepWait = 27,
    zNoStep = 28,
};

// The four states of a tick that makes a step: its direction byte, then the
// waits that end with the rising edge, with the falling edge, and with the end
// of the tick, after which the driver goes back to the decision of its axes.
struct SteppingTick {
    DriverState direction, rise, fall, hold;
    bool x, y, z;  // the axes that step
    DriverState back;
};
inline constexpr SteppingTick kSteppingTicks[] = {
    {DriverState::xDirection, DriverState::xRise, DriverState::xFall, DriverState::xHold, true,
     false, false, DriverState::xyDecision},
    {DriverState::yDirection, DriverState::yRise, DriverState::yFall, DriverState::yHold, false,
     true, false, DriverState::xyDecision},
    {DriverState::xyDirection, DriverState::xyRise, DriverState::xyFall, DriverState::xyHold, true,
     true, false, DriverState::xyDecision},
    {DriverState::zDirection, DriverState::zRise, DriverState::zFall, DriverState::zHold, false,
     false, true, DriverState::zDecision},
};

// The stepping tick `state` belongs to; null for any other state.
constexpr const SteppingTick* stepping_tick(DriverState state) {
    for (const SteppingTick& tick : kSteppingTicks) {
        if (state == tick.direction || state == tick.rise || state == tick.fall ||
            state == tick.hold) {
            return &tick;
        }
    }
    return nullptr;
}
// A tick that makes a step: from its direction byte to the end of the wait
// after the falling edge.
constexpr bool is_stepping_tick(DriverState state) {
    return stepping_tick(state) != nullptr;
}
// A state that waits on the counter.
constexpr bool is_waiting(DriverState state) {
    const SteppingTick* tick = stepping_tick(state);
    return (tick != nullptr && state != tick->direction) || state == DriverState::xyNoStepWait ||
           state == DriverState::zNoStepWait;
}

// Why the driver last stopped executing a move file. A job is done only
// when it ends at the end of its file; every other end leaves lines unrun.
enum class EndReason : int {
    none = 0,     // none has ended since the last start (or none was started)
    endOfFile,    // its last line ran
    stopped,      // the stop command or a key
    portRefused,  // stopped because the port refused bytes
    notOpened,    // the file could not be opened
    badLine,      // a line that is not a move line, one no step length can run, or a read
                  // error (end_line() says which line)
};

// Why a job ended, in French, as the window and the simulation report show it:
// "fin du fichier", "arrêt demandé", "ligne 12 du fichier de mouvements
// invalide"... `line` is the number of the bad line (counted from 1).
std::string end_reason_text(EndReason why, std::uint64_t line);

// Counter counts as whole microseconds, truncated, computed so that the
// product cannot overflow however many counts.
constexpr std::int64_t counts_to_us(std::int64_t counts, std::int64_t frequency) {
    return counts / frequency * 1000000 + counts % frequency * 1000000 / frequency;
}

// What `step` answers; the runner keeps calling while the driver has work.
enum StepResult : int { kNoWork = 0, kHasWork = 1 };

// How the timing marks are taken: from the previous deadline (the programs),
// or from the counter's current value, so that every phase lasts its part
// plus the polling delay (kept for comparison in the step-timing benchmark).
enum class Pacing { deadline, counter };

// The shortest time a phase of `part` µs may follow the previous phase,
// when it wins back lateness: a quarter of the part less (at least 1 µs less),
// and never under 1 µs.
constexpr std::int64_t shortest_phase_us(std::int64_t part) {
    const std::int64_t margin = part / 4 > 1 ? part / 4 : 1;
    return part - margin > 1 ? part - margin : 1;
}

class CStepDriver {
  public:
    CStepDriver(platform::PortWriter& port, platform::PerformanceCounter& counter);

    // Runs the action of the current state: kHasWork while the driver has
    // work, kNoWork when it is idle or paused (nothing is done while paused).
    StepResult step();

    void set_pacing(Pacing pacing) { pacing_ = pacing; }
    Pacing pacing() const { return pacing_; }

    // Port address, clock masks and direction bits from the wiring settings.
    void set_wiring(const PortSettings& settings);
    // Step lengths 1/StepX, 1/StepY, 1/StepZ; an axis whose length changes
    // keeps its position as the new base.
    void set_step_lengths(const MachineSettings& settings);

    // Starts the job file ("coupe.dep", openJobFile) or the one-move file
    // ("dep.dep", openMoveFile) from its first line. A file being executed is
    // closed first, and a stop requested earlier is forgotten: it was meant
    // for the move being replaced. A stepping tick in progress completes
    // first, as for a stop: its step is already counted in the position, so
    // its clock pulse must reach the wires whole.
    void start_job_file();
    void start_move_file();
    // The table of the lines of the job file, one entry a line in file
    // order, for the next start_job_file only: a file started without one
    // (the one-move file, or a job file started without a new table) runs
    // as written, with no override and no time left.
    void set_job_lines(std::vector<JobLine> lines);
    // The feed override, clamped to 10..200 %. It goes back to 100 % when a
    // job file starts and when it ends, whatever ends it.
    void set_feed_override(int percent);
    int feed_override() const { return override_; }
    static constexpr int kMinOverride = 10;
    static constexpr int kMaxOverride = 200;

    // Where the job file stands, from its table: lines run and lines in the
    // file (0 and 0 without a table; kept once the job has ended), and the
    // time the rest takes at the current override, ticks left of the
    // current line plus the ticks of every following line, each at its
    // period (0 once the job has ended). The ticks are the table's, counted
    // on the ideal path as the job's duration is: a line may take a tick
    // more or less, and its ticks left never go below 0.
    struct JobProgress {
        std::uint64_t linesDone = 0, linesTotal = 0;
        std::int64_t remainingUs = 0;
    };
    JobProgress job_progress() const;
    // Folder of the move files; empty means the current folder.
    void set_move_folder(const std::string& folder) { folder_ = folder; }
    std::string move_file_path(const char* name) const;

    // Stop at the next decision (stopRequest := 1, paused := 0); `why` is
    // the end the execution then reports (the last request wins).
    void request_stop(EndReason why = EndReason::stopped);
    // Pausing twice resumes where the driver was; the time spent paused is
    // not a stall.
    void toggle_pause();
    void set_motors_on(bool on) { motorsOn_ = on; }
    // The position of each axis asked becomes its origin; no move is made.
    void zero_axes(bool x, bool y, bool z);
    // posX, posY, posZ := 0.
    void zero_position() { zero_axes(true, true, true); }
    // posZ := 0: the height of the tool becomes the Z origin (the start of a job).
    void zero_z() { zero_axes(false, false, true); }

    float posX() const { return x_.pos; }
    float posY() const { return y_.pos; }
    float posZ() const { return z_.pos; }
    DriverState state() const { return state_; }
    bool running() const { return state_ != DriverState::idle; }
    bool paused() const { return paused_; }
    bool motors_on() const { return motorsOn_; }
    bool stop_requested() const { return stopRequest_; }
    // Why the last move file ended; none from its start until it ends.
    EndReason end_reason() const { return end_; }
    // With badLine: the number of the line that ended it, from 1 (0 otherwise).
    std::uint64_t end_line() const { return endLine_; }
    float stepLenX() const { return x_.stepLen; }
    float stepLenY() const { return y_.stepLen; }
    float stepLenZ() const { return z_.stepLen; }
    const PortWiring& wiring() const { return wiring_; }
    // The current line: targets, advances (after any replacement by the step
    // length), period and the ideal positions reached by the interpolation.
    float targetX() const { return x_.target; }
    float targetY() const { return y_.target; }
    float targetZ() const { return z_.target; }
    float incX() const { return x_.inc; }
    float incY() const { return y_.inc; }
    float incZ() const { return z_.inc; }
    float accX() const { return x_.acc(); }
    float accY() const { return y_.acc(); }
    float accZ() const { return z_.acc(); }
    // The period of the tick in progress (the last one begun), override
    // applied.
    std::int64_t periodUs() const { return periodUs_; }

    // While the current state waits on the counter: the first counter value
    // at which the wait may end. -1 in any other state. A simulation that moves
    // its counter there before the next call makes every wait end at once.
    std::int64_t wait_end() const;
    // Whole microseconds from the counter's current value to wait_end(); -1
    // when the current state does not wait.
    std::int64_t wait_left_us();

    // What the driver has done since it was built: move lines started, the
    // sum of the periods of the ticks run, and per axis the steps made
    // (either way) and their signed sum. Steps made with the motors off
    // count too. A stall is a phase that ran more than a period after it
    // could have; the longest is how late that phase was.
    struct Tally {
        std::uint64_t lines = 0;
        std::int64_t tickTimeUs = 0;  // negative periods count as 0
        std::uint64_t stepsX = 0, stepsY = 0, stepsZ = 0;
        std::int64_t netX = 0, netY = 0, netZ = 0;
        std::uint64_t stalls = 0;
        std::int64_t longestStallUs = 0;
    };
    Tally tally() const;

  private:
    struct Axis {
        float stepLen = 1.0f;
        float base = 0.0f;
        std::int64_t count = 0;  // signed steps made since the base was set
        float pos = 0.0f;        // base + count × stepLen, rounded to single
        float target = 0.0f;
        float inc = 0.0f;
        double lead = 0.0;       // ideal position minus position
        std::uint64_t made = 0;  // steps made since the driver was built
        std::int64_t net = 0;    // their signed sum

        bool finished() const;
        // Advances the ideal position by one tick; true when the axis has
        // gained a step, which is then made.
        bool advance();
        void rebase(float new_step_len);
        bool usable() const;
        float acc() const { return static_cast<float>(static_cast<double>(pos) + lead); }
    };

    void start_file(DriverState open_state);
    void open_file();
    void read_line();
    // Takes a P or Z line; false when an axis it moves has no usable step length.
    bool take_line(const MoveLine& m);
    void xy_decision();
    void z_decision();
    DriverState advance_x_only();
    DriverState advance_y_only();
    void close_file();
    // The entry of the table for the current line; null without one.
    const JobLine* current_job_line() const;
    // The period of a line written with `written` µs at the current override.
    std::int64_t line_period(const JobLine* line, std::int64_t written) const;
    // The times of the lines from each one to the end, at the current override.
    void compute_rest();
    // The job file is no longer executed: the override goes back to 100 %.
    void end_job_file();
    // Ends the execution at the next state (the file is closed there).
    void end_with(EndReason why);
    void write(int byte);
    // A clock edge, written at the end of a wait.
    void write_edge(int byte);
    std::int64_t counts(std::int64_t us) const;
    std::int64_t microseconds(std::int64_t counts) const {
        return counts_to_us(counts, counterFreq_);
    }
    // The first counter value at which a wait of `part` µs may end.
    std::int64_t earliest(std::int64_t part) const;
    // The timing mark at the start of a tick.
    void start_tick();
    // A wait of `part` µs: false while it goes on; when over, takes the
    // timing mark and returns true.
    bool waited(std::int64_t part);
    void note_lateness(std::int64_t late);
    std::int64_t third() const { return periodUs_ / 3; }
    // The wait after the falling edge: the rest of the period when paced by
    // deadlines, so that a tick lasts exactly its period.
    std::int64_t hold_part() const {
        return pacing_ == Pacing::deadline ? periodUs_ - 2 * third() : third();
    }
    // The part of the period the current state waits (negative: no wait).
    std::int64_t wait_part() const;
    // One phase of a stepping tick: its direction state writes the direction
    // bits of its axes, the rise writes them with their clocks (only with the
    // motors on), the fall writes the direction bits again, and the end of
    // the hold goes back to the tick's decision (or to a file started meanwhile).
    void tick_phase(const SteppingTick& tick);
    // A tick without a step: its timing mark, then a wait of a whole period.
    void no_step_tick(DriverState wait, DriverState back);
    // Sets the state a decision chose; a tick starts there.
    void begin_tick(DriverState state);
    int dir_x() const { return x_.inc >= 0 ? wiring_.dirPosX : wiring_.dirNegX; }
    int dir_y() const { return y_.inc >= 0 ? wiring_.dirPosY : wiring_.dirNegY; }
    int dir_z() const { return z_.inc >= 0 ? wiring_.dirPosZ : wiring_.dirNegZ; }

    platform::PortWriter& port_;
    platform::PerformanceCounter& counter_;
    PortWiring wiring_;
    Axis x_, y_, z_;
    DriverState state_ = DriverState::idle;
    // The file to open once the tick in progress completes.
    std::optional<DriverState> pendingStart_;
    bool stopRequest_ = false;
    EndReason stopReason_ = EndReason::stopped;
    EndReason end_ = EndReason::none;
    std::uint64_t endLine_ = 0;
    bool paused_ = false;
    bool motorsOn_ = false;
    std::int64_t periodUs_ = 500;
    Pacing pacing_ = Pacing::deadline;
    std::int64_t lastCount_ = 0;  // the last timing mark (a deadline, when paced by them)
    std::int64_t lastPhase_ = 0;  // when the last phase really ran
    bool anchorPending_ = true;   // the schedule starts again at the next tick
    std::int64_t pausedAt_ = 0;
    std::uint64_t stalls_ = 0;
    std::int64_t longestStall_ = 0;  // counts
    std::int64_t counterFreq_;
    MoveFileReader moveFile_;
    std::string folder_;
    std::string line_;
    std::uint64_t lines_ = 0;
    std::int64_t tickTimeUs_ = 0;

    int override_ = 100;
    std::int64_t linePeriodUs_ = 500;                   // the current line's period as written
    std::optional<std::vector<JobLine>> nextJobLines_;  // for the next job file
    std::vector<JobLine> jobLines_;                     // of the job file being run (or last run)
    std::vector<std::int64_t> restUs_;                  // restUs_[i]: lines i.. to the end
    bool jobFile_ = false;                              // the job file is being executed
    std::size_t jobLineCount_ = 0;                      // lines of the job file taken so far
    std::uint64_t linesDone_ = 0;
    std::int64_t lineTicks_ = 0;  // ticks begun on the current line
};

}  // namespace vexor
