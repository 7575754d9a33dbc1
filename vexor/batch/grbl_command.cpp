#include "grbl_command.h"

#include <charconv>
#include <chrono>
#include <cstdio>
#include <memory>
#include <thread>

#include "command_line.h"
#include "grbl_session.h"
#include "posix_serial_link.h"
#include "qt_settings_store.h"
#include "vexor_machine.h"

namespace vexor {

namespace {

std::string number(double value, int decimals) {
    char text[64];
    const auto end =
        std::to_chars(text, text + sizeof text, value, std::chars_format::fixed, decimals).ptr;
    return std::string(text, end);
}

std::string triple(const std::array<double, 3>& v, int decimals) {
    return "X " + number(v[0], decimals) + " Y " + number(v[1], decimals) + " Z " +
           number(v[2], decimals);
}

void say(const std::string& text) {
    std::fwrite(text.data(), 1, text.size(), stdout);
    std::fflush(stdout);
}

// The serial link, remembering when the controller last sent anything.
class WatchedLink : public grbl::SerialLink {
  public:
    explicit WatchedLink(std::unique_ptr<grbl::SerialLink> link)
        : link_(std::move(link)), last_(now()) {}
    bool write(std::string_view bytes) override { return link_->write(bytes); }
    std::string read_available() override {
        std::string bytes = link_->read_available();
        if (!bytes.empty()) {
            last_ = now();
        }
        return bytes;
    }
    bool is_open() const override { return link_->is_open(); }
    std::int64_t silent_ms() const { return now() - last_; }
    static std::int64_t now() {
        return std::chrono::duration_cast<std::chrono::milliseconds>(
                   std::chrono::steady_clock::now().time_since_epoch())
            .count();
    }

  private:
    std::unique_ptr<grbl::SerialLink> link_;
    std::int64_t last_;
};

// The machine's loop: polls until a condition holds, keeping the machine's
// alerts on the way.
class Run {
  public:
    Run(MachineBackend& machine, const WatchedLink& link, const GrblOptions& options)
        : machine_(machine), link_(link), options_(options) {}

    // Polls until `done` holds; false with `error` set when the machine
    // raised an alert (unless alerts are awaited) or the controller stayed
    // silent too long.
    template <typename Done>
    bool until(Done done, std::string& error) {
        for (;;) {
            for (const std::string& alert : machine_.poll()) {
                alerts_.push_back(alert);
            }
            if (done(machine_.snapshot())) {
                return true;
            }
            if (!alerts_.empty() && !awaitAlerts_) {
                error = alerts_.front();
                return false;
            }
            if (link_.silent_ms() > options_.silence_ms) {
                error = "Le contrôleur ne répond plus depuis " +
                        std::to_string(options_.silence_ms / 1000) + " s.";
                return false;
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(2));
        }
    }

    // A job's end comes with an alert (a refused line, the check's
    // account): the loop then waits for the job's phase instead.
    void await_alerts() { awaitAlerts_ = true; }
    const std::vector<std::string>& alerts() const { return alerts_; }

  private:
    MachineBackend& machine_;
    const WatchedLink& link_;
    const GrblOptions& options_;
    std::vector<std::string> alerts_;
    bool awaitAlerts_ = false;
};

// The job (or its check) followed to its end, progress printed every tenth
// of the lines. False when the controller fell silent.
bool follow_job(Run& run, std::string& error) {
    std::size_t reported = 0;  // tenths announced
    run.await_alerts();
    return run.until(
        [&](const MachineSnapshot& s) {
            if (s.linesTotal > 0) {
                const std::size_t tenths = s.linesDone * 10 / s.linesTotal;
                if (tenths > reported && tenths < 10) {
                    reported = tenths;
                    say("Avancement : " + std::to_string(tenths * 10) + " % (" +
                        std::to_string(s.linesDone) + " / " + std::to_string(s.linesTotal) +
                        " lignes)\n");
                }
            }
            return s.job == JobPhase::finished || s.job == JobPhase::stopped;
        },
        error);
}

}  // namespace

int run_grbl_command(const GrblOptions& options) {
    std::string error;
    // The drawing first: a refused drawing opens no port.
    {
        auto table = std::make_unique<common::PolylineArray>();
        int count = 0;
        if (!read_drawing(options.drawing, *table, count, error)) {
            return platform::refuse(command_line_message(error));
        }
    }
    auto port = std::make_unique<grbl::PosixSerialLink>();
    if (!port->open(options.device, error)) {
        return platform::refuse(error);
    }
    auto watched = std::make_unique<WatchedLink>(std::move(port));
    const WatchedLink& link = *watched;
    VexorMachine::Grbl grbl;
    grbl.link = std::move(watched);
    grbl.device = options.device;
    grbl.nowMs = &WatchedLink::now;
    VexorMachine machine(
        std::make_unique<platform::ReadOnlySettingsStore>(platform::make_user_settings("Vexor")),
        std::make_unique<platform::SteadyCounter>(), std::move(grbl));
    for (const std::string& notice : machine.doc().settings_notices()) {
        std::fprintf(stderr, "%s\n", notice.c_str());
    }
    if (!machine.doc().open_drawing(options.drawing, error)) {
        return platform::refuse(error);
    }
    MachineBackend& backend = machine.backend();
    Run run(backend, link, options);
    backend.connect();
    // Ready, and the state known from the first status report.
    if (!run.until([](const MachineSnapshot& s) { return s.ready && !s.state.empty(); }, error)) {
        return platform::refuse(error);
    }
    for (const ControllerSetting& s : backend.controller_settings()) {
        say(s.name + " : " + s.value + "\n");
    }
    const bool started = options.check ? backend.check_job(error) : backend.prepare_job(error);
    if (!started) {
        return platform::refuse(error);
    }
    if (options.check) {
        say("Mode contrôle : le programme est lu sans mouvement.\n");
    } else {
        backend.release_job();
    }
    if (!follow_job(run, error)) {
        return platform::refuse(error);
    }
    const MachineSnapshot end = backend.snapshot();
    if (end.job != JobPhase::finished) {
        // Every alert of the job: the refused line, then the check's account.
        for (std::size_t i = 1; i < run.alerts().size(); ++i) {
            std::fprintf(stderr, "%s\n", run.alerts()[i].c_str());
        }
        return platform::refuse(run.alerts().empty() ? end.jobEnd : run.alerts().front());
    }
    say("Avancement : 100 % (" + std::to_string(end.linesTotal) + " / " +
        std::to_string(end.linesTotal) + " lignes)\n");
    if (options.check) {
        say("Contrôle terminé : aucune ligne refusée.\n");
    }
    // The end state and position once the controller reports them at rest.
    const std::int64_t asked = WatchedLink::now();
    if (!run.until(
            [&](const MachineSnapshot& s) {
                return WatchedLink::now() - asked > grbl::Session::kStatusPeriodMs * 2 &&
                       s.state == "Idle" && s.positionKnown;
            },
            error)) {
        return platform::refuse(error);
    }
    const MachineSnapshot rest = backend.snapshot();
    say("État final : " + rest.state + "\n");
    say("Position de travail : " + triple(rest.position, 3) + " mm\n");
    return 0;
}

}  // namespace vexor
