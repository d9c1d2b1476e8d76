#pragma once

#include "EnsembleAggregate.h"
#include "ProgressBar.h"
#include "ProgressPace.h"
#include "RunResult.h"

#include <cstdint>
#include <ostream>

/// What dla-grow tells of an ensemble as its runs come back in seed order: each written run's
/// summary on `out` (a line, or with `json` one JSON object a line), flushed run by run so a
/// reader sees each at once and an ensemble ended from outside loses none that was told; each
/// file that could not be written on `errors`, with its run's seed (a run whose picture was
/// written but not its particle list has its summary too); then, for more than one run, the
/// aggregate of the runs whose pictures were written. The progress bar, when given, counts runs.
class EnsembleReport {
public:
    EnsembleReport(const GrowthMode& mode, std::uint64_t runs, bool json, std::ostream& out, std::ostream& errors,
                   ProgressBar* bar);

    void tell(const RunResult& result);
    /// The aggregate, when there is more than one run and one of them was written.
    void tellAggregate();
    void drawProgress(std::uint64_t done, std::uint64_t running);

    /// Whether `out` can no longer take the summaries (a closed pipe, a full disk).
    bool outputLost() const { return !out_; }
    /// ExitStatus::Written when every run told was written, else ExitStatus::NotWritten.
    int status() const;

private:
    void clearBar();

    std::uint64_t runs_;
    bool json_;
    std::ostream& out_;
    std::ostream& errors_;
    ProgressBar* bar_;
    ProgressPace pace_;
    EnsembleAggregate aggregate_;
    bool anyNotWritten_ = false;
};
