#pragma once
// A GRBL 1.1 controller for the tests, on the device side of a link: a
// 128-byte receive buffer it checks (a byte past it is recorded), ok/error
// replies, G0/G1 lines executed into a move list, status reports with WCO and
// Ov only now and then, injected errors and alarms, boot noise, unplugging;
// feed hold and cycle start, feed override bytes, $X after an alarm, $SLP.

#include <array>
#include <cstddef>
#include <map>
#include <string>
#include <vector>

#include "serial_link.h"

namespace vexor::grbl::testing {

struct Move {
    bool rapid = false;
    std::array<double, 3> target{};  // machine position, mm
};

struct RealtimeSeen {
    char byte;
    std::size_t rx_bytes_waiting;  // lines in the buffer, unread, when it came
};

class GrblModel {
  public:
    explicit GrblModel(SerialLink& link) : link_(link) {}

    std::string welcome = "Grbl 1.1h ['$' for help]";
    std::string boot_noise;  // sent before the welcome
    std::size_t rx_size = 128;
    std::size_t lines_per_step = 1;  // how fast the planner takes lines
    int wco_every = 3;               // status reports between WCO fields
    int ov_every = 4;
    std::map<int, int> error_at_line;  // nth program line -> error code
    std::map<int, int> alarm_at_line;
    // An injected error or alarm is replied only after this many steps in a
    // row brought no line byte: the host has filled its buffer and waits, so
    // whatever line comes after the reply was sent after the host read it.
    std::size_t failure_after_quiet_steps = 0;

    // Reads what the host sent, acts on real-time bytes at once, then runs up
    // to lines_per_step lines from the buffer.
    void step();
    // Power-up: noise then welcome (and on each reset).
    void boot();
    // An alarm raised on its own (a limit switch touched).
    void raise_alarm(int code);

    bool overflowed() const { return overflowed_; }
    std::size_t peak_rx() const { return peak_; }
    const std::vector<Move>& moves() const { return moves_; }
    // Program lines taken so far (what error_at_line and alarm_at_line count).
    int program_lines() const { return program_lines_; }
    const std::vector<std::string>& lines_received() const { return received_; }
    const std::vector<RealtimeSeen>& realtime_seen() const { return realtime_; }
    // Line bytes (real-time bytes aside) received after the first error or
    // alarm this model replied.
    const std::string& received_after_failure() const { return after_failure_; }
    std::array<double, 3> machine_pos{};
    std::array<double, 3> wco{};
    std::string state = "Idle";
    int feed_ov = 100;      // %, moved by the real-time override bytes
    int feed_ov_max = 200;  // a build that caps the override lower
    int jog_steps = 0;      // steps a jog takes (0: done at once)

  private:
    void run_line(const std::string& line);
    void fail(const std::string& reply, bool alarm);
    void reply_failure();
    void end_jog();
    bool read_input();  // true when a line byte came
    void send(const std::string& s) { link_.write(s); }
    void status();

    SerialLink& link_;
    std::string rx_;
    bool overflowed_ = false;
    std::size_t peak_ = 0;
    std::vector<Move> moves_;
    std::vector<std::string> received_;
    std::vector<RealtimeSeen> realtime_;
    int program_lines_ = 0;
    int reports_ = 0;
    bool check_ = false;
    bool wco_changed_ = true;
    bool halted_ = false;  // after an alarm: lines are dropped until reset
    bool failed_ = false;  // an error or an alarm was replied
    std::string after_failure_;
    std::array<double, 3> jog_target_{};
    int jog_left_ = 0;
    std::string pending_failure_;  // the reply held back until the host waits
    bool pending_alarm_ = false;
    std::size_t quiet_steps_ = 0;
};

}  // namespace vexor::grbl::testing
