// dla-offlattice3d-bench: how the 3D off-lattice growth's cost grows with the cluster. For each
// count of particles, a few runs of one seed, each in a process of its own so its peak memory is
// its own: CPU seconds of the growing thread (the best of the runs: other work on the machine
// only ever slows a run down), jumps, returns and escapes per particle, the peak resident memory
// and the bytes the growth holds, per particle. With --ensemble, the mean dimension from the
// growth law and the mean gyration radius over seeds; with --size-check, the mean gyration
// radius of the fast growth's clusters against the plain simulation's; with --isotropy, the mean
// over seeds of (x^4 + y^4 + z^4) / r^4 over the outer half of each cluster's particles, 0.6 in
// law for a growth that sees no axes (a cubic grid's pull would move it towards 1 or 1/3).
//
// Usage: dla-offlattice3d-bench [--repeat K] [--seed S] [N ...]   (default 3 runs of seed 1 at
//                                                                    10^4, 10^5, 10^6, 10^7)
//        dla-offlattice3d-bench --ensemble N SEEDS
//        dla-offlattice3d-bench --size-check N SEEDS
//        dla-offlattice3d-bench --isotropy N FIRST_SEED LAST_SEED

#include "offlattice3d/OffLattice3DGrowth.h"
#include "PlainOffLattice3D.h"
#include "RunApart.h"
#include "ThreadClock.h"


#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

namespace {

struct Figures {
    double cpuSeconds = 0;
    double jumps = 0;
    double returns = 0;
    double escapes = 0;
    double heldBytes = 0;
    double gyrationRadius = 0;
    double radius = 0;
    double dimension = 0;
    double tiles = 0;
    double peakBytes = 0; // filled in by the parent
};

Figures grow(std::int64_t particles, std::uint32_t seed)
{
    Figures figures;
    const double cpuStart = threadSeconds();
    OffLattice3DGrowth growth(seed, particles);
    growth.run({particles, 0});
    figures.cpuSeconds = threadSeconds() - cpuStart;
    figures.jumps = static_cast<double>(growth.jumps());
    figures.returns = static_cast<double>(growth.returns());
    figures.escapes = static_cast<double>(growth.escapes());
    figures.heldBytes = static_cast<double>(growth.bytes());
    figures.gyrationRadius = growth.gyrationRadius();
    figures.radius = growth.radius();
    figures.dimension = growth.growthDimension().value_or(0);
    figures.tiles = static_cast<double>(growth.index().tiles());
    return figures;
}


void table(const std::vector<std::int64_t>& counts, int repeats, std::uint32_t seed)
{
    std::printf("| particles | CPU s (best of %d) | us per particle | jumps per particle | returns per particle "
                "| escapes per particle | peak memory MB | peak bytes per particle | held bytes per particle "
                "| figure bytes per particle | tiles per particle | radius | R_g | D |\n",
                repeats);
    std::printf("| ---: | ---: | ---: | ---: | ---: | ---: | ---: | ---: | ---: | ---: | ---: | ---: | ---: | ---: |\n");
    for (std::int64_t n : counts) {
        Figures best;
        for (int run = 0; run < repeats; ++run) {
            const Figures figures = runApart("dla-offlattice3d-bench", n, [&] { return grow(n, seed); });
            if (run == 0 || figures.cpuSeconds < best.cpuSeconds)
                best = figures;
        }
        const double count = static_cast<double>(n);
        std::printf("| %lld | %.3f | %.2f | %.1f | %.2f | %.2f | %.0f | %.1f | %.1f | %.1f | %.4f | %.1f | %.1f | %.3f |\n",
                    static_cast<long long>(n), best.cpuSeconds, best.cpuSeconds * 1e6 / count, best.jumps / count,
                    best.returns / count, best.escapes / count, best.peakBytes / 1e6, best.peakBytes / count,
                    best.heldBytes / count, static_cast<double>(OffLattice3DGrowth::memoryBytes(n)) / count,
                    best.tiles / count, best.radius, best.gyrationRadius, best.dimension);
        std::fflush(stdout);
    }
}

void ensemble(std::int64_t arrivals, int seeds)
{
    std::vector<double> dimensions, radii, reach;
    for (int seed = 1; seed <= seeds; ++seed) {
        OffLattice3DGrowth growth(static_cast<std::uint32_t>(seed), arrivals);
        growth.run({arrivals, 0});
        dimensions.push_back(growth.growthDimension().value_or(0));
        radii.push_back(growth.gyrationRadius());
        reach.push_back(growth.radius());
    }
    const MeanAndError3D d = meanOf3D(dimensions), r = meanOf3D(radii), far = meanOf3D(reach);
    double largest = 0;
    for (double value : reach)
        largest = std::max(largest, value);
    std::printf("%d clusters of %lld particles: D = %.4f +- %.4f (spread %.3f), R_g = %.2f +- %.2f, "
                "radius %.1f +- %.1f (largest %.1f)\n",
                seeds, static_cast<long long>(arrivals), d.mean, d.error, d.error * std::sqrt(double(seeds)), r.mean,
                r.error, far.mean, far.error, largest);
}

void sizeCheck(int arrivals, int seeds)
{
    std::vector<double> fast, plain;
    for (int seed = 1; seed <= seeds; ++seed) {
        OffLattice3DGrowth growth(static_cast<std::uint32_t>(seed), arrivals);
        growth.run({arrivals, 0});
        fast.push_back(growth.gyrationRadius());
        plain.push_back(plainGyrationRadius3D(plainCluster3D(static_cast<std::uint64_t>(seed) + 1000000, arrivals)));
    }
    const MeanAndError3D a = meanOf3D(fast), b = meanOf3D(plain);
    std::printf("mean R_g of %d clusters of %d particles: fast %.3f +- %.3f, plain %.3f +- %.3f, "
                "difference %+.2f %% (%.1f standard errors)\n",
                seeds, arrivals, a.mean, a.error, b.mean, b.error, 100 * (a.mean - b.mean) / b.mean,
                (a.mean - b.mean) / std::hypot(a.error, b.error));
}

/// The mean of (x^4 + y^4 + z^4) / r^4 over the particles beyond the median distance from the
/// origin (the outer half), where the cluster's own branches are most free to follow any axes.
double outerQuartic(const std::vector<SpaceParticle>& particles)
{
    // Squared distances order the particles as their distances do, and give r^4 without a root.
    std::vector<double> squares;
    for (const SpaceParticle& p : particles)
        squares.push_back(p.at.squaredLength());
    std::vector<double> sorted = squares;
    auto middle = sorted.begin() + static_cast<std::ptrdiff_t>(sorted.size() / 2);
    std::nth_element(sorted.begin(), middle, sorted.end());
    double sum = 0;
    int count = 0;
    for (std::size_t i = 0; i < particles.size(); ++i) {
        if (squares[i] <= *middle)
            continue;
        const SpacePoint a = particles[i].at;
        sum += (a.x * a.x * a.x * a.x + a.y * a.y * a.y * a.y + a.z * a.z * a.z * a.z) / (squares[i] * squares[i]);
        ++count;
    }
    return sum / count;
}

void isotropy(std::int64_t arrivals, int firstSeed, int lastSeed)
{
    std::vector<double> quartics;
    for (int seed = firstSeed; seed <= lastSeed; ++seed) {
        OffLattice3DGrowth growth(static_cast<std::uint32_t>(seed), arrivals);
        growth.run({arrivals, 0});
        quartics.push_back(outerQuartic(growth.particles()));
    }
    const MeanAndError3D q = meanOf3D(quartics);
    std::printf("seeds %d to %d of %lld particles: mean (x^4 + y^4 + z^4) / r^4 over the outer half %.4f",
                firstSeed, lastSeed, static_cast<long long>(arrivals), q.mean);
    // One cluster has no spread to judge it by.
    if (quartics.size() > 1)
        std::printf(" +- %.4f (isotropic 0.6, %.1f standard errors off)\n", q.error, (q.mean - 0.6) / q.error);
    else
        std::printf(" (isotropic 0.6)\n");
}

} // namespace

int main(int argc, char** argv)
{
    std::vector<std::string> args(argv + 1, argv + argc);
    if (args.size() == 3 && args[0] == "--ensemble") {
        ensemble(std::atoll(args[1].c_str()), std::atoi(args[2].c_str()));
        return 0;
    }
    if (args.size() == 3 && args[0] == "--size-check") {
        sizeCheck(std::atoi(args[1].c_str()), std::atoi(args[2].c_str()));
        return 0;
    }
    if (args.size() == 4 && args[0] == "--isotropy") {
        isotropy(std::atoll(args[1].c_str()), std::atoi(args[2].c_str()), std::atoi(args[3].c_str()));
        return 0;
    }
    int repeats = 3;
    std::uint32_t seed = 1;
    std::vector<std::int64_t> counts;
    for (std::size_t i = 0; i < args.size(); ++i) {
        if (args[i] == "--repeat" && i + 1 < args.size())
            repeats = std::max(1, std::atoi(args[++i].c_str()));
        else if (args[i] == "--seed" && i + 1 < args.size())
            seed = static_cast<std::uint32_t>(std::strtoul(args[++i].c_str(), nullptr, 10));
        else if (const long long n = std::atoll(args[i].c_str()); n > 0)
            counts.push_back(n);
        else {
            std::fprintf(stderr, "usage: dla-offlattice3d-bench [--repeat K] [--seed S] [N ...] | --ensemble N SEEDS | --size-check N SEEDS | --isotropy N FIRST_SEED LAST_SEED\n");
            return 2;
        }
    }
    if (counts.empty())
        counts = {10'000, 100'000, 1'000'000, 10'000'000};
    table(counts, repeats, seed);
    return 0;
}
