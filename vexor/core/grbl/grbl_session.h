#pragma once
// One connection to a GRBL controller, driven by poll() from a timer: waits
// for the welcome (boot noise before it is ignored), reads the settings ($$)
// and the build options ($I), then polls the status with '?' and keeps the
// work position, the state and the overrides. A program goes through the
// Streamer; settings and one-off commands go one at a time, each waiting for
// its ok.
//
// Status needs no $10 change: a report in MPos gives the work position as
// MPos - WCO (WCO kept between the reports that carry it), a report in WPos
// gives it directly; $13=1 (inches) is read from $$ and converted. So the
// session never writes a setting on its own.

#include <array>
#include <cstdint>
#include <deque>
#include <functional>
#include <string>
#include <string_view>

#include "grbl_replies.h"
#include "grbl_streamer.h"
#include "serial_link.h"

namespace vexor::grbl {

struct ControllerSettings {
    std::array<double, 3> steps_per_mm{};  // $100-$102
    std::array<double, 3> max_rate{};      // $110-$112, mm/min
    std::array<double, 3> max_travel{};    // $130-$132, mm
    bool report_inches = false;            // $13
    int status_mask = 1;                   // $10
};

enum class Phase { Connecting, ReadingSettings, ReadingInfo, Ready, Failed, Lost };

class Session {
  public:
    static constexpr std::int64_t kWelcomeTimeoutMs = 5000;
    static constexpr std::int64_t kReplyTimeoutMs = 3000;
    static constexpr std::int64_t kStatusPeriodMs = 200;
    // A feed hold that has not brought the machine to rest by then is
    // followed by the reset all the same.
    static constexpr std::int64_t kHoldTimeoutMs = 5000;

    Session(SerialLink& link, std::function<std::int64_t()> now_ms);

    // Soft reset to provoke the welcome, then waits for it.
    void connect();
    // Reads what arrived, advances the connection, sends the status query
    // when due and feeds the streamer. Never blocks.
    void poll();

    Phase phase() const { return phase_; }
    Flavour flavour() const { return flavour_; }
    const std::string& version() const { return version_; }
    const ControllerSettings& settings() const { return settings_; }
    std::size_t rx_buffer() const { return streamer_.rx_buffer(); }
    int planner_blocks() const { return planner_blocks_; }
    // French account of the last failure or refusal.
    const std::string& message() const { return message_; }

    // Last status: state name, work position once known (mm), overrides.
    const std::string& state() const { return state_; }
    bool work_position_known() const { return work_known_; }
    const std::array<double, 3>& work_position() const { return work_; }
    const std::array<int, 3>& overrides() const { return ov_; }
    // Status reports read since the connection: a state read after a given
    // count was reported after that moment.
    std::uint64_t reports() const { return reports_; }
    // Of which those that carried the overrides (Ov:).
    std::uint64_t override_reports() const { return ov_reports_; }

    // Relative jog in mm at `feed` mm/min, only when Idle or Jog.
    bool jog(double dx, double dy, double dz, double feed);
    // Work zero of the axes named at the current position, only when Idle.
    bool zero_work(bool x = true, bool y = true, bool z = true);
    // $C: enters or leaves check mode (leaving resets the controller; the
    // session waits for the new welcome and carries on).
    bool toggle_check_mode();
    bool check_mode() const { return check_mode_; }
    // Writes one setting, waiting for its ok before anything else is sent.
    bool write_setting(int number, std::string_view value);

    // Streams a prepared program, only when Idle (or in check mode).
    bool start_job(std::vector<ProgramLine> lines);
    // Stops whatever runs: the stream ends at once, a feed hold brings the
    // machine to rest (so it keeps its position), then a soft reset clears
    // the controller's buffer; the session waits for the welcome after it.
    bool stop_job();
    bool stopping() const { return stop_asked_at_ >= 0 || awaiting_reset_; }
    // $X: lifts an alarm, only in the Alarm state.
    bool unlock();
    // $SLP puts the motors to sleep (only when Idle); a soft reset wakes them.
    bool sleep();
    bool wake();
    // Feed override to `percent` (10..200) by real-time bytes from the value
    // last reported; the report says whether the controller took it.
    bool set_feed_override(int percent);
    const Streamer& streamer() const { return streamer_; }
    // Real-time byte, sent at once (not counted in the stream).
    bool send_realtime(char byte);

  private:
    void handle(const Reply& r);
    void handle_status(const StatusReport& s);
    void handle_ack(const Reply& r);
    bool reset();
    bool refuse_unless_ready();
    void on_welcome(const Reply& r);
    bool send_command(std::string line);
    void lost();
    void fail(std::string why);
    bool refuse(std::string why);

    SerialLink& link_;
    std::function<std::int64_t()> now_;
    LineSplitter splitter_;
    Streamer streamer_;
    Phase phase_ = Phase::Connecting;
    Flavour flavour_ = Flavour::Grbl;
    std::string version_;
    ControllerSettings settings_;
    int planner_blocks_ = 0;
    std::string message_;
    std::int64_t phase_started_ = 0;
    std::int64_t last_status_ = 0;
    std::deque<std::string> commands_;  // one-off commands waiting, the first in flight
    bool command_in_flight_ = false;
    std::int64_t command_sent_at_ = 0;
    bool awaiting_reset_ = false;      // after a reset of ours: a welcome follows
    std::int64_t stop_asked_at_ = -1;  // feed hold sent, the reset not yet
    bool check_mode_ = false;
    std::string state_;
    int substate_ = -1;  // Hold:0, the hold complete; -1 when not sent
    bool have_wco_ = false;
    std::array<double, 3> wco_{};
    bool work_known_ = false;
    std::array<double, 3> work_{};
    std::array<int, 3> ov_{100, 100, 100};
    std::uint64_t reports_ = 0;
    std::uint64_t ov_reports_ = 0;
};

}  // namespace vexor::grbl
