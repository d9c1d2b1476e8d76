#pragma once

#include <cstdint>
#include <string>

/// The seeds FIRST to LAST, both included: the runs an ensemble was to have.
struct SeedRange {
    std::uint32_t first = 0;
    std::uint32_t last = 0;

    bool contains(std::uint32_t seed) const { return seed >= first && seed <= last; }
    /// How many seeds it holds.
    std::uint64_t size() const { return std::uint64_t{last} - first + 1; }
    /// "1-10".
    std::string text() const { return std::to_string(first) + "-" + std::to_string(last); }
};
