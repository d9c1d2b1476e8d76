// Prints a digest of the clusters a few seeds grow without a lattice, in the plane and in space:
// built twice, once for the processors every build runs on and once for those with fused
// multiply-add, the two must print the same lines (see same_clusters_fused.sh).
#include "offlattice/OffLatticeGrowth.h"
#include "offlattice3d/OffLattice3DGrowth.h"

#include <cstdint>
#include <cstdio>
#include <cstring>

namespace {

/// FNV-1a over the bits of the coordinates and the parents, in arrival order.
class Digest {
public:
    void add(const OffLatticeParticle& particle)
    {
        add(particle.at.x);
        add(particle.at.y);
        add(static_cast<std::uint64_t>(particle.parent));
    }
    void add(const SpaceParticle& particle)
    {
        add(particle.at.x);
        add(particle.at.y);
        add(particle.at.z);
        add(static_cast<std::uint64_t>(particle.parent));
    }
    std::uint64_t value() const { return hash_; }

private:
    void add(double value)
    {
        std::uint64_t bits;
        std::memcpy(&bits, &value, sizeof bits);
        add(bits);
    }
    void add(std::uint64_t bits)
    {
        for (int byte = 0; byte < 8; ++byte) {
            hash_ ^= (bits >> (8 * byte)) & 0xff;
            hash_ *= 0x100000001b3ULL;
        }
    }

    std::uint64_t hash_ = 0xcbf29ce484222325ULL;
};

/// Grows `particles` arrivals of `Growth` from `seed` and prints its digest.
template <class Growth>
void printDigest(const char* name, std::uint32_t seed, std::int64_t particles)
{
    Growth growth(seed, particles);
    growth.run({particles, 0});
    Digest digest;
    for (const auto& particle : growth.particles())
        digest.add(particle);
    std::printf("%s seed %u: %016llx\n", name, seed, static_cast<unsigned long long>(digest.value()));
}

} // namespace

int main()
{
    constexpr std::int64_t Particles = 3000;
    for (std::uint32_t seed = 1; seed <= 3; ++seed) {
        printDigest<OffLatticeGrowth>("plane", seed, Particles);
        printDigest<OffLattice3DGrowth>("space", seed, Particles);
    }
    return 0;
}
