#include "idle_pump.h"

namespace vexor {

IdlePump::IdlePump(CStepDriver& driver, QObject* parent) : QObject(parent), driver_(driver) {
    timer_.setInterval(0);
    connect(&timer_, &QTimer::timeout, this, &IdlePump::run_one);
}

void IdlePump::start() {
    if (!timer_.isActive()) {
        timer_.start();
    }
}

void IdlePump::command(const std::function<void(CStepDriver&)>& command) {
    command(driver_);
    start();
}

bool IdlePump::wait_idle(std::chrono::milliseconds limit) {
    const auto end = std::chrono::steady_clock::now() + limit;
    while (driver_.running() && !driver_.paused() && std::chrono::steady_clock::now() < end) {
        ++calls_;
        driver_.step();
    }
    return !driver_.running();
}

void IdlePump::run_one() {
    ++calls_;
    if (driver_.step() == kNoWork) {
        timer_.stop();
        emit stopped();
    }
}

}  // namespace vexor
