#pragma once
// CVexorDoc: the controller's document. For now it holds the machine
// settings, read from the settings store when it is built and written back
// when it is destroyed, and the motion driver, which lives as long as the
// document. The jog and origin commands write "dep.dep" and start it.

#include <string>

#include "machine_settings.h"
#include "move_commands.h"
#include "step_driver.h"

namespace vexor {

class CVexorDoc {
  public:
    // The Z the job raises the tool to after each path; never changed.
    static constexpr float kToolUp = 0.0f;

    CVexorDoc(platform::SettingsStore& store, platform::PortWriter& port,
              platform::PerformanceCounter& counter);
    ~CVexorDoc();
    CVexorDoc(const CVexorDoc&) = delete;
    CVexorDoc& operator=(const CVexorDoc&) = delete;

    const MachineSettings& settings() const { return settings_; }
    CStepDriver& driver() { return driver_; }
    const CStepDriver& driver() const { return driver_; }

    // The parameter bar's setters: they store what they receive (the bar has
    // already checked it).
    void set_speeds(float travelXY, float travelZ, float cutXY, float cutZ);
    void set_descent(float ZBas);
    // The machine dialog: new steps per mm, step lengths recomputed at once.
    void set_steps(float StepX, float StepY, float StepZ);
    // The port dialog: new wiring, port address and masks derived at once.
    void set_port(const PortSettings& port);

    // Writes "dep.dep" with the jog or the return to the origin and starts
    // it, replacing a move being executed. False with a French message when
    // the move is refused or the file cannot be written; the driver is then
    // left as it was.
    bool jog(Jog jog, float distance, std::string& error);
    bool go_to_origin(std::string& error);

    // Writes the settings to the store (also done by the destructor).
    bool save_settings();

  private:
    bool start_move(const std::string& text, std::string& error);

    platform::SettingsStore& store_;
    MachineSettings settings_;
    CStepDriver driver_;
};

}  // namespace vexor
