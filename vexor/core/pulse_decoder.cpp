#include "pulse_decoder.h"

namespace vexor {

PulseDecoder::PulseDecoder(const PortSettings& s)
    : port_(static_cast<unsigned short>(port_address(s.Lpt))) {
    x_ = {pin_mask(s.PinXClk), pin_mask(s.PinXDir), s.PinXInv != 0, 0, 0};
    y_ = {pin_mask(s.PinYClk), pin_mask(s.PinYDir), s.PinYInv != 0, 0, 0};
    z_ = {pin_mask(s.PinZClk), pin_mask(s.PinZDir), s.PinZInv != 0, 0, 0};
}

void PulseDecoder::feed(unsigned short port, unsigned char value) {
    if (port != port_) {
        ++foreign_;
        return;
    }
    drive(x_, pins_, value);
    drive(y_, pins_, value);
    drive(z_, pins_, value);
    pins_ = value;
}

void PulseDecoder::drive(Motor& m, unsigned char before, unsigned char after) {
    const bool rising = (before & m.clk) == 0 && (after & m.clk) != 0;
    if (!rising) {
        return;
    }
    if ((before & m.dir) != (after & m.dir)) {
        ++races_;
    }
    ++m.pulses;
    const bool high = (after & m.dir) != 0;
    m.steps += high != m.inverted ? 1 : -1;
}

}  // namespace vexor
