#include "grbl_session.h"

#include <charconv>
#include <cmath>
#include <cstdlib>

namespace vexor::grbl {

namespace {

std::string number_text(double v) {
    char buf[32];
    const auto r = std::to_chars(buf, buf + sizeof buf, v, std::chars_format::fixed, 3);
    std::string s(buf, r.ptr);
    return s == "-0.000" ? "0.000" : s;
}

}  // namespace

Session::Session(SerialLink& link, std::function<std::int64_t()> now_ms)
    : link_(link), now_(std::move(now_ms)) {}

void Session::connect() {
    phase_ = Phase::Connecting;
    phase_started_ = now_();
    commands_.clear();
    command_in_flight_ = false;
    if (!link_.write(std::string{realtime::kReset})) {
        lost();
    }
}

void Session::lost() {
    streamer_.on_lost();
    phase_ = Phase::Lost;
    message_ = streamer_.state() == StreamState::Lost
                   ? streamer_.message()
                   : std::string("Le contrôleur ne répond plus (liaison perdue).");
}

void Session::fail(std::string why) {
    phase_ = Phase::Failed;
    message_ = std::move(why);
}

bool Session::refuse(std::string why) {
    message_ = std::move(why);
    return false;
}

bool Session::send_command(std::string line) {
    commands_.push_back(std::move(line));
    if (!command_in_flight_) {
        command_in_flight_ = true;
        command_sent_at_ = now_();
        if (!link_.write(commands_.front() + "\n")) {
            lost();
            return false;
        }
    }
    return true;
}

void Session::poll() {
    if (phase_ == Phase::Lost || phase_ == Phase::Failed) {
        return;
    }
    if (!link_.is_open()) {
        lost();
        return;
    }
    splitter_.feed(link_.read_available());
    std::string line;
    while (splitter_.next(line)) {
        handle(parse_reply(line));
        if (phase_ == Phase::Lost || phase_ == Phase::Failed) {
            return;
        }
    }
    const std::int64_t now = now_();
    if (phase_ == Phase::Connecting && now - phase_started_ > kWelcomeTimeoutMs) {
        fail("Aucun contrôleur GRBL n'a répondu dans les " +
             std::to_string(kWelcomeTimeoutMs / 1000) + " s.");
        return;
    }
    if (command_in_flight_ && now - command_sent_at_ > kReplyTimeoutMs) {
        fail("Le contrôleur n'a pas répondu à « " + commands_.front() + " ».");
        return;
    }
    if (stop_asked_at_ >= 0 &&
        ((state_ == "Hold" && substate_ == 0) || state_ == "Idle" || state_ == "Alarm" ||
         state_ == "Check" || state_ == "Sleep" || now - stop_asked_at_ > kHoldTimeoutMs)) {
        stop_asked_at_ = -1;
        (void)reset();
        return;
    }
    if (phase_ == Phase::Ready && !awaiting_reset_) {
        if (now - last_status_ >= kStatusPeriodMs) {
            last_status_ = now;
            if (!link_.write(std::string{realtime::kStatus})) {
                lost();
                return;
            }
        }
        if (!streamer_.pump(link_)) {
            lost();
        }
    }
}

void Session::on_welcome(const Reply& r) {
    flavour_ = r.flavour;
    version_ = r.text;
    have_wco_ = false;
    work_known_ = false;
    commands_.clear();
    command_in_flight_ = false;
    check_mode_ = false;
    if (streamer_.state() == StreamState::Running) {
        // A reset nobody asked for during a job: what was in flight is lost.
        streamer_.halt();
        message_ = "Le contrôleur a redémarré pendant l'exécution.";
    }
    if (awaiting_reset_) {
        awaiting_reset_ = false;
        state_.clear();  // known again from the next report
        last_status_ = 0;
        return;
    }
    if (phase_ != Phase::Ready) {
        // A (new) start: read the settings from the beginning.
        phase_ = Phase::ReadingSettings;
        send_command("$$");
    }
}

void Session::handle(const Reply& r) {
    if (r.kind == ReplyKind::Welcome) {
        on_welcome(r);
        return;
    }
    if (phase_ == Phase::Connecting) {
        return;  // boot noise
    }
    switch (r.kind) {
        case ReplyKind::Setting:
            if (r.setting_numeric) {
                const int n = r.setting_number;
                const double v = r.setting_value;
                if (n >= 100 && n <= 102) {
                    settings_.steps_per_mm[n - 100] = v;
                } else if (n >= 110 && n <= 112) {
                    settings_.max_rate[n - 110] = v;
                } else if (n >= 130 && n <= 132) {
                    settings_.max_travel[n - 130] = v;
                } else if (n == 13) {
                    settings_.report_inches = v != 0;
                } else if (n == 10) {
                    settings_.status_mask = static_cast<int>(v);
                }
            }
            return;
        case ReplyKind::Options:
            if (r.option_rx_bytes > 0) {
                streamer_.set_rx_buffer(static_cast<std::size_t>(r.option_rx_bytes));
                planner_blocks_ = r.option_blocks;
            }
            return;
        case ReplyKind::Status:
            handle_status(r.status);
            return;
        case ReplyKind::Ok:
        case ReplyKind::Error:
            handle_ack(r);
            return;
        case ReplyKind::Alarm:
            state_ = "Alarm";
            message_ = "Alarme " + std::to_string(r.code) + " : " + alarm_text(r.code);
            streamer_.on_reply(r);
            if (streamer_.state() == StreamState::Failed) {
                message_ = streamer_.message();
            }
            return;
        default:
            return;
    }
}

void Session::handle_status(const StatusReport& s) {
    ++reports_;
    state_ = s.state;
    substate_ = s.substate;
    if (s.state == "Check") {
        check_mode_ = true;
    }
    const double scale = settings_.report_inches ? 25.4 : 1.0;
    if (s.has_wco) {
        for (int i = 0; i < 3; ++i) {
            wco_[i] = s.wco[i] * scale;
        }
        have_wco_ = true;
    }
    if (s.has_ov) {
        ov_ = s.ov;
        ++ov_reports_;
    }
    if (s.has_pos && (!s.machine_pos || have_wco_)) {
        for (int i = 0; i < 3; ++i) {
            work_[i] = s.pos[i] * scale - (s.machine_pos ? wco_[i] : 0.0);
        }
        work_known_ = true;
    }
}

void Session::handle_ack(const Reply& r) {
    if (!command_in_flight_) {
        streamer_.on_reply(r);
        return;
    }
    const std::string done = commands_.front();
    commands_.pop_front();
    command_in_flight_ = false;
    if (r.kind == ReplyKind::Error) {
        message_ = "« " + done + " » refusé : erreur " + std::to_string(r.code) + " : " +
                   error_text(r.code);
        if (phase_ != Phase::Ready) {
            fail(message_);
            return;
        }
    } else if (done == "$$" && phase_ == Phase::ReadingSettings) {
        phase_ = Phase::ReadingInfo;
        send_command("$I");
    } else if (done == "$I" && phase_ == Phase::ReadingInfo) {
        phase_ = Phase::Ready;
    } else if (done == "$C") {
        check_mode_ = !check_mode_;
        awaiting_reset_ = !check_mode_;
    }
    if (!commands_.empty()) {
        command_in_flight_ = true;
        command_sent_at_ = now_();
        if (!link_.write(commands_.front() + "\n")) {
            lost();
        }
    }
}

bool Session::jog(double dx, double dy, double dz, double feed) {
    if (!refuse_unless_ready()) {
        return false;
    }
    if (state_ != "Idle" && state_ != "Jog") {
        return refuse("Déplacement manuel refusé dans l'état « " + state_ + " ».");
    }
    if (!(feed > 0) || !std::isfinite(dx + dy + dz)) {
        return refuse("Déplacement manuel : vitesse ou distance invalide.");
    }
    std::string line = "$J=G91 G21";
    const double d[3] = {dx, dy, dz};
    const char axis[3] = {'X', 'Y', 'Z'};
    bool any = false;
    for (int i = 0; i < 3; ++i) {
        if (d[i] != 0) {
            line += std::string(" ") + axis[i] + number_text(d[i]);
            any = true;
        }
    }
    if (!any) {
        return refuse("Déplacement manuel nul.");
    }
    line += " F" + number_text(feed);
    return send_command(line);
}

bool Session::zero_work(bool x, bool y, bool z) {
    if (!refuse_unless_ready()) {
        return false;
    }
    if (state_ != "Idle") {
        return refuse("Mise à zéro refusée dans l'état « " + state_ + " ».");
    }
    if (!x && !y && !z) {
        return refuse("Aucun axe à mettre à zéro.");
    }
    std::string line = "G10 L20 P1";
    line += x ? " X0" : "";
    line += y ? " Y0" : "";
    line += z ? " Z0" : "";
    return send_command(line);
}

bool Session::toggle_check_mode() {
    if (!refuse_unless_ready()) {
        return false;
    }
    if (state_ != "Idle" && state_ != "Check") {
        return refuse("Mode contrôle refusé dans l'état « " + state_ + " ».");
    }
    return send_command("$C");
}

bool Session::write_setting(int number, std::string_view value) {
    if (phase_ != Phase::Ready || streamer_.state() == StreamState::Running) {
        return refuse("Le contrôleur est occupé.");
    }
    std::string line = "$";
    line.append(std::to_string(number)).append(1, '=').append(value);
    return send_command(std::move(line));
}

bool Session::start_job(std::vector<ProgramLine> lines) {
    if (!refuse_unless_ready()) {
        return false;
    }
    if (state_ != "Idle" && state_ != "Check") {
        return refuse("Exécution refusée dans l'état « " + state_ + " ».");
    }
    streamer_.start(std::move(lines));
    if (!streamer_.pump(link_)) {
        lost();
        return false;
    }
    return true;
}

bool Session::reset() {
    commands_.clear();
    command_in_flight_ = false;
    awaiting_reset_ = true;
    if (!link_.write(std::string{realtime::kReset})) {
        lost();
        return false;
    }
    return true;
}

bool Session::stop_job() {
    if (phase_ == Phase::Lost) {
        return false;
    }
    streamer_.halt();
    if (stop_asked_at_ >= 0 || awaiting_reset_) {
        return true;  // already on its way
    }
    if (!link_.write(std::string{realtime::kFeedHold})) {
        lost();
        return false;
    }
    stop_asked_at_ = now_();
    return true;
}

bool Session::refuse_unless_ready() {
    if (phase_ != Phase::Ready || command_in_flight_ || awaiting_reset_ || stop_asked_at_ >= 0 ||
        streamer_.state() == StreamState::Running) {
        return refuse("Le contrôleur est occupé.");
    }
    return true;
}

bool Session::unlock() {
    if (!refuse_unless_ready()) {
        return false;
    }
    if (state_ != "Alarm") {
        return refuse("Le contrôleur n'est pas en alarme.");
    }
    return send_command("$X");
}

bool Session::sleep() {
    if (!refuse_unless_ready()) {
        return false;
    }
    if (state_ != "Idle") {
        return refuse("Mise en veille refusée dans l'état « " + state_ + " ».");
    }
    return send_command("$SLP");
}

bool Session::wake() {
    if (phase_ != Phase::Ready || state_ != "Sleep") {
        return refuse("Le contrôleur n'est pas en veille.");
    }
    return reset();
}

bool Session::set_feed_override(int percent) {
    if (phase_ != Phase::Ready) {
        return refuse("Le contrôleur n'est pas prêt.");
    }
    if (percent < 10 || percent > 200) {
        return refuse("La correction d'avance va de 10 à 200 %.");
    }
    // From 100 % (0x90), by tens then by ones: never more than 29 bytes.
    std::string bytes{realtime::kFeed100};
    int at = 100;
    while (percent - at >= 10) {
        bytes += realtime::kFeedPlus10;
        at += 10;
    }
    while (at - percent >= 10) {
        bytes += realtime::kFeedMinus10;
        at -= 10;
    }
    bytes.append(static_cast<std::size_t>(std::abs(percent - at)),
                 percent > at ? realtime::kFeedPlus1 : realtime::kFeedMinus1);
    if (!link_.write(bytes)) {
        lost();
        return false;
    }
    return true;
}

bool Session::send_realtime(char byte) {
    if (!realtime::is_realtime(byte)) {
        return refuse("Commande immédiate inconnue.");
    }
    if (!link_.write(std::string{byte})) {
        lost();
        return false;
    }
    return true;
}

}  // namespace vexor::grbl
