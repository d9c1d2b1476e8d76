#include "lattice/OwnerTable.h"

#include <algorithm>
#include <utility>

namespace {

constexpr std::size_t InitialSlots = 1024; // a power of two, like every size after it

std::uint64_t pixelsOf(FieldSize size)
{
    return static_cast<std::uint64_t>(size.width) * static_cast<std::uint64_t>(size.height);
}

/// Neighbouring pixels have neighbouring keys; mixing the bits spreads them over the table.
std::uint64_t mix(std::uint64_t key)
{
    key ^= key >> 33;
    key *= 0xff51afd7ed558ccdULL;
    key ^= key >> 33;
    return key;
}

} // namespace

OwnerTable::OwnerTable(FieldSize size) : size_(size), slots_(InitialSlots) {}

std::uint64_t OwnerTable::peakBytesFor(FieldSize size, std::uint64_t owners)
{
    // As record() does: at most half full, doubled until the doubled slots would take more than
    // the map.
    const std::uint64_t map = PageBlock<std::uint32_t>::bytesFor(pixelsOf(size));
    std::uint64_t slots = InitialSlots;
    std::uint64_t peak = PageBlock<Slot>::bytesFor(slots);
    while (slots < 2 * owners) {
        const std::uint64_t doubled = PageBlock<Slot>::bytesFor(2 * slots);
        if (doubled > map)
            return std::max(peak, PageBlock<Slot>::bytesFor(slots) + map);
        peak = PageBlock<Slot>::bytesFor(slots) + doubled;
        slots *= 2;
    }
    return peak;
}

std::size_t OwnerTable::slotFor(std::uint64_t key) const
{
    const std::size_t mask = slots_.size() - 1;
    std::size_t slot = static_cast<std::size_t>(mix(key)) & mask;
    while (slots_[slot].key != key && slots_[slot].key != Empty)
        slot = (slot + 1) & mask;
    return slot;
}

void OwnerTable::record(FieldPoint at, std::int64_t index)
{
    if (!size_.contains(at))
        return;
    const std::uint64_t key = keyOf(at);
    if (map_.size() != 0) {
        std::uint32_t& owner = map_[key - 1];
        if (owner == 0)
            ++used_;
        // A run releases at most 2^31 wanderers, so index + 1 fits in 32 bits.
        owner = static_cast<std::uint32_t>(index + 1);
        return;
    }
    std::size_t slot = slotFor(key);
    // At most half full, so a search meets an empty slot soon; only a new pixel can fill it.
    if (slots_[slot].key == Empty && 2 * (used_ + 1) > slots_.size()) {
        grow();
        if (map_.size() != 0) {
            record(at, index);
            return;
        }
        slot = slotFor(key);
    }
    if (slots_[slot].key == Empty)
        ++used_;
    slots_[slot] = Slot{key, index};
}

std::optional<std::int64_t> OwnerTable::ownerOf(FieldPoint at) const
{
    if (!size_.contains(at))
        return std::nullopt;
    if (map_.size() != 0) {
        const std::uint32_t owner = map_[keyOf(at) - 1];
        if (owner == 0)
            return std::nullopt;
        return static_cast<std::int64_t>(owner) - 1;
    }
    const Slot& slot = slots_[slotFor(keyOf(at))];
    if (slot.key == Empty)
        return std::nullopt;
    return slot.index;
}

void OwnerTable::grow()
{
    if (PageBlock<Slot>::bytesFor(2 * slots_.size()) > PageBlock<std::uint32_t>::bytesFor(pixelsOf(size_))) {
        becomeMap();
        return;
    }
    PageBlock<Slot> old(slots_.size() * 2);
    std::swap(old, slots_);
    for (const Slot& slot : old)
        if (slot.key != Empty)
            slots_[slotFor(slot.key)] = slot;
}

void OwnerTable::becomeMap()
{
    PageBlock<std::uint32_t> map(static_cast<std::size_t>(pixelsOf(size_)));
    for (const Slot& slot : slots_)
        if (slot.key != Empty)
            map[slot.key - 1] = static_cast<std::uint32_t>(slot.index + 1);
    map_ = std::move(map);
    slots_ = PageBlock<Slot>();
}
