#include "vexor_machine.h"

#include <cstdio>
#include <cstdlib>

#include "idle_pump.h"
#include "machine_settings.h"
#include "qt_settings_store.h"
#include "stepping_thread.h"

namespace vexor {

namespace {

// The user's settings, read but never written: a screenshot or a trial run
// must not change the machine.
class ReadOnlyStore : public platform::SettingsStore {
  public:
    explicit ReadOnlyStore(std::unique_ptr<platform::SettingsStore> store)
        : store_(std::move(store)) {}
    int read_int(const std::string& section, const std::string& key,
                 int default_value) const override {
        return store_->read_int(section, key, default_value);
    }
    bool write_int(const std::string&, const std::string&, int) override { return false; }

  private:
    std::unique_ptr<platform::SettingsStore> store_;
};

// The runner of a machine that has been shut down: the driver stays as it
// was left and nothing reaches it any more.
class HaltedRunner : public DriverRunner {
  public:
    explicit HaltedRunner(const DriverSnapshot& last) : last_(last) {}
    void command(const std::function<void(CStepDriver&)>&) override {}
    DriverSnapshot snapshot() const override { return last_; }
    bool wait_idle(std::chrono::milliseconds) override { return !last_.running; }
    std::string status() const override { return "arrêté"; }

  private:
    DriverSnapshot last_;
};

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

VexorMachine::VexorMachine(std::unique_ptr<platform::SettingsStore> store,
                           std::unique_ptr<platform::PerformanceCounter> counter, Port port,
                           RunnerKind runner)
    : store_(std::move(store)), counter_(std::move(counter)), port_(std::move(port)) {
    doc_ = std::make_unique<CVexorDoc>(*store_, *port_.writer, *counter_);
    runner_ = make_driver_runner(doc_->driver(), runner);
}

VexorMachine::~VexorMachine() {
    // The runner lets go of the driver before the document (and its driver)
    // goes away.
    runner_.reset();
    doc_.reset();
}

bool VexorMachine::shut_down(std::chrono::milliseconds limit) {
    runner_->command([](CStepDriver& d) { d.request_stop(); });
    const bool idle = runner_->wait_idle(limit);
    // The runner lets go of the driver first: nothing writes to the port
    // once it is released.
    runner_.reset();
    runner_ = std::make_unique<HaltedRunner>(snapshot_of(doc_->driver()));
    port_.failedWrites = nullptr;
    if (port_.release) {
        port_.release();
        port_.release = nullptr;
    }
    return idle;
}

std::unique_ptr<VexorMachine> VexorMachine::for_program(const ProgramOptions& options) {
    const bool simulate = options.simulatePort;
    std::unique_ptr<platform::SettingsStore> store = platform::make_user_settings("Vexor");
    if (!options.keepSettings) {
        store = std::make_unique<ReadOnlyStore>(std::move(store));
    }
    auto counter = std::make_unique<platform::SteadyCounter>();
    const auto address =
        static_cast<unsigned short>(port_address(load_machine_settings(*store).Lpt));
    platform::install_port_output(
        simulate ? platform::select_port_output(address, "simulated", *counter,
                                                std::getenv("VEXOR_TRACE"))
                 : platform::select_port_output_from_environment(address, *counter));
    const platform::PortSelection& selection = platform::active_port_output();
    static platform::DlPortIo dl_port_io;
    Port port;
    port.writer = &dl_port_io;
    port.backend = selection.backend;
    port.notice = simulate
                      ? "Capture d'écran : la machine est simulée, aucun octet n'atteint le port."
                      : selection.notice;
    port.failedWrites = failures_of<platform::PpdevPort>(selection.writer.get());
    if (!port.failedWrites) {
        port.failedWrites = failures_of<platform::DirectPort>(selection.writer.get());
    }
    port.release = [] { platform::install_port_output(platform::PortSelection{}); };
    return std::make_unique<VexorMachine>(std::move(store), std::move(counter), std::move(port));
}

std::string VexorMachine::port_label() const {
    const int base = doc_->driver().wiring().portBase;
    switch (port_.backend) {
        case platform::PortBackend::ppdev:
            return "Port : " + platform::ppdev_device(static_cast<unsigned short>(base));
        case platform::PortBackend::direct: {
            char address[16];
            std::snprintf(address, sizeof address, "0x%03X", base);
            return std::string("Port : direct ") + address;
        }
        case platform::PortBackend::simulated:
            break;
    }
    return "Port : simulation";
}

}  // namespace vexor
