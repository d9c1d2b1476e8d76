#pragma once

// Off-lattice growth the slow, plain way, for checks of the fast growth: the tests compare small
// clusters with it, the benchmark's size check larger ones.

#include "offlattice/ExteriorPoissonKernel.h"
#include "offlattice/OffLatticeGrowth.h"
#include "offlattice/UnitDirection.h"
#include "offlattice/Xoshiro256PlusPlus.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <vector>

inline double planeDistance(PlanePoint a, PlanePoint b)
{
    return std::hypot(a.x - b.x, a.y - b.y);
}

/// The gyration radius of a list of centres.
inline double gyrationRadius(const std::vector<PlanePoint>& centres)
{
    double mx = 0, my = 0;
    for (PlanePoint c : centres)
        mx += c.x, my += c.y;
    mx /= centres.size(), my /= centres.size();
    double squares = 0;
    for (PlanePoint c : centres)
        squares += (c.x - mx) * (c.x - mx) + (c.y - my) * (c.y - my);
    return std::sqrt(squares / centres.size());
}

/// A mean and its standard error.
struct MeanAndError {
    double mean;
    double error;
};

inline MeanAndError meanOf(const std::vector<double>& values)
{
    double sum = 0, squares = 0;
    for (double v : values)
        sum += v;
    const double mean = sum / values.size();
    for (double v : values)
        squares += (v - mean) * (v - mean);
    return {mean, std::sqrt(squares / (values.size() - 1) / values.size())};
}

/// The same model grown the slow, plain way: the exact gap to every particle at every jump,
/// straight steps of the same Epsilon within it against every particle, the same start and return.
inline std::vector<PlanePoint> plainCluster(std::uint32_t seed, int arrivals)
{
    Xoshiro256PlusPlus random(seed);
    std::vector<PlanePoint> cluster{{0, 0}};
    double farthest = 0;
    auto unit = [&] { return UnitDirection::from(random.next()); };
    while (static_cast<int>(cluster.size()) <= arrivals) {
        const double start = farthest + OffLatticeGrowth::StartGap;
        UnitDirection::Vector d = unit();
        PlanePoint at{start * d.x, start * d.y};
        for (bool stuck = false; !stuck;) {
            double nearest = 1e300;
            for (PlanePoint c : cluster)
                nearest = std::min(nearest, (at.x - c.x) * (at.x - c.x) + (at.y - c.y) * (at.y - c.y));
            const double gap = std::sqrt(nearest) - 1;
            d = unit();
            if (gap > OffLatticeGrowth::Epsilon) {
                at = {at.x + gap * d.x, at.y + gap * d.y};
            } else {
                double first = OffLatticeGrowth::Epsilon;
                PlanePoint touched{};
                for (PlanePoint c : cluster) {
                    // Smallest t >= 0 with |at + t d - c| = 1.
                    const double wx = at.x - c.x, wy = at.y - c.y;
                    const double b = wx * d.x + wy * d.y, q = wx * wx + wy * wy - 1;
                    if (q > 0 && (b >= 0 || b * b - q < 0))
                        continue; // apart, and the step does not reach it
                    const double t = q <= 0 ? 0.0 : -b - std::sqrt(b * b - q);
                    if (t < first)
                        first = t, touched = c, stuck = true;
                }
                at = {at.x + first * d.x, at.y + first * d.y};
                if (stuck) {
                    const double r = planeDistance(at, touched);
                    at = {touched.x + (at.x - touched.x) / r, touched.y + (at.y - touched.y) / r};
                }
            }
            const double squared = at.x * at.x + at.y * at.y;
            if (!stuck && squared > start * start)
                at = ExteriorPoissonKernel::hit(at, squared, start, random.uniform());
        }
        cluster.push_back(at);
        farthest = std::max(farthest, std::hypot(at.x, at.y));
    }
    return cluster;
}

