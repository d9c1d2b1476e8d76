#pragma once

// Off-lattice growth the slow, plain way, for checks of the fast growth: the tests compare small
// clusters with it, the benchmark's size check larger ones.

#include "offlattice/ExteriorPoissonKernel.h"
#include "offlattice/OffLatticeGrowth.h"
#include "offlattice/Xoshiro256PlusPlus.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <numbers>
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

/// The same model grown the slow, plain way, by a rule of its own: walk on circles whose radius
/// is the exact gap to every particle (no index), with directions from the library's cosine and
/// sine, down to 1e-6 from contact; there the walker is put at distance 1 from its nearest
/// particle, on the line from that particle's centre. The same start and return.
inline std::vector<PlanePoint> plainCluster(std::uint32_t seed, int arrivals)
{
    constexpr double Stop = 1e-6;
    Xoshiro256PlusPlus random(seed);
    std::vector<PlanePoint> cluster{{0, 0}};
    double farthest = 0;
    while (static_cast<int>(cluster.size()) <= arrivals) {
        const double start = farthest + OffLatticeGrowth::StartGap;
        double angle = 2 * std::numbers::pi * random.uniform();
        PlanePoint at{start * std::cos(angle), start * std::sin(angle)};
        for (;;) {
            double squared = 1e300;
            for (PlanePoint c : cluster)
                squared = std::min(squared, (at.x - c.x) * (at.x - c.x) + (at.y - c.y) * (at.y - c.y));
            const double nearest = std::sqrt(squared);
            const double gap = nearest - 1;
            if (gap <= Stop) {
                const PlanePoint c = *std::find_if(cluster.begin(), cluster.end(), [&](PlanePoint p) {
                    return (at.x - p.x) * (at.x - p.x) + (at.y - p.y) * (at.y - p.y) == squared;
                });
                at = {c.x + (at.x - c.x) / nearest, c.y + (at.y - c.y) / nearest};
                break;
            }
            angle = 2 * std::numbers::pi * random.uniform();
            at = {at.x + gap * std::cos(angle), at.y + gap * std::sin(angle)};
            const double fromOrigin = at.x * at.x + at.y * at.y;
            if (fromOrigin > start * start)
                at = ExteriorPoissonKernel::hit(at, fromOrigin, start, random.uniform());
        }
        cluster.push_back(at);
        farthest = std::max(farthest, std::hypot(at.x, at.y));
    }
    return cluster;
}
