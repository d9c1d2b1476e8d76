#pragma once

#include "offlattice/OffLatticeParticle.h"

#include <string>
#include <vector>

/// The particle list of an off-lattice cluster as CSV, through ParticleWriter and so SafeSave:
/// "index,x,y,parent", one row per arrival in arrival order from index 0 (the origin particle is
/// the starting cluster and has no row), x and y in diameters in the shortest form that reads
/// back as the same double, parent the row of the particle touched or -1 for the origin particle.
///
/// With a name ending in ".ply" (any case) it is a PLY point cloud instead (PlyPointCloud):
/// vertex 0 the origin particle, vertex i the arrival of row i - 1, z = 0.
class OffLatticeParticleList {
public:
    /// Writes `particles` ([0] the origin particle, as OffLatticeGrowth::particles() gives them).
    /// Throws SaveError as SafeSave does; the old file is then left as it was.
    static void save(const std::vector<OffLatticeParticle>& particles, const std::string& path);
};
