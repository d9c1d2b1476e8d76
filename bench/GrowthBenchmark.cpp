// Cost of a move in both growth runs, and how it compares with the floor: the bare random
// source, one step and one draw below 7 applied to a position per move. All figures come from
// one process, timed on the thread's CPU clock, so the ratios hold on a busy machine.

#include "lattice/FieldSize.h"
#include "lattice/FixedSettingsHost.h"
#include "lattice/ProgramState.h"
#include "lattice/RunFrame.h"
#include "lattice/RunHost.h"
#include "ThreadClock.h"

#include <benchmark/benchmark.h>

#include <cstdint>

namespace {

/// The bare source's nanoseconds per move, set by the first benchmark of the run.
double bareNanosPerMove = 0;

void reportMoves(benchmark::State& state, std::int64_t moves, double seconds)
{
    const double nanosPerMove = seconds * 1e9 / static_cast<double>(moves);
    state.counters["moves"] = benchmark::Counter(static_cast<double>(moves), benchmark::Counter::kAvgIterations);
    state.counters["ns_per_move"] = nanosPerMove;
    if (bareNanosPerMove > 0)
        state.counters["x_bare"] = nanosPerMove / bareNanosPerMove;
}

void BareRandomSource(benchmark::State& state)
{
    constexpr std::int64_t MovesPerIteration = 1'000'000;
    constexpr std::int32_t ColumnStep[7] = {+1, -1, 0, +1, +1, -1, -1};
    constexpr std::int32_t RowStep[7] = {0, 0, +1, +1, -1, +1, -1};
    RandomSource random(1);
    std::int32_t x = 0;
    std::int32_t y = 0;
    std::int64_t moves = 0;
    double seconds = 0;
    for (auto _ : state) {
        const double started = threadSeconds();
        for (std::int64_t i = 0; i < MovesPerIteration; ++i) {
            const std::uint32_t r = random.below(7);
            x += ColumnStep[r];
            y += RowStep[r];
        }
        benchmark::DoNotOptimize(x);
        benchmark::DoNotOptimize(y);
        seconds += threadSeconds() - started;
        moves += MovesPerIteration;
    }
    bareNanosPerMove = seconds * 1e9 / static_cast<double>(moves);
    reportMoves(state, moves, seconds);
}

/// One To-Limit run per iteration on a fresh field, seeds 1, 2, 3, ... so every run of the
/// benchmark times the same clusters.
template <bool Plant>
void ToLimitRun(benchmark::State& state)
{
    const FieldSize size{static_cast<std::int32_t>(state.range(0)), static_cast<std::int32_t>(state.range(1))};
    std::uint32_t seed = 0;
    std::int64_t moves = 0;
    double seconds = 0;
    for (auto _ : state) {
        state.PauseTiming();
        ProgramState program(++seed);
        if (Plant)
            program.resizePlant(size);
        else
            program.resizeSnowflake(size);
        FixedSettingsHost host;
        RunFrame frame(program, host);
        state.ResumeTiming();
        const double started = threadSeconds();
        const RunStats stats = Plant ? frame.runPlantLife() : frame.runSnowflake();
        seconds += threadSeconds() - started;
        moves += stats.moves;
    }
    reportMoves(state, moves, seconds);
}

} // namespace

// The bare source comes first: the runs after it divide by its cost.
BENCHMARK(BareRandomSource)->Unit(benchmark::kMillisecond);
BENCHMARK(ToLimitRun<true>)->Name("PlantLifeToLimit")->Args({150, 300})->Unit(benchmark::kMillisecond);
BENCHMARK(ToLimitRun<false>)
    ->Name("SnowflakeToLimit")
    ->Args({300, 300})
    ->Args({1000, 1000})
    ->Unit(benchmark::kMillisecond);

BENCHMARK_MAIN();
