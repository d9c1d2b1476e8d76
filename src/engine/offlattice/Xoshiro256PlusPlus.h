#pragma once

#include <array>
#include <cstdint>

/// The off-lattice growth's random source: xoshiro256++ (D. Blackman and S. Vigna, "Scrambled
/// linear pseudorandom number generators", ACM Trans. Math. Softw. 47, 2021), a 256-bit state
/// with period 2^256 - 1 that passes BigCrush and PractRand, at about a nanosecond a draw. The
/// state is filled from a 32-bit seed through splitmix64 (Steele, Lea and Flood, OOPSLA 2014),
/// as its authors advise, so nearby seeds give unrelated streams. The desktop program's
/// RandomSource is a different generator and stays as it is.
class Xoshiro256PlusPlus {
public:
    explicit Xoshiro256PlusPlus(std::uint32_t seed)
    {
        std::uint64_t mixer = seed;
        for (std::uint64_t& word : state_)
            word = splitMix64(mixer);
    }

    /// A source in the given state (not all zero), for checks against published output.
    static Xoshiro256PlusPlus fromState(const std::array<std::uint64_t, 4>& state)
    {
        Xoshiro256PlusPlus source(0);
        source.state_ = state;
        return source;
    }

    /// The next 64 random bits.
    std::uint64_t next()
    {
        const std::uint64_t result = rotateLeft(state_[0] + state_[3], 23) + state_[0];
        const std::uint64_t shifted = state_[1] << 17;
        state_[2] ^= state_[0];
        state_[3] ^= state_[1];
        state_[1] ^= state_[2];
        state_[0] ^= state_[3];
        state_[2] ^= shifted;
        state_[3] = rotateLeft(state_[3], 45);
        return result;
    }

    /// A uniform double u with 0 <= u < 1: the top 53 bits of a draw, each value a multiple of 2^-53.
    double uniform() { return static_cast<double>(next() >> 11) * 0x1.0p-53; }

    /// Step of splitmix64: advances `x` and returns its mixed value.
    static std::uint64_t splitMix64(std::uint64_t& x)
    {
        std::uint64_t z = (x += 0x9e3779b97f4a7c15ULL);
        z = (z ^ (z >> 30)) * 0xbf58476d1ce4e5b9ULL;
        z = (z ^ (z >> 27)) * 0x94d049bb133111ebULL;
        return z ^ (z >> 31);
    }

private:
    static std::uint64_t rotateLeft(std::uint64_t x, int k) { return (x << k) | (x >> (64 - k)); }

    std::array<std::uint64_t, 4> state_;
};
