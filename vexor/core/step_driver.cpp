#include "step_driver.h"

#include <cmath>

namespace vexor {

// ---- one axis -------------------------------------------------------------

bool CStepDriver::Axis::finished() const {
    return inc == 0 || (inc > 0 && pos >= target) || (inc < 0 && pos <= target);
}

bool CStepDriver::Axis::advance() {
    // The comparison is made on the unrounded sum.
    const double sum = lead + static_cast<double>(inc);
    const double len = stepLen;
    const bool gained = inc > 0 ? sum >= len : inc < 0 && -sum >= len;
    if (!gained) {
        lead = sum;
        return false;
    }
    const int dir = inc > 0 ? 1 : -1;
    count += dir;
    ++made;
    net += dir;
    lead = sum - dir * len;
    pos = count == 0
              ? base
              : static_cast<float>(static_cast<double>(base) +
                                   static_cast<double>(count) * static_cast<double>(stepLen));
    return true;
}

void CStepDriver::Axis::rebase(float new_step_len) {
    if (new_step_len == stepLen) {
        return;
    }
    base = pos;
    count = 0;
    stepLen = new_step_len;
}

bool CStepDriver::Axis::usable() const {
    return std::isfinite(stepLen) && stepLen > 0;
}

// ---- driver ---------------------------------------------------------------

CStepDriver::CStepDriver(platform::PortWriter& port, platform::PerformanceCounter& counter)
    : port_(port), counter_(counter), counterFreq_(counter.frequency()) {
    if (counterFreq_ < 1) {
        counterFreq_ = 1;
    }
}

void CStepDriver::set_wiring(const PortSettings& settings) {
    wiring_ = derive_wiring(settings);
}

void CStepDriver::set_step_lengths(const MachineSettings& settings) {
    x_.rebase(1 / settings.StepX);
    y_.rebase(1 / settings.StepY);
    z_.rebase(1 / settings.StepZ);
}

std::string CStepDriver::move_file_path(const char* name) const {
    if (folder_.empty()) {
        return name;
    }
    return folder_ + (folder_.back() == '/' ? "" : "/") + name;
}

void CStepDriver::start_job_file() {
    start_file(1);
}

void CStepDriver::start_move_file() {
    start_file(11);
}

void CStepDriver::start_file(int open_state) {
    close_file();
    stopRequest_ = false;
    const bool stepping_tick = (state_ >= 7 && state_ <= 10) || (state_ >= 14 && state_ <= 21) ||
                               (state_ >= 23 && state_ <= 26);
    if (stepping_tick) {
        pendingStart_ = open_state;
    } else {
        pendingStart_ = 0;
        state_ = open_state;
    }
}

void CStepDriver::request_stop() {
    stopRequest_ = true;
    paused_ = false;
}

void CStepDriver::zero_position() {
    for (Axis* a : {&x_, &y_, &z_}) {
        a->base = 0;
        a->count = 0;
        a->pos = 0;
    }
}

void CStepDriver::zero_z() {
    z_.base = 0;
    z_.count = 0;
    z_.pos = 0;
}

CStepDriver::Tally CStepDriver::tally() const {
    Tally t;
    t.lines = lines_;
    t.tickTimeUs = tickTimeUs_;
    t.stepsX = x_.made;
    t.stepsY = y_.made;
    t.stepsZ = z_.made;
    t.netX = x_.net;
    t.netY = y_.net;
    t.netZ = z_.net;
    return t;
}

std::int64_t CStepDriver::wait_end() const {
    std::int64_t part = 0;
    switch (state_) {
        case 8:
        case 9:
        case 10:
        case 15:
        case 16:
        case 17:
        case 19:
        case 20:
        case 21:
        case 24:
        case 25:
        case 26:
            part = periodUs_ / 3;
            break;
        case 12:
        case 27:
            part = periodUs_;
            break;
        default:
            return -1;
    }
    if (part < 0) {
        return lastCount_;
    }
    // The smallest count difference whose whole microseconds exceed `part`:
    // ceil((part + 1) × frequency / 1000000); part < 2^31 and the frequency
    // of any real counter keep the product inside 64 bits.
    const std::int64_t need = (part + 1) * counterFreq_;
    return lastCount_ + need / 1000000 + (need % 1000000 != 0 ? 1 : 0);
}

int CStepDriver::step() {
    if (paused_) {
        return 0;
    }
    switch (state_) {
        case 1:
        case 11:
            state_ =
                moveFile_.open(move_file_path(state_ == 1 ? kJobFileName : kMoveFileName)) ? 3 : 0;
            break;
        case 3:
            read_line();
            break;
        case 4:
            close_file();
            state_ = 0;
            break;
        case 5:
            xy_decision();
            break;
        case 6:
            mark();
            state_ = 12;
            break;
        case 12:
            if (waited(periodUs_)) {
                state_ = 5;
            }
            break;
        case 7:
        case 8:
        case 9:
        case 10:
            tick_phase(7, dir_x(), wiring_.clkX, 5);
            break;
        case 14:
        case 15:
        case 16:
        case 17:
            tick_phase(14, dir_y(), wiring_.clkY, 5);
            break;
        case 18:
        case 19:
        case 20:
        case 21:
            tick_phase(18, dir_x() + dir_y(), wiring_.clkX + wiring_.clkY, 5);
            break;
        case 22:
            if (stopRequest_) {
                stopRequest_ = false;
                state_ = 4;
            } else if (z_.finished()) {
                state_ = 3;
            } else {
                begin_tick(z_.advance() ? 23 : 28);
            }
            break;
        case 23:
        case 24:
        case 25:
        case 26:
            tick_phase(23, dir_z(), wiring_.clkZ, 22);
            break;
        case 28:
            mark();
            state_ = 27;
            break;
        case 27:
            if (waited(periodUs_)) {
                state_ = 22;
            }
            break;
        default:
            return 0;
    }
    return 1;
}

void CStepDriver::read_line() {
    MoveLine m;
    if (!moveFile_.next_line(line_) || !parse_move_line(line_, m)) {
        state_ = 4;
        return;
    }
    // A line that would move an axis without a usable step length (a stored
    // step value of 0 or less) would never finish or would run away: it ends
    // the execution like any invalid line.
    if (m.kind == 'P') {
        if ((m.incX != 0 && !x_.usable()) || (m.incY != 0 && !y_.usable())) {
            state_ = 4;
            return;
        }
        x_.target = m.targetX;
        x_.inc = m.incX;
        y_.target = m.targetY;
        y_.inc = m.incY;
        x_.lead = 0;
        y_.lead = 0;
        periodUs_ = m.periodUs;
        ++lines_;
        state_ = 5;
    } else {
        if (m.incZ != 0 && !z_.usable()) {
            state_ = 4;
            return;
        }
        z_.target = m.targetZ;
        z_.inc = m.incZ;
        z_.lead = 0;
        periodUs_ = m.periodUs;
        ++lines_;
        state_ = 22;
    }
}

void CStepDriver::xy_decision() {
    if (stopRequest_) {
        stopRequest_ = false;
        state_ = 4;
        return;
    }
    const bool x_done = x_.finished();
    const bool y_done = y_.finished();
    if (x_done && y_done) {
        state_ = 3;
    } else if (x_done) {
        if (x_.inc != 0) {  // a diagonal whose X part is done: Y ends at a step per tick
            y_.inc = y_.inc > 0 ? y_.stepLen : -y_.stepLen;
        }
        begin_tick(advance_y_only());
    } else if (y_done) {
        if (y_.inc != 0) {
            x_.inc = x_.inc > 0 ? x_.stepLen : -x_.stepLen;
        }
        begin_tick(advance_x_only());
    } else if (x_.advance()) {
        begin_tick(y_.advance() ? 18 : 7);
    } else {
        begin_tick(advance_y_only());
    }
}

int CStepDriver::advance_x_only() {
    return x_.advance() ? 7 : 6;
}
int CStepDriver::advance_y_only() {
    return y_.advance() ? 14 : 6;
}

void CStepDriver::begin_tick(int state) {
    state_ = state;
    tickTimeUs_ += periodUs_ > 0 ? periodUs_ : 0;
}

void CStepDriver::close_file() {
    moveFile_.close();
}

void CStepDriver::write(int byte) {
    // The masks are added; only the low eight bits reach the port.
    port_.write_port(static_cast<unsigned short>(wiring_.portBase),
                     static_cast<unsigned char>(byte & 0xFF));
}

void CStepDriver::mark() {
    lastCount_ = counter_.count();
}

bool CStepDriver::waited(std::int64_t period_part) {
    // (now - lastCount) × 1000000 / frequency, truncated, split so that the
    // product cannot overflow however long the driver stayed paused.
    const std::int64_t diff = counter_.count() - lastCount_;
    const std::int64_t us =
        diff / counterFreq_ * 1000000 + diff % counterFreq_ * 1000000 / counterFreq_;
    const auto elapsed = static_cast<std::uint32_t>(us);
    return static_cast<std::int64_t>(elapsed) > period_part;
}

void CStepDriver::tick_phase(int first, int dir, int clk, int back) {
    const std::int64_t third = periodUs_ / 3;
    switch (state_ - first) {
        case 0:
            write(dir);
            mark();
            state_ = first + 1;
            break;
        case 1:
            if (waited(third)) {
                if (motorsOn_) {
                    write(dir + clk);
                }
                mark();
                state_ = first + 2;
            }
            break;
        case 2:
            if (waited(third)) {
                write(dir);
                mark();
                state_ = first + 3;
            }
            break;
        default:
            if (waited(third)) {
                state_ = pendingStart_ != 0 ? pendingStart_ : back;
                pendingStart_ = 0;
            }
            break;
    }
}

}  // namespace vexor
