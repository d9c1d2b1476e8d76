#pragma once

#include <cstddef>
#include <cstdint>

/// Memory taken from the system in whole pages and given back to it the moment it is freed:
/// mapped with mmap and unmapped with munmap, never kept by the allocator for later (glibc keeps
/// freed blocks in its per-thread arenas and raises its mapping threshold after frees, so a run
/// that freed its picture could leave the next run without room). The pages come zeroed.
///
/// A build with AddressSanitizer takes the blocks from the allocator instead, so the sanitizer
/// sees every byte of them.
class PageMemory {
public:
    /// Whether blocks are pages of their own, given back when freed; false in builds that take
    /// them from the allocator (AddressSanitizer).
    static bool mapsPages();

    /// The system's page size.
    static std::size_t pageBytes();
    /// What a block of `bytes` really takes: `bytes` rounded up to whole pages; 0 for 0.
    static std::uint64_t bytesFor(std::uint64_t bytes);

    /// A zeroed block of `bytes` (not 0). Throws std::bad_alloc when the system refuses it.
    static void* take(std::size_t bytes);
    /// Gives back a block `take(bytes)` returned.
    static void giveBack(void* block, std::size_t bytes);
};
