#include "parallel_backend.h"

#include <cstdio>

namespace vexor {

namespace {

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

}  // namespace

ParallelBackend::ParallelBackend(CVexorDoc& doc, std::unique_ptr<DriverRunner> runner,
                                 ParallelPort port)
    : doc_(doc), runner_(std::move(runner)), port_(std::move(port)) {
    failedSeen_ = failed_writes();
}

ParallelBackend::~ParallelBackend() {
    // The runner lets go of the driver before anything else goes away.
    runner_.reset();
}

std::vector<std::string> ParallelBackend::poll() {
    std::vector<std::string> alerts;
    // A port that refuses bytes: a moving machine stops instead of stepping
    // into the void, and a move that ended between two polls is reported
    // all the same, since its steps never reached the motors.
    const std::uint64_t failed = failed_writes();
    if (failed > failedSeen_) {
        failedSeen_ = failed;
        if (job_ == JobPhase::held || job_ == JobPhase::running) {
            jobPortFailed_ = true;
        }
        if (runner_->snapshot().running) {
            runner_->command([](CStepDriver& d) { d.request_stop(EndReason::portRefused); });
        }
        alerts.push_back("Le port parallèle (" + label() +
                         ") refuse les octets : la machine est arrêtée. Vérifiez le câble, "
                         "l'alimentation des moteurs et les droits sur le périphérique.");
    }
    const DriverSnapshot snap = runner_->snapshot();
    if ((job_ == JobPhase::held || job_ == JobPhase::running) && !snap.running) {
        end_job(job_end_text(snap.end, snap.endLine));
    }
    return alerts;
}

MachineSnapshot ParallelBackend::snapshot() const {
    const DriverSnapshot snap = runner_->snapshot();
    MachineSnapshot s;
    s.position = {snap.posX, snap.posY, snap.posZ};
    s.running = snap.running;
    s.paused = snap.paused;
    s.motorsOn = snap.motorsOn;
    s.job = job_;
    s.jobEnd = jobEnd_;
    s.feedOverride = snap.feedOverride;
    if (job_ == JobPhase::held || job_ == JobPhase::running) {
        // What the moves left need at the current override.
        s.jobRemainingUs = snap.remainingUs;
        s.linesDone = snap.linesDone;
        s.linesTotal = snap.linesTotal;
    }
    return s;
}

std::string ParallelBackend::job_end_text(EndReason end, std::uint64_t line) const {
    if (jobPortFailed_) {
        end = EndReason::portRefused;  // its steps never reached the motors
    }
    return end == EndReason::endOfFile ? std::string() : end_reason_text(end, line);
}

void ParallelBackend::end_job(const std::string& why) {
    job_ = why.empty() ? JobPhase::finished : JobPhase::stopped;
    jobEnd_ = why;
}

bool ParallelBackend::start_move(const std::function<bool(std::string& error)>& write,
                                 std::string& error) {
    bool ok = false;
    bool was_running = false;
    EndReason end = EndReason::none;
    std::uint64_t line = 0;
    runner_->command([&](CStepDriver& d) {
        was_running = d.running();
        end = d.end_reason();
        line = d.end_line();
        ok = write(error);
    });
    if (ok && (job_ == JobPhase::held || job_ == JobPhase::running)) {
        end_job(was_running ? std::string("remplacée par un déplacement")
                            : job_end_text(end, line));
    }
    return ok;
}

bool ParallelBackend::jog(Jog jog, float distance, std::string& error) {
    return start_move([&](std::string& e) { return doc_.jog(jog, distance, e); }, error);
}

bool ParallelBackend::go_to_origin(std::string& error) {
    return start_move([&](std::string& e) { return doc_.go_to_origin(e); }, error);
}

bool ParallelBackend::zero(bool x, bool y, bool z, std::string&) {
    runner_->command([=](CStepDriver& d) { d.zero_axes(x, y, z); });
    return true;
}

bool ParallelBackend::prepare_job(std::string& error) {
    bool ok = false;
    runner_->command([&](CStepDriver& d) {
        ok = doc_.start_job(error);
        if (ok && !d.paused()) {
            d.toggle_pause();
        }
    });
    if (!ok) {
        return false;
    }
    job_ = JobPhase::held;
    jobEnd_.clear();
    jobPortFailed_ = false;
    return true;
}

void ParallelBackend::release_job() {
    runner_->command([](CStepDriver& d) {
        if (d.paused()) {
            d.toggle_pause();
        }
    });
    if (job_ == JobPhase::held) {
        job_ = JobPhase::running;
    }
}

bool ParallelBackend::check_job(std::string& error) {
    error = "La vérification du programme se fait sur un contrôleur GRBL.";
    return false;
}

void ParallelBackend::toggle_pause() {
    runner_->command([](CStepDriver& d) { d.toggle_pause(); });
}

void ParallelBackend::stop() {
    runner_->command([](CStepDriver& d) { d.request_stop(); });
}

void ParallelBackend::set_motors(bool on) {
    runner_->command([on](CStepDriver& d) { d.set_motors_on(on); });
}

bool ParallelBackend::unlock(std::string& error) {
    error = "Le port parallèle n'a pas d'alarme à lever.";
    return false;
}

bool ParallelBackend::set_feed_override(int percent, std::string& error) {
    if (percent < CStepDriver::kMinOverride || percent > CStepDriver::kMaxOverride) {
        error = "La correction d'avance va de 10 à 200 %.";
        return false;
    }
    if (job_ != JobPhase::running && job_ != JobPhase::held) {
        error = "La correction d'avance s'applique pendant une découpe.";
        return false;
    }
    runner_->command([percent](CStepDriver& d) { d.set_feed_override(percent); });
    return true;
}

void ParallelBackend::edit(const std::function<void(CVexorDoc&)>& change) {
    runner_->command([&](CStepDriver&) { change(doc_); });
}

std::string ParallelBackend::label() const {
    const int base = doc_.driver().wiring().portBase;
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

std::string ParallelBackend::detail() const {
    // How the driver runs (the stepping thread says which priority it got).
    return port_.notice + (port_.notice.empty() ? "" : "\n") + "Pilote : " + runner_->status();
}

bool ParallelBackend::shut_down(std::chrono::milliseconds limit) {
    runner_->command([](CStepDriver& d) { d.request_stop(); });
    const bool idle = runner_->wait_idle(limit);
    // The runner lets go of the driver first: nothing writes to the port
    // once it is released.
    runner_.reset();
    runner_ = std::make_unique<HaltedRunner>(snapshot_of(doc_.driver()));
    port_.failedWrites = nullptr;
    if (port_.release) {
        port_.release();
        port_.release = nullptr;
    }
    return idle;
}

}  // namespace vexor
