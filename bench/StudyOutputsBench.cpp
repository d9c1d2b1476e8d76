// What the study outputs cost: a 1000 x 1000 snowflake grown to its limit as dla-grow grows it,
// once white (BMP) and once coloured by age with its particle list (PNG and CSV), the same
// seeds both ways. Figures are thread CPU time per move, the files' writing included.

#include "GrowRequest.h"
#include "GrowthRun.h"
#include "ModeTable.h"

#include <benchmark/benchmark.h>

#include <ctime>
#include <filesystem>
#include <string>
#include <unistd.h>

namespace {

double threadSeconds()
{
    timespec now{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
    return static_cast<double>(now.tv_sec) + static_cast<double>(now.tv_nsec) * 1e-9;
}

/// The white run's nanoseconds per move, set by the first benchmark of the run.
double whiteNanosPerMove = 0;

std::filesystem::path scratchFolder()
{
    const auto folder = std::filesystem::temp_directory_path() / ("dla-study-bench-" + std::to_string(getpid()));
    std::filesystem::create_directories(folder);
    return folder;
}

template <bool Study>
void SnowflakeOutputs(benchmark::State& state)
{
    const std::filesystem::path folder = scratchFolder();
    GrowRequest options;
    options.mode = ModeTable::find("snowflake");
    options.size = FieldSize{1000, 1000};
    options.quiet = true;
    options.output = (folder / (Study ? "flake.png" : "flake.bmp")).string();
    if (Study) {
        options.colour = PictureColour::Age;
        options.particles = (folder / "flake.csv").string();
    }
    std::uint32_t seed = 0;
    std::int64_t moves = 0;
    double seconds = 0;
    for (auto _ : state) {
        options.seed = ++seed;
        const double started = threadSeconds();
        const auto growth = options.mode->makeRun(options);
        moves += static_cast<std::int64_t>(*growth->run(nullptr, nullptr).figure(SummaryKeys::Figure::Moves));
        seconds += threadSeconds() - started;
    }
    std::filesystem::remove_all(folder);
    const double nanosPerMove = seconds * 1e9 / static_cast<double>(moves);
    state.counters["ns_per_move"] = nanosPerMove;
    if (!Study)
        whiteNanosPerMove = nanosPerMove;
    else if (whiteNanosPerMove > 0)
        state.counters["x_white"] = nanosPerMove / whiteNanosPerMove;
}

} // namespace

// The white run comes first: the study run divides by its cost.
BENCHMARK(SnowflakeOutputs<false>)->Name("SnowflakeWhiteBmp/1000/1000")->Unit(benchmark::kMillisecond)->Iterations(8);
BENCHMARK(SnowflakeOutputs<true>)
    ->Name("SnowflakeAgePngParticles/1000/1000")
    ->Unit(benchmark::kMillisecond)
    ->Iterations(8);

BENCHMARK_MAIN();
