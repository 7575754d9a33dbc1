#pragma once
// The ribs of the panel: its sections in planes parallel to the root, offset
// inward by the sheeting and notched for the spars, and the two files that
// carry them to the router: a DXF board of the outlines and their table.
//
// The panel is the ruled surface whose rulings join the points of equal chord
// fraction (the x of the profile files) on the same surface of the root and
// tip sections. Each section is placed as the 3-D sections are placed, its
// pre-rotation and its twist included: the root in the plane Z = 0, the tip
// in the plane Z = L, its leading edge moved back by the sweep. The rib at
// station s (0 at the root, L at the tip) is the cut of that surface by the
// plane Z = s; between the points of the two profiles it is exact.
//
// A rib is drawn in its own plane: origin at the rib's leading edge (chord
// fraction 0 on its chord line), x along the chord direction of the root,
// from the leading edge aft, y square to it, upwards. The rib's chord line
// runs from that origin to its trailing edge (chord fraction 1); the spar
// notches are placed along it and cut square to it.

#include <string>
#include <string_view>
#include <vector>

#include "geometry.h"
#include "output_files.h"
#include "profile.h"

namespace alyra {

inline constexpr int kMaxRibs = 100;
inline constexpr int kMaxNotches = 4;

enum class NotchFace { dessus, dessous };

// A spar notch: on the upper (dessus) or lower (dessous) surface, its leading
// side at `position` from the rib's leading edge (mm, or % of each rib's
// chord), `width` along the chord and `depth` square to it (mm). The depth is
// taken from the outline's outermost point across the notch, so a spar of
// that depth lies flush with the outline.
struct SparNotch {
    NotchFace face = NotchFace::dessus;
    double position = 0;
    bool percent = false;
    double width = 0;
    double depth = 0;
};

struct RibRequest {
    int count = 0;                   // N >= 2, evenly spaced from root to tip
    std::vector<double> stations;    // or these stations (mm from the root)
    double sheeting = 0;             // the outline is offset inward by it (mm)
    std::vector<SparNotch> notches;  // at most kMaxNotches
};

struct RibPoint {
    double x = 0;
    double y = 0;
};

struct Rib {
    int number = 0;  // 1 .. N
    double station = 0;
    double chord = 0;                    // of the section, leading edge to trailing edge
    double twist = 0;                    // of its chord line, degrees, positive trailing edge down
    RibPoint trailing_edge;              // end of its chord line
    std::vector<RibPoint> outline;       // closed, the first point not repeated
    std::vector<double> spar_thickness;  // of the rib square to its chord, at the
                                         // middle of each notch, before notching
};

// The stations of a request on a panel of length `length`: the given ones,
// or N evenly spaced from 0 to `length`. Refused when N < 2, more than
// kMaxRibs ribs are asked, or a station lies outside the panel.
[[nodiscard]] bool rib_stations(const RibRequest& request, double length,
                                std::vector<double>& stations, std::string& error);

// The ribs of the panel of `in` between the loaded (chord-normalised)
// profiles `root` and `tip`. Refused with a French message, `out` unchanged,
// when the stations are refused, a profile's surfaces are not ordered along
// x, the sheeting is negative or thicker than half the thinnest rib, or a
// notch leaves the chord or the rib, is deeper than the rib or overlaps
// another on its surface.
[[nodiscard]] bool compute_ribs(const PointTable& root, const PointTable& tip, const WingInputs& in,
                                const RibRequest& request, std::vector<Rib>& out,
                                std::string& error);

// `<project>_Nervures.dxf` and `<project>_Nervures.txt`.
std::string ribs_dxf_name(const std::string& project);
std::string ribs_table_name(const std::string& project);

// The DXF board (mm, $INSUNITS 4): each outline a closed LWPOLYLINE on layer
// NERVURES, the ribs one above the other without overlap, each number a TEXT
// inside its rib on layer NUMEROS. Lines end LF.
std::string ribs_dxf_text(const std::vector<Rib>& ribs);

// The table of the ribs in the form of the panel data sheet (CR LF).
std::string ribs_table_text(const std::vector<Rib>& ribs, const RibRequest& request);

// Writes both files into `folder` (empty: the current folder).
[[nodiscard]] bool save_ribs(const std::vector<Rib>& ribs, const RibRequest& request,
                             const std::string& project, const std::string& folder,
                             SaveReport& report, std::string& error);

// A number typed for a rib option: the whole text a decimal number with "."
// (blanks around it allowed). `caption` names it in the refusal.
[[nodiscard]] bool read_rib_number(std::string_view text, const std::string& caption, double& out,
                                   std::string& error);
// The number of ribs: a whole number, at least 2.
[[nodiscard]] bool read_rib_count(std::string_view text, int& out, std::string& error);
// "S1,S2,..." in mm.
[[nodiscard]] bool read_stations(std::string_view text, std::vector<double>& out,
                                 std::string& error);
// "dessus|dessous:POS:LARGEUR:PROFONDEUR", POS in mm or followed by "%".
[[nodiscard]] bool read_notch(std::string_view text, SparNotch& out, std::string& error);

}  // namespace alyra
