#pragma once
// The machine's idle processing: a zero-interval timer that runs one state of
// the motion driver per timeout while the driver has work, and stops itself
// when the driver answers 0 (idle or paused), so an idle program does not
// spin. Every command that starts a move file, or resumes a paused driver,
// calls start() again.

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
    // The driver answered 0 and the timer stopped.
    void stopped();

  private:
    void run_one();

    CStepDriver& driver_;
    QTimer timer_;
    qint64 calls_ = 0;
};

}  // namespace vexor
