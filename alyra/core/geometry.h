#pragma once
// The wing panel geometry: the 3-D root and tip sections, the final twists and
// heights, the turn of the panel about the root leading edge so that the
// leading edge is square to the end planes, and the two new profiles that the
// panel surface cuts in those planes.
//
// Axes: X chordwise, positive forward, root leading edge at X = 0, trailing
// edges at negative X; Y height; Z spanwise, root plane Z = 0, tip plane
// Z = L. After the turn X' and Z' are the turned axes (Y unchanged).

#include <array>
#include <cstdint>
#include <string>

#include "profile.h"

namespace alyra {

double pi();  // 4·atan(1)
double deg_to_rad(double degrees);
double rad_to_deg(double radians);

struct Point3 {
    double x = 0;
    double y = 0;
    double z = 0;
};

// Y and Z on the line P1P2 at abscissa x; the caller makes sure X2 != X1.
double YinterBF(const Point3& p1, const Point3& p2, double x);
double ZinterBF(const Point3& p1, const Point3& p2, double x);
// X and Y on P1P2 at depth z; P1's value when Z2 = Z1.
double XInterZ(const Point3& p1, const Point3& p2, double z);
double YInterZ(const Point3& p1, const Point3& p2, double z);
// The cut of segment P1P2 by the plane Z' = z.
void XYInterZ(const Point3& p1, const Point3& p2, double z, double& x, double& y);
// X' = X·cos a + Z·sin a; Y' = Y; Z' = Z·cos a − X·sin a.
void Rotation(double x, double y, double z, double a, double& xr, double& yr, double& zr);

// The numbers of the input fields (lengths in mm, angles in degrees).
struct WingInputs {
    double Ce = 0;  // root chord
    double He = 0;  // root reference height
    double Ve = 0;  // root twist (positive: trailing edge down)
    double Ae = 0;  // root pre-rotation
    double Cs = 0;  // tip chord
    double Hs = 0;  // tip reference height
    double Vs = 0;  // tip twist
    double As = 0;  // tip pre-rotation
    double F = 0;   // sweep: aft offset of the tip leading edge
    double L = 0;   // panel length
    // The twists turn the 3-D sections like the pre-rotations, so the new
    // profiles come out as they are cut; otherwise they are only reported.
    bool vrillage_integre = false;
};

// The angle (degrees) each 3-D section is turned by about its leading edge:
// the pre-rotation, plus the twist when it is put inside the profiles.
double root_section_angle(const WingInputs& in);
double tip_section_angle(const WingInputs& in);

// A section in space: slots 0 .. nb - 1.
struct Section {
    std::array<double, kMaxPoints> X{};
    std::array<double, kMaxPoints> Y{};
    std::array<double, kMaxPoints> Z{};
    std::int16_t nb = 0;

    Point3 at(int k) const {
        const auto i = static_cast<std::size_t>(k);
        return {X[i], Y[i], Z[i]};
    }
};

// The 3-D sections from the loaded profiles, turned by their section angles.
void build_root_section(const PointTable& profile, const WingInputs& in, Section& out);
void build_tip_section(const PointTable& profile, const WingInputs& in, Section& out);

// The angle of the turn, atan(F / L) in radians; refused when L = 0.
[[nodiscard]] bool turn_angle(const WingInputs& in, double& alpha, std::string& error);

// Final reference heights and twists (degrees) of the new root and tip.
struct FinalTwists {
    double HeF = 0;
    double HsF = 0;
    double VeF = 0;
    double VsF = 0;
    // X' where the trailing-edge line crosses the root and the tip end plane,
    // and where the root plane's crossing lies along that line (0 at the
    // root trailing edge, 1 at the tip's).
    double root_te_x = 0;
    double tip_te_x = 0;
    double root_te_along = 0;
};

// The final twists and heights from the trailing-edge line of the turned
// panel. Refused with a French message when the geometry gives a zero divisor.
[[nodiscard]] bool Calc_Vrillage_Final(const WingInputs& in, FinalTwists& out, std::string& error);

// Every point of `in` turned by `alpha` about the Y axis.
void turn_section(const Section& in, double alpha, Section& out);

// The turned sections and what the partner search falls back on.
struct TurnedPanel {
    Section root;             // XR_Empl, YR_Empl, ZR_Empl
    Section tip;              // XR_Saum, YR_Saum, ZR_Saum
    double root_href = 0;     // Val(txt_href_empl)
    double tip_href = 0;      // Val(txt_href_saum)
    double tip_le_depth = 0;  // sqrt(L² + F²)

    // Y or Z' of the turned root (tip) section where its X' equals x: the
    // first segment i-1 -> i with X'(i-1)·s <= x·s <= X'(i)·s, interpolated
    // in X' (the mean of its ends when their X' are equal). s = +1 finds the
    // upper surface, -1 the lower one, 0 takes the first segment.
    double InterpolYEmpl(double x, int sens) const;
    double InterpolZEmpl(double x, int sens) const;
    double InterpolYSaum(double x, int sens) const;
    double InterpolZSaum(double x, int sens) const;
};

// The twist (degrees, positive: trailing edge down) a new profile holds: the
// angle of its chord line, from its leading edge (0, `href`) to its chord end
// at X' = `te_x`, where the panel's trailing edge crosses the profile's plane.
// The chord end lies `te_gap` below the upper surface there (the height of the
// upper trailing-edge corner above the chord end, 0 for a closed trailing
// edge). The profile's first segment lies on the panel's upper trailing-edge
// facet, so it is extended where `te_x` lies beyond it. Refused when `te_x`
// is 0 or the profile has no upper surface.
[[nodiscard]] bool chord_line_twist(const PointTable& profile, double href, double te_x,
                                    double te_gap, double& twist, std::string& error);

// The new root profile in the plane Z' = 0 and the new tip profile in the
// plane of the tip trailing edge, both (X', Y) in mm, ordered trailing edge,
// upper surface, leading edge, lower surface, trailing edge. Refused with a
// French message (and `root`, `tip` unchanged) when a section has fewer than
// 3 points, the geometry gives a zero divisor, the result is not finite or
// has no chord, or a profile would need more than 1000 points.
[[nodiscard]] bool new_profiles(const TurnedPanel& panel, PointTable& root, PointTable& tip,
                                std::string& error);

}  // namespace alyra
