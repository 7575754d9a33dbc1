#pragma once
// The star-shaped lightening hole: the lower half of a crenellated ring
// between two concentric circles, closed above the centre line by a band of
// the upper clearance, in fractions of the outer diameter.

#include <array>
#include <cstdint>
#include <string>

namespace stelmo {

inline constexpr int kSlots = 3000;

// The texts of the five dimension fields, as typed.
struct StarFields {
    std::string dint = "30";
    std::string dext = "50";
    std::string dega = "10";
    std::string nbang = "20";
    std::string nbrad = "20";
};

// A point table: slots 1..kSlots, abscissae in double, ordinates in single
// precision.
struct PointTable {
    std::array<double, kSlots + 1> tab_x{};
    std::array<float, kSlots + 1> tab_y{};
    int nb_pts = 0;
};

struct SaveReport {
    std::string title;  // "Nom du fichier : ..."
    std::string text;   // "Enregistrement de ... points effectué avec succés."
};

class StarHollow {
  public:
    // Computes the outline from the fields. On success the tables hold the new
    // points and `nomfich` the proposed file name. On a refused input `error`
    // says why in French and the tables keep the last good computation.
    [[nodiscard]] bool calcul_etoile(const StarFields& fields, std::string& nomfich,
                                     std::string& error);

    // The bytes of the point file: the title line, naming the outer and inner
    // diameters of the last computation, then its points; lines end CR LF.
    // The numbers are formatted with `decimal_sep` and then given a point.
    [[nodiscard]] bool file_text(char decimal_sep, std::string& text, std::string& error) const;

    // Writes the file of the last computation to `path` and gives the success
    // message. Nothing is written when there are no points or the file cannot
    // be made.
    [[nodiscard]] bool sauve(const std::string& path, char decimal_sep, SaveReport& report,
                             std::string& error) const;

    int nb_pts() const { return points_.nb_pts; }
    int nb_pts_etoile() const { return nb_pts_etoile_; }
    double x(int slot) const { return points_.tab_x[static_cast<size_t>(slot)]; }
    float y(int slot) const { return points_.tab_y[static_cast<size_t>(slot)]; }

  private:
    PointTable points_;
    PointTable scratch_;
    std::int16_t nb_pts_etoile_ = 0;
    // The diameters the points were computed from, for the title line.
    double dext_ = 0;
    double dint_ = 0;
};

}  // namespace stelmo
