#include "gcode_writer.h"

#include <gtest/gtest.h>

#include <clocale>
#include <cmath>
#include <limits>
#include <sstream>

#include "gcode_rules.h"

namespace {

using common::GcodeContour;
using common::GcodeDialect;
using common::GcodeJob;
using common::GcodeReport;
using common::GcodeSettings;

// A closed contour with a tab on its right side, from (10, 4) to (10, 6),
// starting a hair left of the origin; then an open straight cut.
GcodeJob small_job() {
    GcodeJob job;
    job.name =
        "d\xC3\xA9"
        "coupe (1)";
    job.toolRadius = 1.5;
    job.contours.push_back(
        {{{{-0.0001, 0}, {10, 0}, {10, 4}}, {{10, 6}, {10, 10}, {-0.0001, 0}}}, true});
    job.contours.push_back({{{{20, 0}, {30, 0}}}, false});
    return job;
}

GcodeSettings two_passes(GcodeDialect dialect, int spindle) {
    GcodeSettings s;
    s.depth = 2;
    s.passDepth = 1;
    s.dialect = dialect;
    s.spindleSpeed = spindle;
    return s;
}

std::string write(const GcodeJob& job, const GcodeSettings& s, GcodeReport* report = nullptr) {
    std::string program, error;
    GcodeReport r;
    EXPECT_TRUE(common::write_gcode(job, s, program, r, error)) << error;
    if (report != nullptr) {
        *report = r;
    }
    return program;
}

// The moves of a program, each with the position it ends at.
struct Move {
    bool rapid;
    double x, y, z;
};
std::vector<Move> moves(const std::string& program) {
    std::vector<Move> out;
    std::istringstream in(program);
    std::string line;
    Move at{true, 0, 0, 0};
    while (std::getline(in, line)) {
        std::istringstream words(line);
        std::string w;
        bool move = false;
        while (words >> w) {
            const double v = w.size() > 1 ? std::atof(w.c_str() + 1) : 0;
            if (w == "G0" || w == "G1") {
                at.rapid = w == "G0";
                move = true;
            } else if (w[0] == 'X') {
                at.x = v;
            } else if (w[0] == 'Y') {
                at.y = v;
            } else if (w[0] == 'Z') {
                at.z = v;
            }
        }
        if (move) {
            out.push_back(at);
        }
    }
    return out;
}

// The body both dialects share: pass -1 runs straight over the tab (its top
// is at -1), pass -2 rises to -1 over it.
const char* const kBody =
    "G0 Z5.000\n"
    "G0 X0.000 Y0.000\n"
    "G1 Z-1.000 F150.000\n"
    "G1 X10.000 Y0.000 F600.000\n"
    "G1 X10.000 Y4.000\n"
    "G1 X10.000 Y6.000\n"
    "G1 X10.000 Y10.000\n"
    "G1 X0.000 Y0.000\n"
    "G1 Z-2.000 F150.000\n"
    "G1 X10.000 Y0.000 F600.000\n"
    "G1 X10.000 Y4.000\n"
    "G1 Z-1.000 F150.000\n"
    "G1 X10.000 Y6.000 F600.000\n"
    "G1 Z-2.000 F150.000\n"
    "G1 X10.000 Y10.000 F600.000\n"
    "G1 X0.000 Y0.000\n"
    "G0 Z5.000\n"
    "G0 X20.000 Y0.000\n"
    "G1 Z-1.000 F150.000\n"
    "G1 X30.000 Y0.000 F600.000\n"
    "G0 Z5.000\n"
    "G0 X20.000 Y0.000\n"
    "G1 Z-2.000 F150.000\n"
    "G1 X30.000 Y0.000 F600.000\n"
    "G0 Z5.000\n"
    "G0 X0.000 Y0.000\n";

std::string header(const char* dialect) {
    return std::string("(Plan : d_coupe [1])\n(Dialecte : ") + dialect +
           ")\n(Profondeur : 2.000 mm en 2 passes de 1.000 mm au plus)\n"
           "(Attaches : 1.000 mm de haut)\n(Rayon d'outil : 1.500 mm)\nG21 G90 G17 G94\n";
}

// Under the user's French locale the numbers keep their point.
TEST(GcodeWriter, WritesTheWholeProgramOfEachDialect) {
    std::setlocale(LC_ALL, "");
    const std::string grbl = write(small_job(), two_passes(GcodeDialect::grbl, 0));
    const std::string linuxcnc = write(small_job(), two_passes(GcodeDialect::linuxcnc, 12000));
    std::setlocale(LC_ALL, "C");
    EXPECT_EQ(grbl, header("grbl") + kBody + "M2\n");
    EXPECT_EQ(linuxcnc,
              "%\n" + header("linuxcnc") + "G64 P0.01\nM3 S12000\n" + kBody + "M5\nM2\n%\n");
    EXPECT_EQ(gcode_test::grbl_rule_violation(grbl), "");
    // The checker sees what GRBL would refuse.
    EXPECT_EQ(gcode_test::grbl_rule_violation(linuxcnc), "line 1: '%' outside a comment");
    EXPECT_EQ(gcode_test::grbl_rule_violation("G0 X1\nG64 P0.01\n"), "line 2: the code G64");
    EXPECT_EQ(gcode_test::grbl_rule_violation(std::string(81, 'X')),
              "line 1: longer than 80 characters");
}

TEST(GcodeWriter, ReportsLinesPassesLengthsAndTime) {
    GcodeReport report;
    const std::string program = write(small_job(), two_passes(GcodeDialect::linuxcnc, 1), &report);
    EXPECT_EQ(report.lines, std::count(program.begin(), program.end(), '\n'));
    EXPECT_EQ(report.passes, 2);
    EXPECT_EQ(report.contours, 2);
    const double cut = 2 * (10 + 4 + 2 + 4 + std::hypot(10, 10)) + 2 * 10;
    EXPECT_NEAR(report.cutLength, cut, 1e-3);
    // Each contour is entered from the safe height; the tab costs a rise and
    // a descent.
    const double plunge = (6 + 1 + 2) + (6 + 7);
    EXPECT_NEAR(report.plungeLength, plunge, 1e-9);
    // From the origin at the surface: up, to the open cut, back to its
    // start, up and home.
    const double travel = 5 + 7 + 20 + 6 + 10 + 7 + 30;
    EXPECT_NEAR(report.travelLength, travel, 1e-3);
    EXPECT_NEAR(report.estimatedSeconds, 60 * (cut / 600 + plunge / 150 + travel / 1000), 1e-3);
    auto comma = [](double v, int) {
        std::string t = std::to_string(std::round(v * 10) / 10);
        t = t.substr(0, t.find('.') + 2);
        t[t.find('.')] = ',';
        return t;
    };
    EXPECT_EQ(common::gcode_report_text(report, +comma),
              "Programme G-code linuxcnc : " + std::to_string(report.lines) +
                  " lignes, 2 passes, 88,3 mm coupés, environ 23 s aux avances réglées.");
}

// Passes go down by at most the pass depth, the last one exactly at full
// depth; a closed contour plunges again where it ends, without a travel.
TEST(GcodeWriter, CutsEachPassDeeperByAtMostThePassDepth) {
    struct Case {
        double depth, pass;
        std::vector<double> plunges;
    } cases[] = {
        {3, 1.5, {-1.5, -3}}, {3, 1, {-1, -2, -3}},           {2.5, 1, {-1, -2, -2.5}},
        {1, 1, {-1}},         {0.3, 0.1, {-0.1, -0.2, -0.3}},
    };
    for (const Case& c : cases) {
        GcodeSettings s;
        s.depth = c.depth;
        s.passDepth = c.pass;
        s.tabHeight = 0;
        GcodeJob job;
        job.contours.push_back({{{{0, 0}, {5, 0}, {5, 5}, {0, 0}}}, true});
        GcodeReport report;
        std::vector<double> plunges;
        int rapids = 0;
        Move at{true, 0, 0, 0};
        for (const Move& m : moves(write(job, s, &report))) {
            if (!m.rapid && m.x == at.x && m.y == at.y && m.z < at.z) {
                plunges.push_back(m.z);
            }
            rapids += m.rapid ? 1 : 0;
            at = m;
        }
        EXPECT_EQ(plunges, c.plunges) << c.depth << " by " << c.pass;
        EXPECT_EQ(report.passes, static_cast<int>(c.plunges.size()));
        EXPECT_EQ(rapids, 3) << "up, to the start, up (home is the start)";
    }
}

// Over the tab from (10, 4) to (10, 6): the Z each pass crosses it at.
TEST(GcodeWriter, LeavesABridgeOverTabsOnlyBelowTheirTop) {
    struct Case {
        double depth, pass, tab;
        std::vector<double> crossings;
        bool lifted;  // over the tab by a travel at safe height
    } cases[] = {
        {3, 1, 1, {-1, -2, -2}, false},  // the top at -2: only the third pass rises
        {2, 2, 0.5, {-1.5}, false},      // one pass
        {3, 1.5, 0, {-1.5, -3}, false},  // no bridge
        {3, 1.5, 3, {5, 5}, true},       // as high as the board
        {2, 1, 2.5, {5, 5}, true},
    };
    for (const Case& c : cases) {
        GcodeSettings s;
        s.depth = c.depth;
        s.passDepth = c.pass;
        s.tabHeight = c.tab;
        std::vector<double> crossings;
        bool lifted = false;
        const std::vector<Move> m = moves(write(small_job(), s));
        for (std::size_t i = 1; i < m.size(); ++i) {
            if (m[i].x == 10 && m[i].y == 6 && m[i - 1].y < 6) {
                crossings.push_back(m[i].z);
                lifted = m[i].rapid;
            }
        }
        EXPECT_EQ(crossings, c.crossings) << c.depth << " by " << c.pass << ", tab " << c.tab;
        EXPECT_EQ(lifted, c.lifted);
        for (const Move& move : m) {
            EXPECT_GE(move.z, -c.depth);
        }
    }
}

TEST(GcodeWriter, RefusesSettingsThatMakeNoSensibleProgram) {
    const double nan = std::numeric_limits<double>::quiet_NaN();
    struct Case {
        void (*change)(GcodeSettings&, double);
        std::string message;
    } cases[] = {
        {[](GcodeSettings& s, double) { s.depth = 0; },
         "La profondeur de coupe doit être supérieure à 0."},
        {[](GcodeSettings& s, double n) { s.depth = n; },
         "La profondeur de coupe doit être supérieure à 0."},
        {[](GcodeSettings& s, double) { s.passDepth = -1; },
         "La profondeur de passe doit être supérieure à 0."},
        {[](GcodeSettings& s, double) { s.passDepth = 3.5; },
         "La profondeur de passe ne peut pas dépasser la profondeur de coupe."},
        {[](GcodeSettings& s, double) { s.passDepth = 0.001; },
         "La profondeur de passe donnerait plus de 1000 passes."},
        {[](GcodeSettings& s, double) { s.safeHeight = 0; },
         "La hauteur de sécurité doit être supérieure à 0."},
        {[](GcodeSettings& s, double) { s.cuttingFeed = 0; },
         "L'avance de coupe doit être supérieure à 0."},
        {[](GcodeSettings& s, double) { s.plungeFeed = -150; },
         "L'avance de plongée doit être supérieure à 0."},
        {[](GcodeSettings& s, double) { s.cuttingFeed = 1e6; },
         "L'avance de coupe ne peut pas dépasser 100000 mm/min."},
        {[](GcodeSettings& s, double) { s.tabHeight = -1; },
         "La hauteur des attaches ne peut pas être négative."},
        {[](GcodeSettings& s, double) { s.spindleSpeed = -1; },
         "La vitesse de broche ne peut pas être négative."},
    };
    for (const Case& c : cases) {
        GcodeSettings s;
        c.change(s, nan);
        std::string error, program = "before";
        GcodeReport report;
        report.lines = -7;
        EXPECT_FALSE(common::check(s, error));
        EXPECT_EQ(error, c.message);
        error.clear();
        EXPECT_FALSE(common::write_gcode(small_job(), s, program, report, error));
        EXPECT_EQ(error, c.message);
        EXPECT_EQ(program, "before");
        EXPECT_EQ(report.lines, -7);
    }
    GcodeSettings s;
    std::string error;
    EXPECT_TRUE(common::check(s, error)) << error;

    // Nothing to cut, and a point no controller can reach.
    std::string program;
    GcodeReport report;
    GcodeJob empty;
    empty.contours.push_back({});
    EXPECT_FALSE(common::write_gcode(empty, s, program, report, error));
    EXPECT_EQ(error, "Aucun contour à couper : le programme serait vide.");
    GcodeJob far = small_job();
    far.contours[1].pieces[0][1].x = 1e30;
    EXPECT_FALSE(common::write_gcode(far, s, program, report, error));
    EXPECT_EQ(error,
              "Un point du contour 2 n'est pas un nombre ou se trouve à plus de 100000 mm de "
              "l'origine.");
    EXPECT_EQ(program, "");
}

}  // namespace
