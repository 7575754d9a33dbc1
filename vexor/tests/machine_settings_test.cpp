#include "machine_settings.h"

#include <gtest/gtest.h>

#include <cmath>
#include <map>
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
    store.write_int("Machine", "StepZ", 100014);  // reads 1.00013995, whose product truncates lower
    store.write_int("Machine", "StepX", 15748000);
    store.write_int("Descente", "ZBas", -7);
    store.write_int("Machine", "CourseY", 123457);
    for (int session = 0; session < 3; ++session) {
        vexor::CVexorDoc doc(store, port, clock);
        EXPECT_EQ(doc.settings().travelY, 1234.57f);
    }
    EXPECT_EQ(store.read_int("Machine", "CourseY", 0), 123457);
    EXPECT_EQ(store.read_int("Machine", "CourseZ", 0), 15000);
    EXPECT_EQ(store.read_int("Machine", "StepZ", 0), 100014);
    EXPECT_EQ(store.read_int("Machine", "StepX", 0), 15748000);
    EXPECT_EQ(store.read_int("Descente", "ZBas", 0), -7);
    for (int stored = 1; stored < 2000000; stored += 997) {
        EXPECT_EQ(vexor::stored_steps(vexor::steps_from_stored(stored)), stored) << stored;
    }
    // Up to 1000 steps per mm a float no longer tells every stored integer
    // apart, but what is written back still reads the same steps per mm
    // (48806642 was read 488.06642 and written back as a value read lower).
    for (int stored : {48806642, 78145000, 82315290, 89654474, 99999999}) {
        const float steps = vexor::steps_from_stored(stored);
        EXPECT_EQ(vexor::steps_from_stored(vexor::stored_steps(steps)), steps) << stored;
    }
    for (int stored = 16777216; stored <= 100000000; stored += 99991) {
        const float steps = vexor::steps_from_stored(stored);
        ASSERT_EQ(vexor::steps_from_stored(vexor::stored_steps(steps)), steps) << stored;
    }
    for (int stored : {1111027135, 1668439704, 1914900821, 2147483647}) {  // travels
        const float travel = vexor::travel_from_stored(stored);
        EXPECT_EQ(vexor::travel_from_stored(vexor::stored_travel(travel)), travel) << stored;
    }
}

TEST(MachineSettings, TheDocumentSavesOnExitAndReadsBackTheSame) {
    platform::MemorySettingsStore store;
    platform::ManualCounter clock;
    platform::SimulatedPort port(clock);
    {
        vexor::CVexorDoc doc(store, port, clock);
        doc.set_steps(200.5f, 157.48f, 1.00014f);
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
    EXPECT_EQ(store.read_int("Machine", "StepZ", 0), 100014);
    EXPECT_EQ(store.read_int("Descente", "ZBas", 0), -15);
    EXPECT_EQ(store.read_int("Deplacement", "SpeedXY", 0), 12);
    EXPECT_EQ(store.read_int("Deplacement", "SpeedZ", 0), 3);
    EXPECT_EQ(store.read_int("Decoupe", "SpeedXY", 0), 4);
    EXPECT_EQ(store.read_int("Decoupe", "SpeedZ", 9), 0);
    vexor::CVexorDoc again(store, port, clock);
    const auto& s = again.settings();
    EXPECT_EQ(s.StepX, 200.5f);
    EXPECT_EQ(s.StepZ, vexor::steps_from_stored(100014));
    EXPECT_TRUE(again.settings_notices().empty());
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
    std::string error;
    EXPECT_TRUE(vexor::save_machine_settings(vexor::load_machine_settings(store), store, error));
    const std::vector<std::string> port = {
        "Port/PinXClk", "Port/PinXDir", "Port/PinXInv", "Port/PinYClk", "Port/PinYDir",
        "Port/PinYInv", "Port/PinZClk", "Port/PinZDir", "Port/PinZInv", "Port/Lpt",
        "Port/Backend", "Port/Baud"};  // Port/Device between them, as a text
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

TEST(MachineSettings, UnusableStoredValuesGiveTheDefaultAndSaySo) {
    // A store whose entries may hold text that is not an integer.
    class TextStore : public platform::MemorySettingsStore {
      public:
        bool unreadable(const std::string& section, const std::string& key,
                        std::string& text) const override {
            const auto it = texts.find(section + "/" + key);
            if (it == texts.end()) {
                return false;
            }
            text = it->second;
            return true;
        }
        std::map<std::string, std::string> texts;
    };
    struct Case {
        const char* section;
        const char* key;
        int stored;  // or text, when `text` is set
        const char* text;
        float MachineSettings::*field;  // nullptr: an int of the port
        int vexor::PortSettings::*pin;
        float expected;
        const char* why;                        // nullptr: the value is taken
        int MachineSettings::*whole = nullptr;  // an int of the machine, instead of the above
    };
    const Case cases[] = {
        {"Machine", "StepX", 100000000, nullptr, &MachineSettings::StepX, nullptr, 1000, nullptr},
        {"Machine", "StepX", 150000000, nullptr, &MachineSettings::StepX, nullptr, 1, "150000000"},
        {"Machine", "StepY", 0, "1.5e7", &MachineSettings::StepY, nullptr, 1, "« 1.5e7 »"},
        {"Machine", "StepZ", 99999, nullptr, &MachineSettings::StepZ, nullptr, 1, "99999"},
        {"Deplacement", "SpeedXY", 2147483647, nullptr, &MachineSettings::travelSpeedXY, nullptr, 5,
         "2147483647"},
        {"Decoupe", "SpeedZ", 0, nullptr, &MachineSettings::cutSpeedZ, nullptr, 0, nullptr},
        {"Decoupe", "SpeedXY", -1, nullptr, &MachineSettings::cutSpeedXY, nullptr, 2, "-1"},
        {"Descente", "ZBas", -2147483647 - 1, nullptr, &MachineSettings::ZBas, nullptr, -2,
         "-2147483648"},
        {"Descente", "ZBas", -990, nullptr, &MachineSettings::ZBas, nullptr, -99, nullptr},
        {"Machine", "CourseX", 0, nullptr, &MachineSettings::travelX, nullptr, 1000, "(0)"},
        {"Machine", "CourseZ", 0, "abc\n", &MachineSettings::travelZ, nullptr, 150, "« abc? »"},
        {"Port", "PinXClk", 12, nullptr, nullptr, &vexor::PortSettings::PinXClk, 2, "12"},
        {"Port", "PinYInv", 5, nullptr, nullptr, &vexor::PortSettings::PinYInv, 0, "5"},
        {"Port", "Lpt", 2, nullptr, nullptr, &vexor::PortSettings::Lpt, 2, nullptr},
        {"Port", "Lpt", 3, nullptr, nullptr, &vexor::PortSettings::Lpt, 1, "3"},
        {"Port", "Baud", 250000, nullptr, nullptr, nullptr, 250000, nullptr,
         &MachineSettings::Baud},
        {"Port", "Baud", 2000000, nullptr, nullptr, nullptr, 2000000, nullptr,
         &MachineSettings::Baud},
        {"Port", "Baud", 115201, nullptr, nullptr, nullptr, 115200, "(115201)",
         &MachineSettings::Baud},
        {"Port", "Baud", 0, nullptr, nullptr, nullptr, 115200, "(0)", &MachineSettings::Baud},
        {"Port", "Baud", 0, "vite", nullptr, nullptr, 115200, "« vite »", &MachineSettings::Baud},
    };
    for (const Case& c : cases) {
        TextStore store;
        if (c.text != nullptr) {
            store.texts[std::string(c.section) + "/" + c.key] = c.text;
        } else {
            store.write_int(c.section, c.key, c.stored);
        }
        std::vector<std::string> notices;
        const MachineSettings s = vexor::load_machine_settings(store, &notices);
        const float got = c.whole != nullptr   ? static_cast<float>(s.*c.whole)
                          : c.field != nullptr ? s.*c.field
                                               : static_cast<float>(s.*c.pin);
        EXPECT_EQ(got, c.expected) << c.section << "/" << c.key << " " << c.stored;
        if (c.why == nullptr) {
            EXPECT_TRUE(notices.empty()) << notices.front();
            continue;
        }
        ASSERT_EQ(notices.size(), 1u) << c.key;
        EXPECT_NE(notices[0].find(std::string("Le réglage ") + c.section + "/" + c.key),
                  std::string::npos)
            << notices[0];
        EXPECT_NE(notices[0].find(c.why), std::string::npos) << notices[0];
        EXPECT_NE(notices[0].find("la valeur par défaut"), std::string::npos) << notices[0];
    }
    // The document keeps them for the window's message at start.
    TextStore store;
    store.write_int("Machine", "StepX", 0);
    platform::ManualCounter clock;
    platform::SimulatedPort port(clock);
    vexor::CVexorDoc doc(store, port, clock);
    ASSERT_EQ(doc.settings_notices().size(), 1u);
    EXPECT_EQ(doc.settings().StepX, 1.0f);
}

TEST(MachineSettings, TheConnectionIsKeptWithThePort) {
    platform::MemorySettingsStore store;
    MachineSettings s = vexor::load_machine_settings(store);
    EXPECT_EQ(s.Backend, vexor::MachineBackendKind::parallel);
    EXPECT_EQ(s.Device, "");
    EXPECT_EQ(s.Baud, 115200);
    s.Backend = vexor::MachineBackendKind::grbl;
    s.Device = "/dev/serial/by-id/usb-1a86_USB_Serial-if00-port0";
    s.Baud = 250000;
    std::string error;
    ASSERT_TRUE(vexor::save_machine_settings(s, store, error)) << error;
    EXPECT_EQ(store.read_int("Port", "Backend", 0), 1);
    EXPECT_EQ(store.read_text("Port", "Device"), s.Device);
    EXPECT_EQ(store.read_int("Port", "Baud", 0), 250000);
    std::vector<std::string> notices;
    const MachineSettings again = vexor::load_machine_settings(store, &notices);
    EXPECT_TRUE(notices.empty());
    EXPECT_EQ(again.Backend, vexor::MachineBackendKind::grbl);
    EXPECT_EQ(again.Device, s.Device);
    EXPECT_EQ(again.Baud, 250000);

    // A backend this version does not know: the parallel port, and a notice.
    store.write_int("Port", "Backend", 2);
    const MachineSettings unknown = vexor::load_machine_settings(store, &notices);
    EXPECT_EQ(unknown.Backend, vexor::MachineBackendKind::parallel);
    ASSERT_EQ(notices.size(), 1u);
    EXPECT_NE(notices[0].find("Le réglage Port/Backend enregistré (2)"), std::string::npos)
        << notices[0];
}
