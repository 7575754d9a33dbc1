#include "realtime.h"

#if defined(__linux__)
#include <pthread.h>
#include <sched.h>
#include <sys/mman.h>
#endif

namespace platform {

RealtimeGrant request_realtime(int priority) {
    RealtimeGrant grant;
#if defined(__linux__)
    grant.memoryLocked = ::mlockall(MCL_CURRENT | MCL_FUTURE) == 0;
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
