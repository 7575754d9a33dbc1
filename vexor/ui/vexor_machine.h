#pragma once
// Everything the controller's window drives: the settings store, the
// counter, the document, and the machine behind its backend (the parallel
// port and its stepping thread, or a GRBL controller). The window reaches
// the machine only through the backend.

#include <chrono>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>

#include "driver_runner.h"
#include "machine_backend.h"
#include "parallel_backend.h"
#include "performance_counter.h"
#include "port_output.h"
#include "serial_link.h"
#include "settings_store.h"
#include "vexor_doc.h"

namespace vexor {

// What runs the driver: the stepping thread in the program; the idle pump
// where a test drives the clock by hand and wants the event loop to pace it.
enum class RunnerKind { thread, pump };
std::unique_ptr<DriverRunner> make_driver_runner(CStepDriver& driver, RunnerKind kind);

class VexorMachine {
  public:
    using Port = ParallelPort;

    // The machine on a parallel port (or the simulated one).
    VexorMachine(std::unique_ptr<platform::SettingsStore> store,
                 std::unique_ptr<platform::PerformanceCounter> counter, Port port,
                 RunnerKind runner = RunnerKind::thread);
    // The machine behind a GRBL controller on `link` (null: `open_error`
    // says why the device could not be opened); connect() is left to the
    // caller.
    struct Grbl {
        std::unique_ptr<grbl::SerialLink> link;
        std::string device;
        std::string openError;
        std::function<std::int64_t()> nowMs;
    };
    VexorMachine(std::unique_ptr<platform::SettingsStore> store,
                 std::unique_ptr<platform::PerformanceCounter> counter, Grbl grbl);
    ~VexorMachine();
    VexorMachine(const VexorMachine&) = delete;
    VexorMachine& operator=(const VexorMachine&) = delete;

    // How the program's machine is made.
    struct ProgramOptions {
        // The settings the user changes are written back to the store; when
        // false they are only read (a screenshot must not change the machine).
        bool keepSettings = true;
        // The simulated port in place of the one the environment selects.
        bool simulatePort = false;
    };
    // The program's machine: the user's settings, the steady counter, and
    // the connection they name: a GRBL controller on its serial device, or
    // the port chosen from the environment for the stored LPT (the simulated
    // one when asked).
    static std::unique_ptr<VexorMachine> for_program(const ProgramOptions& options);

    CVexorDoc& doc() { return *doc_; }
    MachineBackend& backend() { return *backend_; }
    const MachineBackend& backend() const { return *backend_; }
    // The parallel port's runner: only for a machine on a parallel port.
    DriverRunner& runner() { return parallel_->runner(); }
    ParallelBackend* parallel() { return parallel_; }
    bool simulated() const;
    std::string port_label() const { return backend_->label(); }

    // How the machine of each kind is reached, from the document's
    // settings: the program's open the real port or device, a test's hand
    // over its own.
    struct Connectors {
        std::function<Port(const MachineSettings&)> parallel;
        std::function<Grbl(const MachineSettings&)> grbl;
        RunnerKind runner = RunnerKind::thread;
    };
    void set_connectors(Connectors connectors) { connectors_ = std::move(connectors); }
    // Drives the machine the settings now name (the connection dialog): the
    // machine in use is stopped and let go of first, then the new one is
    // connected. False when there is no way to reach it.
    bool reconnect();

    // Stops the machine for good, before the program quits: the stop
    // command, the move in progress brought to rest (waited for at most
    // `limit`), and the port or link let go of. From then on no command
    // reaches the machine. False when it was not at rest within `limit`.
    bool shut_down(std::chrono::milliseconds limit) { return backend_->shut_down(limit); }

  private:
    void use_parallel(Port port, RunnerKind runner);
    void use_grbl(Grbl grbl);

    std::unique_ptr<platform::SettingsStore> store_;
    std::unique_ptr<platform::PerformanceCounter> counter_;
    std::unique_ptr<CVexorDoc> doc_;
    std::unique_ptr<MachineBackend> backend_;
    ParallelBackend* parallel_ = nullptr;
    Connectors connectors_;
    bool simulated_ = false;
};

}  // namespace vexor
