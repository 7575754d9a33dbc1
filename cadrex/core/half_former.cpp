#include "half_former.h"

#include <cmath>

#include "number_format.h"
#include "point_line.h"
#include "save_file.h"

namespace cadrex {

using pointfile::Rad;

namespace {

// Collects the outline as it is drawn: each point is added after the line
// that reaches it, into a fixed list of the 369 points.
class OutlineBuilder {
  public:
    OutlineBuilder(std::array<PlotPoint, kFormerPoints>& points, std::vector<PlotStroke>& strokes)
        : points_(points), strokes_(strokes) {}

    void line(PlotColour colour, bool dash_dot, PlotPoint from, PlotPoint to) {
        strokes_.push_back({colour, dash_dot, {from, to}});
    }
    // Starts a solid polyline at `from`; the pen then stays at its last point.
    void start(PlotColour colour, PlotPoint from) { strokes_.push_back({colour, false, {from}}); }
    void draw_to(PlotPoint p) { strokes_.back().points.push_back(p); }
    void add(PlotPoint p) { points_[static_cast<size_t>(count_++)] = p; }
    void draw_and_add(PlotPoint p) {
        draw_to(p);
        add(p);
    }
    int count() const { return count_; }

  private:
    std::array<PlotPoint, kFormerPoints>& points_;
    std::vector<PlotStroke>& strokes_;
    int count_ = 0;
};

bool finite_dimensions(const FormerDimensions& d) {
    // The point counts do not shape the outline and are not checked.
    for (double v : {d.xse, d.xie, d.ye, d.xsi, d.xii, d.yi, d.dec, static_cast<double>(d.prof)}) {
        if (!std::isfinite(v)) {
            return false;
        }
    }
    return true;
}

// A coordinate that shows as zero in the file is written without a sign, so
// that the contours' tops read "0.00000" rather than "-0.00000".
double without_signed_zero(double v) {
    return pointfile::round_half_away(v, 5) == 0 ? 0.0 : v;
}

}  // namespace

DerivedValues derived_values(const FormerDimensions& d) {
    DerivedValues v;
    v.haut_tot = d.xse + d.xie;
    v.ep_bas = (d.xie + d.dec) - d.xii;
    v.ep_haut = d.xse - d.dec - d.xsi;
    v.ref_ext = d.xse / v.haut_tot;
    v.ref_int = (d.xse - d.dec) / v.haut_tot;
    return v;
}

namespace {

// The axes, and the outer (green) and inner (red) reference lines.
void draw_axes(OutlineBuilder& out, const DerivedValues& v) {
    out.line(PlotColour::Black, false, {-0.03, 0}, {1.03, 0});
    out.line(PlotColour::Black, false, {0, 0.03}, {0, -0.53});
    out.line(PlotColour::Green, true, {v.ref_ext, 0.03}, {v.ref_ext, -0.53});
    out.line(PlotColour::Red, true, {v.ref_int, 0.03}, {v.ref_int, -0.53});
}

// X along the bottom joint: 0 at the inner contour, 1 at the outer one.
double bottom_joint_x(const FormerDimensions& d, const DerivedValues& v, double k) {
    return (d.xse + d.xii - d.dec + k * v.ep_bas) / v.haut_tot;
}

// Bottom joint, from the bottom of the outer contour to the inner one.
void bottom_joint(OutlineBuilder& out, const FormerDimensions& d, const DerivedValues& v) {
    const double v_tip = static_cast<double>(d.prof) / v.haut_tot;
    auto b = [&](double k) { return bottom_joint_x(d, v, k); };
    out.start(PlotColour::Blue, {1, 0});
    out.add({1, 0});
    for (PlotPoint p : {PlotPoint{b(0.75), 0}, PlotPoint{b(0.5), v_tip}, PlotPoint{b(0.25), 0}}) {
        out.draw_and_add(p);
    }
    out.draw_to({b(0), 0});
}

// Inner contour, bottom to top, from the end of the bottom joint.
void inner_contour(OutlineBuilder& out, const FormerDimensions& d, const DerivedValues& v) {
    const double h = v.haut_tot;
    out.start(PlotColour::Red, {bottom_joint_x(d, v, 0), 0});
    for (int theta = 360; theta >= 270; --theta) {
        out.draw_and_add(
            {(d.xse + d.xii * std::cos(Rad(theta)) - d.dec) / h, d.yi * std::sin(Rad(theta)) / h});
    }
    for (int theta = 269; theta >= 180; --theta) {
        out.draw_and_add(
            {(d.xse + d.xsi * std::cos(Rad(theta)) - d.dec) / h, d.yi * std::sin(Rad(theta)) / h});
    }
}

// Top joint, from the top of the inner contour to the top of the outer one.
void top_joint(OutlineBuilder& out, const FormerDimensions& d, const DerivedValues& v) {
    const double h = v.haut_tot;
    const double v_tip = static_cast<double>(d.prof) / h;
    auto t = [&](double k) { return k * v.ep_haut / h; };
    out.start(PlotColour::Blue, {(d.xse - d.dec - d.xsi) / h, 0});
    for (PlotPoint p : {PlotPoint{t(0.75), 0}, PlotPoint{t(0.5), v_tip}, PlotPoint{t(0.25), 0}}) {
        out.draw_and_add(p);
    }
    out.draw_to({0, 0});
}

// Outer contour, top to bottom.
void outer_contour(OutlineBuilder& out, const FormerDimensions& d, const DerivedValues& v) {
    const double h = v.haut_tot;
    out.start(PlotColour::Green, {0, 0});
    for (int theta = 180; theta <= 270; ++theta) {
        out.draw_and_add(
            {(d.xse + d.xse * std::cos(Rad(theta))) / h, d.ye * std::sin(Rad(theta)) / h});
    }
    for (int theta = 271; theta <= 360; ++theta) {
        out.draw_and_add(
            {(d.xse + d.xie * std::cos(Rad(theta))) / h, d.ye * std::sin(Rad(theta)) / h});
    }
}

// Coordinates are fractions of the total outer height `h`: beside a height
// under a millimetre, the other dimensions may give coordinates that no
// point line can hold; otherwise only huge dimensions do.
bool writable_points(const std::array<PlotPoint, kFormerPoints>& points, double h,
                     std::string& error) {
    for (const PlotPoint& p : points) {
        if (!std::isfinite(p.x) || !std::isfinite(static_cast<float>(p.y))) {
            error = std::fabs(h) < 1
                        ? "La hauteur extérieure totale (Xsup + Xinf) est trop petite devant les "
                          "autres dimensions : les coordonnées, qui en sont des fractions, ne "
                          "peuvent pas être écrites."
                        : "Une des dimensions est trop grande pour être calculée.";
            return false;
        }
    }
    return true;
}

}  // namespace

bool HalfFormer::dessin_demi_forme(const FormerDimensions& d, std::string& error) {
    if (!finite_dimensions(d)) {
        error = "Une des dimensions est trop grande pour être calculée.";
        return false;
    }
    const DerivedValues v = derived_values(d);
    if (v.haut_tot == 0) {
        error =
            "La hauteur extérieure totale (Xsup + Xinf) vaut 0 : le demi-couple ne peut pas être "
            "tracé.";
        return false;
    }

    std::array<PlotPoint, kFormerPoints> points{};
    std::vector<PlotStroke> strokes;
    OutlineBuilder out(points, strokes);
    draw_axes(out, v);
    bottom_joint(out, d, v);
    inner_contour(out, d, v);
    top_joint(out, d, v);
    outer_contour(out, d, v);
    if (!writable_points(points, v.haut_tot, error)) {
        return false;
    }

    for (int i = 0; i < out.count(); ++i) {
        tab_x_[static_cast<size_t>(i) + 1] = points[static_cast<size_t>(i)].x;
        tab_y_[static_cast<size_t>(i) + 1] = static_cast<float>(points[static_cast<size_t>(i)].y);
    }
    nb_pts_ = static_cast<std::int16_t>(out.count());
    derived_ = v;
    strokes_ = std::move(strokes);
    return true;
}

std::string HalfFormer::file_text(char decimal_sep) const {
    std::string text;
    for (int i = 1; i <= nb_pts_; ++i) {
        pointfile::append_point_line(text, without_signed_zero(x(i)), without_signed_zero(y(i)),
                                     decimal_sep);
    }
    return text;
}

bool HalfFormer::Command1_Click(const std::string& path, char decimal_sep, SaveReport& report,
                                std::string& error) const {
    if (nb_pts_ == 0) {
        error = "Aucun point à enregistrer : tracez d'abord le demi-couple.";
        return false;
    }
    if (!platform::save_file(path, file_text(decimal_sep), &error)) {
        return false;
    }
    report.title = "Nom du fichier : " + path;
    report.text = "Enregistrement effectué avec succés.";
    return true;
}

}  // namespace cadrex
