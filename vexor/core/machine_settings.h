#pragma once
// The machine settings of Vexor: steps per millimetre, the four speeds, the
// tool descent and the parallel-port wiring, with their stored integer forms
// in the settings store and the values the motion driver derives from them.

#include <cmath>
#include <string>
#include <vector>

#include "settings_store.h"

namespace vexor {

// The parallel-port wiring: connector pins 2 to 9, direction inversion, LPT number.
struct PortSettings {
    int PinXClk = 2, PinXDir = 3, PinXInv = 0;
    int PinYClk = 4, PinYDir = 5, PinYInv = 0;
    int PinZClk = 6, PinZDir = 7, PinZInv = 0;
    int Lpt = 1;
};

// What drives the machine: the parallel port's stepping thread, or a GRBL
// controller over a serial port. Stored as its number.
enum class MachineBackendKind { parallel = 0, grbl = 1 };

// The serial speeds a GRBL controller is reached at, in baud.
inline constexpr int kSerialBaudRates[] = {9600,   19200,  38400,  57600,  115200,  230400,
                                           250000, 460800, 500000, 921600, 1000000, 2000000};
inline constexpr int kDefaultBaudRate = 115200;

struct MachineSettings : PortSettings {
    float StepX = 1.0f;  // motor steps per millimetre
    float StepY = 1.0f;
    float StepZ = 1.0f;
    float travelSpeedXY = 5.0f;  // mm/s: travel moves and jogs
    float travelSpeedZ = 2.0f;   // mm/s: Z jogs
    float cutSpeedXY = 2.0f;     // mm/s: X/Y while cutting
    float cutSpeedZ = 1.0f;      // mm/s: plunge and raise in a job
    float ZBas = -2.0f;          // mm, Z of the tool while it cuts (zero or negative)
    // mm: the machine's travel per axis. No job or jog takes the tool further
    // than this from the origin on an axis, on either side.
    float travelX = 1000.0f, travelY = 1000.0f, travelZ = 150.0f;
    // The backend, and for GRBL its serial device (e.g. /dev/ttyUSB0) and speed.
    MachineBackendKind Backend = MachineBackendKind::parallel;
    std::string Device;
    int Baud = kDefaultBaudRate;
};

// Stored forms. Steps per mm are kept × 100000 and the depth × 10, the
// product taken in single precision (as float × int) and truncated towards
// zero: 157.48 is stored as 15748000 and -0.7 as -7. Speeds are truncated to
// whole mm/s.
int stored_steps(float steps_per_mm);
int stored_depth(float depth_mm);
int stored_speed(float speed);
// Travels are kept in hundredths of a millimetre (× 100, truncated).
int stored_travel(float travel_mm);
float travel_from_stored(int stored);
// Read back with the single-precision factors 0.00001 and 0.1 (stored 30000
// gives 0.29999998 steps per mm).
float steps_from_stored(int stored);
float depth_from_stored(int stored);

// Reads every setting, each with its default when absent, in the order
// travel Z speed, travel XY speed, cutting Z speed, cutting XY speed, steps
// X, Y, Z, the travels X, Y, Z, descent, then the ten parallel-port keys of
// "Port" and its Backend, Device (a text) and Baud. A stored value that is
// not an integer or lies outside what the dialogs and the parameter bar
// accept (steps 1 to 1000 per mm, speeds 0 to 99, descent -99 to 0, travels
// above 0, pins 2 to 9, inversions 0 or 1, port 1 or 2, backend 0 or 1, a
// speed of kSerialBaudRates) gives the default, and `notices` receives a
// French line for each replacement.
MachineSettings load_machine_settings(const platform::SettingsStore& store,
                                      std::vector<std::string>* notices = nullptr);

// Writes travel Z speed, travel XY speed, cutting Z speed, cutting XY speed,
// descent, steps X, Y, Z, travels X, Y, Z, then the "Port" keys (Backend,
// Device and Baud last). False with a
// French message naming the first key that could not be written (every key
// is still attempted).
[[nodiscard]] bool save_machine_settings(const MachineSettings& settings,
                                         platform::SettingsStore& store, std::string& error);

// Whether a coordinate lies within `travel` of the origin (NaN never does).
inline bool within_travel(double coordinate, float travel) {
    return std::fabs(coordinate) <= travel;
}
// The travel of axis 'X', 'Y' or 'Z'.
float travel_of(char axis, const MachineSettings& settings);
// "hors de la course de l'axe X (1000 mm de part et d'autre de l'origine)": the
// end of a refusal for a move that would leave the travel of `axis`.
std::string outside_travel_text(char axis, const MachineSettings& settings);

// Data pins 2 to 9 are bits D0 to D7; any other number gives 0 (never output).
int pin_mask(int pin);
// 0x378 for LPT1, 0x278 for any other number.
int port_address(int lpt);

// What the driver writes: the port, the clock masks and, per axis, the
// direction bits for travel towards positive and negative coordinates.
struct PortWiring {
    int portBase = 0x378;
    int clkX = 1, clkY = 4, clkZ = 16;
    int dirPosX = 2, dirNegX = 0;
    int dirPosY = 8, dirNegY = 0;
    int dirPosZ = 32, dirNegZ = 0;
};
PortWiring derive_wiring(const PortSettings& settings);

}  // namespace vexor
