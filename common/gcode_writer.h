#pragma once
// The G-code writer shared by Plandor's export and Vexor's GRBL job: contours
// in cut order, each cut in pieces at its tabs, become one program for a
// GRBL-family controller (GRBL 1.1, grblHAL, FluidNC) or for LinuxCNC and
// Mach3. Work Z 0 is the top of the board; all values are in mm and mm/min;
// numbers are written with three decimals and a point whatever the locale.

#include <string>
#include <string_view>
#include <vector>

#include "polyline.h"

namespace common {

enum class GcodeDialect {
    grbl,      // GRBL 1.1, grblHAL, FluidNC: plain words, lines of at most 80 characters
    linuxcnc,  // LinuxCNC and Mach3: '%' around the program, G64 P0.01
};

// "grbl" or "linuxcnc".
const char* dialect_name(GcodeDialect dialect);
// Reads a dialect name as dialect_name writes it; false for any other text.
[[nodiscard]] bool parse_dialect(std::string_view name, GcodeDialect& dialect);

struct GcodeSettings {
    double depth = 3.0;          // full depth of the cut below the surface
    double passDepth = 1.5;      // deepest step of one pass (equal to depth: one pass)
    double safeHeight = 5.0;     // Z of every travel above the surface
    double tabHeight = 1.0;      // bridge left over each tab (0: no bridge)
    double cuttingFeed = 600.0;  // mm/min along the contour
    double plungeFeed = 150.0;   // mm/min of every vertical cutting move
    int spindleSpeed = 0;        // rpm; 0 writes no spindle command
    GcodeDialect dialect = GcodeDialect::grbl;
};

// The largest value the writer accepts for a length, a feed or a spindle
// speed, and for a coordinate: a GRBL line must stay within 80 characters.
inline constexpr double kGcodeMaxValue = 100000.0;

// Whether the settings make a program; `error` says why not, in French.
[[nodiscard]] bool check(const GcodeSettings& settings, std::string& error);

struct GcodePoint {
    double x = 0;
    double y = 0;
    bool operator==(const GcodePoint&) const = default;
};

// One contour to cut: pieces of its path in order, a tab bridging the end of
// each piece to the start of the next. Closed when the last point of the last
// piece is the first point of the first one: the passes then follow each
// other without leaving the material.
struct GcodeContour {
    std::vector<std::vector<GcodePoint>> pieces;
    bool closed = false;
};

// What the program's header names.
struct GcodeJob {
    std::string name;       // the plan, shown in the header
    double toolRadius = 0;  // shown in the header
    std::vector<GcodeContour> contours;
};

// The offset contour of `polyline` as the DXF export cuts it (contour_pieces);
// no piece when it has no offset contour.
GcodeContour gcode_contour(const CPolyline& polyline);

// The contours of `order` (indices into `polylines`, in cut order), skipping
// the polylines without an offset contour.
std::vector<GcodeContour> gcode_contours(const PolylineArray& polylines,
                                         const std::vector<int>& order);

// Rapid travel speed assumed by the time estimate: what GRBL-family hobby
// routers are commonly set to; acceleration is not counted.
inline constexpr double kAssumedRapidFeed = 1000.0;  // mm/min

struct GcodeReport {
    GcodeDialect dialect = GcodeDialect::grbl;
    int lines = 0;                // lines of the program, '%' lines included
    int contours = 0;             // contours cut
    int passes = 0;               // passes of every contour
    double cutLength = 0;         // mm moved along X and Y at the cutting feed
    double plungeLength = 0;      // mm moved along Z at the plunge feed
    double travelLength = 0;      // mm of rapid travel
    double estimatedSeconds = 0;  // at the feeds and at kAssumedRapidFeed
};

// The program for `job`. False, with a French message in `error` and
// `program` and `report` untouched, when the settings are refused (check),
// when no contour has a point, or when a point is not a finite number within
// kGcodeMaxValue of the origin.
[[nodiscard]] bool write_gcode(const GcodeJob& job, const GcodeSettings& settings,
                               std::string& program, GcodeReport& report, std::string& error);

// The depths of the passes, from the surface down, the last one exactly at
// -depth; empty for refused settings.
std::vector<double> pass_depths(const GcodeSettings& settings);

// The French sentence of a report, numbers written by `decimal` (a value and
// its number of decimals, e.g. a decimal-comma formatter): "Programme G-code
// grbl : 57 lignes, 2 passes, 412,6 mm coupés, environ 1 min 23 s aux avances
// réglées."
std::string gcode_report_text(const GcodeReport& report,
                              std::string (*decimal)(double value, int decimals));

}  // namespace common
