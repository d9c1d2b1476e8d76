#pragma once

#include "offlattice3d/SpacePoint.h"

/// Where Brownian motion in space started inside a ball first leaves it: the Poisson kernel of
/// the ball, of density proportional to (R^2 - s^2) / |x - y|^3 over the sphere's points y for
/// a start x at distance s from the centre (e.g. Axler, Bourdon and Ramey, "Harmonic Function
/// Theory", 2nd ed. 2001, chapter 1). It is what lets a walker near a particle jump in a ball
/// that is not centred on it: one tangent to the particle where the walker is nearest, far
/// larger than the gap, so most of its exits land far nearer the surface than the walker was.
///
/// The angle t between y and x, seen from the centre, is drawn by inverting the distribution
/// function: the density of cos t is proportional to (R^2 + s^2 - 2 s R cos t)^(-3/2), whose
/// integral is proportional to 1 / |x - y|, so 1 / |x - y| is uniform between 1 / (2R - h) and
/// 1 / h, h = R - s the start's depth below the sphere. For a uniform u that gives
/// 1 - cos t = 2 h^2 (1 - u) (R + u s) / (R (h + 2 u s)^2): one division, exact to rounding however
/// close to the sphere the start is, and uniform when the start is the centre. The azimuth about
/// x's direction is uniform, in a frame about that direction built without a branch.
///
/// The same draw serves any ball that reaches no particle and holds the walker: the tangent ball
/// close to a particle, and the empty balls about the distance map's cubes a few diameters out.
class BallExit {
public:
    /// The exit point from the ball of `centre` and `radius` for a start at depth `depth`
    /// (0 < depth < radius) below its sphere in the unit direction `toStart` from the centre,
    /// for a uniform `u` in [0, 1) and a unit azimuth (cos, sin).
    static SpacePoint from(SpacePoint centre, double radius, SpacePoint toStart, double depth, double u,
                           double cosAzimuth, double sinAzimuth);
};
