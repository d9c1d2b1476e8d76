#pragma once

#include "offlattice/PlanePoint.h"

/// Where Brownian motion started outside a circle centred at the origin first meets it: its
/// angle, relative to the starting point's own, has the exterior Poisson kernel's density
/// (1 - p^2) / (2 pi (1 + p^2 - 2 p cos t)), p = R / r for a start at distance r from a circle of
/// radius R < r: a wrapped Cauchy law, drawn by inverting its distribution function,
/// t = 2 atan(((1 - p) / (1 + p)) tan(pi (u - 1/2))). This is the Poisson kernel of the disc
/// (see e.g. Mörters and Peres, "Brownian Motion", 2010) carried to the exterior by inversion in
/// the circle, which keeps harmonic measure; in the plane the motion meets the circle surely.
class ExteriorPoissonKernel {
public:
    /// The point of the circle of `radius` where motion from `from` (farther out) first meets it,
    /// for a uniform `u` in [0, 1). One tangent and no other trigonometry: the rotation by t
    /// comes from tan(t / 2).
    static PlanePoint hit(PlanePoint from, double squaredDistance, double radius, double u);
};
