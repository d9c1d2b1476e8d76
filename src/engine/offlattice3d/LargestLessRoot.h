#pragma once

#include <algorithm>
#include <cmath>
#ifdef __SSE2__
#include <emmintrin.h>
#endif

#ifdef __SSE2__
/// The largest of distances - sqrt(squares) over the lanes of two pairs of vectors.
inline double largestLessRoot(__m128 lowDistances, __m128 lowSquares, __m128 highDistances, __m128 highSquares)
{
    const __m128 low = _mm_sub_ps(lowDistances, _mm_sqrt_ps(lowSquares));
    const __m128 high = _mm_sub_ps(highDistances, _mm_sqrt_ps(highSquares));
    __m128 best = _mm_max_ps(low, high);
    best = _mm_max_ps(best, _mm_movehl_ps(best, best));
    best = _mm_max_ss(best, _mm_shuffle_ps(best, best, 1));
    return _mm_cvtss_f32(best);
}
#endif

/// The largest distances[k] - sqrt(squares[k]) of eight, in single precision: SSE's square root
/// is IEEE's, correctly rounded, so both ways give the same bits. Its error is a few units in the
/// last place of the largest distance or root.
inline double largestLessRoot(const float* distances, const float* squares)
{
#ifdef __SSE2__
    return largestLessRoot(_mm_loadu_ps(distances), _mm_loadu_ps(squares), _mm_loadu_ps(distances + 4), _mm_loadu_ps(squares + 4));
#else
    float best = distances[0] - std::sqrt(squares[0]);
    for (int corner = 1; corner < 8; ++corner)
        best = std::max(best, distances[corner] - std::sqrt(squares[corner]));
    return best;
#endif
}
