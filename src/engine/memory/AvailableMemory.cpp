#include "memory/AvailableMemory.h"

#include "memory/PageMemory.h"

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <limits>
#include <optional>
#include <sys/resource.h>

namespace {

namespace fs = std::filesystem;

constexpr std::uint64_t Unlimited = std::numeric_limits<std::uint64_t>::max();

std::uint64_t memAvailable(const std::string& meminfoPath)
{
    std::ifstream meminfo(meminfoPath);
    std::string key;
    std::uint64_t kibibytes = 0;
    std::string unit;
    while (meminfo >> key >> kibibytes >> unit)
        if (key == "MemAvailable:")
            return kibibytes * 1024;
    return Unlimited;
}

/// Bytes of address space the process has mapped (its libraries, stacks, heap and blocks).
std::uint64_t addressSpaceMapped()
{
    std::ifstream statm("/proc/self/statm");
    std::uint64_t pages = 0;
    statm >> pages;
    return pages * PageMemory::pageBytes();
}

/// What the address-space limit (ulimit -v) leaves beside what is mapped already.
std::uint64_t addressSpaceLeft()
{
    rlimit limit{};
    if (getrlimit(RLIMIT_AS, &limit) != 0 || limit.rlim_cur == RLIM_INFINITY)
        return Unlimited;
    const auto limitBytes = static_cast<std::uint64_t>(limit.rlim_cur);
    const std::uint64_t mapped = addressSpaceMapped();
    return limitBytes > mapped ? limitBytes - mapped : 0;
}

/// The number a control-group file holds; empty when it is missing or says "max".
std::optional<std::uint64_t> numberIn(const fs::path& file)
{
    std::ifstream in(file);
    std::uint64_t value = 0;
    if (in >> value)
        return value;
    return std::nullopt;
}

/// The value of `key` in a memory.stat file, 0 when absent.
std::uint64_t statValue(const fs::path& file, const std::string& key)
{
    std::ifstream in(file);
    std::string name;
    std::uint64_t value = 0;
    while (in >> name >> value)
        if (name == key)
            return value;
    return 0;
}

/// The file names of one version of the memory controller.
struct MemoryFiles {
    const char* limit;
    const char* usage;
    const char* inactiveCache;
};
constexpr MemoryFiles Version2{"memory.max", "memory.current", "inactive_file"};
constexpr MemoryFiles Version1{"memory.limit_in_bytes", "memory.usage_in_bytes", "total_inactive_file"};

/// What one cgroup's limit leaves. Inactive file cache counts as in use, but the kernel drops it
/// before it kills anything, so it is room a picture can have.
std::uint64_t headroomOf(const fs::path& group, const MemoryFiles& files)
{
    const auto limit = numberIn(group / files.limit);
    if (!limit)
        return Unlimited;
    const std::uint64_t usage = numberIn(group / files.usage).value_or(0);
    const std::uint64_t reclaimable = statValue(group / "memory.stat", files.inactiveCache);
    const std::uint64_t used = usage - std::min(usage, reclaimable);
    return *limit > used ? *limit - used : 0;
}

/// The smallest headroom from `mount` / `path` up to `mount`. Inside a container the process's
/// own path may not exist under the mount, whose top is then the container's own group.
std::uint64_t headroomUpFrom(const fs::path& mount, const std::string& path, const MemoryFiles& files)
{
    std::uint64_t smallest = Unlimited;
    fs::path group = (mount / fs::path(path).relative_path()).lexically_normal();
    for (;;) {
        std::error_code error;
        if (fs::is_directory(group, error))
            smallest = std::min(smallest, headroomOf(group, files));
        if (group == mount || !group.has_relative_path() || group.parent_path() == group)
            break;
        group = group.parent_path();
    }
    return smallest;
}

bool listsMemory(const std::string& controllers)
{
    std::size_t start = 0;
    for (;;) {
        const std::size_t comma = controllers.find(',', start);
        if (controllers.substr(start, comma - start) == "memory")
            return true;
        if (comma == std::string::npos)
            return false;
        start = comma + 1;
    }
}

} // namespace

std::uint64_t AvailableMemory::cgroupHeadroom(const std::string& ownCgroups, const std::string& cgroupRoot)
{
    const fs::path root = fs::path(cgroupRoot).lexically_normal();
    std::ifstream groups(ownCgroups);
    std::uint64_t smallest = Unlimited;
    std::string line;
    while (std::getline(groups, line)) {
        const std::size_t first = line.find(':');
        const std::size_t second = line.find(':', first + 1);
        if (first == std::string::npos || second == std::string::npos)
            continue;
        const std::string id = line.substr(0, first);
        const std::string controllers = line.substr(first + 1, second - first - 1);
        const std::string path = line.substr(second + 1);
        std::error_code error;
        if (id == "0" && controllers.empty()) {
            const fs::path mount = fs::exists(root / "cgroup.controllers", error) ? root : root / "unified";
            smallest = std::min(smallest, headroomUpFrom(mount, path, Version2));
        } else if (listsMemory(controllers)) {
            smallest = std::min(smallest, headroomUpFrom(root / "memory", path, Version1));
        }
    }
    return smallest;
}

std::uint64_t AvailableMemory::bytes(const Sources& sources)
{
    return std::min({memAvailable(sources.meminfo), addressSpaceLeft(),
                     cgroupHeadroom(sources.ownCgroups, sources.cgroupRoot)});
}

std::uint64_t AvailableMemory::bytes()
{
    return bytes(Sources{});
}
