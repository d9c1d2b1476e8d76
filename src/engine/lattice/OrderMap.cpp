#include "lattice/OrderMap.h"

#include "memory/AvailableMemory.h"
#include "lattice/FieldSizeError.h"

#include <new>
#include <string>

namespace {

std::string tooLarge(FieldSize size)
{
    return "Not enough memory to colour a picture of " + std::to_string(size.width) + " x " +
           std::to_string(size.height) + " pixels by age";
}

} // namespace

OrderMap::OrderMap(FieldSize size) : size_(size)
{
    if (bytesFor(size) > AvailableMemory::bytes())
        throw FieldSizeError(tooLarge(size));
    try {
        order_ = PageBlock<std::uint32_t>(static_cast<std::size_t>(size.width) * static_cast<std::size_t>(size.height));
    } catch (const std::bad_alloc&) {
        throw FieldSizeError(tooLarge(size));
    }
}

std::uint64_t OrderMap::bytesFor(FieldSize size)
{
    return PageBlock<std::uint32_t>::bytesFor(static_cast<std::uint64_t>(size.width) *
                                              static_cast<std::uint64_t>(size.height));
}

void OrderMap::record(FieldPoint at, std::int64_t index)
{
    if (!size_.contains(at))
        return;
    // A run releases at most 2^31 wanderers, so index + 1 fits in 32 bits.
    order_[static_cast<std::size_t>(at.y) * static_cast<std::size_t>(size_.width) + static_cast<std::size_t>(at.x)] =
        static_cast<std::uint32_t>(index + 1);
    if (!last_ || index > *last_)
        last_ = index;
}

std::optional<std::int64_t> OrderMap::ownerOf(FieldPoint at) const
{
    if (!size_.contains(at))
        return std::nullopt;
    const std::uint32_t order = row(at.y)[at.x];
    if (order == 0)
        return std::nullopt;
    return static_cast<std::int64_t>(order) - 1;
}
