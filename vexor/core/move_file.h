#pragma once
// Move files: text programs of straight moves that the motion driver runs.
//   P targetX incX targetY incY periodUs   move X and Y together
//   Z targetZ incZ periodUs                move Z
// Targets in mm, advances in mm per tick (signed), period in whole
// microseconds. The job file is "coupe.dep", a single move "dep.dep", both
// in the folder the driver is given (the current folder in the program).
// Numbers are written and read with a decimal point whatever the locale.

#include <cstdint>
#include <cstdio>
#include <string>
#include <string_view>

namespace vexor {

inline constexpr const char* kJobFileName = "coupe.dep";
inline constexpr const char* kMoveFileName = "dep.dep";

struct MoveLine {
    char kind = 0;  // 'P' or 'Z'
    float targetX = 0, incX = 0, targetY = 0, incY = 0;
    float targetZ = 0, incZ = 0;
    std::int64_t periodUs = 0;
};

// What the job writer knows of each line of the job file and the file does
// not say: whether it cuts (the plunge, the segments, the raise: the lines
// the feed override scales), the period the travel speed of the same axes
// would give it (no override makes a cutting line faster than that), how
// many ticks it takes from where the previous line ends, and its period as
// written.
struct JobLine {
    bool cutting = false;
    std::int64_t floorUs = 0;
    std::int64_t ticks = 0;
    std::int64_t periodUs = 0;
};

// Reads one move line: its first character is the letter, then the numbers
// separated by blanks (any text after the last one is ignored). False for any
// other line: another first character, missing numbers, a number that is not
// finite or a period outside the int range.
[[nodiscard]] bool parse_move_line(std::string_view line, MoveLine& move);

// The move file being executed, read with lines of at most 99 characters (a
// longer line is read in pieces).
class MoveFileReader {
  public:
    MoveFileReader() = default;
    ~MoveFileReader() { close(); }
    MoveFileReader(const MoveFileReader&) = delete;
    MoveFileReader& operator=(const MoveFileReader&) = delete;

    // False when the file cannot be opened for reading (the driver then
    // reports its job as ended with the file missing).
    [[nodiscard]] bool open(const std::string& path);
    bool is_open() const { return file_ != nullptr; }
    // The next piece of text, line end included; false at the end of the file.
    [[nodiscard]] bool next_line(std::string& line);
    // The number of the line the last piece read belongs to, counted from 1;
    // after next_line has answered false, the line it could not read.
    std::uint64_t line_number() const { return lineNumber_; }
    // After next_line has answered false: true when it was the end of the
    // file, false after a read error.
    bool at_end() const;
    void close();

  private:
    std::FILE* file_ = nullptr;
    std::uint64_t lineNumber_ = 0;
    bool atLineStart_ = true;  // the next piece begins a line
};

// "P %f %f %f %f %d\n" and "Z %f %f %d\n" as the C library writes them in
// the "C" locale. The reals are taken in double precision, as the job
// computes them; a single-precision value is written as it stands.
std::string p_line_text(double targetX, double incX, double targetY, double incY, int periodUs);
std::string z_line_text(double targetZ, double incZ, int periodUs);

}  // namespace vexor
