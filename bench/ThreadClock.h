#pragma once

#include <ctime>

/// Seconds of CPU time this thread has used (the kernel's page faults included): a busy machine
/// delays it less than it delays the wall clock.
inline double threadSeconds()
{
    timespec now{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
    return static_cast<double>(now.tv_sec) + static_cast<double>(now.tv_nsec) * 1e-9;
}
