#include "step_driver.h"

#include <algorithm>
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
    end_ = EndReason::none;
    if (is_stepping_tick(state_)) {
        pendingStart_ = open_state;
    } else {
        pendingStart_ = 0;
        state_ = open_state;
        anchorPending_ = true;
    }
}

void CStepDriver::toggle_pause() {
    // The schedule slides by the time spent paused, so the phase in progress
    // goes on with what was left of its wait.
    const std::int64_t now = counter_.count();
    if (paused_) {
        lastCount_ += now - pausedAt_;
        lastPhase_ += now - pausedAt_;
    }
    pausedAt_ = now;
    paused_ = !paused_;
}

void CStepDriver::request_stop(EndReason why) {
    stopRequest_ = true;
    stopReason_ = why;
    if (paused_) {
        toggle_pause();
    }
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
    t.stalls = stalls_;
    t.longestStallUs = longestStall_ / counterFreq_ * 1000000 +
                       longestStall_ % counterFreq_ * 1000000 / counterFreq_;
    return t;
}

std::int64_t CStepDriver::wait_end() const {
    if (!is_waiting(state_)) {
        return -1;
    }
    std::int64_t part = third();
    if (state_ == kXYNoStepWait || state_ == kZNoStepWait) {
        part = periodUs_;
    } else if (state_ == kXHold || state_ == kYHold || state_ == kXYHold || state_ == kZHold) {
        part = hold_part();
    }
    return part < 0 ? lastCount_ : earliest(part);
}

std::int64_t CStepDriver::wait_left_us() {
    const std::int64_t end = wait_end();
    if (end < 0) {
        return -1;
    }
    const std::int64_t left = std::max<std::int64_t>(0, end - counter_.count());
    return left / counterFreq_ * 1000000 + left % counterFreq_ * 1000000 / counterFreq_;
}

StepResult CStepDriver::step() {
    if (paused_) {
        return kNoWork;
    }
    switch (state_) {
        case kOpenJobFile:
        case kOpenMoveFile:
            if (moveFile_.open(
                    move_file_path(state_ == kOpenJobFile ? kJobFileName : kMoveFileName))) {
                state_ = kReadLine;
            } else {
                end_ = EndReason::notOpened;
                state_ = kIdle;
            }
            break;
        case kReadLine:
            read_line();
            break;
        case kCloseFile:
            close_file();
            state_ = kIdle;
            break;
        case kXYDecision:
            xy_decision();
            break;
        case kXYNoStep:
            start_tick();
            state_ = kXYNoStepWait;
            break;
        case kXYNoStepWait:
            if (waited(periodUs_)) {
                state_ = kXYDecision;
            }
            break;
        case kXDirection:
        case kXRise:
        case kXFall:
        case kXHold:
            tick_phase(kXDirection, dir_x(), wiring_.clkX, kXYDecision);
            break;
        case kYDirection:
        case kYRise:
        case kYFall:
        case kYHold:
            tick_phase(kYDirection, dir_y(), wiring_.clkY, kXYDecision);
            break;
        case kXYDirection:
        case kXYRise:
        case kXYFall:
        case kXYHold:
            tick_phase(kXYDirection, dir_x() + dir_y(), wiring_.clkX + wiring_.clkY, kXYDecision);
            break;
        case kZDecision:
            if (stopRequest_) {
                stopRequest_ = false;
                end_with(stopReason_);
            } else if (z_.finished()) {
                state_ = kReadLine;
            } else {
                begin_tick(z_.advance() ? kZDirection : kZNoStep);
            }
            break;
        case kZDirection:
        case kZRise:
        case kZFall:
        case kZHold:
            tick_phase(kZDirection, dir_z(), wiring_.clkZ, kZDecision);
            break;
        case kZNoStep:
            start_tick();
            state_ = kZNoStepWait;
            break;
        case kZNoStepWait:
            if (waited(periodUs_)) {
                state_ = kZDecision;
            }
            break;
        default:
            return kNoWork;
    }
    return kHasWork;
}

void CStepDriver::read_line() {
    MoveLine m;
    if (!moveFile_.next_line(line_)) {
        end_with(moveFile_.at_end() ? EndReason::endOfFile : EndReason::badLine);
        return;
    }
    if (!parse_move_line(line_, m)) {
        end_with(EndReason::badLine);
        return;
    }
    // A line that would move an axis without a usable step length (a stored
    // step value of 0 or less) would never finish or would run away: it ends
    // the execution like any invalid line.
    if (m.kind == 'P') {
        if ((m.incX != 0 && !x_.usable()) || (m.incY != 0 && !y_.usable())) {
            end_with(EndReason::badLine);
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
        state_ = kXYDecision;
    } else {
        if (m.incZ != 0 && !z_.usable()) {
            end_with(EndReason::badLine);
            return;
        }
        z_.target = m.targetZ;
        z_.inc = m.incZ;
        z_.lead = 0;
        periodUs_ = m.periodUs;
        ++lines_;
        state_ = kZDecision;
    }
}

void CStepDriver::xy_decision() {
    if (stopRequest_) {
        stopRequest_ = false;
        end_with(stopReason_);
        return;
    }
    const bool x_done = x_.finished();
    const bool y_done = y_.finished();
    if (x_done && y_done) {
        state_ = kReadLine;
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
        begin_tick(y_.advance() ? kXYDirection : kXDirection);
    } else {
        begin_tick(advance_y_only());
    }
}

int CStepDriver::advance_x_only() {
    return x_.advance() ? kXDirection : kXYNoStep;
}
int CStepDriver::advance_y_only() {
    return y_.advance() ? kYDirection : kXYNoStep;
}

void CStepDriver::begin_tick(int state) {
    state_ = state;
    tickTimeUs_ += periodUs_ > 0 ? periodUs_ : 0;
}

void CStepDriver::close_file() {
    moveFile_.close();
}

void CStepDriver::end_with(EndReason why) {
    end_ = why;
    state_ = kCloseFile;
}

void CStepDriver::write(int byte) {
    // The masks are added; only the low eight bits reach the port.
    port_.write_port(static_cast<unsigned short>(wiring_.portBase),
                     static_cast<unsigned char>(byte & 0xFF));
}

void CStepDriver::write_edge(int byte) {
    write(byte);
    if (pacing_ == Pacing::deadline) {
        // The next phase is timed from the edge itself: a delay between the
        // end of the wait and the write must not shorten the pulse.
        lastPhase_ = counter_.count();
    }
}

std::int64_t CStepDriver::counts(std::int64_t us) const {
    // us × frequency / 1000000, rounded up so that no deadline comes early,
    // split so that the product cannot overflow.
    const std::int64_t rest = us % 1000000 * counterFreq_;
    return us / 1000000 * counterFreq_ + rest / 1000000 + (rest % 1000000 > 0 ? 1 : 0);
}

std::int64_t CStepDriver::earliest(std::int64_t part) const {
    if (pacing_ == Pacing::counter) {
        return lastCount_ + counts(part + 1);  // more than `part` whole microseconds
    }
    return std::max(lastCount_ + counts(part), lastPhase_ + counts(shortest_phase_us(part)));
}

void CStepDriver::note_lateness(std::int64_t late) {
    if (late > counts(std::max<std::int64_t>(periodUs_, 0))) {
        ++stalls_;
        longestStall_ = std::max(longestStall_, late);
    }
}

void CStepDriver::start_tick() {
    const std::int64_t now = counter_.count();
    if (pacing_ == Pacing::deadline && !anchorPending_ && periodUs_ >= 0) {
        // The tick is due at the end of the previous one.
        const std::int64_t late = now - lastCount_;
        note_lateness(late);
        if (late > counts(periodUs_)) {
            lastCount_ = now;
        }
    } else {
        lastCount_ = now;
    }
    anchorPending_ = false;
    lastPhase_ = now;
}

bool CStepDriver::waited(std::int64_t part) {
    const std::int64_t now = counter_.count();
    if (pacing_ == Pacing::counter) {
        // (now - lastCount) × 1000000 / frequency, truncated, split so that
        // the product cannot overflow however long the driver stayed paused.
        const std::int64_t diff = now - lastCount_;
        const std::int64_t us =
            diff / counterFreq_ * 1000000 + diff % counterFreq_ * 1000000 / counterFreq_;
        if (static_cast<std::int64_t>(static_cast<std::uint32_t>(us)) <= part) {
            return false;
        }
        if (part >= 0) {
            note_lateness(now - earliest(part));
        }
        lastCount_ = lastPhase_ = now;
        return true;
    }
    if (part < 0) {  // a negative period never waits
        lastCount_ = lastPhase_ = now;
        return true;
    }
    const std::int64_t due = earliest(part);
    if (now < due) {
        return false;
    }
    const std::int64_t deadline = lastCount_ + counts(part);
    const std::int64_t period = counts(periodUs_);
    note_lateness(now - due);
    if (now - due > period) {
        lastCount_ = now;  // re-anchored: no burst of catch-up pulses
    } else {
        // Lateness within a period is won back by the next phases. The
        // schedule never lags the shortest phases by more than a period: past
        // that (periods under 3 µs, whose phases last at least 1 µs, or
        // lateness piling up) it follows them instead.
        lastCount_ = now - deadline > period ? due : deadline;
    }
    lastPhase_ = now;
    return true;
}

void CStepDriver::tick_phase(int first, int dir, int clk, int back) {
    switch (state_ - first) {
        case 0:
            write(dir);
            start_tick();
            state_ = first + 1;
            break;
        case 1:
            if (waited(third())) {
                if (motorsOn_) {
                    write_edge(dir + clk);
                }
                state_ = first + 2;
            }
            break;
        case 2:
            if (waited(third())) {
                write_edge(dir);
                state_ = first + 3;
            }
            break;
        default:
            if (waited(hold_part())) {
                state_ = pendingStart_ != 0 ? pendingStart_ : back;
                anchorPending_ = anchorPending_ || pendingStart_ != 0;
                pendingStart_ = 0;
            }
            break;
    }
}

}  // namespace vexor
