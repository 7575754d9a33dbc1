#pragma once
// The group-code/value pairs of an ASCII DXF file. Every pair is two lines: an
// integer group code, then its value. Lines may end with LF, CR LF or CR
// alone. The reader never trusts the text: a code line that is not an integer
// stops the reading with the line's number, and a pair cut off by the end of
// the text is dropped.

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace common {

// A drawing file is read whole: larger ones are refused.
inline constexpr std::size_t kMaxDrawingBytes = std::size_t{512} << 20;

// Bits of the flags (group code 70) of the entities read.
inline constexpr long long kClosedFlag = 1;         // LWPOLYLINE, POLYLINE, SPLINE: closed
inline constexpr long long kPolyline3dFlag = 8;     // POLYLINE: 3-D, in world coordinates
inline constexpr long long kPolygonMeshFlag = 16;   // POLYLINE: a polygon mesh
inline constexpr long long kPolyfaceMeshFlag = 64;  // POLYLINE: a polyface mesh
inline constexpr long long kSplineFrameFlag = 16;   // VERTEX: a spline's frame point

struct DxfTag {
    int code = 0;
    std::string_view value;  // blanks and line end removed on both sides
};

class DxfTagReader {
  public:
    explicit DxfTagReader(std::string_view text);

    // The next pair; false at the end of the text or at a code line that is
    // not an integer (then failed() is true).
    bool next(DxfTag& tag);
    // The next call of next() gives the last pair again.
    void put_back() { putBack_ = true; }

    bool failed() const { return failed_; }
    // The 1-based line of the last code line read; 0 before any.
    int line() const { return codeLine_; }

  private:
    bool read_line(std::string_view& line);

    std::string_view text_;
    std::size_t pos_ = 0;
    int lineNumber_ = 0;
    int codeLine_ = 0;
    bool failed_ = false;
    bool putBack_ = false;
    DxfTag last_;
};

// A value read as a finite number ("%f"-like, a decimal point whatever the
// locale, or a lone decimal comma); false for any other text, trailing
// characters included.
[[nodiscard]] bool dxf_number(std::string_view value, double& out);
// A value read as an integer; false for any other text.
[[nodiscard]] bool dxf_integer(std::string_view value, long long& out);

// How many entities of one kind a reader read and passed over.
struct EntityTally {
    std::string kind;
    int read = 0;
    int passedOver = 0;
};

// Counts one entity of `kind` in `tally`, a new kind going last.
void count_entity(std::vector<EntityTally>& tally, std::string_view kind, bool read);

}  // namespace common
