#pragma once

#include <array>
#include <cstdint>
#ifdef __SSE2__
#include <emmintrin.h>
#endif

/// A uniformly random direction in the plane from 64 random bits, without trigonometry in the
/// walk: the top 10 bits pick one of 1024 equal sectors whose starting direction comes from a
/// table, the next 43 bits an angle within the sector, whose cosine and sine are short Taylor
/// polynomials (the sector is 0.0061 rad wide, so the terms left out are below 1e-19). The angle
/// has 53 bits of resolution, as a uniform double has: the direction is not rounded to a grid.
class UnitDirection {
public:
    struct Vector {
        double x;
        double y;
    };

    static constexpr int SectorBits = 10;
    static constexpr int Sectors = 1 << SectorBits;

    /// The direction at angle 2 pi (bits / 2^64), to 53 bits.
    static Vector from(std::uint64_t bits)
    {
        const Vector start = Starts.entries[bits >> (64 - SectorBits)];
        constexpr int FractionBits = 53 - SectorBits;
        constexpr double RadiansPerStep = 6.283185307179586476925 / Sectors / static_cast<double>(1ULL << FractionBits);
        const double a = static_cast<double>((bits >> (64 - 53)) & ((1ULL << FractionBits) - 1)) * RadiansPerStep;
        const double a2 = a * a;
        const double sine = a * (1.0 - a2 * (1.0 / 6.0) * (1.0 - a2 * (1.0 / 20.0)));
        const double cosine = 1.0 - a2 * 0.5 * (1.0 - a2 * (1.0 / 12.0) * (1.0 - a2 * (1.0 / 30.0)));
        return rotated(start, cosine, sine);
    }

    /// `v` turned by the angle of cosine `c` and sine `s`. Written out as two lanes that both add:
    /// GCC (12 at least) fuses a subtract in one lane and an add in the other into one fused
    /// multiply-add-subtract where the target has one, even with contraction off, and a seed
    /// would then grow another cluster on such a build. Negating the sine is exact, so the
    /// result is that of the plain formula, to the bit.
    static Vector rotated(Vector v, double c, double s)
    {
#ifdef __SSE2__
        const __m128d along = _mm_mul_pd(_mm_set_pd(v.y, v.x), _mm_set1_pd(c));
        const __m128d across = _mm_mul_pd(_mm_set_pd(v.x, v.y), _mm_set_pd(s, -s));
        Vector turned;
        _mm_storeu_pd(&turned.x, _mm_add_pd(along, across));
        return turned;
#else
        return {v.x * c - v.y * s, v.y * c + v.x * s};
#endif
    }

private:
    struct Table {
        Table();
        std::array<Vector, Sectors> entries;
    };
    static const Table Starts; // filled before main(); no growth runs during static initialisation
};
