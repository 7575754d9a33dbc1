#pragma once
// The curves of a DXF drawing as today's CAD programs write it: the model
// space read through a proper group-code/value reader, every curve flattened
// into straight pieces in millimetres (chord error at most 0.01 mm), blocks
// inserted with their position, scale and rotation (nested), the pieces
// chained into contours and each contour fitted to a polyline's table.
//
// Read: LINE, LWPOLYLINE and 2-D/3-D POLYLINE (bulges as arcs), ARC, CIRCLE,
// ELLIPSE (and elliptic arcs), SPLINE (control points and knots, or fit
// points), INSERT. Everything else is passed over and counted.

#include <string>
#include <string_view>
#include <vector>

#include "dxf_tags.h"

namespace common {

inline constexpr double kChordToleranceMm = 0.01;  // flattening error of a curve
inline constexpr double kChainToleranceMm = 0.01;  // ends closer than this meet
// A curve is flattened a second time, finer, for the simplification of a
// contour too long for a polyline: its points then stand for the curve.
inline constexpr double kFineToleranceMm = kChordToleranceMm / 16;
// A point farther from the origin than this (1 km) is no part to cut; it
// would also lose every decimal in a polyline's single precision.
inline constexpr double kMaxCoordinateMm = 1e6;

struct CurvePoint {
    double x = 0;
    double y = 0;
};

// A flattened entity in mm: an open run of points, or a closed one whose last
// point repeats its first.
struct CurvePiece {
    std::vector<CurvePoint> points;
    bool closed = false;
    // The same curve within kFineToleranceMm, from the same first to the same
    // last point; empty when `points` are the outline itself (straight pieces)
    // or the reading ran out of room for it.
    std::vector<CurvePoint> fine;
};

struct CurvePieces {
    std::vector<CurvePiece> pieces;  // in file order
    std::vector<EntityTally> tally;  // kinds in the order first met; the
                                     // entities of a block count per insertion
    long long insunits = 0;          // the header's $INSUNITS, 0 when it has none
    double mmPerUnit = 1;            // mm_per_unit(insunits)
    int outOfRange = 0;              // pieces dropped for a point beyond kMaxCoordinateMm
    bool tooLarge = false;           // the reading stopped at its point budget
};

// Reads the model space of a DXF text. False with a French message when the
// text is not an ASCII DXF drawing.
[[nodiscard]] bool read_dxf_pieces(std::string_view text, CurvePieces& out, std::string& error);

// Millimetres per drawing unit for a $INSUNITS code; 1 for unitless drawings,
// millimetres and codes without a length.
double mm_per_unit(long long insunits);

}  // namespace common
