#pragma once
// The byte pipe to a GRBL controller (USB serial in the program, a
// pseudo-terminal or an in-memory pair in the tests). Every call returns at
// once: nothing here blocks.

#include <string>
#include <string_view>

namespace vexor::grbl {

class SerialLink {
  public:
    virtual ~SerialLink() = default;
    // Queues every byte for the device; false when the device is gone (the
    // link is then closed for good).
    virtual bool write(std::string_view bytes) = 0;
    // The bytes received since the last call, possibly none.
    virtual std::string read_available() = 0;
    // False once the device has disappeared or the link was never opened.
    virtual bool is_open() const = 0;
};

}  // namespace vexor::grbl
