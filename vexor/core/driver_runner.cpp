#include "driver_runner.h"

namespace vexor {

DriverSnapshot snapshot_of(const CStepDriver& driver) {
    DriverSnapshot s;
    s.posX = driver.posX();
    s.posY = driver.posY();
    s.posZ = driver.posZ();
    s.state = driver.state();
    s.running = driver.running();
    s.paused = driver.paused();
    s.motorsOn = driver.motors_on();
    s.end = driver.end_reason();
    s.endLine = driver.end_line();
    s.tally = driver.tally();
    const CStepDriver::JobProgress job = driver.job_progress();
    s.linesDone = job.linesDone;
    s.linesTotal = job.linesTotal;
    s.remainingUs = job.remainingUs;
    s.feedOverride = driver.feed_override();
    return s;
}

}  // namespace vexor
