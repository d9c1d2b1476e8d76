#pragma once

#include "statistics/ClusterStatistics.h"
#include "files/ParticleWriter.h"
#include "lattice/PixelOwners.h"
#include "lattice/StuckWanderer.h"

/// The observer of a study run: takes every stuck wanderer into the cluster's statistics,
/// records which wanderer turned each pixel white (for the age picture and for parents), and
/// streams the particle list. Each part is optional.
class RunRecorder {
public:
    /// `owners` is needed when `particles` is given: a particle's parent is looked up in it.
    RunRecorder(ClusterStatistics& statistics, PixelOwners* owners, ParticleWriter* particles)
        : statistics_(statistics), owners_(owners), particles_(particles)
    {
    }

    void operator()(const StuckWanderer& wanderer)
    {
        statistics_.add(wanderer);
        if (particles_ != nullptr)
            particles_->write(wanderer.index, wanderer.at.x, wanderer.at.y, parentOf(wanderer));
        if (owners_ != nullptr && wanderer.turnedWhite)
            owners_->record(wanderer.at, wanderer.index);
    }

    /// The wanderer that turned white the first white pixel of this one's touch test; -1 when
    /// that pixel is part of the starting cluster (or no wanderer's).
    std::int64_t parentOf(const StuckWanderer& wanderer) const
    {
        if (!wanderer.touched)
            return -1;
        return owners_->ownerOf(*wanderer.touched).value_or(-1);
    }

private:
    ClusterStatistics& statistics_;
    PixelOwners* owners_;
    ParticleWriter* particles_;
};
