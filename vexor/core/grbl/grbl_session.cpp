#include "grbl_session.h"

#include <charconv>
#include <cmath>

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
    if (streamer_.state() == StreamState::Running) {
        // A reset nobody asked for during a job: what was in flight is lost.
        streamer_.stop(link_);
        message_ = "Le contrôleur a redémarré pendant l'exécution.";
    }
    if (awaiting_reset_) {
        awaiting_reset_ = false;
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
        case ReplyKind::Status: {
            const StatusReport& s = r.status;
            state_ = s.state;
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
            }
            if (s.has_pos && (!s.machine_pos || have_wco_)) {
                for (int i = 0; i < 3; ++i) {
                    work_[i] = s.pos[i] * scale - (s.machine_pos ? wco_[i] : 0.0);
                }
                work_known_ = true;
            }
            return;
        }
        case ReplyKind::Ok:
        case ReplyKind::Error:
            if (command_in_flight_) {
                const std::string done = commands_.front();
                commands_.pop_front();
                command_in_flight_ = false;
                if (r.kind == ReplyKind::Error) {
                    message_ = "« " + done + " » refusé : erreur " + std::to_string(r.code) +
                               " : " + error_text(r.code);
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
                return;
            }
            streamer_.on_reply(r);
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

bool Session::jog(double dx, double dy, double dz, double feed) {
    if (phase_ != Phase::Ready || command_in_flight_ || streamer_.state() == StreamState::Running) {
        return refuse("Le contrôleur est occupé.");
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

bool Session::zero_work() {
    if (phase_ != Phase::Ready || command_in_flight_ || streamer_.state() == StreamState::Running) {
        return refuse("Le contrôleur est occupé.");
    }
    if (state_ != "Idle") {
        return refuse("Mise à zéro refusée dans l'état « " + state_ + " ».");
    }
    return send_command("G10 L20 P1 X0 Y0 Z0");
}

bool Session::toggle_check_mode() {
    if (phase_ != Phase::Ready || command_in_flight_ || streamer_.state() == StreamState::Running) {
        return refuse("Le contrôleur est occupé.");
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
    return send_command("$" + std::to_string(number) + "=" + std::string(value));
}

bool Session::start_job(std::vector<ProgramLine> lines) {
    if (phase_ != Phase::Ready || command_in_flight_ || streamer_.state() == StreamState::Running) {
        return refuse("Le contrôleur est occupé.");
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

bool Session::stop_job() {
    const bool ok = streamer_.stop(link_);
    if (!ok) {
        lost();
    }
    return ok;
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
