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
    std::uint64_t value() const { return hash_; }

private:
    std::uint64_t hash_ = 0xcbf29ce484222325ULL;
};

} // namespace

int main()
{
    constexpr std::int64_t Particles = 3000;
    for (std::uint32_t seed = 1; seed <= 3; ++seed) {
        OffLatticeGrowth plane(seed, Particles);
        plane.run({Particles, 0});
        Digest planeDigest;
        for (const OffLatticeParticle& particle : plane.particles()) {
            planeDigest.add(particle.at.x);
            planeDigest.add(particle.at.y);
            planeDigest.add(static_cast<std::uint64_t>(particle.parent));
        }
        std::printf("plane seed %u: %016llx\n", seed, static_cast<unsigned long long>(planeDigest.value()));

        OffLattice3DGrowth space(seed, Particles);
        space.run({Particles, 0});
        Digest spaceDigest;
        for (const SpaceParticle& particle : space.particles()) {
            spaceDigest.add(particle.at.x);
            spaceDigest.add(particle.at.y);
            spaceDigest.add(particle.at.z);
            spaceDigest.add(static_cast<std::uint64_t>(particle.parent));
        }
        std::printf("space seed %u: %016llx\n", seed, static_cast<unsigned long long>(spaceDigest.value()));
    }
    return 0;
}
