#pragma once

#include <cstdint>

/// How many runs of an ensemble go at once.
class JobCount {
public:
    static constexpr int Minimum = 1;
    static constexpr int Maximum = 1024;

    /// The processors this process may run on (its affinity mask, which a batch system or
    /// taskset narrows), from 1 to Maximum; 1 when it cannot be told.
    static int processorsAvailable();

    /// `requested` lowered to the number of runs of `bytesPerRun` each that `availableBytes`
    /// holds at once; never below 1, since a single run has passed its own check already.
    static int fittingMemory(int requested, std::uint64_t bytesPerRun, std::uint64_t availableBytes);
};
