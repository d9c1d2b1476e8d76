#pragma once

#include "offlattice/Xoshiro256PlusPlus.h"
#include "offlattice3d/SpacePoint.h"

#include <optional>

/// What Brownian motion in space does from a point outside a sphere centred at the origin. It is
/// transient: from distance r it ever meets the sphere of radius R < r with probability R / r,
/// and where it first meets it has the exterior harmonic measure, of density proportional to
/// (r^2 - R^2) / |x - y|^3 over the sphere's points y (the Poisson kernel of the ball carried to
/// the exterior by the Kelvin transform; e.g. Axler, Bourdon and Ramey, "Harmonic Function
/// Theory", 2nd ed. 2001, chapter 4; Mörters and Peres, "Brownian Motion", 2010, theorem 3.44).
///
/// Its angle t from the point's own direction is drawn by inverting the distribution function:
/// with a = r^2 + R^2 and b = 2rR the density of cos t is proportional to (a - b cos t)^(-3/2),
/// whose integral is (2 / b)(a - b cos t)^(-1/2); so 1 / |x - y| = 1/(r + R) + u (1/(r - R) -
/// 1/(r + R)) for a uniform u, and cos t = (a - |x - y|^2) / b. The azimuth about the point's
/// direction is uniform.
class ExteriorHarmonicMeasure {
public:
    /// Where motion from `from` (at distance sqrt(`squaredDistance`) > `radius`) first meets the
    /// sphere, or nothing when it leaves for infinity instead (probability 1 - R / r).
    static std::optional<SpacePoint> meet(SpacePoint from, double squaredDistance, double radius,
                                          Xoshiro256PlusPlus& random);
    /// The point where motion that meets the sphere meets it, for a uniform `u` in [0, 1) and a
    /// unit `azimuth` (cos, sin) about the point's direction.
    static SpacePoint hit(SpacePoint from, double squaredDistance, double radius, double u, double cosAzimuth,
                          double sinAzimuth);
};
