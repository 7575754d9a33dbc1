#include "stepping_thread.h"

#include "realtime.h"

namespace vexor {

CSteppingThread::CSteppingThread(CStepDriver& driver, Priority priority)
    : driver_(driver), snapshot_(snapshot_of(driver)) {
    thread_ = std::jthread([this, priority](std::stop_token stop) {
        std::string status = "fil de pas, priorité normale";
        if (priority == Priority::realtime) {
            status = "fil de pas, " + platform::request_realtime().text;
        }
        {
            std::lock_guard lock(mutex_);
            status_ = status;
            started_ = true;
        }
        changed_.notify_all();
        run(stop);
    });
    std::unique_lock lock(mutex_);
    changed_.wait(lock, [this] { return started_; });
}

CSteppingThread::~CSteppingThread() {
    thread_.request_stop();
    thread_.join();
}

void CSteppingThread::command(const std::function<void(CStepDriver&)>& command) {
    std::unique_lock lock(mutex_);
    queue_.push_back(&command);
    const std::uint64_t mine = ++queued_;
    pending_.store(true, std::memory_order_release);
    wake_.notify_one();
    changed_.wait(lock, [&] { return applied_ >= mine; });
}

DriverSnapshot CSteppingThread::snapshot() const {
    std::lock_guard lock(mutex_);
    return snapshot_;
}

std::string CSteppingThread::status() const {
    std::lock_guard lock(mutex_);
    return status_;
}

bool CSteppingThread::wait_for(const std::function<bool(const DriverSnapshot&)>& done,
                               std::chrono::milliseconds limit) {
    std::unique_lock lock(mutex_);
    return changed_.wait_for(lock, limit, [&] { return done(snapshot_); });
}

bool CSteppingThread::wait_idle(std::chrono::milliseconds limit) {
    return wait_for([](const DriverSnapshot& s) { return !s.running; }, limit);
}

void CSteppingThread::apply_commands() {
    for (const auto* command : queue_) {
        (*command)(driver_);
    }
    applied_ += queue_.size();
    queue_.clear();
    pending_.store(false, std::memory_order_relaxed);
    snapshot_ = snapshot_of(driver_);
    changed_.notify_all();
}

void CSteppingThread::run(std::stop_token stop) {
    bool busy = true;
    while (!stop.stop_requested()) {
        if (!busy || pending_.load(std::memory_order_acquire)) {
            std::unique_lock lock(mutex_);
            if (!busy && !wake_.wait(lock, stop, [this] { return !queue_.empty(); })) {
                break;  // stopped while asleep
            }
            apply_commands();
        }
        const DriverState before = driver_.state();
        busy = driver_.step() == kHasWork;
        if (busy && driver_.state() == before) {
            continue;  // still waiting: nothing new to publish
        }
        std::unique_lock lock(mutex_);
        snapshot_ = snapshot_of(driver_);
        changed_.notify_all();
        const std::int64_t left = busy && is_waiting(driver_.state()) ? driver_.wait_left_us() : -1;
        if (left > kSleepAboveUs) {
            wake_.wait_for(lock, stop, std::chrono::microseconds(left - kWakeBeforeUs),
                           [this] { return !queue_.empty(); });
        }
    }
}

}  // namespace vexor
