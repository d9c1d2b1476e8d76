// The off-lattice growth beside the lattice walks in dla-bench: CPU time per particle of whole
// clusters, seeds 1, 2, 3, ... so every run of the benchmark times the same clusters.

#include "offlattice/OffLatticeGrowth.h"
#include "ThreadClock.h"

#include <benchmark/benchmark.h>

#include <atomic>
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

/// The same clusters with the front end asked after every arrival, a thousand times as often as
/// dla-grow asks: what the hooks' calls cost at the most.
void OffLatticeRunHooked(benchmark::State& state)
{
    const std::int64_t particles = state.range(0);
    std::uint32_t seed = 0;
    std::int64_t grown = 0;
    double seconds = 0;
    // As dla-grow's host does: a stop flag read, a call for the progress.
    class EveryArrival : public OffLatticeHost {
    public:
        const std::atomic<bool> stop{false};
        std::int64_t told = 0;
        std::int64_t every() const override { return 1; }
        bool stopWanted() override { return stop.load(std::memory_order_relaxed); }
        void progress(std::int64_t arrivals) override { told += arrivals; }
    };
    EveryArrival host;
    for (auto _ : state) {
        const double started = threadSeconds();
        OffLatticeGrowth growth(++seed, particles);
        growth.run({particles, 0}, host);
        seconds += threadSeconds() - started;
        grown += growth.arrivals();
    }
    benchmark::DoNotOptimize(host.told);
    state.counters["ns_per_particle"] = seconds * 1e9 / static_cast<double>(grown);
}

} // namespace

BENCHMARK(OffLatticeRunHooked)->Name("OffLatticeHooked")->Arg(10'000)->Unit(benchmark::kMillisecond);
BENCHMARK(OffLatticeRun)->Name("OffLattice")->Arg(10'000)->Arg(100'000)->Unit(benchmark::kMillisecond);
