#pragma once
// The suite's DXF dialect. The reader finds POLYLINE (with its VERTEX and
// SEQEND records) and LINE entities anywhere in an ASCII DXF file and passes
// over everything else; the writer makes the minimal cut-plan file that the
// reader and common CAD programs read back.

#include <string>
#include <string_view>
#include <vector>

#include "dxf_tags.h"
#include "polyline.h"

namespace common {

// What an import read and left out, for its report.
struct DxfImportReport {
    std::vector<EntityTally> tally;  // read anywhere, passed over in ENTITIES
    std::vector<int> cutPolylines;   // slots of the polylines cut at 100 vertices
    int leftOut = 0;                 // entities beyond the 199 kept
};

// How a DXF file is opened.
enum class DxfMode { read, write };

class CDxfFile {
  public:
    static constexpr int kFirstHandle = 47;

    CDxfFile() = default;
    CDxfFile(const CDxfFile&) = delete;
    CDxfFile& operator=(const CDxfFile&) = delete;
    // An export never closed is dropped and the target left as it was.
    virtual ~CDxfFile() = default;

    // DxfMode::read reads a regular file of at most kMaxDrawingBytes whole
    // (a device, a pipe or a folder is refused: the reader must always reach
    // an end). DxfMode::write starts a file for writing: the header is
    // written in memory and the handle counter set to 47; the file reaches
    // the disk atomically on close(). False with a French message when the
    // file cannot be read, when `path` is empty or when the file is open
    // already.
    [[nodiscard]] bool open(const std::string& path, DxfMode mode, std::string& error);

    // Reads entities from bytes instead of a file (tests, fuzzing). The bytes
    // must outlive the reading. False when the file is open already.
    [[nodiscard]] bool open_bytes(std::string_view bytes);

    // Reads the next POLYLINE or LINE entity into the point table and point
    // count of `buffer`, the count being set to 0 first. An entity starts
    // only where its name is the value of a group code 0, so a text or a
    // layer named LINE starts nothing. True when an entity was read, false
    // at the end of the file, or when the reading stops on a fault that
    // error() then describes: the file ends inside an entity, or a
    // coordinate is not a finite single-precision number. At most 100
    // vertices are kept, plus the first point repeated when the polyline is
    // closed. Lines may end with LF, CR LF or CR alone.
    [[nodiscard]] bool read_entity(CPolyline& buffer);
    // Why the reading stopped early, naming the line (French); empty when
    // the file simply ended.
    const std::string& error() const { return error_; }
    // Whether the last entity read had vertices beyond the 100 kept.
    bool last_entity_cut() const { return cut_; }
    // Counts into `tally` the entities read and passed over from now on.
    void count_entities(std::vector<EntityTally>* tally) { tally_ = tally; }

    // Writes the offset contour of `polyline`, split at its tabs, as one or
    // more POLYLINE entities. An empty contour writes nothing.
    void write_contour(const CPolyline& polyline);

    // Writes the end of the ENTITIES section and of the file.
    void write_end();

    // Closes the file. For a file being written this commits it to disk:
    // false and a French message in `error` when it cannot be saved.
    [[nodiscard]] bool close(std::string& error);

    int handle() const { return handle_; }
    // The text written so far (a file being written).
    const std::string& text() const { return text_; }

  private:
    int next_char();
    void unread_char();
    bool read_line(char (&line)[100]);
    bool read_coordinate(const char* value, float& out);
    bool truncated(int entity_line);
    bool read_code(std::string& code);
    bool skip_value();
    void note_name(const std::string& name);
    bool read_polyline(CPolyline& buffer);
    bool read_line_entity(CPolyline& buffer);

    void write_handle();
    void write_polyline_header();
    void write_vertex(float x, float y);
    void write_seqend();

    bool reading_ = false;
    std::string owned_;  // the bytes of a file read
    std::string_view memory_;
    std::size_t memory_pos_ = 0;
    int line_number_ = 0;  // of the line read last
    bool line_start_ = true;
    std::string error_;
    bool nameNext_ = false;  // a LINE ended at a code 0 whose name is still unread
    bool cut_ = false;
    bool afterSection_ = false;
    std::string section_;
    std::vector<EntityTally>* tally_ = nullptr;

    bool writing_ = false;
    std::string path_;
    std::string text_;
    int handle_ = 0;
};

// The import loop shared by Plandor and Vexor: reads the entities of `path`
// into `table` from slot `count` on, one polyline per entity in file order.
// Reading stops at the end of the file or once the 200th slot has been
// filled; the polyline in the last slot used is then dropped, so at most 199
// polylines are kept. False, with nothing imported and a French message in
// `error`, when the file cannot be read, when the reading stops on a fault
// (see read_entity), or when the file holds no entity at all. With a
// `report`, also counts what was read, cut and left out.
[[nodiscard]] bool read_dxf_polylines(const std::string& path, PolylineArray& table, int& count,
                                      std::string& error, DxfImportReport* report = nullptr);

// The curves an import passed over ("LWPOLYLINE 2, CIRCLE 1"), empty when it
// passed over none: what the curve import would read.
std::string passed_over_curves(const DxfImportReport& report);

}  // namespace common
