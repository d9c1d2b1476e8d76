#pragma once

#include "GrowRequest.h"
#include "lattice/FieldSize.h"

#include <cstdint>
#include <string>
#include <string_view>

/// The growth an off-lattice plan is made for, in the plane or in space: what its clusters
/// reach, what they cost, and how its refusals name them.
struct OffLatticeModel {
    /// "an off-lattice cluster"
    std::string_view cluster;
    std::int64_t maxParticles;
    double (*radiusBound)(std::int64_t particles);
    std::int64_t (*particlesBound)(double radius);
    std::uint64_t (*memoryBytes)(std::int64_t particles);
    /// The picture's own memory beside the particles.
    std::uint64_t (*pictureBytes)(std::int64_t particles, std::int32_t width, std::int32_t height);

    static const OffLatticeModel Plane;
    static const OffLatticeModel Space;
};

/// What an off-lattice run of a request comes to, worked out once: the picture's scale, when
/// the run ends (after N particles, or when the cluster reaches the picture's edge) and what
/// that costs in memory.
class OffLatticePlan {
public:
    /// The narrowest picture, in particle diameters: the origin particle and the first arrival
    /// touching it, whatever its direction.
    static constexpr double NarrowestPicture = 3.0;
    /// The picture's size when neither --size nor --points is given.
    static constexpr FieldSize DefaultSize{1000, 1000};

    /// Reads `request`, whose points are already within the mode's range. Throws UsageError,
    /// one line, for a picture narrower than NarrowestPicture at the scale.
    explicit OffLatticePlan(const GrowRequest& request, const OffLatticeModel& model = OffLatticeModel::Plane);

    /// Pixels per particle diameter.
    double scale() const { return scale_; }
    /// The particles to grow (arrivals, the origin particle not counted); 0 to grow to the edge.
    std::int64_t particles() const { return particles_; }
    /// Where the run ends when it grows to the edge: the farthest disc's reach from the origin,
    /// in diameters, at which it touches the nearer sides of the picture.
    double edgeRadius() const { return edgeRadius_; }
    /// The particles the growth is made for: N, or a generous bound on what reaching the edge takes.
    std::int64_t expectedParticles() const;
    /// The memory the run holds at its peak, the stack of the worker it runs on included.
    std::uint64_t memoryBytes() const;
    /// The refusal of a run that would need `needed` bytes, more than the memory holds.
    std::string memoryRefusal(std::uint64_t needed) const;

    /// Refuses before the run what it could never do, beyond what the constructor refuses:
    /// throws FieldSizeError for a cluster the memory cannot hold, one needing more than
    /// OffLatticeGrowth::MaxParticles to reach the edge, or a BMP file of 4 GiB or more.
    void checkFits() const;

    /// The picture for `particles` at `scale` with --size not given: a square that holds the
    /// largest cluster of that many particles (the engine's generous bound on its reach), the
    /// same for every seed, so an ensemble's pictures and summaries compare like with like.
    /// Throws UsageError for a side beyond FieldSize::MaximumSide.
    static FieldSize sizeForParticles(std::int64_t particles, double scale,
                                      const OffLatticeModel& model = OffLatticeModel::Plane);
    /// The picture's size for a cluster whose farthest centre lies `farthest` diameters out: the
    /// size planned, or, for a picture sized to the cluster, larger should the cluster have
    /// outgrown it, rather than cut off.
    FieldSize pictureSize(double farthest) const;
    /// The picture's size when --size is not given, for the mode table.
    static FieldSize sizeWithoutSizeOption(const GrowRequest& request);
    /// The same for a cluster in space.
    static FieldSize spaceSizeWithoutSizeOption(const GrowRequest& request);

private:
    const OffLatticeModel* model_;
    FieldSize size_;
    bool bmp_;
    double scale_;
    std::int64_t particles_;
    double edgeRadius_ = 0;
    /// The picture is sized to the cluster (--points without --size).
    bool sizedToCluster_;
};
