// The off-lattice index past the sizes a test cluster reaches: tables of more tiles than a
// narrower tile number would hold.

#include "memory/AvailableMemory.h"
#include "offlattice/OffLatticeIndex.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <vector>

TEST(OffLatticeIndexTest, BoundsStayExactPastTwoToThe24Tiles)
{
    // A sparse square lattice of particles, 16 diameters apart, each on a corner shared by four
    // tiles (a little off it, differently for each, never a whole number of diameters from a
    // cell's edge, nor are the points asked about): every particle makes its own four tiles, so
    // 2050 x 2050 of them make 16,810,000 tiles, past 2^24 = 16,777,216. Around the particles
    // whose tiles are numbered on both sides of 2^24, the bound is checked against the exact
    // gap, and the particles gathered against those within reach. 2.2 GB of tiles.
    constexpr std::int64_t Side = 2050;
    constexpr double Spacing = 16;
    constexpr std::int64_t Boundary = std::int64_t{1} << 24;
    if (AvailableMemory::bytes() < (std::uint64_t{3} << 30))
        GTEST_SKIP() << "needs 3 GB of memory";

    const double low = -Side * Spacing / 2;
    OffLatticeIndex index(-low + 2 * OffLatticeIndex::EdgeMargin);
    // The lattice's corners lie on multiples of 8, so on tile corners whatever the half side.
    auto offset = [](std::int64_t p) {
        return PlanePoint{0.3 * static_cast<double>(p % 5) - 0.55, 0.2 * static_cast<double>(p % 7) - 0.55};
    };
    std::vector<OffLatticeParticle> particles(static_cast<std::size_t>(Side * Side));
    for (std::int64_t p = 0; p < Side * Side; ++p) {
        const PlanePoint jitter = offset(p);
        particles[static_cast<std::size_t>(p)].at = {low + Spacing * static_cast<double>(p % Side) + jitter.x,
                                                     low + Spacing * static_cast<double>(p / Side) + jitter.y};
    }
    std::int64_t firstPast = -1; // the first particle whose tiles are numbered from 2^24
    for (std::int64_t p = 0; p < Side * Side; ++p) {
        if (firstPast < 0 && index.tiles() >= Boundary)
            firstPast = p;
        index.insert(static_cast<std::int32_t>(p), particles.data());
    }
    ASSERT_EQ(index.tiles(), 4 * Side * Side);
    ASSERT_EQ(firstPast, Boundary / 4);

    OffLatticeIndex::Near near;
    for (std::int64_t p = firstPast - 3; p <= firstPast + 3; ++p) {
        const PlanePoint centre = particles[static_cast<std::size_t>(p)].at;
        // The particle's lattice neighbours hold every particle within 8 diameters of it.
        std::vector<std::int32_t> around;
        for (std::int64_t dy = -1; dy <= 1; ++dy)
            for (std::int64_t dx = -1; dx <= 1; ++dx)
                around.push_back(static_cast<std::int32_t>(p + dy * Side + dx));
        for (double y = -6.9; y <= 6.9; y += 0.3)
            for (double x = -6.9; x <= 6.9; x += 0.3) {
                const PlanePoint at{centre.x + x, centre.y + y};
                double nearest = 1e300;
                for (std::int32_t q : around) {
                    const PlanePoint c = particles[static_cast<std::size_t>(q)].at;
                    nearest = std::min(nearest, std::hypot(at.x - c.x, at.y - c.y));
                }
                const double gap = nearest - 1;
                const double bound = index.gapBound(at);
                ASSERT_LE(bound, std::max(gap, 0.0) + 1e-9) << "particle " << p << ", at " << x << ", " << y;
                if (gap > 0 && gap < 3) { // within a cell's diagonal of the gap, so of use
                    ASSERT_GT(bound, gap - 1.5) << "particle " << p << ", at " << x << ", " << y;
                }
                index.gatherNear(at, particles.data(), near);
                const double cx = near.corner.x, cy = near.corner.y;
                std::vector<std::int32_t> within, gathered(near.particle, near.particle + near.count);
                for (std::int32_t q : around) {
                    const PlanePoint c = particles[static_cast<std::size_t>(q)].at;
                    const double dx = std::max({0.0, cx - c.x, c.x - cx - 1}), dy = std::max({0.0, cy - c.y, c.y - cy - 1});
                    if (dx * dx + dy * dy <= (1 + OffLatticeIndex::NearReach) * (1 + OffLatticeIndex::NearReach))
                        within.push_back(q);
                }
                std::sort(gathered.begin(), gathered.end());
                std::sort(within.begin(), within.end());
                ASSERT_EQ(gathered, within) << "particle " << p << ", at " << x << ", " << y;
            }
    }
}
