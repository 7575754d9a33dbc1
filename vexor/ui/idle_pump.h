#pragma once
// The idle pump: a runner of the motion driver for tests and the step-timing
// benchmark (the programs use the stepping thread). A zero-interval timer of
// the Qt event loop runs one state of the driver per timeout while the driver
// has work, and stops itself when the driver answers kNoWork (idle or paused),
// so an idle loop does not spin. Every command, such as one that starts a
// move file or resumes a paused driver, starts it again.

#include <QObject>
#include <QTimer>

#include "driver_runner.h"
#include "step_driver.h"

namespace vexor {

class IdlePump : public QObject, public DriverRunner {
    Q_OBJECT

  public:
    explicit IdlePump(CStepDriver& driver, QObject* parent = nullptr);

    void start();
    // Commands run at once in the caller's thread, which is the pump's.
    void command(const std::function<void(CStepDriver&)>& command) override;
    DriverSnapshot snapshot() const override { return snapshot_of(driver_); }
    // Runs the driver's states at once, in the caller's thread.
    bool wait_idle(std::chrono::milliseconds limit) override;
    std::string status() const override { return "boucle d'événements"; }
    bool active() const { return timer_.isActive(); }
    // Driver states run since the pump was built.
    qint64 calls() const { return calls_; }

  signals:
    // The driver answered kNoWork and the timer stopped.
    void stopped();

  private:
    void run_one();

    CStepDriver& driver_;
    QTimer timer_;
    qint64 calls_ = 0;
};

}  // namespace vexor
