// The ensemble's own loop: what it does when its summaries can no longer be delivered.

#include "Ensemble.h"

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
    Ensemble::Settings settings;
    settings.runs = 3;
    settings.jobs = 1;
    settings.firstSeed = 1;
    Ensemble ensemble(settings, out, errors, nullptr);
    std::atomic<int> started{0};
    const int status = ensemble.run([&started](std::uint32_t seed, const std::atomic<bool>& cancelled) {
        ++started;
        RunOutcome outcome;
        outcome.seed = seed;
        outcome.end = RunOutcome::End::Written;
        outcome.report = "run";
        if (seed == 1)
            return outcome;
        for (int waited = 0; waited < 400 && !cancelled; ++waited)
            std::this_thread::sleep_for(50ms);
        if (cancelled)
            outcome.end = RunOutcome::End::Stopped;
        return outcome;
    });
    EXPECT_EQ(started, 2);
    EXPECT_EQ(status, 0); // the caller turns the lost output into its own status
    EXPECT_TRUE(errors.str().empty()) << errors.str();
}
