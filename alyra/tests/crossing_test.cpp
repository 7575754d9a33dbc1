#include "crossing.h"

#include <gtest/gtest.h>

#include <optional>
#include <vector>

#include "test_support.h"

using alyra::PointTable;

namespace {

struct XY {
    double x;
    double y;
};

// A profile from its points, trailing edge, upper surface, leading edge,
// lower surface, trailing edge; placed at `chord` mm with its leading edge at
// (x_le, y_le), as the new profiles are.
PointTable profile(const std::vector<XY>& unit, double chord = 1, double x_le = 0,
                   double y_le = 0) {
    PointTable p;
    for (const XY& q : unit) {
        p.add(x_le + chord * q.x, y_le + chord * q.y);
    }
    return p;
}

}  // namespace

TEST(Crossing, TheFirstFractionWhereTheUpperSurfaceGoesBelowTheLowerOne) {
    // Upper and lower straight from their mid-chord points to trailing edges
    // on the wrong side: they cross at 3/4 of the chord.
    const std::vector<XY> bow_tie = {{-1, -0.1}, {-0.5, 0.1}, {0, 0}, {-0.5, -0.1}, {-1, 0.1}};
    // The same lower surface with points the upper one does not have.
    const std::vector<XY> uneven = {{-1, -0.1},   {-0.5, 0.1},     {0, 0},   {-0.25, -0.05},
                                    {-0.5, -0.1}, {-0.625, -0.05}, {-1, 0.1}};
    struct Case {
        const char* what;
        PointTable p;
        std::optional<double> at;
    };
    const Case cases[] = {
        {"bow tie", profile(bow_tie), 0.75},
        {"in mm, leading edge elsewhere", profile(bow_tie, 277.35, 3, 25.17), 0.75},
        {"surfaces with different points", profile(uneven, 200), 0.75},
        {"meeting at a common point, then crossed",
         profile({{-1, -0.3}, {-0.4, 0}, {-0.2, 0.1}, {0, 0}, {-0.2, -0.1}, {-0.4, 0}, {-1, 0.3}},
                 160),
         0.4},
        {"upside down from the leading edge",
         profile({{-1, 0}, {-0.5, -0.1}, {0, 0}, {-0.5, 0.1}, {-1, 0}}), 0.0},
        {"lens", profile({{-1, 0}, {-0.5, 0.1}, {0, 0}, {-0.5, -0.1}, {-1, 0}}), std::nullopt},
        {"pinched at mid-chord and at a closed trailing edge",
         profile({{-1, 0},
                  {-0.75, 0.05},
                  {-0.5, 0},
                  {-0.25, 0.1},
                  {0, 0},
                  {-0.25, -0.1},
                  {-0.5, 0},
                  {-0.75, -0.05},
                  {-1, 0}},
                 280),
         std::nullopt},
        {"open trailing edge",
         profile({{-1, 0.01}, {-0.5, 0.1}, {0, 0}, {-0.5, -0.1}, {-1, -0.01}}), std::nullopt},
        {"the start-up placeholder", alyra::placeholder_profile(), std::nullopt},
    };
    for (const Case& c : cases) {
        const std::optional<double> at = alyra::first_crossing(c.p);
        ASSERT_EQ(at.has_value(), c.at.has_value()) << c.what;
        if (at) {
            EXPECT_NEAR(*at, *c.at, 1e-12) << c.what;
        }
    }
}

TEST(Crossing, TheReadmePanelsTipCrossesAt57PercentAndIsToldSo) {
    alyra::AlyraModel m = alyra_test::panel_model("naca2412.dat", "naca0012.dat");
    alyra_test::set_golden_panel(m);
    std::string error;
    ASSERT_TRUE(m.redraw(error) && m.compute(error)) << error;
    EXPECT_FALSE(alyra::first_crossing(m.root_final()));
    const std::optional<double> tip = alyra::first_crossing(m.tip_final());
    ASSERT_TRUE(tip);
    // Where the tip's own trailing edge lies on the turned chord.
    EXPECT_NEAR(*tip, 0.5714, 0.0005);

    const std::vector<std::string> notices = alyra::crossing_notices(m.root_final(), m.tip_final());
    ASSERT_EQ(notices.size(), 1u);
    EXPECT_NE(notices[0].find("du saumon se croise à 57 % de la corde"), std::string::npos)
        << notices[0];
    EXPECT_NE(notices[0].find("hors du tronçon"), std::string::npos);
    EXPECT_TRUE(alyra::crossing_notices(m.root_final(), m.root_final()).empty());
}
