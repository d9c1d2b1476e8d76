#include "memory/AvailableMemory.h"
#include "lattice/FieldSizeError.h"
#include "lattice/GrowthField.h"
#include "lattice/OwnerTable.h"
#include "memory/PageBlock.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <fstream>
#include <functional>
#include <optional>
#include <string>
#include <sys/resource.h>
#include <thread>

namespace {

constexpr std::uint64_t MiB = 1024 * 1024;

/// The process's mapped and resident bytes, from /proc/self/statm.
struct ProcessMemory {
    std::uint64_t mapped = 0;
    std::uint64_t resident = 0;

    static ProcessMemory now()
    {
        std::ifstream statm("/proc/self/statm");
        ProcessMemory memory;
        statm >> memory.mapped >> memory.resident;
        memory.mapped *= PageMemory::pageBytes();
        memory.resident *= PageMemory::pageBytes();
        return memory;
    }
};

/// The most resident memory since the last call, or empty where the kernel does not tell.
std::optional<std::uint64_t> residentPeakSinceLast()
{
    std::ifstream status("/proc/self/status");
    std::string key;
    std::optional<std::uint64_t> peak;
    while (status >> key) {
        if (key == "VmHWM:") {
            std::uint64_t kibibytes = 0;
            status >> kibibytes;
            peak = kibibytes * 1024;
        }
    }
    std::ofstream("/proc/self/clear_refs") << "5\n";
    return peak;
}

/// Runs `work` with the address-space limit set to what the process has mapped plus
/// `headroom`, then puts the limit back.
void withAddressSpaceHeadroom(std::uint64_t headroom, const std::function<void()>& work)
{
    rlimit saved{};
    ASSERT_EQ(getrlimit(RLIMIT_AS, &saved), 0);
    rlimit tight = saved;
    tight.rlim_cur = ProcessMemory::now().mapped + headroom;
    if (saved.rlim_max != RLIM_INFINITY && tight.rlim_cur > saved.rlim_max)
        GTEST_SKIP() << "the hard address-space limit is below what the test needs";
    ASSERT_EQ(setrlimit(RLIMIT_AS, &tight), 0);
    work();
    setrlimit(RLIMIT_AS, &saved);
}

} // namespace

TEST(PageMemory, WhatARunFreesOnItsThreadGoesBackToTheSystem)
{
    if (!PageMemory::mapsPages())
        GTEST_SKIP() << "this build takes its blocks from the sanitizer's allocator";
    // As on an ensemble's worker: a large picture, then a smaller one (which malloc would carve
    // from the arena it kept after the first), each written all over and then dropped.
    std::uint64_t before = 0;
    std::uint64_t after = 0;
    std::thread worker([&] {
        before = ProcessMemory::now().resident;
        for (const std::int32_t side : {3000, 2000})
            GrowthField field(side, side, ColumnMap::Identity);
        after = ProcessMemory::now().resident;
    });
    worker.join();
    EXPECT_LT(after, before + 2 * MiB) << "resident " << before << " bytes before, " << after << " after";
}

TEST(PageMemory, BlocksAreZeroedWholePagesAndMoveTheirOwnership)
{
    EXPECT_EQ(PageMemory::bytesFor(0), 0u);
    EXPECT_EQ(PageMemory::bytesFor(1), PageMemory::pageBytes());
    EXPECT_EQ(PageBlock<std::uint32_t>::bytesFor(PageMemory::pageBytes() / 4 + 1), 2 * PageMemory::pageBytes());

    PageBlock<std::uint32_t> block(100000);
    ASSERT_EQ(block.size(), 100000u);
    for (const std::uint32_t value : block)
        ASSERT_EQ(value, 0u);
    block[99999] = 7;
    PageBlock<std::uint32_t> moved(std::move(block));
    EXPECT_EQ(block.size(), 0u);
    EXPECT_EQ(block.data(), nullptr);
    EXPECT_EQ(moved[99999], 7u);
    PageBlock<std::uint32_t> copy(moved);
    copy[99999] = 8;
    EXPECT_EQ(moved[99999], 7u);
    EXPECT_EQ(copy[99999], 8u);
    block = copy;
    EXPECT_EQ(block.size(), 100000u);
    EXPECT_EQ(block[99999], 8u);
    EXPECT_THROW(PageBlock<std::uint64_t>(SIZE_MAX / 4), std::bad_alloc);
}

TEST(PageMemory, AReplacedBlockGivesItsPagesBack)
{
    if (!PageMemory::mapsPages())
        GTEST_SKIP() << "this build takes its blocks from the sanitizer's allocator";
    // What stays mapped once a large block is replaced by a small one, by a move and by a copy:
    // the small one's pages alone. The large one's 40 MiB must not stay behind.
    constexpr std::size_t Large = 40 * MiB / sizeof(std::uint32_t);
    constexpr std::size_t Small = 4 * MiB / sizeof(std::uint32_t);
    const PageBlock<std::uint32_t> source(Small);
    const std::uint64_t before = ProcessMemory::now().mapped;
    {
        PageBlock<std::uint32_t> block(Large);
        block = PageBlock<std::uint32_t>(Small);
        EXPECT_LT(ProcessMemory::now().mapped, before + 8 * MiB) << "a moved-in block left the old one mapped";
        PageBlock<std::uint32_t> copied(Large);
        copied = source;
        EXPECT_LT(ProcessMemory::now().mapped, before + 12 * MiB) << "a copied-in block left the old one mapped";
        EXPECT_EQ(copied.size(), Small);
    }
    EXPECT_LT(ProcessMemory::now().mapped, before + MiB);

    // A field made smaller, as the desktop program's Image Size does: 3000 x 3000 to 2000 x 2000.
    const std::uint64_t empty = ProcessMemory::now().mapped;
    GrowthField field(3000, 3000, ColumnMap::Identity);
    field = GrowthField(2000, 2000, ColumnMap::Identity);
    const std::uint64_t smallField = GrowthField::bytesFor(2000, 2000);
    EXPECT_LT(ProcessMemory::now().mapped, empty + smallField + 2 * MiB)
        << "a field reset to a smaller size keeps " << (ProcessMemory::now().mapped - empty) / MiB << " MiB";
}

TEST(PageMemory, AnOwnerTableNeverTakesMoreThanItsFigureNorMoreThanEightBytesAPixel)
{
    if (!PageMemory::mapsPages())
        GTEST_SKIP() << "this build takes its blocks from the sanitizer's allocator";
    struct Case {
        FieldSize size;
        std::int64_t owners;
    };
    // Few owners on a large picture stay in the table; many on a small one make it a map.
    for (const Case& test : {Case{{2000, 2000}, 100000}, Case{{1000, 1000}, 300000}}) {
        const auto at = [&](std::int64_t i) {
            return FieldPoint{static_cast<std::int32_t>(i % test.size.width),
                              static_cast<std::int32_t>(i / test.size.width)};
        };
        residentPeakSinceLast();
        const std::uint64_t before = ProcessMemory::now().resident;
        {
            OwnerTable table(test.size);
            for (std::int64_t i = 0; i < test.owners; ++i)
                table.record(at(i), i);
            // Recording a pixel again makes it no larger.
            for (std::int64_t i = 0; i < test.owners; ++i)
                table.record(at(i), i);
            ASSERT_EQ(table.size(), static_cast<std::size_t>(test.owners));
            for (std::int64_t i = 0; i < test.owners; ++i)
                ASSERT_EQ(table.ownerOf(at(i)), i) << i;
            EXPECT_EQ(table.ownerOf(at(test.owners)), std::nullopt);
        }
        const std::uint64_t figure = OwnerTable::peakBytesFor(test.size, static_cast<std::uint64_t>(test.owners));
        const auto pixels = static_cast<std::uint64_t>(test.size.width) * static_cast<std::uint64_t>(test.size.height);
        EXPECT_LE(figure, 8 * pixels + 2 * PageMemory::pageBytes());
        const std::optional<std::uint64_t> peak = residentPeakSinceLast();
        if (!peak)
            GTEST_SKIP() << "the kernel does not tell the resident peak";
        EXPECT_LE(*peak - before, figure + MiB / 2) << test.owners << " owners";
    }
}

TEST(AddressSpaceLimit, CountsWhatTheProcessHasMappedAlready)
{
    withAddressSpaceHeadroom(64 * MiB, [] {
        // What the process maps moves by a few pages between the two readings (buffers of
        // the readers themselves); the whole limit would be tens of MiB above this.
        const std::uint64_t available = AvailableMemory::bytes();
        EXPECT_LE(available, 64 * MiB + MiB);
        EXPECT_GT(available, 32 * MiB);
    });
}

TEST(AddressSpaceLimit, TheSameSizeIsNeverRefusedButANewOneIs)
{
    GrowthField field(2000, 2000, ColumnMap::Identity);
    withAddressSpaceHeadroom(8 * MiB, [&] {
        EXPECT_NO_THROW(field.reset(2000, 2000, 0));
        EXPECT_FALSE(field.isWhite(1000, 1000));
        EXPECT_THROW(field.reset(2000, 2001, 0), FieldSizeError);
        EXPECT_THROW(GrowthField(2000, 2000, ColumnMap::Identity), FieldSizeError);
    });
    EXPECT_EQ(field.height(), 2000);
}
