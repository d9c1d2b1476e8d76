#pragma once

#include "lattice/FieldPoint.h"

#include <cstdint>

/// A picture size: width, then height.
struct FieldSize {
    /// The sides a user may ask for, in the Image Size window and on dla-grow's command line.
    static constexpr std::int32_t MinimumSide = 10;
    static constexpr std::int32_t MaximumSide = 1'000'000;

    std::int32_t width = 0;
    std::int32_t height = 0;
    bool operator==(const FieldSize&) const = default;

    /// Whether the pixel at `at` lies inside a picture of this size.
    bool contains(FieldPoint at) const { return at.x >= 0 && at.y >= 0 && at.x < width && at.y < height; }
};
