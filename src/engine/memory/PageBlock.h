#pragma once

#include "memory/PageMemory.h"

#include <cstddef>
#include <cstring>
#include <cstdint>
#include <limits>
#include <new>
#include <type_traits>
#include <utility>

/// An array of `T` in pages of its own (see PageMemory): zeroed when made, given back to the
/// system when destroyed or replaced. For the large blocks of a run (pixels, touch counts,
/// order maps, owner tables, box grids), so that what a run frees is free for the next one.
/// `T` must be a plain type whose all-zero bytes are a valid value.
template <class T>
class PageBlock {
    static_assert(std::is_trivially_copyable_v<T> && std::is_trivially_destructible_v<T>);

public:
    PageBlock() = default;
    /// `count` zeroed elements. Throws std::bad_alloc when the memory cannot be had.
    explicit PageBlock(std::size_t count) : count_(count)
    {
        if (count == 0)
            return;
        if (count > std::numeric_limits<std::size_t>::max() / sizeof(T))
            throw std::bad_alloc();
        data_ = static_cast<T*>(PageMemory::take(count * sizeof(T)));
    }
    ~PageBlock() { release(); }

    PageBlock(PageBlock&& other) noexcept
        : data_(std::exchange(other.data_, nullptr)), count_(std::exchange(other.count_, 0))
    {
    }
    PageBlock& operator=(PageBlock&& other) noexcept
    {
        if (this != &other) {
            release();
            data_ = std::exchange(other.data_, nullptr);
            count_ = std::exchange(other.count_, 0);
        }
        return *this;
    }
    /// A copy in pages of its own. Throws std::bad_alloc when they cannot be had.
    PageBlock(const PageBlock& other) : PageBlock(other.count_)
    {
        if (count_ != 0)
            std::memcpy(data_, other.data_, count_ * sizeof(T));
    }
    PageBlock& operator=(const PageBlock& other)
    {
        if (this != &other)
            *this = PageBlock(other);
        return *this;
    }

    /// What a block of `count` elements takes from the system: whole pages.
    static std::uint64_t bytesFor(std::uint64_t count) { return PageMemory::bytesFor(count * sizeof(T)); }

    T* data() { return data_; }
    const T* data() const { return data_; }
    std::size_t size() const { return count_; }
    T* begin() { return data_; }
    T* end() { return data_ + count_; }
    const T* begin() const { return data_; }
    const T* end() const { return data_ + count_; }
    T& operator[](std::size_t i) { return data_[i]; }
    const T& operator[](std::size_t i) const { return data_[i]; }

private:
    void release()
    {
        if (data_ != nullptr)
            PageMemory::giveBack(data_, count_ * sizeof(T));
        data_ = nullptr;
        count_ = 0;
    }

    T* data_ = nullptr;
    std::size_t count_ = 0;
};
