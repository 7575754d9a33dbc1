#pragma once
// The high-resolution counter: a frequency and a current count, as the
// machine controller's pacing expects them. The real counter runs over the
// steady clock in nanoseconds; a hand-driven counter lets tests and
// simulations set time themselves.

#include <cstdint>

// Counts per second of the counter (1 000 000 000). Returns 1.
int QueryPerformanceFrequency(std::int64_t* frequency);
// Current count of the steady clock, in nanoseconds. Returns 1.
int QueryPerformanceCounter(std::int64_t* count);

namespace platform {

class PerformanceCounter {
  public:
    virtual ~PerformanceCounter() = default;
    virtual std::int64_t frequency() const = 0;
    virtual std::int64_t count() = 0;
};

// The machine's counter, through QueryPerformanceFrequency/QueryPerformanceCounter.
class SteadyCounter : public PerformanceCounter {
  public:
    std::int64_t frequency() const override;
    std::int64_t count() override;
};

// A counter whose time moves only when told: by `advance`, and by
// `auto_advance` counts after every reading when that is non-zero (so a
// driver polling a wait sees time pass without a real clock).
class ManualCounter : public PerformanceCounter {
  public:
    explicit ManualCounter(std::int64_t frequency = 1'000'000) : frequency_(frequency) {}

    std::int64_t frequency() const override { return frequency_; }
    std::int64_t count() override {
        const std::int64_t now = now_;
        now_ += auto_advance_;
        return now;
    }

    void advance(std::int64_t counts) { now_ += counts; }
    void set_auto_advance(std::int64_t counts) { auto_advance_ = counts; }
    std::int64_t now() const { return now_; }

  private:
    std::int64_t frequency_;
    std::int64_t now_ = 0;
    std::int64_t auto_advance_ = 0;
};

}  // namespace platform
