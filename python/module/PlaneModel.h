#pragma once

#include "GrowRequest.h"
#include "offlattice/OffLatticeGrowth.h"
#include "offlattice/OffLatticeParticleList.h"
#include "offlattice/OffLatticePicture.h"
#include "OffLatticePlan.h"
#include "OffLatticeSettings.h"

/// The off-lattice growth in the plane, as OffLatticeCluster grows and draws it.
struct PlaneModel {
    using Growth = OffLatticeGrowth;
    using Particle = OffLatticeParticle;
    using Picture = OffLatticePicture;
    using ParticleList = OffLatticeParticleList;
    static constexpr int Dimensions = 2;
    /// dla-grow's mode.
    static constexpr const char* Mode = "offlattice";
    static constexpr double DefaultScale = OffLatticeSettings::DefaultScale;

    static OffLatticePlan plan(const GrowRequest& request) { return OffLatticePlan(request); }
    static FieldSize sizeWithoutSizeOption(const GrowRequest& request)
    {
        return OffLatticePlan::sizeWithoutSizeOption(request);
    }
};
