#pragma once
// Sends a program to GRBL by counting characters: a line goes out only while
// the bytes sent and not yet acknowledged, plus that line and its LF, fit in
// the controller's receive buffer. Each ok or error frees the oldest line; an
// error or an alarm stops the stream at once.

#include <cstddef>
#include <cstdint>
#include <deque>
#include <string>
#include <string_view>
#include <vector>

#include "grbl_replies.h"
#include "serial_link.h"

namespace vexor::grbl {

constexpr std::size_t kDefaultRxBuffer = 128;
constexpr std::size_t kMaxLineLength = 80;

// The single-byte commands GRBL acts on at once, outside the stream.
namespace realtime {
constexpr char kStatus = '?';
constexpr char kFeedHold = '!';
constexpr char kCycleStart = '~';
constexpr char kReset = 0x18;
constexpr char kJogCancel = static_cast<char>(0x85);
constexpr char kFeed100 = static_cast<char>(0x90);
constexpr char kFeedPlus10 = static_cast<char>(0x91);
constexpr char kFeedMinus10 = static_cast<char>(0x92);
constexpr char kFeedPlus1 = static_cast<char>(0x93);
constexpr char kFeedMinus1 = static_cast<char>(0x94);
bool is_realtime(char byte);
}  // namespace realtime

struct ProgramLine {
    int number = 0;    // 1-based line of the program text
    std::string text;  // as sent, without its LF
};

// The lines of `program` ready to send: comments ( ... ) and ; ... removed,
// spaces at the ends trimmed, empty lines left out. False with a French
// message when a line is longer than kMaxLineLength or holds a byte GRBL
// would take as a real-time command.
bool prepare_program(std::string_view program, std::vector<ProgramLine>& lines, std::string& error);

enum class StreamState { Idle, Running, Done, Failed, Stopped, Lost };

class Streamer {
  public:
    explicit Streamer(std::size_t rx_buffer = kDefaultRxBuffer) : rx_buffer_(rx_buffer) {}
    void set_rx_buffer(std::size_t bytes) { rx_buffer_ = bytes; }
    std::size_t rx_buffer() const { return rx_buffer_; }

    // Starts a new stream (counters cleared).
    void start(std::vector<ProgramLine> lines);
    // Sends every line that fits now. False when the link failed (state Lost).
    bool pump(SerialLink& link);
    // An ok or error: frees the oldest line; error or alarm ends the stream.
    // Other replies are ignored. True when the reply was taken.
    bool on_reply(const Reply& reply);
    // The link is gone: the stream ends Lost.
    void on_lost();
    // Ends the stream Stopped without sending anything (the session holds
    // and resets the controller). The lines sent but not acknowledged (they
    // may not have run) stay in unacknowledged().
    void halt();

    StreamState state() const { return state_; }
    std::size_t lines_sent() const { return sent_; }
    std::size_t lines_acknowledged() const { return acknowledged_; }
    std::size_t lines_total() const { return lines_.size(); }
    std::size_t bytes_in_flight() const { return in_flight_bytes_; }
    // After Failed: the line refused or running at the alarm, and why.
    const ProgramLine& failed_line() const { return failed_line_; }
    int failure_code() const { return failure_code_; }
    // After Failed, Stopped or Lost: the French account.
    const std::string& message() const { return message_; }
    // Sent and not acknowledged, oldest first.
    std::vector<ProgramLine> unacknowledged() const;

  private:
    void finish_unacknowledged(StreamState state, const std::string& why);

    std::size_t rx_buffer_;
    std::vector<ProgramLine> lines_;
    std::deque<std::size_t> in_flight_;  // indexes into lines_
    std::vector<ProgramLine> left_unacknowledged_;
    std::size_t next_ = 0;
    std::size_t in_flight_bytes_ = 0;
    std::size_t sent_ = 0;
    std::size_t acknowledged_ = 0;
    StreamState state_ = StreamState::Idle;
    ProgramLine failed_line_;
    int failure_code_ = 0;
    std::string message_;
};

}  // namespace vexor::grbl
