#include "move_commands.h"

#include <gtest/gtest.h>

#include <clocale>
#include <cmath>
#include <filesystem>

#include "driver_rig.h"
#include "vexor_doc.h"

using vexor::CVexorDoc;
using vexor::Jog;
using vexor::test::read_text;

namespace {

// A document on a simulated port whose move files go to a private folder.
struct DocRig {
    vexor::test::TempDir dir{"doc"};
    platform::MemorySettingsStore store;
    platform::ManualCounter clock{1'000'000};
    platform::SimulatedPort port{clock};
    CVexorDoc doc{store, port, clock};

    DocRig() { doc.driver().set_move_folder(dir.path.string()); }

    std::string move_file() const { return read_text(dir.path / "dep.dep"); }

    void run() {
        clock.set_auto_advance(1000);
        while (doc.driver().step() != 0) {
        }
    }
};

}  // namespace

TEST(JogCommands, WriteOneLineFromThePosition) {
    DocRig rig;
    const std::string previous = std::setlocale(LC_ALL, nullptr);
    std::setlocale(LC_ALL, "fr_FR.UTF-8");  // the files must not follow the locale
    rig.doc.set_steps(200.5f, 157.48f, 400.0f);
    std::string error;
    const struct {
        Jog jog;
        float distance;
        const char* text;
    } jogs[] = {
        {Jog::XPlus, 10, "P 10.000000 0.004988 0.000000 0.000000 997\n"},
        {Jog::XMinus, 2.5f, "P -2.500000 -0.004988 0.000000 0.000000 997\n"},
        {Jog::YPlus, 10, "P 0.000000 0.000000 10.000000 0.006350 1270\n"},
        {Jog::YMinus, 10, "P 0.000000 0.000000 -10.000000 -0.006350 1270\n"},
        {Jog::ZPlus, 2, "Z 2.000000 0.002500 1250\n"},
        {Jog::ZMinus, 2, "Z -2.000000 -0.002500 1250\n"},
    };
    for (const auto& j : jogs) {
        ASSERT_TRUE(rig.doc.jog(j.jog, j.distance, error)) << error;
        EXPECT_EQ(rig.move_file(), j.text);
        EXPECT_EQ(rig.doc.driver().state(), vexor::DriverState::openMoveFile);
    }
    std::setlocale(LC_ALL, previous.c_str());

    // From where the last jog left the tool.
    rig.run();
    EXPECT_EQ(rig.doc.driver().posZ(), -2.0f);
    ASSERT_TRUE(rig.doc.jog(Jog::ZPlus, 0.5f, error));
    EXPECT_EQ(rig.move_file(), "Z -1.500000 0.002500 1250\n");
}

TEST(JogCommands, TheOriginReturnsXThenY) {
    DocRig rig;
    std::string error;
    ASSERT_TRUE(rig.doc.jog(Jog::XMinus, 10, error));
    rig.run();
    ASSERT_TRUE(rig.doc.jog(Jog::YPlus, 25, error));
    rig.run();
    ASSERT_TRUE(rig.doc.go_to_origin(error)) << error;
    EXPECT_EQ(rig.move_file(),
              "P 0.000000 1.000000 25.000000 0.000000 200000\n"
              "P 0.000000 0.000000 0.000000 -1.000000 200000\n");
    rig.run();
    EXPECT_EQ(rig.doc.driver().posX(), 0.0f);
    EXPECT_EQ(rig.doc.driver().posY(), 0.0f);

    // From (0, 0) both advances are negative; Z never moves.
    ASSERT_TRUE(rig.doc.jog(Jog::ZPlus, 3, error));
    rig.run();
    ASSERT_TRUE(rig.doc.go_to_origin(error));
    EXPECT_EQ(rig.move_file(),
              "P 0.000000 -1.000000 0.000000 0.000000 200000\n"
              "P 0.000000 0.000000 0.000000 -1.000000 200000\n");
    rig.run();
    EXPECT_EQ(rig.doc.driver().posZ(), 3.0f);

    // With the motors off the position changes exactly as with them on.
    rig.doc.driver().set_motors_on(false);
    ASSERT_TRUE(rig.doc.jog(Jog::XPlus, 4, error));
    rig.run();
    EXPECT_EQ(rig.doc.driver().posX(), 4.0f);
}

TEST(JogCommands, MovesWithoutASensiblePeriodAreRefused) {
    DocRig rig;
    std::string error;
    rig.doc.set_steps(0, 1, -1);
    EXPECT_FALSE(rig.doc.jog(Jog::XPlus, 10, error));
    EXPECT_NE(error.find("pas par mm de l'axe X"), std::string::npos) << error;
    EXPECT_FALSE(rig.doc.go_to_origin(error));
    EXPECT_FALSE(rig.doc.jog(Jog::ZMinus, 1, error));
    EXPECT_NE(error.find("l'axe Z"), std::string::npos) << error;
    EXPECT_FALSE(std::filesystem::exists(rig.dir.path / "dep.dep")) << "nothing written";
    EXPECT_EQ(rig.doc.driver().state(), vexor::DriverState::idle) << "nothing moves";
    EXPECT_TRUE(rig.doc.jog(Jog::YPlus, 1, error)) << "the Y axis is fine";

    rig.doc.set_steps(1, 1, 1);
    rig.doc.set_speeds(0, 2, 2, 1);
    rig.run();
    std::filesystem::remove(rig.dir.path / "dep.dep");
    EXPECT_FALSE(rig.doc.jog(Jog::YMinus, 10, error));
    EXPECT_NE(error.find("vitesse de déplacement XY est nulle"), std::string::npos) << error;
    EXPECT_FALSE(rig.doc.go_to_origin(error));
    EXPECT_TRUE(rig.doc.jog(Jog::ZPlus, 1, error)) << "Z has its own speed";

    rig.doc.set_speeds(0.0001f, -1, 2, 1);
    EXPECT_FALSE(rig.doc.jog(Jog::XPlus, 10, error));
    EXPECT_NE(error.find("trop faible"), std::string::npos) << error;
    EXPECT_FALSE(rig.doc.jog(Jog::ZPlus, 10, error)) << "a negative speed is refused as well";
    EXPECT_FALSE(rig.doc.jog(Jog::ZPlus, NAN, error));
    EXPECT_EQ(std::string(vexor::kErrorCaption), "Erreur");
}

TEST(JogCommands, JogsStayWithinTheTravelFromTheOrigin) {
    vexor::MachineSettings s;
    s.StepX = s.StepY = s.StepZ = 100;
    platform::ManualCounter clock;
    platform::SimulatedPort port(clock);
    vexor::CStepDriver driver(port, clock);
    driver.set_step_lengths(s);
    struct Case {
        Jog jog;
        float distance;
        const char* refusal;  // nullptr: the jog is written
    };
    const Case cases[] = {
        {Jog::XPlus, 1000, nullptr},    {Jog::XMinus, 1000, nullptr},
        {Jog::XPlus, 1000.5f, "axe X"}, {Jog::YMinus, 1e9f, "axe Y"},
        {Jog::ZPlus, 150, nullptr},     {Jog::ZMinus, 151, "axe Z (150 mm"},
    };
    for (const Case& c : cases) {
        std::string text = "avant";
        std::string error;
        EXPECT_EQ(vexor::jog_text(c.jog, c.distance, s, driver, text, error), c.refusal == nullptr)
            << c.distance;
        if (c.refusal != nullptr) {
            EXPECT_NE(error.find(std::string("hors de la course de l'") + c.refusal),
                      std::string::npos)
                << error;
            EXPECT_EQ(text, "avant");
        }
    }
}

TEST(JogCommands, AFileThatCannotBeWrittenLeavesTheRunningMove) {
    DocRig rig;
    std::string error;
    ASSERT_TRUE(rig.doc.jog(Jog::XPlus, 5, error));
    auto& d = rig.doc.driver();
    rig.clock.set_auto_advance(1000);
    while (d.posX() < 2.0f) {
        d.step();
    }
    const vexor::DriverState state = d.state();
    d.set_move_folder((rig.dir.path / "absent").string());
    EXPECT_FALSE(rig.doc.jog(Jog::YPlus, 5, error));
    EXPECT_NE(error.find("dep.dep"), std::string::npos) << error;
    EXPECT_EQ(d.state(), state);
    while (d.step() != 0) {
    }
    EXPECT_EQ(d.posX(), 5.0f) << "the first jog went on to its end";
    EXPECT_EQ(d.posY(), 0.0f);
}
