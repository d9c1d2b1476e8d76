// Prints a digest of the clusters a few seeds grow without a lattice, in the plane and in space:
// built twice, once for the processors every build runs on and once for those with fused
// multiply-add, the two must print the same lines (see same_clusters_fused.sh).
#include "offlattice/OffLatticeGrowth.h"
#include "offlattice3d/OffLattice3DGrowth.h"

#include <cstdint>
#include <cstdio>
#include <functional>
#include <string_view>

namespace {

/// Grows 3000 arrivals of `Growth` from `seed` and prints a hash of all its particles' bytes
/// (coordinates, parents and the index's links, which have no padding between them).
template <class Growth>
void printDigest(const char* name, std::uint32_t seed)
{
    constexpr std::int64_t Particles = 3000;
    Growth growth(seed, Particles);
    growth.run({Particles, 0});
    const auto& particles = growth.particles();
    const std::string_view bytes(reinterpret_cast<const char*>(particles.data()), particles.size() * sizeof(particles[0]));
    std::printf("%s seed %u: %zx\n", name, seed, std::hash<std::string_view>{}(bytes));
}

} // namespace

int main()
{
    for (std::uint32_t seed = 1; seed <= 3; ++seed) {
        printDigest<OffLatticeGrowth>("plane", seed);
        printDigest<OffLattice3DGrowth>("space", seed);
    }
    return 0;
}
