// How much the desktop program adds to a growth run: the same seeded To-Limit snowflake run,
// once through the engine alone (as dla-grow runs it) and once through the main window's START
// on the offscreen platform, with its message processing and repaints.

#include "lattice/FixedSettingsHost.h"
#include "MainWindow.h"
#include "lattice/RunFrame.h"

#include <QAction>
#include <QApplication>

#include <benchmark/benchmark.h>

#include <chrono>
#include <functional>

namespace {

double secondsOf(const std::function<void()>& work)
{
    const auto start = std::chrono::steady_clock::now();
    work();
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

void SnowflakeProgramAgainstEngine(benchmark::State& state)
{
    const auto side = static_cast<std::int32_t>(state.range(0));
    std::uint32_t seed = 7;
    double engineSeconds = 0;
    double programSeconds = 0;
    std::int64_t moves = 0;
    for (auto _ : state) {
        ProgramState alone(seed);
        alone.resizeSnowflake(FieldSize{side, side});
        FixedSettingsHost host;
        RunStats stats;
        const double engine = secondsOf([&] { stats = RunFrame(alone, host).runSnowflake(); });

        MainWindow window(seed);
        window.show();
        window.findChild<QAction*>(QStringLiteral("snowflakeAction"))->trigger();
        window.state().resizeSnowflake(FieldSize{side, side});
        QCoreApplication::processEvents();
        const double program = secondsOf([&] { window.start(); });
        window.state().snowUnsaved = false;
        window.hide();

        state.SetIterationTime(program);
        engineSeconds += engine;
        programSeconds += program;
        moves += stats.moves;
        ++seed;
    }
    state.counters["engine_ns_per_move"] = engineSeconds * 1e9 / static_cast<double>(moves);
    state.counters["program_ns_per_move"] = programSeconds * 1e9 / static_cast<double>(moves);
    state.counters["program_vs_engine"] = programSeconds / engineSeconds;
}

} // namespace

BENCHMARK(SnowflakeProgramAgainstEngine)->Arg(300)->Arg(1000)->UseManualTime()->Unit(benchmark::kMillisecond)->MinTime(2.0);

int main(int argc, char** argv)
{
    Q_INIT_RESOURCE(dla); // as the program's main() does: the resources live in a static library
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
