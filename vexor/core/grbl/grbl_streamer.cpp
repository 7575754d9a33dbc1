#include "grbl_streamer.h"

namespace vexor::grbl {

bool realtime::is_realtime(char byte) {
    const auto b = static_cast<unsigned char>(byte);
    return byte == kStatus || byte == kFeedHold || byte == kCycleStart || byte == kReset ||
           b >= 0x80;
}

namespace {

std::string strip_line(std::string_view raw) {
    std::string out;
    bool in_paren = false;
    for (const char c : raw) {
        if (in_paren) {
            in_paren = c != ')';
            continue;
        }
        if (c == '(') {
            in_paren = true;
            continue;
        }
        if (c == ';') {
            break;
        }
        out.push_back(c);
    }
    const auto blank = [](char c) { return c == ' ' || c == '\t' || c == '\r'; };
    while (!out.empty() && blank(out.back())) {
        out.pop_back();
    }
    std::size_t lead = 0;
    while (lead < out.size() && blank(out[lead])) {
        ++lead;
    }
    return out.substr(lead);
}

}  // namespace

bool prepare_program(std::string_view program, std::vector<ProgramLine>& lines,
                     std::string& error) {
    lines.clear();
    int number = 0;
    while (!program.empty()) {
        const std::size_t lf = program.find('\n');
        const std::string_view raw = program.substr(0, lf);
        program = lf == std::string_view::npos ? std::string_view() : program.substr(lf + 1);
        ++number;
        std::string text = strip_line(raw);
        if (text.empty()) {
            continue;
        }
        if (text.size() > kMaxLineLength) {
            error = "La ligne " + std::to_string(number) + " compte " +
                    std::to_string(text.size()) + " caractères : GRBL en accepte " +
                    std::to_string(kMaxLineLength) + " au plus.";
            lines.clear();
            return false;
        }
        for (const char c : text) {
            if (realtime::is_realtime(c) || static_cast<unsigned char>(c) < 0x20) {
                error = "La ligne " + std::to_string(number) +
                        " contient un caractère que GRBL prendrait pour une commande "
                        "immédiate.";
                lines.clear();
                return false;
            }
        }
        lines.push_back({number, std::move(text)});
    }
    return true;
}

void Streamer::start(std::vector<ProgramLine> lines) {
    lines_ = std::move(lines);
    in_flight_.clear();
    left_unacknowledged_.clear();
    next_ = 0;
    in_flight_bytes_ = 0;
    sent_ = 0;
    acknowledged_ = 0;
    failed_line_ = {};
    failure_code_ = 0;
    message_.clear();
    state_ = lines_.empty() ? StreamState::Done : StreamState::Running;
}

bool Streamer::pump(SerialLink& link) {
    if (state_ != StreamState::Running) {
        return state_ != StreamState::Lost;
    }
    while (next_ < lines_.size()) {
        const std::size_t need = lines_[next_].text.size() + 1;
        if (in_flight_bytes_ + need > rx_buffer_) {
            break;
        }
        if (!link.write(lines_[next_].text + "\n")) {
            on_lost();
            return false;
        }
        in_flight_.push_back(next_);
        in_flight_bytes_ += need;
        ++next_;
        ++sent_;
    }
    return true;
}

bool Streamer::on_reply(const Reply& reply) {
    if (state_ != StreamState::Running) {
        return false;
    }
    if (reply.kind == ReplyKind::Ok || reply.kind == ReplyKind::Error) {
        if (in_flight_.empty()) {
            return false;  // not ours (an ok for something sent before the stream)
        }
        const std::size_t index = in_flight_.front();
        in_flight_.pop_front();
        in_flight_bytes_ -= lines_[index].text.size() + 1;
        ++acknowledged_;
        if (reply.kind == ReplyKind::Error) {
            failed_line_ = lines_[index];
            failure_code_ = reply.code;
            finish_unacknowledged(StreamState::Failed,
                                  "Erreur " + std::to_string(reply.code) + " à la ligne " +
                                      std::to_string(failed_line_.number) + " (« " +
                                      failed_line_.text + " ») : " + error_text(reply.code));
        } else if (next_ == lines_.size() && in_flight_.empty()) {
            state_ = StreamState::Done;
        }
        return true;
    }
    if (reply.kind == ReplyKind::Alarm) {
        // The line being read when the alarm came: the oldest one not yet
        // acknowledged, else the last one sent.
        if (!in_flight_.empty()) {
            failed_line_ = lines_[in_flight_.front()];
        } else if (next_ > 0) {
            failed_line_ = lines_[next_ - 1];
        }
        failure_code_ = reply.code;
        finish_unacknowledged(StreamState::Failed,
                              "Alarme " + std::to_string(reply.code) + " à la ligne " +
                                  std::to_string(failed_line_.number) + " (« " + failed_line_.text +
                                  " ») : " + alarm_text(reply.code));
        return true;
    }
    return false;
}

void Streamer::finish_unacknowledged(StreamState state, const std::string& why) {
    left_unacknowledged_.clear();
    for (const std::size_t i : in_flight_) {
        left_unacknowledged_.push_back(lines_[i]);
    }
    in_flight_.clear();
    in_flight_bytes_ = 0;
    state_ = state;
    message_ = why;
}

void Streamer::on_lost() {
    if (state_ != StreamState::Running) {
        return;
    }
    const std::size_t unsent = lines_.size() - next_;
    const std::size_t pending = in_flight_.size();
    finish_unacknowledged(StreamState::Lost,
                          "Le contrôleur ne répond plus : " + std::to_string(pending) +
                              " ligne(s) envoyée(s) sans accusé de réception, " +
                              std::to_string(unsent) + " non envoyée(s).");
}

void Streamer::halt() {
    if (state_ == StreamState::Running) {
        finish_unacknowledged(StreamState::Stopped, "Arrêt demandé : aucune ligne en attente.");
        const std::vector<ProgramLine>& pending = left_unacknowledged_;
        if (!pending.empty()) {
            message_ = "Arrêt demandé : les lignes " + std::to_string(pending.front().number) +
                       " à " + std::to_string(pending.back().number) +
                       " du programme ont pu ne pas être exécutées.";
        }
    }
    sent_ = 0;
    acknowledged_ = 0;
}

std::vector<ProgramLine> Streamer::unacknowledged() const {
    if (state_ != StreamState::Running) {
        return left_unacknowledged_;
    }
    std::vector<ProgramLine> out;
    for (const std::size_t i : in_flight_) {
        out.push_back(lines_[i]);
    }
    return out;
}

}  // namespace vexor::grbl
