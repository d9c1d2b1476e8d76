#include "memory/AvailableMemory.h"
#include "lattice/FieldSizeError.h"
#include "lattice/GrowthField.h"
#include "TestHosts.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <limits>
#include <string>
#include <unistd.h>

namespace fs = std::filesystem;

namespace {

constexpr std::uint64_t MiB = 1024 * 1024;

/// A made-up /proc and /sys/fs/cgroup: a test writes the files it needs.
class AvailableMemoryTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        folder = fs::temp_directory_path() / ("dla-memory-test-" + std::to_string(getpid()));
        fs::create_directories(folder / "cgroup");
        sources.meminfo = (folder / "meminfo").string();
        sources.ownCgroups = (folder / "self-cgroup").string();
        sources.cgroupRoot = (folder / "cgroup").string();
        put("meminfo", "MemTotal:       16000000 kB\nMemAvailable:    8000000 kB\n");
    }
    void TearDown() override { fs::remove_all(folder); }

    void put(const fs::path& file, const std::string& content) const
    {
        fs::create_directories((folder / file).parent_path());
        std::ofstream(folder / file) << content;
    }
    void putBytes(const fs::path& file, std::uint64_t bytes) const { put(file, std::to_string(bytes) + "\n"); }

    fs::path folder;
    AvailableMemory::Sources sources;
};

} // namespace

TEST_F(AvailableMemoryTest, CgroupV2LimitsOfTheGroupAndTheGroupsAboveItCount)
{
    put("self-cgroup", "0::/box/run\n");
    put("cgroup/cgroup.controllers", "cpu memory\n");
    put("cgroup/box/run/memory.max", "max\n");
    putBytes("cgroup/box/run/memory.current", 50 * MiB);
    putBytes("cgroup/box/memory.max", 300 * MiB);
    putBytes("cgroup/box/memory.current", 150 * MiB);
    put("cgroup/box/memory.stat", "anon 100000000\ninactive_file " + std::to_string(50 * MiB) + "\n");

    // 300 MiB less the 100 MiB in use that is not inactive file cache.
    const std::uint64_t available = AvailableMemory::bytes(sources);
    EXPECT_EQ(available, 200 * MiB);
    // 5000 x 5000 needs 75 MB of pixels and 25 MB of touch counts; 10000 x 10000 four times that.
    EXPECT_NO_THROW(GrowthField::checkSize(5000, 5000, available));
    expectFailure<FieldSizeError>([&] { GrowthField::checkSize(10000, 10000, available); },
                                  "Not enough memory for a picture of 10000 x 10000 pixels");
}

TEST_F(AvailableMemoryTest, CgroupV1BesideV2AndInsideAContainer)
{
    // The memory controller on v1, an empty v2 hierarchy in "unified" beside it.
    put("self-cgroup", "5:cpu,cpuacct:/jobs/7\n4:memory:/jobs/7\n0::/\n");
    put("cgroup/unified/cgroup.controllers", "\n");
    putBytes("cgroup/memory/jobs/7/memory.limit_in_bytes", 9223372036854771712u); // no limit
    putBytes("cgroup/memory/jobs/7/memory.usage_in_bytes", 10 * MiB);
    putBytes("cgroup/memory/jobs/memory.limit_in_bytes", 500 * MiB);
    putBytes("cgroup/memory/jobs/memory.usage_in_bytes", 200 * MiB);
    put("cgroup/memory/jobs/memory.stat", "inactive_file 1\ntotal_inactive_file " + std::to_string(20 * MiB) + "\n");
    EXPECT_EQ(AvailableMemory::bytes(sources), 320 * MiB);

    // In a container the process's path is the host's; the mount's top is the container's group.
    put("self-cgroup", "4:memory:/docker/0123abcd\n");
    fs::remove_all(folder / "cgroup" / "memory");
    putBytes("cgroup/memory/memory.limit_in_bytes", 64 * MiB);
    putBytes("cgroup/memory/memory.usage_in_bytes", 16 * MiB);
    EXPECT_EQ(AvailableMemory::bytes(sources), 48 * MiB);
}

TEST_F(AvailableMemoryTest, WithoutALimitTheMachinesAvailableMemoryCounts)
{
    put("self-cgroup", "0::/user.slice\n");
    put("cgroup/cgroup.controllers", "memory\n");
    put("cgroup/user.slice/memory.max", "max\n");
    EXPECT_EQ(AvailableMemory::cgroupHeadroom(sources.ownCgroups, sources.cgroupRoot),
              std::numeric_limits<std::uint64_t>::max());
    EXPECT_EQ(AvailableMemory::bytes(sources), 8000000 * std::uint64_t{1024});
}
