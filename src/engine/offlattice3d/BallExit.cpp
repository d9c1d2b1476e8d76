#include "offlattice3d/BallExit.h"

#include <cmath>

SpacePoint BallExit::from(SpacePoint centre, double radius, SpacePoint toStart, double depth, double u,
                          double cosAzimuth, double sinAzimuth)
{
    const double fromCentre = radius - depth;
    const double farInverse = 1.0 / (2.0 * radius - depth);
    const double distance = 1.0 / (farInverse + u * (1.0 / depth - farInverse));
    const double versine = std::fmax(0.0, (distance - depth) * (distance + depth) / (2.0 * fromCentre * radius));
    const double cosine = 1.0 - std::fmin(versine, 2.0);
    const double sine = std::sqrt(std::fmax(0.0, versine * (2.0 - versine)));

    // An orthonormal frame about e = toStart: e1 perpendicular to e in the plane of e and the
    // axis e is least along (the other two components hold at least 2/3 of its length), e2 = e x e1.
    const SpacePoint e = toStart;
    SpacePoint e1;
    if (std::fabs(e.x) <= std::fabs(e.y) && std::fabs(e.x) <= std::fabs(e.z)) {
        const double n = std::sqrt(e.y * e.y + e.z * e.z);
        e1 = {0, -e.z / n, e.y / n};
    } else if (std::fabs(e.y) <= std::fabs(e.z)) {
        const double n = std::sqrt(e.x * e.x + e.z * e.z);
        e1 = {e.z / n, 0, -e.x / n};
    } else {
        const double n = std::sqrt(e.x * e.x + e.y * e.y);
        e1 = {-e.y / n, e.x / n, 0};
    }
    const SpacePoint e2{e.y * e1.z - e.z * e1.y, e.z * e1.x - e.x * e1.z, e.x * e1.y - e.y * e1.x};
    const double a = sine * cosAzimuth;
    const double b = sine * sinAzimuth;
    return {centre.x + radius * (cosine * e.x + a * e1.x + b * e2.x), centre.y + radius * (cosine * e.y + a * e1.y + b * e2.y),
            centre.z + radius * (cosine * e.z + a * e1.z + b * e2.z)};
}
