#pragma once

#include "GrowMode.h"
#include "ProgramState.h"
#include "ProgressBar.h"
#include "RunHost.h"

#include <chrono>
#include <cstdint>
#include <optional>
#include <string>

/// dla-grow's side of a run: fixed settings instead of a menu, and at the message points a
/// progress bar instead of a window to repaint. The bar appears once the run has lasted about
/// a second and is redrawn a few times a second at most, so short runs print nothing.
class GrowHost : public RunHost {
public:
    using Clock = std::chrono::steady_clock;
    static constexpr std::chrono::milliseconds FirstDraw{1000};
    static constexpr std::chrono::milliseconds Redraw{200};

    /// `points` empty means To Limit. `bar` may be null: no progress is shown.
    GrowHost(ProgramState& state, GrowMode mode, std::optional<std::int32_t> points, ProgressBar* bar);

    void runStarted() override;
    void runEnded() override {}
    bool toLimit() override { return !points_.has_value(); }
    std::int32_t numberOfPoints() override { return points_.value_or(0); }
    void processPendingMessages() override;

    /// Takes the progress bar off the terminal; call when the run has returned.
    void finish();

    /// The wanderers released so far, as far as the message points tell: exact for plant life,
    /// where they come every 30 wanderers. A snowflake's interval grows with its radius, and
    /// when it has grown since the last point the count is the next multiple of the new one,
    /// which may fall a little short.
    std::int64_t wanderersSoFar() const { return wanderers_; }
    /// How far the marker has come from its start to the value that ends a To-Limit run, 0 to 1.
    double markerProgress() const;
    /// The marker value that ends a To-Limit run: plantTop 1, or the smallest radius above
    /// Min(W, H) / 2 - 2.
    std::int32_t markerLimit() const;

private:
    void countMessagePoint();
    std::int64_t messageInterval() const;
    std::int32_t marker() const;
    std::string progressText(Clock::duration elapsed) const;

    ProgramState& state_;
    GrowMode mode_;
    std::optional<std::int32_t> points_;
    ProgressBar* bar_;
    Clock::time_point started_{};
    Clock::time_point lastDrawn_{};
    std::int64_t wanderers_ = 0;
    std::int64_t lastInterval_ = 0;
};
