#pragma once

#include "offlattice/OffLatticeHost.h"

#include <pybind11/pybind11.h>

#include <atomic>
#include <chrono>
#include <optional>

/// Keeps a growth that runs without the GIL answerable to Ctrl-C. Python runs its signal
/// handlers only with the GIL, so at the engine's progress points, at most once every Interval,
/// poll() takes the GIL for a moment and lets them run. A handler that raises (KeyboardInterrupt
/// for SIGINT) raises the stop flag the engine reads, and its exception is kept to be raised
/// once the growth has returned and the GIL is back. An off-lattice growth asks it as its host.
class InterruptPoll : public OffLatticeHost {
public:
    /// Short enough that Ctrl-C stops a growth within a fraction of a second, long enough that
    /// taking the GIL costs the growth nothing measurable, even from another busy thread.
    static constexpr std::chrono::milliseconds Interval{50};

    /// Called without the GIL, on the growing thread.
    void poll();
    /// Whether a signal handler raised an exception: the growth is to stop.
    bool stopped() const { return stop_.load(std::memory_order_relaxed); }

    bool stopWanted() override { return stopped(); }
    void progress(std::int64_t) override { poll(); }

    /// Called with the GIL: throws the exception a signal handler raised, if one did.
    void raiseIfInterrupted();

private:
    std::atomic<bool> stop_{false};
    std::chrono::steady_clock::time_point last_ = std::chrono::steady_clock::now();
    std::optional<pybind11::error_already_set> error_;
};
