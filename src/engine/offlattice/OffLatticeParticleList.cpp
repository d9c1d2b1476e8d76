#include "offlattice/OffLatticeParticleList.h"

#include "files/ParticleWriter.h"

void OffLatticeParticleList::save(const std::vector<OffLatticeParticle>& particles, const std::string& path)
{
    ParticleWriter writer(path);
    for (std::size_t particle = 1; particle < particles.size(); ++particle)
        writer.write(static_cast<std::int64_t>(particle) - 1, particles[particle].at, particles[particle].parent);
    writer.commit();
}
