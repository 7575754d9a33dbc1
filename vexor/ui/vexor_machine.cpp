#include "vexor_machine.h"

#include <cstdio>
#include <cstdlib>

#include "grbl_backend.h"
#include "idle_pump.h"
#include "machine_settings.h"
#include "qt_serial_link.h"
#include "qt_settings_store.h"
#include "stepping_thread.h"

namespace vexor {

namespace {

template <typename Writer>
std::function<std::uint64_t()> failures_of(platform::PortWriter* writer) {
    auto* w = dynamic_cast<Writer*>(writer);
    if (w == nullptr) {
        return nullptr;
    }
    return [w] { return w->failed_writes(); };
}

}  // namespace

std::unique_ptr<DriverRunner> make_driver_runner(CStepDriver& driver, RunnerKind kind) {
    if (kind == RunnerKind::pump) {
        return std::make_unique<IdlePump>(driver);
    }
    return std::make_unique<CSteppingThread>(driver);
}

namespace {

// Where the driver of the program's document writes: the port output
// installed for the parallel port, none while a GRBL controller is driven.
platform::PortWriter& program_port() {
    static platform::DlPortIo dl_port_io;
    return dl_port_io;
}

std::int64_t steady_ms() {
    return std::chrono::duration_cast<std::chrono::milliseconds>(
               std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

}  // namespace

VexorMachine::VexorMachine(std::unique_ptr<platform::SettingsStore> store,
                           std::unique_ptr<platform::PerformanceCounter> counter, Port port,
                           RunnerKind runner)
    : store_(std::move(store)), counter_(std::move(counter)) {
    doc_ = std::make_unique<CVexorDoc>(*store_, port.writer ? *port.writer : program_port(),
                                       *counter_);
    use_parallel(std::move(port), runner);
}

VexorMachine::VexorMachine(std::unique_ptr<platform::SettingsStore> store,
                           std::unique_ptr<platform::PerformanceCounter> counter, Grbl grbl)
    : store_(std::move(store)), counter_(std::move(counter)) {
    doc_ = std::make_unique<CVexorDoc>(*store_, program_port(), *counter_);
    use_grbl(std::move(grbl));
}

VexorMachine::~VexorMachine() {
    // The backend lets go of the driver before the document (and its driver)
    // goes away.
    backend_.reset();
    doc_.reset();
}

void VexorMachine::use_parallel(Port port, RunnerKind runner) {
    simulated_ = port.backend == platform::PortBackend::simulated;
    auto backend =
        std::make_unique<ParallelBackend>(*doc_, make_driver_runner(doc_->driver(), runner), port);
    parallel_ = backend.get();
    backend_ = std::move(backend);
}

void VexorMachine::use_grbl(Grbl grbl) {
    simulated_ = false;
    parallel_ = nullptr;
    if (!grbl.nowMs) {
        grbl.nowMs = steady_ms;
    }
    backend_ = std::make_unique<GrblBackend>(*doc_, std::move(grbl.link), grbl.device,
                                             std::move(grbl.nowMs), grbl.openError);
}

bool VexorMachine::simulated() const {
    return simulated_;
}

namespace {

VexorMachine::Port parallel_port(const MachineSettings& settings,
                                 platform::PerformanceCounter& counter, bool simulate) {
    const auto address = static_cast<unsigned short>(port_address(settings.Lpt));
    platform::install_port_output(
        simulate ? platform::select_port_output(address, "simulated", counter,
                                                std::getenv("VEXOR_TRACE"))
                 : platform::select_port_output_from_environment(address, counter));
    const platform::PortSelection& selection = platform::active_port_output();
    VexorMachine::Port port;
    port.writer = &program_port();
    port.backend = selection.backend;
    port.notice = simulate
                      ? "Capture d'écran : la machine est simulée, aucun octet n'atteint le port."
                      : selection.notice;
    port.failedWrites = failures_of<platform::PpdevPort>(selection.writer.get());
    if (!port.failedWrites) {
        port.failedWrites = failures_of<platform::DirectPort>(selection.writer.get());
    }
    port.release = [] { platform::install_port_output(platform::PortSelection{}); };
    return port;
}

VexorMachine::Grbl grbl_link(const MachineSettings& s) {
    VexorMachine::Grbl grbl;
    grbl.device = s.Device;
    auto link = std::make_unique<QtSerialLink>();
    if (s.Device.empty()) {
        grbl.openError =
            "Aucun périphérique série n'est choisi : Paramétrage > Connexion pour le choisir.";
    } else if (link->open(s.Device, s.Baud, grbl.openError)) {
        grbl.link = std::move(link);
    }
    return grbl;
}

}  // namespace

bool VexorMachine::reconnect() {
    const bool grbl = doc_->settings().Backend == MachineBackendKind::grbl;
    if (!(grbl ? static_cast<bool>(connectors_.grbl) : static_cast<bool>(connectors_.parallel))) {
        return false;
    }
    (void)backend_->shut_down(std::chrono::seconds(5));
    backend_.reset();
    parallel_ = nullptr;
    if (grbl) {
        use_grbl(connectors_.grbl(doc_->settings()));
        backend_->connect();
    } else {
        use_parallel(connectors_.parallel(doc_->settings()), connectors_.runner);
    }
    return true;
}

std::unique_ptr<VexorMachine> VexorMachine::for_program(const ProgramOptions& options) {
    std::unique_ptr<platform::SettingsStore> store = platform::make_user_settings("Vexor");
    if (!options.keepSettings) {
        store = std::make_unique<platform::ReadOnlySettingsStore>(std::move(store));
    }
    auto counter = std::make_unique<platform::SteadyCounter>();
    platform::PerformanceCounter& clock = *counter;
    const MachineSettings settings = load_machine_settings(*store);
    Connectors connectors;
    const bool simulate = options.simulatePort;
    connectors.parallel = [&clock, simulate](const MachineSettings& s) {
        return parallel_port(s, clock, simulate);
    };
    // A screenshot or a trial run never opens the serial device.
    if (!simulate) {
        connectors.grbl = grbl_link;
    }
    std::unique_ptr<VexorMachine> machine;
    if (settings.Backend == MachineBackendKind::grbl && !simulate) {
        machine = std::make_unique<VexorMachine>(std::move(store), std::move(counter),
                                                 grbl_link(settings));
        machine->backend().connect();
    } else {
        Port port = parallel_port(settings, clock, simulate);
        machine =
            std::make_unique<VexorMachine>(std::move(store), std::move(counter), std::move(port));
    }
    machine->set_connectors(std::move(connectors));
    return machine;
}

}  // namespace vexor
