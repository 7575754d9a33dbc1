#include "realtime.h"

#if defined(__linux__)
#include <fstream>

#include <pthread.h>
#include <sched.h>
#include <sys/mman.h>
#endif

// Under a sanitizer the process maps terabytes of shadow memory, which a
// memory lock would try to fault in: the lock is not asked for there.
#if defined(__SANITIZE_ADDRESS__) || defined(__SANITIZE_THREAD__)
#define OSTRELO_NO_MEMORY_LOCK 1
#elif defined(__has_feature)
#if __has_feature(address_sanitizer) || __has_feature(thread_sanitizer)
#define OSTRELO_NO_MEMORY_LOCK 1
#endif
#endif

namespace platform {

namespace {

// The kernel's budget for real-time threads, in microseconds per period
// (-1: none). A thread that polls without sleeping is stopped for the rest
// of each period once it has used its budget.
long long read_long(const char* path, long long fallback) {
#if defined(__linux__)
    std::ifstream in(path);
    long long value = fallback;
    if (in >> value) {
        return value;
    }
#else
    (void)path;
#endif
    return fallback;
}

}  // namespace

RealtimeGrant request_realtime(int priority) {
    RealtimeGrant grant;
    // A kernel that leaves real-time threads only part of each period stops
    // a thread that polls without sleeping for the rest of it (about 50 ms
    // every second by default): a stall no motor may see. There a thread of
    // normal priority, never stopped that way, holds the rate better.
    const long long runtime = read_long("/proc/sys/kernel/sched_rt_runtime_us", -1);
    const long long period = read_long("/proc/sys/kernel/sched_rt_period_us", 0);
    const bool budgeted = runtime >= 0 && runtime < period;
#if defined(__linux__)
#if !defined(OSTRELO_NO_MEMORY_LOCK)
    grant.memoryLocked = ::mlockall(MCL_CURRENT | MCL_FUTURE) == 0;
#endif
    if (!budgeted) {
        sched_param param{};
        param.sched_priority = priority;
        grant.fifo = ::pthread_setschedparam(::pthread_self(), SCHED_FIFO, &param) == 0;
    }
    grant.priority = grant.fifo ? priority : 0;
#else
    (void)priority;
#endif
    if (grant.fifo) {
        grant.text = "priorité temps réel (SCHED_FIFO " + std::to_string(priority) + ")";
    } else if (budgeted) {
        grant.text = "priorité normale (le noyau limite le temps réel à " +
                     std::to_string(runtime / 1000) + " ms sur " + std::to_string(period / 1000) +
                     " ; kernel.sched_rt_runtime_us=-1 le lève)";
    } else {
        grant.text = "priorité normale (temps réel refusé)";
    }
    grant.text += grant.memoryLocked ? ", mémoire verrouillée" : ", mémoire non verrouillée";
    return grant;
}

}  // namespace platform
