#include "dxf_file.h"

#include <cstring>

#include "c_format.h"
#include "contour_pieces.h"
#include "printable.h"
#include "read_file.h"
#include "save_file.h"

namespace common {

namespace {

// Drops blanks, tabs and line ends from a group-code or entity-name line.
// A carriage return is dropped too, so files with CR LF line ends read alike.
std::string squeeze(const char* line) {
    std::string out;
    for (const char* p = line; *p != '\0'; ++p) {
        if (*p != ' ' && *p != '\t' && *p != '\n' && *p != '\r') {
            out.push_back(*p);
        }
    }
    return out;
}

constexpr int kEnd = -1;  // next_char() past the last byte

constexpr const char* kEntityTail = "  8\n0\n  6\nContinuous\n 62\n     7\n  5\n";

}  // namespace

bool CDxfFile::open(const std::string& path, DxfMode mode, std::string& error) {
    if (reading_ || writing_) {
        error = "Le fichier dxf est déjà ouvert.";
        return false;
    }
    if (path.empty()) {
        error = "Aucun nom de fichier n'est donné.";
        return false;
    }
    if (mode == DxfMode::read) {
        if (!platform::read_file(path, owned_, error, kMaxDrawingBytes)) {
            return false;
        }
        reading_ = true;
        memory_ = owned_;
        memory_pos_ = 0;
        return true;
    }
    writing_ = true;
    path_ = path;
    handle_ = kFirstHandle;
    text_ = "  0\nSECTION\n  2\nENTITIES\n";
    return true;
}

bool CDxfFile::open_bytes(std::string_view bytes) {
    if (reading_ || writing_) {
        return false;
    }
    reading_ = true;
    memory_ = bytes;
    memory_pos_ = 0;
    return true;
}

// One line of at most 99 characters, its line end included when it fits, as
// the C library's fgets(line, 100, file) gives it; a longer line comes in
// several pieces. A line ends at LF, CR LF or a lone CR (old Macintosh
// files); every end is given as "\n".
int CDxfFile::next_char() {
    if (!reading_ || memory_pos_ >= memory_.size()) {
        return kEnd;
    }
    return static_cast<unsigned char>(memory_[memory_pos_++]);
}

void CDxfFile::unread_char() {
    --memory_pos_;
}

bool CDxfFile::read_line(char (&line)[100]) {
    std::size_t n = 0;
    int c = kEnd;
    while (n < sizeof line - 1 && (c = next_char()) != kEnd) {
        if (c == '\r') {
            const int next = next_char();
            if (next != '\n' && next != kEnd) {
                unread_char();
            }
            c = '\n';
        }
        line[n++] = static_cast<char>(c);
        if (c == '\n') {
            break;
        }
    }
    line[n] = '\0';
    if (n == 0) {
        return false;
    }
    if (line_start_) {
        ++line_number_;
    }
    line_start_ = line[n - 1] == '\n';
    return true;
}

bool CDxfFile::read_code(std::string& code) {
    char line[100];
    if (!read_line(line)) {
        return false;
    }
    code = squeeze(line);
    return true;
}

bool CDxfFile::read_coordinate(const char* value, float& out) {
    if (scan_f(value, out)) {
        return true;
    }
    std::string text(value);
    while (!text.empty() && (text.back() == '\n' || text.back() == ' ')) {
        text.pop_back();
    }
    error_ = "ligne " + std::to_string(line_number_) + " : la coordonnée « " +
             platform::printable(text) + " » n'est pas un nombre utilisable";
    return false;
}

bool CDxfFile::truncated(int entity_line) {
    error_ = "le fichier se termine au milieu de l'entité commencée ligne " +
             std::to_string(entity_line);
    return false;
}

// The value of a pair passed over in the entity search, read whole however
// long it is, so that codes and values stay in step.
bool CDxfFile::skip_value() {
    char line[100];
    do {
        if (!read_line(line)) {
            return false;
        }
    } while (line[0] == '\0' || line[std::strlen(line) - 1] != '\n');
    return true;
}

void CDxfFile::note_name(const std::string& name) {
    afterSection_ = name == "SECTION";
    if (name == "ENDSEC") {
        section_.clear();
    }
    // Every entity read is counted; those passed over only in the drawing's
    // entities, not in its tables or blocks.
    const bool read = name == "POLYLINE" || name == "LINE";
    if (tally_ != nullptr &&
        (read || ((section_.empty() || section_ == "ENTITIES") && name != "SECTION" &&
                  name != "ENDSEC" && name != "EOF" && name != "VERTEX" && name != "SEQEND"))) {
        count_entity(*tally_, name, read);
    }
}

bool CDxfFile::read_entity(CPolyline& buffer) {
    buffer.nbPoints = 0;
    cut_ = false;
    std::string code;
    while (nameNext_ || read_code(code)) {
        const bool named = nameNext_ || code == "0";
        nameNext_ = false;
        if (!named) {
            if (afterSection_ && code == "2") {
                afterSection_ = false;
                if (!read_code(section_)) {
                    break;
                }
            } else if (!skip_value()) {
                break;
            }
            continue;
        }
        std::string name;
        if (!read_code(name)) {
            break;
        }
        note_name(name);
        if (name == "POLYLINE") {
            return read_polyline(buffer);
        }
        if (name == "LINE") {
            return read_line_entity(buffer);
        }
    }
    return false;
}

bool CDxfFile::read_polyline(CPolyline& buffer) {
    const int start = line_number_;
    char value[100];
    std::string code;
    bool closed = false;
    for (;;) {  // header: up to the first VERTEX
        if (!read_code(code) || !read_line(value)) {
            return truncated(start);
        }
        if (code == "70") {
            int flags = 0;
            if (scan_d(value, flags) && (flags & kClosedFlag) != 0) {
                closed = true;
            }
        } else if (code == "0" && squeeze(value) == "VERTEX") {
            break;
        }
    }
    int count = 0;
    buffer.points[0] = Point3{};
    for (;;) {  // vertices: the coordinates come before the record's end
        if (!read_code(code) || !read_line(value)) {
            return truncated(start);
        }
        Point3& p = buffer.points[static_cast<size_t>(count)];
        if ((code == "10" && !read_coordinate(value, p.x)) ||
            (code == "20" && !read_coordinate(value, p.y)) ||
            (code == "30" && !read_coordinate(value, p.z))) {
            return false;
        }
        if (code == "0") {
            const std::string name = squeeze(value);
            if (name == "VERTEX" || name == "SEQEND") {
                ++count;
                if (name == "SEQEND" || count == kMaxEntityVertices) {
                    cut_ = name == "VERTEX";
                    break;
                }
                buffer.points[static_cast<size_t>(count)] = Point3{};
            }
        }
    }
    if (closed) {
        buffer.points[static_cast<size_t>(count)] = buffer.points[0];
        ++count;
    }
    buffer.nbPoints = count;
    return true;
}

bool CDxfFile::read_line_entity(CPolyline& buffer) {
    const int start = line_number_;
    char value[100];
    std::string code;
    float x1 = 0, y1 = 0, x2 = 0, y2 = 0;
    for (;;) {
        if (!read_code(code)) {
            return truncated(start);
        }
        // The name after the closing "0" is left for the next search, so a
        // LINE right after a LINE is found.
        if (code == "0") {
            nameNext_ = true;
            break;
        }
        if (!read_line(value)) {
            return truncated(start);
        }
        if ((code == "10" && !read_coordinate(value, x1)) ||
            (code == "20" && !read_coordinate(value, y1)) ||
            (code == "11" && !read_coordinate(value, x2)) ||
            (code == "21" && !read_coordinate(value, y2))) {
            return false;
        }
    }
    buffer.points[0] = Point3{x1, y1, 0};
    buffer.points[1] = Point3{x2, y2, 0};
    buffer.nbPoints = 2;
    return true;
}

void CDxfFile::write_handle() {
    text_ += format_X(handle_++);
    text_ += '\n';
}

void CDxfFile::write_polyline_header() {
    text_ += "  0\nPOLYLINE\n";
    text_ += kEntityTail;
    write_handle();
    text_ += " 66\n     1\n 10\n0.0\n 20\n0.0\n 30\n0.0\n";
}

void CDxfFile::write_vertex(float x, float y) {
    text_ += "  0\nVERTEX\n";
    text_ += kEntityTail;
    write_handle();
    text_ += " 10\n" + format_f(x) + "\n 20\n" + format_f(y) + "\n 30\n0.0\n";
}

void CDxfFile::write_seqend() {
    text_ += "  0\nSEQEND\n";
    text_ += kEntityTail;
    write_handle();
}

void CDxfFile::write_contour(const CPolyline& polyline) {
    if (!writing_) {
        return;
    }
    const std::vector<std::vector<Point3>> pieces = contour_pieces(polyline);
    if (pieces.empty()) {
        return;
    }
    if (pieces.size() == 1 && pieces[0].size() == 2) {
        // A single straight cut gets a middle vertex.
        const Point3& a = pieces[0][0];
        const Point3& b = pieces[0][1];
        write_polyline_header();
        write_vertex(a.x, a.y);
        write_vertex(a.x + (b.x - a.x) * 0.5f, a.y + (b.y - a.y) * 0.5f);
        write_vertex(b.x, b.y);
        write_seqend();
        return;
    }
    // The cut stops at each tab and resumes after it: one polyline per piece.
    for (const std::vector<Point3>& piece : pieces) {
        write_polyline_header();
        for (const Point3& p : piece) {
            write_vertex(p.x, p.y);
        }
        write_seqend();
    }
}

void CDxfFile::write_end() {
    if (writing_) {
        text_ += "  0\nENDSEC\n  0\nEOF\n";
    }
}

bool CDxfFile::close(std::string& error) {
    if (reading_) {
        reading_ = false;
        memory_ = {};
        owned_.clear();
        return true;
    }
    if (!writing_) {
        error = "Le fichier dxf n'est pas ouvert.";
        return false;
    }
    writing_ = false;
    return platform::save_file(path_, text_, &error);
}

namespace {

// Reads the entities into the table from slot `count` on; the slot after the
// last one kept, which is left empty.
int read_into(CDxfFile& file, PolylineArray& table, int count, DxfImportReport* report) {
    int slot = count;
    for (;;) {
        auto polyline = std::make_unique<CPolyline>();
        const bool read = file.read_entity(*polyline);
        if (read && file.last_entity_cut() && report != nullptr) {
            report->cutPolylines.push_back(slot);
        }
        table[static_cast<size_t>(slot)] = std::move(polyline);
        if (!read || slot == kMaxPolylines - 1) {
            if (read && report != nullptr) {
                // The entity of the last slot and every one after it are left out.
                CPolyline rest;
                report->leftOut = 1;
                if (!report->cutPolylines.empty() && report->cutPolylines.back() == slot) {
                    report->cutPolylines.pop_back();
                }
                while (file.read_entity(rest)) {
                    ++report->leftOut;
                }
            }
            break;
        }
        ++slot;
    }
    table[static_cast<size_t>(slot)].reset();
    return slot;
}

}  // namespace

bool read_dxf_polylines(const std::string& path, PolylineArray& table, int& count,
                        std::string& error, DxfImportReport* report) {
    CDxfFile file;
    if (!file.open(path, DxfMode::read, error)) {
        return false;
    }
    if (count < 0 || count >= kMaxPolylines) {
        return true;
    }
    if (report != nullptr) {
        file.count_entities(&report->tally);
    }
    const int slot = read_into(file, table, count, report);
    const std::string shown = platform::printable(path);
    if (!file.error().empty()) {
        for (int i = count; i < slot; ++i) {
            table[static_cast<size_t>(i)].reset();
        }
        error = "Le fichier « " + shown + " » est refusé : " + file.error() + ".";
        return false;
    }
    if (slot == count) {
        error = "Le fichier « " + shown +
                " » ne contient aucune entité POLYLINE ou LINE : " + "rien n'est importé.";
        return false;
    }
    count = slot;
    return true;
}

std::string passed_over_curves(const DxfImportReport& report) {
    std::string out;
    for (const EntityTally& t : report.tally) {
        const bool curve = t.kind == "LWPOLYLINE" || t.kind == "ARC" || t.kind == "CIRCLE" ||
                           t.kind == "ELLIPSE" || t.kind == "SPLINE" || t.kind == "INSERT";
        if (curve && t.passedOver > 0) {
            out += (out.empty() ? "" : ", ") + t.kind + " " + std::to_string(t.passedOver);
        }
    }
    return out;
}

}  // namespace common
