#pragma once
// The machine as the window and the command line see it, whatever drives it:
// the stepping thread on a parallel port, or a GRBL controller over a serial
// link. Commands return at once; poll() is called often (every few
// milliseconds) from the program's loop and advances whatever the machine
// is doing; snapshot() says where it stands.

#include <array>
#include <chrono>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "move_commands.h"

namespace vexor {

class CVexorDoc;

// What a machine may offer beyond the commands every machine has.
enum class MachineFeature { unlock, checkProgram, feedOverride, controllerSettings };

// The job started by the last start_job, as it stands.
enum class JobPhase { none, held, running, finished, stopped };

struct MachineSnapshot {
    std::array<double, 3> position{};  // work position, mm
    bool positionKnown = true;
    bool ready = true;     // connected and able to take commands
    bool running = false;  // a job or a move in progress
    bool paused = false;
    bool motorsOn = false;
    bool alarm = false;  // locked until unlocked
    // The controller's own state name ("Idle", "Run", "Hold:0"...), empty
    // where the machine has none.
    std::string state;
    JobPhase job = JobPhase::none;
    bool checking = false;                      // the job is read without moving
    std::string jobEnd;                         // stopped: why, in French
    std::int64_t jobRemainingUs = 0;            // running: the estimate of what is left
    std::size_t linesDone = 0, linesTotal = 0;  // of a streamed job
    int feedOverride = 100;                     // %, as the machine reports it
};

// The controller's own settings, shown read-only: name, value, unit.
struct ControllerSetting {
    std::string name, value;
};

class MachineBackend {
  public:
    virtual ~MachineBackend() = default;

    virtual bool offers(MachineFeature feature) const = 0;
    // Opens the conversation with the machine (nothing to do on a port).
    virtual void connect() {}
    // Advances the machine; returns the French alerts that arose since the
    // last call (a port refusing bytes, an error or alarm, a lost link...).
    virtual std::vector<std::string> poll() = 0;
    virtual MachineSnapshot snapshot() const = 0;

    // Each command is refused (false, with a French message) when the
    // machine cannot take it now; nothing is then changed.
    [[nodiscard]] virtual bool jog(Jog jog, float distance, std::string& error) = 0;
    [[nodiscard]] virtual bool go_to_origin(std::string& error) = 0;
    // The work zero of the axes named, at the tool's position.
    [[nodiscard]] virtual bool zero(bool x, bool y, bool z, std::string& error) = 0;
    // The key of a keyboard jog released: the jog in progress ends where it
    // is, where the machine can cut a jog short (nothing happens otherwise).
    virtual void cancel_jog() {}
    // Writes the job of the document and holds it (JobPhase::held) until
    // release_job(): the machine starts when the user has read the notice.
    [[nodiscard]] virtual bool prepare_job(std::string& error) = 0;
    virtual void release_job() = 0;
    // The job read by the machine without moving: its phase runs as a
    // job's does, and ends stopped at the first refused line.
    [[nodiscard]] virtual bool check_job(std::string& error) = 0;
    virtual void toggle_pause() = 0;
    virtual void stop() = 0;
    virtual void set_motors(bool on) = 0;
    [[nodiscard]] virtual bool unlock(std::string& error) = 0;
    // The feed of the job's cutting moves, 10 to 200 % (travel moves keep
    // theirs); back to 100 % at the end of each job.
    [[nodiscard]] virtual bool set_feed_override(int percent, std::string& error) = 0;
    virtual std::vector<ControllerSetting> controller_settings() const { return {}; }

    // Changes the document (its settings, its drawing) where the machine
    // cannot be reading it at the same time.
    virtual void edit(const std::function<void(CVexorDoc&)>& change) = 0;

    // "Port : /dev/parport0", "GRBL : /dev/ttyUSB0"...
    virtual std::string label() const = 0;
    // How it runs, for the port pane's tip.
    virtual std::string detail() const = 0;
    // Stops the machine for good before the program quits; false when it
    // was not at rest within `limit`.
    virtual bool shut_down(std::chrono::milliseconds limit) = 0;
};

}  // namespace vexor
