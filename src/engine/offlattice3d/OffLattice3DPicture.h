#pragma once

#include "files/PictureRows.h"
#include "offlattice3d/SpaceParticle.h"

#include <cstdint>
#include <vector>

/// A 3D off-lattice cluster drawn for a picture file: seen along the z axis from +z
/// (orthographic), x to the right and y upwards, the origin at the picture's centre, `scale`
/// pixels per particle diameter. Each particle is a shaded sphere: ambient light plus diffuse
/// light from the viewer's upper left (Lambert's law on the sphere's normal at each pixel), and
/// nearer spheres hide farther ones (a depth buffer of one row). The farther half of the cluster
/// is also dimmed with its depth, so a cluster drawn at a pixel or two per particle, where a
/// sphere's own shading cannot show, still reads in depth. White, or by age: the colour of the
/// particle's arrival order times its shading, the origin particle in the starting cluster's
/// colour. Painted a row at a time as a writer asks for it; the particles are sorted by row
/// once, at 4 bytes each.
class OffLattice3DPicture : public PictureRows {
public:
    /// The share of light that reaches every point, and the dimmest the farthest point gets.
    static constexpr double Ambient = 0.3;
    static constexpr double FarthestBrightness = 0.55;

    /// `particles` as OffLattice3DGrowth::particles() gives them ([0] the origin particle); they
    /// must outlive the picture. `scale` must be positive.
    OffLattice3DPicture(const std::vector<SpaceParticle>& particles, std::int32_t width, std::int32_t height,
                        double scale, bool byAge);

    std::int32_t width() const override { return width_; }
    std::int32_t height() const override { return height_; }
    const std::uint8_t* row(std::int32_t y, std::uint8_t* buffer) const override;

    /// The bytes a picture of `particles` and `width` x `height` pixels holds beside its
    /// particles.
    static std::uint64_t workingBytes(std::int64_t particles, std::int32_t width, std::int32_t height);

    /// The brightness of a sphere's point whose unit normal is (nx, ny, nz), towards the viewer
    /// nz > 0: Ambient plus the rest times the cosine to the light, none from behind.
    static double shading(double nx, double ny, double nz);

private:
    struct Disc {
        double x; // centre in pixels, from the picture's left edge
        double y; // from its top edge
    };
    Disc discOf(const SpaceParticle& particle) const;

    const std::vector<SpaceParticle>& particles_;
    std::int32_t width_;
    std::int32_t height_;
    double scale_;
    double radius_; // in pixels
    std::int32_t rowReach_;
    bool byAge_;
    double nearestZ_ = 0;
    double farthestZ_ = 0;
    /// Particles by the row of their centre: rowStart_[r] .. rowStart_[r + 1] in byRow_.
    std::vector<std::int64_t> rowStart_;
    std::vector<std::int32_t> byRow_;
    mutable std::vector<double> depth_;       // the nearest surface on each pixel of the row painted
    mutable std::vector<std::int32_t> owner_; // whose surface it is
    mutable std::vector<float> light_;        // and its brightness
};
