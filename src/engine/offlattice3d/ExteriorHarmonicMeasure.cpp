#include "offlattice3d/ExteriorHarmonicMeasure.h"

#include "offlattice/UnitDirection.h"

#include <algorithm>
#include <cmath>

std::optional<SpacePoint> ExteriorHarmonicMeasure::meet(SpacePoint from, double squaredDistance, double radius,
                                                        Xoshiro256PlusPlus& random)
{
    // u < R / r, asked without a division: u r < R.
    if (random.uniform() * std::sqrt(squaredDistance) >= radius)
        return std::nullopt;
    const double u = random.uniform();
    const UnitDirection::Vector azimuth = UnitDirection::from(random.next());
    return hit(from, squaredDistance, radius, u, azimuth.x, azimuth.y);
}

SpacePoint ExteriorHarmonicMeasure::hit(SpacePoint from, double squaredDistance, double radius, double u,
                                        double cosAzimuth, double sinAzimuth)
{
    const double r = std::sqrt(squaredDistance);
    const double nearInverse = 1.0 / (r - radius);
    const double farInverse = 1.0 / (r + radius);
    const double inverse = farInverse + u * (nearInverse - farInverse);
    const double cosine = std::clamp((squaredDistance + radius * radius - 1.0 / (inverse * inverse)) / (2.0 * r * radius), -1.0, 1.0);
    const double sine = std::sqrt((1.0 - cosine) * (1.0 + cosine));

    // An orthonormal frame about the point's direction e: e1 perpendicular to e through the axis
    // e is least along, e2 = e x e1.
    const SpacePoint e{from.x / r, from.y / r, from.z / r};
    SpacePoint e1;
    if (std::abs(e.x) <= std::abs(e.y) && std::abs(e.x) <= std::abs(e.z)) {
        const double n = std::hypot(e.y, e.z);
        e1 = {0, -e.z / n, e.y / n};
    } else if (std::abs(e.y) <= std::abs(e.z)) {
        const double n = std::hypot(e.x, e.z);
        e1 = {e.z / n, 0, -e.x / n};
    } else {
        const double n = std::hypot(e.x, e.y);
        e1 = {-e.y / n, e.x / n, 0};
    }
    const SpacePoint e2{e.y * e1.z - e.z * e1.y, e.z * e1.x - e.x * e1.z, e.x * e1.y - e.y * e1.x};
    const double a = sine * cosAzimuth;
    const double b = sine * sinAzimuth;
    return {radius * (cosine * e.x + a * e1.x + b * e2.x), radius * (cosine * e.y + a * e1.y + b * e2.y),
            radius * (cosine * e.z + a * e1.z + b * e2.z)};
}
