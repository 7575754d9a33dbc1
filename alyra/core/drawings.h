#pragma once
// What the four drawings of the main window show, in their own user units:
// the initial profiles, the projected profiles and the two plan views. The
// window paints these lines as they stand; every scale, orientation, colour
// and twist is decided here.

#include <string>
#include <vector>

#include "geometry.h"
#include "profile.h"
#include "results.h"

namespace alyra {

struct Rgb {
    int r = 0;
    int g = 0;
    int b = 0;
    bool operator==(const Rgb&) const = default;
};

inline constexpr Rgb kBlack{0, 0, 0};
inline constexpr Rgb kRootInitial{255, 0, 0};     // red
inline constexpr Rgb kTipInitial{255, 192, 128};  // light orange
inline constexpr Rgb kRootProjected{0, 0, 255};   // blue
inline constexpr Rgb kTipProjected{0, 255, 0};    // green

struct UserPoint {
    double x = 0;
    double y = 0;
};

// A polyline in one colour, solid or dashed.
struct Stroke {
    Rgb colour;
    bool dashed = false;
    std::vector<UserPoint> points;
};

// The user scale of a drawing area: the user coordinates of its top-left
// corner and its signed extents (a negative width makes X grow to the left,
// a negative height makes Y grow upwards). The area keeps the aspect
// |width| : |height| so that both axes have the same unit.
struct UserScale {
    double left = 0;
    double top = 0;
    double width = 1;
    double height = -1;
};

struct Drawing {
    UserScale scale;
    std::vector<Stroke> strokes;
};

// "Profils initiaux": S = the larger of Ce and F + Cs; left 0.05·S, width
// −1.1·S, top 1.05·S/4, height −1.1·S/4; the axes, then the 3-D root (red)
// and tip (light orange) sections, each turned by its twist about its
// leading edge (sections that hold their twists, as they stand).
Drawing initial_profiles_drawing(const Section& root3, const Section& tip3, const WingInputs& in);

// "Profils projetés": the same orientation, scaled to the X' extent of the
// new profiles; the axes, the new root (blue) and tip (green) profiles, each
// turned by its final twist about (0, final height): as they are cut, the
// final twists being what is left to turn when the profiles hold the twists. Only the axes while
// `root` or `tip` is empty.
Drawing projected_profiles_drawing(const PointTable& root, const PointTable& tip,
                                   const WingResults& results);

// The plan views, span to the right and the leading edge at the top, both on
// one scale that holds the initial and the turned panel. "Position initiale
// de l'aile": leading edge, trailing edge, root chord (red), tip chord (light
// orange). "Position après rotation": the panel turned by atan(F / L) about
// the root leading edge, and the two end planes square to the turned leading
// edge (root blue, tip green, dashed) across the turned panel's chord.
// Refused (false) when L = 0.
[[nodiscard]] bool plan_drawings(const WingInputs& in, Drawing& initial, Drawing& turned,
                                 std::string& error);

}  // namespace alyra
