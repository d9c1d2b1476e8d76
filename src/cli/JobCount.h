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

    /// The stack of a worker thread started after setUpWorkers(). A run needs a small fraction
    /// of it; the system's default (often 8 MiB) would be address space it never uses.
    static constexpr std::uint64_t WorkerStackBytes = 512 << 10;

    /// Readies the process for worker threads, before the first is started: each takes
    /// WorkerStackBytes of stack, and all take what little they ask of malloc from its one main
    /// arena (glibc would give every thread an arena of its own that reserves 64 MiB of address
    /// space). The large blocks of a run come from pages of their own, not from malloc.
    static void setUpWorkers();

    /// What a worker thread costs beside the run it grows: its stack and the guard page below it,
    /// as threads are started now.
    static std::uint64_t workerBytes();

    /// `requested` lowered to the number of runs of `bytesPerRun` each that `availableBytes`
    /// holds at once; never below 1 (the caller refuses a run that does not fit at all).
    static int fittingMemory(int requested, std::uint64_t bytesPerRun, std::uint64_t availableBytes);
};
