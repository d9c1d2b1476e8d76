#pragma once

#include <chrono>

/// When a progress bar is drawn, for a single run and an ensemble alike: not before the run has
/// lasted a while (FirstDrawDelay, or DLA_GROW_PROGRESS_AFTER_MS from the environment), so short
/// runs print nothing, and then a few times a second at most.
class ProgressPace {
public:
    using Clock = std::chrono::steady_clock;
    static constexpr std::chrono::milliseconds FirstDrawDelay{1000};
    static constexpr std::chrono::milliseconds RedrawInterval{200};

    ProgressPace() : firstDraw_(firstDrawDelay()) {}

    /// Starts the clock: call when the run (or the ensemble) starts.
    void start() { started_ = lastDrawn_ = Clock::now(); }
    /// Whether the bar is to be drawn now; when it is, the next draw is paced from now.
    bool due(bool barShown);
    /// The time since start().
    Clock::duration elapsed() const { return Clock::now() - started_; }

    /// The delay before the bar first shows: FirstDrawDelay, or DLA_GROW_PROGRESS_AFTER_MS when
    /// that holds a number (tests set it low, so a short run shows its bar on any machine).
    static std::chrono::milliseconds firstDrawDelay();

private:
    std::chrono::milliseconds firstDraw_;
    Clock::time_point started_{};
    Clock::time_point lastDrawn_{};
};
