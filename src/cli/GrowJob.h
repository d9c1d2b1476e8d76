#pragma once

#include "GrowOptions.h"
#include "GrowSummary.h"
#include "OrderMap.h"
#include "ProgramState.h"
#include "ProgressBar.h"

#include <atomic>
#include <optional>

/// One dla-grow run: grows one picture as its options say, writes the picture (and the particle
/// list) and tells what it did. It keeps all its state to itself, so jobs for several seeds can
/// run at once, one per thread.
class GrowJob {
public:
    /// Makes the picture at its size, and the order map when the picture is coloured by age.
    /// Throws FieldSizeError when the memory cannot hold them: nothing is grown or written.
    explicit GrowJob(const GrowOptions& options);

    /// From now on a raised `cancelled` stops the run at its next message point, as Cancel
    /// does: how an ensemble ends its runs in progress.
    void stopWhen(const std::atomic<bool>& cancelled) { cancelled_ = &cancelled; }

    /// Grows the cluster, showing progress on `bar` when one is given, writes the files and
    /// returns the summary. Throws SaveError when a file cannot be written: the particle list's
    /// file is made before the run, so it fails early; a picture or list that falls short when
    /// written leaves the old file as it was. The other file is still written. Empty when the
    /// run was stopped (see stopWhen): then nothing is written, and no temporary file is left.
    std::optional<GrowSummary> run(ProgressBar* bar = nullptr);

private:
    const GrowthField& field() const;

    GrowOptions options_;
    ProgramState state_;
    std::optional<OrderMap> order_;
    const std::atomic<bool>* cancelled_ = nullptr;
};
