#include "lattice/PlantLifeGrowth.h"
#include "lattice/RunFrame.h"
#include "TestHosts.h"

#include <gtest/gtest.h>

#include <vector>

TEST(PlantLifeWalk, SeededWithZeroTheFirstWandererFollowsTheKnownPath)
{
    ProgramState state(0);
    std::int64_t moves = 0;
    const auto path = tracedWalk<PlantLifeGrowth>(state, moves);
    ASSERT_GE(path.size(), 6u);
    const std::vector<FieldPoint> expected{{0, 285}, {1, 285}, {149, 284}, {148, 284}, {147, 284}, {148, 283}};
    EXPECT_EQ(std::vector<FieldPoint>(path.begin(), path.begin() + 6), expected);
    EXPECT_EQ(moves, static_cast<std::int64_t>(path.size()) - 1);
}

TEST(PlantLifeWalk, TheRingOfColumnsOneToWMinusOne)
{
    EXPECT_EQ(PlantLifeGrowth::wrapColumn(0, 150), 149);
    EXPECT_EQ(PlantLifeGrowth::wrapColumn(150, 150), 1);
    EXPECT_EQ(PlantLifeGrowth::wrapColumn(-1, 150), 148) << "column -1 comes round, never walks blind";
    EXPECT_EQ(PlantLifeGrowth::wrapColumn(1, 150), 1);
    EXPECT_EQ(PlantLifeGrowth::wrapColumn(149, 150), 149);
}

TEST(PlantLifeWalk, EveryWalkStaysOnTheRingAndWithinThirtyRowsOfTheTop)
{
    ProgramState state(7);
    state.resizePlant({40, 60});
    for (int wanderer = 0; wanderer < 300; ++wanderer) {
        std::int64_t moves = 0;
        const std::int32_t top = state.plantTop;
        const auto path = tracedWalk<PlantLifeGrowth>(state, moves);
        ASSERT_EQ(path.front().y, top - 10);
        for (std::size_t i = 1; i < path.size(); ++i) {
            const FieldPoint p = path[i];
            ASSERT_GE(p.x, 1);
            ASSERT_LE(p.x, 39);
            ASSERT_GE(p.y, top - 30) << "row top - 30 is allowed, top - 31 is pulled back";
            const bool pulledBack = p.y == top - 10 && path[i - 1].y == top - 30;
            if (!pulledBack) {
                ASSERT_LE(std::abs(p.y - path[i - 1].y), 1);
            }
        }
        PlantLifeGrowth(state).stick(path.back());
        if (state.plantTop < 2)
            state.resetPlant();
    }
}

TEST(PlantLifeWalk, AWandererAboveTopMinus30IsPutBackToTheReleaseRow)
{
    EXPECT_EQ(PlantLifeGrowth::pullBackRow(265, 295), 265);
    EXPECT_EQ(PlantLifeGrowth::pullBackRow(264, 295), 285);
    EXPECT_EQ(PlantLifeGrowth::pullBackRow(-29, 1), -29);
    EXPECT_EQ(PlantLifeGrowth::pullBackRow(-30, 1), -9);
}

TEST(PlantLifeRun, ToLimitEndsRightAfterTheTopReachesRowOne)
{
    ProgramState state(11);
    PlantLifeGrowth growth(state);
    state.plantTop = 2;
    EXPECT_FALSE(growth.limitReached());
    state.plantTop = 1;
    EXPECT_TRUE(growth.limitReached());

    ScriptedHost host;
    int topAtLastMessages = 0;
    host.onMessages = [&](int) { topAtLastMessages = state.plantTop; };
    const RunStats stats = RunFrame(state, host).runPlantLife();
    EXPECT_LE(state.plantTop, 1);
    EXPECT_GE(state.plantTop, 0);
    EXPECT_GT(stats.wanderers, 100);
    EXPECT_LT(stats.wanderers, RunFrame::ToLimitWanderers);
    EXPECT_EQ(host.started, 1);
    EXPECT_EQ(host.ended, 1);
    EXPECT_GE(topAtLastMessages, 2) << "the run did not stop at the first top of 1 or less";
    // Every wanderer of a ring walk sticks inside, so each stamp adds one white pixel.
    EXPECT_EQ(whitePixels(state.plantField(), 0, 294), stats.wanderers);
    EXPECT_TRUE(touchLookupAgreesWithReads(state.plantField()));
}

TEST(PlantLifeRun, ASecondRunStartsFromTheBaseStripAgain)
{
    ProgramState state(5);
    ScriptedHost host;
    RunFrame(state, host).runPlantLife();
    host.limit = false;
    host.points = 0;
    std::int32_t topWhenReleased = 0;
    host.onMessages = [&](int) { topWhenReleased = state.plantTop; };
    RunFrame(state, host).runPlantLife();
    EXPECT_EQ(topWhenReleased, 295) << "plantTop is set back to h - 5 when a run starts";
}

TEST(PlantLifeRun, WithoutALimitGrowthGoesOnPastTheTopRow)
{
    ProgramState state(9);
    state.resizePlant({10, 10});
    ScriptedHost host;
    host.limit = false;
    host.points = 400;
    const RunStats stats = RunFrame(state, host).runPlantLife();
    EXPECT_EQ(stats.wanderers, 401);
    EXPECT_EQ(state.plantTop, -1) << "wanderers stick at row -1 above a white top row";
}

TEST(PlantLifeWalk, EveryWalkEndsAtTheFirstPositionThatTouches)
{
    ProgramState state(31);
    for (int wanderer = 0; wanderer < 2000 && state.plantTop >= 2; ++wanderer) {
        std::int64_t moves = 0;
        const auto path = tracedWalk<PlantLifeGrowth>(state, moves);
        for (std::size_t i = 0; i + 1 < path.size(); ++i)
            ASSERT_FALSE(state.plantField().firstTouchedPixel(path[i].x, path[i].y).has_value()) << "step " << i;
        ASSERT_TRUE(state.plantField().firstTouchedPixel(path.back().x, path.back().y).has_value());
        PlantLifeGrowth(state).stick(path.back());
    }
}
