// SSE2 form of the 32-bit compose run: four pixels per step. It gives the plain
// form's results in every mode except COMPOSE_LIGHTEN with a < 255, where the source
// is weighted as (s * a) >> 8 instead of the rounded s * a / 255.

#include "image/blend_kernels.h"

#if VEMO_SSE2_KERNELS

#include <emmintrin.h>

#include <cstring>

#include "image/compose.h"

namespace {

const __m128i kAlphaMask = _mm_set1_epi32(static_cast<int>(0xFF000000u));

// Each pixel's alpha in its four 16-bit lanes, for two pixels widened to 16 bits.
inline __m128i spread_alpha(__m128i wide) {
    return _mm_shufflehi_epi16(_mm_shufflelo_epi16(wide, 0xFF), 0xFF);
}

// Pixels whose alpha is 255, as all-ones words.
inline __m128i opaque_pixels(__m128i s) {
    return _mm_cmpeq_epi32(_mm_and_si128(s, kAlphaMask), kAlphaMask);
}

inline __m128i select(__m128i mask, __m128i yes, __m128i no) {
    return _mm_or_si128(_mm_and_si128(mask, yes), _mm_andnot_si128(mask, no));
}

// Colour from colour, alpha byte from alpha.
inline __m128i with_alpha(__m128i colour, __m128i alpha) {
    return _mm_or_si128(_mm_andnot_si128(kAlphaMask, colour), _mm_and_si128(kAlphaMask, alpha));
}

__m128i compose_alpha4(__m128i s, __m128i d) {
    const __m128i zero = _mm_setzero_si128();
    const __m128i c256 = _mm_set1_epi16(256);
    __m128i s_lo = _mm_unpacklo_epi8(s, zero);
    __m128i s_hi = _mm_unpackhi_epi8(s, zero);
    __m128i a_lo = spread_alpha(s_lo);
    __m128i a_hi = spread_alpha(s_hi);
    // s * a + d * (256 - a) is at most 255 * 256 and fits an unsigned 16-bit lane.
    __m128i lo =
        _mm_add_epi16(_mm_mullo_epi16(s_lo, a_lo),
                      _mm_mullo_epi16(_mm_unpacklo_epi8(d, zero), _mm_sub_epi16(c256, a_lo)));
    __m128i hi =
        _mm_add_epi16(_mm_mullo_epi16(s_hi, a_hi),
                      _mm_mullo_epi16(_mm_unpackhi_epi8(d, zero), _mm_sub_epi16(c256, a_hi)));
    __m128i blended = _mm_packus_epi16(_mm_srli_epi16(lo, 8), _mm_srli_epi16(hi, 8));
    blended = with_alpha(blended, _mm_max_epu8(s, d));
    return select(opaque_pixels(s), _mm_or_si128(s, kAlphaMask), blended);
}

__m128i compose_lighten4(__m128i s, __m128i d) {
    const __m128i zero = _mm_setzero_si128();
    __m128i s_lo = _mm_unpacklo_epi8(s, zero);
    __m128i s_hi = _mm_unpackhi_epi8(s, zero);
    __m128i lo = _mm_srli_epi16(_mm_mullo_epi16(s_lo, spread_alpha(s_lo)), 8);
    __m128i hi = _mm_srli_epi16(_mm_mullo_epi16(s_hi, spread_alpha(s_hi)), 8);
    __m128i weighted = with_alpha(_mm_packus_epi16(lo, hi), s);
    return _mm_max_epu8(d, select(opaque_pixels(s), s, weighted));
}

__m128i compose_add4(__m128i s, __m128i d) {
    return with_alpha(_mm_adds_epu8(s, d), _mm_max_epu8(s, d));
}

template <class Op>
void compose_run(uint8_t* d, const uint8_t* s, int32_t count, Op op) {
    int32_t i = 0;
    for (; i + 4 <= count; i += 4) {
        __m128i sv =
            _mm_loadu_si128(reinterpret_cast<const __m128i*>(s + 4 * static_cast<int64_t>(i)));
        __m128i* dp = reinterpret_cast<__m128i*>(d + 4 * static_cast<int64_t>(i));
        _mm_storeu_si128(dp, op(sv, _mm_loadu_si128(dp)));
    }
    for (; i < count; ++i) {
        int32_t sw, dw;
        std::memcpy(&sw, s + 4 * static_cast<int64_t>(i), 4);
        std::memcpy(&dw, d + 4 * static_cast<int64_t>(i), 4);
        int32_t r = _mm_cvtsi128_si32(op(_mm_cvtsi32_si128(sw), _mm_cvtsi32_si128(dw)));
        std::memcpy(d + 4 * static_cast<int64_t>(i), &r, 4);
    }
}

// COMPOSE_ALPHA: groups of four opaque or four transparent source pixels (pictures
// and their empty margins) skip the blend; the results are the same.
void compose_alpha_run(uint8_t* d, const uint8_t* s, int32_t count) {
    const __m128i zero = _mm_setzero_si128();
    int32_t i = use_avx2_kernels() ? compose_alpha_run_avx2(d, s, count) : 0;
    for (; i + 4 <= count; i += 4) {
        __m128i sv =
            _mm_loadu_si128(reinterpret_cast<const __m128i*>(s + 4 * static_cast<int64_t>(i)));
        __m128i* dp = reinterpret_cast<__m128i*>(d + 4 * static_cast<int64_t>(i));
        __m128i alpha = _mm_and_si128(sv, kAlphaMask);
        if (_mm_movemask_epi8(_mm_cmpeq_epi32(alpha, kAlphaMask)) == 0xFFFF) {
            _mm_storeu_si128(dp, sv);
            continue;
        }
        if (_mm_movemask_epi8(_mm_cmpeq_epi32(alpha, zero)) == 0xFFFF) continue;
        _mm_storeu_si128(dp, compose_alpha4(sv, _mm_loadu_si128(dp)));
    }
    compose_run(d + 4 * static_cast<int64_t>(i), s + 4 * static_cast<int64_t>(i), count - i,
                compose_alpha4);
}

}  // namespace

void compose_run_sse2(uint8_t* destination, const uint8_t* source, int32_t count, int mode) {
    switch (mode) {
        case COMPOSE_ALPHA:
            compose_alpha_run(destination, source, count);
            break;
        case COMPOSE_OR:
            compose_run(destination, source, count,
                        [](__m128i s, __m128i d) { return _mm_or_si128(s, d); });
            break;
        case COMPOSE_ADD:
            compose_run(destination, source, count, compose_add4);
            break;
        case COMPOSE_COPY:
            std::memmove(destination, source, 4 * static_cast<size_t>(count));
            break;
        case COMPOSE_LIGHTEN:
            compose_run(destination, source, count, compose_lighten4);
            break;
        default:
            break;
    }
}

int64_t crossfade_run_sse2(const uint8_t* a, const uint8_t* b, uint8_t* out, int64_t count, int wa,
                           int wb, bool pixels) {
    const __m128i zero = _mm_setzero_si128();
    const __m128i weightA = _mm_set1_epi16(static_cast<int16_t>(wa));
    const __m128i weightB = _mm_set1_epi16(static_cast<int16_t>(wb));
    int64_t i = 0;
    for (; i + 16 <= count; i += 16) {
        const __m128i va = _mm_loadu_si128(reinterpret_cast<const __m128i*>(a + i));
        const __m128i vb = _mm_loadu_si128(reinterpret_cast<const __m128i*>(b + i));
        // A byte placed in the high half of a 16-bit lane is the byte times 256, and
        // the high half of its product with a weight below 256 is (byte * weight) >> 8
        // exactly. Each share stays below 256 and so does their sum (wa + wb <= 255).
        const __m128i lo = _mm_add_epi16(_mm_mulhi_epu16(_mm_unpacklo_epi8(zero, vb), weightB),
                                         _mm_mulhi_epu16(_mm_unpacklo_epi8(zero, va), weightA));
        const __m128i hi = _mm_add_epi16(_mm_mulhi_epu16(_mm_unpackhi_epi8(zero, vb), weightB),
                                         _mm_mulhi_epu16(_mm_unpackhi_epi8(zero, va), weightA));
        __m128i mixed = _mm_packus_epi16(lo, hi);
        if (pixels) mixed = with_alpha(mixed, _mm_max_epu8(va, vb));
        _mm_storeu_si128(reinterpret_cast<__m128i*>(out + i), mixed);
    }
    return i;
}

int64_t max_run_sse2(const uint8_t* a, const uint8_t* b, uint8_t* out, int64_t count) {
    int64_t i = 0;
    for (; i + 16 <= count; i += 16) {
        const __m128i va = _mm_loadu_si128(reinterpret_cast<const __m128i*>(a + i));
        const __m128i vb = _mm_loadu_si128(reinterpret_cast<const __m128i*>(b + i));
        _mm_storeu_si128(reinterpret_cast<__m128i*>(out + i), _mm_max_epu8(va, vb));
    }
    return i;
}

#endif
