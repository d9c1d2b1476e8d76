// dla-offlattice-bench: how the off-lattice growth's cost grows with the cluster. For each count
// of particles, a few runs of one seed, each in a process of its own so its peak memory is its
// own: CPU seconds of the growing thread (the best of the runs: other work on the machine only
// ever slows a run down), jumps per particle, the peak resident memory and the bytes the growth
// holds, per particle. With --size-check, the mean gyration radius of clusters from the fast
// growth against the plain simulation (exact distances to every particle at every jump). With
// --ensemble, the mean dimension from the growth law and the mean gyration radius over seeds. With
// --dimer, where the second arrival lands beside the first two over many seeds, against the
// closed form of DimerLanding.
//
// Usage: dla-offlattice-bench [--repeat K] [--seed S] [N ...]   (default 3 runs of seed 1 at
//                                                                  10^4, 10^5, 10^6, 10^7)
//        dla-offlattice-bench --size-check N SEEDS
//        dla-offlattice-bench --ensemble N SEEDS
//        dla-offlattice-bench --dimer RUNS [FIRST SEED]

#include "offlattice/OffLatticeGrowth.h"
#include "DimerLanding.h"
#include "PlainOffLattice.h"
#include "RunApart.h"
#include "ThreadClock.h"


#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

namespace {

struct Figures {
    double cpuSeconds = 0;
    double wallSeconds = 0;
    double jumps = 0;
    double returns = 0;
    double heldBytes = 0;
    double gyrationRadius = 0;
    double dimension = 0;
    double peakBytes = 0; // filled in by the parent
};

Figures grow(std::int64_t particles, std::uint32_t seed)
{
    Figures figures;
    const auto wallStart = std::chrono::steady_clock::now();
    const double cpuStart = threadSeconds();
    OffLatticeGrowth growth(seed, particles);
    growth.run({particles, 0});
    figures.cpuSeconds = threadSeconds() - cpuStart;
    figures.wallSeconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - wallStart).count();
    figures.jumps = static_cast<double>(growth.jumps());
    figures.returns = static_cast<double>(growth.returns());
    figures.heldBytes = static_cast<double>(growth.bytes());
    figures.gyrationRadius = growth.gyrationRadius();
    figures.dimension = growth.growthDimension().value_or(0);
    return figures;
}


void table(const std::vector<std::int64_t>& counts, int repeats, std::uint32_t seed)
{
    std::printf("| particles | CPU s (best of %d) | us per particle | jumps per particle | returns per particle "
                "| peak memory MB | peak bytes per particle | held bytes per particle | figure bytes per particle "
                "| R_g | D |\n",
                repeats);
    std::printf("| ---: | ---: | ---: | ---: | ---: | ---: | ---: | ---: | ---: | ---: | ---: |\n");
    for (std::int64_t n : counts) {
        Figures best;
        for (int run = 0; run < repeats; ++run) {
            const Figures figures = runApart("dla-offlattice-bench", n, [&] { return grow(n, seed); });
            if (run == 0 || figures.cpuSeconds < best.cpuSeconds)
                best = figures;
        }
        const double count = static_cast<double>(n);
        std::printf("| %lld | %.3f | %.2f | %.1f | %.2f | %.0f | %.1f | %.1f | %.1f | %.1f | %.3f |\n",
                    static_cast<long long>(n), best.cpuSeconds, best.cpuSeconds * 1e6 / count, best.jumps / count,
                    best.returns / count, best.peakBytes / 1e6, best.peakBytes / count, best.heldBytes / count,
                    static_cast<double>(OffLatticeGrowth::memoryBytes(n)) / count, best.gyrationRadius, best.dimension);
        std::fflush(stdout);
    }
}

void sizeCheck(int arrivals, int seeds)
{
    // The figures so far every 1000 clusters, so a long check that is cut short still tells.
    std::vector<double> fast, plain;
    for (int seed = 1; seed <= seeds; ++seed) {
        OffLatticeGrowth growth(static_cast<std::uint32_t>(seed), arrivals);
        growth.run({arrivals, 0});
        fast.push_back(growth.gyrationRadius());
        plain.push_back(gyrationRadius(plainCluster(static_cast<std::uint32_t>(100000 + seed), arrivals)));
        if (seed % 1000 != 0 && seed != seeds)
            continue;
        const MeanAndError a = meanOf(fast), b = meanOf(plain);
        std::printf("mean R_g of %d clusters of %d particles: fast %.3f +- %.3f, plain %.3f +- %.3f, "
                    "difference %+.2f %% (%.1f standard errors)\n",
                    seed, arrivals, a.mean, a.error, b.mean, b.error, 100 * (a.mean - b.mean) / b.mean,
                    (a.mean - b.mean) / std::hypot(a.error, b.error));
        std::fflush(stdout);
    }
}

/// The second arrival's landing over `runs` seeds from `first` on against its closed form.
void dimer(int runs, std::uint32_t first)
{
    DimerLanding::Tally tally;
    const double cpuStart = threadSeconds();
    for (int run = 0; run < runs; ++run) {
        OffLatticeGrowth growth(first + static_cast<std::uint32_t>(run), 2);
        growth.run({2, 0});
        tally.add(DimerLanding::of(growth.particles()));
    }
    std::printf("%d runs of two arrivals, seeds %u on, %.1f us each\n", runs, first, (threadSeconds() - cpuStart) * 1e6 / runs);
    for (double arc : {0.025, 0.05, 0.1, 0.2}) {
        const auto [observed, expected] = tally.nearNecks(arc);
        std::printf("within arc %.3f of a neck: %.0f landings, %.1f expected: %+.2f %% (%+.2f standard errors)\n", arc,
                    observed, expected, 100 * (observed / expected - 1), tally.excessInErrors(arc));
    }
    std::printf("chi-square of the %d neck bins: %.2f (%d degrees of freedom); of %d equal bins of the uniform "
                "place: %.2f (%d)\n",
                DimerLanding::Tally::NeckBins, tally.neckChiSquare(), DimerLanding::Tally::NeckBins - 1,
                DimerLanding::Tally::UniformBins, tally.uniformChiSquare(), DimerLanding::Tally::UniformBins - 1);
}

void ensemble(std::int64_t arrivals, int seeds)
{
    std::vector<double> dimensions, radii;
    for (int seed = 1; seed <= seeds; ++seed) {
        OffLatticeGrowth growth(static_cast<std::uint32_t>(seed), arrivals);
        growth.run({arrivals, 0});
        dimensions.push_back(growth.growthDimension().value_or(0));
        radii.push_back(growth.gyrationRadius());
    }
    const MeanAndError d = meanOf(dimensions), r = meanOf(radii);
    std::printf("%d clusters of %lld particles: D = %.4f +- %.4f (spread %.3f), R_g = %.2f +- %.2f\n", seeds,
                static_cast<long long>(arrivals), d.mean, d.error, d.error * std::sqrt(double(seeds)), r.mean, r.error);
}

} // namespace

int main(int argc, char** argv)
{
    std::vector<std::string> args(argv + 1, argv + argc);
    if (args.size() == 3 && args[0] == "--size-check") {
        sizeCheck(std::atoi(args[1].c_str()), std::atoi(args[2].c_str()));
        return 0;
    }
    if ((args.size() == 2 || args.size() == 3) && args[0] == "--dimer") {
        dimer(std::atoi(args[1].c_str()), args.size() == 3 ? static_cast<std::uint32_t>(std::strtoul(args[2].c_str(), nullptr, 10)) : 1);
        return 0;
    }
    if (args.size() == 3 && args[0] == "--ensemble") {
        ensemble(std::atoll(args[1].c_str()), std::atoi(args[2].c_str()));
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
            std::fprintf(stderr, "usage: dla-offlattice-bench [--repeat K] [--seed S] [N ...] | --size-check N SEEDS | --ensemble N SEEDS | --dimer RUNS [FIRST SEED]\n");
            return 2;
        }
    }
    if (counts.empty())
        counts = {10'000, 100'000, 1'000'000, 10'000'000};
    table(counts, repeats, seed);
    return 0;
}
