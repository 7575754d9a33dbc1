// The drawing of the controller's document, the start command and the job
// file "coupe.dep", byte for byte.

#include <gtest/gtest.h>

#include <clocale>
#include <filesystem>
#include <initializer_list>
#include <sstream>

#include "driver_rig.h"
#include "test_files.h"
#include "vexor_doc.h"

using vexor::CVexorDoc;
using vexor::Jog;

namespace {

const std::filesystem::path kData = VEXOR_TEST_DATA;

struct XY {
    float x;
    float y;
};

// A document on a simulated port whose move files go to a private folder.
struct JobRig {
    vexor::test::TempDir dir{"job"};
    platform::MemorySettingsStore store;
    platform::ManualCounter clock{1'000'000};
    platform::SimulatedPort port{clock};
    CVexorDoc doc{store, port, clock};

    JobRig() { doc.driver().set_move_folder(dir.path.string()); }

    // Steps per mm, then speeds: travel XY, travel Z, cutting XY, cutting Z.
    void machine(float sx, float sy, float sz, float travelXY, float cutXY, float cutZ,
                 float ZBas) {
        doc.set_steps(sx, sy, sz);
        doc.set_speeds(travelXY, 2, cutXY, cutZ);
        doc.set_descent(ZBas);
    }

    common::CPolyline& add(std::initializer_list<XY> pts, int selected = 1) {
        auto p = std::make_unique<common::CPolyline>();
        for (const XY& q : pts) {
            p->points[static_cast<size_t>(p->nbPoints++)] = {q.x, q.y, 0};
        }
        p->set_selected(selected);
        doc.polylines[static_cast<size_t>(doc.polylineCount)] = std::move(p);
        return *doc.polylines[static_cast<size_t>(doc.polylineCount++)];
    }

    std::string job_file() const { return test_files::read_bytes(dir.path / "coupe.dep"); }

    bool start() {
        std::string error;
        const bool ok = doc.start_job(error);
        EXPECT_EQ(!ok, !error.empty()) << error;
        return ok;
    }

    void run() {
        clock.set_auto_advance(1000);
        while (doc.driver().step() != 0) {
        }
        clock.set_auto_advance(0);
    }

    void jog(Jog j, float distance) {
        std::string error;
        ASSERT_TRUE(doc.jog(j, distance, error)) << error;
        run();
    }
};

std::string dxf_line(float x1, float y1, float x2, float y2) {
    std::ostringstream s;
    s << "  0\nLINE\n  8\n0\n 10\n"
      << x1 << "\n 20\n"
      << y1 << "\n 11\n"
      << x2 << "\n 21\n"
      << y2 << "\n";
    return s.str();
}

std::string dxf_file(const std::string& entities) {
    return "  0\nSECTION\n  2\nENTITIES\n" + entities + "  0\nENDSEC\n  0\nEOF\n";
}

}  // namespace

TEST(JobFile, WorkedSegmentsAsGoldenFiles) {
    const std::string previous = std::setlocale(LC_ALL, nullptr);
    std::setlocale(LC_ALL, "fr_FR.UTF-8");  // the file must not follow the locale
    {
        // 100 steps per mm, (0, 0) to (10, 0) at 2 mm/s: an X-only line.
        JobRig rig;
        rig.machine(100, 100, 100, 5, 2, 1, -2);
        rig.add({{0, 0}, {10, 0}});
        ASSERT_TRUE(rig.start());
        EXPECT_EQ(rig.job_file(), test_files::read_bytes(kData / "x_only_100.dep"));
    }
    {
        // 100 and 200 steps per mm, (0, 0) to (3, 4) at 5 mm/s: the smaller
        // step length along the segment every 1000 µs.
        JobRig rig;
        rig.machine(100, 200, 100, 5, 5, 1, -2);
        rig.add({{0, 0}, {3, 4}});
        ASSERT_TRUE(rig.start());
        EXPECT_EQ(rig.job_file(), test_files::read_bytes(kData / "diagonal_100_200.dep"));
    }
    std::setlocale(LC_ALL, previous.c_str());
}

TEST(JobFile, SubStepOffsetsDeselectedAndSinglePointPolylines) {
    // Less than one X step across gives a Y-only line that keeps the cursor's
    // X; less than one Y step an X-only line that keeps its Y; a deselected
    // polyline is skipped entirely; a single point is a travel, a plunge and
    // a raise. Diagonals going left carry both advances negated.
    JobRig rig;
    rig.machine(100, 100, 100, 5, 2, 1, -1.5f);
    rig.add({{10, 10}, {10.004f, 20}, {30, 20.004f}, {30, 10}, {20, 5}});
    rig.add({{50, 50}, {60, 60}}, 0);
    rig.add({{40, 0}});
    ASSERT_TRUE(rig.start());
    EXPECT_EQ(rig.job_file(), test_files::read_bytes(kData / "substeps.dep"));
}

TEST(JobFile, NoPolylineSelectedReturnsWhereTheToolStands) {
    JobRig rig;
    rig.machine(8, 8, 8, 5, 2, 1, -2);
    rig.jog(Jog::XPlus, 12.5f);
    rig.jog(Jog::YPlus, 7);
    rig.add({{0, 0}, {10, 0}}, 0);
    rig.add({{5, 5}, {10, 10}}, 0);
    ASSERT_TRUE(rig.start());
    EXPECT_EQ(rig.job_file(), test_files::read_bytes(kData / "none_selected.dep"));
    EXPECT_EQ(rig.doc.startX, 12.5f);
    EXPECT_EQ(rig.doc.startY, 7.0f);

    // Both lines are finished at once: nothing moves.
    const auto before = rig.doc.driver().tally();
    rig.run();
    const auto after = rig.doc.driver().tally();
    EXPECT_EQ(after.lines - before.lines, 2u);
    EXPECT_EQ(after.stepsX + after.stepsY, before.stepsX + before.stepsY);
    EXPECT_EQ(rig.doc.driver().posX(), 12.5f);
    EXPECT_EQ(rig.doc.driver().posY(), 7.0f);
}

TEST(StartCommand, EachStartTakesTheToolHeightAsZOrigin) {
    JobRig rig;
    rig.machine(100, 100, 100, 5, 2, 1, -2);
    rig.add({{0, 0}, {10, 0}});
    rig.jog(Jog::ZMinus, 3);
    ASSERT_FLOAT_EQ(rig.doc.driver().posZ(), -3);

    ASSERT_TRUE(rig.start());
    EXPECT_EQ(rig.doc.driver().posZ(), 0);
    EXPECT_EQ(rig.doc.driver().state(), vexor::DriverState::openJobFile);
    const std::string first = rig.job_file();
    EXPECT_EQ(first, test_files::read_bytes(kData / "x_only_100.dep"));
    rig.run();
    EXPECT_EQ(rig.doc.driver().posX(), 0);
    EXPECT_EQ(rig.doc.driver().posY(), 0);
    EXPECT_EQ(rig.doc.driver().posZ(), 0);

    // Again from the same point, the tool lowered by 1 mm meanwhile.
    rig.jog(Jog::ZMinus, 1);
    ASSERT_TRUE(rig.start());
    EXPECT_EQ(rig.doc.driver().posZ(), 0);
    EXPECT_EQ(rig.doc.driver().state(), vexor::DriverState::openJobFile);
    EXPECT_EQ(rig.job_file(), first);

    // A start in the middle of a job replaces it from wherever the tool is,
    // plunged or not: that height becomes Z 0 and the new job returns there.
    for (int i = 0; i < 200000 && rig.doc.driver().posX() < 5; ++i) {
        rig.clock.advance(10000);
        rig.doc.driver().step();
    }
    const float x = rig.doc.driver().posX();
    ASSERT_GE(x, 5);
    ASSERT_FLOAT_EQ(rig.doc.driver().posZ(), -2);
    ASSERT_TRUE(rig.start());
    EXPECT_EQ(rig.doc.driver().posZ(), 0);
    EXPECT_EQ(rig.doc.startX, x);
    EXPECT_EQ(rig.job_file().substr(0, 44), "P 0.000000 -0.010000 0.000000 0.000000 2000\n");
    rig.run();
    EXPECT_EQ(rig.doc.driver().posX(), x);
    EXPECT_EQ(rig.doc.driver().posZ(), 0);
}

TEST(StartCommand, RefusalsStartNothingAndChangeNothing) {
    JobRig rig;
    rig.machine(100, 100, 100, 5, 2, 1, -2);
    rig.add({{0, 0}, {10, 0}});
    rig.jog(Jog::ZMinus, 1);
    ASSERT_TRUE(rig.start());
    const std::string job = rig.job_file();
    rig.run();
    rig.jog(Jog::ZMinus, 1);

    auto refused = [&](const char* why, const char* words) {
        std::string error;
        EXPECT_FALSE(rig.doc.start_job(error)) << why;
        EXPECT_NE(error.find(words), std::string::npos) << why << ": " << error;
        EXPECT_EQ(rig.job_file(), job) << why;
        EXPECT_EQ(rig.doc.driver().state(), vexor::DriverState::idle) << why;
        EXPECT_FLOAT_EQ(rig.doc.driver().posZ(), -1) << why;
    };
    rig.doc.set_speeds(5, 2, 0, 1);
    refused("cutting speed 0", "découpe XY");
    rig.doc.set_speeds(5, 2, 2, -1);
    refused("negative plunge speed", "découpe Z");
    rig.doc.set_speeds(5, 2, 2, 1);
    rig.doc.set_steps(100, 100, 0);
    refused("no Z steps", "axe Z");
    rig.doc.set_steps(100, 0, 100);
    refused("no Y steps", "axe Y");
    rig.doc.set_steps(0.00001f, 100, 100);
    rig.doc.set_speeds(0.01f, 2, 2, 1);
    refused("a period beyond an int", "trop faible");
    rig.doc.set_steps(100, 100, 100);
    rig.doc.set_speeds(5, 2, 2, 1);
    rig.doc.polylines[0]->points[1] = {1e6f, 0, 0};
    refused("a point beyond the travel", "polyligne 1 est hors de la course de l'axe X");
    rig.doc.polylines[0]->points[1] = {10, 0, 0};

    // A speed that no line uses is no reason to refuse: single points never
    // cut along X/Y.
    rig.doc.polylines[0]->nbPoints = 1;
    rig.doc.set_speeds(5, 2, 0, 1);
    EXPECT_TRUE(rig.start());
    rig.run();
    // A selected polyline without points has nothing to cut: no travel, no
    // plunge, only the return.
    rig.doc.polylines[0]->nbPoints = 0;
    ASSERT_TRUE(rig.start());
    EXPECT_EQ(rig.job_file(),
              "P 0.000000 0.010000 0.000000 0.000000 2000\n"
              "P 0.000000 0.000000 0.000000 0.010000 2000\n");
}

TEST(JobFile, EveryPointMustLieWithinTheTravel) {
    vexor::MachineSettings s;
    s.StepX = s.StepY = s.StepZ = 100;
    s.travelX = 300;
    s.travelY = 200;
    s.travelZ = 10;
    struct Case {
        const char* why;
        common::Point3 point;
        float startX, startY, ZBas;
        int selected;
        const char* refusal;  // nullptr: the job is written
    };
    const Case cases[] = {
        {"on the travel's ends", {-300, 200, 0}, 300, -200, -10, 1, nullptr},
        {"beyond X", {300.01f, 0, 0}, 0, 0, -2, 1, "polyligne 1 est hors de la course de l'axe X"},
        {"beyond Y",
         {0, -1e9f, 0},
         0,
         0,
         -2,
         1,
         "polyligne 1 est hors de la course de l'axe Y (200"},
        {"not a number", {NAN, 0, 0}, 0, 0, -2, 1, "axe X"},
        {"an outside start",
         {0, 0, 0},
         0,
         250,
         -2,
         1,
         "point de départ est hors de la course de l'axe Y"},
        {"a deep descent",
         {0, 0, 0},
         0,
         0,
         -214748368.0f,
         1,
         "descente est hors de la course de l'axe Z"},
        {"a polyline not cut", {1e6f, 0, 0}, 0, 0, -2, 0, nullptr},
    };
    for (const Case& c : cases) {
        common::PolylineArray table;
        table[0] = std::make_unique<common::CPolyline>();
        table[0]->points[0] = {0, 0, 0};
        table[0]->points[1] = c.point;
        table[0]->nbPoints = 2;
        table[0]->set_selected(c.selected);
        s.ZBas = c.ZBas;
        std::string text = "avant";
        std::string error;
        const bool ok = vexor::job_text(table, 1, s, c.startX, c.startY, text, error);
        EXPECT_EQ(ok, c.refusal == nullptr) << c.why << ": " << error;
        if (c.refusal != nullptr) {
            EXPECT_NE(error.find(c.refusal), std::string::npos) << c.why << ": " << error;
            EXPECT_EQ(text, "avant") << c.why;
        }
    }
    // Within a travel as large as a float allows, a line the reader could
    // not take whole is still refused.
    s.travelX = s.travelY = 3.4e38f;
    common::PolylineArray table;
    table[0] = std::make_unique<common::CPolyline>();
    table[0]->points[0] = {3e38f, -3e38f, 0};
    table[0]->nbPoints = 1;
    table[0]->set_selected(1);
    s.ZBas = -2;
    std::string text;
    std::string error;
    EXPECT_FALSE(vexor::job_text(table, 1, s, 0, 0, text, error));
    EXPECT_NE(error.find("polyligne 1 a un point trop éloigné"), std::string::npos) << error;
}

TEST(StartCommand, AJobFileThatCannotBeWrittenLeavesTheRunningMoveAlone) {
    JobRig rig;
    rig.add({{0, 0}, {10, 0}});
    std::filesystem::create_directory(rig.dir.path / "coupe.dep");  // cannot be replaced
    std::string error;
    ASSERT_TRUE(rig.doc.jog(Jog::XPlus, 10, error)) << error;
    rig.doc.driver().step();
    rig.doc.driver().step();
    const vexor::DriverState state = rig.doc.driver().state();
    EXPECT_FALSE(rig.doc.start_job(error));
    EXPECT_FALSE(error.empty());
    EXPECT_EQ(rig.doc.driver().state(), state);
    rig.run();
    EXPECT_EQ(rig.doc.driver().posX(), 10);  // the jog went on to its end
    EXPECT_EQ(rig.doc.startX, 0);
}

TEST(Drawing, OpenSelectsEverythingAndKeepsAtMost199) {
    JobRig rig;
    const auto small = rig.dir.path / "small.dxf";
    vexor::test::write_text(small, dxf_file(dxf_line(1, 2, 3, 4) + dxf_line(5, 6, 7, 8)));
    std::string error;
    ASSERT_TRUE(rig.doc.open_drawing(small.string(), error)) << error;
    ASSERT_EQ(rig.doc.polylineCount, 2);
    EXPECT_EQ(rig.doc.selected_count(), 2);
    EXPECT_EQ(rig.doc.polylines[1]->points[1], (common::Point3{7, 8, 0}));
    EXPECT_EQ(rig.doc.polylines[2], nullptr);

    // A file the reader cannot open leaves the drawing as it was.
    rig.doc.polylines[0]->set_selected(0);
    EXPECT_FALSE(rig.doc.open_drawing((rig.dir.path / "absent.dxf").string(), error));
    EXPECT_NE(error.find("absent.dxf"), std::string::npos);
    EXPECT_EQ(rig.doc.polylineCount, 2);
    EXPECT_EQ(rig.doc.selected_count(), 1);

    // Nothing but curves it passes over (a text reading LINE is no line):
    // refused with a message that names Plandor's curve import.
    const auto curves = rig.dir.path / "courbes.dxf";
    vexor::test::write_text(
        curves, dxf_file("  0\nCIRCLE\n 10\n5\n 20\n5\n 40\n2\n  0\nTEXT\n  1\nLINE\n"));
    EXPECT_FALSE(rig.doc.open_drawing(curves.string(), error));
    EXPECT_NE(error.find("(CIRCLE 1)"), std::string::npos) << error;
    EXPECT_NE(error.find("Plandor"), std::string::npos) << error;
    EXPECT_EQ(rig.doc.polylineCount, 2);

    std::string many;
    for (int i = 0; i < 205; ++i) {
        many += dxf_line(static_cast<float>(i), 0, static_cast<float>(i), 1);
    }
    const auto big = rig.dir.path / "big.dxf";
    vexor::test::write_text(big, dxf_file(many));
    ASSERT_TRUE(rig.doc.open_drawing(big.string(), error));
    EXPECT_EQ(rig.doc.polylineCount, 199);
    EXPECT_EQ(rig.doc.selected_count(), 199);
    EXPECT_EQ(rig.doc.polylines[198]->points[0].x, 198);
    EXPECT_EQ(rig.doc.polylines[199], nullptr);

    rig.doc.viewResetPending = 0;
    rig.doc.new_drawing();
    EXPECT_EQ(rig.doc.polylineCount, 0);
    EXPECT_EQ(rig.doc.polylines[0], nullptr);
    EXPECT_EQ(rig.doc.viewResetPending, 1);
}
