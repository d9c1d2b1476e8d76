#pragma once

#include "statistics/GrowthLawDimension.h"
#include "offlattice/OffLatticeHost.h"
#include "offlattice/OffLatticeIndex.h"
#include "offlattice/OffLatticeParticle.h"
#include "offlattice/PlanePoint.h"
#include "offlattice/Xoshiro256PlusPlus.h"

#include <cstdint>
#include <optional>
#include <vector>

/// Off-lattice diffusion-limited aggregation (Witten and Sander's model without a lattice).
///
/// Particles are discs of diameter 1; the first sits at the origin. Each new particle starts at a
/// uniformly random angle on a circle that encloses the cluster (two diameters outside its
/// farthest centre) and moves by Brownian motion until it first touches the cluster, where it
/// stops at distance 1 from the particle it touched, its parent. The motion is simulated by walk
/// on circles: a jump to a uniform point of the largest circle around the particle that touches
/// nothing (where Brownian motion first leaves that disc, exactly), whose radius is a lower bound
/// on the gap to the nearest particle's surface (from OffLatticeIndex), the exact gap within one
/// diameter of the cluster. Within StopDistance (1e-6) of contact the walk ends: the particle is
/// put at distance 1 from its nearest particle on the line from that particle's centre, a
/// shift in where it lands of at most StopDistance. A particle outside the start circle is put
/// back on it at the angle where Brownian motion from its position first meets the circle (the
/// exterior Poisson kernel), never killed and never sent back to its own start.
/// A seed gives the same cluster, bit for bit, on every run and machine.
class OffLatticeGrowth {
public:
    /// Names this growth in run summaries; a change that alters any seed's cluster changes it.
    static constexpr const char* EngineVersion = "offlattice-2";

    /// How close to contact the walk on circles goes, in diameters, before the walker is put at
    /// contact along the line to its nearest particle's centre: a shift of at most this much in
    /// where it lands, far below what any count of runs could see.
    static constexpr double StopDistance = 1e-6;
    /// How far outside the farthest centre the start circle lies.
    static constexpr double StartGap = 2.0;
    /// The most arrivals a cluster can hold: particles are numbered in 32 bits.
    static constexpr std::int64_t MaxParticles = 2'147'483'646;
    /// Samples of the gyration radius per decade of the particle count.
    static constexpr int GyrationSamplesPerDecade = 20;

    /// When a run ends: after `particles` arrivals in all (0: no such limit), or with the first
    /// particle whose disc reaches `radius` diameters from the origin (0: no such limit).
    struct Limits {
        std::int64_t particles = 0;
        double radius = 0;
    };

    enum class Outcome { ParticlesReached, RadiusReached, Stopped };

    /// The gyration radius of the first `particles` particles of the cluster (the origin's included).
    using GyrationSample = GrowthLawDimension::Sample;

    /// A cluster of the one particle at the origin. `expectedParticles` (arrivals) sizes the
    /// index and reserves room; a run may grow beyond it, the index is then rebuilt larger.
    explicit OffLatticeGrowth(std::uint32_t seed, std::int64_t expectedParticles = 0);

    /// Grows until a limit is met (at least one must be set) or `host` wants it to stop, asking
    /// `host` every host.every() arrivals. Another call goes on growing the same cluster. A run
    /// to a radius also ends at MaxParticles. Throws std::invalid_argument without a limit or
    /// for more than MaxParticles.
    Outcome run(const Limits& limits, OffLatticeHost& host);
    /// The same for a run on its own, which nothing stops and nobody watches.
    Outcome run(const Limits& limits);

    /// What both off-lattice growths' runs share. Throws std::invalid_argument for limits no run
    /// can keep: none set, or more than MaxParticles arrivals.
    static void checkLimits(const Limits& limits);
    /// How a run ends before its next arrival, with `arrivals` arrivals and a cluster reaching
    /// `radius`: a limit met, or `host`, asked every `every` arrivals, wanting it to stop (it is
    /// told the progress then); nothing while it goes on.
    static std::optional<Outcome> endBefore(const Limits& limits, std::int64_t arrivals, double radius, std::int64_t every,
                                            OffLatticeHost& host);

    /// Particles that arrived (the origin's not counted): the rows of the particle list.
    std::int64_t arrivals() const { return static_cast<std::int64_t>(particles_.size()) - 1; }
    /// The cluster in arrival order: [0] the origin particle, [i] the arrival with row index i - 1.
    const std::vector<OffLatticeParticle>& particles() const { return particles_; }
    /// The farthest centre's distance from the origin, plus the particle's radius 1/2.
    double radius() const { return farthest_ + 0.5; }
    /// The gyration radius of the whole cluster, in diameters.
    double gyrationRadius() const;
    /// The gyration radius at particle counts spaced evenly in their logarithm, the last one the
    /// cluster as it stands.
    std::vector<GyrationSample> gyrationHistory() const;
    /// The dimension from the cluster's growth (GrowthLawDimension over gyrationHistory()).
    std::optional<double> growthDimension() const { return GrowthLawDimension::estimate(gyrationHistory()); }
    /// Circle jumps taken, and returns to the start circle.
    std::int64_t jumps() const { return jumps_; }
    std::int64_t returns() const { return returns_; }

    /// The spatial index as it stands.
    const OffLatticeIndex& index() const { return index_; }
    /// Bytes this object holds now.
    std::uint64_t bytes() const;
    /// An upper bound on the bytes a growth made with `expectedParticles` = `particles` holds at
    /// its peak while it grows that many, for a check before the run (for a run to a radius,
    /// made with particlesBound(radius)).
    static std::uint64_t memoryBytes(std::int64_t particles);
    /// A generous bound on the farthest centre after `particles` arrivals.
    static double radiusBound(std::int64_t particles);
    /// A generous bound on the arrivals a cluster needs to reach `radius` diameters.
    static std::int64_t particlesBound(double radius);
    /// The index is first made for this farthest centre, a little above what clusters of
    /// `particles` arrivals reach, and made again larger for a cluster that goes beyond.
    static double expectedRadius(std::int64_t particles);

private:
    PlanePoint start();
    void returnToCircle(PlanePoint& at, double squaredRadius);
    std::int32_t arrive(PlanePoint& at);
    /// Near the cluster: the exact gap from `at` to the nearest particle's surface, or, within
    /// StopDistance of it, 0 with the walker put at contact and `touched` naming that particle.
    double gapOrContact(PlanePoint& at, std::int32_t& touched);
    void add(PlanePoint at, std::int32_t parentRow);
    double rebuiltRadius() const;
    void rebuildIndex(double halfSide);

    Xoshiro256PlusPlus random_;
    std::int64_t expectedParticles_;
    std::vector<OffLatticeParticle> particles_;
    OffLatticeIndex index_;
    OffLatticeIndex::Near near_;
    double farthest_ = 0;
    double startRadius_ = StartGap;
    std::int64_t jumps_ = 0;
    std::int64_t returns_ = 0;
    // Running means and sums of squared deviations (Welford), for the gyration radius.
    double meanX_ = 0;
    double meanY_ = 0;
    double squares_ = 0;
    std::vector<GyrationSample> history_;
    std::int64_t nextSample_ = 1;
    std::int32_t sampleStep_ = 0;
};
