#pragma once

#include <cstdint>
#include <string>

/// Bytes the process can still allocate without pushing the machine into swapping or the
/// out-of-memory killer: the smallest of the kernel's MemAvailable, what the address-space limit
/// (RLIMIT_AS) leaves beside the address space the process has mapped already, and what the
/// memory limits of the process's control groups leave. Where none can be read, a very large
/// number.
class AvailableMemory {
public:
    /// Where the figures are read from; a test hands in a folder of made-up files.
    struct Sources {
        std::string meminfo = "/proc/meminfo";
        /// The process's own control groups, one "id:controllers:path" line each.
        std::string ownCgroups = "/proc/self/cgroup";
        /// Where the control-group file systems are mounted: cgroup v2 there (or in "unified"
        /// below it, beside v1), the v1 memory controller in "memory".
        std::string cgroupRoot = "/sys/fs/cgroup";
    };

    /// The figure for this process.
    static std::uint64_t bytes();
    /// The figure from other sources (the address space is always this process's).
    static std::uint64_t bytes(const Sources& sources);

    /// What the memory limits leave: for the process's cgroup and each one above it that has a
    /// limit (v2 memory.max, v1 memory.limit_in_bytes), the limit less the memory in use (v2
    /// memory.current, v1 memory.usage_in_bytes) that is not inactive file cache; the smallest
    /// of these. A very large number where no limit is set.
    static std::uint64_t cgroupHeadroom(const std::string& ownCgroups, const std::string& cgroupRoot);
};
