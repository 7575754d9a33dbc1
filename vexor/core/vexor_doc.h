#pragma once
// CVexorDoc: the controller's document. It holds the drawing (the outlines
// to cut, read from a DXF file), the machine settings, read from the settings
// store when it is built and written back when it is destroyed, and the
// motion driver, which lives as long as the document. The jog and origin
// commands write "dep.dep" and start it; the start command writes the job
// file "coupe.dep" and starts it.

#include <cstdint>
#include <string>
#include <vector>

#include "cut_job.h"
#include "machine_settings.h"
#include "move_commands.h"
#include "polyline.h"
#include "step_driver.h"

namespace vexor {

// What File Open reads: the POLYLINE and LINE entities of a DXF file, at most
// 199, in file order, all selected for cutting. False with a French message
// when the file cannot be read, or when it holds nothing but curves this
// reader passes over (the message then names Plandor's curve import).
[[nodiscard]] bool read_drawing(const std::string& path, common::PolylineArray& table, int& count,
                                std::string& error);

// A refusal of read_drawing as the command line tells it: Plandor's curve
// import is named by its option rather than by the window's menu.
std::string command_line_message(const std::string& error);

class CVexorDoc {
  public:
    // The Z the job raises the tool to after each path; never changed.
    static constexpr float kToolUp = kToolUpHeight;

    CVexorDoc(platform::SettingsStore& store, platform::PortWriter& port,
              platform::PerformanceCounter& counter);
    ~CVexorDoc();
    CVexorDoc(const CVexorDoc&) = delete;
    CVexorDoc& operator=(const CVexorDoc&) = delete;

    const MachineSettings& settings() const { return settings_; }
    // The stored settings that could not be used as they were, each replaced
    // by its default: one French line each, for a message at start.
    const std::vector<std::string>& settings_notices() const { return notices_; }
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
    // The connection dialog: what drives the machine, the parallel port
    // (LPT1 or LPT2) or a GRBL controller's serial device and speed.
    void set_connection(MachineBackendKind backend, int lpt, const std::string& device, int baud);
    // The travel limits of the axes, in mm.
    void set_travel(float travelX, float travelY, float travelZ);

    // Writes "dep.dep" with the jog or the return to the origin and starts
    // it, replacing a move being executed. False with a French message when
    // the move is refused or the file cannot be written; the driver is then
    // left as it was.
    [[nodiscard]] bool jog(Jog jog, float distance, std::string& error);
    [[nodiscard]] bool go_to_origin(std::string& error);

    // Writes the settings to the store (also done by the destructor, which
    // has no one to tell of a failure). False with a French message when a
    // setting could not be written.
    [[nodiscard]] bool save_settings(std::string& error);

    // File New: deletes every polyline; the view resets its zoom at its next
    // paint.
    void new_drawing();
    // File Open: read_drawing replaces the drawing; when it refuses, the
    // drawing is left as it was.
    [[nodiscard]] bool open_drawing(const std::string& path, std::string& error);
    // Polylines whose selected flag is set (those a job cuts).
    int selected_count() const;

    // The start command: writes the job file from the tool's position and
    // starts it (openJobFile), the tool's height becoming the Z origin first
    // (posZ := 0); the job returns to (startX, startY), the position it was
    // written from. The driver gets the table of the job's lines with it
    // (feed override, time left), and the override starts at 100 %. False with a French message
    // when the job is refused or its file cannot be written: nothing is then started and neither
    // the driver nor the document changes (a move being executed goes on).
    [[nodiscard]] bool start_job(std::string& error);

    common::PolylineArray polylines;
    int polylineCount = 0;
    std::string drawingName;  // the file the drawing was read from, without its folder
    float startX = 0;         // where the last job started and returns to
    float startY = 0;
    int viewResetPending = 0;    // set by New: the view resets at its next paint
    std::int64_t jobTimeUs = 0;  // estimated duration of the last job started

  private:
    [[nodiscard]] bool start_move(const std::string& text, std::string& error);

    platform::SettingsStore& store_;
    std::vector<std::string> notices_;
    MachineSettings settings_;
    CStepDriver driver_;
};

}  // namespace vexor
