#include "offlattice/OffLatticeParticleList.h"

#include "files/ParticleWriter.h"

void OffLatticeParticleList::save(const std::vector<OffLatticeParticle>& particles, const std::string& path)
{
    ParticleWriter writer(path);
    for (std::size_t particle = 1; particle < particles.size(); ++particle) {
        const PlanePoint at = particles[particle].at;
        writer.write(static_cast<std::int64_t>(particle) - 1, at.x, at.y, particles[particle].parent);
    }
    writer.commit();
}
