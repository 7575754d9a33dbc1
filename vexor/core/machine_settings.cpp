#include "machine_settings.h"

#include <charconv>
#include <cmath>
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
    const long long away = value > 0 ? 1 : -1;
    for (long long neighbour : {truncated + away, truncated - away}) {
        if (neighbour >= std::numeric_limits<int>::min() &&
            neighbour <= std::numeric_limits<int>::max() &&
            from_stored(static_cast<int>(neighbour)) == value) {
            return static_cast<int>(neighbour);
        }
    }
    return truncated;
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

MachineSettings load_machine_settings(const platform::SettingsStore& store) {
    MachineSettings s;
    s.travelSpeedZ = static_cast<float>(store.read_int("Deplacement", "SpeedZ", 2));
    s.travelSpeedXY = static_cast<float>(store.read_int("Deplacement", "SpeedXY", 5));
    s.cutSpeedZ = static_cast<float>(store.read_int("Decoupe", "SpeedZ", 1));
    s.cutSpeedXY = static_cast<float>(store.read_int("Decoupe", "SpeedXY", 2));
    s.StepX = steps_from_stored(store.read_int("Machine", "StepX", 100000));
    s.StepY = steps_from_stored(store.read_int("Machine", "StepY", 100000));
    s.StepZ = steps_from_stored(store.read_int("Machine", "StepZ", 100000));
    s.travelX = travel_from_stored(store.read_int("Machine", "CourseX", 100000));
    s.travelY = travel_from_stored(store.read_int("Machine", "CourseY", 100000));
    s.travelZ = travel_from_stored(store.read_int("Machine", "CourseZ", 15000));
    s.ZBas = depth_from_stored(store.read_int("Descente", "ZBas", -20));
    s.PinXClk = store.read_int("Port", "PinXClk", 2);
    s.PinXDir = store.read_int("Port", "PinXDir", 3);
    s.PinXInv = store.read_int("Port", "PinXInv", 0);
    s.PinYClk = store.read_int("Port", "PinYClk", 4);
    s.PinYDir = store.read_int("Port", "PinYDir", 5);
    s.PinYInv = store.read_int("Port", "PinYInv", 0);
    s.PinZClk = store.read_int("Port", "PinZClk", 6);
    s.PinZDir = store.read_int("Port", "PinZDir", 7);
    s.PinZInv = store.read_int("Port", "PinZInv", 0);
    s.Lpt = store.read_int("Port", "Lpt", 1);
    return s;
}

bool save_machine_settings(const MachineSettings& s, platform::SettingsStore& store) {
    bool ok = true;
    auto put = [&](const char* section, const char* key, int value) {
        ok = store.write_int(section, key, value) && ok;
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
    return ok;
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
