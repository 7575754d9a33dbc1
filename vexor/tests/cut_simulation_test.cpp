// Whole cut jobs on the simulated port: the report, the pulse check against
// the driver, the trace, and the tool's path over the example cut plan.

#include "cut_simulation.h"

#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>
#include <fstream>
#include <vector>

#include "driver_rig.h"
#include "dxf_file.h"
#include "test_files.h"

using vexor::CutSimulation;

namespace {

const std::filesystem::path kExamples = OSTRELO_EXAMPLES;

// Stored forms: steps per mm × 100000, depth × 10.
void machine(platform::MemorySettingsStore& s, int stepX, int stepY, int stepZ) {
    s.write_int("Machine", "StepX", stepX * 100000);
    s.write_int("Machine", "StepY", stepY * 100000);
    s.write_int("Machine", "StepZ", stepZ * 100000);
    s.write_int("Deplacement", "SpeedXY", 5);
    s.write_int("Decoupe", "SpeedXY", 2);
    s.write_int("Decoupe", "SpeedZ", 1);
    s.write_int("Descente", "ZBas", -20);
}

struct SimRig {
    vexor::test::TempDir dir{"sim"};
    platform::MemorySettingsStore store;
    std::unique_ptr<CutSimulation> sim;

    void build() {
        sim = std::make_unique<CutSimulation>(store);
        sim->doc().driver().set_move_folder(dir.path.string());
    }

    std::filesystem::path ten_mm_line() const {
        const auto path = dir.path / "ligne.dxf";
        vexor::test::write_text(path,
                                "  0\nSECTION\n  2\nENTITIES\n  0\nLINE\n  8\n0\n 10\n0.0\n 20\n"
                                "0.0\n 11\n10.0\n 21\n0.0\n  0\nENDSEC\n  0\nEOF\n");
        return path;
    }
};

}  // namespace

TEST(CutSimulation, ReportOfAJobWorkedByHand) {
    // 100 steps per mm, descent 2 mm at 1 mm/s (200 ticks of 10 ms each way),
    // 10 mm cut at 2 mm/s (1000 ticks of 5 ms), 10 mm back at 5 mm/s (1000
    // ticks of 2 ms); the travel and the Y return are finished at once.
    SimRig rig;
    machine(rig.store, 100, 100, 100);
    rig.build();
    std::string error;
    ASSERT_TRUE(rig.sim->start(rig.ten_mm_line().string(), error)) << error;
    rig.sim->run();
    EXPECT_EQ(vexor::report_text(rig.sim->report()),
              "Fichier : ligne.dxf\n"
              "Polylignes : 1 (1 à découper)\n"
              "Lignes de mouvement : 6\n"
              "Pas : X 2000 Y 0 Z 400\n"
              "Durée : 11.000 s\n"
              "Position finale : X=0.000 Y=0.000 Z=0.000\n"
              "Contrôle des impulsions : OK\n");
    // The check is only over the run: the user's settings are not rewritten.
    rig.sim.reset();
    EXPECT_FALSE(rig.store.contains("Port", "Lpt"));
}

// A job file that the driver cannot run to its end (here replaced under it
// after the start): the report says where and why it stopped.
TEST(CutSimulation, AJobInterruptedBeforeItsEndSaysWhy) {
    SimRig rig;
    machine(rig.store, 100, 100, 100);
    rig.build();
    std::string error;
    ASSERT_TRUE(rig.sim->start(rig.ten_mm_line().string(), error)) << error;
    vexor::test::write_text(rig.dir.path / "coupe.dep", "P 0.049 0.01 0 0 5\nQ 1 1 0 0 5\n");
    rig.sim->run();
    EXPECT_EQ(vexor::report_text(rig.sim->report()),
              "Fichier : ligne.dxf\n"
              "Polylignes : 1 (1 à découper)\n"
              "Lignes de mouvement : 1\n"
              "Découpe interrompue : ligne 2 du fichier de mouvements invalide\n"
              "Pas : X 5 Y 0 Z 0\n"
              "Durée : 0.000 s\n"
              "Position finale : X=0.050 Y=0.000 Z=0.000\n"
              "Contrôle des impulsions : OK\n");
}

TEST(CutSimulation, MiswiredPortFailsThePulseCheck) {
    // The Y clock on the X clock's pin: the Y motor takes every X step.
    SimRig rig;
    machine(rig.store, 100, 100, 100);
    rig.store.write_int("Port", "PinYClk", 2);
    rig.build();
    std::string error;
    ASSERT_TRUE(rig.sim->start(rig.ten_mm_line().string(), error)) << error;
    rig.sim->run();
    const vexor::SimulationReport r = rig.sim->report();
    EXPECT_FALSE(r.pulsesOk);
    EXPECT_EQ(r.check, "ÉCART : Y : 2000 impulsions (-2000 nettes) pour 0 pas du pilote (0 nets)");
    EXPECT_EQ(r.posX, 0);  // the driver itself went where it was told
}

TEST(CutSimulation, TraceHoldsEveryWriteInTime) {
    SimRig rig;
    machine(rig.store, 100, 100, 100);
    rig.build();
    std::string error;
    const auto trace = rig.dir.path / "trace.csv";
    ASSERT_TRUE(rig.sim->open_trace(trace.string(), error)) << error;
    EXPECT_FALSE(std::filesystem::exists(trace));  // named only once complete
    ASSERT_TRUE(rig.sim->start(rig.ten_mm_line().string(), error)) << error;
    rig.sim->run();
    ASSERT_TRUE(rig.sim->finish(error)) << error;

    std::ifstream in(trace);
    std::string line;
    std::getline(in, line);
    EXPECT_EQ(line, "temps_us,port,octet");
    long long last = 0;
    int rising_x = 0;
    int previous = 0;
    int rows = 0;
    while (std::getline(in, line)) {
        long long t = 0;
        unsigned port = 0, byte = 0;
        ASSERT_EQ(std::sscanf(line.c_str(), "%lld,0x%X,0x%X", &t, &port, &byte), 3) << line;
        EXPECT_GE(t, last);
        EXPECT_EQ(port, 0x378u);
        rising_x += (byte & 1) != 0 && (previous & 1) == 0;
        previous = static_cast<int>(byte);
        last = t;
        ++rows;
    }
    EXPECT_EQ(rows, 3 * (2000 + 400));  // direction, rising and falling edge per step
    EXPECT_EQ(rising_x, 2000);
    // The ticks follow each other exactly at their periods: the last write is
    // the falling edge of the last return tick (2000 µs), its final wait of
    // 2000 − 2 × 666 µs before the end of the job's 11 s.
    EXPECT_EQ(last, 11'000'000 - 668);

    CutSimulation other(rig.store);
    EXPECT_FALSE(other.open_trace((rig.dir.path / "absent" / "t.csv").string(), error));
    EXPECT_NE(error.find("t.csv"), std::string::npos);
}

TEST(CutSimulation, ExamplePlanIsCutPointByPointAndReturnsToItsStart) {
    // Different resolutions per axis, so an exchanged axis would show.
    SimRig rig;
    machine(rig.store, 80, 100, 50);
    rig.build();
    const std::string plan = (kExamples / "decoupe.dxf").string();
    std::string error;
    ASSERT_TRUE(rig.sim->start(plan, error)) << error;

    // The points to reach, in cut order, as the reader gives them.
    common::PolylineArray table;
    int count = 0;
    ASSERT_TRUE(common::read_dxf_polylines(plan, table, count, error)) << error;
    std::vector<common::Point3> points;
    for (int i = 0; i < count; ++i) {
        for (int k = 0; k < table[static_cast<size_t>(i)]->nbPoints; ++k) {
            points.push_back(table[static_cast<size_t>(i)]->points[static_cast<size_t>(k)]);
        }
    }
    ASSERT_GT(points.size(), 300u);

    // The tool stops within a step past each target. Where the plan moves
    // less than a step across the direction of travel, that offset is
    // dropped (the profiles' flat lower surfaces have such points), which
    // can leave the tool just under two steps from the point.
    const vexor::CStepDriver& d = rig.sim->doc().driver();
    const double tx = d.stepLenX() * 2, ty = d.stepLenY() * 2;
    size_t next = 0;
    while (rig.sim->step() != 0) {
        if (next < points.size() && d.posZ() < 0 && std::fabs(d.posX() - points[next].x) <= tx &&
            std::fabs(d.posY() - points[next].y) <= ty) {
            ++next;
        }
    }
    ASSERT_EQ(next, points.size())
        << "point not reached: " << points[next].x << ", " << points[next].y;
    const vexor::SimulationReport r = rig.sim->report();
    EXPECT_TRUE(r.pulsesOk) << r.check;
    EXPECT_EQ(r.posX, 0);
    EXPECT_EQ(r.posY, 0);
    EXPECT_EQ(r.posZ, 0);
    EXPECT_EQ(r.polylines, count);
    EXPECT_EQ(r.selected, count);
    EXPECT_EQ(rig.sim->decoder().steps_x(), 0);
    EXPECT_EQ(rig.sim->decoder().steps_y(), 0);
}
