#pragma once
// From flattened pieces to the outlines a document holds: pieces whose ends
// meet are chained into contours, and a contour longer than a polyline's
// table is simplified to fit, with the largest deviation it needed.

#include <cstddef>
#include <string>
#include <vector>

#include "dxf_curves.h"

namespace common {

// A contour simplified to fit a polyline aims to stay this close to its curve.
inline constexpr double kFitToleranceMm = 0.02;

struct CurveContour {
    std::vector<CurvePoint> points;  // closed: the last point is the first again
    // The same outline with its curves flattened within kFineToleranceMm;
    // empty when it has no curve (then `points` are the outline).
    std::vector<CurvePoint> fine;
    bool closed = false;
    int pieces = 0;        // pieces chained into it
    int sourcePoints = 0;  // points before simplification
    double deviation = 0;  // mm, largest distance of the outline (its fine points) to the result
};

// Chains open pieces end to end (either direction) where their ends lie
// within `tolerance`, starting from each unused piece in file order; a chain
// that comes back to its start is closed. Closed pieces stay as they are.
// Pieces of zero length are dropped and counted in `dropped`.
std::vector<CurveContour> chain_pieces(const std::vector<CurvePiece>& pieces, double tolerance,
                                       int& dropped);

// Reduces `contour` to at most `max_points` points taken on its outline (its
// fine flattening when it has one, so that the points go where the curve
// bends most; a closed one keeps its repeated first point among them), the
// largest deviation from the outline as small as the search finds, and
// records that deviation. A contour already short enough is left as it is.
// `greedy_budget`, when given, is the number of fine points the slower
// greedy search may still spend over the contours of one drawing: a contour
// it cannot afford keeps the Douglas-Peucker answer, and what it spends is
// taken off.
void fit_contour(CurveContour& contour, int max_points, std::size_t* greedy_budget = nullptr);

// What the curve import of a drawing gives: the pieces read, the contours
// kept (at most `max_contours`, each at most `max_points` points) and what
// was left out.
struct CurveImport {
    CurvePieces drawing;
    std::vector<CurveContour> contours;
    int contoursFound = 0;
    int leftOut = 0;  // contours beyond max_contours
    int zeroLengthPieces = 0;
};

// Reads a DXF file and makes its contours. False with a French message when
// the file cannot be read or is not a DXF drawing.
[[nodiscard]] bool import_dxf_curves(const std::string& path, int max_contours, int max_points,
                                     CurveImport& result, std::string& error);
// The same from the bytes of a file.
[[nodiscard]] bool import_dxf_curves_text(std::string_view text, int max_contours, int max_points,
                                          CurveImport& result, std::string& error);

}  // namespace common
