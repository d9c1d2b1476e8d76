// The ensemble's own loop: what it does when its summaries can no longer be delivered.

#include "Ensemble.h"
#include "EnsembleReport.h"
#include "ModeTable.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <sstream>
#include <thread>
#include <vector>

using namespace std::chrono_literals;

// A reader gone (standard output a closed pipe): the runs left are not grown for nobody. The
// second run, if it starts, waits for the ensemble to stop it; the third must never start.
TEST(Ensemble, StopsStartingRunsOnceItsSummariesCannotBeDelivered)
{
    std::ostringstream out;
    out.setstate(std::ios::badbit);
    std::ostringstream errors;
    const GrowthMode& mode = ModeTable::defaultMode();
    EnsembleReport report(mode, 3, false, out, errors, nullptr);
    Ensemble::Hooks hooks;
    hooks.take = [&report](const RunResult& result) { report.tell(result); };
    hooks.stopWanted = [&report] { return report.outputLost(); };
    hooks.stopping = [] {};
    hooks.progress = [](std::uint64_t, std::uint64_t) {};
    std::atomic<int> started{0};
    const bool ranAll = Ensemble(3, 1).run(
        [&started, &mode](std::uint64_t index, const std::atomic<bool>& cancelled) {
            ++started;
            RunResult result;
            result.mode = &mode;
            result.seed = static_cast<std::uint32_t>(index + 1);
            result.end = RunResult::End::Written;
            if (index == 0)
                return result;
            for (int waited = 0; waited < 400 && !cancelled; ++waited)
                std::this_thread::sleep_for(50ms);
            if (cancelled)
                result.end = RunResult::End::Stopped;
            return result;
        },
        hooks);
    EXPECT_FALSE(ranAll);
    // The second run may or may not have started before the ensemble saw the lost output; the
    // third never does.
    EXPECT_GE(started, 1);
    EXPECT_LE(started, 2);
    EXPECT_EQ(report.status(), 0); // the caller turns the lost output into its own status
    EXPECT_TRUE(errors.str().empty()) << errors.str();
}

// A stop (a signal) while a run's save is in progress: the run finishes, and its result is still
// handed back and told, so its written picture has its summary. Runs not yet started never are.
TEST(Ensemble, HandsBackTheRunsThatFinishWhileItStops)
{
    const GrowthMode& mode = ModeTable::defaultMode();
    std::vector<std::uint64_t> told;
    int stoppingTold = 0;
    Ensemble::Hooks hooks;
    hooks.take = [&told](const RunResult& result) {
        if (result.end == RunResult::End::Written)
            told.push_back(result.seed);
    };
    std::atomic<int> started{0};
    // Asked to stop once both threads have their run, however long the machine takes to start them.
    hooks.stopWanted = [&started] { return started == 2; };
    hooks.stopping = [&stoppingTold] { ++stoppingTold; };
    hooks.progress = [](std::uint64_t, std::uint64_t) {};
    const bool ranAll = Ensemble(5, 2).run(
        [&started, &mode](std::uint64_t index, const std::atomic<bool>& cancelled) {
            ++started;
            // Written only once the ensemble has asked to stop: a save that was in progress.
            for (int waited = 0; waited < 400 && !cancelled; ++waited)
                std::this_thread::sleep_for(50ms);
            RunResult result;
            result.mode = &mode;
            result.seed = static_cast<std::uint32_t>(index);
            result.end = cancelled ? RunResult::End::Written : RunResult::End::Stopped;
            return result;
        },
        hooks);
    EXPECT_FALSE(ranAll);
    EXPECT_EQ(stoppingTold, 1);
    EXPECT_EQ(started, 2);
    EXPECT_EQ(told, (std::vector<std::uint64_t>{0, 1}));
}
