#pragma once

#include "offlattice3d/SpaceParticle.h"

#include <string>
#include <vector>

/// The particle list of a 3D off-lattice cluster, through SafeSave: as a PLY point cloud when
/// the name ends in ".ply" (any case; PlyPointCloud: vertex 0 the origin particle, vertex i the
/// arrival of row i - 1), else as CSV (ParticleWriter): "index,x,y,z,parent", one row per
/// arrival in arrival order from index 0, coordinates in diameters in the shortest form that
/// reads back as the same double, parent the row of the particle touched or -1 for the origin.
class OffLattice3DParticleList {
public:
    /// Writes `particles` ([0] the origin particle). Throws SaveError as SafeSave does; the old
    /// file is then left as it was.
    static void save(const std::vector<SpaceParticle>& particles, const std::string& path);
};
