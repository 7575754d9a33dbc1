#pragma once
// The geometry of the curve import: plane affine maps (insertions, entity
// planes, units), arcs and bulges, B-splines and fit-point curves, each
// flattened within a chord tolerance.

#include <cstddef>
#include <vector>

#include "dxf_curves.h"
#include "dxf_tags.h"

namespace common {

struct Vec3 {
    double x = 0;
    double y = 0;
    double z = 0;
};

Vec3 cross(const Vec3& a, const Vec3& b);

// x' = a x + b y + e, y' = c x + d y + f.
struct Affine {
    double a = 1;
    double b = 0;
    double c = 0;
    double d = 1;
    double e = 0;
    double f = 0;

    CurvePoint apply(const CurvePoint& p) const {
        return {a * p.x + b * p.y + e, c * p.x + d * p.y + f};
    }
    // (m * n).apply(p) == m.apply(n.apply(p))
    Affine operator*(const Affine& n) const;
    // The largest factor by which the map stretches a length.
    double scale() const;

    static Affine translation(double x, double y) { return {1, 0, 0, 1, x, y}; }
    static Affine rotation(double radians);
    static Affine scaling(double sx, double sy) { return {sx, 0, 0, sy, 0, 0}; }
};

// The extrusion direction of an entity (codes 210, 220, 230), (0, 0, 1) by
// default.
Vec3 extrusion(const std::vector<DxfTag>& tags);

// From an entity's own plane (normal `n`, at height `elevation` along it) to
// the drawing's X and Y, by the arbitrary axis rule of the format. A drawing
// seen from below, n = (0, 0, -1), comes out mirrored in X.
Affine ocs_affine(const Vec3& n, double elevation);

double radians(double degrees);
// The counter-clockwise sweep from angle a0 to a1, in (0, 2 pi]: equal
// angles make a whole turn.
double sweep_of(double a0, double a1);

// Points (c.x + rx cos t, c.y + ry sin t) for t from t0 over `sweep`, both
// ends included, no chord farther than `tol` from the curve.
void arc_points(CurvePoint c, double rx, double ry, double t0, double sweep, double tol,
                std::vector<CurvePoint>& out);

struct BulgeVertex {
    CurvePoint p;
    double bulge = 0;  // tangent of a quarter of the arc's angle to the next vertex
};

// A polyline with bulges as straight and arc segments; a closed one ends on
// its first point again.
std::vector<CurvePoint> bulge_points(const std::vector<BulgeVertex>& vertices, bool closed,
                                     double tol);

struct SplineData {
    int degree = 3;
    bool closed = false;
    std::vector<double> knots;
    std::vector<double> weights;
    std::vector<CurvePoint> control;
    std::vector<CurvePoint> fit;
    // Directions of a fit-point curve at its ends, when the file gives them.
    bool hasStartTangent = false;
    bool hasEndTangent = false;
    CurvePoint startTangent;
    CurvePoint endTangent;
};

// The spline from its control points and knots (rational when weighted), or,
// without control points, the cubic through its fit points as CAD programs
// draw it: twice continuously differentiable, parameters by chord length,
// end directions from the file or estimated from the five points at each end;
// a closed one comes back smoothly to its first point. False when it has
// neither. At most `budget` points are made.
[[nodiscard]] bool spline_points(const SplineData& s, double tol, std::size_t budget,
                                 std::vector<CurvePoint>& out);

}  // namespace common
