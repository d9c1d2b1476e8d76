#pragma once

#include "OffLatticePlan.h"
#include "ProgressBar.h"
#include "ProgressPace.h"
#include "offlattice/OffLatticeHost.h"

#include <atomic>
#include <cstdint>
#include <functional>
#include <string>

/// dla-grow's side of an off-lattice run, as GrowHost is of a lattice run: it stops the run
/// once `cancelled` is raised, and draws its progress on a bar as ProgressPace says: the
/// particles grown of N, or the cluster's radius on its way to the edge.
class OffLatticeGrowHost : public OffLatticeHost {
public:
    /// `radius` tells the cluster's radius as it grows (in the plane or in space). `bar` and
    /// `cancelled` may be null: no progress is shown, nothing stops the run.
    OffLatticeGrowHost(std::function<double()> radius, const OffLatticePlan& plan, ProgressBar* bar,
                       const std::atomic<bool>* cancelled);

    bool stopWanted() override;
    void progress(std::int64_t arrivals) override;

    /// Takes the progress bar off the terminal; call when the run has returned.
    void finish();

private:
    double fraction(std::int64_t arrivals) const;
    std::string text(std::int64_t arrivals, double seconds) const;

    std::function<double()> radius_;
    const OffLatticePlan& plan_;
    ProgressBar* bar_;
    const std::atomic<bool>* cancelled_;
    ProgressPace pace_;
};
