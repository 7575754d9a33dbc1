#pragma once
// CSteppingThread: the motion driver in a thread of its own, as the programs
// run it. While the driver has work the thread runs its states one after
// another, polling the counter continuously; when the driver is idle or
// paused it sleeps on a condition variable until a command comes. A wait
// longer than kSleepAboveUs is slept through until kWakeBeforeUs before its
// end, and polled from there: Linux throttles a real-time thread that never
// sleeps (by default it takes the processor back for 50 ms every second),
// which would freeze the motors. A command
// is queued, applied by the thread between two driver states, and the caller
// returns once it has been applied. After every change of state the thread
// publishes a snapshot, so a reader never sees a driver halfway through a
// state.

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <mutex>
#include <stop_token>
#include <thread>
#include <vector>

#include "driver_runner.h"
#include "step_driver.h"

namespace vexor {

class CSteppingThread : public DriverRunner {
  public:
    // `realtime`: lock the memory and ask for SCHED_FIFO priority (the
    // programs); tests and measurements of the plain thread use `normal`.
    enum class Priority { normal, realtime };
    static constexpr std::int64_t kSleepAboveUs = 150;
    static constexpr std::int64_t kWakeBeforeUs = 100;

    // The thread starts at once and runs the driver from whatever state it
    // is in; the status is known when the constructor returns.
    explicit CSteppingThread(CStepDriver& driver, Priority priority = Priority::realtime);
    // Stops the thread between two states; the driver keeps its state.
    ~CSteppingThread() override;
    CSteppingThread(const CSteppingThread&) = delete;
    CSteppingThread& operator=(const CSteppingThread&) = delete;

    void command(const std::function<void(CStepDriver&)>& command) override;
    DriverSnapshot snapshot() const override;
    bool wait_idle(std::chrono::milliseconds limit) override;
    std::string status() const override;

    // Waits until a published snapshot satisfies `done`, at most `limit`;
    // returns whether it did.
    bool wait_for(const std::function<bool(const DriverSnapshot&)>& done,
                  std::chrono::milliseconds limit);

  private:
    void run(std::stop_token stop);
    // With the lock held: applies the queued commands and publishes.
    void apply_commands();

    CStepDriver& driver_;
    mutable std::mutex mutex_;
    std::condition_variable_any wake_;  // a command for the thread, or its stop
    std::condition_variable changed_;   // a new snapshot, an applied command
    std::vector<const std::function<void(CStepDriver&)>*> queue_;
    std::uint64_t queued_ = 0;
    std::uint64_t applied_ = 0;
    std::atomic<bool> pending_{false};  // read without the lock between states
    DriverSnapshot snapshot_;
    std::string status_;
    bool started_ = false;
    std::jthread thread_;  // last: it starts once everything above exists
};

}  // namespace vexor
