#include "machine_settings.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <iterator>
#include <limits>

namespace vexor {

namespace {

// Truncation towards zero of a single-precision product, kept inside the int
// range so that a wild value cannot make the conversion undefined.
int truncate_to_int(float value) {
    if (std::isnan(value)) {
        return 0;
    }
    constexpr float kMax = 2147483520.0f;  // the largest float below 2^31
    if (value >= kMax) {
        return static_cast<int>(kMax);
    }
    if (value <= -2147483648.0f) {
        return std::numeric_limits<int>::min();
    }
    return static_cast<int>(value);
}

// The truncated product, unless it would not read back as `value` while the
// integer next to it does: a value read from the store (30000 reads 0.29999998,
// whose product truncates to 29999) is then written back unchanged instead of
// creeping down a unit at every exit.
int stored_form(float value, float factor, float (*from_stored)(int)) {
    const int truncated = truncate_to_int(value * factor);
    if (from_stored(truncated) == value) {
        return truncated;
    }
    // Past 2^24 units a float holds fewer values than the integers, and the
    // product may land several units from every integer that reads back the
    // value (up to a few hundred near the largest int, as a travel stored in
    // hundredths of a mm may be): the nearest such integer is written.
    const long long away = value > 0 ? 1 : -1;
    for (long long distance = 1; distance <= 1024; ++distance) {
        for (long long neighbour :
             {truncated + away * distance, static_cast<long long>(truncated) - away * distance}) {
            if (neighbour >= std::numeric_limits<int>::min() &&
                neighbour <= std::numeric_limits<int>::max() &&
                from_stored(static_cast<int>(neighbour)) == value) {
                return static_cast<int>(neighbour);
            }
        }
    }
    return truncated;
}

// The stored serial speed, when it is one of kSerialBaudRates.
int read_baud_rate(const platform::SettingsStore& store, std::vector<std::string>& notices) {
    constexpr int kMin = std::numeric_limits<int>::min(), kMax = std::numeric_limits<int>::max();
    const int baud =
        platform::read_checked_int(store, "Port", "Baud", kDefaultBaudRate, kMin, kMax, notices);
    if (std::find(std::begin(kSerialBaudRates), std::end(kSerialBaudRates), baud) !=
        std::end(kSerialBaudRates)) {
        return baud;
    }
    notices.push_back("Le réglage Port/Baud enregistré (" + std::to_string(baud) +
                      ") n'est pas une vitesse de port série reconnue : la valeur par défaut " +
                      std::to_string(kDefaultBaudRate) + " est utilisée.");
    return kDefaultBaudRate;
}

}  // namespace

int stored_steps(float steps_per_mm) {
    return stored_form(steps_per_mm, 100000, steps_from_stored);
}
int stored_depth(float depth_mm) {
    return stored_form(depth_mm, 10, depth_from_stored);
}
int stored_speed(float speed) {
    return truncate_to_int(speed);
}
int stored_travel(float travel_mm) {
    return stored_form(travel_mm, 100, travel_from_stored);
}
float travel_from_stored(int stored) {
    return static_cast<float>(stored) * 0.01f;
}
float steps_from_stored(int stored) {
    return static_cast<float>(stored) * 0.00001f;
}
float depth_from_stored(int stored) {
    return static_cast<float>(stored) * 0.1f;
}

MachineSettings load_machine_settings(const platform::SettingsStore& store,
                                      std::vector<std::string>* notices) {
    std::vector<std::string> replaced;
    // Each stored value within what the dialogs and the parameter bar accept.
    auto read = [&](const char* section, const char* key, int default_value, int min, int max) {
        return platform::read_checked_int(store, section, key, default_value, min, max, replaced);
    };
    MachineSettings s;
    s.travelSpeedZ = static_cast<float>(read("Deplacement", "SpeedZ", 2, 0, 99));
    s.travelSpeedXY = static_cast<float>(read("Deplacement", "SpeedXY", 5, 0, 99));
    s.cutSpeedZ = static_cast<float>(read("Decoupe", "SpeedZ", 1, 0, 99));
    s.cutSpeedXY = static_cast<float>(read("Decoupe", "SpeedXY", 2, 0, 99));
    constexpr int kStepsMin = 100000;     // 1 step per mm
    constexpr int kStepsMax = 100000000;  // 1000 steps per mm
    s.StepX = steps_from_stored(read("Machine", "StepX", 100000, kStepsMin, kStepsMax));
    s.StepY = steps_from_stored(read("Machine", "StepY", 100000, kStepsMin, kStepsMax));
    s.StepZ = steps_from_stored(read("Machine", "StepZ", 100000, kStepsMin, kStepsMax));
    constexpr int kIntMax = std::numeric_limits<int>::max();
    s.travelX = travel_from_stored(read("Machine", "CourseX", 100000, 1, kIntMax));
    s.travelY = travel_from_stored(read("Machine", "CourseY", 100000, 1, kIntMax));
    s.travelZ = travel_from_stored(read("Machine", "CourseZ", 15000, 1, kIntMax));
    s.ZBas = depth_from_stored(read("Descente", "ZBas", -20, -990, 0));
    s.PinXClk = read("Port", "PinXClk", 2, 2, 9);
    s.PinXDir = read("Port", "PinXDir", 3, 2, 9);
    s.PinXInv = read("Port", "PinXInv", 0, 0, 1);
    s.PinYClk = read("Port", "PinYClk", 4, 2, 9);
    s.PinYDir = read("Port", "PinYDir", 5, 2, 9);
    s.PinYInv = read("Port", "PinYInv", 0, 0, 1);
    s.PinZClk = read("Port", "PinZClk", 6, 2, 9);
    s.PinZDir = read("Port", "PinZDir", 7, 2, 9);
    s.PinZInv = read("Port", "PinZInv", 0, 0, 1);
    s.Lpt = read("Port", "Lpt", 1, 1, 2);
    s.Backend = static_cast<MachineBackendKind>(read("Port", "Backend", 0, 0, 1));
    s.Device = store.read_text("Port", "Device");
    s.Baud = read_baud_rate(store, replaced);
    if (notices) {
        *notices = std::move(replaced);
    }
    return s;
}

bool save_machine_settings(const MachineSettings& s, platform::SettingsStore& store,
                           std::string& error) {
    std::string failed;  // the first setting that could not be written
    auto put = [&](const char* section, const char* key, int value) {
        if (!store.write_int(section, key, value) && failed.empty()) {
            failed = std::string(section) + "/" + key;
        }
    };
    put("Deplacement", "SpeedZ", stored_speed(s.travelSpeedZ));
    put("Deplacement", "SpeedXY", stored_speed(s.travelSpeedXY));
    put("Decoupe", "SpeedZ", stored_speed(s.cutSpeedZ));
    put("Decoupe", "SpeedXY", stored_speed(s.cutSpeedXY));
    put("Descente", "ZBas", stored_depth(s.ZBas));
    put("Machine", "StepX", stored_steps(s.StepX));
    put("Machine", "StepY", stored_steps(s.StepY));
    put("Machine", "StepZ", stored_steps(s.StepZ));
    put("Machine", "CourseX", stored_travel(s.travelX));
    put("Machine", "CourseY", stored_travel(s.travelY));
    put("Machine", "CourseZ", stored_travel(s.travelZ));
    put("Port", "PinXClk", s.PinXClk);
    put("Port", "PinXDir", s.PinXDir);
    put("Port", "PinXInv", s.PinXInv);
    put("Port", "PinYClk", s.PinYClk);
    put("Port", "PinYDir", s.PinYDir);
    put("Port", "PinYInv", s.PinYInv);
    put("Port", "PinZClk", s.PinZClk);
    put("Port", "PinZDir", s.PinZDir);
    put("Port", "PinZInv", s.PinZInv);
    put("Port", "Lpt", s.Lpt);
    put("Port", "Backend", static_cast<int>(s.Backend));
    if (!store.write_text("Port", "Device", s.Device) && failed.empty()) {
        failed = "Port/Device";
    }
    put("Port", "Baud", s.Baud);
    if (!failed.empty()) {
        error =
            "Les réglages de la machine n'ont pas pu être enregistrés (d'abord " + failed + ").";
        return false;
    }
    return true;
}

float travel_of(char axis, const MachineSettings& settings) {
    return axis == 'X' ? settings.travelX : axis == 'Y' ? settings.travelY : settings.travelZ;
}

std::string outside_travel_text(char axis, const MachineSettings& settings) {
    const float travel = travel_of(axis, settings);
    char number[32];
    const auto end = std::to_chars(number, number + sizeof number, travel).ptr;
    return std::string("hors de la course de l'axe ") + axis + " (" + std::string(number, end) +
           " mm de part et d'autre de l'origine)";
}

int pin_mask(int pin) {
    return pin >= 2 && pin <= 9 ? 1 << (pin - 2) : 0;
}

int port_address(int lpt) {
    return lpt == 1 ? 0x378 : 0x278;
}

PortWiring derive_wiring(const PortSettings& s) {
    PortWiring w;
    w.portBase = port_address(s.Lpt);
    w.clkX = pin_mask(s.PinXClk);
    w.clkY = pin_mask(s.PinYClk);
    w.clkZ = pin_mask(s.PinZClk);
    auto directions = [](int dir_pin, int inverted, int& positive, int& negative) {
        positive = inverted == 0 ? pin_mask(dir_pin) : 0;
        negative = inverted == 0 ? 0 : pin_mask(dir_pin);
    };
    directions(s.PinXDir, s.PinXInv, w.dirPosX, w.dirNegX);
    directions(s.PinYDir, s.PinYInv, w.dirPosY, w.dirNegY);
    directions(s.PinZDir, s.PinZInv, w.dirPosZ, w.dirNegZ);
    return w;
}

}  // namespace vexor
