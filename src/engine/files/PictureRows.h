#pragma once

#include <cstdint>

/// A picture as a file writer takes it: one row at a time, top row first, each row `width()`
/// pixels of blue, green and red bytes. Writers never need the whole picture at once, so a
/// picture coloured on the fly costs one row of memory.
class PictureRows {
public:
    virtual ~PictureRows() = default;

    virtual std::int32_t width() const = 0;
    virtual std::int32_t height() const = 0;

    /// Row `y` (0 at the top): either a pointer into pixels the picture already holds, or
    /// `buffer` (room for width() * 3 bytes) filled and returned. Valid until the next call.
    virtual const std::uint8_t* row(std::int32_t y, std::uint8_t* buffer) const = 0;
};
