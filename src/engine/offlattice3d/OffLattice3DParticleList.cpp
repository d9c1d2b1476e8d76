#include "offlattice3d/OffLattice3DParticleList.h"

#include "files/ParticleWriter.h"
#include "files/PlyPointCloud.h"

void OffLattice3DParticleList::save(const std::vector<SpaceParticle>& particles, const std::string& path)
{
    if (PlyPointCloud::isPlyName(path)) {
        PlyPointCloud cloud(path, static_cast<std::int64_t>(particles.size()));
        for (const SpaceParticle& particle : particles)
            cloud.write(particle.at.x, particle.at.y, particle.at.z, &particle == particles.data() ? -1 : particle.parent + 1);
        cloud.commit();
        return;
    }
    ParticleWriter writer(path, ParticleWriter::Columns::Space);
    for (std::size_t particle = 1; particle < particles.size(); ++particle) {
        const SpacePoint at = particles[particle].at;
        writer.write(static_cast<std::int64_t>(particle) - 1, at.x, at.y, at.z, particles[particle].parent);
    }
    writer.commit();
}
