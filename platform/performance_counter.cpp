#include "performance_counter.h"

#include <chrono>

int QueryPerformanceFrequency(std::int64_t* frequency) {
    *frequency = 1'000'000'000;  // the count is in nanoseconds
    return 1;
}

int QueryPerformanceCounter(std::int64_t* count) {
    const auto since_epoch = std::chrono::steady_clock::now().time_since_epoch();
    *count = std::chrono::duration_cast<std::chrono::nanoseconds>(since_epoch).count();
    return 1;
}

namespace platform {

std::int64_t SteadyCounter::frequency() const {
    std::int64_t f = 0;
    QueryPerformanceFrequency(&f);
    return f;
}

std::int64_t SteadyCounter::count() {
    std::int64_t c = 0;
    QueryPerformanceCounter(&c);
    return c;
}

}  // namespace platform
