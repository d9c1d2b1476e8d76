#pragma once

#include "InterruptPoll.h"
#include "lattice/RunHost.h"

#include <cstdint>
#include <optional>

/// The module's side of a lattice run: fixed settings (To Limit, or N + 1 wanderers), and at
/// each message point the interrupt poll, whose stop becomes the run's stopRequested, as a
/// Cancel does in the desktop program.
class LatticeHost : public RunHost {
public:
    /// `points` empty means To Limit.
    LatticeHost(std::optional<std::int64_t> points, InterruptPoll& interrupt, bool& stopRequested)
        : points_(points), interrupt_(interrupt), stopRequested_(stopRequested)
    {
    }

    void runStarted() override {}
    RunSettings settings() override
    {
        return points_ ? RunSettings{false, static_cast<std::int32_t>(*points_)} : RunSettings{};
    }
    void processPendingMessages(const RunProgress&) override
    {
        interrupt_.poll();
        if (interrupt_.stopped())
            stopRequested_ = true;
    }
    void runEnded() override {}

private:
    std::optional<std::int64_t> points_;
    InterruptPoll& interrupt_;
    bool& stopRequested_;
};
