#pragma once

#include <cstdint>

/// A picture size: width, then height.
struct FieldSize {
    std::int32_t width = 0;
    std::int32_t height = 0;
    bool operator==(const FieldSize&) const = default;
};
