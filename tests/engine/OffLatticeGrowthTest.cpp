// The off-lattice growth: its geometry, its determinism, its hooks and limits, and its physics
// against slow simulations that are plainly right.

#include "offlattice/ExteriorPoissonKernel.h"
#include "offlattice/OffLatticeGrowth.h"
#include "DimerLanding.h"
#include "PlainOffLattice.h"
#include "offlattice/UnitDirection.h"
#include "offlattice/Xoshiro256PlusPlus.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <cmath>
#include <cstring>
#include <numbers>
#include <unordered_map>
#include <vector>

namespace {

double distance(PlanePoint a, PlanePoint b)
{
    return std::hypot(a.x - b.x, a.y - b.y);
}

/// The closest two centres of the whole cluster, found through a hash of unit cells.
double closestPair(const std::vector<OffLatticeParticle>& particles)
{
    auto key = [](std::int64_t x, std::int64_t y) { return x * 4000037 + y; };
    std::unordered_map<std::int64_t, std::vector<std::size_t>> cells;
    for (std::size_t i = 0; i < particles.size(); ++i)
        cells[key(std::floor(particles[i].at.x), std::floor(particles[i].at.y))].push_back(i);
    double closest = 1e300;
    for (std::size_t i = 0; i < particles.size(); ++i) {
        const auto cx = static_cast<std::int64_t>(std::floor(particles[i].at.x));
        const auto cy = static_cast<std::int64_t>(std::floor(particles[i].at.y));
        for (std::int64_t dy = -1; dy <= 1; ++dy)
            for (std::int64_t dx = -1; dx <= 1; ++dx)
                if (auto cell = cells.find(key(cx + dx, cy + dy)); cell != cells.end())
                    for (std::size_t j : cell->second)
                        if (j != i)
                            closest = std::min(closest, distance(particles[i].at, particles[j].at));
    }
    return closest;
}

} // namespace

TEST(OffLatticeGrowthTest, EveryParticleTouchesItsParentAndNoTwoOverlap)
{
    for (std::uint32_t seed : {1u, 2u}) {
        OffLatticeGrowth growth(seed, 30000);
        ASSERT_EQ(growth.run({30000, 0}), OffLatticeGrowth::Outcome::ParticlesReached);
        const std::vector<OffLatticeParticle>& particles = growth.particles();
        ASSERT_EQ(particles.size(), 30001u);
        EXPECT_EQ(particles[0].at, (PlanePoint{0, 0}));
        for (std::size_t i = 1; i < particles.size(); ++i) {
            const std::int32_t parent = particles[i].parent;
            ASSERT_GE(parent, -1);
            ASSERT_LT(parent, static_cast<std::int32_t>(i) - 1) << "a parent arrived before its child";
            ASSERT_NEAR(distance(particles[i].at, particles[parent + 1].at), 1.0, 1e-9) << "arrival " << i - 1;
        }
        EXPECT_GT(closestPair(particles), 1.0 - 1e-9);
    }
}

TEST(OffLatticeGrowthTest, ASeedGivesTheSameClusterByteForByteHoweverTheIndexWasSized)
{
    // A growth told to expect nothing rebuilds its index several times as the cluster outgrows it.
    OffLatticeGrowth sized(42, 20000);
    OffLatticeGrowth unsized(42, 0);
    OffLatticeGrowth other(43, 20000);
    sized.run({20000, 0});
    unsized.run({20000, 0});
    other.run({20000, 0});
    ASSERT_EQ(sized.particles().size(), unsized.particles().size());
    EXPECT_EQ(std::memcmp(sized.particles().data(), unsized.particles().data(),
                          sized.particles().size() * sizeof(OffLatticeParticle)), 0);
    EXPECT_EQ(sized.jumps(), unsized.jumps());
    // However often it was rebuilt, the index stays within the figure for its particles.
    EXPECT_LE(unsized.bytes(), OffLatticeGrowth::memoryBytes(20000));
    EXPECT_NE(sized.particles()[1].at, other.particles()[1].at);
}

TEST(OffLatticeGrowthTest, RunsStopAtTheirLimitsOnTheStopFlagAndReportProgress)
{
    // Asked every 100 arrivals; told 700, it wants the run to stop at the next question.
    class StopAfter700 : public OffLatticeHost {
    public:
        std::vector<std::int64_t> reports;
        std::int64_t every() const override { return 100; }
        bool stopWanted() override { return !reports.empty() && reports.back() == 700; }
        void progress(std::int64_t arrivals) override { reports.push_back(arrivals); }
    };
    OffLatticeGrowth growth(5, 5000);
    StopAfter700 host;
    EXPECT_EQ(growth.run({5000, 0}, host), OffLatticeGrowth::Outcome::Stopped);
    EXPECT_EQ(growth.arrivals(), 800);
    EXPECT_EQ(host.reports, (std::vector<std::int64_t>{100, 200, 300, 400, 500, 600, 700}));

    // Going on: to a radius, the particle that reaches it kept, then to a count.
    EXPECT_EQ(growth.run({0, 60.0}), OffLatticeGrowth::Outcome::RadiusReached);
    EXPECT_GE(growth.radius(), 60.0);
    double before = 0;
    for (std::size_t i = 0; i + 1 < growth.particles().size(); ++i)
        before = std::max(before, std::hypot(growth.particles()[i].at.x, growth.particles()[i].at.y) + 0.5);
    EXPECT_LT(before, 60.0);
    EXPECT_EQ(growth.run({growth.arrivals() + 10, 0}), OffLatticeGrowth::Outcome::ParticlesReached);
    EXPECT_THROW(growth.run({}), std::invalid_argument);
    EXPECT_THROW(growth.run({OffLatticeGrowth::MaxParticles + 1, 0}), std::invalid_argument);
}

TEST(OffLatticeGrowthTest, GyrationRadiiAndMemoryAreWhatTheClusterHolds)
{
    OffLatticeGrowth growth(9, 20000);
    growth.run({20000, 0});
    std::vector<PlanePoint> centres;
    for (const OffLatticeParticle& p : growth.particles())
        centres.push_back(p.at);
    EXPECT_NEAR(growth.gyrationRadius(), gyrationRadius(centres), 1e-9 * growth.gyrationRadius());
    const std::vector<OffLatticeGrowth::GyrationSample> history = growth.gyrationHistory();
    ASSERT_GT(history.size(), 60u); // 20 a decade over four decades, fewer below 20 particles
    for (std::size_t i : {std::size_t{10}, history.size() / 2}) {
        const std::vector<PlanePoint> first(centres.begin(), centres.begin() + history[i].particles);
        EXPECT_NEAR(history[i].gyrationRadius, gyrationRadius(first), 1e-9 * history[i].gyrationRadius);
    }
    EXPECT_EQ(history.back().particles, 20001);
    EXPECT_LE(growth.bytes(), OffLatticeGrowth::memoryBytes(20000));
    EXPECT_LT(growth.radius(), OffLatticeGrowth::radiusBound(20000));
}

TEST(OffLatticeGrowthTest, TenClustersOfTenThousandGrowWithDimensionNear171)
{
    std::vector<double> dimensions;
    for (std::uint32_t seed = 1; seed <= 10; ++seed) {
        OffLatticeGrowth growth(seed, 10000);
        growth.run({10000, 0});
        const std::optional<double> dimension = growth.growthDimension();
        ASSERT_TRUE(dimension.has_value());
        dimensions.push_back(*dimension);
    }
    EXPECT_NEAR(meanOf(dimensions).mean, 1.71, 0.05);
}

TEST(OffLatticeGrowthTest, ClustersAreAsLargeAsThoseOfThePlainSimulation)
{
    // 800 clusters of 500 each way (sizes spread by 4.5 % from cluster to cluster), so a
    // difference of 1 % is more than 4 standard errors. The plain simulation walks on circles
    // with exact distances to within 1e-6 of contact: a fault in the index's bounds or the near
    // particles, or a contact rule that stops short, changes the size by more than the 3
    // standard errors allowed (stopping 0.1 short makes clusters 0.7 % larger).
    constexpr int Arrivals = 500;
    constexpr std::uint32_t Clusters = 800;
    std::vector<double> fast, plain;
    for (std::uint32_t seed = 1; seed <= Clusters; ++seed) {
        OffLatticeGrowth growth(seed, Arrivals);
        growth.run({Arrivals, 0});
        fast.push_back(growth.gyrationRadius());
        plain.push_back(gyrationRadius(plainCluster(1000 + seed, Arrivals)));
    }
    const MeanAndError a = meanOf(fast), b = meanOf(plain);
    EXPECT_LT(std::abs(a.mean - b.mean), 3 * std::hypot(a.error, b.error)) << a.mean << " against " << b.mean;
}

TEST(OffLatticeGrowthTest, WhereTheSecondArrivalTouchesMatchesSmallStepBrownianMotion)
{
    // The first arrival's contact is uniform by symmetry; the second's, on a cluster of two, is
    // not. Turned so the first arrival lies at angle 0 and folded onto y >= 0: which particle it
    // touched and at what angle around it, in 12 bins, from the walk on circles and from steps
    // of 0.02 in uniform directions (plain Brownian motion up to the step), 6000 of each.
    constexpr int Samples = 6000;
    constexpr int Sectors = 6;
    auto bin = [](bool onFirst, PlanePoint offset) {
        const double angle = std::atan2(std::abs(offset.y), offset.x);
        return (onFirst ? Sectors : 0) + std::min(Sectors - 1, static_cast<int>(angle / std::numbers::pi * Sectors));
    };
    std::vector<double> walk(2 * Sectors), steps(2 * Sectors);
    for (std::uint32_t seed = 1; seed <= Samples; ++seed) {
        OffLatticeGrowth growth(seed, 2);
        growth.run({2, 0});
        const PlanePoint first = growth.particles()[1].at;
        const OffLatticeParticle second = growth.particles()[2];
        const PlanePoint parent = growth.particles()[second.parent + 1].at;
        const double c = first.x, s = first.y; // |first| = 1: the turn by its angle
        const PlanePoint offset{second.at.x - parent.x, second.at.y - parent.y};
        ++walk[bin(second.parent == 0, {c * offset.x + s * offset.y, c * offset.y - s * offset.x})];
    }
    Xoshiro256PlusPlus random(77);
    const PlanePoint firstArrival{1, 0};
    constexpr double Start = 1 + OffLatticeGrowth::StartGap;
    constexpr double Step = 0.02;
    for (int sample = 0; sample < Samples; ++sample) {
        UnitDirection::Vector d = UnitDirection::from(random.next());
        PlanePoint at{Start * d.x, Start * d.y};
        for (;;) {
            d = UnitDirection::from(random.next());
            at = {at.x + Step * d.x, at.y + Step * d.y};
            const double squared = at.x * at.x + at.y * at.y;
            if (squared < 1) {
                ++steps[bin(false, at)];
                break;
            }
            if (distance(at, firstArrival) < 1) {
                ++steps[bin(true, {at.x - 1, at.y})];
                break;
            }
            if (squared > Start * Start)
                at = ExteriorPoissonKernel::hit(at, squared, Start, random.uniform());
        }
    }
    // Two-sample chi-square, 11 degrees of freedom: 31.3 is exceeded by chance once in a thousand.
    double chiSquare = 0;
    for (int i = 0; i < 2 * Sectors; ++i)
        if (walk[i] + steps[i] > 0)
            chiSquare += (walk[i] - steps[i]) * (walk[i] - steps[i]) / (walk[i] + steps[i]);
    EXPECT_LT(chiSquare, 31.3);
    EXPECT_GT(walk[Sectors] + walk[Sectors + 1], Samples / 10) << "the tip of the first arrival catches many";
}

TEST(OffLatticeGrowthTest, TheSecondArrivalLandsBesideTheFirstTwoAsTheClosedFormSays)
{
    // A million clusters of two arrivals, seeds 1 on: the landings within arc 0.05 of a neck
    // between the two touching particles number about 6100, so an excess of 5 % there is 3.9
    // standard errors; nearer the necks the bins are finer still. Stopping the walk 0.01 short
    // of contact leaves 3 % too few there (stopping 0.1 short, half too few); straight steps of
    // 0.01 near contact put 6 % too many.
    constexpr int Runs = 1'000'000;
    DimerLanding::Tally tally;
    for (std::uint32_t seed = 1; seed <= Runs; ++seed) {
        OffLatticeGrowth growth(seed, 2);
        growth.run({2, 0});
        tally.add(DimerLanding::of(growth.particles()));
    }
    for (double arc : {0.025, 0.05, 0.1}) {
        const auto [observed, expected] = tally.nearNecks(arc);
        EXPECT_LT(std::abs(tally.excessInErrors(arc)), 2.5)
            << observed << " landings within arc " << arc << " of a neck, " << expected << " expected";
    }
    // Chi-square beyond which chance takes us once in a thousand: 6 and 19 degrees of freedom.
    EXPECT_LT(tally.neckChiSquare(), 22.46);
    EXPECT_LT(tally.uniformChiSquare(), 43.82);
}

TEST(OffLatticeGrowthTest, TheIndexNeverPromisesMoreRoomThanThereIsAndGathersEveryNearParticle)
{
    // Points all over the cluster and around it: the bound never exceeds the exact gap to the
    // nearest surface, yet near the cluster it is close to it; the particles gathered for a
    // point are all those within a gap of NearReach of its cell.
    OffLatticeGrowth growth(21, 4000);
    growth.run({4000, 0});
    const OffLatticeIndex& index = growth.index();
    const std::vector<OffLatticeParticle>& particles = growth.particles();
    Xoshiro256PlusPlus random(1);
    const double extent = growth.radius() + 6;
    double boundSum = 0, gapSum = 0;
    OffLatticeIndex::Near near;
    for (int i = 0; i < 10000; ++i) {
        const PlanePoint at{extent * (2 * random.uniform() - 1), extent * (2 * random.uniform() - 1)};
        double nearest = 1e300;
        for (const OffLatticeParticle& p : particles)
            nearest = std::min(nearest, (at.x - p.at.x) * (at.x - p.at.x) + (at.y - p.at.y) * (at.y - p.at.y));
        const double gap = std::sqrt(nearest) - 1;
        const double bound = index.gapBound(at);
        ASSERT_LE(bound, std::max(gap, 0.0) + 1e-9) << "at " << at.x << ", " << at.y;
        if (gap > 0 && gap < OffLatticeIndex::FineReach) {
            boundSum += std::min(bound, gap);
            gapSum += gap;
        }
        if (bound < OffLatticeIndex::NearReach) {
            index.gatherNear(at, particles.data(), near);
            std::vector<std::int32_t> gathered(near.particle, near.particle + near.count);
            std::sort(gathered.begin(), gathered.end());
            // Every particle within the reach of the walker's cell is gathered, none beyond it; one
            // at the reach itself (to rounding) may go either way, as it can never be the nearest
            // to a walker that needs the exact distances.
            constexpr double Reach = 1 + OffLatticeIndex::NearReach;
            for (std::size_t p = 0; p < particles.size(); ++p) {
                const double dx = std::max({0.0, near.corner.x - particles[p].at.x, particles[p].at.x - near.corner.x - 1});
                const double dy = std::max({0.0, near.corner.y - particles[p].at.y, particles[p].at.y - near.corner.y - 1});
                const double squared = dx * dx + dy * dy;
                if (std::abs(squared - Reach * Reach) <= 1e-9)
                    continue;
                ASSERT_EQ(squared < Reach * Reach,
                          std::binary_search(gathered.begin(), gathered.end(), static_cast<std::int32_t>(p)))
                    << "particle " << p << " near " << at.x << ", " << at.y;
            }
        }
    }
    EXPECT_GT(boundSum / gapSum, 0.6) << "the bounds near the cluster are too loose to be of use";
}
