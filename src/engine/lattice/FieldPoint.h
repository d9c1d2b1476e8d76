#pragma once

#include <cstdint>

/// A wanderer's position in field coordinates; it may lie outside the picture.
struct FieldPoint {
    std::int32_t x = 0;
    std::int32_t y = 0;
    bool operator==(const FieldPoint&) const = default;
};
