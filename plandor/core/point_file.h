#pragma once
// Point files (.dat): the outlines the suite's small programs write (star
// holes, half formers, wing profiles, all normalised to 1) and the aerofoil
// files of the field, in the Selig form (title, then x y from the trailing
// edge round to the trailing edge) or the Lednicer form (title, the two point
// counts, then the upper and the lower surface from the leading edge). Read
// here, then placed on the board at their real size.

#include <string>
#include <string_view>
#include <vector>

#include "dxf_contours.h"

namespace plandor {

struct PointFile {
    std::string title;                       // empty when the file has none
    std::vector<common::CurvePoint> points;  // in the file's order (Selig order for Lednicer)
    bool lednicer = false;
    // The outline is closed: its last point is its first, or it is a profile
    // whose two ends lie on its trailing edge (the file's extreme x).
    bool closed = false;
};

// Where and how large an imported file goes.
struct PointPlacement {
    double size = 100;  // mm that 1 stands for in the file
    double x = 0;       // mm, the file's origin on the board
    double y = 0;
    double angle = 0;     // degrees, anticlockwise about the file's origin
    bool mirror = false;  // completed by its mirror image about the file's X axis
};

// A number typed with a decimal point or comma ("12,5", " -3.2 "); false for
// any other text.
[[nodiscard]] bool read_decimal(std::string text, double& value);

// Reads the bytes of a point file: a decimal point or comma, blank lines,
// CR LF or LF. False with a French message naming the line on anything else.
[[nodiscard]] bool parse_point_file(std::string_view text, PointFile& out, std::string& error);

// Reads a point file through the checked reader; the French message names
// the file, and the line where it is refused.
[[nodiscard]] bool read_point_file(const std::string& path, PointFile& out, std::string& error);

// The length that 1 stands for, as the suite's file names carry it: Alyra's
// "…_C277.4_…", Cadrex's "Couple 100 - 40 - e 6.3.dat", Stelmo's
// "Etoile 50 30 10.dat"; 0 when the name carries none.
double size_from_name(const std::string& file_name);

// Every point on one side of the file's X axis (or on it): a half outline to
// complete by symmetry.
bool lies_on_one_side(const PointFile& file);

// The outlines of the file on the board, in mm: one for a plain file; with
// `mirror`, each run of points off the X axis joined to its mirror image into
// a closed outline (a half former gives its outer outline and its hole; the
// single point of a joint's positioning V has no use on the whole former and
// is left out). Each closed outline ends on its first point.
std::vector<common::CurveContour> placed_outlines(const PointFile& file,
                                                  const PointPlacement& placement);

}  // namespace plandor
