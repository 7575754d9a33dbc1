#pragma once
// One half of an elliptical fuselage former: a ring between an outer and an
// inner contour, each made of two quarter-ellipses on a horizontal reference
// line, joined along the symmetry axis by the top and bottom walls, each joint
// optionally carrying a V tongue or notch. The former lies on its side: X runs
// from the top of the outer contour (0) to its bottom (1), Y across, the half
// at Y <= 0; every coordinate is divided by the total outer height.

#include <array>
#include <cstdint>
#include <string>
#include <vector>

namespace cadrex {

inline constexpr int kSlots = 3000;
// One point per whole degree: 4 + 91 + 90 + 3 + 91 + 90.
inline constexpr int kFormerPoints = 369;
static_assert(kFormerPoints <= kSlots);

// The dimensions in mm, in the order dessin_demi_forme receives them. The
// four point counts are carried but do not shape the outline.
struct FormerDimensions {
    double xse = 60;
    double xie = 40;
    double ye = 40;
    double nse = 20;
    double nie = 20;
    double xsi = 50;
    double xii = 35;
    double yi = 35;
    double nsi = 20;
    double nii = 20;
    double dec = 5;
    float prof = 0;  // positive: tongue, negative: notch, 0: no V
};

struct DerivedValues {
    double haut_tot = 0;  // total outer height
    double ep_bas = 0;    // bottom wall thickness
    double ep_haut = 0;   // top wall thickness
    double ref_ext = 0;   // X of the outer reference line
    double ref_int = 0;   // X of the inner reference line
};

DerivedValues derived_values(const FormerDimensions& d);

// What the plot shows, in the plot's own coordinates.
enum class PlotColour { Black, Red, Green, Blue };
struct PlotPoint {
    double x;
    double y;
};
struct PlotStroke {
    PlotColour colour;
    bool dash_dot;
    std::vector<PlotPoint> points;  // a polyline
};

struct SaveReport {
    std::string title;  // "Nom du fichier : ..."
    std::string text;   // "Enregistrement effectué avec succés."
};

class HalfFormer {
  public:
    // Computes the outline and the plot. On success the tables hold the 369
    // points from slot 1. A total outer height of 0 or dimensions too large to
    // compute are refused with a French message in `error`, and the tables and
    // the plot keep the last computation.
    [[nodiscard]] bool dessin_demi_forme(const FormerDimensions& d, std::string& error);

    // The point file: one "x y" line per point, no title line, CR LF.
    std::string file_text(char decimal_sep) const;

    // Writes the points of the last computation to `path` and gives the
    // success message. Nothing is written when there is nothing to write or
    // the file cannot be made.
    [[nodiscard]] bool Command1_Click(const std::string& path, char decimal_sep, SaveReport& report,
                                      std::string& error) const;

    int nb_pts() const { return nb_pts_; }
    double x(int slot) const { return tab_x_[static_cast<size_t>(slot)]; }
    float y(int slot) const { return tab_y_[static_cast<size_t>(slot)]; }
    const DerivedValues& derived() const { return derived_; }
    const std::vector<PlotStroke>& strokes() const { return strokes_; }

  private:
    std::array<double, kSlots + 1> tab_x_{};
    std::array<float, kSlots + 1> tab_y_{};
    std::int16_t nb_pts_ = 0;
    DerivedValues derived_;
    std::vector<PlotStroke> strokes_;
};

}  // namespace cadrex
