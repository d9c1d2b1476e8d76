#pragma once

#include "picture/ColourMap.h"
#include "lattice/GrowthField.h"
#include "lattice/OrderMap.h"
#include "files/PictureRows.h"

/// A field coloured by age: each pixel a wanderer turned white in the colour of its release
/// order, spread over the colour map from the first wanderer to the last; the starting cluster
/// (white pixels no wanderer turned) in StartColour; the background black. Painted a row at a
/// time as a writer asks for it.
class AgePicture : public PictureRows {
public:
    /// White: the starting cluster stays as it looks in the plain picture, and no entry of the
    /// colour map is white.
    static constexpr ColourMap::Rgb StartColour{255, 255, 255};

    /// `order` must be the order map of `field`'s run, of the same size.
    AgePicture(const GrowthField& field, const OrderMap& order) : field_(field), order_(order) {}

    std::int32_t width() const override { return field_.width(); }
    std::int32_t height() const override { return field_.height(); }
    const std::uint8_t* row(std::int32_t y, std::uint8_t* buffer) const override;

private:
    const GrowthField& field_;
    const OrderMap& order_;
};
