#pragma once

#include <cstdint>
#include <optional>
#include <vector>

/// The fractal dimension of a cluster from its own growth: with N ~ R_g(N)^D, the least-squares
/// slope of log N against log R_g(N) over the gyration radii of the first N particles, N from
/// FirstFitted to the whole cluster, the samples spaced evenly in log N so every decade weighs
/// the same.
///
/// FirstFitted: the first hundred particles of an off-lattice cluster are still close to a
/// compact seed (a handful of discs around the origin, then the first branches), and their local
/// slope reads well above the cluster's dimension; from a hundred on it settles. The estimate
/// needs the samples to cover MinimumDecades beyond that: a slope over one decade moves by
/// tenths from cluster to cluster and says little.
class GrowthLawDimension {
public:
    struct Sample {
        std::int64_t particles;
        double gyrationRadius;
    };

    static constexpr std::int64_t FirstFitted = 100;
    static constexpr double MinimumDecades = 2.0;

    /// The slope, or nothing when the samples from FirstFitted on span less than MinimumDecades
    /// or a radius is not positive.
    static std::optional<double> estimate(const std::vector<Sample>& samples);
};
