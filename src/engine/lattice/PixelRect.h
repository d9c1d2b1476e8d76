#pragma once

#include <cstdint>

/// A rectangle of pixels in field coordinates (column, row from the top); empty when a side is 0.
struct PixelRect {
    std::int32_t x = 0;
    std::int32_t y = 0;
    std::int32_t width = 0;
    std::int32_t height = 0;

    bool isEmpty() const { return width <= 0 || height <= 0; }
    bool operator==(const PixelRect&) const = default;
};
