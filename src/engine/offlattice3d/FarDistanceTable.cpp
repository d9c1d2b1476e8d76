#include "offlattice3d/FarDistanceTable.h"

#include "offlattice3d/LargestLessRoot.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#ifdef __SSE2__
#include <emmintrin.h>
#endif

namespace {

/// The first box along an axis whose centre a cube may lie within reach of.
std::int32_t firstBoxNear(std::int32_t cube)
{
    return (cube >> 1) - FarDistanceTable::Pad + (cube & 1);
}

/// How many whole cubes lie between cube `cube` and the centre of box `box`, along an axis: box
/// t's centre lies on the corner between its cubes 2t and 2t + 1, so cube q lies between
/// k = q - 2t - 1 and k + 1 cubes from it.
std::int32_t cubesApart(std::int32_t cube, std::int32_t box)
{
    const std::int32_t k = cube - 2 * box - 1;
    return std::max(k, -1 - k);
}

/// The bytes a cube gives a row of Span boxes along x, by the parity of its place along x and its
/// distances in cubes along y and z: the row along x depends on the cube's place only through
/// its parity, as firstBoxNear() does. Each row lies between Span bytes of Cap on either side, so
/// that the part of it that falls in one brick is read as Span bytes from the right place.
struct Rows {
    static constexpr std::int32_t Padded = 3 * FarDistanceTable::Span;
    std::uint8_t units[2][FarDistanceTable::Span][FarDistanceTable::Span][Padded];

    Rows()
    {
        constexpr std::int32_t Span = FarDistanceTable::Span;
        std::fill(&units[0][0][0][0], &units[0][0][0][0] + sizeof units, FarDistanceTable::Cap);
        for (std::int32_t parity = 0; parity < 2; ++parity)
            for (std::int32_t mz = 0; mz < Span; ++mz)
                for (std::int32_t my = 0; my < Span; ++my)
                    for (std::int32_t x = 0; x < Span; ++x) {
                        const std::int32_t mx = cubesApart(parity, firstBoxNear(parity) + x);
                        // A hair under the distance, so that rounding never makes a byte too large.
                        const double sixteenths =
                            FarDistanceTable::UnitsPerCubeSide * std::sqrt(static_cast<double>(mx * mx + my * my + mz * mz)) - 1e-9;
                        units[parity][mz][my][Span + x] =
                            static_cast<std::uint8_t>(std::clamp(sixteenths, 0.0, static_cast<double>(FarDistanceTable::Cap)));
                    }
    }
};

const Rows rows;

} // namespace

FarDistanceTable::FarDistanceTable(double boxSide, std::int32_t low, std::int32_t boxes)
    : boxSide_(boxSide), diametersPerUnit_(boxSide / 2 / UnitsPerCubeSide), origin_(low - Pad)
{
    const auto side = static_cast<std::size_t>(boxes + 2 * Pad);
    const std::size_t bricks = (side + BrickRow - 1) / BrickRow;
    const std::size_t pairs = (side + 1) / 2;
    yStride_ = bricks * BrickBytes;
    zStride_ = pairs * yStride_;
    storage_.assign(bytesFor(boxes), Cap);
    const auto address = reinterpret_cast<std::uintptr_t>(storage_.data());
    units_ = storage_.data() + (BrickBytes - address % BrickBytes) % BrickBytes;
}

std::uint64_t FarDistanceTable::bytesFor(std::int64_t boxes)
{
    const auto side = static_cast<std::uint64_t>(boxes + 2 * Pad);
    const std::uint64_t pairs = (side + 1) / 2;
    const std::uint64_t bricks = (side + BrickRow - 1) / BrickRow;
    // A line's worth more to reach the first line's start, and a brick beyond the last, which
    // lower() may pass over (with Cap) when a cube's row ends at the end of a brick.
    return pairs * pairs * bricks * BrickBytes + 2 * BrickBytes - 1;
}

void FarDistanceTable::lower(std::int32_t qx, std::int32_t qy, std::int32_t qz)
{
    // Span boxes along each axis from firstBoxNear() on hold every box centre within Cap of the
    // cube. A row of them along x falls in two bricks, whose rows are lowered at once, each by
    // the part of the padded pattern that lies over it.
    const std::int32_t x0 = firstBoxNear(qx), y0 = firstBoxNear(qy), z0 = firstBoxNear(qz);
    const std::size_t intoBrick = xShare(x0) % BrickBytes;
    const std::size_t firstBrick = xShare(x0) - intoBrick;
    std::size_t yShares[Span];
    std::int32_t yApart[Span];
    for (std::int32_t y = 0; y < Span; ++y) {
        yShares[y] = yShare(y0 + y);
        yApart[y] = cubesApart(qy, y0 + y);
    }
    const auto& byDistance = rows.units[qx & 1];
    for (std::int32_t z = 0; z < Span; ++z) {
        const auto& byY = byDistance[cubesApart(qz, z0 + z)];
        std::uint8_t* const plane = units_ + zShare(z0 + z) + firstBrick;
        for (std::int32_t y = 0; y < Span; ++y) {
            // Byte i of the first brick's row takes the pattern's byte i - intoBrick, of the
            // second's i + Span - intoBrick; the padding's Cap leaves the rest as it was.
            const std::uint8_t* pattern = byY[yApart[y]] + Span - intoBrick;
            std::uint8_t* row = plane + yShares[y];
            for (std::size_t brick = 0; brick < 2; ++brick, row += BrickBytes, pattern += Span) {
#ifdef __SSE2__
                static_assert(Span == BrickRow);
                const __m128i lowered = _mm_min_epu8(_mm_load_si128(reinterpret_cast<const __m128i*>(row)),
                                                     _mm_loadu_si128(reinterpret_cast<const __m128i*>(pattern)));
                _mm_store_si128(reinterpret_cast<__m128i*>(row), lowered);
#else
                for (std::int32_t x = 0; x < Span; ++x)
                    row[x] = std::min(row[x], pattern[x]);
#endif
            }
        }
    }
}

double FarDistanceTable::bound(SpacePoint at, const std::int32_t* box, const bool* upper) const
{
    // Along each axis, the walker's box and the one next to it on the side of its half of it:
    // their slots' shares and the squares of the walker's distances to their centres.
    const double point[3] = {at.x, at.y, at.z};
    std::size_t share[3][2];
    float square[3][2];
    for (int axis = 0; axis < 3; ++axis) {
        // Counted, not chosen: which half the walker is in is a coin toss the processor would guess at.
        const std::int32_t boxes[2] = {box[axis], box[axis] + 2 * static_cast<std::int32_t>(upper[axis]) - 1};
        for (int which = 0; which < 2; ++which) {
            share[axis][which] = axis == 0 ? xShare(boxes[which]) : axis == 1 ? yShare(boxes[which]) : zShare(boxes[which]);
            const double d = point[axis] - (boxes[which] + 0.5) * boxSide_; // exact: sides are powers of 2
            square[axis][which] = static_cast<float>(d * d);
        }
    }
    std::int32_t units[8];
    for (int corner = 0; corner < 8; ++corner)
        units[corner] = units_[share[0][corner & 1] + share[1][(corner >> 1) & 1] + share[2][corner >> 2]];
    // Worked out in single precision: a hundred-thousandth of a box side is left as room.
    const auto scale = static_cast<float>(diametersPerUnit_);
#ifdef __SSE2__
    // The eight corners' squares and distances made in registers, four corners (x and y) a
    // vector: read back from memory as a vector, eight values stored one at a time would wait
    // for the stores to drain.
    const __m128 xy = _mm_add_ps(_mm_set_ps(square[0][1], square[0][0], square[0][1], square[0][0]),
                                 _mm_set_ps(square[1][1], square[1][1], square[1][0], square[1][0]));
    const __m128 lowSquares = _mm_add_ps(xy, _mm_set1_ps(square[2][0]));
    const __m128 highSquares = _mm_add_ps(xy, _mm_set1_ps(square[2][1]));
    const __m128 lowDistances = _mm_mul_ps(_mm_cvtepi32_ps(_mm_set_epi32(units[3], units[2], units[1], units[0])), _mm_set1_ps(scale));
    const __m128 highDistances = _mm_mul_ps(_mm_cvtepi32_ps(_mm_set_epi32(units[7], units[6], units[5], units[4])), _mm_set1_ps(scale));
    return largestLessRoot(lowDistances, lowSquares, highDistances, highSquares) - 1.0 - boxSide_ * 1e-5;
#else
    float distances[8];
    float squares[8];
    for (int corner = 0; corner < 8; ++corner) {
        distances[corner] = static_cast<float>(units[corner]) * scale;
        squares[corner] = (square[0][corner & 1] + square[1][(corner >> 1) & 1]) + square[2][corner >> 2];
    }
    return largestLessRoot(distances, squares) - 1.0 - boxSide_ * 1e-5;
#endif
}
