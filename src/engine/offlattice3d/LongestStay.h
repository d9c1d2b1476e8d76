#pragma once

#ifdef __SSE2__
#include <emmintrin.h>
#endif

/// Of eight balls, the k-th of radius distances[k] - less about a centre squares[k] away (squared)
/// from a point, the one that holds the point and in which Brownian motion from it stays longest
/// on average, -1 if none holds it: the mean time is (r^2 - s^2) / 3 for a ball of radius r and a
/// start s from its centre, so the largest r^2 - s^2 above 0 among r above 0, the first of equals.
/// In single precision, both ways below with the same operations in the same order.
inline int longestStay(const float* distances, const float* squares, float less)
{
#ifdef __SSE2__
    const __m128 lowRadii = _mm_sub_ps(_mm_loadu_ps(distances), _mm_set1_ps(less));
    const __m128 highRadii = _mm_sub_ps(_mm_loadu_ps(distances + 4), _mm_set1_ps(less));
    // A ball of no radius counts as 0, which never wins.
    const __m128 low = _mm_and_ps(_mm_cmpgt_ps(lowRadii, _mm_setzero_ps()),
                                  _mm_sub_ps(_mm_mul_ps(lowRadii, lowRadii), _mm_loadu_ps(squares)));
    const __m128 high = _mm_and_ps(_mm_cmpgt_ps(highRadii, _mm_setzero_ps()),
                                   _mm_sub_ps(_mm_mul_ps(highRadii, highRadii), _mm_loadu_ps(squares + 4)));
    __m128 best = _mm_max_ps(low, high);
    best = _mm_max_ps(best, _mm_movehl_ps(best, best));
    best = _mm_max_ps(best, _mm_shuffle_ps(best, best, 1));
    best = _mm_shuffle_ps(best, best, 0);
    const int which = _mm_movemask_ps(_mm_cmpeq_ps(low, best)) | (_mm_movemask_ps(_mm_cmpeq_ps(high, best)) << 4);
    return _mm_cvtss_f32(best) > 0.0f ? __builtin_ctz(static_cast<unsigned>(which)) : -1;
#else
    int which = -1;
    float best = 0.0f;
    for (int k = 0; k < 8; ++k) {
        const float radius = distances[k] - less;
        const float stay = radius * radius - squares[k];
        if (radius > 0.0f && stay > best) {
            best = stay;
            which = k;
        }
    }
    return which;
#endif
}
