#pragma once
// Real-time scheduling for the thread that paces the machine's motors: the
// process's memory locked (no page fault between two edges of a pulse) and
// SCHED_FIFO priority for the calling thread, where the platform and the
// user's rights allow it and the kernel does not cut real-time threads off
// for part of each second. Otherwise the thread runs at normal priority; the
// grant says what was obtained and why.

#include <string>

namespace platform {

struct RealtimeGrant {
    bool memoryLocked = false;
    bool fifo = false;
    int priority = 0;  // the SCHED_FIFO priority obtained
    std::string text;  // French, for a status line
};

RealtimeGrant request_realtime(int priority = 50);

}  // namespace platform
