#pragma once

#include "offlattice/OffLatticeParticle.h"
#include "files/PictureRows.h"

#include <cstdint>
#include <vector>

/// An off-lattice cluster drawn for a picture file: width x height pixels, the origin at the
/// picture's centre, y upwards, `scale` pixels per particle diameter. Each particle is a filled
/// disc (every pixel whose centre lies inside it) and always at least the pixel its centre is
/// in, so clusters drawn at less than a pixel per diameter still show every particle. White on
/// black, or by age: a pixel takes the colour of the oldest particle drawn on it, arrivals
/// spread over the colour map from the first to the last, the origin particle white as the
/// lattice modes' starting clusters are. Painted a row at a time as a writer asks for it; the
/// particles are sorted by row once, at 4 bytes each.
class OffLatticePicture : public PictureRows {
public:
    /// `particles` as OffLatticeGrowth::particles() gives them ([0] the origin particle); they must
    /// outlive the picture. `scale` must be positive.
    OffLatticePicture(const std::vector<OffLatticeParticle>& particles, std::int32_t width, std::int32_t height,
                      double scale, bool byAge);

    std::int32_t width() const override { return width_; }
    std::int32_t height() const override { return height_; }
    const std::uint8_t* row(std::int32_t y, std::uint8_t* buffer) const override;

private:
    struct Disc {
        double x; // centre in pixels, from the picture's left edge
        double y; // from its top edge
    };
    Disc discOf(const OffLatticeParticle& particle) const;

    const std::vector<OffLatticeParticle>& particles_;
    std::int32_t width_;
    std::int32_t height_;
    double scale_;
    double radius_; // in pixels
    std::int32_t rowReach_;
    bool byAge_;
    /// Particles by the row of their centre: rowStart_[r] .. rowStart_[r + 1] in byRow_.
    std::vector<std::int64_t> rowStart_;
    std::vector<std::int32_t> byRow_;
    mutable std::vector<std::int32_t> owner_; // the oldest particle on each pixel of the row painted
};
