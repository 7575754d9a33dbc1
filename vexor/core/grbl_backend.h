#pragma once
// The machine behind a GRBL controller (GRBL 1.1, grblHAL, FluidNC) on a
// serial link: the job of the document written as G-code and streamed by
// character counting, jogs as $J= commands, the origin as a short program,
// the work zero by G10 L20, pause and resume by feed hold and cycle start,
// stop by feed hold then soft reset, motors by $SLP and the reset that wakes
// them, $X after an alarm, the check mode ($C) for a dry reading of the job.
// An error, an alarm or a lost link stops the stream at once; nothing is
// sent after it, and nothing resumes by itself.

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "grbl_session.h"
#include "machine_backend.h"
#include "serial_link.h"
#include "vexor_doc.h"

namespace vexor {

// The time a line of a program takes at 100 %, and whether the feed
// override scales it (a cutting move).
struct ProgramLineTime {
    double seconds = 0;
    bool cutting = false;
};

// Per line of a program of ours: G0 at the rapid feed the writer assumes,
// G1 at its F, straight from the previous point (absolute mm); the first
// point reached takes no time.
std::vector<ProgramLineTime> program_line_times(const std::vector<grbl::ProgramLine>& lines);

class GrblBackend : public MachineBackend {
  public:
    // `link` null: the device could not be opened, `open_error` says why,
    // and every command is refused with it.
    GrblBackend(CVexorDoc& doc, std::unique_ptr<grbl::SerialLink> link, std::string device,
                std::function<std::int64_t()> now_ms, std::string open_error = {});

    bool offers(MachineFeature feature) const override;
    void connect() override;
    std::vector<std::string> poll() override;
    MachineSnapshot snapshot() const override;
    bool jog(Jog jog, float distance, std::string& error) override;
    bool go_to_origin(std::string& error) override;
    bool zero(bool x, bool y, bool z, std::string& error) override;
    void cancel_jog() override;
    bool prepare_job(std::string& error) override;
    void release_job() override;
    bool check_job(std::string& error) override;
    void toggle_pause() override;
    void stop() override;
    void set_motors(bool on) override;
    bool unlock(std::string& error) override;
    bool set_feed_override(int percent, std::string& error) override;
    std::vector<ControllerSetting> controller_settings() const override;
    void edit(const std::function<void(CVexorDoc&)>& change) override;
    std::string label() const override;
    std::string detail() const override;
    bool shut_down(std::chrono::milliseconds limit) override;

    const grbl::Session* session() const { return session_.get(); }

  private:
    // What the stream in progress is.
    enum class Stream { none, job, move };
    // Where a check of the job stands.
    enum class Check { none, entering, running, leaving };

    bool usable(std::string& error) const;
    bool idle(std::string& error) const;
    bool job_lines(std::vector<grbl::ProgramLine>& lines, std::string& error);
    void watch_connection(std::vector<std::string>& alerts);
    void watch_stream(std::vector<std::string>& alerts);
    void watch_check(std::vector<std::string>& alerts);
    void watch_override(std::vector<std::string>& alerts);
    void end_job(JobPhase phase, const std::string& why);

    CVexorDoc& doc_;
    std::unique_ptr<grbl::SerialLink> link_;
    std::string device_;
    std::string openError_;
    std::unique_ptr<grbl::Session> session_;
    std::vector<std::string> pending_;  // alerts of commands that return none
    bool lostTold_ = false;
    bool alarmTold_ = false;
    Stream stream_ = Stream::none;
    JobPhase job_ = JobPhase::none;
    std::string jobEnd_;
    std::vector<grbl::ProgramLine> lines_;  // the held job (or the one checked)
    using LineTime = ProgramLineTime;
    std::vector<LineTime> lineTimes_;  // per line of the job
    std::uint64_t doneAtReport_ = 0;   // the stream was acknowledged at this report
    bool acknowledged_ = false;
    Check check_ = Check::none;
    int askedOverride_ = 0;              // % asked and not yet seen reported (0: none)
    std::uint64_t overrideAskedAt_ = 0;  // override reports read when it was asked
    bool overrideAsked_ = false;         // since the job began (or the last reset to 100)
    std::string checkFailure_;           // empty: no line refused
};

}  // namespace vexor
