// AVX2 forms of the 32-bit COMPOSE_ALPHA run (eight pixels per step) and of the
// cross-fade (32 bytes per step), each giving exactly the SSE2 form's results.

#include "image/blend_kernels.h"

#if VEMO_SSE2_KERNELS

#include <immintrin.h>

namespace {

#define VEMO_AVX2 __attribute__((target("avx2")))

// s * a + d * (256 - a) >> 8 per colour, the larger alpha, opaque sources copied.
// The sum is at most 255 * 256, so it equals (s - d) * a + d * 256 taken modulo 2^16:
// one multiply per 16-bit lane. The even bytes (blue, red) and the odd bytes (green,
// alpha) are worked in place in their lanes, so nothing is unpacked. An opaque
// source weighs 256, which gives s exactly.
VEMO_AVX2 inline __m256i compose_alpha8(__m256i s, __m256i d) {
    const __m256i lowBytes = _mm256_set1_epi16(0x00FF);
    const __m256i highBytes = _mm256_set1_epi16(static_cast<int16_t>(0xFF00));
    const __m256i alphaMask = _mm256_set1_epi32(static_cast<int>(0xFF000000u));
    // Each pixel's alpha into both of its 16-bit lanes.
    const __m256i spread =
        _mm256_setr_epi8(3, -1, 3, -1, 7, -1, 7, -1, 11, -1, 11, -1, 15, -1, 15, -1,  //
                         3, -1, 3, -1, 7, -1, 7, -1, 11, -1, 11, -1, 15, -1, 15, -1);
    __m256i a = _mm256_shuffle_epi8(s, spread);
    a = _mm256_sub_epi16(a, _mm256_cmpeq_epi16(a, _mm256_set1_epi16(255)));
    const __m256i even = _mm256_add_epi16(
        _mm256_mullo_epi16(
            _mm256_sub_epi16(_mm256_and_si256(s, lowBytes), _mm256_and_si256(d, lowBytes)), a),
        _mm256_slli_epi16(d, 8));
    const __m256i odd = _mm256_add_epi16(
        _mm256_mullo_epi16(_mm256_sub_epi16(_mm256_srli_epi16(s, 8), _mm256_srli_epi16(d, 8)), a),
        _mm256_and_si256(d, highBytes));
    const __m256i blended =
        _mm256_or_si256(_mm256_srli_epi16(even, 8), _mm256_and_si256(odd, highBytes));
    return _mm256_blendv_epi8(blended, _mm256_max_epu8(s, d), alphaMask);
}

}  // namespace

// Groups of eight opaque or eight transparent source pixels skip the blend, as the
// SSE2 form's groups of four do; the results are the same.
VEMO_AVX2 int32_t compose_alpha_run_avx2(uint8_t* destination, const uint8_t* source,
                                         int32_t count) {
    const __m256i alphaMask = _mm256_set1_epi32(static_cast<int>(0xFF000000u));
    int32_t i = 0;
    for (; i + 8 <= count; i += 8) {
        const __m256i s = _mm256_loadu_si256(
            reinterpret_cast<const __m256i*>(source + 4 * static_cast<int64_t>(i)));
        auto* d = reinterpret_cast<__m256i*>(destination + 4 * static_cast<int64_t>(i));
        // Every alpha byte set: opaque; none set: transparent.
        if (_mm256_testc_si256(s, alphaMask)) {
            _mm256_storeu_si256(d, s);
            continue;
        }
        if (_mm256_testz_si256(s, alphaMask)) continue;
        _mm256_storeu_si256(d, compose_alpha8(s, _mm256_loadu_si256(d)));
    }
    return i;
}

// A byte times 256 is the byte in the high half of a 16-bit lane: the odd bytes as
// they stand, the even ones shifted up. The high half of its product with a weight
// below 256 is (byte * weight) >> 8, as the SSE2 form computes it after unpacking.
VEMO_AVX2 int64_t crossfade_run_avx2(const uint8_t* a, const uint8_t* b, uint8_t* out,
                                     int64_t count, int wa, int wb, bool pixels) {
    const __m256i highBytes = _mm256_set1_epi16(static_cast<int16_t>(0xFF00));
    const __m256i alphaMask = _mm256_set1_epi32(static_cast<int>(0xFF000000u));
    const __m256i weightA = _mm256_set1_epi16(static_cast<int16_t>(wa));
    const __m256i weightB = _mm256_set1_epi16(static_cast<int16_t>(wb));
    int64_t i = 0;
    for (; i + 32 <= count; i += 32) {
        const __m256i va = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(a + i));
        const __m256i vb = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(b + i));
        const __m256i even =
            _mm256_add_epi16(_mm256_mulhi_epu16(_mm256_slli_epi16(vb, 8), weightB),
                             _mm256_mulhi_epu16(_mm256_slli_epi16(va, 8), weightA));
        const __m256i odd =
            _mm256_add_epi16(_mm256_mulhi_epu16(_mm256_and_si256(vb, highBytes), weightB),
                             _mm256_mulhi_epu16(_mm256_and_si256(va, highBytes), weightA));
        __m256i mixed = _mm256_or_si256(even, _mm256_slli_epi16(odd, 8));
        if (pixels) mixed = _mm256_blendv_epi8(mixed, _mm256_max_epu8(va, vb), alphaMask);
        _mm256_storeu_si256(reinterpret_cast<__m256i*>(out + i), mixed);
    }
    return i;
}

#endif
