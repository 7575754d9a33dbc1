#pragma once
// Everything the controller's window drives: the settings store, the
// counter, the port and the document with its motion driver, and the one
// runner that runs the driver. The window reaches the driver only through
// that runner.

#include <chrono>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>

#include "driver_runner.h"
#include "performance_counter.h"
#include "port_output.h"
#include "settings_store.h"
#include "vexor_doc.h"

namespace vexor {

// What runs the driver: the stepping thread in the program; the idle pump
// where a test drives the clock by hand and wants the event loop to pace it.
enum class RunnerKind { thread, pump };
std::unique_ptr<DriverRunner> make_driver_runner(CStepDriver& driver, RunnerKind kind);

class VexorMachine {
  public:
    // The port as the machine sees it: where the driver writes, which
    // backend it is, the French notice of its selection, and the count of
    // writes that did not reach the port (null: never any).
    struct Port {
        platform::PortWriter* writer = nullptr;
        platform::PortBackend backend = platform::PortBackend::simulated;
        std::string notice;
        std::function<std::uint64_t()> failedWrites;
        // Lets go of the port for good (null: nothing to release).
        std::function<void()> release;
    };

    VexorMachine(std::unique_ptr<platform::SettingsStore> store,
                 std::unique_ptr<platform::PerformanceCounter> counter, Port port,
                 RunnerKind runner = RunnerKind::thread);
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
    // The program's machine: the user's settings, the steady counter, and the
    // port chosen from the environment for the stored LPT, or the simulated one.
    static std::unique_ptr<VexorMachine> for_program(const ProgramOptions& options);

    CVexorDoc& doc() { return *doc_; }
    DriverRunner& runner() { return *runner_; }
    const Port& port() const { return port_; }
    bool simulated() const { return port_.backend == platform::PortBackend::simulated; }
    // "Port : simulation", "Port : /dev/parport0", "Port : direct 0x378".
    std::string port_label() const;
    std::uint64_t failed_writes() const { return port_.failedWrites ? port_.failedWrites() : 0; }

    // Stops the machine for good, before the program quits: the stop
    // command, the tick in progress completed (waited for at most `limit`),
    // the runner's hold on the driver ended (the stepping thread joined) and
    // the port released. From then on runner() shows the last snapshot and
    // applies no command. False when the driver was not idle within `limit`.
    bool shut_down(std::chrono::milliseconds limit);

  private:
    std::unique_ptr<platform::SettingsStore> store_;
    std::unique_ptr<platform::PerformanceCounter> counter_;
    Port port_;
    std::unique_ptr<CVexorDoc> doc_;
    std::unique_ptr<DriverRunner> runner_;
};

}  // namespace vexor
