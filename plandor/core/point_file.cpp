#include "point_file.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <regex>

#include "read_file.h"

namespace plandor {

using common::CurveContour;
using common::CurvePoint;

namespace {

// More than any writer of the suite makes (3000 slots) and any aerofoil file.
constexpr std::size_t kMaxFilePoints = 20000;

std::string line_label(int line) {
    return "ligne " + std::to_string(line);
}

bool read_double(std::string_view token, double& value) {
    const char* begin = token.data();
    const char* end = begin + token.size();
    if (begin != end && *begin == '+') {
        ++begin;
    }
    const auto [ptr, ec] = std::from_chars(begin, end, value);
    return begin != end && ec == std::errc() && ptr == end && std::isfinite(value);
}

std::vector<std::string> split_blanks(const std::string& text) {
    std::vector<std::string> tokens;
    std::size_t k = 0;
    while (k < text.size()) {
        while (k < text.size() && (text[k] == ' ' || text[k] == '\t')) {
            ++k;
        }
        const std::size_t start = k;
        while (k < text.size() && text[k] != ' ' && text[k] != '\t') {
            ++k;
        }
        if (k > start) {
            tokens.push_back(text.substr(start, k - start));
        }
    }
    return tokens;
}

// The numbers of one line. A comma is a separator where the line has a
// decimal point ("0.5,0.3") or one token only ("0,3"); between blanks it is
// the decimal separator ("0,5 0,3"). False, with the refused token, on
// anything that is not a number.
bool line_numbers(std::string line, std::vector<double>& values, std::string& bad) {
    values.clear();
    std::replace(line.begin(), line.end(), ';', ' ');
    std::vector<std::string> tokens = split_blanks(line);
    const bool has_point = line.find('.') != std::string::npos;
    if (has_point || tokens.size() < 2) {
        std::replace(line.begin(), line.end(), ',', ' ');
        tokens = split_blanks(line);
    } else {
        for (std::string& token : tokens) {
            std::replace(token.begin(), token.end(), ',', '.');
        }
    }
    for (const std::string& token : tokens) {
        double value = 0;
        if (!read_double(token, value)) {
            bad = token;
            return false;
        }
        values.push_back(value);
    }
    return true;
}

bool whole_count(double value) {
    return value >= 2 && value <= static_cast<double>(kMaxFilePoints) && value == std::floor(value);
}

bool same(const CurvePoint& a, const CurvePoint& b, double eps) {
    return std::fabs(a.x - b.x) <= eps && std::fabs(a.y - b.y) <= eps;
}

// A tolerance below the last digit the suite's files write (5 decimals),
// grown with the extent of a file written in larger units.
double tolerance(const std::vector<CurvePoint>& pts) {
    double extent = 0;
    for (const CurvePoint& p : pts) {
        extent = std::max({extent, std::fabs(p.x), std::fabs(p.y)});
    }
    return 1e-5 * std::max(1.0, extent);
}

struct NumberLine {
    int line;
    double x;
    double y;
};

}  // namespace

bool read_decimal(std::string text, double& value) {
    const std::size_t first = text.find_first_not_of(" \t");
    if (first == std::string::npos) {
        return false;
    }
    text = text.substr(first, text.find_last_not_of(" \t") - first + 1);
    std::replace(text.begin(), text.end(), ',', '.');
    return read_double(text, value);
}

bool parse_point_file(std::string_view text, PointFile& out, std::string& error) {
    PointFile file;
    std::vector<NumberLine> rows;
    int line_no = 0;
    bool title_possible = true;
    std::size_t pos = 0;
    std::vector<double> values;
    while (pos < text.size()) {
        std::size_t end = text.find('\n', pos);
        if (end == std::string_view::npos) {
            end = text.size();
        }
        std::string line(text.substr(pos, end - pos));
        pos = end + 1;
        ++line_no;
        if (!line.empty() && line.back() == '\r') {
            line.pop_back();
        }
        if (line.find_first_not_of(" \t") == std::string::npos) {
            continue;
        }
        std::string bad;
        const bool numbers = line_numbers(line, values, bad);
        if (title_possible) {
            title_possible = false;
            if (!numbers || values.size() != 2) {
                const std::size_t first = line.find_first_not_of(" \t");
                file.title = line.substr(first, line.find_last_not_of(" \t") - first + 1);
                continue;
            }
        }
        if (!numbers) {
            error = line_label(line_no) + " : « " + bad + " » n'est pas un nombre.";
            return false;
        }
        if (values.size() != 2) {
            error = line_label(line_no) + " : deux nombres x y attendus, la ligne en a " +
                    std::to_string(values.size()) + ".";
            return false;
        }
        if (rows.size() > kMaxFilePoints) {
            error = line_label(line_no) + " : plus de " + std::to_string(kMaxFilePoints) +
                    " points, le fichier n'est pas lu.";
            return false;
        }
        rows.push_back({line_no, values[0], values[1]});
    }
    if (rows.empty()) {
        error = "le fichier ne contient aucun point.";
        return false;
    }
    // Lednicer: the first line after the title gives the two counts, which
    // no normalised coordinate can be.
    if (!file.title.empty() && whole_count(rows[0].x) && whole_count(rows[0].y)) {
        const auto upper = static_cast<std::size_t>(rows[0].x);
        const auto lower = static_cast<std::size_t>(rows[0].y);
        if (rows.size() - 1 != upper + lower) {
            error = line_label(rows[0].line) + " : le fichier annonce " + std::to_string(upper) +
                    " + " + std::to_string(lower) + " points, il en contient " +
                    std::to_string(rows.size() - 1) + ".";
            return false;
        }
        file.lednicer = true;
        // Selig order: the upper surface from the trailing edge to the
        // leading edge, then the lower surface back to the trailing edge.
        for (std::size_t k = upper; k >= 1; --k) {
            file.points.push_back({rows[k].x, rows[k].y});
        }
        for (std::size_t k = upper + 1; k < rows.size(); ++k) {
            const CurvePoint p{rows[k].x, rows[k].y};
            if (k == upper + 1 && same(p, file.points.back(), 0)) {
                continue;  // the leading edge given by both surfaces
            }
            file.points.push_back(p);
        }
    } else {
        for (const NumberLine& row : rows) {
            file.points.push_back({row.x, row.y});
        }
    }
    if (file.points.size() < 2) {
        error = line_label(rows.back().line) + " : un seul point, une ligne en demande deux.";
        return false;
    }
    const double eps = tolerance(file.points);
    const CurvePoint& first = file.points.front();
    const CurvePoint& last = file.points.back();
    double min_x = first.x;
    double max_x = first.x;
    for (const CurvePoint& p : file.points) {
        min_x = std::min(min_x, p.x);
        max_x = std::max(max_x, p.x);
    }
    const auto at_extreme = [&](double x) {
        return std::fabs(x - min_x) <= eps || std::fabs(x - max_x) <= eps;
    };
    if (file.points.size() >= 3 && same(first, last, eps)) {
        file.closed = true;
    } else if (file.points.size() >= 3 && std::fabs(first.x - last.x) <= eps &&
               at_extreme(first.x)) {
        // A profile open at its trailing edge: the edge closes it.
        file.points.push_back(first);
        file.closed = true;
    }
    out = std::move(file);
    return true;
}

bool read_point_file(const std::string& path, PointFile& out, std::string& error) {
    std::string bytes;
    if (!platform::read_file(path, bytes, error, std::size_t{4} << 20)) {
        return false;
    }
    if (!parse_point_file(bytes, out, error)) {
        const std::size_t slash = path.find_last_of("/\\");
        error = "Fichier de points « " + path.substr(slash == std::string::npos ? 0 : slash + 1) +
                " », " + error;
        return false;
    }
    return true;
}

double size_from_name(const std::string& file_name) {
    static const std::regex patterns[] = {
        std::regex(R"(_C(\d+(?:\.\d*)?|\.\d+)(?:_|\.dat$))", std::regex::icase),
        std::regex(R"(^Etoile (\d+(?:\.\d*)?|\.\d+) )"),
        std::regex(R"( (\d+(?:\.\d*)?|\.\d+) - ?-?[\d.]+ - e)"),
    };
    const std::size_t slash = file_name.find_last_of("/\\");
    const std::string name = file_name.substr(slash == std::string::npos ? 0 : slash + 1);
    for (const std::regex& pattern : patterns) {
        std::smatch match;
        double value = 0;
        if (std::regex_search(name, match, pattern) && read_double(match.str(1), value) &&
            value > 0) {
            return value;
        }
    }
    return 0;
}

bool lies_on_one_side(const PointFile& file) {
    const double eps = tolerance(file.points);
    bool below = false;
    bool above = false;
    for (const CurvePoint& p : file.points) {
        below = below || p.y < -eps;
        above = above || p.y > eps;
    }
    return below != above;
}

namespace {

// The runs of the outline off the X axis, each with the points of the axis
// that bound it, completed by their mirror images.
std::vector<std::vector<CurvePoint>> mirrored_loops(const PointFile& file) {
    const double eps = tolerance(file.points);
    const auto on_axis = [eps](const CurvePoint& p) { return std::fabs(p.y) <= eps; };
    std::vector<CurvePoint> path = file.points;
    if (file.closed) {
        path.pop_back();  // the ring, started on the axis where it touches it
        const auto start = std::find_if(path.begin(), path.end(), on_axis);
        if (start == path.end()) {
            std::vector<CurvePoint> image;
            for (const CurvePoint& p : file.points) {
                image.push_back({p.x, -p.y});
            }
            return {file.points, image};
        }
        std::rotate(path.begin(), start, path.end());
        path.push_back(path.front());
    }
    struct Run {
        std::vector<CurvePoint> points;  // the axis ends included
        std::size_t off = 0;             // points off the axis
    };
    std::vector<Run> runs;
    Run current;
    for (std::size_t k = 0; k < path.size(); ++k) {
        const CurvePoint& p = path[k];
        if (!on_axis(p)) {
            if (current.points.empty() && k > 0) {
                current.points.push_back({path[k - 1].x, 0});
            }
            current.points.push_back(p);
            ++current.off;
            continue;
        }
        if (current.off > 0) {
            current.points.push_back({p.x, 0});
            runs.push_back(std::move(current));
            current = Run{};
        }
    }
    if (current.off > 0) {
        runs.push_back(std::move(current));
    }
    const bool any_long =
        std::any_of(runs.begin(), runs.end(), [](const Run& r) { return r.off >= 2; });
    std::vector<std::vector<CurvePoint>> loops;
    for (const Run& run : runs) {
        if (any_long && run.off < 2) {
            continue;  // a joint's positioning V
        }
        std::vector<CurvePoint> loop = run.points;
        for (auto it = run.points.rbegin(); it != run.points.rend(); ++it) {
            const CurvePoint image{it->x, -it->y};
            if (!same(image, loop.back(), 0)) {
                loop.push_back(image);
            }
        }
        if (!same(loop.back(), loop.front(), 0)) {
            loop.push_back(loop.front());
        }
        loops.push_back(std::move(loop));
    }
    return loops;
}

}  // namespace

std::vector<CurveContour> placed_outlines(const PointFile& file, const PointPlacement& placement) {
    std::vector<std::vector<CurvePoint>> shapes;
    if (placement.mirror) {
        shapes = mirrored_loops(file);
    } else {
        shapes.push_back(file.points);
    }
    const double angle = placement.angle * 3.14159265358979323846 / 180;
    const double c = std::cos(angle);
    const double s = std::sin(angle);
    std::vector<CurveContour> outlines;
    for (const std::vector<CurvePoint>& shape : shapes) {
        CurveContour contour;
        contour.closed = placement.mirror || file.closed;
        contour.pieces = 1;
        for (const CurvePoint& p : shape) {
            const double x = p.x * placement.size;
            const double y = p.y * placement.size;
            contour.points.push_back({placement.x + x * c - y * s, placement.y + x * s + y * c});
        }
        if (contour.closed) {
            contour.points.back() = contour.points.front();  // exactly, as a closed outline is
        }
        outlines.push_back(std::move(contour));
    }
    return outlines;
}

}  // namespace plandor
