#pragma once

#include "RunResult.h"

#include <atomic>
#include <cstdint>
#include <functional>

/// Many runs, a few at once on threads of their own, their results handed back in run order
/// whatever order they finish in. The ensemble only schedules and orders: what is told of the
/// results, when to stop and how progress is shown belong to its hooks.
class Ensemble {
public:
    /// Grows, saves and sums up run `index`; watches `cancelled` to stop early. Called on the
    /// ensemble's threads, a few at once: it must share nothing mutable with the others.
    using RunJob = std::function<RunResult(std::uint64_t index, const std::atomic<bool>& cancelled)>;

    /// What the ensemble's own thread tells and asks while the runs go on.
    struct Hooks {
        /// Each run's result, in run order.
        std::function<void(const RunResult&)> take;
        /// Asked after the results that have come and about ten times a second: true stops
        /// the ensemble.
        std::function<bool()> stopWanted;
        /// Told once when the ensemble stops early, before it waits for the runs in progress.
        std::function<void()> stopping;
        /// The runs done and in progress, about ten times a second while none stops it.
        std::function<void(std::uint64_t done, std::uint64_t running)> progress;
    };

    /// `runs` runs, up to `jobs` at once.
    Ensemble(std::uint64_t runs, int jobs) : runs_(runs), jobs_(jobs) {}

    /// Runs them all. Once stopWanted says so, starts no more runs, raises the flag the runs in
    /// progress watch, waits for them (their saves in progress finish) and hands back every
    /// result that came, a stopped run's too; then returns false. True when all ran.
    bool run(const RunJob& job, const Hooks& hooks) const;

private:
    std::uint64_t runs_;
    int jobs_;
};
