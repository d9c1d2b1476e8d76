#pragma once

#include "offlattice/UnitDirection.h"
#include "offlattice/Xoshiro256PlusPlus.h"
#include "offlattice3d/SpacePoint.h"

#include <cmath>

/// A uniformly random direction in space from two draws of the random source: by Archimedes'
/// theorem the height z of a uniform point of the unit sphere is uniform on [-1, 1] and
/// independent of its azimuth, which is uniform; z takes the 53 bits of a uniform double, the
/// azimuth those of UnitDirection, with no trigonometry.
class SphereDirection {
public:
    static SpacePoint from(Xoshiro256PlusPlus& random)
    {
        const double u = random.uniform();
        const double z = 1.0 - 2.0 * u;
        // 1 - z^2 as (1 - z)(1 + z) = 4u(1 - u), exact to rounding near the poles.
        const double ring = 2.0 * std::sqrt(u * (1.0 - u));
        const UnitDirection::Vector azimuth = UnitDirection::from(random.next());
        return {ring * azimuth.x, ring * azimuth.y, z};
    }
};
