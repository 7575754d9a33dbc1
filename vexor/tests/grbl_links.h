#pragma once
// Links for the GRBL tests: an in-memory pair, and a pseudo-terminal whose
// master side is the program's link and slave side the model's.

#include <memory>
#include <string>

#include "posix_serial_link.h"
#include "serial_link.h"

namespace vexor::grbl::testing {

struct Pipe {
    std::string bytes;
    bool closed = false;
};

class MemoryLink : public SerialLink {
  public:
    MemoryLink(std::shared_ptr<Pipe> out, std::shared_ptr<Pipe> in) : out_(out), in_(in) {}
    bool write(std::string_view bytes) override;
    std::string read_available() override;
    bool is_open() const override { return !out_->closed; }
    void close() { out_->closed = in_->closed = true; }

  private:
    std::shared_ptr<Pipe> out_, in_;
};

// host side first, device side second
std::pair<std::unique_ptr<MemoryLink>, std::unique_ptr<MemoryLink>> memory_pair();

// A side of a pseudo-terminal, read and written as a serial port is.
using FdLink = PosixSerialLink;

// Opens a pseudo-terminal in raw mode: master for the host, slave for the
// device. Null links when the system refuses. `slave_path` receives the
// slave's device path, for a program that opens it itself.
std::pair<std::unique_ptr<FdLink>, std::unique_ptr<FdLink>> pty_pair(
    std::string* slave_path = nullptr);

}  // namespace vexor::grbl::testing
