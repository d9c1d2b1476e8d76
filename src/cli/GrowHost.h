#pragma once

#include "ProgressBar.h"
#include "ProgressPace.h"
#include "lattice/RunHost.h"

#include <atomic>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

/// dla-grow's side of a lattice run: fixed settings instead of a menu, and at the message
/// points a progress bar instead of a window to repaint, drawn as ProgressPace says.
class GrowHost : public RunHost {
public:
    using Clock = ProgressPace::Clock;

    /// `points` empty means To Limit. `bar` may be null: no progress is shown. `markerName`
    /// names the marker in the bar ("plantTop", "snowRadius").
    GrowHost(std::optional<std::int32_t> points, std::string_view markerName, ProgressBar* bar);

    /// At each message point from now on, a raised `cancelled` sets `stopRequested` (the run's
    /// own flag, on the run's own thread), so the run stops before its next wanderer as it does
    /// for Cancel. How an ensemble stops its runs in progress.
    void stopWhen(const std::atomic<bool>& cancelled, bool& stopRequested)
    {
        cancelled_ = &cancelled;
        stopRequested_ = &stopRequested;
    }

    void runStarted() override;
    RunSettings settings() override;
    void processPendingMessages(const RunProgress& progress) override;
    void runEnded() override {}

    /// Takes the progress bar off the terminal; call when the run has returned.
    void finish();

private:
    /// How far the run has come, 0 to 1: by wanderers with a number of points, else by the
    /// marker on its way from where it started to its limit.
    double fraction() const;
    std::string progressText(Clock::duration elapsed) const;

    std::optional<std::int32_t> points_;
    std::string_view markerName_;
    ProgressBar* bar_;
    const std::atomic<bool>* cancelled_ = nullptr;
    bool* stopRequested_ = nullptr;
    ProgressPace pace_;
    RunProgress first_{};
    RunProgress last_{};
};
