#include "idle_pump.h"

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QElapsedTimer>

#include "driver_rig.h"

using vexor::IdlePump;
using vexor::test::DriverRig;

namespace {

// Lets the event loop run until `done` or a generous time limit.
template <typename Done>
bool spin_until(Done done, int limit_ms = 5000) {
    QElapsedTimer t;
    t.start();
    while (!done() && t.elapsed() < limit_ms) {
        QCoreApplication::processEvents();
    }
    return done();
}

}  // namespace

TEST(IdlePump, RunsOneStatePerCallAndStopsWhenIdle) {
    DriverRig rig;
    rig.clock.set_auto_advance(1000);
    IdlePump pump(rig.driver);
    int stops = 0;
    QObject::connect(&pump, &IdlePump::stopped, [&] { ++stops; });
    EXPECT_FALSE(pump.active());

    rig.start("P 3 1 0 0 50\n");
    pump.start();
    EXPECT_TRUE(pump.active());
    ASSERT_TRUE(spin_until([&] { return !pump.active(); }));
    EXPECT_EQ(rig.driver.state(), vexor::DriverState::idle);
    EXPECT_EQ(rig.driver.posX(), 3.0f);
    EXPECT_EQ(stops, 1);
    // 11 and 3, three ticks of a decision and four phases whose waits are over
    // at their first poll, the decision that ends the line, 3, 4, and the call
    // that finds the driver idle.
    EXPECT_EQ(pump.calls(), 2 + 3 * 5 + 1 + 2 + 1);

    const auto calls = pump.calls();
    for (int i = 0; i < 20; ++i) {
        QCoreApplication::processEvents();
    }
    EXPECT_EQ(pump.calls(), calls) << "an idle driver is not polled";
}

TEST(IdlePump, APausedDriverStopsThePumpUntilStartedAgain) {
    DriverRig rig;
    rig.clock.set_auto_advance(1000);
    IdlePump pump(rig.driver);
    rig.start("P 100000 1 0 0 50\n");
    pump.start();
    ASSERT_TRUE(spin_until([&] { return rig.driver.posX() >= 2.0f; }));
    rig.driver.toggle_pause();
    ASSERT_TRUE(spin_until([&] { return !pump.active(); }));
    const float where = rig.driver.posX();
    for (int i = 0; i < 20; ++i) {
        QCoreApplication::processEvents();
    }
    EXPECT_EQ(rig.driver.posX(), where);
    EXPECT_TRUE(rig.driver.running());

    rig.driver.toggle_pause();
    pump.start();
    ASSERT_TRUE(spin_until([&] { return rig.driver.posX() >= where + 2; }));
    rig.driver.request_stop();
    ASSERT_TRUE(spin_until([&] { return !pump.active(); }));
    EXPECT_EQ(rig.driver.state(), vexor::DriverState::idle);
}
