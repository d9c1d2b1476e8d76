#include "offlattice/OffLatticeParticleList.h"

#include "files/ParticleWriter.h"
#include "files/PlyPointCloud.h"

void OffLatticeParticleList::save(const std::vector<OffLatticeParticle>& particles, const std::string& path)
{
    if (PlyPointCloud::isPlyName(path)) {
        PlyPointCloud cloud(path, static_cast<std::int64_t>(particles.size()));
        for (std::size_t particle = 0; particle < particles.size(); ++particle)
            cloud.write(particles[particle].at.x, particles[particle].at.y, 0.0,
                        particle == 0 ? -1 : particles[particle].parent + 1);
        cloud.commit();
        return;
    }
    ParticleWriter writer(path);
    for (std::size_t particle = 1; particle < particles.size(); ++particle) {
        const PlanePoint at = particles[particle].at;
        writer.write(static_cast<std::int64_t>(particle) - 1, at.x, at.y, particles[particle].parent);
    }
    writer.commit();
}
