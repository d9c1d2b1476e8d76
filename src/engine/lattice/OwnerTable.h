#pragma once

#include "lattice/FieldSize.h"
#include "memory/PageBlock.h"
#include "lattice/PixelOwners.h"

#include <cstdint>

/// Which wanderer turned each pixel white, held only for the pixels wanderers turned: memory in
/// proportion to the wanderers (32 to 64 bytes each), not to the picture. An open-addressing
/// hash table keyed by the pixel's place in the picture; when the table would outgrow a map of
/// 4 bytes a pixel, it becomes that map, so it never takes more than 8 bytes a pixel, even
/// while it changes.
class OwnerTable : public PixelOwners {
public:
    /// An empty table. Throws std::bad_alloc when not even its first slots can be had.
    explicit OwnerTable(FieldSize size);

    /// The most memory a table for a picture of `size` holding up to `owners` pixels takes from
    /// the system at once: its slots, and while it grows its old slots beside the new ones (or
    /// beside the map it becomes).
    static std::uint64_t peakBytesFor(FieldSize size, std::uint64_t owners);

    /// May throw std::bad_alloc when the table must grow.
    void record(FieldPoint at, std::int64_t index) override;
    std::optional<std::int64_t> ownerOf(FieldPoint at) const override;

    std::size_t size() const { return used_; }

private:
    struct Slot {
        std::uint64_t key = Empty; ///< the pixel's number y * width + x, plus one
        std::int64_t index = 0;
    };
    // Zero, so that fresh zeroed pages are a table of empty slots.
    static constexpr std::uint64_t Empty = 0;

    std::uint64_t keyOf(FieldPoint at) const
    {
        return static_cast<std::uint64_t>(at.y) * static_cast<std::uint64_t>(size_.width) +
               static_cast<std::uint64_t>(at.x) + 1;
    }
    /// The slot that holds `key`, or the empty slot where it would go.
    std::size_t slotFor(std::uint64_t key) const;
    void grow();
    /// Moves the owners from the slots into a map of the picture, index + 1 a pixel.
    void becomeMap();

    FieldSize size_;
    PageBlock<Slot> slots_;
    PageBlock<std::uint32_t> map_; ///< empty while the slots hold the owners
    std::size_t used_ = 0;
};
