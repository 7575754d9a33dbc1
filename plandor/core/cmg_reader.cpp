#include <functional>
#include <string>
#include <vector>

#include "c_format.h"
#include "cmg_file.h"
#include "printable.h"
#include "read_file.h"

namespace plandor {

using common::CAttache;
using common::CPolyline;

namespace {

constexpr size_t kLineChars = 199;  // longer lines are read in several pieces
constexpr int kMaxNesting = common::kMaxPolylines;

// Gives the file's lines one at a time.
class LineSource {
  public:
    explicit LineSource(std::string_view bytes) : bytes_(bytes) {}

    // Up to 199 characters, or fewer through the end of the line; false at
    // the end of the input.
    bool next(std::string& out) {
        out.clear();
        int c;
        while (out.size() < kLineChars && (c = get()) != kEnd) {
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
    static constexpr int kEnd = -1;

    int get() {
        if (pos_ >= bytes_.size()) {
            return kEnd;
        }
        return static_cast<unsigned char>(bytes_[pos_++]);
    }

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
        if (s != static_cast<int>(common::OffsetSide::left) &&
            s != static_cast<int>(common::OffsetSide::right)) {
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
        p.detourage = static_cast<common::OffsetSide>(s);
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

// The five settings lines after the version line; each is taken only under
// its own keyword.
void read_settings(Parser& parser, CCmgFile& cmg) {
    Fields fields;
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
}

// A link goes from the origin (-1) or a polyline to a polyline of the file.
void check_links(Parser& parser, const PlanTables& plan) {
    for (int j = 0; j < plan.linkCount && parser.error().empty(); ++j) {
        const CLiaison& l = *plan.links[static_cast<size_t>(j)];
        const bool start_ok = l.startIndex >= -1 && l.startIndex < plan.polylineCount;
        if (!start_ok || l.endIndex < 0 || l.endIndex >= plan.polylineCount) {
            parser.fail("ligne " + std::to_string(parser.link_lines()[static_cast<size_t>(j)]) +
                        " : la liaison " + std::to_string(j) + " relie la polyligne " +
                        std::to_string(start_ok ? l.endIndex : l.startIndex) +
                        ", qui n'existe pas");
        }
    }
}

void clear(PlanTables& plan) {
    for (int i = 0; i < plan.polylineCount; ++i) {
        plan.polylines[static_cast<size_t>(i)].reset();
    }
    for (int j = 0; j < plan.linkCount; ++j) {
        plan.links[static_cast<size_t>(j)].reset();
    }
    plan.polylineCount = 0;
    plan.linkCount = 0;
}

}  // namespace

bool CCmgFile::read_bytes(std::string_view bytes, PlanTables& plan, std::string& error) {
    plan.polylineCount = 0;
    plan.linkCount = 0;
    LineSource source(bytes);
    Parser parser(source);
    Fields fields;
    const bool first_line = parser.next(fields);
    versionLine = first_line && fields.keyword == "VERSION-CMG" ? 1 : 0;
    if (versionLine == 0 || fields.number != 1.2f) {
        error = kWrongVersionMessage;
        return false;
    }
    read_settings(parser, *this);
    read_list<CPolyline, common::kMaxPolylines>(
        plan.polylines, plan.polylineCount, [&parser](CPolyline& p) { return parser.polyline(p); });
    read_list<CLiaison, kMaxLinks>(plan.links, plan.linkCount,
                                   [&parser](CLiaison& l) { return parser.link(l); });
    check_links(parser, plan);
    if (!parser.error().empty()) {
        clear(plan);  // a refused file leaves nothing read
        error = "Le fichier est refusé : " + parser.error() + ".";
        return false;
    }
    return true;
}

bool CCmgFile::read(const std::string& path, PlanTables& plan, std::string& error) {
    plan.polylineCount = 0;
    plan.linkCount = 0;
    std::string bytes;
    if (!platform::read_file(path, bytes, error, kMaxPlanBytes)) {
        return false;
    }
    return read_bytes(bytes, plan, error);
}

}  // namespace plandor
