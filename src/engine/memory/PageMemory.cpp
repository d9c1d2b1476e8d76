#include "memory/PageMemory.h"

#include <cstdlib>
#include <new>
#include <sys/mman.h>
#include <unistd.h>

namespace {

#if defined(__SANITIZE_ADDRESS__)
constexpr bool FromAllocator = true;
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
constexpr bool FromAllocator = true;
#else
constexpr bool FromAllocator = false;
#endif
#else
constexpr bool FromAllocator = false;
#endif

} // namespace

bool PageMemory::mapsPages()
{
    return !FromAllocator;
}

std::size_t PageMemory::pageBytes()
{
    static const std::size_t bytes = [] {
        const long page = sysconf(_SC_PAGESIZE);
        return page > 0 ? static_cast<std::size_t>(page) : std::size_t{4096};
    }();
    return bytes;
}

std::uint64_t PageMemory::bytesFor(std::uint64_t bytes)
{
    const std::uint64_t page = pageBytes();
    return (bytes + page - 1) / page * page;
}

void* PageMemory::take(std::size_t bytes)
{
    if constexpr (FromAllocator) {
        void* block = std::calloc(bytes, 1);
        if (block == nullptr)
            throw std::bad_alloc();
        return block;
    }
    void* block = mmap(nullptr, bytes, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
    if (block == MAP_FAILED)
        throw std::bad_alloc();
    return block;
}

void PageMemory::giveBack(void* block, std::size_t bytes)
{
    if constexpr (FromAllocator)
        std::free(block);
    else
        munmap(block, bytes);
}
