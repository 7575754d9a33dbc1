#include "pulse_decoder.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <numeric>
#include <random>

#include "driver_rig.h"
#include "runner_rig.h"

using vexor::MachineSettings;
using vexor::PulseDecoder;

TEST(PulseDecoder, CountsRisingEdgesInTheWiredDirection) {
    MachineSettings s;
    s.PinYInv = 1;
    PulseDecoder d(s);
    // X: direction high then clock up (+1); clock up again without falling: nothing.
    d.feed(0x378, 2);
    d.feed(0x378, 3);
    d.feed(0x378, 3);
    d.feed(0x378, 2);
    // Y inverted: direction high means negative.
    d.feed(0x378, 8);
    d.feed(0x378, 12);
    d.feed(0x378, 0);
    // Y again, direction raised in the same byte as the clock: a race.
    d.feed(0x378, 12);
    d.feed(0x278, 0);  // another port
    EXPECT_EQ(d.steps_x(), 1);
    EXPECT_EQ(d.steps_y(), -2);
    EXPECT_EQ(d.steps_z(), 0);
    EXPECT_EQ(d.direction_races(), 1u);
    EXPECT_EQ(d.foreign_writes(), 1u);
}

namespace {

// A move file of random P and Z lines, each heading for its target with
// advances of a fifth to twice a step, sometimes with an axis at rest.
std::string random_moves(std::mt19937& rng, const MachineSettings& s, int lines) {
    std::uniform_real_distribution<float> where(-4.0f, 4.0f);
    std::uniform_real_distribution<float> pace(0.2f, 2.0f);
    std::uniform_int_distribution<int> pick(0, 5);
    float x = 0, y = 0, z = 0;
    std::string text;
    auto inc_towards = [&](float from, float to, float len) {
        return (to >= from ? 1 : -1) * pace(rng) * len;
    };
    for (int i = 0; i < lines; ++i) {
        const int kind = pick(rng);
        if (kind == 0) {
            const float tz = where(rng);
            text += vexor::z_line_text(tz, inc_towards(z, tz, 1 / s.StepZ), 3);
            z = tz;
        } else {
            const float tx = where(rng), ty = where(rng);
            const float ix = kind == 1 ? 0 : inc_towards(x, tx, 1 / s.StepX);
            const float iy = kind == 2 ? 0 : inc_towards(y, ty, 1 / s.StepY);
            text += vexor::p_line_text(tx, ix, ty, iy, 3);
            x = ix == 0 ? x : tx;
            y = iy == 0 ? y : ty;
        }
    }
    return text;
}

}  // namespace

class PulseDecoderRunners : public testing::TestWithParam<vexor::test::RunnerKind> {};
INSTANTIATE_TEST_SUITE_P(Runners, PulseDecoderRunners,
                         testing::ValuesIn(vexor::test::runner_kinds()), vexor::test::runner_name);

// The steps on the wires are the steps the driver counts, for any wiring,
// inversion and port, whatever the lines.
TEST_P(PulseDecoderRunners, TheWiresAgreeWithTheDriverForEveryWiring) {
    std::mt19937 rng(20240611);
    std::vector<std::array<int, 6>> pinouts = {{2, 3, 4, 5, 6, 7}, {9, 8, 7, 6, 5, 4}};
    std::array<int, 8> pins;
    std::iota(pins.begin(), pins.end(), 2);
    for (int i = 0; i < 6; ++i) {
        std::shuffle(pins.begin(), pins.end(), rng);
        pinouts.push_back({pins[0], pins[1], pins[2], pins[3], pins[4], pins[5]});
    }
    const float resolutions[] = {1.0f, 3.0f, 20.0f, 57.3f};
    int run = 0;
    for (const auto& p : pinouts) {
        for (int inversions = 0; inversions < 8; ++inversions) {
            for (int lpt = 1; lpt <= 2; ++lpt, ++run) {
                MachineSettings s;
                s.PinXClk = p[0], s.PinXDir = p[1], s.PinYClk = p[2];
                s.PinYDir = p[3], s.PinZClk = p[4], s.PinZDir = p[5];
                s.PinXInv = inversions & 1, s.PinYInv = (inversions >> 1) & 1;
                s.PinZInv = (inversions >> 2) & 1;
                s.Lpt = lpt;
                s.StepX = resolutions[run % 4];
                s.StepY = resolutions[(run + 1) % 4];
                s.StepZ = resolutions[(run + 2) % 4];
                SCOPED_TRACE(testing::Message()
                             << "run " << run << " pins " << p[0] << p[1] << p[2] << p[3] << p[4]
                             << p[5] << " inv " << inversions << " LPT" << lpt);
                vexor::test::RunnerRig rig(GetParam(), s, "decoder");
                PulseDecoder decoder(s);
                rig.command([&](vexor::CStepDriver& d) {
                    rig.port.set_observer(
                        [&](const platform::PortRecord& r) { decoder.feed(r.port, r.value); });
                    d.set_motors_on(true);
                });
                rig.start(random_moves(rng, s, 12));
                rig.run();
                const vexor::DriverSnapshot end = rig.snapshot();
                ASSERT_EQ(end.state, vexor::DriverState::idle);
                EXPECT_EQ(decoder.steps_x(), std::lround(end.posX / rig.driver.stepLenX()));
                EXPECT_EQ(decoder.steps_y(), std::lround(end.posY / rig.driver.stepLenY()));
                EXPECT_EQ(decoder.steps_z(), std::lround(end.posZ / rig.driver.stepLenZ()));
                EXPECT_EQ(decoder.direction_races(), 0u);
                EXPECT_EQ(decoder.foreign_writes(), 0u);
                EXPECT_GT(rig.port.total_writes(), 0u);
            }
        }
    }
}
