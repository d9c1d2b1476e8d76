#include "lattice/RunFrame.h"
#include "lattice/SnowflakeGrowth.h"
#include "TestHosts.h"

#include <gtest/gtest.h>

#include <cmath>
#include <vector>

namespace {

/// The stray test written out the long way: the rounded real distance beyond radius + 8.
bool strayedByRealDistance(FieldPoint p, FieldSize size, std::int32_t radius)
{
    const double dx = p.x - size.width / 2.0;
    const double dy = p.y - size.height / 2.0;
    return std::nearbyint(std::sqrt(dx * dx + dy * dy)) > radius + 8;
}

} // namespace

TEST(SnowflakeWalk, SeededWithZeroTheFirstWandererFollowsTheKnownPath)
{
    ProgramState state(0);
    std::int64_t moves = 0;
    const auto path = tracedWalk<SnowflakeGrowth>(state, moves);
    ASSERT_GE(path.size(), 6u);
    const std::vector<FieldPoint> expected{{156, 150}, {155, 150}, {155, 149}, {154, 150}, {154, 151}, {155, 150}};
    EXPECT_EQ(std::vector<FieldPoint>(path.begin(), path.begin() + 6), expected);
}

TEST(SnowflakeWalk, StrayTestEqualsTheRoundedDistanceRule)
{
    // Odd and even sizes put the centre on, between or beside pixels; radii of both parities
    // make the exact half distances round both ways.
    for (FieldSize size : {FieldSize{300, 300}, FieldSize{301, 400}, FieldSize{10, 11}, FieldSize{303, 300}})
        for (std::int32_t radius : {1, 2, 3, 12, 148, 149})
            for (std::int32_t x = -200; x < 500; x += 1)
                for (std::int32_t y : {size.height / 2, size.height / 2 + 3, size.height / 2 - 7, 0, -5}) {
                    const FieldPoint p{x, y};
                    ASSERT_EQ(SnowflakeGrowth::strayLimitFor(radius).exceededBy(
                                  SnowflakeGrowth::halfPixelDistanceSquared(p, size)),
                              strayedByRealDistance(p, size, radius))
                        << x << "," << y << " radius " << radius;
                }
    // Radius 1: distance 9 keeps walking, 10 strays; exact halves: 9.5 rounds to 10 (strays).
    const FieldSize square{300, 300};
    const auto limit = SnowflakeGrowth::strayLimitFor(1);
    EXPECT_FALSE(limit.exceededBy(SnowflakeGrowth::halfPixelDistanceSquared({159, 150}, square)));
    EXPECT_TRUE(limit.exceededBy(SnowflakeGrowth::halfPixelDistanceSquared({160, 150}, square)));
    const FieldSize odd{301, 300}; // centre 150.5: x = 160 is 9.5 away
    EXPECT_TRUE(limit.exceededBy(SnowflakeGrowth::halfPixelDistanceSquared({160, 150}, odd)));
    const auto limit2 = SnowflakeGrowth::strayLimitFor(2); // 10.5 rounds to 10: keeps walking
    EXPECT_FALSE(limit2.exceededBy(SnowflakeGrowth::halfPixelDistanceSquared({161, 150}, odd)));
}

TEST(SnowflakeWalk, StrayedWanderersGoBackToTheirOwnReleasePoint)
{
    ProgramState state(21);
    int returns = 0;
    for (int wanderer = 0; wanderer < 200; ++wanderer) {
        std::int64_t moves = 0;
        const std::int32_t radius = state.snowRadius;
        const auto path = tracedWalk<SnowflakeGrowth>(state, moves);
        const FieldPoint release = path.front();
        const double releaseDistance = std::hypot(release.x - 150.0, release.y - 150.0);
        ASSERT_LE(std::abs(releaseDistance - (radius + 5)), 1.5);
        for (std::size_t i = 1; i < path.size(); ++i) {
            ASSERT_FALSE(strayedByRealDistance(path[i], {300, 300}, radius));
            const bool oneStep = std::abs(path[i].x - path[i - 1].x) <= 1 && std::abs(path[i].y - path[i - 1].y) <= 1;
            if (!oneStep) {
                ASSERT_EQ(path[i], release);
                ++returns;
            }
        }
        SnowflakeGrowth(state).stick(path.back());
    }
    EXPECT_GT(returns, 0);
}

TEST(SnowflakeRun, MessageIntervalFollowsTheRadius)
{
    ProgramState state(0);
    SnowflakeGrowth growth(state);
    for (auto [radius, k] : {std::pair{1, 1}, {2, 1}, {3, 2}, {7, 2}, {8, 3}, {12, 3}, {13, 4}, {148, 31}}) {
        state.snowRadius = radius;
        EXPECT_EQ(growth.messageInterval(), k) << "radius " << radius;
    }
}

TEST(SnowflakeRun, ToLimitStopsPastHalfTheSmallerSideLessTwo)
{
    struct Case {
        FieldSize size;
        std::int32_t goesOn;
        std::int32_t stops;
    };
    for (Case c : {Case{{300, 300}, 148, 149}, Case{{301, 400}, 148, 149}, Case{{10, 10}, 3, 4}}) {
        ProgramState state(0);
        state.resizeSnowflake(c.size);
        SnowflakeGrowth growth(state);
        state.snowRadius = c.goesOn;
        EXPECT_FALSE(growth.limitReached()) << c.size.width;
        state.snowRadius = c.stops;
        EXPECT_TRUE(growth.limitReached()) << c.size.width;
    }
}

TEST(SnowflakeRun, ToLimitRunGrowsToTheEdgeAndMessagesFallOnMultiplesOfK)
{
    ProgramState state(2024);
    ScriptedHost host;
    std::vector<int> earlyCounts;
    host.onMessages = [&](int) {
        // Before the stamp, the wanderers so far are the white pixels less the seed.
        const int count = whitePixels(state.snowField()) - 1;
        const std::int64_t k = SnowflakeGrowth(state).messageInterval();
        ASSERT_EQ(count % k, 0) << "count " << count << " radius " << state.snowRadius;
        if (state.snowRadius < 3)
            earlyCounts.push_back(count);
    };
    const RunStats stats = RunFrame(state, host).runSnowflake();
    EXPECT_EQ(state.snowRadius, 149);
    EXPECT_EQ(host.ended, 1);
    EXPECT_EQ(whitePixels(state.snowField()) - 1, stats.wanderers);
    for (std::size_t i = 0; i < earlyCounts.size(); ++i)
        EXPECT_EQ(earlyCounts[i], static_cast<int>(i)) << "messages after every wanderer while the radius is below 3";
    EXPECT_TRUE(touchLookupAgreesWithReads(state.snowField()));

    // A second To-Limit run starts past the limit and stops after its first wanderer.
    host.onMessages = nullptr;
    const RunStats second = RunFrame(state, host).runSnowflake();
    EXPECT_EQ(second.wanderers, 1);
}

TEST(SnowflakeRun, OnATinyFieldWithoutALimitTheRadiusPassesTheEdge)
{
    ProgramState state(77);
    state.resizeSnowflake({10, 10});
    ScriptedHost host;
    host.limit = false;
    host.points = 300;
    const RunStats stats = RunFrame(state, host).runSnowflake();
    EXPECT_EQ(stats.wanderers, 301);
    EXPECT_GT(state.snowRadius, 5) << "wanderers stuck outside the picture still widen the radius";
}

TEST(SnowflakeWalk, EveryWalkEndsAtTheFirstPositionThatTouches)
{
    // Small fields put the stray disk past the counted margin, large ones inside it: both ways
    // of following the wanderer must stop exactly where the touch test first says yes.
    for (FieldSize size : {FieldSize{300, 300}, FieldSize{120, 10}, FieldSize{41, 23}}) {
        ProgramState state(99);
        state.resizeSnowflake(size);
        for (int wanderer = 0; wanderer < 300; ++wanderer) {
            std::int64_t moves = 0;
            const auto path = tracedWalk<SnowflakeGrowth>(state, moves);
            for (std::size_t i = 0; i + 1 < path.size(); ++i)
                ASSERT_FALSE(state.snowField().firstTouchedPixel(path[i].x, path[i].y).has_value())
                    << size.width << " step " << i;
            ASSERT_TRUE(state.snowField().firstTouchedPixel(path.back().x, path.back().y).has_value());
            SnowflakeGrowth(state).stick(path.back());
        }
        if (size.width != 300) {
            EXPECT_FALSE(SnowflakeGrowth::strayDiskIsCovered(state.snowRadius, size))
                << "the last walks on " << size.width << " x " << size.height << " took the bounds-checked way";
        }
    }
}
