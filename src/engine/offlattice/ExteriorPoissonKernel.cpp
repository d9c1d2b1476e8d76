#include "offlattice/ExteriorPoissonKernel.h"

#include "offlattice/UnitDirection.h"

#include <cmath>
#include <numbers>

PlanePoint ExteriorPoissonKernel::hit(PlanePoint from, double squaredDistance, double radius, double u)
{
    const double rho = radius / std::sqrt(squaredDistance);
    const double halfTangent = (1.0 - rho) / (1.0 + rho) * std::tan(std::numbers::pi * (u - 0.5));
    const double h2 = halfTangent * halfTangent;
    const double cosine = (1.0 - h2) / (1.0 + h2);
    const double sine = 2.0 * halfTangent / (1.0 + h2);
    // Turned as UnitDirection turns its sectors, so that no build fuses the rotation.
    const UnitDirection::Vector turned = UnitDirection::rotated({from.x, from.y}, cosine, sine);
    return {rho * turned.x, rho * turned.y};
}
