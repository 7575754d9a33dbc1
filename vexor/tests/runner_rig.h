#pragma once
// The driver rig run by one of the two runners: the idle pump, driven by the
// Qt event loop of the test's thread, or the stepping thread. A build without
// Qt (VEXOR_TEST_IDLE_PUMP undefined) has the stepping thread only. The clock only
// moves inside the runner, when the driver reads it (auto-advance) or
// through a command, so a run gives the same bytes and positions whatever
// the timing of the threads.

#include <gtest/gtest.h>

#include <chrono>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "driver_rig.h"
#include "stepping_thread.h"
#ifdef VEXOR_TEST_IDLE_PUMP
#include <QCoreApplication>

#include "idle_pump.h"
#endif

namespace vexor::test {

enum class RunnerKind { pump, thread };

inline std::string runner_name(const testing::TestParamInfo<RunnerKind>& info) {
    return info.param == RunnerKind::pump ? "Pump" : "Thread";
}

// The runners of this build, for testing::ValuesIn.
inline std::vector<RunnerKind> runner_kinds() {
#ifdef VEXOR_TEST_IDLE_PUMP
    return {RunnerKind::pump, RunnerKind::thread};
#else
    return {RunnerKind::thread};
#endif
}

struct RunnerRig : DriverRig {
#ifdef VEXOR_TEST_IDLE_PUMP
    std::unique_ptr<IdlePump> pump;
#endif
    std::unique_ptr<CSteppingThread> thread;

    explicit RunnerRig(RunnerKind kind, const MachineSettings& settings = {},
                       const std::string& tag = "runner")
        : DriverRig(settings, tag) {
#ifdef VEXOR_TEST_IDLE_PUMP
        if (kind == RunnerKind::pump) {
            static int argc = 1;
            static char name[] = "vexor_tests";
            static char* argv[] = {name, nullptr};
            static QCoreApplication app(argc, argv);  // the pump's event loop
            pump = std::make_unique<IdlePump>(driver);
            return;
        }
#endif
        EXPECT_EQ(kind, RunnerKind::thread) << "no idle pump in this build";
        thread = std::make_unique<CSteppingThread>(driver, CSteppingThread::Priority::normal);
    }
    ~RunnerRig() {
        thread.reset();  // before the driver goes
    }

    DriverRunner& runner() const {
#ifdef VEXOR_TEST_IDLE_PUMP
        if (pump) {
            return *pump;
        }
#endif
        return *thread;
    }
    void command(const std::function<void(CStepDriver&)>& command) {
        runner().command(command);
    }
    DriverSnapshot snapshot() const {
        return runner().snapshot();
    }

    // Lets the runner work until `done` holds; false after a generous limit.
    bool until(const std::function<bool(const DriverSnapshot&)>& done) {
        const auto limit = std::chrono::seconds(20);
        if (thread) {
            return thread->wait_for(done,
                                    std::chrono::duration_cast<std::chrono::milliseconds>(limit));
        }
        const auto end = std::chrono::steady_clock::now() + limit;
        while (!done(snapshot()) && std::chrono::steady_clock::now() < end) {
            pump_events();
        }
        return done(snapshot());
    }

    // One pass of the idle pump's event loop; nothing under the thread.
    void pump_events() {
#ifdef VEXOR_TEST_IDLE_PUMP
        if (pump) {
            QCoreApplication::processEvents();
        }
#endif
    }

    // Writes "dep.dep" and starts it.
    void start(const std::string& text) {
        write_text(dir.path / "dep.dep", text);
        command([](CStepDriver& d) { d.start_move_file(); });
    }

    // Runs until the driver is idle, time moving one microsecond per reading.
    void run() {
        command([this](CStepDriver&) { clock.set_auto_advance(1); });
        EXPECT_TRUE(until([](const DriverSnapshot& s) { return !s.running; }));
        command([this](CStepDriver&) { clock.set_auto_advance(0); });
    }

    // With the clock still, runs until the driver waits in `state` (a state
    // that waits on the counter, or idle), moving time to the end of each
    // wait it meets on the way.
    bool hold_at(DriverState state) {
        std::optional<DriverState> from;
        std::int64_t tick = -1;  // the tick the driver waited in, to see it move on
        for (int i = 0; i < 100000; ++i) {
            const bool settled = until([&](const DriverSnapshot& s) {
                return (s.state != from || s.tally.tickTimeUs != tick) &&
                       (is_waiting(s.state) || !s.running);
            });
            if (!settled) {
                return false;
            }
            bool there = false;
            bool running = false;
            command([&](CStepDriver& d) {
                there = d.state() == state;
                running = d.running();
                from = d.state();
                tick = d.tally().tickTimeUs;
                if (!there && d.wait_end() > clock.now()) {
                    clock.advance(d.wait_end() - clock.now());
                }
            });
            if (there || !running) {
                return there;
            }
        }
        return false;
    }

    std::vector<int> bytes() {
        std::vector<int> out;
        command([&](CStepDriver&) { out = DriverRig::bytes(); });
        return out;
    }
};

}  // namespace vexor::test
