#pragma once

#include "GrowRequest.h"
#include "offlattice3d/OffLattice3DGrowth.h"
#include "offlattice3d/OffLattice3DParticleList.h"
#include "offlattice3d/OffLattice3DPicture.h"
#include "OffLatticePlan.h"
#include "OffLatticeSettings.h"

/// The off-lattice growth in space, as OffLatticeCluster grows and draws it.
struct SpaceModel {
    using Growth = OffLattice3DGrowth;
    using Particle = SpaceParticle;
    using Picture = OffLattice3DPicture;
    using ParticleList = OffLattice3DParticleList;
    static constexpr int Dimensions = 3;
    /// dla-grow's mode.
    static constexpr const char* Mode = "offlattice3d";
    static constexpr double DefaultScale = OffLatticeSettings::SpaceDefaultScale;

    static OffLatticePlan plan(const GrowRequest& request) { return OffLatticePlan(request, OffLatticeModel::Space); }
    static FieldSize sizeWithoutSizeOption(const GrowRequest& request)
    {
        return OffLatticePlan::spaceSizeWithoutSizeOption(request);
    }
};
