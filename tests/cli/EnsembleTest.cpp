// The ensemble's own loop: what it does when its summaries can no longer be delivered.

#include "Ensemble.h"
#include "EnsembleReport.h"
#include "ModeTable.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <sstream>
#include <thread>

using namespace std::chrono_literals;

// A reader gone (standard output a closed pipe): the runs left are not grown for nobody. The
// second run waits for the ensemble to stop it; the third must never start.
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
    EXPECT_EQ(started, 2);
    EXPECT_EQ(report.status(), 0); // the caller turns the lost output into its own status
    EXPECT_TRUE(errors.str().empty()) << errors.str();
}
