#include "JobCount.h"

#include <algorithm>
#include <sched.h>

int JobCount::processorsAvailable()
{
    cpu_set_t set;
    CPU_ZERO(&set);
    if (sched_getaffinity(0, sizeof set, &set) != 0)
        return Minimum;
    return std::clamp(CPU_COUNT(&set), Minimum, Maximum);
}

int JobCount::fittingMemory(int requested, std::uint64_t bytesPerRun, std::uint64_t availableBytes)
{
    if (bytesPerRun == 0)
        return requested;
    const std::uint64_t fitting = availableBytes / bytesPerRun;
    return static_cast<int>(std::clamp<std::uint64_t>(fitting, 1, static_cast<std::uint64_t>(requested)));
}
