#include "OwnerTable.h"

#include <utility>

namespace {

constexpr std::size_t InitialSlots = 1024; // a power of two, like every size after it

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

std::uint64_t OwnerTable::peakBytesFor(std::uint64_t owners)
{
    // record() keeps the table at most half full, growing it by doubling.
    std::uint64_t slots = InitialSlots;
    while (slots < 2 * owners)
        slots *= 2;
    const std::uint64_t grown = PageBlock<Slot>::bytesFor(slots);
    return slots == InitialSlots ? grown : grown + PageBlock<Slot>::bytesFor(slots / 2);
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
    std::size_t slot = slotFor(key);
    // At most half full, so a search meets an empty slot soon; only a new pixel can fill it.
    if (slots_[slot].key == Empty && 2 * (used_ + 1) > slots_.size()) {
        grow();
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
    const Slot& slot = slots_[slotFor(keyOf(at))];
    if (slot.key == Empty)
        return std::nullopt;
    return slot.index;
}

void OwnerTable::grow()
{
    PageBlock<Slot> old(slots_.size() * 2);
    std::swap(old, slots_);
    for (const Slot& slot : old)
        if (slot.key != Empty)
            slots_[slotFor(slot.key)] = slot;
}
