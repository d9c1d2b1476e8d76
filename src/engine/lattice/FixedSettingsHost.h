#pragma once

#include "lattice/RunHost.h"

#include <cstdint>

/// A host with fixed settings and nothing to show or cancel: the run goes to the limit, or
/// releases points + 1 wanderers, undisturbed.
class FixedSettingsHost : public RunHost {
public:
    /// To Limit.
    FixedSettingsHost() = default;
    /// points + 1 wanderers, or none for a negative number.
    explicit FixedSettingsHost(std::int32_t points) : settings_{false, points} {}

    void runStarted() override {}
    RunSettings settings() override { return settings_; }
    void processPendingMessages(const RunProgress&) override {}
    void runEnded() override {}

private:
    RunSettings settings_;
};
