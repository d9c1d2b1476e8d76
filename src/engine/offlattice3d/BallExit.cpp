#include "offlattice3d/BallExit.h"

#include <cmath>

SpacePoint BallExit::from(SpacePoint centre, double radius, SpacePoint toStart, double depth, double u,
                          double cosAzimuth, double sinAzimuth)
{
    // With s = R - h the start's distance from the centre and D = h + 2 u s, the exit lies
    // |x - y| = h (2R - h) / D from the start (1 / |x - y| = 1 / (2R - h) + u (1 / h - 1 / (2R - h))
    // over one denominator), so 1 - cos t = (|x - y|^2 - h^2) / (2 s R) = 2 h^2 (1 - u) (R + u s) / (R D^2):
    // one division, and no difference of near equals however close to the sphere the start is.
    const double fromCentre = radius - depth;
    const double denominator = depth + 2.0 * u * fromCentre;
    const double versine = std::fmin(2.0 * depth * depth * (1.0 - u) * (radius + u * fromCentre) / (radius * denominator * denominator), 2.0);
    const double cosine = 1.0 - versine;
    const double sine = std::sqrt(versine * (2.0 - versine));

    // An orthonormal frame e1, e2 about e = toStart without a branch (Duff, Burgess, Christensen,
    // Hery, Kensler, Liani and Villemin, "Building an orthonormal basis, revisited", Journal of
    // Computer Graphics Techniques 6(1), 2017): which way e points is a coin toss to the processor.
    const SpacePoint e = toStart;
    const double sign = std::copysign(1.0, e.z);
    const double a = -1.0 / (sign + e.z);
    const double b = e.x * e.y * a;
    const SpacePoint e1{1.0 + sign * e.x * e.x * a, sign * b, -sign * e.x};
    const SpacePoint e2{b, sign + e.y * e.y * a, -e.y};
    const double p = sine * cosAzimuth;
    const double q = sine * sinAzimuth;
    return {centre.x + radius * (cosine * e.x + p * e1.x + q * e2.x), centre.y + radius * (cosine * e.y + p * e1.y + q * e2.y),
            centre.z + radius * (cosine * e.z + p * e1.z + q * e2.z)};
}
