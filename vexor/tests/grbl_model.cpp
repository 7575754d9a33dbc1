#include "grbl_model.h"

#include <algorithm>
#include <charconv>

namespace vexor::grbl::testing {

namespace {

std::string num(double v) {
    char b[32];
    auto r = std::to_chars(b, b + sizeof b, v, std::chars_format::fixed, 3);
    return std::string(b, r.ptr);
}

std::string triple(const std::array<double, 3>& p) {
    return num(p[0]) + "," + num(p[1]) + "," + num(p[2]);
}

// Reads the value after `letter`, true when present.
bool word(const std::string& line, char letter, double& v) {
    for (std::size_t i = 0; i < line.size(); ++i) {
        if (line[i] == letter) {
            std::size_t j = i + 1;
            while (j < line.size() && line[j] == ' ') {
                ++j;
            }
            const auto r = std::from_chars(line.data() + j, line.data() + line.size(), v);
            return r.ec == std::errc();
        }
    }
    return false;
}

}  // namespace

void GrblModel::boot() {
    rx_.clear();
    state = check_ ? "Check" : "Idle";
    halted_ = false;
    wco_changed_ = true;
    send(boot_noise);
    send("\r\n" + welcome + "\r\n");
}

void GrblModel::raise_alarm(int code) {
    send("ALARM:" + std::to_string(code) + "\r\n");
    state = "Alarm";
    halted_ = true;
}

void GrblModel::status() {
    std::string s = "<" + state + "|MPos:" + triple(machine_pos) + "|FS:0,0";
    ++reports_;
    if (wco_changed_ || reports_ % wco_every == 0) {
        s += "|WCO:" + triple(wco);
        wco_changed_ = false;
    }
    if (reports_ % ov_every == 0) {
        s += "|Ov:" + std::to_string(feed_ov) + ",100,100";
    }
    send(s + "|Zz:9>\r\n");  // an unknown field, to be ignored
}

bool GrblModel::read_input() {
    bool line_byte = false;
    for (const char c : link_.read_available()) {
        const auto b = static_cast<unsigned char>(c);
        if (c == '?' || c == '!' || c == '~' || c == 0x18 || b >= 0x80) {
            realtime_.push_back({c, rx_.size()});
            if (c == '?') {
                status();
            } else if (c == 0x18) {
                boot();
            } else if (b == 0x85 && state == "Jog") {
                state = "Idle";  // cancelled: the tool stops where it is
                jog_left_ = 0;
            } else if (c == '!' && state != "Alarm" && state != "Sleep") {
                state = "Hold:1";  // slowing down; at rest from the next step
            } else if (c == '~' && state.rfind("Hold", 0) == 0) {
                state = check_ ? "Check" : "Idle";
            } else if (b >= 0x90 && b <= 0x94) {
                const int by[] = {0, 10, -10, 1, -1};
                feed_ov = b == 0x90 ? 100 : std::clamp(feed_ov + by[b - 0x90], 10, feed_ov_max);
            }
            continue;
        }
        line_byte = true;
        rx_.push_back(c);
        if (failed_) {
            after_failure_.push_back(c);
        }
        if (rx_.size() > rx_size) {
            overflowed_ = true;
        }
        peak_ = std::max(peak_, rx_.size());
    }
    return line_byte;
}

void GrblModel::end_jog() {
    machine_pos = jog_target_;
    moves_.push_back({false, machine_pos});
    state = "Idle";
}

void GrblModel::step() {
    if (state == "Hold:1") {
        state = "Hold:0";
    }
    if (state == "Jog" && jog_left_ > 0 && --jog_left_ == 0) {
        end_jog();
    }
    const bool line_byte = read_input();
    // Running while motion lines wait in the buffer, idle once none does.
    if (state == "Idle" || state == "Run") {
        bool motion = false;
        for (std::size_t at = 0; at < rx_.size() && !motion;) {
            const std::size_t lf = rx_.find('\n', at);
            if (lf == std::string::npos) {
                break;
            }
            motion = rx_[at] == 'G';
            at = lf + 1;
        }
        state = motion ? "Run" : "Idle";
    }
    if (!pending_failure_.empty()) {
        quiet_steps_ = line_byte ? 0 : quiet_steps_ + 1;
        if (quiet_steps_ < failure_after_quiet_steps) {
            return;
        }
        reply_failure();
    }
    for (std::size_t n = 0; n < lines_per_step && pending_failure_.empty(); ++n) {
        const std::size_t lf = rx_.find('\n');
        if (lf == std::string::npos || state.rfind("Hold", 0) == 0) {
            return;
        }
        const std::string line = rx_.substr(0, lf);
        rx_.erase(0, lf + 1);
        received_.push_back(line);
        run_line(line);
    }
}

void GrblModel::fail(const std::string& reply, bool alarm) {
    pending_failure_ = reply;
    pending_alarm_ = alarm;
    quiet_steps_ = 0;
    if (failure_after_quiet_steps == 0) {
        reply_failure();
    }
}

void GrblModel::reply_failure() {
    send(pending_failure_);
    pending_failure_.clear();
    failed_ = true;
    if (pending_alarm_) {
        state = "Alarm";
        halted_ = true;
    }
}

void GrblModel::run_line(const std::string& line) {
    if (line == "$$") {
        send(
            "$0=10\r\n$10=1\r\n$13=0\r\n$100=250.000\r\n$101=251.000\r\n$102=800.000\r\n"
            "$110=5000.000\r\n$111=5001.000\r\n$112=500.000\r\n$130=400.000\r\n"
            "$131=300.000\r\n$132=80.000\r\nok\r\n");
        return;
    }
    if (line == "$I") {
        send("[VER:1.1h.20190830:]\r\n[OPT:V,15," + std::to_string(rx_size) + "]\r\nok\r\n");
        return;
    }
    if (line == "$C") {
        check_ = !check_;
        send(check_ ? "[MSG:Enabled]\r\nok\r\n" : "[MSG:Disabled]\r\nok\r\n");
        state = check_ ? "Check" : "Idle";
        if (!check_) {
            boot();
        }
        return;
    }
    if (line == "$X") {
        if (state == "Alarm") {
            state = "Idle";
            halted_ = false;
            send("[MSG:Caution: Unlocked]\r\n");
        }
        send("ok\r\n");
        return;
    }
    if (line == "$SLP") {
        state = "Sleep";
        send("ok\r\n[MSG:Sleeping]\r\n");
        return;
    }
    if (halted_) {
        return;
    }
    if (line.rfind("$J=", 0) == 0) {
        double v = 0;
        jog_target_ = machine_pos;
        for (int i = 0; i < 3; ++i) {
            if (word(line, "XYZ"[i], v)) {
                jog_target_[i] += v;
            }
        }
        send("ok\r\n");  // taken; it runs from now on
        jog_left_ = jog_steps;
        state = "Jog";
        if (jog_left_ == 0) {
            end_jog();
        }
        return;
    }
    if (line.rfind("G10 L20 P1", 0) == 0) {
        wco = machine_pos;
        wco_changed_ = true;
        send("ok\r\n");
        return;
    }
    ++program_lines_;
    if (auto e = error_at_line.find(program_lines_); e != error_at_line.end()) {
        fail("error:" + std::to_string(e->second) + "\r\n", false);
        return;
    }
    if (auto a = alarm_at_line.find(program_lines_); a != alarm_at_line.end()) {
        fail("ALARM:" + std::to_string(a->second) + "\r\n", true);
        return;
    }
    double g = -1;
    if (word(line, 'G', g) && (g == 0 || g == 1)) {
        std::array<double, 3> t = machine_pos;
        double v = 0;
        for (int i = 0; i < 3; ++i) {
            if (word(line, "XYZ"[i], v)) {
                t[i] = v + wco[i];
            }
        }
        if (!check_) {
            machine_pos = t;
            moves_.push_back({g == 0, t});
        }
    }
    send("ok\r\n");
}

}  // namespace vexor::grbl::testing
