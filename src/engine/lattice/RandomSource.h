#pragma once

#include <cstdint>

/// The program's one source of randomness: a 32-bit linear congruential generator
/// (seed * 134775813 + 1 mod 2^32). Every draw steps the seed once; both growth modes
/// share the one sequence, so a seed fixes a whole session's growth.
class RandomSource {
public:
    explicit RandomSource(std::uint32_t seed = 0) : seed_(seed) {}

    /// The seed taken from the clock: UTC milliseconds since midnight (0 .. 86,399,999).
    static std::uint32_t clockSeed();
    /// ((hour * 60 + minute) * 60 + second) * 1000 + milliseconds.
    static std::uint32_t seedForTimeOfDay(int hour, int minute, int second, int milliseconds);

    std::uint32_t seed() const { return seed_; }
    void setSeed(std::uint32_t seed) { seed_ = seed; }

    /// Advances the seed by one step and returns the new seed.
    std::uint32_t step()
    {
        seed_ = seed_ * 134775813u + 1u;
        return seed_;
    }

    /// An integer r with 0 <= r < n (n >= 1): the upper 32 bits of seed * n after one step.
    std::uint32_t below(std::uint32_t n)
    {
        return static_cast<std::uint32_t>((static_cast<std::uint64_t>(step()) * n) >> 32);
    }

    /// A real u with 0 <= u < 1: the seed after one step, divided by 2^32.
    double real() { return static_cast<double>(step()) / 4294967296.0; }

private:
    std::uint32_t seed_;
};
