#include "step_driver.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <utility>

namespace vexor {

namespace {

constexpr std::int64_t kMaxUs = std::numeric_limits<std::int64_t>::max();

// a × b for a, b ≥ 0, the largest value when the product would overflow.
std::int64_t capped_product(std::int64_t a, std::int64_t b) {
    return a != 0 && b > kMaxUs / a ? kMaxUs : a * b;
}

std::int64_t capped_sum(std::int64_t a, std::int64_t b) {
    return b > kMaxUs - a ? kMaxUs : a + b;
}

}  // namespace

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
    start_file(DriverState::openJobFile);
}

void CStepDriver::start_move_file() {
    start_file(DriverState::openMoveFile);
}

void CStepDriver::start_file(DriverState open_state) {
    close_file();
    stopRequest_ = false;
    end_ = EndReason::none;
    endLine_ = 0;
    // A job file being executed ends here; its table goes with it.
    end_job_file();
    jobLines_.clear();
    jobLineCount_ = 0;
    linesDone_ = 0;
    lineTicks_ = 0;
    if (open_state == DriverState::openJobFile) {
        jobFile_ = true;
        override_ = 100;
        if (nextJobLines_) {
            jobLines_ = std::move(*nextJobLines_);
        }
    }
    nextJobLines_.reset();
    compute_rest();
    if (is_stepping_tick(state_)) {
        pendingStart_ = open_state;
    } else {
        pendingStart_.reset();
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

void CStepDriver::zero_axes(bool x, bool y, bool z) {
    for (const auto& [axis, zero] : {std::pair{&x_, x}, std::pair{&y_, y}, std::pair{&z_, z}}) {
        if (zero) {
            axis->base = 0;
            axis->count = 0;
            axis->pos = 0;
        }
    }
}

void CStepDriver::set_job_lines(std::vector<JobLine> lines) {
    nextJobLines_ = std::move(lines);
}

void CStepDriver::set_feed_override(int percent) {
    const int clamped = std::clamp(percent, kMinOverride, kMaxOverride);
    if (clamped != override_) {
        override_ = clamped;
        compute_rest();
    }
}

const JobLine* CStepDriver::current_job_line() const {
    if (!jobFile_ || jobLineCount_ == 0 || jobLineCount_ > jobLines_.size()) {
        return nullptr;
    }
    return &jobLines_[jobLineCount_ - 1];
}

std::int64_t CStepDriver::line_period(const JobLine* line, std::int64_t written) const {
    if (line == nullptr || !line->cutting || written <= 0) {
        return written;
    }
    // Never faster than the travel speed, but a floor above the written
    // period (a travel speed slower than the cut) never slows the line.
    return std::max(written * 100 / override_, std::min(line->floorUs, written));
}

void CStepDriver::compute_rest() {
    restUs_.assign(jobLines_.size() + 1, 0);
    for (std::size_t i = jobLines_.size(); i-- > 0;) {
        const JobLine& l = jobLines_[i];
        const std::int64_t period = std::max<std::int64_t>(0, line_period(&l, l.periodUs));
        restUs_[i] =
            capped_sum(restUs_[i + 1], capped_product(std::max<std::int64_t>(0, l.ticks), period));
    }
}

void CStepDriver::end_job_file() {
    if (jobFile_) {
        jobFile_ = false;
        override_ = 100;
    }
}

CStepDriver::JobProgress CStepDriver::job_progress() const {
    JobProgress p;
    if (jobLines_.empty()) {
        return p;
    }
    p.linesTotal = jobLines_.size();
    p.linesDone = std::min<std::uint64_t>(linesDone_, p.linesTotal);
    if (!jobFile_) {
        return p;  // ended: nothing left
    }
    p.remainingUs = restUs_[std::min(jobLineCount_, jobLines_.size())];
    if (const JobLine* line = current_job_line()) {
        const std::int64_t left = std::max<std::int64_t>(0, line->ticks - lineTicks_);
        const std::int64_t period = std::max<std::int64_t>(0, line_period(line, linePeriodUs_));
        p.remainingUs = capped_sum(p.remainingUs, capped_product(left, period));
    }
    return p;
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
    t.longestStallUs = microseconds(longestStall_);
    return t;
}

std::int64_t CStepDriver::wait_part() const {
    if (state_ == DriverState::xyNoStepWait || state_ == DriverState::zNoStepWait) {
        return periodUs_;
    }
    const SteppingTick* tick = stepping_tick(state_);
    return tick != nullptr && state_ == tick->hold ? hold_part() : third();
}

std::int64_t CStepDriver::wait_end() const {
    if (!is_waiting(state_)) {
        return -1;
    }
    const std::int64_t part = wait_part();
    return part < 0 ? lastCount_ : earliest(part);
}

std::int64_t CStepDriver::wait_left_us() {
    const std::int64_t end = wait_end();
    if (end < 0) {
        return -1;
    }
    return microseconds(std::max<std::int64_t>(0, end - counter_.count()));
}

StepResult CStepDriver::step() {
    if (paused_) {
        return kNoWork;
    }
    if (const SteppingTick* tick = stepping_tick(state_)) {
        tick_phase(*tick);
        return kHasWork;
    }
    switch (state_) {
        case DriverState::openJobFile:
        case DriverState::openMoveFile:
            open_file();
            break;
        case DriverState::readLine:
            read_line();
            break;
        case DriverState::closeFile:
            close_file();
            state_ = DriverState::idle;
            break;
        case DriverState::xyDecision:
            xy_decision();
            break;
        case DriverState::xyNoStep:
        case DriverState::xyNoStepWait:
            no_step_tick(DriverState::xyNoStepWait, DriverState::xyDecision);
            break;
        case DriverState::zDecision:
            z_decision();
            break;
        case DriverState::zNoStep:
        case DriverState::zNoStepWait:
            no_step_tick(DriverState::zNoStepWait, DriverState::zDecision);
            break;
        default:
            return kNoWork;
    }
    return kHasWork;
}

void CStepDriver::open_file() {
    const bool job = state_ == DriverState::openJobFile;
    if (moveFile_.open(move_file_path(job ? kJobFileName : kMoveFileName))) {
        state_ = DriverState::readLine;
    } else {
        end_ = EndReason::notOpened;
        state_ = DriverState::idle;
        end_job_file();
    }
}

void CStepDriver::read_line() {
    linesDone_ = jobLineCount_;  // the line before, if any, has run
    MoveLine m;
    if (!moveFile_.next_line(line_)) {
        end_with(moveFile_.at_end() ? EndReason::endOfFile : EndReason::badLine);
        return;
    }
    // A line that would move an axis without a usable step length (a stored
    // step value of 0 or less) would never finish or would run away: it ends
    // the execution like any invalid line.
    if (!parse_move_line(line_, m) || !take_line(m)) {
        end_with(EndReason::badLine);
        return;
    }
    linePeriodUs_ = m.periodUs;
    lineTicks_ = 0;
    if (jobFile_) {
        ++jobLineCount_;
    }
    periodUs_ = line_period(current_job_line(), linePeriodUs_);
    ++lines_;
    state_ = m.kind == 'P' ? DriverState::xyDecision : DriverState::zDecision;
}

bool CStepDriver::take_line(const MoveLine& m) {
    if (m.kind == 'P') {
        if ((m.incX != 0 && !x_.usable()) || (m.incY != 0 && !y_.usable())) {
            return false;
        }
        x_.target = m.targetX;
        x_.inc = m.incX;
        y_.target = m.targetY;
        y_.inc = m.incY;
        x_.lead = 0;
        y_.lead = 0;
        return true;
    }
    if (m.incZ != 0 && !z_.usable()) {
        return false;
    }
    z_.target = m.targetZ;
    z_.inc = m.incZ;
    z_.lead = 0;
    return true;
}

void CStepDriver::z_decision() {
    if (stopRequest_) {
        stopRequest_ = false;
        end_with(stopReason_);
    } else if (z_.finished()) {
        state_ = DriverState::readLine;
    } else {
        begin_tick(z_.advance() ? DriverState::zDirection : DriverState::zNoStep);
    }
}

void CStepDriver::no_step_tick(DriverState wait, DriverState back) {
    if (state_ != wait) {
        start_tick();
        state_ = wait;
    } else if (waited(periodUs_)) {
        state_ = back;
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
        state_ = DriverState::readLine;
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
        begin_tick(y_.advance() ? DriverState::xyDirection : DriverState::xDirection);
    } else {
        begin_tick(advance_y_only());
    }
}

DriverState CStepDriver::advance_x_only() {
    return x_.advance() ? DriverState::xDirection : DriverState::xyNoStep;
}
DriverState CStepDriver::advance_y_only() {
    return y_.advance() ? DriverState::yDirection : DriverState::xyNoStep;
}

void CStepDriver::begin_tick(DriverState state) {
    state_ = state;
    // The override in force now sets this tick's period.
    periodUs_ = line_period(current_job_line(), linePeriodUs_);
    ++lineTicks_;
    tickTimeUs_ += periodUs_ > 0 ? periodUs_ : 0;
}

void CStepDriver::close_file() {
    moveFile_.close();
}

void CStepDriver::end_with(EndReason why) {
    end_job_file();
    end_ = why;
    endLine_ = why == EndReason::badLine ? moveFile_.line_number() : 0;
    state_ = DriverState::closeFile;
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
        // However long the driver stayed paused, the conversion cannot overflow.
        const std::int64_t us = microseconds(now - lastCount_);
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

void CStepDriver::tick_phase(const SteppingTick& tick) {
    const int dir = (tick.x ? dir_x() : 0) + (tick.y ? dir_y() : 0) + (tick.z ? dir_z() : 0);
    const int clk =
        (tick.x ? wiring_.clkX : 0) + (tick.y ? wiring_.clkY : 0) + (tick.z ? wiring_.clkZ : 0);
    if (state_ == tick.direction) {
        write(dir);
        start_tick();
        state_ = tick.rise;
    } else if (state_ == tick.rise) {
        if (waited(third())) {
            if (motorsOn_) {
                write_edge(dir + clk);
            }
            state_ = tick.fall;
        }
    } else if (state_ == tick.fall) {
        if (waited(third())) {
            write_edge(dir);
            state_ = tick.hold;
        }
    } else if (waited(hold_part())) {
        state_ = pendingStart_.value_or(tick.back);
        anchorPending_ = anchorPending_ || pendingStart_.has_value();
        pendingStart_.reset();
    }
}

std::string end_reason_text(EndReason why, std::uint64_t line) {
    switch (why) {
        case EndReason::none:
            break;
        case EndReason::endOfFile:
            return "fin du fichier";
        case EndReason::stopped:
            return "arrêt demandé";
        case EndReason::portRefused:
            return "le port parallèle refuse les octets";
        case EndReason::notOpened:
            return "fichier de mouvements introuvable";
        case EndReason::badLine:
            return "ligne " + std::to_string(line) + " du fichier de mouvements invalide";
    }
    return "en cours";
}

}  // namespace vexor
