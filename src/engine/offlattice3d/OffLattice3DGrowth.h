#pragma once

#include "offlattice/OffLatticeGrowth.h"
#include "offlattice/OffLatticeHost.h"
#include "offlattice/Xoshiro256PlusPlus.h"
#include "offlattice3d/OffLattice3DIndex.h"
#include "offlattice3d/SpaceParticle.h"
#include "offlattice3d/SpacePoint.h"
#include "statistics/GrowthLawDimension.h"

#include <algorithm>
#include <cstdint>
#include <optional>
#include <vector>

/// Diffusion-limited aggregation in three dimensions without a lattice (Witten and Sander's
/// model in space).
///
/// Particles are balls of diameter 1; the first sits at the origin. Each new particle starts at
/// a uniformly random point of a sphere that encloses the cluster (two diameters outside its
/// farthest centre) and moves by Brownian motion until it first comes within StopDistance of a
/// particle of the cluster, its parent; it is then put at distance exactly 1 from the parent's
/// centre, on the line from it. The motion is simulated exactly:
/// - walk on spheres: a jump to a uniform point of the largest sphere around the particle that
///   touches nothing (the first exit point of Brownian motion from a ball is uniform on its
///   sphere), whose radius is a lower bound on the gap to the nearest particle's surface from
///   OffLattice3DIndex, and the exact gap near the cluster, all the way down to StopDistance;
/// - or, where a ball that reaches no particle holds the walker and keeps Brownian motion in it
///   longer than that sphere's ball (the tangent ball close to a particle, an empty ball about
///   one of the index's cubes farther out), a jump to where it leaves that ball, drawn from the
///   ball's Poisson kernel (BallExit);
/// - a particle outside the start sphere comes back to it with probability R / r, at the point
///   drawn from the exterior harmonic measure (ExteriorHarmonicMeasure); otherwise it leaves for
///   infinity and a new particle starts uniformly on the sphere, which is where a particle from
///   infinity first meets it. None is killed at a finite distance.
/// A seed gives the same cluster, bit for bit, on every run and machine, however the index was
/// sized; a smaller run is a prefix of a larger one.
class OffLattice3DGrowth {
public:
    /// Names this growth in run summaries; a change that alters any seed's cluster changes it.
    static constexpr const char* EngineVersion = "offlattice3d-5";

    /// How close to a particle's surface the walk goes before the particle is put in contact.
    /// The move to contact never brings it nearer than 1 to another centre: it goes straight
    /// towards the nearest centre, and every point of that line is nearer to that centre than
    /// to any other, as the walker is (the points nearer to one centre than to another form a
    /// half-space, which holds the segment between any two of its points).
    static constexpr double StopDistance = 1e-6;
    /// How far outside the farthest centre the start sphere lies.
    static constexpr double StartGap = 2.0;
    /// Below this bound the particles near the walker are gathered for their exact gap; above it
    /// the bound serves as it is, since a gathering costs more than the jumps it saves there
    /// (measured over seeds at 10^5 and 3 x 10^5). No more than NearReach, the gap up to which
    /// a gathering gives the exact one.
    static constexpr double GatherBelow = 0.6;
    static_assert(GatherBelow <= OffLattice3DIndex::NearReach);
    /// The largest ball a walker close to a particle leaves that is not centred on the walker.
    static constexpr double MaxTangentRadius = 0.5;
    /// The most arrivals a cluster can hold: particles are numbered in 32 bits.
    static constexpr std::int64_t MaxParticles = OffLatticeGrowth::MaxParticles;
    /// Samples of the gyration radius per decade of the particle count.
    static constexpr int GyrationSamplesPerDecade = 20;

    using Limits = OffLatticeGrowth::Limits;
    using Outcome = OffLatticeGrowth::Outcome;
    using GyrationSample = GrowthLawDimension::Sample;

    /// A cluster of the one particle at the origin. `expectedParticles` (arrivals) sizes the index
    /// and reserves room; a run may grow beyond it, the index is then rebuilt larger.
    explicit OffLattice3DGrowth(std::uint32_t seed, std::int64_t expectedParticles = 0);

    /// Grows until a limit is met (at least one must be set) or `host` wants it to stop, asking
    /// `host` every host.every() arrivals. Another call goes on growing the same cluster. A run
    /// to a radius also ends at MaxParticles. Throws std::invalid_argument without a limit or
    /// for more than MaxParticles.
    Outcome run(const Limits& limits, OffLatticeHost& host);
    /// The same for a run on its own, which nothing stops and nobody watches.
    Outcome run(const Limits& limits);

    /// Particles that arrived (the origin's not counted): the rows of the particle list.
    std::int64_t arrivals() const { return static_cast<std::int64_t>(particles_.size()) - 1; }
    /// The cluster in arrival order: [0] the origin particle, [i] the arrival with row index i - 1.
    const std::vector<SpaceParticle>& particles() const { return particles_; }
    /// The farthest centre's distance from the origin, plus the particle's radius 1/2.
    double radius() const { return farthest_ + 0.5; }
    /// The gyration radius of the whole cluster, in diameters.
    double gyrationRadius() const;
    /// The gyration radius at particle counts spaced evenly in their logarithm, the last one the
    /// cluster as it stands.
    std::vector<GyrationSample> gyrationHistory() const;
    /// The dimension from the cluster's growth (GrowthLawDimension over gyrationHistory()).
    std::optional<double> growthDimension() const { return GrowthLawDimension::estimate(gyrationHistory()); }
    /// Sphere jumps; returns to the start sphere; departures for infinity.
    std::int64_t jumps() const { return jumps_; }
    std::int64_t returns() const { return returns_; }
    std::int64_t escapes() const { return escapes_; }

    const OffLattice3DIndex& index() const { return index_; }
    /// The radius of the largest ball (up to MaxTangentRadius) that touches the gathered particle
    /// `touched` at `touch` (`normal` the unit direction from its centre to there) and reaches
    /// no other particle: no centre but the touched one within 1 of it, gathered in `near` or not.
    static double tangentRadius(const OffLattice3DIndex::Near& near, std::int32_t touched, SpacePoint touch, SpacePoint normal);
    /// Bytes this object holds now.
    std::uint64_t bytes() const;
    /// An upper bound on the bytes a growth made with `expectedParticles` = `particles` holds at
    /// its peak while it grows that many, for a check before the run.
    static std::uint64_t memoryBytes(std::int64_t particles);
    /// The same for a run to `radius` diameters, made with expectedParticles = particlesBound(radius).
    static std::uint64_t memoryBytesForRadius(double radius);
    /// The index's tiles memoryBytes counts for `particles`: whole chunks, a twentieth of a tile
    /// a particle and more.
    static std::uint64_t tilesBound(std::int64_t particles);
    /// A generous bound on the farthest centre after `particles` arrivals.
    static double radiusBound(std::int64_t particles);
    /// A generous bound on the arrivals a cluster needs to reach `radius` diameters.
    static std::int64_t particlesBound(double radius);
    /// The index is first made for this farthest centre, a little above what clusters of
    /// `particles` arrivals reach, and made again larger for a cluster that goes beyond.
    static double expectedRadius(std::int64_t particles);

private:
    SpacePoint start();
    std::int32_t arrive(SpacePoint& at);
    /// The square of how far `at` lies from the cell the near particles were gathered around.
    double nearOffsetSquared(SpacePoint at) const { return nearOffsetSquared(near_, at); }
    static double nearOffsetSquared(const OffLattice3DIndex::Near& near, SpacePoint at)
    {
        constexpr double Side = OffLattice3DIndex::CellSide;
        const double ox = OffLattice3DIndex::outside(at.x, near.corner.x, Side);
        const double oy = OffLattice3DIndex::outside(at.y, near.corner.y, Side);
        const double oz = OffLattice3DIndex::outside(at.z, near.corner.z, Side);
        return ox * ox + oy * oy + oz * oz;
    }
    /// The exact gap from `at` to the particles gathered, when one lies within reach of a point
    /// `off` from their cell; -1 when none does. Within StopDistance it puts the particle in
    /// contact and sets `touched` to the particle touched.
    double exactGap(SpacePoint& at, double off, std::int32_t& touched);
    /// Moves `at`, `gap` from the gathered particle nearest_, to where it leaves the largest ball
    /// that touches that particle there and no other; false where that ball is no larger than
    /// twice the gap.
    bool tangentJump(SpacePoint& at, double gap);
    /// Moves `at` to where it leaves `ball`, the index's empty ball about it, when Brownian motion
    /// stays longer in that than in the ball of radius `gap` centred on it; false otherwise.
    bool ballJump(SpacePoint& at, double gap, const EmptyBall& ball);
    void add(SpacePoint at, std::int32_t parentRow);
    double rebuiltRadius() const;
    void rebuildIndex(double halfSide);

    Xoshiro256PlusPlus random_;
    std::int64_t expectedParticles_;
    std::vector<SpaceParticle> particles_;
    OffLattice3DIndex index_;
    OffLattice3DIndex::Near near_;
    /// The gathered particle nearest the walker when exactGap() last found one within reach.
    std::int32_t nearest_ = -1;
    double farthest_ = 0;
    double startRadius_ = StartGap;
    std::int64_t jumps_ = 0;
    std::int64_t returns_ = 0;
    std::int64_t escapes_ = 0;
    // Running means and sums of squared deviations (Welford), for the gyration radius.
    SpacePoint mean_;
    double squares_ = 0;
    std::vector<GyrationSample> history_;
    std::int64_t nextSample_ = 1;
    std::int32_t sampleStep_ = 0;
};
