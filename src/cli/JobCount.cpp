#include "JobCount.h"

#include <algorithm>
#include <malloc.h>
#include <pthread.h>
#include <sched.h>
#include <unistd.h>

int JobCount::processorsAvailable()
{
    cpu_set_t set;
    CPU_ZERO(&set);
    if (sched_getaffinity(0, sizeof set, &set) != 0)
        return Minimum;
    return std::clamp(CPU_COUNT(&set), Minimum, Maximum);
}

void JobCount::setUpWorkers()
{
    pthread_attr_t attributes;
    if (pthread_getattr_default_np(&attributes) == 0) {
        pthread_attr_setstacksize(&attributes, WorkerStackBytes);
        pthread_setattr_default_np(&attributes);
        pthread_attr_destroy(&attributes);
    }
    mallopt(M_ARENA_MAX, 1);
}

std::uint64_t JobCount::workerBytes()
{
    std::size_t stack = 8 << 20; // glibc's usual default, should the attributes not be readable
    std::size_t guard = static_cast<std::size_t>(sysconf(_SC_PAGESIZE));
    pthread_attr_t attributes;
    if (pthread_getattr_default_np(&attributes) == 0) {
        pthread_attr_getstacksize(&attributes, &stack);
        pthread_attr_getguardsize(&attributes, &guard);
        pthread_attr_destroy(&attributes);
    }
    return stack + guard;
}

int JobCount::fittingMemory(int requested, std::uint64_t bytesPerRun, std::uint64_t availableBytes)
{
    if (bytesPerRun == 0)
        return requested;
    const std::uint64_t fitting = availableBytes / bytesPerRun;
    return static_cast<int>(std::clamp<std::uint64_t>(fitting, 1, static_cast<std::uint64_t>(requested)));
}
