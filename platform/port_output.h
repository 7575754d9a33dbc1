#pragma once
// Byte output to the data register of a parallel port.
//
// DlPortWritePortUchar writes one byte through the selected backend:
//   ppdev      Linux /dev/parport0 (0x378) or /dev/parport1 (0x278), claimed,
//              written with PPWDATA;
//   direct     x86 ioperm/outb, needs root;
//   simulated  nothing reaches a port: every write is recorded with the
//              counter time in a bounded buffer, optionally streamed to a
//              trace file.
// The default is ppdev when its device opens, else simulation, and the
// selection then says so in French (`notice`). VEXOR_PORT=ppdev|direct|simulated
// forces a backend; a forced device that cannot be opened falls back to
// simulation, again with a notice. VEXOR_TRACE=FILE streams the simulated
// writes to FILE.
//
// The motion driver writes through the small PortWriter interface, so a test
// gives it a simulated port and sees every byte; in the program it is given
// a DlPortIo, which calls DlPortWritePortUchar.

#include <cstdint>
#include <cstdio>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "performance_counter.h"

// Writes `value` to the I/O port `port` through the active backend.
void DlPortWritePortUchar(unsigned short port, unsigned char value);

namespace platform {

class PortWriter {
  public:
    virtual ~PortWriter() = default;
    virtual void write_port(unsigned short port, unsigned char value) = 0;
};

enum class PortBackend { ppdev, direct, simulated };

// "ppdev", "direct" or "simulated": the names VEXOR_PORT takes.
const char* backend_name(PortBackend backend);

// The ppdev device of a port address: "/dev/parport0" for 0x378,
// "/dev/parport1" for 0x278, empty for any other address.
std::string ppdev_device(unsigned short port);

struct PortRecord {
    std::int64_t count = 0;  // counter value at the write
    unsigned short port = 0;
    unsigned char value = 0;
};

class SimulatedPort : public PortWriter {
  public:
    explicit SimulatedPort(PerformanceCounter& counter, std::size_t capacity = 1u << 20);
    ~SimulatedPort() override;
    SimulatedPort(const SimulatedPort&) = delete;
    SimulatedPort& operator=(const SimulatedPort&) = delete;

    void write_port(unsigned short port, unsigned char value) override;

    // The kept records, oldest first: the last `capacity` writes.
    std::vector<PortRecord> records() const;
    std::uint64_t total_writes() const { return total_; }
    std::uint64_t dropped() const { return total_ - buffer_.size(); }
    std::int64_t frequency() const { return counter_.frequency(); }
    void clear();
    // Allocates the whole buffer now, so that no later write allocates (a
    // measurement of the pacing must not time the allocator).
    void reserve() { buffer_.reserve(capacity_); }

    // Called with every write as it happens, whatever the buffer keeps.
    void set_observer(std::function<void(const PortRecord&)> observer);

    // Streams every following write to `path`, one line each:
    // "<count> <port, hex> <byte, two hex digits>". False with a French
    // message when the file cannot be created; `trace_ok` turns false when
    // a later write to it fails.
    bool open_trace(const std::string& path, std::string* error = nullptr);
    bool close_trace();
    bool trace_ok() const { return trace_ok_; }

  private:
    PerformanceCounter& counter_;
    std::size_t capacity_;
    std::vector<PortRecord> buffer_;
    std::size_t next_ = 0;  // slot of the next write once the buffer is full
    std::uint64_t total_ = 0;
    std::function<void(const PortRecord&)> observer_;
    std::FILE* trace_ = nullptr;
    bool trace_ok_ = true;
};

// Linux ppdev: one claimed device per port address, opened on first use.
class PpdevPort : public PortWriter {
  public:
    // Opens the device of `port`; null with a French message when it cannot.
    static std::unique_ptr<PpdevPort> open(unsigned short port, std::string* error);
    ~PpdevPort() override;
    void write_port(unsigned short port, unsigned char value) override;
    // Writes that could not reach a device (no device for the address, or
    // the device refused the byte).
    std::uint64_t failed_writes() const { return failed_; }

  private:
    PpdevPort() = default;
    int device_for(unsigned short port, std::string* error);
    std::map<unsigned short, int> devices_;
    std::uint64_t failed_ = 0;
};

// x86 port instructions after ioperm; needs root.
class DirectPort : public PortWriter {
  public:
    static std::unique_ptr<DirectPort> open(unsigned short port, std::string* error);
    void write_port(unsigned short port, unsigned char value) override;
    std::uint64_t failed_writes() const { return failed_; }

  private:
    DirectPort() = default;
    bool permit(unsigned short port, std::string* error);
    std::vector<unsigned short> permitted_;
    std::uint64_t failed_ = 0;
};

struct PortSelection {
    std::unique_ptr<PortWriter> writer;
    PortBackend backend = PortBackend::simulated;
    SimulatedPort* simulated = nullptr;  // `writer` when the backend is simulated
    // French text for the window when the machine is simulated or a request
    // could not be honoured; empty when a real port is driven as expected.
    std::string notice;
};

// Chooses the backend for the port address `port`. `forced` is the value of
// VEXOR_PORT (null or empty: automatic); `trace_path` (null or empty: none)
// is the trace file of a simulated port.
PortSelection select_port_output(unsigned short port, const char* forced,
                                 PerformanceCounter& counter, const char* trace_path = nullptr);

// The same with VEXOR_PORT and VEXOR_TRACE read from the environment.
PortSelection select_port_output_from_environment(unsigned short port, PerformanceCounter& counter);

// Makes `selection` the output of DlPortWritePortUchar. Until one is
// installed, the first write selects one from the environment for 0x378.
void install_port_output(PortSelection selection);
const PortSelection& active_port_output();

// The driver's port in the program: every byte through DlPortWritePortUchar.
class DlPortIo : public PortWriter {
  public:
    void write_port(unsigned short port, unsigned char value) override {
        ::DlPortWritePortUchar(port, value);
    }
};

}  // namespace platform
