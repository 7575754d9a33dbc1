// Whole cut jobs on the simulated port: the report, the pulse check against
// the driver, the trace, and the tool's path over the example cut plan.

#include "cut_simulation.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <filesystem>
#include <fstream>
#include <vector>

#include "cut_job.h"
#include "driver_rig.h"
#include "driver_runner.h"
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

    // One polyline (1, 0), (2, 0), (2, 1): a travel along X, the plunge, a
    // cut along X, one along Y, the raise and the two returns.
    std::filesystem::path corner() const {
        const auto path = dir.path / "coin.dxf";
        std::string text = "  0\nSECTION\n  2\nENTITIES\n  0\nPOLYLINE\n  8\n0\n 66\n1\n 70\n0\n";
        for (const char* xy : {"1.0\n 20\n0.0", "2.0\n 20\n0.0", "2.0\n 20\n1.0"}) {
            text += std::string("  0\nVERTEX\n  8\n0\n 10\n") + xy + "\n 30\n0.0\n";
        }
        vexor::test::write_text(path, text + "  0\nSEQEND\n  0\nENDSEC\n  0\nEOF\n");
        return path;
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

namespace {

// A tick starts in the state its decision chose.
bool tick_start(vexor::DriverState s) {
    using S = vexor::DriverState;
    return s == S::xDirection || s == S::yDirection || s == S::xyDirection || s == S::zDirection ||
           s == S::xyNoStep || s == S::zNoStep;
}

}  // namespace

// 100 steps per mm; travel 5 mm/s in X and Y (2000 µs a tick) and 3 mm/s in Z
// (3333 µs), cut 4 mm/s (2500 µs) and 2 mm/s (5000 µs). The override, from
// the start, scales the plunge, the two cuts and the raise, never below the
// travel speed's period; the travel to the first point and the returns keep
// theirs. Every tick of a line has the same period.
TEST(CutSimulation, TheOverrideScalesTheCutsOnlyAndNeverBeyondTheTravelSpeed) {
    const struct {
        int asked, applied;
        std::int64_t travel, cutZ, cutXY;
    } rows[] = {
        {10, 10, 2000, 50000, 25000}, {50, 50, 2000, 10000, 5000},  {100, 100, 2000, 5000, 2500},
        {120, 120, 2000, 4166, 2083}, {200, 200, 2000, 3333, 2000}, {250, 200, 2000, 3333, 2000},
    };
    for (const auto& r : rows) {
        SCOPED_TRACE(r.asked);
        SimRig rig;
        machine(rig.store, 100, 100, 100);
        rig.store.write_int("Deplacement", "SpeedZ", 3);
        rig.store.write_int("Deplacement", "SpeedXY", 5);
        rig.store.write_int("Decoupe", "SpeedXY", 4);
        rig.store.write_int("Decoupe", "SpeedZ", 2);
        rig.build();
        std::string error;
        ASSERT_TRUE(rig.sim->start(rig.corner().string(), error, r.asked)) << error;
        const vexor::CStepDriver& d = rig.sim->doc().driver();
        EXPECT_EQ(d.feed_override(), r.applied);
        std::vector<std::vector<std::int64_t>> periods(7);  // distinct, per line
        while (rig.sim->step() == vexor::kHasWork) {
            if (tick_start(d.state())) {
                auto& seen = periods.at(d.tally().lines - 1);
                if (std::find(seen.begin(), seen.end(), d.periodUs()) == seen.end()) {
                    seen.push_back(d.periodUs());
                }
            }
        }
        using P = std::vector<std::int64_t>;
        EXPECT_EQ(periods, (std::vector<P>{P{r.travel}, P{r.cutZ}, P{r.cutXY}, P{r.cutXY},
                                           P{r.cutZ}, P{r.travel}, P{r.travel}}));
        // 100 + 200 + 100 travel ticks, 2 × 200 in Z, 2 × 100 cutting in X and Y.
        const vexor::SimulationReport report = rig.sim->report();
        EXPECT_EQ(report.timeUs, 400 * r.travel + 400 * r.cutZ + 200 * r.cutXY);
        EXPECT_TRUE(report.pulsesOk) << report.check;
        EXPECT_EQ(report.end, vexor::EndReason::endOfFile);
        EXPECT_EQ(d.feed_override(), 100) << "back to 100 % at the end of the job";
    }
}

// Travel 10 and 5 mm/s, cut 4 and 2 mm/s: no floor is reached at 200 %.
TEST(CutSimulation, TimeLeftFollowsTheTicksAndTheOverride) {
    SimRig rig;
    machine(rig.store, 100, 100, 100);
    rig.store.write_int("Deplacement", "SpeedXY", 10);
    rig.store.write_int("Deplacement", "SpeedZ", 5);
    rig.store.write_int("Decoupe", "SpeedXY", 4);
    rig.store.write_int("Decoupe", "SpeedZ", 2);
    rig.build();
    std::string error;
    ASSERT_TRUE(rig.sim->start(rig.corner().string(), error)) << error;
    vexor::CVexorDoc& doc = rig.sim->doc();
    vexor::CStepDriver& d = doc.driver();

    // The job's ticks × periods, travel and cutting apart.
    std::string text;
    std::vector<vexor::JobLine> lines;
    ASSERT_TRUE(vexor::job_text(doc.polylines, doc.polylineCount, doc.settings(), 0, 0, text, lines,
                                error));
    ASSERT_EQ(lines.size(), 7u);
    std::int64_t travel = 0, cut = 0;
    for (const vexor::JobLine& l : lines) {
        (l.cutting ? cut : travel) += l.ticks * l.periodUs;
    }
    ASSERT_GT(cut, 0);
    ASSERT_GT(travel, 0);
    const struct {
        int percent;
        std::int64_t remaining;
    } rows[] = {
        {100, travel + cut}, {200, travel + cut / 2}, {50, travel + 2 * cut}, {100, travel + cut}};
    for (const auto& r : rows) {
        d.set_feed_override(r.percent);
        const vexor::DriverSnapshot s = vexor::snapshot_of(d);
        EXPECT_EQ(s.remainingUs, r.remaining) << r.percent << " %";
        EXPECT_EQ(s.feedOverride, r.percent);
        EXPECT_EQ(s.linesDone, 0u);
        EXPECT_EQ(s.linesTotal, 7u);
    }
    EXPECT_EQ(vexor::snapshot_of(d).remainingUs, doc.jobTimeUs);

    // It never grows while the job runs, and each tick of the travel along X
    // (1000 µs) takes its period off.
    std::int64_t before = vexor::snapshot_of(d).remainingUs;
    const std::int64_t start = before;
    int ticks = 0;
    while (rig.sim->step() == vexor::kHasWork) {
        const vexor::DriverSnapshot s = vexor::snapshot_of(d);
        ASSERT_LE(s.remainingUs, before);
        before = s.remainingUs;
        if (tick_start(s.state) && ++ticks == 50) {
            EXPECT_EQ(s.remainingUs, start - 50 * 1000);
            EXPECT_EQ(s.linesDone, 0u);
        }
    }
    const vexor::DriverSnapshot end = vexor::snapshot_of(d);
    EXPECT_EQ(end.end, vexor::EndReason::endOfFile);
    EXPECT_EQ(end.remainingUs, 0);
    EXPECT_EQ(end.linesDone, 7u);
    EXPECT_EQ(end.linesTotal, 7u);
    EXPECT_EQ(end.feedOverride, 100);

    // A file started without a new table runs as written: no override, no
    // time left, even for a job file.
    for (bool job : {true, false}) {
        SCOPED_TRACE(job ? "job file" : "move file");
        vexor::test::write_text(rig.dir.path / (job ? "coupe.dep" : "dep.dep"),
                                job ? "Z -1 -0.01 5000\n" : "Z 0 0.01 5000\n");
        job ? d.start_job_file() : d.start_move_file();
        d.set_feed_override(50);
        while (!tick_start(d.state())) {
            ASSERT_EQ(rig.sim->step(), vexor::kHasWork);
        }
        EXPECT_EQ(d.periodUs(), 5000);
        EXPECT_EQ(d.job_progress().linesTotal, 0u);
        EXPECT_EQ(d.job_progress().remainingUs, 0);
        rig.sim->run();
    }
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
