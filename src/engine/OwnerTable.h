#pragma once

#include "FieldSize.h"
#include "PixelOwners.h"

#include <cstdint>
#include <vector>

/// Which wanderer turned each pixel white, held only for the pixels wanderers turned: memory in
/// proportion to the wanderers (32 to 64 bytes each), not to the picture. An open-addressing
/// hash table keyed by the pixel's place in the picture.
class OwnerTable : public PixelOwners {
public:
    explicit OwnerTable(FieldSize size);

    void record(FieldPoint at, std::int64_t index) override;
    std::optional<std::int64_t> ownerOf(FieldPoint at) const override;

    std::size_t size() const { return used_; }

private:
    struct Slot {
        std::uint64_t key = Empty; ///< the pixel's number, y * width + x
        std::int64_t index = 0;
    };
    static constexpr std::uint64_t Empty = ~std::uint64_t{0};

    std::uint64_t keyOf(FieldPoint at) const
    {
        return static_cast<std::uint64_t>(at.y) * static_cast<std::uint64_t>(size_.width) +
               static_cast<std::uint64_t>(at.x);
    }
    /// The slot that holds `key`, or the empty slot where it would go.
    std::size_t slotFor(std::uint64_t key) const;
    void grow();

    FieldSize size_;
    std::vector<Slot> slots_;
    std::size_t used_ = 0;
};
