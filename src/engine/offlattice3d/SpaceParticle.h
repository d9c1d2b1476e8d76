#pragma once

#include "offlattice3d/SpacePoint.h"

#include <cstdint>

/// One particle of a 3D off-lattice cluster as the growth keeps it: 32 bytes, everything a walker
/// near it reads in one place.
struct SpaceParticle {
    /// Its centre, in diameters.
    SpacePoint at;
    /// The row index of the particle it touched (the particle list's numbering, the first arrival
    /// 0); -1 for a particle that touched the origin particle, and for the origin itself.
    std::int32_t parent = -1;
    /// The next particle in its cell of the spatial index, -1 at the end.
    std::int32_t nextInCell = -1;
};
static_assert(sizeof(SpaceParticle) == 32);
