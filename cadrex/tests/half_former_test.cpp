#include "half_former.h"

#include <gtest/gtest.h>

#include <clocale>
#include <cmath>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <vector>

#include "number_reading.h"
#include "test_files.h"

namespace fs = std::filesystem;
using cadrex::FormerDimensions;
using cadrex::HalfFormer;
using cadrex::PlotColour;
using test_files::crlf_lines;
using test_files::read_bytes;
using test_files::TempDir;

namespace {

std::string golden(const char* name) {
    return read_bytes(fs::path(CADREX_TEST_DATA) / name);
}

HalfFormer computed(const FormerDimensions& d) {
    HalfFormer former;
    std::string error;
    EXPECT_TRUE(former.dessin_demi_forme(d, error)) << error;
    return former;
}

}  // namespace

TEST(HalfFormer, StartUpDimensionsGiveTheKnownFile) {
    const HalfFormer former = computed(FormerDimensions{});
    ASSERT_EQ(former.nb_pts(), 369);
    EXPECT_EQ(former.derived().haut_tot, 100.0);
    EXPECT_EQ(former.derived().ep_bas, 10.0);
    EXPECT_EQ(former.derived().ep_haut, 5.0);
    EXPECT_EQ(former.x(1), 1.0);

    const std::string text = former.file_text('.');
    EXPECT_EQ(text, golden("Couple 100 - 40 - e 6.3.dat"));
    const auto lines = crlf_lines(text);
    ASSERT_EQ(lines.size(), 369u);
    const std::pair<int, const char*> known[] = {
        {1, "1.00000 0.00000"},    {2, "0.97500 0.00000"},    {3, "0.95000 0.00000"},
        {4, "0.92500 0.00000"},    {5, "0.90000 0.00000"},    {6, "0.89995 -0.00611"},
        {95, "0.55000 -0.35000"},  {96, "0.54127 -0.34995"},  {186, "0.03750 0.00000"},
        {187, "0.02500 0.00000"},  {188, "0.01250 0.00000"},  {190, "0.00009 -0.00698"},
        {279, "0.60000 -0.40000"}, {280, "0.60698 -0.39994"}, {368, "0.99994 -0.00698"},
        {369, "1.00000 0.00000"},
    };
    for (const auto& [line, expected] : known) {
        EXPECT_EQ(lines[static_cast<size_t>(line) - 1], expected) << "line " << line;
    }

    // The tops of both contours lie a hair below the axis but are written unsigned.
    EXPECT_LT(former.y(185), 0.0f);
    EXPECT_LT(former.y(189), 0.0f);
    EXPECT_EQ(lines[184], "0.05000 0.00000");
    EXPECT_EQ(lines[188], "0.00000 0.00000");
    EXPECT_EQ(text.find("-0.00000"), std::string::npos);
}

TEST(HalfFormer, FileUsesAPointWhateverTheSystemSeparator) {
    const HalfFormer former = computed(FormerDimensions{});
    EXPECT_EQ(former.file_text(','), former.file_text('.'));

    const std::string saved = std::setlocale(LC_ALL, nullptr);
    if (std::setlocale(LC_ALL, "fr_FR.UTF-8") == nullptr) {
        GTEST_SKIP() << "fr_FR.UTF-8 is not installed";
    }
    const char sep = pointfile::system_decimal_separator();
    std::setlocale(LC_ALL, saved.c_str());
    EXPECT_EQ(sep, ',');
    EXPECT_EQ(former.file_text(sep), golden("Couple 100 - 40 - e 6.3.dat"));
}

TEST(HalfFormer, TheVMovesOnlyTheTipsOfTheJoints) {
    const auto plain = crlf_lines(computed(FormerDimensions{}).file_text('.'));
    FormerDimensions d;
    for (float prof : {2.0f, -2.0f}) {
        d.prof = prof;
        const auto lines = crlf_lines(computed(d).file_text('.'));
        ASSERT_EQ(lines.size(), 369u);
        const std::string y = prof > 0 ? "0.02000" : "-0.02000";
        EXPECT_EQ(lines[2], "0.95000 " + y);
        EXPECT_EQ(lines[186], "0.02500 " + y);
        for (size_t i = 0; i < lines.size(); ++i) {
            if (i != 2 && i != 186) {
                EXPECT_EQ(lines[i], plain[i]) << "line " << i + 1;
            }
        }
    }
}

TEST(HalfFormer, PointCountsDoNotShapeTheOutline) {
    FormerDimensions d;
    d.nse = 3;
    d.nie = 500;
    d.nsi = 0;
    d.nii = -7;
    const HalfFormer former = computed(d);
    EXPECT_EQ(former.nb_pts(), 369);
    EXPECT_EQ(former.file_text('.'), golden("Couple 100 - 40 - e 6.3.dat"));
}

TEST(HalfFormer, PlotShowsAxesReferenceLinesJointsAndContours) {
    FormerDimensions d;
    d.prof = -2;
    const HalfFormer former = computed(d);
    const auto& s = former.strokes();
    ASSERT_EQ(s.size(), 8u);
    auto same = [](cadrex::PlotPoint a, cadrex::PlotPoint b) {
        return std::abs(a.x - b.x) < 1e-12 && std::abs(a.y - b.y) < 1e-12;
    };
    // Two black axes, then the outer (green) and inner (red) reference lines, dash-dot.
    EXPECT_EQ(s[0].colour, PlotColour::Black);
    EXPECT_EQ(s[1].colour, PlotColour::Black);
    EXPECT_TRUE(s[2].dash_dot && s[2].colour == PlotColour::Green);
    EXPECT_TRUE(s[3].dash_dot && s[3].colour == PlotColour::Red);
    EXPECT_EQ(s[2].points[0].x, 0.6);
    EXPECT_EQ(s[3].points[0].x, 0.55);
    // Bottom joint in blue from the outer contour to the inner one, the notch
    // at its middle; the inner contour in red; the top joint in blue to the
    // origin; the outer contour in green back to the start.
    EXPECT_EQ(s[4].colour, PlotColour::Blue);
    ASSERT_EQ(s[4].points.size(), 5u);
    EXPECT_TRUE(same(s[4].points[0], {1, 0}));
    EXPECT_TRUE(same(s[4].points[2], {0.95, -0.02}));
    EXPECT_TRUE(same(s[4].points[4], {0.9, 0}));
    EXPECT_EQ(s[5].colour, PlotColour::Red);
    EXPECT_EQ(s[5].points.size(), 182u);
    EXPECT_TRUE(same(s[5].points[0], s[4].points[4]));
    EXPECT_EQ(s[6].colour, PlotColour::Blue);
    EXPECT_TRUE(same(s[6].points[0], {0.05, 0}));
    EXPECT_TRUE(same(s[6].points[4], {0, 0}));
    EXPECT_EQ(s[7].colour, PlotColour::Green);
    EXPECT_EQ(s[7].points.size(), 182u);
    EXPECT_NEAR(s[7].points.back().x, 1, 1e-12);
    EXPECT_NEAR(s[7].points.back().y, 0, 1e-6);
    for (const auto& stroke : {s[4], s[5], s[6], s[7]}) {
        EXPECT_FALSE(stroke.dash_dot);
    }

    // Without an offset both reference lines stand at the same X.
    d.dec = 0;
    const HalfFormer flush = computed(d);
    EXPECT_EQ(flush.strokes()[2].points[0].x, flush.strokes()[3].points[0].x);
    EXPECT_EQ(flush.derived().ref_ext, flush.derived().ref_int);
}

TEST(HalfFormer, RefusesWhatCannotBeComputedAndKeepsTheLastOutline) {
    HalfFormer former = computed(FormerDimensions{});
    const std::string before = former.file_text('.');

    FormerDimensions flat, opposite, infinite, overflowing, huge, huge_v;
    flat.xse = 0;
    flat.xie = 0;
    opposite.xie = -60;
    infinite.ye = INFINITY;
    overflowing.xse = 1e-300;  // total height 1e-300: every ordinate overflows a single
    overflowing.xie = 0;
    huge.xse = 1e308;  // each finite, their sum (the total height) is not
    huge.xie = 1e308;
    huge_v.prof = INFINITY;
    for (const auto& [d, message] :
         {std::pair{flat, "vaut 0"}, std::pair{opposite, "vaut 0"},
          std::pair{infinite, "trop grande"},
          std::pair{overflowing, "trop petite devant les autres"}, std::pair{huge, "trop grande"},
          std::pair{huge_v, "trop grande"}}) {
        std::string error;
        EXPECT_FALSE(former.dessin_demi_forme(d, error));
        EXPECT_NE(error.find(message), std::string::npos) << error;
        EXPECT_EQ(former.nb_pts(), 369);
        EXPECT_EQ(former.file_text('.'), before);
    }

    // Walls of negative thickness are drawn as computed: the joints run backwards.
    FormerDimensions inverted;
    inverted.xsi = 70;
    const HalfFormer backwards = computed(inverted);
    EXPECT_EQ(backwards.nb_pts(), 369);
    EXPECT_LT(backwards.derived().ep_haut, 0);
    EXPECT_LT(backwards.x(186), 0);
}

TEST(HalfFormer, SavingWritesTheLastComputation) {
    TempDir dir("cadrex_test");
    HalfFormer former;
    cadrex::SaveReport report;
    std::string error;
    EXPECT_FALSE(former.Command1_Click((dir.path / "vide.dat").string(), '.', report, error));
    EXPECT_NE(error.find("Aucun point"), std::string::npos) << error;
    EXPECT_FALSE(fs::exists(dir.path / "vide.dat"));

    ASSERT_TRUE(former.dessin_demi_forme(FormerDimensions{}, error));
    const fs::path file = dir.path / "Couple 100 - 40 - e 6.3.dat";
    std::ofstream(file) << "ancien contenu plus long que rien";
    ASSERT_TRUE(former.Command1_Click(file.string(), ',', report, error)) << error;
    EXPECT_EQ(report.title, "Nom du fichier : " + file.string());
    EXPECT_EQ(report.text, "Enregistrement effectué avec succés.");
    EXPECT_EQ(read_bytes(file), golden("Couple 100 - 40 - e 6.3.dat"));

    const fs::path nowhere = dir.path / "absent" / "x.dat";
    EXPECT_FALSE(former.Command1_Click(nowhere.string(), '.', report, error));
    EXPECT_NE(error.find("Impossible de créer"), std::string::npos) << error;
    EXPECT_FALSE(fs::exists(dir.path / "absent"));
}
