#pragma once
// What a GRBL controller sends back, line by line: the byte stream split into
// lines, and each line read as one reply. Any input is accepted: a line that
// means nothing known is an Other reply, never a failure.

#include <array>
#include <cstddef>
#include <string>
#include <string_view>

namespace vexor::grbl {

// Splits the received bytes into lines ending with LF (a CR before it is
// dropped, a lone CR ends a line too). A line longer than kMaxLine is thrown
// away up to its end and counted.
class LineSplitter {
  public:
    static constexpr std::size_t kMaxLine = 256;
    void feed(std::string_view bytes);
    // The next complete line, without its end; false when none is complete.
    bool next(std::string& line);
    std::size_t discarded_lines() const { return discarded_; }

  private:
    std::string pending_;  // received, not yet handed out
    std::string partial_;  // the line being built
    bool skipping_ = false;
    bool last_cr_ = false;
    std::size_t discarded_ = 0;
};

enum class Flavour { Grbl, GrblHal, FluidNc };

struct StatusReport {
    std::string state;         // Idle, Run, Hold, Jog, Alarm, Door, Check, Home, Sleep (as sent)
    int substate = -1;         // Hold:0 -> 0; -1 when absent
    bool machine_pos = false;  // the position is MPos (else WPos)
    bool has_pos = false;
    std::array<double, 3> pos{};
    bool has_wco = false;
    std::array<double, 3> wco{};
    bool has_ov = false;
    std::array<int, 3> ov{};  // feed, rapid, spindle, in percent
    bool has_feed = false;
    double feed = 0;
    double spindle = 0;
    bool has_buffer = false;
    int buffer_blocks = 0;  // free planner blocks
    int buffer_bytes = 0;   // free rx bytes
    bool has_line = false;
    long line_number = 0;
    std::string pins;  // Pn: letters, empty when absent
};

enum class ReplyKind {
    Ok,
    Error,        // code
    Alarm,        // code
    Welcome,      // flavour, text = version
    Message,      // [MSG:...], text = inside
    Options,      // [OPT:...], option_blocks / option_rx_bytes (0 when absent)
    Feedback,     // any other [...], text = inside
    Setting,      // $N=value, setting_number, setting_value (setting_text raw)
    Status,       // <...>
    StartupLine,  // >...:ok / >...:error:N
    Other
};

struct Reply {
    ReplyKind kind = ReplyKind::Other;
    int code = 0;
    Flavour flavour = Flavour::Grbl;
    std::string text;
    int setting_number = -1;
    double setting_value = 0;
    bool setting_numeric = false;
    int option_blocks = 0;
    int option_rx_bytes = 0;
    StatusReport status;
};

Reply parse_reply(std::string_view line);

// French meaning of a GRBL 1.1 error (1-38) or alarm (1-9) code; an unknown
// code gets a text naming it.
std::string error_text(int code);
std::string alarm_text(int code);

}  // namespace vexor::grbl
