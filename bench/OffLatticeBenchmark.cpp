// The off-lattice growth beside the lattice walks in dla-bench: CPU time per particle of whole
// clusters, seeds 1, 2, 3, ... so every run of the benchmark times the same clusters.

#include "offlattice/OffLatticeGrowth.h"
#include "ThreadClock.h"

#include <benchmark/benchmark.h>

#include <cstdint>

namespace {

void OffLatticeRun(benchmark::State& state)
{
    const std::int64_t particles = state.range(0);
    std::uint32_t seed = 0;
    std::int64_t grown = 0;
    std::int64_t jumps = 0;
    double seconds = 0;
    for (auto _ : state) {
        const double started = threadSeconds();
        OffLatticeGrowth growth(++seed, particles);
        growth.run({particles, 0});
        seconds += threadSeconds() - started;
        grown += growth.arrivals();
        jumps += growth.jumps();
    }
    state.counters["ns_per_particle"] = seconds * 1e9 / static_cast<double>(grown);
    state.counters["jumps_per_particle"] = static_cast<double>(jumps) / static_cast<double>(grown);
}

} // namespace

BENCHMARK(OffLatticeRun)->Name("OffLattice")->Arg(10'000)->Arg(100'000)->Unit(benchmark::kMillisecond);
