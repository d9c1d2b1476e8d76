#include "lattice/RunFrame.h"
#include "TestHosts.h"

#include <gtest/gtest.h>

#include <cstring>
#include <tuple>
#include <vector>

TEST(RunFrameCount, ReleasesNPlusOneWanderersWithoutALimit)
{
    for (auto [points, wanderers] : {std::pair{0, 1}, {1000, 1001}, {-1, 0}, {INT32_MIN, 0}}) {
        ProgramState state(1);
        ScriptedHost host;
        host.limit = false;
        host.points = points;
        EXPECT_EQ(RunFrame(state, host).runPlantLife().wanderers, wanderers) << points;
        EXPECT_EQ(host.started, 1);
        EXPECT_EQ(host.settingsRead, 1) << "the settings are read once, at the start";
        EXPECT_EQ(host.ended, 1) << "a run without wanderers still ends normally";
        ProgramState snowState(1);
        EXPECT_EQ(RunFrame(snowState, host).runSnowflake().wanderers, wanderers) << points;
    }
}

TEST(RunFrameCount, PlantMessagesFallOnEveryThirtiethCount)
{
    ProgramState state(1);
    ScriptedHost host;
    host.limit = false;
    host.points = 90; // counts 0 .. 90: messages at 0, 30, 60 and 90
    std::vector<int> counts;
    host.onMessages = [&](int) { counts.push_back(whitePixels(state.plantField(), 0, 294)); };
    EXPECT_EQ(RunFrame(state, host).runPlantLife().end, RunEnd::ByRule);
    EXPECT_EQ(counts, (std::vector<int>{0, 30, 60, 90}));
}

TEST(RunFrameCancel, ACancelAtTheFirstMessagePointStampsThatWandererAndReleasesNoOther)
{
    ProgramState state(1);
    ScriptedHost host;
    host.onMessages = [&](int) { state.stopRequested = true; };
    const RunStats stats = RunFrame(state, host).runPlantLife();
    EXPECT_EQ(stats.wanderers, 1);
    EXPECT_EQ(stats.end, RunEnd::Stopped);
    EXPECT_EQ(whitePixels(state.plantField(), 0, 294), 1);
    EXPECT_LT(state.plantTop, 295);
    EXPECT_FALSE(state.stopRequested) << "the run takes the request";
    EXPECT_EQ(host.ended, 0) << "a cancelled run leaves the menu to Cancel";
}

TEST(RunFrameCancel, ALateCancelAtTheLastWandererIsSpentWhenTheRunEnds)
{
    ProgramState state(1);
    ScriptedHost host;
    host.limit = false;
    host.points = 30; // the last wanderer, count 30, has a message point
    host.onMessages = [&](int call) {
        if (call == 2)
            state.stopRequested = true;
    };
    const RunStats stats = RunFrame(state, host).runPlantLife();
    EXPECT_EQ(stats.wanderers, 31);
    EXPECT_EQ(stats.end, RunEnd::Stopped) << "a stopped run must not be taken as one that ran its course";
    EXPECT_EQ(host.ended, 1);
    EXPECT_FALSE(state.stopRequested) << "a leftover request would stop the next run at once";
}

TEST(RunFrameCancel, AStartAfterCancelInsideTheRunReturnsAtOnceAndTheOuterRunGoesOn)
{
    ProgramState state(1);
    ScriptedHost outer;
    outer.limit = false;
    outer.points = 60;
    ScriptedHost nested;
    RunStats nestedStats{-1, -1};
    outer.onMessages = [&](int call) {
        if (call == 1) {
            state.stopRequested = true; // Cancel
            nestedStats = RunFrame(state, nested).runPlantLife(); // START
        }
    };
    const RunStats stats = RunFrame(state, outer).runPlantLife();
    EXPECT_EQ(nestedStats.wanderers, 0);
    EXPECT_EQ(nested.started, 1);
    EXPECT_EQ(nested.ended, 0);
    EXPECT_EQ(stats.wanderers, 61) << "the outer run no longer sees the request";
    EXPECT_EQ(outer.ended, 1);
}

TEST(RunFrameDuringARun, AResetDropsTheWaitingWandererAndGoesOnOnTheFreshField)
{
    ProgramState state(4);
    ScriptedHost host;
    host.limit = false;
    host.points = 89;
    host.onMessages = [&](int call) {
        if (call == 2)
            state.resetPlant(); // at count 30: wanderer 30 is dropped, 31 .. 89 land on the fresh field
    };
    const RunStats stats = RunFrame(state, host).runPlantLife();
    EXPECT_EQ(stats.wanderers, 90);
    EXPECT_EQ(whitePixels(state.plantField(), 0, 294), 59);
    EXPECT_TRUE(touchLookupAgreesWithReads(state.plantField()));

    ProgramState snow(4);
    host.points = 20;
    host.messageCalls = 0;
    int countAtReset = -1;
    host.onMessages = [&](int call) {
        if (call == 4) {
            countAtReset = whitePixels(snow.snowField()) - 1;
            snow.resetSnowflake();
        }
    };
    RunFrame(snow, host).runSnowflake();
    ASSERT_GE(countAtReset, 3);
    EXPECT_EQ(whitePixels(snow.snowField()), 1 + 21 - countAtReset - 1) << "the seed and the later wanderers";
}

TEST(RunFrameDuringARun, ASizeChangeTakesEffectFromTheNextRelease)
{
    ProgramState state(8);
    ScriptedHost host;
    host.limit = false;
    host.points = 600;
    host.onMessages = [&](int call) {
        if (call == 1)
            state.resizePlant({400, 200});
    };
    RunFrame(state, host).runPlantLife();
    EXPECT_EQ(state.plantField().width(), 400);
    int farRight = 0;
    for (std::int32_t y = 0; y < 195; ++y)
        for (std::int32_t x = 150; x < 400; ++x)
            farRight += state.plantField().isWhite(x, y) ? 1 : 0;
    EXPECT_GT(farRight, 100) << "later wanderers are released across the new width";
    EXPECT_TRUE(touchLookupAgreesWithReads(state.plantField()));
}

TEST(RunFrameDuringARun, TheSameSeedGrowsTheSameClusters)
{
    ProgramState first(123456);
    ProgramState second(123456);
    ScriptedHost host;
    RunFrame(first, host).runPlantLife();
    RunFrame(first, host).runSnowflake();
    RunFrame(second, host).runPlantLife();
    RunFrame(second, host).runSnowflake();
    ASSERT_EQ(first.plantField().pixelBlockSize(), second.plantField().pixelBlockSize());
    EXPECT_EQ(0, std::memcmp(first.plantField().pixelBlock(), second.plantField().pixelBlock(),
                             first.plantField().pixelBlockSize()));
    EXPECT_EQ(0, std::memcmp(first.snowField().pixelBlock(), second.snowField().pixelBlock(),
                             first.snowField().pixelBlockSize()));
    EXPECT_EQ(first.random.seed(), second.random.seed());
}

namespace {

/// What the host is told at one message point, as a comparable value.
using Told = std::tuple<std::int64_t, std::int32_t, std::int32_t>;

std::vector<Told> toldValues(const std::vector<RunProgress>& progress)
{
    std::vector<Told> told;
    for (const RunProgress& at : progress)
        told.emplace_back(at.wanderers, at.marker, at.markerLimit);
    return told;
}

/// The message points a run must have, from the marker after each stamp: count c is a message
/// point when c is a multiple of the interval the marker before its stamp gives.
template <class IntervalOf>
std::vector<Told> expectedTold(std::int32_t startMarker, const std::vector<std::int32_t>& markerAfterStamp,
                               std::int32_t markerLimit, IntervalOf intervalOf)
{
    std::vector<Told> told;
    std::int32_t marker = startMarker;
    for (std::size_t count = 0; count < markerAfterStamp.size(); ++count) {
        if (static_cast<std::int64_t>(count) % intervalOf(marker) == 0)
            told.emplace_back(static_cast<std::int64_t>(count) + 1, marker, markerLimit);
        marker = markerAfterStamp[count];
    }
    return told;
}

} // namespace

TEST(RunFrameProgress, PlantTellsWanderersOneThirtyOneSixtyOneWithTheTopBeforeTheStampAndItsLimit)
{
    ProgramState state(1);
    ScriptedHost host;
    host.limit = false;
    host.points = 100;
    std::vector<std::int32_t> tops;
    RunFrame(state, host).runPlantLife([&](const StuckWanderer&) { tops.push_back(state.plantTop); });
    ASSERT_EQ(tops.size(), 101u);
    const std::vector<Told> expected = expectedTold(295, tops, 1, [](std::int32_t) { return 30; });
    ASSERT_EQ(expected.size(), 4u);
    EXPECT_EQ(std::get<0>(expected.back()), 91);
    EXPECT_EQ(toldValues(host.progress), expected);
}

TEST(RunFrameProgress, SnowflakeTellsTheCountsAtMultiplesOfTheCurrentIntervalWithRadiusAndLimit)
{
    ProgramState state(2024);
    state.resizeSnowflake({200, 151});
    ScriptedHost host;
    std::vector<std::int32_t> radii;
    RunFrame(state, host).runSnowflake([&](const StuckWanderer&) { radii.push_back(state.snowRadius); });
    // Min(200, 151) / 2 - 2 = 73.5: the run ends once the radius reaches 74.
    EXPECT_EQ(state.snowRadius, 74);
    const auto intervalOf = [](std::int32_t radius) { return (radius + 2) / 5 + 1; };
    EXPECT_EQ(toldValues(host.progress), expectedTold(1, radii, 74, intervalOf));
}
