#pragma once
// A model of the three step/direction motor drivers wired to the parallel
// port. Fed with the bytes written to the port, it counts one step on every
// rising edge of an axis's clock pin, towards positive coordinates when the
// direction pin reads so (high, or low when the axis is inverted). It is how
// the steps on the wires are compared with the positions the driver believes.

#include <cstdint>

#include "machine_settings.h"

namespace vexor {

class PulseDecoder {
  public:
    // Wiring and port address as set in the settings; all pins start low.
    explicit PulseDecoder(const PortSettings& settings);

    void feed(unsigned short port, unsigned char value);

    // Signed step counts since the decoder was built.
    std::int64_t steps_x() const { return x_.steps; }
    std::int64_t steps_y() const { return y_.steps; }
    std::int64_t steps_z() const { return z_.steps; }
    // Rising clock edges of each axis, whatever their direction.
    std::uint64_t pulses_x() const { return x_.pulses; }
    std::uint64_t pulses_y() const { return y_.pulses; }
    std::uint64_t pulses_z() const { return z_.pulses; }
    // Bytes written to another port address (the drivers never see them).
    std::uint64_t foreign_writes() const { return foreign_; }
    // Rising clock edges written in the same byte as a change of the axis's
    // direction pin: a driver may read either direction then.
    std::uint64_t direction_races() const { return races_; }

  private:
    struct Motor {
        int clk = 0;
        int dir = 0;
        bool inverted = false;
        std::int64_t steps = 0;
        std::uint64_t pulses = 0;
    };
    void drive(Motor& m, unsigned char before, unsigned char after);

    unsigned short port_;
    Motor x_, y_, z_;
    unsigned char pins_ = 0;
    std::uint64_t foreign_ = 0;
    std::uint64_t races_ = 0;
};

}  // namespace vexor
