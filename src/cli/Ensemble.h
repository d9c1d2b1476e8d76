#pragma once

#include "EnsembleAggregate.h"
#include "ProgressBar.h"
#include "RunOutcome.h"

#include <atomic>
#include <chrono>
#include <cstdint>
#include <functional>
#include <ostream>

/// Many runs of one kind, with the seeds S, S + 1, ... (modulo 2^32), run a few at once on
/// threads of their own. Each run has its own state and its own random source, so its picture
/// is the one a single run with its seed makes. The summaries come out in seed order whatever
/// order the runs finish in, then (for more than one run) the aggregate.
class Ensemble {
public:
    /// Grows, saves and sums up the run with `seed`; watches `cancelled` to stop early. Called
    /// on the ensemble's threads, a few at once: it must share nothing mutable with the others.
    using RunJob = std::function<RunOutcome(std::uint32_t seed, const std::atomic<bool>& cancelled)>;

    struct Settings {
        std::uint32_t runs = 1;
        int jobs = 1;
        std::uint32_t firstSeed = 0;
        bool json = false;
    };

    /// Summaries go to `out`, failed runs to `errors`, the progress to `bar` (may be null).
    Ensemble(const Settings& settings, std::ostream& out, std::ostream& errors, ProgressBar* bar)
        : settings_(settings), out_(out), errors_(errors), bar_(bar)
    {
    }

    /// The seed of run `index`: the first seed plus the index, modulo 2^32.
    static std::uint32_t seedOf(std::uint32_t firstSeed, std::uint64_t index)
    {
        return static_cast<std::uint32_t>(firstSeed + index);
    }

    /// Runs them all and returns the exit status: 0 when every picture was written, 1 when one
    /// or more could not be (each told with its seed, the others going on). SIGINT, SIGTERM or
    /// SIGHUP stop the runs in progress, let the saves in progress finish, print the finished
    /// runs' summaries and then end the process by that signal. Summaries that `out` can no
    /// longer take stop the ensemble too (the finished runs' files kept); the caller tells the
    /// lost output.
    int run(const RunJob& job);

private:
    void tell(const RunOutcome& outcome);
    void tellAggregate();
    void drawProgress(std::uint64_t done, std::uint64_t running);

    Settings settings_;
    std::ostream& out_;
    std::ostream& errors_;
    ProgressBar* bar_;
    EnsembleAggregate aggregate_;
    bool anyNotWritten_ = false;
    std::chrono::steady_clock::time_point started_{};
    std::chrono::steady_clock::time_point lastDrawn_{};
};
