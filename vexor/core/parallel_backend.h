#pragma once
// The machine on a parallel port: the motion driver of the document, run by
// the stepping thread (or the idle pump in tests), writing its steps to the
// port. Every command reaches the driver through the runner, between two of
// its states.

#include <chrono>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>

#include "driver_runner.h"
#include "machine_backend.h"
#include "port_output.h"
#include "vexor_doc.h"

namespace vexor {

// The port as the machine sees it: where the driver writes, which backend it
// is, the French notice of its selection, and the count of writes that did
// not reach the port (null: never any).
struct ParallelPort {
    platform::PortWriter* writer = nullptr;
    platform::PortBackend backend = platform::PortBackend::simulated;
    std::string notice;
    std::function<std::uint64_t()> failedWrites;
    // Lets go of the port for good (null: nothing to release).
    std::function<void()> release;
};

class ParallelBackend : public MachineBackend {
  public:
    ParallelBackend(CVexorDoc& doc, std::unique_ptr<DriverRunner> runner, ParallelPort port);
    ~ParallelBackend() override;

    bool offers(MachineFeature feature) const override {
        return feature == MachineFeature::feedOverride;
    }
    std::vector<std::string> poll() override;
    MachineSnapshot snapshot() const override;
    bool jog(Jog jog, float distance, std::string& error) override;
    bool go_to_origin(std::string& error) override;
    bool zero(bool x, bool y, bool z, std::string& error) override;
    bool prepare_job(std::string& error) override;
    void release_job() override;
    bool check_job(std::string& error) override;
    void toggle_pause() override;
    void stop() override;
    void set_motors(bool on) override;
    bool unlock(std::string& error) override;
    bool set_feed_override(int percent, std::string& error) override;
    void edit(const std::function<void(CVexorDoc&)>& change) override;
    std::string label() const override;
    std::string detail() const override;
    bool shut_down(std::chrono::milliseconds limit) override;

    DriverRunner& runner() { return *runner_; }
    const ParallelPort& port() const { return port_; }
    std::uint64_t failed_writes() const { return port_.failedWrites ? port_.failedWrites() : 0; }

  private:
    // A jog or the return to the origin, replacing whatever ran.
    bool start_move(const std::function<bool(std::string& error)>& write, std::string& error);
    // Why the watched job ended as the driver says: empty when its last line
    // ran, the port accepting every byte.
    std::string job_end_text(EndReason end, std::uint64_t line) const;
    void end_job(const std::string& why);

    CVexorDoc& doc_;
    std::unique_ptr<DriverRunner> runner_;
    ParallelPort port_;
    std::uint64_t failedSeen_ = 0;
    JobPhase job_ = JobPhase::none;
    std::string jobEnd_;
    bool jobPortFailed_ = false;  // the port refused bytes while the job ran
};

}  // namespace vexor
