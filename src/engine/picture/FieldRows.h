#pragma once

#include "lattice/GrowthField.h"
#include "files/PictureRows.h"

/// A growth field as it stands, white cluster on black: each row is read straight from the
/// field's pixel block, nothing copied.
class FieldRows : public PictureRows {
public:
    explicit FieldRows(const GrowthField& field) : field_(field) {}

    std::int32_t width() const override { return field_.width(); }
    std::int32_t height() const override { return field_.height(); }
    const std::uint8_t* row(std::int32_t y, std::uint8_t*) const override
    {
        // The pixel block holds its rows bottom-up.
        return field_.pixelBlock() + static_cast<std::size_t>(field_.height() - 1 - y) * field_.rowBytes();
    }

private:
    const GrowthField& field_;
};
