#pragma once

#include "lattice/FieldPoint.h"

#include <cstdint>
#include <optional>

/// Which wanderer turned a pixel white: what a particle's parent is looked up in.
class PixelOwners {
public:
    virtual ~PixelOwners() = default;

    /// Wanderer `index` turned the pixel at `at` (inside the picture) white.
    virtual void record(FieldPoint at, std::int64_t index) = 0;
    /// The wanderer that turned the pixel at `at` white; empty for a pixel no wanderer turned
    /// white (the starting cluster, the background, or outside the picture).
    virtual std::optional<std::int64_t> ownerOf(FieldPoint at) const = 0;
};
