#include "gcode_writer.h"

#include <charconv>
#include <cmath>
#include <cstdlib>

#include "contour_pieces.h"

namespace common {

namespace {

// More passes than this are a mistake in the settings, not a cut.
constexpr int kMaxPasses = 1000;

// Three decimals and a point, never "-0.000".
std::string number(double value) {
    char buffer[64];
    const auto result =
        std::to_chars(buffer, buffer + sizeof buffer, value, std::chars_format::fixed, 3);
    std::string text(buffer, result.ptr);
    if (text == "-0.000") {
        text = "0.000";
    }
    return text;
}

std::string integer(int value) {
    char buffer[16];
    const auto result = std::to_chars(buffer, buffer + sizeof buffer, value);
    return std::string(buffer, result.ptr);
}

// A comment's text in plain ASCII without parentheses, so that every
// controller reads it as one comment.
std::string comment_text(std::string_view text, std::size_t room) {
    std::string out;
    for (std::size_t i = 0; i < text.size() && out.size() < room; ++i) {
        const auto c = static_cast<unsigned char>(text[i]);
        if (c >= 0x80) {
            // One '_' for a whole UTF-8 sequence.
            while (i + 1 < text.size() &&
                   (static_cast<unsigned char>(text[i + 1]) & 0xC0) == 0x80) {
                ++i;
            }
            out += '_';
        } else if (c == '(') {
            out += '[';
        } else if (c == ')') {
            out += ']';
        } else if (c < 0x20 || c == 0x7F) {
            out += ' ';
        } else {
            out += static_cast<char>(c);
        }
    }
    return out;
}

bool finite_point(const GcodePoint& p) {
    return std::isfinite(p.x) && std::isfinite(p.y) && std::fabs(p.x) <= kGcodeMaxValue &&
           std::fabs(p.y) <= kGcodeMaxValue;
}

// Writes the moves and keeps the position, the modal feed and the lengths.
class Program {
  public:
    Program(const GcodeSettings& settings) : settings_(settings) {}

    void line(const std::string& text) {
        text_ += text;
        text_ += '\n';
        ++lines_;
    }

    void rapid_z(double z) {
        const std::string zs = number(z);
        if (zs == z_) {
            return;
        }
        line("G0 Z" + zs);
        travel_ += std::fabs(z - zv_);
        z_ = zs;
        zv_ = z;
    }

    void rapid_xy(const GcodePoint& p) {
        const std::string xs = number(p.x);
        const std::string ys = number(p.y);
        if (xs == x_ && ys == y_) {
            return;
        }
        line("G0 X" + xs + " Y" + ys);
        travel_ += std::hypot(p.x - xv_, p.y - yv_);
        set_xy(xs, ys, p);
    }

    void feed_z(double z) {
        const std::string zs = number(z);
        if (zs == z_) {
            return;
        }
        line("G1 Z" + zs + feed(settings_.plungeFeed));
        plunge_ += std::fabs(z - zv_);
        z_ = zs;
        zv_ = z;
    }

    void feed_xy(const GcodePoint& p) {
        const std::string xs = number(p.x);
        const std::string ys = number(p.y);
        if (xs == x_ && ys == y_) {
            return;
        }
        line("G1 X" + xs + " Y" + ys + feed(settings_.cuttingFeed));
        cut_ += std::hypot(p.x - xv_, p.y - yv_);
        set_xy(xs, ys, p);
    }

    std::string text_;
    int lines_ = 0;
    double cut_ = 0;
    double plunge_ = 0;
    double travel_ = 0;

  private:
    // " F…" when the feed changes; the first G1 always carries one.
    std::string feed(double f) {
        const std::string fs = number(f);
        if (fs == f_) {
            return {};
        }
        f_ = fs;
        return " F" + fs;
    }

    void set_xy(const std::string& xs, const std::string& ys, const GcodePoint& p) {
        x_ = xs;
        y_ = ys;
        xv_ = p.x;
        yv_ = p.y;
    }

    const GcodeSettings& settings_;
    // The position as written (empty: not yet known) and as a number; the
    // estimate starts from the origin at the surface.
    std::string x_, y_, z_, f_;
    double xv_ = 0, yv_ = 0, zv_ = 0;
};

}  // namespace

const char* dialect_name(GcodeDialect dialect) {
    return dialect == GcodeDialect::linuxcnc ? "linuxcnc" : "grbl";
}

bool parse_dialect(std::string_view name, GcodeDialect& dialect) {
    if (name == "grbl") {
        dialect = GcodeDialect::grbl;
        return true;
    }
    if (name == "linuxcnc") {
        dialect = GcodeDialect::linuxcnc;
        return true;
    }
    return false;
}

bool check(const GcodeSettings& s, std::string& error) {
    // A value must be a number within (0, kGcodeMaxValue], or [0, …] when
    // zero is allowed; NaN fails both comparisons.
    struct Rule {
        double value;
        bool zeroAllowed;
        const char* name;
        const char* unit;
    };
    const Rule rules[] = {
        {s.depth, false, "La profondeur de coupe", "mm"},
        {s.passDepth, false, "La profondeur de passe", "mm"},
        {s.safeHeight, false, "La hauteur de sécurité", "mm"},
        {s.tabHeight, true, "La hauteur des attaches", "mm"},
        {s.cuttingFeed, false, "L'avance de coupe", "mm/min"},
        {s.plungeFeed, false, "L'avance de plongée", "mm/min"},
        {static_cast<double>(s.spindleSpeed), true, "La vitesse de broche", "tr/min"},
    };
    for (const Rule& r : rules) {
        const bool low = r.zeroAllowed ? !(r.value >= 0) : !(r.value > 0);
        if (low) {
            error = std::string(r.name) +
                    (r.zeroAllowed ? " ne peut pas être négative." : " doit être supérieure à 0.");
            return false;
        }
        if (!(r.value <= kGcodeMaxValue)) {
            error = std::string(r.name) + " ne peut pas dépasser 100000 " + r.unit + ".";
            return false;
        }
    }
    if (s.passDepth > s.depth) {
        error = "La profondeur de passe ne peut pas dépasser la profondeur de coupe.";
        return false;
    }
    if (s.depth / s.passDepth > kMaxPasses) {
        error = "La profondeur de passe donnerait plus de 1000 passes.";
        return false;
    }
    return true;
}

std::vector<double> pass_depths(const GcodeSettings& settings) {
    std::vector<double> depths;
    std::string error;
    if (!check(settings, error)) {
        return depths;
    }
    // A last step thinner than a micrometre is no pass of its own.
    const int count = static_cast<int>(std::ceil(settings.depth / settings.passDepth - 1e-6));
    for (int k = 1; k < count; ++k) {
        depths.push_back(-settings.passDepth * k);
    }
    depths.push_back(-settings.depth);
    return depths;
}

GcodeContour gcode_contour(const CPolyline& polyline) {
    GcodeContour contour;
    for (const std::vector<Point3>& piece : contour_pieces(polyline)) {
        auto& points = contour.pieces.emplace_back();
        for (const Point3& p : piece) {
            points.push_back({p.x, p.y});
        }
    }
    contour.closed =
        !contour.pieces.empty() && contour.pieces.front().front() == contour.pieces.back().back();
    // A single point is no closed path.
    if (contour.pieces.size() == 1 && contour.pieces.front().size() < 2) {
        contour.closed = false;
    }
    return contour;
}

std::vector<GcodeContour> gcode_contours(const PolylineArray& polylines,
                                         const std::vector<int>& order) {
    std::vector<GcodeContour> contours;
    for (int index : order) {
        if (index < 0 || index >= kMaxPolylines || !polylines[static_cast<size_t>(index)]) {
            continue;
        }
        GcodeContour contour = gcode_contour(*polylines[static_cast<size_t>(index)]);
        if (!contour.pieces.empty()) {
            contours.push_back(std::move(contour));
        }
    }
    return contours;
}

namespace {

// The job's points are numbers within reach; `cut` counts the contours that
// hold any point.
bool check_job(const GcodeJob& job, int& cut, std::string& error) {
    if (!std::isfinite(job.toolRadius) || std::fabs(job.toolRadius) > kGcodeMaxValue) {
        error = "Le rayon d'outil n'est pas un nombre utilisable.";
        return false;
    }
    cut = 0;
    for (std::size_t c = 0; c < job.contours.size(); ++c) {
        bool any = false;
        for (const auto& piece : job.contours[c].pieces) {
            for (const GcodePoint& p : piece) {
                if (!finite_point(p)) {
                    error = "Un point du contour " + integer(static_cast<int>(c) + 1) +
                            " n'est pas un nombre ou se trouve à plus de 100000 mm de l'origine.";
                    return false;
                }
                any = true;
            }
        }
        cut += any ? 1 : 0;
    }
    if (cut == 0) {
        error = "Aucun contour à couper : le programme serait vide.";
        return false;
    }
    return true;
}

void write_header(Program& out, const GcodeJob& job, const GcodeSettings& settings,
                  std::size_t passes) {
    const bool linuxcnc = settings.dialect == GcodeDialect::linuxcnc;
    if (linuxcnc) {
        out.line("%");
    }
    out.line("(Plan : " + comment_text(job.name, 70) + ")");
    out.line(std::string("(Dialecte : ") + dialect_name(settings.dialect) + ")");
    out.line("(Profondeur : " + number(settings.depth) + " mm en " +
             integer(static_cast<int>(passes)) + " passes de " + number(settings.passDepth) +
             " mm au plus)");
    out.line("(Attaches : " + number(settings.tabHeight) + " mm de haut)");
    out.line("(Rayon d'outil : " + number(job.toolRadius) + " mm)");
    out.line("G21 G90 G17 G94");
    if (linuxcnc) {
        out.line("G64 P0.01");
    }
    if (settings.spindleSpeed > 0) {
        out.line("M3 S" + integer(settings.spindleSpeed));
    }
}

// From the end of one piece to the start of the next, over the tab between
// them: straight on above the tab top, else a bridge at the tab top, or a
// lift to the safe height when the tab is as high as the board.
void cross_tab(Program& out, const GcodePoint& next, double z, double tabTop,
               const GcodeSettings& settings) {
    const bool bridge = z < tabTop - 1e-9;
    if (!bridge) {
        out.feed_xy(next);
    } else if (tabTop >= 0) {
        out.rapid_z(settings.safeHeight);
        out.rapid_xy(next);
        out.feed_z(z);
    } else {
        out.feed_z(tabTop);
        out.feed_xy(next);
        out.feed_z(z);
    }
}

void write_contour(Program& out, const GcodeContour& contour, const GcodeSettings& settings,
                   const std::vector<double>& depths) {
    std::vector<const std::vector<GcodePoint>*> pieces;
    for (const auto& piece : contour.pieces) {
        if (!piece.empty()) {
            pieces.push_back(&piece);
        }
    }
    if (pieces.empty()) {
        return;
    }
    const double tabTop = -settings.depth + settings.tabHeight;
    const GcodePoint start = pieces.front()->front();
    out.rapid_z(settings.safeHeight);
    out.rapid_xy(start);
    for (std::size_t k = 0; k < depths.size(); ++k) {
        const double z = depths[k];
        if (k > 0 && !contour.closed) {
            // Open: back to the start, so every pass runs the same way.
            out.rapid_z(settings.safeHeight);
            out.rapid_xy(start);
        }
        out.feed_z(z);
        for (std::size_t j = 0; j < pieces.size(); ++j) {
            for (const GcodePoint& p : *pieces[j]) {
                out.feed_xy(p);
            }
            if (j + 1 < pieces.size()) {
                cross_tab(out, pieces[j + 1]->front(), z, tabTop, settings);
            }
        }
    }
}

void write_footer(Program& out, const GcodeSettings& settings) {
    out.rapid_z(settings.safeHeight);
    out.rapid_xy({0, 0});
    if (settings.spindleSpeed > 0) {
        out.line("M5");
    }
    out.line("M2");
    if (settings.dialect == GcodeDialect::linuxcnc) {
        out.line("%");
    }
}

}  // namespace

bool write_gcode(const GcodeJob& job, const GcodeSettings& settings, std::string& program,
                 GcodeReport& report, std::string& error) {
    int cut = 0;
    if (!check(settings, error) || !check_job(job, cut, error)) {
        return false;
    }
    const std::vector<double> depths = pass_depths(settings);
    Program out(settings);
    write_header(out, job, settings, depths.size());
    for (const GcodeContour& contour : job.contours) {
        write_contour(out, contour, settings, depths);
    }
    write_footer(out, settings);

    report = {};
    report.dialect = settings.dialect;
    report.lines = out.lines_;
    report.contours = cut;
    report.passes = static_cast<int>(depths.size());
    report.cutLength = out.cut_;
    report.plungeLength = out.plunge_;
    report.travelLength = out.travel_;
    report.estimatedSeconds =
        60.0 * (out.cut_ / settings.cuttingFeed + out.plunge_ / settings.plungeFeed +
                out.travel_ / kAssumedRapidFeed);
    program = std::move(out.text_);
    return true;
}

std::string gcode_report_text(const GcodeReport& report,
                              std::string (*decimal)(double value, int decimals)) {
    const long long seconds = std::llround(report.estimatedSeconds);
    std::string time;
    if (seconds >= 3600) {
        time = integer(static_cast<int>(seconds / 3600)) + " h " +
               integer(static_cast<int>(seconds / 60 % 60)) + " min";
    } else if (seconds >= 60) {
        time = integer(static_cast<int>(seconds / 60)) + " min " +
               integer(static_cast<int>(seconds % 60)) + " s";
    } else {
        time = integer(static_cast<int>(seconds)) + " s";
    }
    return std::string("Programme G-code ") + dialect_name(report.dialect) + " : " +
           integer(report.lines) + " lignes, " + integer(report.passes) +
           (report.passes > 1 ? " passes, " : " passe, ") + decimal(report.cutLength, 1) +
           " mm coupés, environ " + time + " aux avances réglées.";
}

}  // namespace common
