#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>

#include "geometry.h"
#include "point_line.h"
#include "test_support.h"

using alyra::AlyraModel;
using alyra::Section;
using namespace alyra_test;

namespace {

void compute_ok(AlyraModel& m) {
    std::string error;
    ASSERT_TRUE(m.redraw(error)) << error;
    ASSERT_TRUE(m.compute(error)) << error;
}

// Y of the polyline (X', Y) of `s` at abscissa x on the surface of sense
// `sens` (+1 upper: X' rising, -1 lower), by plain search.
double surface_y(const Section& s, double x, int sens) {
    for (int i = 1; i < s.nb; ++i) {
        const double x0 = s.X[i - 1], x1 = s.X[i];
        const bool rising = x1 > x0;
        const double tol = 1e-9;
        if ((sens > 0) == rising && std::min(x0, x1) - tol <= x && x <= std::max(x0, x1) + tol) {
            return s.Y[i - 1] + (s.Y[i] - s.Y[i - 1]) * (x - x0) / (x1 - x0);
        }
    }
    return NAN;
}

}  // namespace

TEST(Geometry, RotationAndPlaneCutsFollowTheirFormulas) {
    double x, y, z;
    alyra::Rotation(1, 2, 0, alyra::pi() / 2, x, y, z);
    EXPECT_NEAR(x, 0, 1e-15);
    EXPECT_EQ(y, 2);
    EXPECT_NEAR(z, -1, 1e-15);

    const alyra::Point3 p1{1, 2, 0}, p2{3, 6, 4};
    alyra::XYInterZ(p1, p2, 1, x, y);
    EXPECT_EQ(x, 1.5);
    EXPECT_EQ(y, 3);
    EXPECT_EQ(alyra::YinterBF(p1, p2, 2), 4);
    EXPECT_EQ(alyra::ZinterBF(p1, p2, 2), 2);
    // A segment square to the Z' axis gives its first end, not a division by 0.
    alyra::XYInterZ(p1, {5, 9, 0}, 3, x, y);
    EXPECT_EQ(x, 1);
    EXPECT_EQ(y, 2);
}

TEST(Geometry, WithoutSweepTheTurnChangesNothing) {
    AlyraModel m = panel_model("naca2412.dat", "naca0012.dat");
    m.fields.txt_fleche = "0";
    m.fields.Txt_Long = "500";
    compute_ok(m);
    const auto& r = m.results();
    EXPECT_EQ(r.Txt_Lg_Final.text, "500.00");
    EXPECT_EQ(r.Txt_Corde_Final.text, "400.00");
    EXPECT_EQ(r.Txt_Fleche_Final.text, "0.00");
    EXPECT_EQ(r.rotation_caption, "Position après rotation de 00.°");
    const auto& t = m.turned();
    for (int k = 0; k < t.root.nb; ++k) {
        EXPECT_EQ(t.root.Z[k], 0);
        EXPECT_EQ(t.root.X[k], m.root_section().X[k]);
    }
    for (int k = 0; k < t.tip.nb; ++k) {
        EXPECT_EQ(t.tip.Z[k], 500);
    }
    // The new root is the root section itself.
    const auto& nr = m.root_final();
    const auto le = std::max_element(nr.x.begin(), nr.x.begin() + nr.nb_pts) - nr.x.begin();
    for (int k = 0; k < nr.nb_pts; ++k) {
        const int sens = k <= le ? 1 : -1;
        EXPECT_NEAR(nr.y[k], surface_y(t.root, nr.x[k], sens), 1e-9) << "point " << k;
    }
}

TEST(Geometry, SweptPrismaticPanelCutsItsOwnProfileAtBothEnds) {
    // Same profile, chord and height at both ends, no twist: the surface is a
    // cylinder along the leading edge, so both new profiles are the turned
    // root section seen along Z'.
    AlyraModel m = panel_model("naca2412.dat", "naca2412.dat");
    m.fields.txt_corde_saum = "400";
    m.fields.txt_href_saum = "20";
    compute_ok(m);
    const auto& r = m.results();
    EXPECT_EQ(r.rotation_caption, "Position après rotation de 41.19°");
    EXPECT_EQ(r.Txt_Href_Saum_final.text, "20.00");
    EXPECT_EQ(r.Txt_Vrill_Empl_Final.text, "0.00");
    EXPECT_NEAR(r.Txt_Vrill_Saum_Final.value, 0, 1e-9);
    const double chord = 400 * std::cos(std::atan(350.0 / 400));
    EXPECT_NEAR(r.Txt_Corde_Final.value, chord, 1e-9);
    for (const auto* p : {&m.root_final(), &m.tip_final()}) {
        const int le = static_cast<int>(std::max_element(p->x.begin(), p->x.begin() + p->nb_pts) -
                                        p->x.begin());
        EXPECT_NEAR(*std::min_element(p->x.begin(), p->x.begin() + p->nb_pts), -chord, 1e-9);
        for (int k = 0; k < p->nb_pts; ++k) {
            EXPECT_NEAR(p->y[k], surface_y(m.turned().root, p->x[k], k <= le ? 1 : -1), 1e-9)
                << "point " << k;
        }
    }
}

TEST(Geometry, PointCountsAddUpStepByStep) {
    AlyraModel m = panel_model("naca2412.dat", "naca0012.dat");
    set_golden_panel(m);
    compute_ok(m);
    const Section& R = m.turned().root;
    const Section& T = m.turned().tip;
    int aft_upper = 0;
    while (aft_upper + 1 < R.nb && R.X[aft_upper + 1] < T.X[0]) {
        ++aft_upper;
    }
    int within = 0, aft_lower = 0;
    for (int k = 0; k < R.nb; ++k) {
        within += R.X[k] > T.X[0];
        aft_lower += k >= 1 && k <= R.nb - 2 && R.X[k] < T.X[T.nb - 1] && R.X[k] < R.X[k - 1];
    }
    ASSERT_GT(aft_upper, 0);
    ASSERT_GT(aft_lower, 0);
    EXPECT_EQ(m.root_final().nb_pts, 1 + aft_upper + within + aft_lower);
    EXPECT_EQ(m.tip_final().nb_pts, 1 + aft_upper + T.nb + aft_lower);
    // Both new profiles span the turned root chord.
    for (const auto* p : {&m.root_final(), &m.tip_final()}) {
        EXPECT_EQ(p->x[0], R.X[0]);
        EXPECT_EQ(p->x[p->nb_pts - 1], R.X[R.nb - 1]);
    }
}

TEST(Geometry, TipCoveringTheRootChordLeavesNoTrailingEdgeExtension) {
    AlyraModel m = panel_model("naca2412.dat", "naca0012.dat");
    m.fields.txt_corde_empl = "200";
    m.fields.txt_corde_saum = "300";
    m.fields.txt_fleche = "-20";
    compute_ok(m);
    const Section& R = m.turned().root;
    const Section& T = m.turned().tip;
    ASSERT_LT(T.X[0], R.X[0]);
    ASSERT_LT(T.X[T.nb - 1], R.X[R.nb - 1]);
    EXPECT_EQ(m.root_final().nb_pts, 1 + R.nb);
    EXPECT_EQ(m.tip_final().nb_pts, 1 + T.nb);
}

TEST(Geometry, FieldsAreReadUpToTheirFirstOtherCharacter) {
    AlyraModel m = panel_model("naca0012.dat", "naca0012.dat");
    m.fields.txt_corde_empl = "12,5";
    m.fields.txt_fleche = "0 mm";
    m.fields.Txt_Long = "abc400";  // no number: 0, refused as no number
    std::string error;
    EXPECT_FALSE(m.compute(error));
    EXPECT_EQ(error, "La longueur du tronçon « abc400 » n'est pas un nombre.");
    m.fields.Txt_Long = " 300.9xyz";
    compute_ok(m);
    EXPECT_EQ(m.results().Txt_Corde_Final.text, "12.00");
    EXPECT_EQ(m.results().Txt_Lg_Final.text, "300.90");
}

TEST(Geometry, DegenerateGeometryIsRefusedAndKeepsTheLastResults) {
    AlyraModel m = panel_model("naca2412.dat", "naca0012.dat");
    set_golden_panel(m);
    compute_ok(m);
    const auto before = m.results();
    const auto root_before = m.root_final();
    std::string error;

    m.fields.Txt_Long = "0";
    EXPECT_FALSE(m.redraw(error));
    EXPECT_FALSE(m.can_save_results());
    EXPECT_FALSE(m.compute(error));
    EXPECT_NE(error.find("longueur du tronçon est nulle"), std::string::npos);

    // Trailing edges at the same depth after the turn: no trailing-edge line.
    m.fields.Txt_Long = "650";
    m.fields.txt_corde_empl = "0";
    m.fields.txt_corde_saum = "0";
    m.fields.txt_fleche = "0";
    EXPECT_FALSE(m.compute(error));
    EXPECT_NE(error.find("dégénérée"), std::string::npos);

    m.fields.txt_corde_empl = "1e400";
    EXPECT_FALSE(m.compute(error));
    EXPECT_NE(error.find("trop grande"), std::string::npos);

    EXPECT_EQ(m.results().Txt_Href_Saum_final.text, before.Txt_Href_Saum_final.text);
    EXPECT_EQ(m.results().Txt_Lg_Final.text, before.Txt_Lg_Final.text);
    EXPECT_EQ(m.root_final().nb_pts, root_before.nb_pts);
    EXPECT_EQ(m.root_final().y, root_before.y);
}

TEST(Geometry, NewProfilesNeverGrowPastTheirTable) {
    // A 1000-point tip behind a longer root needs more than 1000 new points.
    TempDir dir("capacity");
    std::string bytes;
    for (int k = 0; k < 1000; ++k) {
        const double x = std::abs(1 - 2 * k / 999.0);
        pointfile::append_point_line(bytes, x, (k < 500 ? 0.05 : -0.05) * (1 - x), '.');
    }
    write_bytes(dir.path / "dense.dat", bytes);
    AlyraModel m = panel_model("naca2412.dat", "naca0012.dat");
    std::string error;
    ASSERT_TRUE(m.Charge_Profil_Saum(dir / "dense.dat", error)) << error;
    ASSERT_EQ(m.saum().points.nb_pts, 1000);
    EXPECT_FALSE(m.compute(error));
    EXPECT_NE(error.find("1000"), std::string::npos);
    EXPECT_FALSE(m.can_save_results());
}

TEST(Geometry, NothingIsComputedBeforeBothProfilesAreChosen) {
    AlyraModel m;
    std::string error;
    EXPECT_TRUE(m.redraw(error)) << error;  // the placeholders draw
    EXPECT_EQ(m.root_section().nb, 3);
    EXPECT_FALSE(m.compute(error));
    EXPECT_FALSE(m.can_save_results());
}

TEST(Optimiser, ProposesHeightsFromTheTrailingEdges) {
    AlyraModel m = panel_model("naca2412.dat", "naca0012.dat");
    set_golden_panel(m);
    alyra::OptimiserValues v;
    std::string error;
    ASSERT_TRUE(m.optimiser_values(v, error)) << error;
    EXPECT_EQ(v.Txt_NOP.text, "25.00");
    EXPECT_EQ(v.Txt_Align.text, "14.42");  // 20 + 160·sin(-2°)
    EXPECT_EQ(alyra::Txt_Opt(v, 0).text, v.txt_int.text);
    EXPECT_EQ(alyra::Txt_Opt(v, 100).text, v.txt_ext.text);
    EXPECT_NEAR(alyra::Txt_Opt(v, 50).value, (v.txt_int.shown + v.txt_ext.shown) / 2, 1e-12);
    EXPECT_NE(v.txt_int.text, v.txt_ext.text);

    ASSERT_TRUE(m.apply_tip_height(v.Txt_Align, error)) << error;
    EXPECT_EQ(m.fields.txt_href_saum, "14.42");
    EXPECT_TRUE(m.can_save_results());

    // Untwisted with equal heights: aligning keeps the root height.
    m.fields.txt_vril_saum2 = "0";
    m.fields.txt_href_saum = "20";
    ASSERT_TRUE(m.optimiser_values(v, error)) << error;
    EXPECT_EQ(v.Txt_Align.text, "20.00");
    EXPECT_EQ(m.results().Txt_Vrill_Empl_Final.text, "0.00");

    // With the twists inside the profiles, a pre-rotation lowers the root
    // trailing edge like a twist.
    m.fields.chk_vrillage_integre = true;
    m.fields.txt_vril_empl = "1";
    ASSERT_TRUE(m.optimiser_values(v, error)) << error;
    EXPECT_EQ(v.Txt_Align.text, "15.11");  // 20 - 280·sin 1°
}
