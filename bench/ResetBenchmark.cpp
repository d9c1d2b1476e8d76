// A picture reset (File Reset, or Image Size OK) against the floor: writing the picture's
// memory once. Both are timed in the same iteration on the thread's CPU clock, so their ratio
// holds on a busy machine.

#include "lattice/FieldSize.h"
#include "lattice/GrowthField.h"
#include "lattice/ProgramState.h"
#include "ThreadClock.h"

#include <benchmark/benchmark.h>

#include <cstdint>
#include <cstring>
#include <vector>

namespace {

template <class Work>
double secondsOf(Work&& work)
{
    const double started = threadSeconds();
    work();
    return threadSeconds() - started;
}

void report(benchmark::State& state, double resetSeconds, double writeSeconds)
{
    const auto iterations = static_cast<double>(state.iterations());
    state.counters["reset_ms"] = resetSeconds * 1e3 / iterations;
    state.counters["write_once_ms"] = writeSeconds * 1e3 / iterations;
    state.counters["x_write_once"] = resetSeconds / writeSeconds;
}

FieldSize sizeOf(const benchmark::State& state)
{
    return FieldSize{static_cast<std::int32_t>(state.range(0)), static_cast<std::int32_t>(state.range(1))};
}

/// Image Size OK: a plant picture of the default size reset at the large size, against fresh
/// memory of the large picture's pixel block being allocated and zeroed.
void PlantResizeAgainstWriteOnce(benchmark::State& state)
{
    const FieldSize size = sizeOf(state);
    const std::size_t pixelBytes = GrowthField::rowBytesFor(size.width) * static_cast<std::size_t>(size.height);
    ProgramState program(1);
    double resetSeconds = 0;
    double writeSeconds = 0;
    for (auto _ : state) {
        writeSeconds += secondsOf([&] {
            std::vector<std::uint8_t> block(pixelBytes);
            benchmark::DoNotOptimize(block.data());
            benchmark::ClobberMemory();
        });
        resetSeconds += secondsOf([&] { program.resizePlant(size); });
        program.resizePlant(ProgramState::DefaultPlantSize);
    }
    report(state, resetSeconds, writeSeconds);
}

/// File Reset: the large picture cleared in place, against one memset of its pixel block.
void PlantResetAgainstWriteOnce(benchmark::State& state)
{
    const FieldSize size = sizeOf(state);
    ProgramState program(1);
    program.resizePlant(size);
    std::vector<std::uint8_t> block(program.plantField().pixelBlockSize());
    double resetSeconds = 0;
    double writeSeconds = 0;
    for (auto _ : state) {
        writeSeconds += secondsOf([&] {
            std::memset(block.data(), 0, block.size());
            benchmark::DoNotOptimize(block.data());
            benchmark::ClobberMemory();
        });
        resetSeconds += secondsOf([&] { program.resetPlant(); });
    }
    report(state, resetSeconds, writeSeconds);
}

} // namespace

BENCHMARK(PlantResizeAgainstWriteOnce)->Args({20000, 20000})->Iterations(3)->Unit(benchmark::kMillisecond);
BENCHMARK(PlantResetAgainstWriteOnce)->Args({20000, 20000})->Iterations(3)->Unit(benchmark::kMillisecond);
