#include "AvailableMemory.h"

#include <algorithm>
#include <fstream>
#include <limits>
#include <string>
#include <sys/resource.h>

namespace {

std::uint64_t memAvailableFromProc()
{
    std::ifstream meminfo("/proc/meminfo");
    std::string key;
    std::uint64_t kibibytes = 0;
    std::string unit;
    while (meminfo >> key >> kibibytes >> unit)
        if (key == "MemAvailable:")
            return kibibytes * 1024;
    return std::numeric_limits<std::uint64_t>::max();
}

std::uint64_t addressSpaceLimit()
{
    rlimit limit{};
    if (getrlimit(RLIMIT_AS, &limit) != 0 || limit.rlim_cur == RLIM_INFINITY)
        return std::numeric_limits<std::uint64_t>::max();
    return static_cast<std::uint64_t>(limit.rlim_cur);
}

} // namespace

std::uint64_t availableMemoryBytes()
{
    return std::min(memAvailableFromProc(), addressSpaceLimit());
}
