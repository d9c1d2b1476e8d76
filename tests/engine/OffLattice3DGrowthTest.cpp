// The 3D off-lattice growth: its geometry over whole clusters, its determinism, its hooks and
// limits, its statistics and its index's bounds against exact gaps.

#include "offlattice/Xoshiro256PlusPlus.h"
#include "offlattice3d/LongestStay.h"
#include "offlattice3d/OffLattice3DGrowth.h"
#include "offlattice3d/SphereDirection.h"
#include "PlainOffLattice3D.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <memory>
#include <optional>
#include <unordered_map>
#include <vector>

namespace {

double distance(SpacePoint a, SpacePoint b)
{
    return std::sqrt((a.x - b.x) * (a.x - b.x) + (a.y - b.y) * (a.y - b.y) + (a.z - b.z) * (a.z - b.z));
}

/// The closest two centres of the whole cluster, found through a hash of unit cells.
double closestPair(const std::vector<SpaceParticle>& particles)
{
    auto key = [](std::int64_t x, std::int64_t y, std::int64_t z) { return (x * 2000003 + y) * 2000029 + z; };
    auto cellOf = [](double v) { return static_cast<std::int64_t>(std::floor(v)); };
    std::unordered_map<std::int64_t, std::vector<std::size_t>> cells;
    for (std::size_t i = 0; i < particles.size(); ++i)
        cells[key(cellOf(particles[i].at.x), cellOf(particles[i].at.y), cellOf(particles[i].at.z))].push_back(i);
    double closest = 1e300;
    for (std::size_t i = 0; i < particles.size(); ++i) {
        const std::int64_t cx = cellOf(particles[i].at.x), cy = cellOf(particles[i].at.y), cz = cellOf(particles[i].at.z);
        for (std::int64_t dz = -1; dz <= 1; ++dz)
            for (std::int64_t dy = -1; dy <= 1; ++dy)
                for (std::int64_t dx = -1; dx <= 1; ++dx)
                    if (auto cell = cells.find(key(cx + dx, cy + dy, cz + dz)); cell != cells.end())
                        for (std::size_t j : cell->second)
                            if (j != i)
                                closest = std::min(closest, distance(particles[i].at, particles[j].at));
    }
    return closest;
}

/// The distance from `at` to the cell whose low corner is `corner`, worked out here rather than
/// by the index under test.
double distanceToCell(SpacePoint at, SpacePoint corner)
{
    const auto outside = [](double v, double low) { return std::max({0.0, low - v, v - low - OffLattice3DIndex::CellSide}); };
    const double ox = outside(at.x, corner.x), oy = outside(at.y, corner.y), oz = outside(at.z, corner.z);
    return std::sqrt(ox * ox + oy * oy + oz * oz);
}

/// Whether `ball` (none, or a ball the index offered) keeps every point of it at least 1 from
/// every centre.
testing::AssertionResult emptyBall(const EmptyBall& ball, const std::vector<SpaceParticle>& particles)
{
    for (std::size_t i = 0; ball.radius > 0 && i < particles.size(); ++i)
        if (distance(ball.centre, particles[i].at) < ball.radius + 1 - 1e-9)
            return testing::AssertionFailure() << "the ball of radius " << ball.radius << " about " << ball.centre.x << ", "
                                               << ball.centre.y << ", " << ball.centre.z << " reaches particle " << i;
    return testing::AssertionSuccess();
}

/// Whether `near`, gathered for `at`, holds every particle within GatheredReach of its cell, none
/// beyond 1 + NearReach, and none twice.
testing::AssertionResult gatheredExactly(const OffLattice3DIndex::Near& near, const std::vector<SpaceParticle>& particles, SpacePoint at)
{
    std::vector<std::int32_t> found(near.particle, near.particle + near.count);
    std::sort(found.begin(), found.end());
    if (std::adjacent_find(found.begin(), found.end()) != found.end())
        return testing::AssertionFailure() << "a particle gathered twice near " << at.x << ", " << at.y << ", " << at.z;
    for (std::size_t p = 0; p < particles.size(); ++p) {
        const double off = distanceToCell(particles[p].at, near.corner);
        const bool isFound = std::binary_search(found.begin(), found.end(), static_cast<std::int32_t>(p));
        if (off < OffLattice3DIndex::GatheredReach && !isFound)
            return testing::AssertionFailure() << "particle " << p << " missed near " << at.x << ", " << at.y << ", " << at.z;
        if (off > 1 + OffLattice3DIndex::NearReach && isFound)
            return testing::AssertionFailure() << "particle " << p << " gathered from " << off << " near " << at.x << ", " << at.y << ", " << at.z;
    }
    return testing::AssertionSuccess();
}

/// `count` centres uniform in [-half, half)^3, a share `onFaces` of them moved a hair to either
/// side of the nearest multiple of `spacing` along `axis`; the first then put at `first`, if given.
std::vector<SpaceParticle> scattered(Xoshiro256PlusPlus& random, std::size_t count, double half, double spacing, double onFaces,
                                     int axis, std::optional<SpacePoint> first = std::nullopt)
{
    std::vector<SpaceParticle> particles(count);
    for (SpaceParticle& p : particles) {
        p.at = {2 * half * random.uniform() - half, 2 * half * random.uniform() - half, 2 * half * random.uniform() - half};
        if (random.uniform() < onFaces) {
            double& v = axis == 0 ? p.at.x : axis == 1 ? p.at.y : p.at.z;
            v = spacing * std::round(v / spacing) + (random.uniform() < 0.5 ? -1e-9 : 1e-9);
        }
    }
    if (first)
        particles[0].at = *first;
    return particles;
}

void insertAll(OffLattice3DIndex& index, std::vector<SpaceParticle>& particles)
{
    for (std::size_t p = 0; p < particles.size(); ++p)
        index.insert(static_cast<std::int32_t>(p), particles.data());
}

} // namespace

TEST(OffLattice3DGrowthTest, EveryParticleTouchesItsParentAndNoTwoOverlap)
{
    for (std::uint32_t seed : {1u, 2u}) {
        OffLattice3DGrowth growth(seed, 30000);
        ASSERT_EQ(growth.run({30000, 0}), OffLattice3DGrowth::Outcome::ParticlesReached);
        const std::vector<SpaceParticle>& particles = growth.particles();
        ASSERT_EQ(particles.size(), 30001u);
        EXPECT_EQ(particles[0].at, (SpacePoint{0, 0, 0}));
        for (std::size_t i = 1; i < particles.size(); ++i) {
            const std::int32_t parent = particles[i].parent;
            ASSERT_GE(parent, -1);
            ASSERT_LT(parent, static_cast<std::int32_t>(i) - 1) << "a parent arrived before its child";
            ASSERT_NEAR(distance(particles[i].at, particles[parent + 1].at), 1.0, 1e-9) << "arrival " << i - 1;
        }
        EXPECT_GT(closestPair(particles), 1.0 - 1e-9);
    }
}

TEST(OffLattice3DGrowthTest, ASeedGivesTheSameClusterByteForByteHoweverTheIndexWasSizedAndASmallerRunIsAPrefix)
{
    // A growth told to expect nothing rebuilds its index several times as the cluster outgrows it.
    OffLattice3DGrowth sized(42, 20000);
    OffLattice3DGrowth unsized(42, 0);
    OffLattice3DGrowth smaller(42, 7000);
    OffLattice3DGrowth other(43, 20000);
    sized.run({20000, 0});
    unsized.run({20000, 0});
    smaller.run({7000, 0});
    other.run({20000, 0});
    ASSERT_EQ(sized.particles().size(), unsized.particles().size());
    EXPECT_EQ(std::memcmp(sized.particles().data(), unsized.particles().data(), sized.particles().size() * sizeof(SpaceParticle)), 0);
    EXPECT_EQ(sized.jumps(), unsized.jumps());
    EXPECT_EQ(std::memcmp(sized.particles().data(), smaller.particles().data(), smaller.particles().size() * sizeof(SpaceParticle)), 0);
    // However often it was rebuilt, the index stays within the figure for its particles.
    EXPECT_LE(unsized.bytes(), OffLattice3DGrowth::memoryBytes(20000));
    EXPECT_NE(sized.particles()[1].at, other.particles()[1].at);
}

TEST(OffLattice3DGrowthTest, RunsStopAtTheirLimitsOnTheStopFlagAndReportProgress)
{
    // Asked every 100 arrivals; told 700, it wants the run to stop at the next question.
    class StopAfter700 : public OffLatticeHost {
    public:
        std::vector<std::int64_t> reports;
        std::int64_t every() const override { return 100; }
        bool stopWanted() override { return !reports.empty() && reports.back() == 700; }
        void progress(std::int64_t arrivals) override { reports.push_back(arrivals); }
    };
    OffLattice3DGrowth growth(5, 5000);
    StopAfter700 host;
    EXPECT_EQ(growth.run({5000, 0}, host), OffLattice3DGrowth::Outcome::Stopped);
    EXPECT_EQ(growth.arrivals(), 800);
    EXPECT_EQ(host.reports, (std::vector<std::int64_t>{100, 200, 300, 400, 500, 600, 700}));

    // Going on: to a radius, the particle that reaches it kept, then to a count.
    EXPECT_EQ(growth.run({0, 30.0}), OffLattice3DGrowth::Outcome::RadiusReached);
    EXPECT_GE(growth.radius(), 30.0);
    double before = 0;
    for (std::size_t i = 0; i + 1 < growth.particles().size(); ++i)
        before = std::max(before, std::sqrt(growth.particles()[i].at.squaredLength()) + 0.5);
    EXPECT_LT(before, 30.0);
    EXPECT_EQ(growth.run({growth.arrivals() + 10, 0}), OffLattice3DGrowth::Outcome::ParticlesReached);
    EXPECT_THROW(growth.run({}), std::invalid_argument);
    EXPECT_THROW(growth.run({OffLattice3DGrowth::MaxParticles + 1, 0}), std::invalid_argument);
}

TEST(OffLattice3DGrowthTest, GyrationRadiiAndMemoryAreWhatTheClusterHolds)
{
    // At 10^5 the index's tiles fill several chunks.
    OffLattice3DGrowth growth(9, 100000);
    growth.run({100000, 0});
    std::vector<PlainPoint3D> centres;
    for (const SpaceParticle& p : growth.particles())
        centres.push_back({p.at.x, p.at.y, p.at.z});
    EXPECT_NEAR(growth.gyrationRadius(), plainGyrationRadius3D(centres), 1e-9 * growth.gyrationRadius());
    const std::vector<OffLattice3DGrowth::GyrationSample> history = growth.gyrationHistory();
    ASSERT_GT(history.size(), 80u); // 20 a decade over five decades, fewer below 20 particles
    for (std::size_t i : {std::size_t{10}, history.size() / 2}) {
        const std::vector<PlainPoint3D> first(centres.begin(), centres.begin() + history[i].particles);
        EXPECT_NEAR(history[i].gyrationRadius, plainGyrationRadius3D(first), 1e-9 * history[i].gyrationRadius);
    }
    EXPECT_EQ(history.back().particles, 100001);
    EXPECT_LE(growth.bytes(), OffLattice3DGrowth::memoryBytes(100000));
    // The bound's other terms leave room enough to hide a shortfall of tiles, so they are
    // checked alone.
    EXPECT_LE(static_cast<std::uint64_t>(growth.index().tiles()), OffLattice3DGrowth::tilesBound(100000));
    EXPECT_LT(growth.radius(), OffLattice3DGrowth::radiusBound(100000));
    EXPECT_GE(OffLattice3DGrowth::particlesBound(growth.radius()), 100000);
}

TEST(OffLattice3DGrowthTest, TheIndexNeverPromisesMoreRoomThanThereIsAndGathersEveryNearParticle)
{
    // Points all over the cluster and around it: the bound never exceeds the exact gap to the
    // nearest surface, yet near the cluster it is of use; the ball offered with it reaches no
    // particle and, where it holds the point, mostly keeps Brownian motion in it longer than the
    // ball of the bound about the point; the particles gathered for a point are all those within
    // GatheredReach of its cell, and none beyond 1 + NearReach.
    OffLattice3DGrowth growth(21, 4000);
    growth.run({4000, 0});
    const OffLattice3DIndex& index = growth.index();
    const std::vector<SpaceParticle>& particles = growth.particles();
    Xoshiro256PlusPlus random(1);
    const double extent = growth.radius() + 4;
    double boundSum = 0, gapSum = 0;
    // Some diameters out, in the cluster's halo, where walkers make most of their jumps.
    double haloBoundSum = 0, haloGapSum = 0;
    auto near = std::make_unique<OffLattice3DIndex::Near>();
    int gathered = 0;
    int balls = 0, longerStays = 0;
    for (int i = 0; i < 20000; ++i) {
        // Half the points anywhere in the cube, half close to a particle.
        SpacePoint at{extent * (2 * random.uniform() - 1), extent * (2 * random.uniform() - 1), extent * (2 * random.uniform() - 1)};
        if (i % 2) {
            const SpacePoint c = particles[static_cast<std::size_t>(random.uniform() * particles.size())].at;
            at = {c.x + 6 * random.uniform() - 3, c.y + 6 * random.uniform() - 3, c.z + 6 * random.uniform() - 3};
        }
        double nearest = 1e300;
        for (const SpaceParticle& p : particles)
            nearest = std::min(nearest, distance(at, p.at));
        const double gap = nearest - 1;
        EmptyBall ball;
        const double bound = index.gapBound(at, ball);
        ASSERT_LE(bound, std::max(gap, 0.0) + 1e-9) << "at " << at.x << ", " << at.y << ", " << at.z;
        ASSERT_TRUE(emptyBall(ball, particles));
        if (const double fromCentre = distance(at, ball.centre); bound > 0 && fromCentre < ball.radius) {
            ++balls;
            longerStays += ball.radius * ball.radius - fromCentre * fromCentre > bound * bound;
        }
        if (gap > 0 && gap < 8) {
            boundSum += std::max(0.0, std::min(bound, gap));
            gapSum += gap;
        }
        if (gap > 4 && gap < 14) {
            haloBoundSum += std::max(0.0, std::min(bound, gap));
            haloGapSum += gap;
        }
        if (bound < OffLattice3DIndex::NearReach) {
            ++gathered;
            index.gatherNear(at, particles.data(), *near);
            ASSERT_TRUE(gatheredExactly(*near, particles, at));
        }
    }
    EXPECT_GT(gathered, 1000);
    EXPECT_GT(balls, 5000);
    EXPECT_GT(longerStays, 0.8 * balls) << "the balls offered are seldom better than the bound's";
    // The cubes around a walker take this from under 0.47 to 0.58.
    EXPECT_GT(boundSum / gapSum, 0.53) << "the bounds near the cluster are too loose to be of use";

    EXPECT_GT(haloBoundSum / haloGapSum, 0.7) << "the bounds in the cluster's halo are too loose";
}

TEST(OffLattice3DGrowthTest, TheBallChosenOfEightIsTheOneBrownianMotionStaysLongestIn)
{
    // Eight balls of radius distance - less about centres a squared distance from a point: the one
    // chosen holds the point, and none that holds it has a larger r^2 - s^2 or an equal one
    // before it; none is chosen when none holds it. Each lane of the vector work wins somewhere.
    Xoshiro256PlusPlus random(3);
    constexpr float Less = 1.00001f;
    int wins[8] = {};
    for (int trial = 0; trial < 20000; ++trial) {
        float distances[8], squares[8];
        for (int k = 0; k < 8; ++k)
            distances[k] = static_cast<float>(6 * random.uniform()), squares[k] = static_cast<float>(16 * random.uniform());
        distances[trial % 8] = distances[(trial + 3) % 8], squares[trial % 8] = squares[(trial + 3) % 8]; // a tie
        const auto stay = [&](int k) { return distances[k] > Less ? (distances[k] - Less) * (distances[k] - Less) - squares[k] : 0.0f; };
        const int chosen = longestStay(distances, squares, Less);
        for (int k = 0; k < 8; ++k)
            ASSERT_TRUE(chosen < 0 ? stay(k) <= 0 : stay(k) < stay(chosen) || (stay(k) == stay(chosen) && k >= chosen)) << trial << " " << k;
        ASSERT_TRUE(chosen < 0 || stay(chosen) > 0) << trial;
        wins[std::max(chosen, 0)] += chosen >= 0;
    }
    for (int k = 0; k < 8; ++k)
        EXPECT_GT(wins[k], 1000) << "ball " << k;
}

TEST(OffLattice3DGrowthTest, AnIndexOfScatteredParticlesGathersEachNearOneOnceAndNeverPromisesTooMuch)
{
    // The index alone, without a growth that would walk forever if it lost a particle: a few
    // hundred centres scattered over boxes and their faces (boxes are 8 wide, on multiples of 8),
    // so that a point's neighbouring boxes are sometimes tiled and sometimes not. Every bound is at
    // most the exact gap, and the particles gathered are those within reach, each once.
    OffLattice3DIndex index(48.0);
    Xoshiro256PlusPlus random(5);
    // The first alone in its cell, so the head of its list.
    std::vector<SpaceParticle> particles = scattered(random, 400, 12, 8, 0.3, 1, SpacePoint{-13.5, -13.5, 13.5});
    insertAll(index, particles);
    auto near = std::make_unique<OffLattice3DIndex::Near>();
    int gathered = 0;
    for (int i = 0; i < 6000; ++i) {
        // Every other point within 3 of each particle in turn, the first included.
        SpacePoint at{28 * random.uniform() - 14, 28 * random.uniform() - 14, 28 * random.uniform() - 14};
        if (i % 2) {
            const SpacePoint c = particles[static_cast<std::size_t>(i / 2) % particles.size()].at;
            at = {c.x + 6 * random.uniform() - 3, c.y + 6 * random.uniform() - 3, c.z + 6 * random.uniform() - 3};
        }
        double nearest = 1e300;
        for (const SpaceParticle& p : particles)
            nearest = std::min(nearest, distance(at, p.at));
        EmptyBall ball;
        ASSERT_LE(index.gapBound(at, ball), std::max(nearest - 1, 0.0) + 1e-9) << "at " << at.x << ", " << at.y << ", " << at.z;
        ASSERT_TRUE(emptyBall(ball, particles));
        index.gatherNear(at, particles.data(), *near);
        ASSERT_TRUE(gatheredExactly(*near, particles, at));
        gathered += near->count > 0;
    }
    EXPECT_GT(gathered, 1000);
}

TEST(OffLattice3DGrowthTest, BeyondTheDistanceMapAFewScatteredParticlesStillBoundTheGapClosely)
{
    // A few centres, some a hair either side of the faces of the map's cubes (4 wide, on multiples
    // of 4), asked from 8 to 200 diameters out, past the distance map's reach and the first far
    // table's, in every direction: every bound at most the exact gap, and from 20 diameters out
    // most of it.
    OffLattice3DIndex index(280.0);
    Xoshiro256PlusPlus random(9);
    std::vector<SpaceParticle> particles = scattered(random, 12, 30, 4, 0.5, 0);
    insertAll(index, particles);
    double boundSum = 0, gapSum = 0;
    for (int i = 0; i < 20000; ++i) {
        const SpacePoint direction = SphereDirection::from(random);
        const SpacePoint from = particles[static_cast<std::size_t>(i) % particles.size()].at;
        const double r = 8 + 192 * random.uniform();
        const SpacePoint at{from.x + r * direction.x, from.y + r * direction.y, from.z + r * direction.z};
        double nearest = 1e300;
        for (const SpaceParticle& p : particles)
            nearest = std::min(nearest, distance(at, p.at));
        const double bound = index.gapBound(at);
        ASSERT_LE(bound, nearest - 1 + 1e-9) << "at " << at.x << ", " << at.y << ", " << at.z;
        if (nearest > 20) {
            boundSum += std::max(bound, 0.0);
            gapSum += nearest - 1;
        }
    }
    // 0.90 with every far table; the first alone gives 0.55.
    EXPECT_GT(boundSum / gapSum, 0.85) << "the bounds beyond the distance map are too loose";
}

TEST(OffLattice3DGrowthTest, FarFromTheClusterTheBoundsFollowTheDistance)
{
    // An index made for a million particles around a cluster of 3000, asked from 40 to 300
    // diameters out, where only its far tables know anything: every bound at most the exact
    // gap, and on average most of it.
    OffLattice3DGrowth growth(8, 1000000);
    growth.run({3000, 0});
    const std::vector<SpaceParticle>& particles = growth.particles();
    Xoshiro256PlusPlus random(2);
    double boundSum = 0, gapSum = 0;
    for (int i = 0; i < 3000; ++i) {
        const SpacePoint direction = SphereDirection::from(random);
        const double r = 40 + 260 * random.uniform();
        const SpacePoint at{r * direction.x, r * direction.y, r * direction.z};
        double nearest = 1e300;
        for (const SpaceParticle& p : particles)
            nearest = std::min(nearest, distance(at, p.at));
        const double bound = growth.index().gapBound(at);
        ASSERT_LE(bound, nearest - 1 + 1e-9) << "at " << at.x << ", " << at.y << ", " << at.z;
        boundSum += std::max(bound, 0.0);
        gapSum += nearest - 1;
    }
    // 0.90: the far tables' boxes around the walker, each table twice as far as the one before;
    // the first alone gives 0.37, the coarse levels of boxes they replaced gave 0.71.
    EXPECT_GT(boundSum / gapSum, 0.85) << "the bounds far from the cluster are too loose";
}

TEST(OffLattice3DGrowthTest, ABallTouchingTheNearestParticleReachesNoOther)
{
    // Walkers close to a particle of a cluster, the particles gathered around a point up to half
    // a diameter from their cell, as a walker finds them: the ball of tangentRadius() that
    // touches the nearest where the walker is closest to it keeps every other centre of the whole
    // cluster at least 1 from it, reaches no farther than the particles gathered (those beyond
    // are seldom near enough to show a fault), and is mostly far larger than the gap.
    OffLattice3DGrowth growth(21, 4000);
    growth.run({4000, 0});
    const std::vector<SpaceParticle>& particles = growth.particles();
    Xoshiro256PlusPlus random(3);
    auto near = std::make_unique<OffLattice3DIndex::Near>();
    int tried = 0, large = 0;
    for (int i = 0; i < 20000; ++i) {
        const SpacePoint c = particles[static_cast<std::size_t>(random.uniform() * particles.size())].at;
        const SpacePoint d = SphereDirection::from(random);
        const double gap = std::pow(10.0, -6 * random.uniform()) / 4; // 1e-6 / 4 to 1 / 4
        const SpacePoint at{c.x + (1 + gap) * d.x, c.y + (1 + gap) * d.y, c.z + (1 + gap) * d.z};
        const SpacePoint shift = SphereDirection::from(random);
        const double aside = 0.5 * random.uniform();
        growth.index().gatherNear({at.x + aside * shift.x, at.y + aside * shift.y, at.z + aside * shift.z}, particles.data(), *near);
        std::int32_t nearest = -1;
        double nearestDistance = 1e300;
        for (std::int32_t k = 0; k < near->count; ++k) {
            const double dk = distance(at, {near->x[k], near->y[k], near->z[k]});
            if (dk < nearestDistance) {
                nearestDistance = dk;
                nearest = k;
            }
        }
        if (nearest < 0 || nearestDistance <= 1)
            continue; // inside another particle's reach: no walker is there
        ++tried;
        const SpacePoint centre{near->x[nearest], near->y[nearest], near->z[nearest]};
        const SpacePoint normal{(at.x - centre.x) / nearestDistance, (at.y - centre.y) / nearestDistance, (at.z - centre.z) / nearestDistance};
        const SpacePoint touch{centre.x + normal.x, centre.y + normal.y, centre.z + normal.z};
        const double radius = OffLattice3DGrowth::tangentRadius(*near, nearest, touch, normal);
        if (radius > 2 * (nearestDistance - 1))
            ++large;
        const SpacePoint ball{touch.x + radius * normal.x, touch.y + radius * normal.y, touch.z + radius * normal.z};
        // Its reach stays where every centre was gathered: within GatheredReach of the cell.
        ASSERT_LE(distanceToCell(ball, near->corner) + radius + 1, OffLattice3DIndex::GatheredReach + 1e-12)
            << "a ball by " << at.x << ", " << at.y << ", " << at.z << " reaches beyond the particles gathered";
        // The touched particle lies exactly radius + 1 from the ball's centre, so it passes too.
        ASSERT_TRUE(emptyBall({ball, radius}, particles)) << "by " << at.x << ", " << at.y << ", " << at.z;
    }
    EXPECT_GT(tried, 5000);
    EXPECT_GT(large, tried * 3 / 4) << "the tangent balls are seldom larger than twice the gap";
}
