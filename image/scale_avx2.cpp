// AVX2 form of the area-averaging scaler's passes: two result columns (eight sums) per
// step of the horizontal pass, eight sums per step of the vertical one. Each sum is
// built by the same multiplies and adds, in the same order, as in the SSE2 form; no
// fused multiply-add is used, which would round differently.

#include "image/blend_kernels.h"

#if VEMO_SSE2_KERNELS

#include <immintrin.h>

#include <cstring>

#define VEMO_AVX2 __attribute__((target("avx2")))

VEMO_AVX2 void scale_row_avx2(const uint8_t* row, const int32_t* firsts, const float* weights,
                              int32_t taps, int32_t columns, float* out) {
    const int32_t pairs = (columns + 1) / 2;
    for (int32_t j = 0; j < pairs; ++j) {
        const uint8_t* p0 = row + 4 * static_cast<int64_t>(firsts[2 * j]);
        const uint8_t* p1 = row + 4 * static_cast<int64_t>(firsts[2 * j + 1]);
        const float* w = weights + static_cast<int64_t>(j) * taps * 8;
        __m256 acc = _mm256_setzero_ps();
        for (int32_t k = 0; k < taps; ++k) {
            int32_t a, b;
            std::memcpy(&a, p0 + 4 * k, 4);
            std::memcpy(&b, p1 + 4 * k, 4);
            const __m128i two = _mm_unpacklo_epi32(_mm_cvtsi32_si128(a), _mm_cvtsi32_si128(b));
            const __m256 px = _mm256_cvtepi32_ps(_mm256_cvtepu8_epi32(two));
            acc = _mm256_add_ps(acc, _mm256_mul_ps(_mm256_loadu_ps(w + 8 * k), px));
        }
        if (2 * j + 1 < columns)
            _mm256_storeu_ps(out + 8 * static_cast<int64_t>(j), acc);
        else
            _mm_storeu_ps(out + 8 * static_cast<int64_t>(j), _mm256_castps256_ps128(acc));
    }
}

VEMO_AVX2 void scale_accumulate_avx2(float* acc, const float* sums, float weight, int32_t count) {
    const __m256 w = _mm256_set1_ps(weight);
    int32_t k = 0;
    for (; k + 8 <= count; k += 8)
        _mm256_storeu_ps(acc + k, _mm256_add_ps(_mm256_loadu_ps(acc + k),
                                                _mm256_mul_ps(w, _mm256_loadu_ps(sums + k))));
    for (; k < count; ++k) acc[k] += weight * sums[k];
}

#endif
