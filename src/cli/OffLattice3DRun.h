#pragma once

#include "GrowRequest.h"
#include "GrowthRun.h"
#include "OffLatticePlan.h"
#include "offlattice3d/OffLattice3DGrowth.h"

#include <memory>
#include <optional>

/// One run of the 3D off-lattice mode: grows a cluster in space (OffLattice3DGrowth) to N
/// particles or until it reaches the picture's edge, then draws it seen along z at its scale,
/// writes the picture (and the particle list, CSV or PLY) and tells what it did, as the plane's
/// run (OffLatticeRun) does.
class OffLattice3DRun : public GrowthRun {
public:
    /// Reads the options and makes the growth for the particles expected. Throws UsageError for
    /// bad options, FieldSizeError when the memory cannot hold the growth: nothing is grown or
    /// written.
    explicit OffLattice3DRun(const GrowRequest& request);

    /// The mode table's entry points.
    static std::unique_ptr<GrowthRun> make(const GrowRequest& request);
    static void checkBeforeRuns(const GrowRequest& request);
    static std::uint64_t memoryOfOneRun(const GrowRequest& request);
    static std::string memoryRefusal(const GrowRequest& request);

    void checkWritable() const override;
    RunResult run(ProgressBar* bar, const std::atomic<bool>* cancelled) override;

private:
    FieldSize pictureSize() const;

    GrowRequest request_;
    OffLatticePlan plan_;
    std::optional<OffLattice3DGrowth> growth_;
};
