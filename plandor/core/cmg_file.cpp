#include "cmg_file.h"

#include <cstdio>
#include <filesystem>
#include <functional>
#include <vector>

#include "c_format.h"
#include "printable.h"
#include "save_file.h"

namespace plandor {

using common::CAttache;
using common::CPolyline;
using common::Point3;

namespace {

// ---- Writing ----------------------------------------------------------------

void line(std::string& out, const char* keyword, const std::string& value) {
    out += keyword;
    out += ' ';
    out += value;
    out += '\n';
}

std::string f(float v) {
    return common::format_f(v);
}

std::string d(int v) {
    return std::to_string(v);
}

// Points, offset contour and group: what a top-level block and a member block
// have in common.
void write_body(std::string& out, const CPolyline& p) {
    for (int k = 0; k < p.nbPoints; ++k) {
        const Point3& pt = p.points[static_cast<size_t>(k)];
        line(out, "POINT-X", f(pt.x) + " " + d(k));
        line(out, "POINT-Y", f(pt.y) + " " + d(k));
    }
    out += "FIN-POINTS 0\n";
    if (p.nbOffsetPoints > 0) {
        line(out, "DETROURAGE", d(p.detourage));
        for (int j = 0; j < p.nbOffsetPoints; ++j) {
            const Point3& o = p.offsetPoints[static_cast<size_t>(j)];
            line(out, "DETROURAGE-X", f(o.x) + " " + d(j));
            line(out, "DETROURAGE-Y", f(o.y) + " " + d(j));
            const CAttache* tab = p.tabs[static_cast<size_t>(j)].get();
            if (tab == nullptr) {
                out += "ATTACHE 0\n";
                continue;
            }
            out += "ATTACHE 1\n";
            line(out, "ATTACHE-X1", f(tab->x1));
            line(out, "ATTACHE-Y1", f(tab->y1));
            line(out, "ATTACHE-X2", f(tab->x2));
            line(out, "ATTACHE-Y2", f(tab->y2));
            line(out, "DECALAGE", f(tab->decalage));
            line(out, "LARGEUR", f(tab->largeur));
        }
        out += "FIN-DETROURAGE 0\n";
    } else {
        out += "DETROURAGE 0\n";
    }
    if (p.nbMembers > 0) {
        out += "GROUPE ";
        for (int j = 0; j < p.nbMembers; ++j) {
            out += "1\n";
            line(out, "POLYLINE-GROUPE", d(j));
            write_body(out, *p.members[static_cast<size_t>(j)]);
            out += "NEXT ";
        }
        out += "0\n";
        line(out, "PERMUTE", d(p.permute == 1 ? 1 : 0));
        line(out, "TAILLE", f(static_cast<float>(p.taille)));
        out += "FIN-GROUPE 0\n";
    } else {
        out += "GROUPE 0\n";
    }
}

// ---- Reading ----------------------------------------------------------------

constexpr size_t kLineChars = 199;  // longer lines are read in several pieces
constexpr int kMaxNesting = common::kMaxPolylines;

// Gives the file's lines one at a time, from a file or from memory.
class LineSource {
  public:
    explicit LineSource(std::FILE* file) : file_(file) {}
    explicit LineSource(std::string_view bytes) : bytes_(bytes) {}

    // Up to 199 characters, or fewer through the end of the line; false at
    // the end of the input.
    bool next(std::string& out) {
        out.clear();
        int c;
        while (out.size() < kLineChars && (c = get()) != EOF) {
            out += static_cast<char>(c);
            if (c == '\n') {
                break;
            }
        }
        if (out.empty()) {
            return false;
        }
        line_number_ += line_start_ ? 1 : 0;
        line_start_ = out.back() == '\n';
        return true;
    }

    // The line the last piece came from, counted from 1.
    int line_number() const { return line_number_; }

  private:
    int get() {
        if (file_ != nullptr) {
            return std::fgetc(file_);
        }
        if (pos_ >= bytes_.size()) {
            return EOF;
        }
        return static_cast<unsigned char>(bytes_[pos_++]);
    }

    std::FILE* file_ = nullptr;
    std::string_view bytes_;
    size_t pos_ = 0;
    int line_number_ = 0;
    bool line_start_ = true;
};

bool is_c_space(char c) {
    return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r';
}

// A line split as its first word and the first number after it; a line
// without anything after its keyword gives 0. Text after the keyword that
// does not start with a finite number is a bad number: never read as 0.
struct Fields {
    std::string keyword;
    float number = 0;
    bool bad_number = false;
};

Fields split(const std::string& raw) {
    Fields fields;
    const char* s = raw.c_str();  // a NUL byte ends the line's text
    while (is_c_space(*s)) {
        ++s;
    }
    const char* word = s;
    while (*s != '\0' && !is_c_space(*s)) {
        ++s;
    }
    fields.keyword.assign(word, s);
    if (!common::scan_f(s, fields.number)) {
        while (is_c_space(*s)) {
            ++s;
        }
        fields.bad_number = *s != '\0';
    }
    return fields;
}

// Integer fields take the number truncated toward zero (saturated far out).
int to_int(float v) {
    if (v >= 2147483648.0f) {
        return 2147483647;
    }
    if (v <= -2147483648.0f) {
        return -2147483647 - 1;
    }
    return static_cast<int>(v);
}

class Parser {
  public:
    explicit Parser(LineSource& source) : source_(source) {}

    // Reads the next line; false at the end of the input, and from a line
    // with a bad number on, which error() then names.
    bool next(Fields& out) {
        std::string raw;
        if (!error_.empty() || !source_.next(raw)) {
            return false;
        }
        out = split(raw);
        if (out.bad_number) {
            while (!raw.empty() && is_c_space(raw.back())) {
                raw.pop_back();
            }
            error_ = "ligne " + std::to_string(source_.line_number()) + " : « " +
                     platform::printable(raw) + " » n'a pas un nombre utilisable";
            return false;
        }
        return true;
    }

    const std::string& error() const { return error_; }
    void fail(const std::string& error) { error_ = error; }
    // The line of each link block read, in order.
    const std::vector<int>& link_lines() const { return link_lines_; }

    // Reads the next line and checks its keyword.
    bool expect(const char* keyword, float& number) {
        Fields fields;
        if (!next(fields) || fields.keyword != keyword) {
            return false;
        }
        number = fields.number;
        return true;
    }
    bool expect(const char* keyword) {
        float ignored;
        return expect(keyword, ignored);
    }
    bool expect_int(const char* keyword, int& value) {
        float number;
        if (!expect(keyword, number)) {
            return false;
        }
        value = to_int(number);
        return true;
    }
    bool skip_line() {
        Fields ignored;
        return next(ignored);
    }

    bool points(CPolyline& p) {
        for (;;) {
            Fields fields;
            if (!next(fields)) {
                return false;
            }
            if (fields.keyword == "FIN-POINTS") {
                return true;
            }
            float y;
            if (fields.keyword != "POINT-X" || !expect("POINT-Y", y) ||
                p.nbPoints >= common::kPointSlots) {
                return false;
            }
            p.points[static_cast<size_t>(p.nbPoints++)] = {fields.number, y, 0};
        }
    }

    // The contour after a "DETROURAGE" line with a side above 0. Only the
    // sides 1 and 2 exist, and a contour has one point per outline point.
    bool contour(CPolyline& p, float side) {
        const int s = to_int(side);
        if (s != 1 && s != 2) {
            return false;
        }
        int count = 0;
        for (;;) {
            Fields fields;
            if (!next(fields)) {
                return false;
            }
            if (fields.keyword == "FIN-DETROURAGE") {
                break;
            }
            float y;
            float attache;
            if (fields.keyword != "DETROURAGE-X" || !expect("DETROURAGE-Y", y) ||
                !expect("ATTACHE", attache) || count >= common::kPointSlots) {
                return false;
            }
            p.offsetPoints[static_cast<size_t>(count)] = {fields.number, y, 0};
            if (attache == 1) {
                auto tab = std::make_unique<CAttache>();
                if (!expect("ATTACHE-X1", tab->x1) || !expect("ATTACHE-Y1", tab->y1) ||
                    !expect("ATTACHE-X2", tab->x2) || !expect("ATTACHE-Y2", tab->y2) ||
                    !expect("DECALAGE", tab->decalage) || !expect("LARGEUR", tab->largeur)) {
                    return false;
                }
                // No segment ends at the first contour point: its slot stays empty.
                if (count > 0) {
                    p.tabs[static_cast<size_t>(count)] = std::move(tab);
                }
            } else if (attache != 0) {
                return false;
            }
            ++count;
        }
        if (count != p.nbPoints || count < 2) {
            return false;
        }
        p.nbOffsetPoints = count;
        p.detourage = s;
        return true;
    }

    // The group after a "GROUPE 1" line. Members may have groups of their
    // own: a join of a group into a polyline makes one.
    bool group(CPolyline& p, int depth) {
        for (;;) {
            auto member = std::make_unique<CPolyline>();
            if (p.nbMembers >= common::kMaxMembers || !this->member(*member, depth + 1)) {
                return false;
            }
            p.members[static_cast<size_t>(p.nbMembers++)] = std::move(member);
            float next_member;
            if (!expect("NEXT", next_member)) {
                return false;
            }
            if (next_member != 1) {
                break;
            }
        }
        float permute;
        int taille;
        if (!expect("PERMUTE", permute) || !expect_int("TAILLE", taille) || !expect("FIN-GROUPE")) {
            return false;
        }
        p.permute = permute == 1 ? 1 : 0;
        p.taille = taille;
        return true;
    }

    bool group_line(CPolyline& p, int depth) {
        float number;
        if (!expect("GROUPE", number)) {
            return false;
        }
        if (number == 1) {
            return depth < kMaxNesting && group(p, depth);
        }
        return number == 0;
    }

    bool member(CPolyline& p, int depth) {
        float detourage;
        return expect("POLYLINE-GROUPE") && points(p) && expect("DETROURAGE", detourage) &&
               detourage == 0 && group_line(p, depth);
    }

    bool polyline(CPolyline& p) {
        float detourage;
        if (!expect("POLYLINE") || !points(p) || !expect("DETROURAGE", detourage)) {
            return false;
        }
        if (detourage > 0) {
            if (!contour(p, detourage)) {
                return false;
            }
        } else if (detourage != 0) {
            return false;
        }
        int end_linked;
        int start_linked;
        if (!group_line(p, 0) || !expect_int("END-LINKED", end_linked) ||
            !expect_int("START-LINKED", start_linked) || !skip_line()) {
            return false;
        }
        p.set_end_linked(end_linked);
        p.set_start_linked(start_linked);
        return true;
    }

    bool link(CLiaison& l) {
        link_lines_.push_back(source_.line_number() + 1);
        return expect("LIAISON") && expect_int("END-INDEX", l.endIndex) &&
               expect_int("START-INDEX", l.startIndex) && expect("START-X", l.startX) &&
               expect("START-Y", l.startY) && expect("END-X", l.endX) && expect("END-Y", l.endY) &&
               skip_line();
    }

  private:
    LineSource& source_;
    std::string error_;
    std::vector<int> link_lines_;
};

// Parses blocks into a table until one does not parse. Once the table is
// full, one more block is parsed and dropped: the list ends there, and a
// well-formed file still has its "DEBUT-LIAISON" line consumed.
template <typename T, size_t N>
void read_list(std::array<std::unique_ptr<T>, N>& table, int& count,
               const std::function<bool(T&)>& parse) {
    count = 0;
    for (;;) {
        auto item = std::make_unique<T>();
        if (!parse(*item) || count >= static_cast<int>(N)) {
            return;
        }
        table[static_cast<size_t>(count++)] = std::move(item);
    }
}

}  // namespace

std::string CCmgFile::text(const common::PolylineArray& polylines, int polyline_count,
                           const LinkArray& links, int link_count) const {
    std::string out;
    out += "VERSION-CMG 1.2 \n";
    out += "RAYON-FRAISE " + f(cutterRadius) + " \n";
    out += "TAILLE-ATTACHE " + f(tabWidth) + " \n";
    out += "DEPLACEMENT-ATTACHE " + f(tabStep) + " \n";
    out += "LARGEUR-PLANCHE " + d(boardWidth) + " \n";
    out += "LONGUEUR-PLANCHE " + d(boardLength) + " \n";
    for (int i = 0; i < polyline_count && i < common::kMaxPolylines; ++i) {
        const CPolyline* p = polylines[static_cast<size_t>(i)].get();
        if (p == nullptr) {
            continue;
        }
        out += "POLYLINE " + d(i) + " " + std::string(65, '*') + "\n";
        write_body(out, *p);
        line(out, "END-LINKED", d(p->end_linked()));
        line(out, "START-LINKED", d(p->start_linked()));
        out += '\n';
    }
    out += "DEBUT-LIAISON 0\n";
    for (int j = 0; j < link_count && j < kMaxLinks; ++j) {
        const CLiaison* l = links[static_cast<size_t>(j)].get();
        if (l == nullptr) {
            continue;
        }
        line(out, "LIAISON", d(j));
        line(out, "END-INDEX", d(l->endIndex));
        line(out, "START-INDEX", d(l->startIndex));
        line(out, "START-X", f(l->startX));
        line(out, "START-Y", f(l->startY));
        line(out, "END-X", f(l->endX));
        line(out, "END-Y", f(l->endY));
        out += '\n';
    }
    return out;
}

int CCmgFile::write(const std::string& path, const common::PolylineArray& polylines,
                    int polyline_count, const LinkArray& links, int link_count,
                    std::string& error) const {
    return platform::save_file(path, text(polylines, polyline_count, links, link_count), &error)
               ? 1
               : 0;
}

namespace {

int read_source(CCmgFile& cmg, LineSource& source, common::PolylineArray& polylines,
                int& polyline_count, LinkArray& links, int& link_count, std::string& error) {
    polyline_count = 0;
    link_count = 0;
    Parser parser(source);
    Fields fields;
    const bool first_line = parser.next(fields);
    cmg.versionLine = first_line && fields.keyword == "VERSION-CMG" ? 1 : 0;
    if (cmg.versionLine == 0 || fields.number != 1.2f) {
        error = kWrongVersionMessage;
        return 0;
    }
    // Each settings line is taken only under its own keyword.
    if (parser.next(fields) && fields.keyword == "RAYON-FRAISE") {
        cmg.cutterRadius = fields.number;
    }
    if (parser.next(fields) && fields.keyword == "TAILLE-ATTACHE") {
        cmg.tabWidth = fields.number;
    }
    if (parser.next(fields) && fields.keyword == "DEPLACEMENT-ATTACHE") {
        cmg.tabStep = fields.number;
    }
    if (parser.next(fields) && fields.keyword == "LARGEUR-PLANCHE") {
        cmg.boardWidth = to_int(fields.number);
    }
    if (parser.next(fields) && fields.keyword == "LONGUEUR-PLANCHE") {
        cmg.boardLength = to_int(fields.number);
    }
    read_list<CPolyline, common::kMaxPolylines>(
        polylines, polyline_count, [&parser](CPolyline& p) { return parser.polyline(p); });
    read_list<CLiaison, kMaxLinks>(links, link_count,
                                   [&parser](CLiaison& l) { return parser.link(l); });
    // A link goes from the origin (-1) or a polyline to a polyline of the file.
    for (int j = 0; j < link_count && parser.error().empty(); ++j) {
        const CLiaison& l = *links[static_cast<size_t>(j)];
        const bool start_ok = l.startIndex >= -1 && l.startIndex < polyline_count;
        if (!start_ok || l.endIndex < 0 || l.endIndex >= polyline_count) {
            parser.fail("ligne " + std::to_string(parser.link_lines()[static_cast<size_t>(j)]) +
                        " : la liaison " + std::to_string(j) + " relie le polyline " +
                        std::to_string(start_ok ? l.endIndex : l.startIndex) +
                        ", qui n'existe pas");
        }
    }
    if (!parser.error().empty()) {
        // A refused file leaves nothing read.
        for (int i = 0; i < polyline_count; ++i) {
            polylines[static_cast<size_t>(i)].reset();
        }
        for (int j = 0; j < link_count; ++j) {
            links[static_cast<size_t>(j)].reset();
        }
        polyline_count = 0;
        link_count = 0;
        error = "Le fichier est refusé : " + parser.error() + ".";
        return 0;
    }
    return 1;
}

}  // namespace

int CCmgFile::read(const std::string& path, common::PolylineArray& polylines, int& polyline_count,
                   LinkArray& links, int& link_count, std::string& error) {
    polyline_count = 0;
    link_count = 0;
    std::error_code ec;
    // Only a regular file: a device or a pipe might never end.
    std::FILE* file = nullptr;
    if (std::filesystem::is_regular_file(std::filesystem::path(path), ec)) {
        file = std::fopen(path.c_str(), "r");
    }
    if (file == nullptr) {
        error = "Impossible d'ouvrir le fichier « " + path + " ».";
        return 0;
    }
    LineSource source(file);
    const int ok = read_source(*this, source, polylines, polyline_count, links, link_count, error);
    std::fclose(file);
    return ok;
}

int CCmgFile::read_bytes(std::string_view bytes, common::PolylineArray& polylines,
                         int& polyline_count, LinkArray& links, int& link_count,
                         std::string& error) {
    LineSource source(bytes);
    return read_source(*this, source, polylines, polyline_count, links, link_count, error);
}

}  // namespace plandor
