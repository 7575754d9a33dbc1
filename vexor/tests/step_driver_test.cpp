#include "step_driver.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <charconv>
#include <cmath>
#include <random>

#include "driver_rig.h"
#include "pulse_decoder.h"
#include "runner_rig.h"

using vexor::MachineSettings;
using State = vexor::DriverState;
using vexor::test::DriverRig;
using vexor::test::RunnerKind;
using vexor::test::RunnerRig;

namespace {

// The shortest text that reads back as `v` (the writers' six decimals would
// round a step length such as 1/3).
std::string exact(float v) {
    char buf[32];
    return std::string(buf, std::to_chars(buf, buf + sizeof buf, v).ptr);
}

int count_of(const std::vector<State>& states, State state) {
    return static_cast<int>(std::count(states.begin(), states.end(), state));
}

}  // namespace

class StepDriverBytes : public testing::TestWithParam<RunnerKind> {};
INSTANTIATE_TEST_SUITE_P(Runners, StepDriverBytes, testing::ValuesIn(vexor::test::runner_kinds()),
                         vexor::test::runner_name);

// One stepping tick per case: the three bytes on the port, and where.
TEST_P(StepDriverBytes, EachWiringAndDirectionGivesItsTick) {
    struct Case {
        const char* what;
        MachineSettings settings;
        const char* line;
        bool motors;
        std::vector<int> bytes;
        int port;
    };
    const MachineSettings plain;
    MachineSettings inverted_x;
    inverted_x.PinXInv = 1;
    MachineSettings shared;  // clock and direction of X both on pin 2
    shared.PinXDir = 2;
    MachineSettings lpt2;
    lpt2.Lpt = 2;
    const std::vector<Case> cases = {
        {"X towards negative", plain, "P -1 -1 0 0 30\n", true, {0, 1, 0}, 0x378},
        {"X towards positive", plain, "P 1 1 0 0 30\n", true, {2, 3, 2}, 0x378},
        {"inverted X towards negative", inverted_x, "P -1 -1 0 0 30\n", true, {2, 3, 2}, 0x378},
        {"inverted X towards positive", inverted_x, "P 1 1 0 0 30\n", true, {0, 1, 0}, 0x378},
        {"Y towards negative", plain, "P 0 0 -1 -1 30\n", true, {0, 4, 0}, 0x378},
        {"diagonal, both positive", plain, "P 1 1 1 1 30\n", true, {10, 15, 10}, 0x378},
        {"diagonal, X negative", plain, "P -1 -1 1 1 30\n", true, {8, 13, 8}, 0x378},
        {"Z towards positive", plain, "Z 1 1 30\n", true, {32, 48, 32}, 0x378},
        {"shared pin: the masks are added", shared, "P 1 1 0 0 30\n", true, {1, 2, 1}, 0x378},
        {"LPT2", lpt2, "P 1 1 0 0 30\n", true, {2, 3, 2}, 0x278},
        {"motors off: no clock edge", plain, "P 1 1 1 1 30\n", false, {10, 10}, 0x378},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        RunnerRig rig(GetParam(), c.settings, "bytes");
        rig.command([&](vexor::CStepDriver& d) { d.set_motors_on(c.motors); });
        rig.start(c.line);
        rig.run();
        EXPECT_EQ(rig.bytes(), c.bytes);
        for (const auto& r : rig.port.records()) {
            EXPECT_EQ(r.port, c.port);
        }
        EXPECT_EQ(rig.snapshot().state, State::idle);
    }
    // All four masks on one pin: 128 × 4 = 512, of which the port gets 0.
    MachineSettings pin9;
    pin9.PinXClk = pin9.PinXDir = pin9.PinYClk = pin9.PinYDir = 9;
    RunnerRig rig(GetParam(), pin9, "pin9");
    rig.command([](vexor::CStepDriver& d) { d.set_motors_on(true); });
    rig.start("P 1 1 1 1 30\n");
    rig.run();
    EXPECT_EQ(rig.bytes(), (std::vector<int>{0, 0, 0}));
}

// With the marks taken from the counter, each phase waits more than its
// third after the previous one.
TEST(StepDriverTiming, EachPhaseWaitsAThirdOfThePeriod) {
    DriverRig rig;
    rig.driver.set_pacing(vexor::Pacing::counter);
    rig.driver.set_motors_on(true);
    rig.start("P 1 1 0 0 300\n");
    auto& d = rig.driver;
    auto& clock = rig.clock;
    EXPECT_EQ(d.state(), State::openMoveFile);
    EXPECT_EQ(d.step(), vexor::kHasWork);
    EXPECT_EQ(d.state(), State::readLine);
    d.step();
    EXPECT_EQ(d.state(), State::xyDecision);
    EXPECT_EQ(d.periodUs(), 300);
    d.step();  // the decision makes the step before the pulse
    EXPECT_EQ(d.state(), State::xDirection);
    EXPECT_EQ(d.posX(), 1.0f);
    d.step();
    EXPECT_EQ(d.state(), State::xRise);
    EXPECT_EQ(rig.bytes(), (std::vector<int>{2}));
    const struct {
        State waiting, next;
    } phases[] = {{State::xRise, State::xFall},
                  {State::xFall, State::xHold},
                  {State::xHold, State::xyDecision}};
    for (const auto& phase : phases) {
        clock.advance(100);  // exactly a third: not more, so still waiting
        EXPECT_EQ(d.step(), vexor::kHasWork);
        EXPECT_EQ(d.state(), phase.waiting);
        clock.advance(1);
        d.step();
        EXPECT_EQ(d.state(), phase.next);
    }
    EXPECT_EQ(rig.bytes(), (std::vector<int>{2, 3, 2}));
    d.step();
    EXPECT_EQ(d.state(), State::readLine);  // X finished: next line
    d.step();
    EXPECT_EQ(d.state(), State::closeFile);  // end of file
    EXPECT_EQ(d.step(), vexor::kHasWork);
    EXPECT_EQ(d.state(), State::idle);
    EXPECT_EQ(d.step(), vexor::kNoWork);
}

TEST(StepDriverTiming, TicksWithoutAStepWaitAWholePeriod) {
    DriverRig rig;
    rig.driver.set_pacing(vexor::Pacing::counter);
    rig.start("P 1 0.5 0 0 300\nZ 1 0.5 90\n");
    auto& d = rig.driver;
    for (int i = 0; i < 3; ++i) {
        d.step();
    }
    ASSERT_EQ(d.state(), State::xyNoStep);  // half a step: no step this tick
    d.step();
    EXPECT_EQ(d.state(), State::xyNoStepWait);
    rig.clock.advance(300);
    d.step();
    EXPECT_EQ(d.state(), State::xyNoStepWait);
    rig.clock.advance(1);
    d.step();
    EXPECT_EQ(d.state(), State::xyDecision);
    EXPECT_TRUE(rig.bytes().empty()) << "a tick without a step writes nothing";

    const auto states = rig.run();
    EXPECT_EQ(count_of(states, State::zNoStep), 1);  // the Z line's own tick without a step
    EXPECT_EQ(count_of(states, State::zDirection), 1);
    EXPECT_EQ(d.posX(), 1.0f);
    EXPECT_EQ(d.posZ(), 1.0f);
}

namespace {

struct PacedRun {
    std::vector<std::int64_t> writes;  // times of the port writes
    vexor::CStepDriver::Tally tally;
};

// Three X ticks of 300 µs; every wait is polled exactly when it may end,
// except the one before write number `late_write`, polled `late` µs after.
PacedRun paced_run(std::uint64_t late_write, std::int64_t late) {
    DriverRig rig;
    rig.driver.set_motors_on(true);
    rig.start("P 3 1 0 0 300\n");
    auto& d = rig.driver;
    while (d.step() == vexor::kHasWork) {
        const std::int64_t end = d.wait_end();
        const std::int64_t at = end + (rig.port.total_writes() == late_write ? late : 0);
        if (end >= 0 && at > rig.clock.now()) {
            rig.clock.advance(at - rig.clock.now());
        }
    }
    PacedRun run;
    for (const auto& r : rig.port.records()) {
        run.writes.push_back(r.count);
    }
    run.tally = d.tally();
    return run;
}

}  // namespace

// Thirds of 100 µs; no phase may follow the previous one sooner than 75 µs.
TEST(StepDriverTiming, DeadlinesWinBackLatenessWithoutABurst) {
    struct Case {
        const char* what;
        std::uint64_t late_write;
        std::int64_t late;
        std::vector<std::int64_t> writes;
        std::uint64_t stalls;
    };
    const std::vector<Case> cases = {
        {"on time", 0, 0, {0, 100, 200, 300, 400, 500, 600, 700, 800}, 0},
        {"slightly late: the next phase is on time again",
         4,
         20,
         {0, 100, 200, 300, 420, 500, 600, 700, 800},
         0},
        {"later: won back a quarter of a phase at a time",
         4,
         60,
         {0, 100, 200, 300, 460, 535, 610, 700, 800},
         0},
        {"a whole period late is not yet a stall",
         4,
         300,
         {0, 100, 200, 300, 700, 775, 850, 925, 1000},
         0},
        {"more than a period late: the schedule starts again from there",
         4,
         400,
         {0, 100, 200, 300, 800, 900, 1000, 1100, 1200},
         1},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        const PacedRun run = paced_run(c.late_write, c.late);
        EXPECT_EQ(run.writes, c.writes);
        for (std::size_t i = 1; i < run.writes.size(); ++i) {
            EXPECT_GE(run.writes[i] - run.writes[i - 1], 75) << "write " << i;
        }
        EXPECT_EQ(run.tally.stalls, c.stalls);
        EXPECT_EQ(run.tally.longestStallUs, c.stalls ? c.late : 0);
    }
}

// Over a line the average tick is the period with deadline marks, whatever
// the polling delay (here a counter in nanoseconds that moves 150 ns at
// every reading); with marks taken from the counter every phase adds its
// delay.
TEST(StepDriverTiming, OverALineTheAverageTickIsThePeriod) {
    struct Case {
        const char* line;
        vexor::Pacing pacing;
        std::size_t steps;
        int ticks_per_step;
        double min_us, max_us;  // mean tick, from the first direction byte to the last
    };
    const std::vector<Case> cases = {
        {"P 1000 1 0 0 20\n", vexor::Pacing::deadline, 1000, 1, 19.999, 20.001},
        {"P 1000 1 0 0 10\n", vexor::Pacing::deadline, 1000, 1, 9.999, 10.001},
        {"P 1000 1 0 0 20\n", vexor::Pacing::counter, 1000, 1, 21.0, 22.0},
        // Every other tick makes no step.
        {"P 500 0.5 0 0 20\n", vexor::Pacing::deadline, 500, 2, 19.999, 20.001},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.line);
        SCOPED_TRACE(c.pacing == vexor::Pacing::deadline ? "deadline" : "counter");
        DriverRig rig({}, "average", 1'000'000'000);
        rig.driver.set_pacing(c.pacing);
        rig.driver.set_motors_on(true);
        rig.start(c.line);
        rig.clock.set_auto_advance(150);
        while (rig.driver.step() == vexor::kHasWork) {
        }
        const auto records = rig.port.records();
        ASSERT_EQ(records.size(), 3 * c.steps);
        const double span =
            static_cast<double>(records[records.size() - 3].count - records.front().count);
        const double ticks = static_cast<double>((c.steps - 1) * c.ticks_per_step);
        EXPECT_GE(span / ticks / 1000, c.min_us);
        EXPECT_LE(span / ticks / 1000, c.max_us);
        EXPECT_EQ(rig.driver.tally().stalls, 0u);
    }
}

TEST(StepDriverTiming, ShortAndNegativePeriods) {
    for (int period : {0, 1, 2}) {
        SCOPED_TRACE(period);
        DriverRig rig;
        rig.start("P 1 1 0 0 " + std::to_string(period) + "\n");
        auto& d = rig.driver;
        while (d.state() != State::xRise) {
            d.step();
        }
        d.step();
        EXPECT_EQ(d.state(), State::xRise) << "no time has passed";
        rig.clock.advance(1);
        d.step();
        EXPECT_EQ(d.state(), State::xFall) << "one microsecond ends the wait";
    }
    DriverRig rig;
    rig.start("P 2 1 0 0 -5\n");
    auto& d = rig.driver;
    int calls = 0;
    while (d.step() != 0) {
        ++calls;  // the clock never moves: a negative period never waits
        ASSERT_LT(calls, 100);
    }
    EXPECT_EQ(d.posX(), 2.0f);
}

class StepDriverControl : public testing::TestWithParam<RunnerKind> {};
INSTANTIATE_TEST_SUITE_P(Runners, StepDriverControl, testing::ValuesIn(vexor::test::runner_kinds()),
                         vexor::test::runner_name);

TEST_P(StepDriverControl, PauseFreezesEvenBetweenTheEdges) {
    RunnerRig rig(GetParam());
    rig.command([](vexor::CStepDriver& d) { d.set_motors_on(true); });
    rig.start("P 2 1 0 0 30\n");
    ASSERT_TRUE(rig.hold_at(State::xFall));
    EXPECT_EQ(rig.bytes().back(), 3) << "clock high";
    rig.command([](vexor::CStepDriver& d) { d.toggle_pause(); });
    const auto written = rig.bytes().size();
    rig.command([&](vexor::CStepDriver&) { rig.clock.advance(1'000'000); });
    ASSERT_TRUE(rig.until([](const vexor::DriverSnapshot& s) { return s.paused; }));
    EXPECT_EQ(rig.snapshot().state, State::xFall);
    EXPECT_EQ(rig.bytes().size(), written);
    EXPECT_TRUE(rig.snapshot().running);
    rig.command([](vexor::CStepDriver& d) { d.toggle_pause(); });
    rig.run();
    EXPECT_EQ(rig.bytes(), (std::vector<int>{2, 3, 2, 2, 3, 2}));
    EXPECT_EQ(rig.snapshot().posX, 2.0f);
    EXPECT_EQ(rig.snapshot().tally.stalls, 0u) << "a pause is not a stall";
}

// The stop comes from the test's thread, the stepping thread's commander.
TEST_P(StepDriverControl, StopIsHonouredAtTheNextDecision) {
    RunnerRig rig(GetParam());
    rig.command([](vexor::CStepDriver& d) { d.set_motors_on(true); });
    rig.start("P 5 1 0 0 30\nP 9 1 0 0 30\n");
    ASSERT_TRUE(rig.hold_at(State::xRise));
    rig.command([](vexor::CStepDriver& d) { d.toggle_pause(); });
    rig.command([](vexor::CStepDriver& d) { d.request_stop(); });  // also ends the pause
    EXPECT_FALSE(rig.snapshot().paused);
    rig.run();
    EXPECT_EQ(rig.bytes(), (std::vector<int>{2, 3, 2})) << "the tick in progress completes";
    EXPECT_EQ(rig.snapshot().posX, 1.0f);
    EXPECT_EQ(rig.snapshot().end, vexor::EndReason::stopped);
    bool stop_left = true;
    rig.command([&](vexor::CStepDriver& d) { stop_left = d.stop_requested(); });
    EXPECT_FALSE(stop_left);

    // A stop asked while the file was still being opened is honoured at the
    // first decision; it does not linger to cancel the next move.
    rig.start("P 6 1 0 0 30\n");
    rig.command([](vexor::CStepDriver& d) { d.request_stop(); });
    rig.start("P 3 1 0 0 30\n");
    rig.run();
    EXPECT_EQ(rig.snapshot().posX, 3.0f);
    EXPECT_EQ(rig.snapshot().end, vexor::EndReason::endOfFile);

    // A stop for a port that refuses bytes says so; so does the Z decision.
    rig.start("Z 5 1 30\n");
    ASSERT_TRUE(rig.hold_at(State::zRise));
    rig.command([](vexor::CStepDriver& d) { d.request_stop(vexor::EndReason::portRefused); });
    rig.run();
    EXPECT_EQ(rig.snapshot().posZ, 1.0f);
    EXPECT_EQ(rig.snapshot().end, vexor::EndReason::portRefused);
}

// Moves replaced while the driver runs freely, at whatever state the runner
// has reached: every pulse whose step was counted reaches the wires, and
// every snapshot shows positions that agree with the steps made.
TEST_P(StepDriverControl, MovesReplacedAtAnyMomentLoseNoPulse) {
    RunnerRig rig(GetParam());
    vexor::PulseDecoder wires(MachineSettings{});
    rig.command([&](vexor::CStepDriver& d) {
        rig.port.set_observer([&](const platform::PortRecord& r) { wires.feed(r.port, r.value); });
        d.set_motors_on(true);
        rig.clock.set_auto_advance(1);
    });
    std::mt19937 rng(7);
    // Long enough to be replaced in their middle.
    const char* moves[] = {"P 4000 1 -3000 -0.7 9\n", "P -2000 -0.4 2500 1 9\nZ 600 1 9\n",
                           "Z -800 -1 9\nP 3000 1 3000 1 9\n"};
    for (int i = 0; i < 60; ++i) {
        rig.start(moves[i % 3]);
        for (int n = std::uniform_int_distribution<int>(0, 300)(rng); n > 0; --n) {
            const vexor::DriverSnapshot s = rig.snapshot();
            ASSERT_EQ(s.posX, static_cast<float>(s.tally.netX));
            ASSERT_EQ(s.posY, static_cast<float>(s.tally.netY));
            ASSERT_EQ(s.posZ, static_cast<float>(s.tally.netZ));
            rig.pump_events();
        }
    }
    rig.run();
    const vexor::DriverSnapshot end = rig.snapshot();
    EXPECT_EQ(wires.steps_x(), std::lround(end.posX));
    EXPECT_EQ(wires.steps_y(), std::lround(end.posY));
    EXPECT_EQ(wires.steps_z(), std::lround(end.posZ));
    EXPECT_EQ(wires.direction_races(), 0u);
    EXPECT_GT(rig.port.total_writes(), 0u);
}

// A stepping thread stopped in the middle of a tick, while it sleeps through
// a wait of half an hour, leaves the driver in a state from which another
// thread finishes the move; each command wakes the sleeping thread.
TEST(SteppingThread, AnotherThreadTakesOverWhereTheFirstStopped) {
    RunnerRig rig(RunnerKind::thread);
    vexor::PulseDecoder wires(MachineSettings{});
    rig.command([&](vexor::CStepDriver& d) {
        rig.port.set_observer([&](const platform::PortRecord& r) { wires.feed(r.port, r.value); });
        d.set_motors_on(true);
    });
    rig.start("P 0 0 -200 -1 2000000000\n");
    ASSERT_TRUE(rig.hold_at(State::yFall));
    rig.thread.reset();
    EXPECT_EQ(rig.driver.state(), State::yFall);
    rig.thread = std::make_unique<vexor::CSteppingThread>(rig.driver,
                                                          vexor::CSteppingThread::Priority::normal);
    ASSERT_TRUE(rig.hold_at(State::idle));
    EXPECT_EQ(rig.snapshot().posY, -200.0f);
    EXPECT_EQ(wires.steps_y(), -200);
}

TEST(StepDriverControl, ZeroingMakesTheCurrentPointTheOrigin) {
    MachineSettings s;
    s.StepX = 157.48f;
    DriverRig rig(s);
    rig.start("P 2 0.00635 -3 -1 20\nZ -2 -1 20\n");
    rig.run();
    EXPECT_GE(rig.driver.posX(), 2.0f);
    EXPECT_EQ(rig.driver.posY(), -3.0f);
    EXPECT_EQ(rig.driver.posZ(), -2.0f);
    rig.driver.zero_position();
    EXPECT_EQ(rig.driver.posX(), 0.0f);
    EXPECT_EQ(rig.driver.posY(), 0.0f);
    EXPECT_EQ(rig.driver.posZ(), 0.0f);
    rig.start("P 1 1 1 1 20\n");
    rig.run();
    EXPECT_EQ(rig.driver.posY(), 1.0f);
}

// The accumulator: an advance equal to the step length steps on every tick,
// however long the line and whatever the length's binary form.
TEST(StepDriverAccumulator, AnAdvanceOfOneStepStepsOnEveryTick) {
    for (float steps : {157.48f, 400.0f, 3.0f}) {
        SCOPED_TRACE(steps);
        MachineSettings s;
        s.StepX = s.StepY = steps;
        DriverRig rig(s);
        const float len = 1 / steps;
        // Start away from 0 so that the position has a long binary form.
        rig.start("P 3.3 " + exact(len) + " 0 0 0\nP -20 " + exact(-len) + " 0 0 0\n");
        const auto states = rig.run();
        EXPECT_EQ(count_of(states, State::xyNoStep), 0) << "a tick without a step";
        EXPECT_GE(rig.driver.posX(), -20.0f - len);
        EXPECT_LE(rig.driver.posX(), -20.0f);
    }
}

TEST(StepDriverAccumulator, TheComparisonIsMadeBeforeRounding) {
    DriverRig rig;  // step length 1
    rig.start("P 100 1 0 0 0\n");
    rig.run();
    ASSERT_EQ(rig.driver.posX(), 100.0f);
    // 100 + (1 - 2^-24) rounds to 101 in single precision, but the advance is
    // less than a step: the first tick makes none, the second does.
    const float just_under = std::nextafter(1.0f, 0.0f);
    rig.start("P 102 0.99999994 0 0 0\n");
    auto& d = rig.driver;
    d.step();
    d.step();
    ASSERT_EQ(d.incX(), just_under) << "the advance must survive the file";
    d.step();
    EXPECT_EQ(d.state(), State::xyNoStep);
    EXPECT_EQ(d.posX(), 100.0f);
    const auto states = rig.run();
    EXPECT_EQ(count_of(states, State::xDirection), 2);
    EXPECT_EQ(d.posX(), 102.0f);
}

TEST(StepDriverAccumulator, DiagonalsAndFinishedAxes) {
    DriverRig rig;
    // Half a step on each axis: a diagonal step every other tick until Y is
    // done at 2, then X alone at one full step per tick up to 6.
    rig.start("P 6 0.5 2 0.5 10\n");
    const auto states = rig.run();
    std::vector<State> ticks;
    for (State s : states) {
        if (s == State::xyNoStep || s == State::xDirection || s == State::yDirection ||
            s == State::xyDirection) {
            ticks.push_back(s);
        }
    }
    EXPECT_EQ(ticks, (std::vector<State>{State::xyNoStep, State::xyDirection, State::xyNoStep,
                                         State::xyDirection, State::xDirection, State::xDirection,
                                         State::xDirection, State::xDirection}));
    EXPECT_EQ(rig.driver.incX(), 1.0f);
    EXPECT_EQ(rig.driver.posX(), 6.0f);
    EXPECT_EQ(rig.driver.posY(), 2.0f);

    // X done first, Y going negative: Y continues at minus one step per tick.
    rig.start("P 7 0.5 -2 -0.25 10\n");
    rig.run();
    EXPECT_EQ(rig.driver.incY(), -1.0f);
    EXPECT_EQ(rig.driver.posY(), -2.0f);

    // Lines whose advances are 0 are finished at once; an axis may end up to
    // one step past its target.
    rig.start("P 50 0 50 0 10\nZ 50 0 10\nZ 2.5 1 10\n");
    const auto next = rig.run();
    EXPECT_EQ(count_of(next, State::xyNoStep), 0);
    EXPECT_EQ(count_of(next, State::zNoStep), 0);
    EXPECT_EQ(rig.driver.posX(), 7.0f);
    EXPECT_EQ(rig.driver.posZ(), 3.0f);
}

// 500 mm at 400 steps per mm, one step per tick: adding 0.0025 in single
// precision 200000 times would end about 0.4 mm short; the position made of
// a whole count of steps ends on the target.
TEST(StepDriverAccumulator, LongMovesDoNotDrift) {
    MachineSettings s;
    s.StepX = 400;
    DriverRig rig(s);
    rig.start(vexor::p_line_text(500, 0.0025f, 0, 0, 0) + vexor::p_line_text(0, -0.0025f, 0, 0, 0));
    rig.driver.set_motors_on(true);
    auto& d = rig.driver;
    rig.clock.set_auto_advance(1);
    int x_ticks = 0;
    while (d.step() != 0) {
        if (d.state() == State::xDirection) {
            ++x_ticks;
            if (x_ticks == 200000) {
                EXPECT_EQ(d.posX(), 500.0f);
            }
        }
    }
    EXPECT_EQ(x_ticks, 400000);
    EXPECT_EQ(d.posX(), 0.0f);
}

TEST(StepDriverFile, ExecutionEndsAtTheFirstLineThatIsNotAMove) {
    using vexor::EndReason;
    const struct {
        std::string text;
        float posX;
        EndReason why;       // only the end of the file means every line ran
        std::uint64_t line;  // the bad line's number
    } files[] = {
        {"P 1 1 0 0 5\nQ 4 1 0 0 5\nP 4 1 0 0 5\n", 1.0f, EndReason::badLine, 2},
        {"P 1 1 0 0 5\n\nP 4 1 0 0 5\n", 1.0f, EndReason::badLine, 2},
        {"P 1 1 0 0 5\nP 4 1 0 0\nP 4 1 0 0 5\n", 1.0f, EndReason::badLine, 2},
        // A line longer than the reader's 99 characters: its rest is no move.
        {"P 1 1 0 0 5" + std::string(100, ' ') + "\nP 4 1 0 0 5\n", 1.0f, EndReason::badLine, 1},
        {"P 1 1 0 0 5\r\nP 2 1 0 0 5\r\n", 2.0f, EndReason::endOfFile, 0},
        {"", 0.0f, EndReason::endOfFile, 0},
    };
    for (const auto& f : files) {
        SCOPED_TRACE(f.text);
        DriverRig rig;
        rig.start(f.text);
        EXPECT_EQ(rig.driver.end_reason(), EndReason::none);
        rig.run();
        EXPECT_EQ(rig.driver.posX(), f.posX);
        EXPECT_EQ(rig.driver.state(), State::idle);
        EXPECT_EQ(rig.driver.end_reason(), f.why);
        EXPECT_EQ(rig.driver.end_line(), f.line);
    }
    DriverRig rig;
    rig.driver.start_move_file();  // no file at all
    EXPECT_EQ(rig.driver.step(), vexor::kHasWork);
    EXPECT_EQ(rig.driver.state(), State::idle);
    EXPECT_EQ(rig.driver.end_reason(), EndReason::notOpened);
    rig.driver.start_job_file();
    vexor::test::write_text(rig.dir.path / "coupe.dep", "Z -1 -1 5\n");
    rig.run();
    EXPECT_EQ(rig.driver.posZ(), -1.0f);
    EXPECT_EQ(rig.driver.end_reason(), EndReason::endOfFile);
}

TEST(StepDriverFile, AxesWithoutAUsableStepLengthNeverMove) {
    MachineSettings s;
    s.StepY = 0;  // a stored step value of 0: length 1/0
    DriverRig rig(s);
    rig.start("P 3 1 0 0 5\nP 3 0 5 1 5\nP 9 1 0 0 5\n");
    rig.run();
    EXPECT_EQ(rig.driver.posX(), 3.0f);
    EXPECT_EQ(rig.driver.posY(), 0.0f);
    EXPECT_EQ(rig.driver.state(), State::idle);
    EXPECT_EQ(rig.driver.end_reason(), vexor::EndReason::badLine);
    EXPECT_EQ(rig.driver.end_line(), 2u) << "the line that moves Y";

    s.StepY = -2;  // a negative length would step away from the target forever
    DriverRig negative(s);
    negative.start("P 0 0 5 1 5\n");
    negative.run(1000);
    EXPECT_EQ(negative.driver.state(), State::idle);
    EXPECT_EQ(negative.driver.posY(), 0.0f);
}

TEST(StepDriverFile, ANewMoveReplacesTheRunningOne) {
    DriverRig rig;
    rig.start("P 10 1 0 0 5\n");
    rig.clock.set_auto_advance(1);
    while (rig.driver.posX() < 3.0f) {
        rig.driver.step();
    }
    rig.start("P 0 0 -2 -1 5\n");
    EXPECT_EQ(rig.driver.state(), State::xDirection)
        << "the X tick whose step made 3 completes first";
    rig.run();
    EXPECT_EQ(rig.driver.posX(), 3.0f);
    EXPECT_EQ(rig.driver.posY(), -2.0f);
}

// A move written while a tick is in progress, whatever its phase: the step
// that tick's decision counted still reaches the wires, so the steps on the
// wires stay equal to the position the driver shows.
TEST(StepDriverFile, AReplacedMoveNeverLosesTheStepInProgress) {
    const char* x = "P 9 1 0 0 30\n";
    const char* y = "P 0 0 -9 -1 30\n";
    const char* xy = "P 9 1 9 1 30\n";
    const char* z = "Z -9 -1 30\n";
    const struct {
        State phase;
        const char* first;  // a move that goes through it
    } cases[] = {{State::xDirection, x},   {State::xRise, x},      {State::xFall, x},
                 {State::xHold, x},        {State::yDirection, y}, {State::yRise, y},
                 {State::xyDirection, xy}, {State::xyRise, xy},    {State::xyHold, xy},
                 {State::zDirection, z},   {State::zRise, z},      {State::zHold, z}};
    for (const auto& [phase, first] : cases) {
        SCOPED_TRACE(static_cast<int>(phase));
        DriverRig rig;
        vexor::PulseDecoder wires(MachineSettings{});
        rig.port.set_observer([&](const platform::PortRecord& r) { wires.feed(r.port, r.value); });
        rig.driver.set_motors_on(true);
        rig.start(first);
        rig.clock.set_auto_advance(1);
        for (int i = 0; i < 10000 && rig.driver.state() != phase; ++i) {
            rig.driver.step();
        }
        ASSERT_EQ(rig.driver.state(), phase);
        rig.start("P 2 1 3 1 30\nZ 1 1 30\n");
        rig.run();
        EXPECT_EQ(rig.driver.state(), State::idle);
        EXPECT_EQ(wires.steps_x(), std::lround(rig.driver.posX()));
        EXPECT_EQ(wires.steps_y(), std::lround(rig.driver.posY()));
        EXPECT_EQ(wires.steps_z(), std::lround(rig.driver.posZ()));
        EXPECT_EQ(rig.driver.posX(), 2.0f);
        EXPECT_EQ(rig.driver.posY(), 3.0f);
        EXPECT_EQ(rig.driver.posZ(), 1.0f);
    }
}

TEST(StepDriverSettings, ChangingTheStepLengthKeepsThePosition) {
    MachineSettings s;
    s.StepX = 3;
    DriverRig rig(s);
    rig.start("P 1 0.33333334 0 0 5\n");
    rig.run();
    const float before = rig.driver.posX();
    EXPECT_NEAR(before, 1.0f, 1e-6);
    s.StepX = 10;
    rig.driver.set_step_lengths(s);
    EXPECT_EQ(rig.driver.posX(), before);
    EXPECT_EQ(rig.driver.stepLenX(), 0.1f);
    rig.start(vexor::p_line_text(2, 0.1f, 0, 0, 5));
    rig.run();
    EXPECT_NEAR(rig.driver.posX(), 2.0f, 1e-5);
}

// Every axis asked, and only those, takes its current point as origin; the
// next move goes from there in whole steps.
TEST(StepDriverControl, ZeroingOneAxisLeavesTheOthers) {
    const struct {
        bool x, y, z;
        float posX, posY, posZ;     // just after zeroing, from (2, -3, -2)
        float nextX, nextY, nextZ;  // after one step up on every axis
    } rows[] = {
        {true, false, false, 0, -3, -2, 1, -2, -1},
        {false, true, false, 2, 0, -2, 3, 1, -1},
        {false, false, true, 2, -3, 0, 3, -2, 1},
        {true, true, true, 0, 0, 0, 1, 1, 1},
    };
    for (const auto& r : rows) {
        SCOPED_TRACE(testing::Message() << r.x << r.y << r.z);
        DriverRig rig;
        rig.start("P 2 1 -3 -1 20\nZ -2 -1 20\n");
        rig.run();
        rig.driver.zero_axes(r.x, r.y, r.z);
        EXPECT_EQ(rig.driver.posX(), r.posX);
        EXPECT_EQ(rig.driver.posY(), r.posY);
        EXPECT_EQ(rig.driver.posZ(), r.posZ);
        rig.start("P " + exact(r.posX + 1) + " 1 " + exact(r.posY + 1) + " 1 20\nZ " +
                  exact(r.posZ + 1) + " 1 20\n");
        rig.run();
        EXPECT_EQ(rig.driver.posX(), r.nextX);
        EXPECT_EQ(rig.driver.posY(), r.nextY);
        EXPECT_EQ(rig.driver.posZ(), r.nextZ);
        EXPECT_EQ(rig.driver.tally().netX, 3) << "zeroing makes no step";
    }
}

// One long cutting line of 3000 X steps written at 1000 µs a tick, its travel
// floor 600 µs, while the override changes 50 times at random moments, some
// in the middle of a tick, some out of range. Every tick lasts the period of
// the override in force when its decision was taken, so the tick after a
// change already has the new period; and the wires get exactly the line's
// steps.
TEST(StepDriverOverride, FiftyChangesDuringOneCuttingLineLoseNoPulse) {
    DriverRig rig;
    vexor::PulseDecoder wires(MachineSettings{});
    rig.port.set_observer([&](const platform::PortRecord& r) { wires.feed(r.port, r.value); });
    auto& d = rig.driver;
    d.set_motors_on(true);
    vexor::test::write_text(rig.dir.path / "coupe.dep", "P 3000 1 0 0 1000\n");
    d.set_job_lines({{.cutting = true, .floorUs = 600, .ticks = 3000, .periodUs = 1000}});
    d.start_job_file();
    std::mt19937 rng(11);
    int in_force = 100;
    int changes = 0;
    std::vector<std::int64_t> asked;  // per tick, from the override at its decision
    while (d.step() == vexor::kHasWork) {
        if (d.state() == State::xDirection) {
            asked.push_back(std::max<std::int64_t>(100'000 / in_force, 600));
            EXPECT_EQ(d.periodUs(), asked.back());
        }
        if (changes < 50 && asked.size() > 10 &&
            std::uniform_int_distribution<int>(0, 150)(rng) == 0) {
            const int percent = std::uniform_int_distribution<int>(0, 260)(rng);
            d.set_feed_override(percent);
            in_force = std::clamp(percent, 10, 200);
            ASSERT_EQ(d.feed_override(), in_force);
            ++changes;
        }
        const std::int64_t end = d.wait_end();
        if (end > rig.clock.now()) {
            rig.clock.advance(end - rig.clock.now());
        }
    }
    ASSERT_EQ(changes, 50);
    EXPECT_EQ(wires.pulses_x(), 3000u);
    EXPECT_EQ(wires.steps_x(), 3000);
    EXPECT_EQ(d.posX(), 3000.0f);
    EXPECT_EQ(wires.direction_races(), 0u);
    // Each tick, from its direction byte to the next one's.
    const auto records = rig.port.records();
    ASSERT_EQ(records.size(), 3 * asked.size());
    ASSERT_EQ(asked.size(), 3000u);
    std::vector<std::int64_t> lasted;
    for (std::size_t k = 0; k + 1 < asked.size(); ++k) {
        lasted.push_back(records[3 * (k + 1)].count - records[3 * k].count);
    }
    asked.pop_back();
    EXPECT_EQ(lasted, asked);
    EXPECT_EQ(d.tally().stalls, 0u);
    EXPECT_EQ(d.feed_override(), 100) << "back to 100 % once the job has ended";
}
