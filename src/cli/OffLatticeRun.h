#pragma once

#include "GrowRequest.h"
#include "GrowthRun.h"
#include "offlattice/OffLatticeGrowth.h"
#include "OffLatticePlan.h"

#include <memory>
#include <optional>

/// One run of the offlattice mode: grows an off-lattice cluster (OffLatticeGrowth) to N
/// particles or to the picture's edge, then draws it at its scale, writes the picture (and the
/// particle list) and tells what it did.
class OffLatticeRun : public GrowthRun {
public:
    /// Reads the options and makes the growth for the particles expected. Throws UsageError for
    /// bad options, FieldSizeError when the memory cannot hold the growth: nothing is grown or
    /// written.
    explicit OffLatticeRun(const GrowRequest& request);

    /// The mode table's entry points.
    static std::unique_ptr<GrowthRun> make(const GrowRequest& request);
    /// Throws UsageError or FieldSizeError for a run that could never be done (OffLatticePlan).
    static void checkBeforeRuns(const GrowRequest& request);
    static std::uint64_t memoryOfOneRun(const GrowRequest& request);
    static std::string memoryRefusal(const GrowRequest& request);

    /// A BMP file's size is known before the run (at least that of the picture planned); for a
    /// PNG file and the particle list only the place is checked.
    void checkWritable() const override;

    /// Both files are written after the growth, each through SafeSave; a file that cannot be
    /// written leaves its old file as it was, the other is still written, and the result
    /// (NotWritten) has one message for each file that failed, naming it, and its figures when
    /// the picture was written.
    RunResult run(ProgressBar* bar, const std::atomic<bool>* cancelled) override;

private:
    /// The picture's size: as asked, or, for a picture sized to the cluster, larger should the
    /// cluster have outgrown it.
    FieldSize pictureSize() const;

    GrowRequest request_;
    OffLatticePlan plan_;
    std::optional<OffLatticeGrowth> growth_;
};
