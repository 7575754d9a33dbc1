#include "drawings.h"

#include <gtest/gtest.h>

#include <cmath>

using namespace alyra;

namespace {

constexpr double kEps = 1e-9;

void expect_point(const UserPoint& p, double x, double y, const char* what) {
    EXPECT_NEAR(p.x, x, kEps) << what;
    EXPECT_NEAR(p.y, y, kEps) << what;
}

bool holds(const UserScale& s, const UserPoint& p) {
    const double x0 = std::min(s.left, s.left + s.width), x1 = std::max(s.left, s.left + s.width);
    const double y0 = std::min(s.top, s.top + s.height), y1 = std::max(s.top, s.top + s.height);
    return x0 <= p.x && p.x <= x1 && y0 <= p.y && p.y <= y1;
}

}  // namespace

TEST(Drawings, InitialProfilesScaleToTheLargerExtentAndTurnAboutTheirLeadingEdges) {
    struct Case {
        double Ce, Cs, F, Ve, Vs, S;
        bool integre;
    };
    // S is the root chord, or the tip's reach aft when the tip lies further aft.
    // Sections that hold their twists draw the same.
    const Case cases[] = {{400, 100, 350, 0, 0, 450, false},
                          {400, 100, 0, 3, -2, 400, false},
                          {280, 160, 90, -1, 4, 280, false},
                          {280, 160, 90, -1, 4, 280, true}};
    for (const Case& c : cases) {
        WingInputs in;
        in.Ce = c.Ce;
        in.Cs = c.Cs;
        in.F = c.F;
        in.Ve = c.Ve;
        in.Vs = c.Vs;
        in.He = 20;
        in.Hs = 25;
        in.L = 500;
        in.vrillage_integre = c.integre;
        Section root, tip;
        build_root_section(placeholder_profile(), in, root);
        build_tip_section(placeholder_profile(), in, tip);
        const Drawing d = initial_profiles_drawing(root, tip, in);

        // Leading edge at the left, Y up, a quarter of the horizontal range.
        EXPECT_NEAR(d.scale.left, 0.05 * c.S, kEps);
        EXPECT_NEAR(d.scale.width, -1.1 * c.S, kEps);
        EXPECT_NEAR(d.scale.top, 1.05 * c.S / 4, kEps);
        EXPECT_NEAR(d.scale.height, -1.1 * c.S / 4, kEps);
        ASSERT_EQ(d.strokes.size(), 4u);
        expect_point(d.strokes[0].points[1], -1.025 * c.S, 0, "abscissa axis");
        expect_point(d.strokes[1].points[1], 0, 1.025 * c.S / 4, "ordinate axis");

        // A positive twist lowers the trailing edge; the leading edge stays.
        const Stroke& r = d.strokes[2];
        const Stroke& t = d.strokes[3];
        EXPECT_EQ(r.colour, (Rgb{255, 0, 0}));
        EXPECT_EQ(t.colour, (Rgb{255, 192, 128}));
        const double ve = c.Ve * std::atan(1) / 45, vs = c.Vs * std::atan(1) / 45;
        expect_point(r.points[0], -c.Ce * std::cos(ve), 20 - c.Ce * std::sin(ve), "root TE");
        expect_point(r.points[1], 0, 20, "root LE");
        expect_point(t.points[0], -c.F - c.Cs * std::cos(vs), 25 - c.Cs * std::sin(vs), "tip TE");
        expect_point(t.points[1], -c.F, 25, "tip LE");
    }
}

TEST(Drawings, ProjectedProfilesTurnAboutTheirFinalHeights) {
    WingResults r;
    r.Txt_Href_Empl_final = shown_number(20, "#0.00");
    r.Txt_Href_Saum_final = shown_number(30, "#0.00");
    r.Txt_Vrill_Empl_Final = shown_number(2, "#0.00");
    r.Txt_Vrill_Saum_Final = shown_number(-3, "#0.00");
    PointTable root, tip;
    const Drawing empty = projected_profiles_drawing(root, tip, r);
    EXPECT_EQ(empty.strokes.size(), 2u);  // the axes only, before any computation

    for (PointTable* p : {&root, &tip}) {
        p->add(-250, p == &root ? 20 : 30);
        p->add(0, p == &root ? 20 : 30);
        p->add(-240, p == &root ? 15 : 26);
    }
    const Drawing d = projected_profiles_drawing(root, tip, r);
    EXPECT_NEAR(d.scale.width, -1.1 * 250, kEps);
    ASSERT_EQ(d.strokes.size(), 4u);
    EXPECT_EQ(d.strokes[2].colour, (Rgb{0, 0, 255}));
    EXPECT_EQ(d.strokes[3].colour, (Rgb{0, 255, 0}));
    const double v2 = 2 * std::atan(1) / 45, v3 = -3 * std::atan(1) / 45;
    expect_point(d.strokes[2].points[0], -250 * std::cos(v2), 20 - 250 * std::sin(v2), "root");
    expect_point(d.strokes[3].points[0], -250 * std::cos(v3), 30 - 250 * std::sin(v3), "tip");
    expect_point(d.strokes[3].points[1], 0, 30, "tip LE");
}

TEST(Drawings, PlanViewsShareAScaleAndTheTurnSquaresTheLeadingEdge) {
    WingInputs in;
    in.Ce = 280;
    in.Cs = 160;
    in.F = 90;
    in.L = 650;
    Drawing initial, turned;
    std::string error;
    ASSERT_TRUE(plan_drawings(in, initial, turned, error)) << error;

    // Span to the right, leading edge at the top: the initial tip leading edge.
    expect_point(initial.strokes[0].points[1], 650, -90, "initial tip LE");
    // After the turn the tip leading edge lies on X' = 0 at sqrt(L² + F²).
    const Stroke& outline = turned.strokes[0];
    expect_point(outline.points[1], std::hypot(650, 90), 0, "turned tip LE");
    // The tip end plane passes through the tip trailing edge, at the turned length.
    const double a = std::atan(90.0 / 650);
    const double length = 650 * std::cos(a) + 250 * std::sin(a);
    EXPECT_NEAR(turned.strokes[2].points[0].x, length, kEps);
    EXPECT_TRUE(turned.strokes[1].dashed && turned.strokes[2].dashed);

    EXPECT_EQ(initial.scale.left, turned.scale.left);
    EXPECT_EQ(initial.scale.height, turned.scale.height);
    for (const Drawing* d : {&initial, &turned}) {
        for (const Stroke& s : d->strokes) {
            for (const UserPoint& p : s.points) {
                EXPECT_TRUE(holds(d->scale, p)) << p.x << " " << p.y;
            }
        }
    }

    in.L = 0;
    EXPECT_FALSE(plan_drawings(in, initial, turned, error));
}
