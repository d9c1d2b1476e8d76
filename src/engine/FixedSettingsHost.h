#pragma once

#include "RunHost.h"

#include <cstdint>

/// A host with fixed settings and nothing to show or cancel: the run goes to the limit, or
/// releases points + 1 wanderers, undisturbed.
class FixedSettingsHost : public RunHost {
public:
    /// To Limit.
    FixedSettingsHost() = default;
    /// points + 1 wanderers, or none for a negative number.
    explicit FixedSettingsHost(std::int32_t points) : toLimit_(false), points_(points) {}

    void runStarted() override {}
    void runEnded() override {}
    bool toLimit() override { return toLimit_; }
    std::int32_t numberOfPoints() override { return points_; }
    void processPendingMessages() override {}

private:
    bool toLimit_ = true;
    std::int32_t points_ = 0;
};
