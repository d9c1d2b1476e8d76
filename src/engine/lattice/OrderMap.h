#pragma once

#include "lattice/FieldSize.h"
#include "memory/PageBlock.h"
#include "lattice/PixelOwners.h"

#include <cstdint>

/// The release order of the wanderer that turned each pixel white, 32 bits a pixel: what a
/// picture coloured by age is painted from. Kept only when such a picture is asked for.
class OrderMap : public PixelOwners {
public:
    /// A map of a picture of `size` in which no pixel has an owner yet. Throws FieldSizeError
    /// when the memory cannot hold it.
    explicit OrderMap(FieldSize size);

    /// Bytes the map of a picture of `size` takes from the system.
    static std::uint64_t bytesFor(FieldSize size);

    void record(FieldPoint at, std::int64_t index) override;
    std::optional<std::int64_t> ownerOf(FieldPoint at) const override;

    /// The highest index recorded; empty before the first.
    std::optional<std::int64_t> lastIndex() const { return last_; }

    /// Index + 1 of each pixel's owner (0 for none), a row of width() after another from the top.
    const std::uint32_t* row(std::int32_t y) const
    {
        return order_.data() + static_cast<std::size_t>(y) * static_cast<std::size_t>(size_.width);
    }
    std::int32_t width() const { return size_.width; }
    std::int32_t height() const { return size_.height; }

private:
    FieldSize size_;
    PageBlock<std::uint32_t> order_;
    std::optional<std::int64_t> last_;
};
