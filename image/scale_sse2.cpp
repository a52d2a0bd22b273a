// SSE2 kernels of the 32-bit area-averaging scaler: the four channels of a pixel in
// one packed register. The sums are the plain form's, operation for operation; only
// the final rounding differs (to nearest with ties to even instead of adding 0.5 and
// truncating).

#include "image/blend_kernels.h"

#if VEMO_SSE2_KERNELS

#include <emmintrin.h>

#include <cstdint>
#include <cstring>

void scale_row_sse2(const uint8_t* row, const ScaleTap* taps, const float* weights, int32_t columns,
                    float* out, int64_t ahead) {
    const __m128i zero = _mm_setzero_si128();
    for (int32_t i = 0; i < columns; ++i) {
        const ScaleTap& t = taps[i];
        const uint8_t* p = row + 4 * static_cast<int64_t>(t.first);
        const float* w = weights + t.weight;
        _mm_prefetch(reinterpret_cast<const char*>(reinterpret_cast<uintptr_t>(p) + ahead),
                     _MM_HINT_T0);
        __m128 acc = _mm_setzero_ps();
        for (int32_t k = 0; k < t.count; ++k, p += 4) {
            int32_t word;
            std::memcpy(&word, p, 4);
            __m128i px = _mm_unpacklo_epi16(_mm_unpacklo_epi8(_mm_cvtsi32_si128(word), zero), zero);
            acc = _mm_add_ps(acc, _mm_mul_ps(_mm_set1_ps(w[k]), _mm_cvtepi32_ps(px)));
        }
        _mm_storeu_ps(out + 4 * static_cast<int64_t>(i), acc);
    }
}

void scale_accumulate_sse2(float* acc, const float* sums, float weight, int32_t count) {
    const __m128 w = _mm_set1_ps(weight);
    int32_t k = 0;
    for (; k + 4 <= count; k += 4)
        _mm_storeu_ps(acc + k,
                      _mm_add_ps(_mm_loadu_ps(acc + k), _mm_mul_ps(w, _mm_loadu_ps(sums + k))));
    for (; k < count; ++k) acc[k] += weight * sums[k];
}

void scale_finish_sse2(const float* acc, float factor, int32_t columns, uint8_t* out) {
    const __m128 f = _mm_set1_ps(factor);
    auto pixel = [&](int64_t i) {
        return _mm_cvtps_epi32(_mm_mul_ps(_mm_loadu_ps(acc + 4 * i), f));
    };
    int64_t i = 0;
    for (; i + 4 <= columns; i += 4) {
        __m128i lo = _mm_packs_epi32(pixel(i), pixel(i + 1));
        __m128i hi = _mm_packs_epi32(pixel(i + 2), pixel(i + 3));
        _mm_storeu_si128(reinterpret_cast<__m128i*>(out + 4 * i), _mm_packus_epi16(lo, hi));
    }
    for (; i < columns; ++i) {
        __m128i v = pixel(i);
        int32_t word = _mm_cvtsi128_si32(_mm_packus_epi16(_mm_packs_epi32(v, v), v));
        std::memcpy(out + 4 * i, &word, 4);
    }
}

#endif
