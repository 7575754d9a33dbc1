#include "machine_settings.h"

#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

#include "port_output.h"
#include "vexor_doc.h"

using vexor::MachineSettings;

namespace {

// Remembers the order of the reads and writes.
class RecordingStore : public platform::MemorySettingsStore {
  public:
    int read_int(const std::string& section, const std::string& key,
                 int default_value) const override {
        reads.push_back(section + "/" + key);
        return MemorySettingsStore::read_int(section, key, default_value);
    }
    bool write_int(const std::string& section, const std::string& key, int value) override {
        writes.push_back(section + "/" + key);
        return MemorySettingsStore::write_int(section, key, value);
    }
    mutable std::vector<std::string> reads;
    std::vector<std::string> writes;
};

}  // namespace

TEST(MachineSettings, AnEmptyStoreGivesTheDefaults) {
    platform::MemorySettingsStore store;
    const MachineSettings s = vexor::load_machine_settings(store);
    EXPECT_EQ(s.StepX, 1.0f);
    EXPECT_EQ(s.StepY, 1.0f);
    EXPECT_EQ(s.StepZ, 1.0f);
    EXPECT_EQ(s.travelSpeedXY, 5.0f);
    EXPECT_EQ(s.travelSpeedZ, 2.0f);
    EXPECT_EQ(s.cutSpeedXY, 2.0f);
    EXPECT_EQ(s.cutSpeedZ, 1.0f);
    EXPECT_EQ(s.ZBas, -2.0f);
    EXPECT_EQ(s.travelX, 1000.0f);
    EXPECT_EQ(s.travelY, 1000.0f);
    EXPECT_EQ(s.travelZ, 150.0f);
    EXPECT_EQ(s.PinXClk, 2);
    EXPECT_EQ(s.PinXDir, 3);
    EXPECT_EQ(s.PinYClk, 4);
    EXPECT_EQ(s.PinYDir, 5);
    EXPECT_EQ(s.PinZClk, 6);
    EXPECT_EQ(s.PinZDir, 7);
    EXPECT_EQ(s.PinXInv + s.PinYInv + s.PinZInv, 0);
    const auto w = vexor::derive_wiring(s);
    EXPECT_EQ(w.portBase, 0x378);
    EXPECT_EQ(w.clkX, 1);
    EXPECT_EQ(w.clkY, 4);
    EXPECT_EQ(w.clkZ, 16);
    EXPECT_EQ(w.dirPosX, 2);
    EXPECT_EQ(w.dirPosY, 8);
    EXPECT_EQ(w.dirPosZ, 32);
    EXPECT_EQ(w.dirNegX + w.dirNegY + w.dirNegZ, 0);
}

TEST(MachineSettings, StoredFormsMultiplyInSinglePrecisionAndTruncate) {
    EXPECT_EQ(vexor::stored_steps(200.5f), 20050000);
    EXPECT_EQ(vexor::steps_from_stored(20050000), 200.5f);
    EXPECT_EQ(vexor::stored_steps(157.48f), 15748000);  // a double product gives 15747999
    EXPECT_EQ(vexor::steps_from_stored(100000), 1.0f);
    EXPECT_EQ(vexor::steps_from_stored(30000), std::nextafter(0.3f, 0.0f));  // 0.29999998
    EXPECT_EQ(vexor::stored_depth(-1.5f), -15);
    EXPECT_EQ(vexor::stored_depth(-0.7f), -7);  // a double product gives -6
    EXPECT_EQ(vexor::depth_from_stored(-7), -0.7f);
    EXPECT_EQ(vexor::stored_speed(2.5f), 2);
    EXPECT_EQ(vexor::stored_speed(-2.5f), -2);
    // A value beyond the int range is kept at its end rather than wrapping.
    EXPECT_EQ(vexor::stored_steps(1e6f), 2147483520);
    EXPECT_EQ(vexor::stored_steps(-1e6f), -2147483647 - 1);
    EXPECT_EQ(vexor::stored_steps(NAN), 0);
}

TEST(MachineSettings, StoredValuesDoNotCreepFromExitToExit) {
    platform::MemorySettingsStore store;
    platform::ManualCounter clock;
    platform::SimulatedPort port(clock);
    store.write_int("Machine", "StepZ", 30000);
    store.write_int("Machine", "StepX", 15748000);
    store.write_int("Descente", "ZBas", -7);
    store.write_int("Machine", "CourseY", 123457);
    for (int session = 0; session < 3; ++session) {
        vexor::CVexorDoc doc(store, port, clock);
        EXPECT_EQ(doc.settings().travelY, 1234.57f);
    }
    EXPECT_EQ(store.read_int("Machine", "CourseY", 0), 123457);
    EXPECT_EQ(store.read_int("Machine", "CourseZ", 0), 15000);
    EXPECT_EQ(store.read_int("Machine", "StepZ", 0), 30000);
    EXPECT_EQ(store.read_int("Machine", "StepX", 0), 15748000);
    EXPECT_EQ(store.read_int("Descente", "ZBas", 0), -7);
    for (int stored = 1; stored < 2000000; stored += 997) {
        EXPECT_EQ(vexor::stored_steps(vexor::steps_from_stored(stored)), stored) << stored;
    }
}

TEST(MachineSettings, TheDocumentSavesOnExitAndReadsBackTheSame) {
    platform::MemorySettingsStore store;
    platform::ManualCounter clock;
    platform::SimulatedPort port(clock);
    {
        vexor::CVexorDoc doc(store, port, clock);
        doc.set_steps(200.5f, 157.48f, 0.3f);
        doc.set_descent(-1.5f);
        doc.set_speeds(12.9f, 3.5f, 4.0f, 0.5f);
        vexor::PortSettings pins;
        pins.PinXClk = 9;
        pins.PinYInv = 1;
        pins.Lpt = 2;
        doc.set_port(pins);
        EXPECT_EQ(doc.driver().stepLenX(), 1 / 200.5f) << "the dialog takes effect at once";
        EXPECT_EQ(doc.driver().wiring().portBase, 0x278);
        EXPECT_EQ(store.contains("Machine", "StepX"), false) << "stored only on exit";
    }
    EXPECT_EQ(store.read_int("Machine", "StepX", 0), 20050000);
    EXPECT_EQ(store.read_int("Machine", "StepY", 0), 15748000);
    EXPECT_EQ(store.read_int("Machine", "StepZ", 0), 30000);
    EXPECT_EQ(store.read_int("Descente", "ZBas", 0), -15);
    EXPECT_EQ(store.read_int("Deplacement", "SpeedXY", 0), 12);
    EXPECT_EQ(store.read_int("Deplacement", "SpeedZ", 0), 3);
    EXPECT_EQ(store.read_int("Decoupe", "SpeedXY", 0), 4);
    EXPECT_EQ(store.read_int("Decoupe", "SpeedZ", 9), 0);
    vexor::CVexorDoc again(store, port, clock);
    const auto& s = again.settings();
    EXPECT_EQ(s.StepX, 200.5f);
    EXPECT_EQ(s.StepZ, std::nextafter(0.3f, 0.0f));
    EXPECT_EQ(s.ZBas, -1.5f);
    EXPECT_EQ(s.travelSpeedXY, 12.0f);
    EXPECT_EQ(s.PinXClk, 9);
    EXPECT_EQ(s.PinYInv, 1);
    EXPECT_EQ(again.driver().wiring().clkX, 128);
    EXPECT_EQ(again.driver().wiring().dirNegY, 8);
    EXPECT_EQ(again.driver().wiring().dirPosY, 0);
    EXPECT_EQ(again.driver().stepLenY(), 1 / s.StepY);
}

TEST(MachineSettings, ReadAndWrittenInTheirOrder) {
    RecordingStore store;
    vexor::save_machine_settings(vexor::load_machine_settings(store), store);
    const std::vector<std::string> port = {
        "Port/PinXClk", "Port/PinXDir", "Port/PinXInv", "Port/PinYClk", "Port/PinYDir",
        "Port/PinYInv", "Port/PinZClk", "Port/PinZDir", "Port/PinZInv", "Port/Lpt"};
    const std::vector<std::string> travels = {"Machine/CourseX", "Machine/CourseY",
                                              "Machine/CourseZ"};
    std::vector<std::string> reads = {"Deplacement/SpeedZ", "Deplacement/SpeedXY", "Decoupe/SpeedZ",
                                      "Decoupe/SpeedXY",    "Machine/StepX",       "Machine/StepY",
                                      "Machine/StepZ"};
    std::vector<std::string> writes = {
        "Deplacement/SpeedZ", "Deplacement/SpeedXY", "Decoupe/SpeedZ", "Decoupe/SpeedXY",
        "Descente/ZBas",      "Machine/StepX",       "Machine/StepY",  "Machine/StepZ"};
    reads.insert(reads.end(), travels.begin(), travels.end());
    reads.push_back("Descente/ZBas");
    writes.insert(writes.end(), travels.begin(), travels.end());
    reads.insert(reads.end(), port.begin(), port.end());
    writes.insert(writes.end(), port.begin(), port.end());
    EXPECT_EQ(store.reads, reads);
    EXPECT_EQ(store.writes, writes);
}

TEST(MachineSettings, StoredWiringIsTakenAsItIs) {
    EXPECT_EQ(vexor::pin_mask(1), 0);
    EXPECT_EQ(vexor::pin_mask(2), 1);
    EXPECT_EQ(vexor::pin_mask(9), 128);
    EXPECT_EQ(vexor::pin_mask(10), 0);
    EXPECT_EQ(vexor::pin_mask(-3), 0);
    EXPECT_EQ(vexor::port_address(2), 0x278);
    EXPECT_EQ(vexor::port_address(7), 0x278);
    vexor::PortSettings p;
    p.PinZClk = 12;
    p.PinZDir = 0;
    p.PinXInv = 5;  // any non-zero value inverts
    const auto w = vexor::derive_wiring(p);
    EXPECT_EQ(w.clkZ, 0);
    EXPECT_EQ(w.dirPosZ + w.dirNegZ, 0);
    EXPECT_EQ(w.dirPosX, 0);
    EXPECT_EQ(w.dirNegX, 2);
}
