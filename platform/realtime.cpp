#include "realtime.h"

#if defined(__linux__)
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

RealtimeGrant request_realtime(int priority) {
    RealtimeGrant grant;
#if defined(__linux__)
#if !defined(OSTRELO_NO_MEMORY_LOCK)
    grant.memoryLocked = ::mlockall(MCL_CURRENT | MCL_FUTURE) == 0;
#endif
    sched_param param{};
    param.sched_priority = priority;
    grant.fifo = ::pthread_setschedparam(::pthread_self(), SCHED_FIFO, &param) == 0;
    grant.priority = grant.fifo ? priority : 0;
#else
    (void)priority;
#endif
    grant.text = grant.fifo ? "priorité temps réel (SCHED_FIFO " + std::to_string(priority) + ")"
                            : std::string("priorité normale (temps réel refusé)");
    grant.text += grant.memoryLocked ? ", mémoire verrouillée" : ", mémoire non verrouillée";
    return grant;
}

}  // namespace platform
