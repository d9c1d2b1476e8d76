// The names the runs of an ensemble write to, and how many runs go at once.

#include "JobCount.h"
#include "RunFileName.h"

#include <gtest/gtest.h>

TEST(RunFileName, SeedFieldIsReplacedWherePlaced)
{
    EXPECT_EQ(RunFileName::forSeed("flake-{seed}.png", 7, true), "flake-7.png");
    EXPECT_EQ(RunFileName::forSeed("runs-{seed}/f{seed}.bmp", 4294967295u, true), "runs-4294967295/f4294967295.bmp");
    // A single run named with the field still gets its seed: a slice of one run must not write
    // a file called "{seed}".
    EXPECT_EQ(RunFileName::forSeed("flake-{seed}.png", 7, false), "flake-7.png");
    EXPECT_EQ(RunFileName::forSeed("flake.png", 7, false), "flake.png");
}

TEST(RunFileName, SeedGoesBeforeTheExtensionOfTheLastPart)
{
    EXPECT_EQ(RunFileName::forSeed("flake.png", 7, true), "flake-7.png");
    EXPECT_EQ(RunFileName::forSeed("out.d/flake.tar.bmp", 12, true), "out.d/flake.tar-12.bmp");
    EXPECT_EQ(RunFileName::forSeed("out.d/flake", 12, true), "out.d/flake-12");
    EXPECT_EQ(RunFileName::forSeed("out/.hidden", 3, true), "out/.hidden-3");
}

TEST(JobCount, LoweredToWhatMemoryHolds)
{
    EXPECT_EQ(JobCount::fittingMemory(8, 100, 1000), 8);
    EXPECT_EQ(JobCount::fittingMemory(8, 300, 1000), 3);
    EXPECT_EQ(JobCount::fittingMemory(8, 2000, 1000), 1);
    EXPECT_EQ(JobCount::fittingMemory(1024, 1, UINT64_MAX), 1024);
    const int processors = JobCount::processorsAvailable();
    EXPECT_GE(processors, JobCount::Minimum);
    EXPECT_LE(processors, JobCount::Maximum);
}
