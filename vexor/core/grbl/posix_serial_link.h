#pragma once
// The USB serial port of a GRBL controller on a POSIX system: raw 8N1 at
// 115200 baud, every call non-blocking. Once the device disappears (a write
// or read answers EIO or ENXIO, as when the cable is pulled) the link is
// closed for good.

#include <string>

#include "serial_link.h"

namespace vexor::grbl {

inline constexpr int kGrblBaudRate = 115200;

// Why `device` could not be opened after the system answered `error_number`:
// "Impossible d'ouvrir le port « /dev/ttyUSB0 » : permission refusée (ajoutez
// l'utilisateur au groupe dialout, ...)." The group is named for a permission
// refused on Linux, where serial ports belong to it; a file that is no
// terminal (ENOTTY) "is not a serial port".
std::string serial_open_failure(const std::string& device, int error_number);

class PosixSerialLink : public SerialLink {
  public:
    PosixSerialLink() = default;
    // Takes an open non-blocking descriptor (a pseudo-terminal's side).
    explicit PosixSerialLink(int fd) : fd_(fd) {}
    ~PosixSerialLink() override;
    PosixSerialLink(const PosixSerialLink&) = delete;
    PosixSerialLink& operator=(const PosixSerialLink&) = delete;

    // Opens `device` (e.g. /dev/ttyUSB0). False with a French message naming
    // the device and the system's reason; for a permission refused on Linux
    // the message names the dialout group.
    [[nodiscard]] bool open(const std::string& device, std::string& error);
    void close();

    bool write(std::string_view bytes) override;
    std::string read_available() override;
    bool is_open() const override { return fd_ >= 0; }

  private:
    int fd_ = -1;
};

}  // namespace vexor::grbl
