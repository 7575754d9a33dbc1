#include "grbl_backend.h"

#include <charconv>
#include <cmath>
#include <string_view>
#include <thread>

#include "grbl_job.h"

namespace vexor {

namespace {

std::string fixed(double v, int decimals) {
    char b[48];
    const auto r = std::to_chars(b, b + sizeof b, v, std::chars_format::fixed, decimals);
    return std::string(b, r.ptr);
}

bool starts_with(const std::string& s, const char* prefix) {
    return s.rfind(prefix, 0) == 0;
}

// The states in which the machine moves or may move again on its own.
bool moving_state(const std::string& state) {
    return state == "Run" || state == "Jog" || state == "Home" || starts_with(state, "Hold") ||
           starts_with(state, "Door");
}

}  // namespace

std::vector<ProgramLineTime> program_line_times(const std::vector<grbl::ProgramLine>& lines) {
    std::vector<ProgramLineTime> out;
    std::array<double, 3> at{};
    bool placed = false;
    int motion = 0;
    double feed = 0;
    for (const grbl::ProgramLine& l : lines) {
        std::array<double, 3> to = at;
        bool moves = false;
        for (std::size_t i = 0; i < l.text.size(); ++i) {
            const char c = l.text[i];
            if (std::string_view("GXYZF").find(c) == std::string_view::npos) {
                continue;
            }
            double v = 0;
            const char* begin = l.text.data() + i + 1;
            const auto r = std::from_chars(begin, l.text.data() + l.text.size(), v);
            if (r.ec != std::errc()) {
                continue;
            }
            if (c == 'G' && (v == 0 || v == 1)) {
                motion = static_cast<int>(v);
            } else if (c == 'F') {
                feed = v;
            } else if (c != 'G') {
                to[static_cast<std::size_t>(c - 'X')] = v;
                moves = true;
            }
        }
        ProgramLineTime t;
        if (moves && placed) {
            const double d = std::hypot(to[0] - at[0], to[1] - at[1], to[2] - at[2]);
            const double rate = motion == 1 ? feed : common::kAssumedRapidFeed;
            t.seconds = rate > 0 ? d / rate * 60.0 : 0;
            t.cutting = motion == 1;
        }
        placed = placed || moves;
        at = to;
        out.push_back(t);
    }
    return out;
}

namespace {

constexpr const char* kUnlockHint =
    " Vérifiez la machine, puis déverrouillez-la ($X) pour reprendre la main.";

}  // namespace

GrblBackend::GrblBackend(CVexorDoc& doc, std::unique_ptr<grbl::SerialLink> link, std::string device,
                         std::function<std::int64_t()> now_ms, std::string open_error)
    : doc_(doc),
      link_(std::move(link)),
      device_(std::move(device)),
      openError_(std::move(open_error)) {
    if (link_) {
        session_ = std::make_unique<grbl::Session>(*link_, std::move(now_ms));
    } else if (openError_.empty()) {
        openError_ = "Le périphérique « " + device_ + " » n'est pas ouvert.";
    }
}

bool GrblBackend::offers(MachineFeature) const {
    return true;
}

void GrblBackend::connect() {
    if (session_) {
        lostTold_ = false;
        session_->connect();
    }
}

bool GrblBackend::usable(std::string& error) const {
    if (!session_) {
        error = openError_;
        return false;
    }
    switch (session_->phase()) {
        case grbl::Phase::Ready:
            return true;
        case grbl::Phase::Lost:
        case grbl::Phase::Failed:
            error = session_->message() + " Reconnectez la machine avant toute commande.";
            return false;
        default:
            error = "Le contrôleur n'est pas encore prêt : connexion en cours.";
            return false;
    }
}

bool GrblBackend::idle(std::string& error) const {
    if (!usable(error)) {
        return false;
    }
    if (stream_ != Stream::none || check_ != Check::none || session_->stopping()) {
        error = "La machine est occupée : attendez la fin du mouvement.";
        return false;
    }
    if (session_->state() != "Idle") {
        error = "Commande refusée dans l'état « " + session_->state() + " » du contrôleur.";
        if (session_->state() == "Alarm") {
            error += kUnlockHint;
        }
        return false;
    }
    return true;
}

std::vector<std::string> GrblBackend::poll() {
    std::vector<std::string> alerts = std::move(pending_);
    pending_.clear();
    if (!session_) {
        return alerts;
    }
    session_->poll();
    watch_connection(alerts);
    watch_stream(alerts);
    watch_check(alerts);
    watch_override(alerts);
    return alerts;
}

void GrblBackend::watch_connection(std::vector<std::string>& alerts) {
    const grbl::Phase phase = session_->phase();
    if ((phase == grbl::Phase::Lost || phase == grbl::Phase::Failed) && !lostTold_) {
        lostTold_ = true;
        const bool was_busy = stream_ != Stream::none || check_ != Check::none;
        stream_ = Stream::none;
        check_ = Check::none;
        if (job_ == JobPhase::held || job_ == JobPhase::running) {
            end_job(JobPhase::stopped, "liaison perdue");
        }
        alerts.push_back(
            (phase == grbl::Phase::Lost
                 ? "Liaison perdue avec le contrôleur (" + device_ + ") : " + session_->message()
                 : session_->message()) +
            (was_busy ? " La découpe est arrêtée et ne reprendra pas d'elle-même." : "") +
            " Rebranchez la machine puis reconnectez-la.");
        return;
    }
    const bool alarm = session_->state() == "Alarm";
    if (alarm && !alarmTold_ && stream_ == Stream::none && check_ == Check::none) {
        // An alarm outside a stream (a limit switch during a jog...).
        alerts.push_back(session_->message() + "." + kUnlockHint);
    }
    alarmTold_ = alarm || (alarmTold_ && session_->state().empty());
}

void GrblBackend::watch_stream(std::vector<std::string>& alerts) {
    if (stream_ == Stream::none) {
        return;
    }
    const grbl::Streamer& streamer = session_->streamer();
    switch (streamer.state()) {
        case grbl::StreamState::Running:
            return;
        case grbl::StreamState::Done:
            // Every line taken; the stream is over once the machine is seen
            // at rest in a report read after the last acknowledgement.
            if (!acknowledged_) {
                acknowledged_ = true;
                doneAtReport_ = session_->reports();
            }
            if (session_->reports() <= doneAtReport_ + 1 || session_->state() != "Idle") {
                return;
            }
            if (stream_ == Stream::job) {
                end_job(JobPhase::finished, "");
            }
            break;
        case grbl::StreamState::Failed: {
            const bool alarm = session_->state() == "Alarm";
            alarmTold_ = alarm;
            alerts.push_back(streamer.message() + (alarm ? std::string(".") + kUnlockHint : ""));
            if (stream_ == Stream::job) {
                end_job(JobPhase::stopped, streamer.message());
            }
            break;
        }
        case grbl::StreamState::Stopped:
            if (stream_ == Stream::job) {
                alerts.push_back(streamer.message());
                end_job(JobPhase::stopped, "arrêt demandé");
            }
            break;
        default:
            break;  // Lost and Idle: the connection's watch tells
    }
    stream_ = Stream::none;
}

void GrblBackend::watch_check(std::vector<std::string>& alerts) {
    const grbl::Streamer& streamer = session_->streamer();
    switch (check_) {
        case Check::none:
            return;
        case Check::entering:
            if (session_->check_mode() && session_->state() == "Check") {
                if (!session_->start_job(lines_)) {
                    checkFailure_ = session_->message();
                    check_ = Check::leaving;
                    return;
                }
                check_ = Check::running;
            }
            return;
        case Check::running:
            if (streamer.state() == grbl::StreamState::Running) {
                return;
            }
            if (streamer.state() != grbl::StreamState::Done) {
                checkFailure_ = streamer.message();
            }
            check_ = Check::leaving;
            return;
        case Check::leaving:
            break;
    }
    // Leaving check mode resets the controller: its welcome, then a fresh
    // report, say it is back. A controller in alarm stays where it is.
    if (session_->check_mode() && !session_->stopping() && session_->state() != "Alarm" &&
        !session_->toggle_check_mode()) {
        return;
    }
    if ((session_->check_mode() && session_->state() != "Alarm") || session_->stopping() ||
        session_->state().empty()) {
        return;
    }
    check_ = Check::none;
    if (checkFailure_.empty()) {
        end_job(JobPhase::finished, "");
        alerts.push_back("Vérification terminée : aucune ligne refusée (" +
                         std::to_string(lines_.size()) + " lignes).");
    } else {
        end_job(JobPhase::stopped, checkFailure_);
        alerts.push_back("Vérification : " + checkFailure_);
    }
}

void GrblBackend::watch_override(std::vector<std::string>& alerts) {
    // A report with Ov: may already be on its way when the bytes go out:
    // the second one after them says what the controller applies.
    if (askedOverride_ == 0 || session_->override_reports() < overrideAskedAt_ + 2) {
        return;
    }
    const int applied = session_->overrides()[0];
    if (applied != askedOverride_) {
        alerts.push_back("Le contrôleur applique une correction d'avance de " +
                         std::to_string(applied) + " % au lieu des " +
                         std::to_string(askedOverride_) + " % demandés.");
    }
    askedOverride_ = 0;
}

void GrblBackend::end_job(JobPhase phase, const std::string& why) {
    const bool ended = (job_ == JobPhase::running || job_ == JobPhase::held) &&
                       (phase == JobPhase::finished || phase == JobPhase::stopped);
    job_ = phase;
    jobEnd_ = why;
    // The override is the job's: the next one starts at 100 %.
    if (ended && session_ && session_->phase() == grbl::Phase::Ready &&
        (session_->overrides()[0] != 100 || overrideAsked_)) {
        overrideAsked_ = false;
        (void)session_->send_realtime(grbl::realtime::kFeed100);
        askedOverride_ = 100;
        overrideAskedAt_ = session_->override_reports();
    }
}

MachineSnapshot GrblBackend::snapshot() const {
    MachineSnapshot s;
    s.job = job_;
    s.jobEnd = jobEnd_;
    if (!session_) {
        s.ready = false;
        s.positionKnown = false;
        return s;
    }
    const grbl::Session& g = *session_;
    s.ready = g.phase() == grbl::Phase::Ready && !g.stopping();
    s.positionKnown = g.work_position_known();
    s.position = g.work_position();
    s.state = g.state();
    s.alarm = s.state == "Alarm";
    s.paused = starts_with(s.state, "Hold") || starts_with(s.state, "Door");
    s.motorsOn = g.phase() == grbl::Phase::Ready && s.state != "Sleep";
    s.running = stream_ != Stream::none || check_ != Check::none || moving_state(s.state);
    s.checking = check_ != Check::none;
    // The value asked until the controller's reports have had time to say
    // what it applies (a different one is then told).
    s.feedOverride = askedOverride_ != 0 ? askedOverride_ : g.overrides()[0];
    const grbl::Streamer& streamer = g.streamer();
    if (stream_ == Stream::job || check_ == Check::running) {
        s.linesDone = streamer.lines_acknowledged();
        s.linesTotal = streamer.lines_total();
        // What the lines not yet taken need, the cutting ones at the
        // override the controller reports.
        double left = 0;
        for (std::size_t i = s.linesDone; i < lineTimes_.size(); ++i) {
            const LineTime& t = lineTimes_[i];
            left +=
                t.cutting && s.feedOverride > 0 ? t.seconds * 100.0 / s.feedOverride : t.seconds;
        }
        s.jobRemainingUs = static_cast<std::int64_t>(left * 1e6);
    }
    return s;
}

bool GrblBackend::jog(Jog jog, float distance, std::string& error) {
    if (!usable(error)) {
        return false;
    }
    if (stream_ != Stream::none || check_ != Check::none) {
        error = "La machine est occupée : attendez la fin du mouvement.";
        return false;
    }
    const MachineSettings& s = doc_.settings();
    double d[3] = {0, 0, 0};
    double feed = s.travelSpeedXY * 60.0;
    switch (jog) {
        case Jog::XPlus:
            d[0] = distance;
            break;
        case Jog::XMinus:
            d[0] = -distance;
            break;
        case Jog::YPlus:
            d[1] = distance;
            break;
        case Jog::YMinus:
            d[1] = -distance;
            break;
        case Jog::ZPlus:
            d[2] = distance, feed = s.travelSpeedZ * 60.0;
            break;
        case Jog::ZMinus:
            d[2] = -distance, feed = s.travelSpeedZ * 60.0;
            break;
    }
    if (!session_->jog(d[0], d[1], d[2], feed)) {
        error = session_->message();
        return false;
    }
    return true;
}

bool GrblBackend::go_to_origin(std::string& error) {
    if (!idle(error)) {
        return false;
    }
    // Up to the travel height first, then over the work origin.
    const std::string program = "G21 G90\nG0 Z" + fixed(kGrblSafeHeight, 3) + "\nG0 X0 Y0\n";
    std::vector<grbl::ProgramLine> lines;
    if (!grbl::prepare_program(program, lines, error)) {
        return false;
    }
    if (!session_->start_job(std::move(lines))) {
        error = session_->message();
        return false;
    }
    stream_ = Stream::move;
    acknowledged_ = false;
    if (job_ == JobPhase::held) {
        end_job(JobPhase::stopped, "remplacée par un déplacement");
    }
    return true;
}

bool GrblBackend::zero(bool x, bool y, bool z, std::string& error) {
    if (!idle(error)) {
        return false;
    }
    if (!session_->zero_work(x, y, z)) {
        error = session_->message();
        return false;
    }
    return true;
}

bool GrblBackend::job_lines(std::vector<grbl::ProgramLine>& lines, std::string& error) {
    std::string program;
    common::GcodeReport report;
    const std::string name = doc_.drawingName.empty() ? "Sans titre" : doc_.drawingName;
    if (!grbl_program(doc_.polylines, doc_.polylineCount, doc_.settings(), name, program, report,
                      error) ||
        !grbl::prepare_program(program, lines, error)) {
        return false;
    }
    lineTimes_ = program_line_times(lines);
    return true;
}

bool GrblBackend::prepare_job(std::string& error) {
    if (!idle(error)) {
        return false;
    }
    std::vector<grbl::ProgramLine> lines;
    if (!job_lines(lines, error)) {
        return false;
    }
    lines_ = std::move(lines);
    end_job(JobPhase::held, "");
    return true;
}

void GrblBackend::release_job() {
    if (job_ != JobPhase::held) {
        return;
    }
    std::string error;
    if (!idle(error) || !session_->start_job(lines_)) {
        const std::string why = error.empty() ? session_->message() : error;
        end_job(JobPhase::stopped, why);
        pending_.push_back("La découpe n'a pas démarré : " + why);
        return;
    }
    stream_ = Stream::job;
    acknowledged_ = false;
    job_ = JobPhase::running;
}

bool GrblBackend::check_job(std::string& error) {
    if (!idle(error)) {
        return false;
    }
    std::vector<grbl::ProgramLine> lines;
    if (!job_lines(lines, error)) {
        return false;
    }
    if (!session_->toggle_check_mode()) {
        error = session_->message();
        return false;
    }
    lines_ = std::move(lines);
    checkFailure_.clear();
    check_ = Check::entering;
    end_job(JobPhase::running, "");
    return true;
}

void GrblBackend::cancel_jog() {
    if (session_ && stream_ == Stream::none && session_->state() == "Jog") {
        (void)session_->send_realtime(grbl::realtime::kJogCancel);
    }
}

void GrblBackend::toggle_pause() {
    std::string error;
    if (!usable(error)) {
        pending_.push_back(error);
        return;
    }
    const std::string& state = session_->state();
    const bool held = starts_with(state, "Hold");
    (void)session_->send_realtime(held ? grbl::realtime::kCycleStart : grbl::realtime::kFeedHold);
}

void GrblBackend::stop() {
    if (!session_ || session_->phase() == grbl::Phase::Lost) {
        return;
    }
    if (stream_ == Stream::none && check_ == Check::none && session_->state() == "Jog") {
        // A jog alone is cancelled: no reset, the machine keeps its state.
        cancel_jog();
        return;
    }
    (void)session_->stop_job();
    if (job_ == JobPhase::held) {
        end_job(JobPhase::stopped, "arrêt demandé");
    }
    if (check_ == Check::entering || check_ == Check::running) {
        checkFailure_ = "vérification interrompue.";
        check_ = Check::leaving;
    }
}

void GrblBackend::set_motors(bool on) {
    std::string error;
    if (!usable(error)) {
        pending_.push_back(error);
        return;
    }
    if (on == (session_->state() != "Sleep")) {
        return;
    }
    if (!(on ? session_->wake() : (idle(error) && session_->sleep()))) {
        pending_.push_back(error.empty() ? session_->message() : error);
    }
}

bool GrblBackend::unlock(std::string& error) {
    if (!usable(error)) {
        return false;
    }
    if (!session_->unlock()) {
        error = session_->message();
        return false;
    }
    alarmTold_ = false;
    return true;
}

bool GrblBackend::set_feed_override(int percent, std::string& error) {
    if (!usable(error)) {
        return false;
    }
    if (!session_->set_feed_override(percent)) {
        error = session_->message();
        return false;
    }
    askedOverride_ = percent;
    overrideAskedAt_ = session_->override_reports();
    overrideAsked_ = true;
    return true;
}

std::vector<ControllerSetting> GrblBackend::controller_settings() const {
    if (!session_ || session_->phase() != grbl::Phase::Ready) {
        return {};
    }
    const grbl::ControllerSettings& c = session_->settings();
    std::vector<ControllerSetting> out = {
        {"Contrôleur", session_->version()},
        {"Tampon de réception", std::to_string(session_->rx_buffer()) + " octets"}};
    const char* axes[3] = {"X", "Y", "Z"};
    for (int i = 0; i < 3; ++i) {
        out.push_back({std::string("Pas par mm ") + axes[i] + " ($10" + std::to_string(i) + ")",
                       fixed(c.steps_per_mm[i], 3)});
    }
    for (int i = 0; i < 3; ++i) {
        out.push_back(
            {std::string("Vitesse maximale ") + axes[i] + " ($11" + std::to_string(i) + ")",
             fixed(c.max_rate[i], 0) + " mm/min"});
    }
    for (int i = 0; i < 3; ++i) {
        out.push_back({std::string("Course ") + axes[i] + " ($13" + std::to_string(i) + ")",
                       fixed(c.max_travel[i], 1) + " mm"});
    }
    out.push_back({"Unités des rapports ($13)", c.report_inches ? "pouces" : "mm"});
    return out;
}

void GrblBackend::edit(const std::function<void(CVexorDoc&)>& change) {
    change(doc_);
}

std::string GrblBackend::label() const {
    return "GRBL : " + device_;
}

std::string GrblBackend::detail() const {
    if (!session_) {
        return openError_;
    }
    switch (session_->phase()) {
        case grbl::Phase::Ready:
            return "Contrôleur : " + session_->version() +
                   "\nTampon de réception : " + std::to_string(session_->rx_buffer()) + " octets";
        case grbl::Phase::Lost:
        case grbl::Phase::Failed:
            return session_->message();
        default:
            return "Connexion en cours…";
    }
}

bool GrblBackend::shut_down(std::chrono::milliseconds limit) {
    if (!session_ || !snapshot().running) {
        return true;
    }
    // Feed hold, then the soft reset once the machine is at rest: it keeps
    // its position, and nothing further is streamed.
    (void)session_->stop_job();
    const auto until = std::chrono::steady_clock::now() + limit;
    while (session_->stopping() && session_->phase() == grbl::Phase::Ready &&
           std::chrono::steady_clock::now() < until) {
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
        session_->poll();
    }
    return !session_->stopping();
}

}  // namespace vexor
