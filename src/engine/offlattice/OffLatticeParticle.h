#pragma once

#include "offlattice/PlanePoint.h"

#include <cstdint>

/// One particle of an off-lattice cluster as the growth keeps it: 24 bytes, everything a walker
/// near it reads in one place.
struct OffLatticeParticle {
    /// Its centre, in diameters.
    PlanePoint at;
    /// The row index of the particle it touched (the particle list's numbering, the first
    /// arrival 0); -1 for a particle that touched the origin particle, and for the origin itself.
    std::int32_t parent = -1;
    /// The next particle in its bin of the spatial index, -1 at the end.
    std::int32_t nextInBin = -1;
};
