#pragma once
// The USB serial port of a GRBL controller through Qt Serial Port, for the
// window: every call returns at once; the bytes arrive through Qt's notifiers
// while the event loop runs, and the window takes them from a timer. Once the
// device disappears (a cable pulled, a write or read refused) the link is
// closed for good.

#include <memory>
#include <string>
#include <vector>

#include "serial_link.h"

class QSerialPort;

namespace vexor {

class QtSerialLink : public grbl::SerialLink {
  public:
    QtSerialLink();
    ~QtSerialLink() override;
    QtSerialLink(const QtSerialLink&) = delete;
    QtSerialLink& operator=(const QtSerialLink&) = delete;

    // Opens `device` (e.g. /dev/ttyUSB0) at `baud`, 8N1 without flow control.
    // False with a French message naming the device and the system's reason;
    // for a permission refused on Linux the message names the dialout group.
    [[nodiscard]] bool open(const std::string& device, int baud, std::string& error);
    void close();

    bool write(std::string_view bytes) override;
    std::string read_available() override;
    bool is_open() const override;

  private:
    void lose();  // the device is gone: keep what it sent, close for good

    std::unique_ptr<QSerialPort> port_;
    std::string received_;  // read before the device was lost
};

// A serial port the system offers, for the connection dialog.
struct SerialPortChoice {
    std::string device;  // /dev/ttyUSB0
    std::string description;
    std::string manufacturer;
};

// The serial ports present, sorted by device path.
std::vector<SerialPortChoice> serial_ports();

}  // namespace vexor
