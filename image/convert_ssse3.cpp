// SSSE3 form of the hand-over from 32 to 24 bits: sixteen pixels per step, the
// colour bytes gathered by byte shuffles into three words, the alpha bytes into one.

#include "image/blend_kernels.h"

#if VEMO_SSE2_KERNELS

#include <tmmintrin.h>

__attribute__((target("ssse3"))) int32_t split_alpha_row_ssse3(const uint8_t* source,
                                                               uint8_t* colour, uint8_t* alpha,
                                                               int32_t width) {
    const __m128i pick = _mm_setr_epi8(0, 1, 2, 4, 5, 6, 8, 9, 10, 12, 13, 14, -1, -1, -1, -1);
    // The alpha bytes of the k-th group of four pixels go to bytes 4k ... 4k + 3 (a
    // lane of -1 gives 0).
    const __m128i take0 =
        _mm_setr_epi8(3, 7, 11, 15, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1);
    const __m128i take1 =
        _mm_setr_epi8(-1, -1, -1, -1, 3, 7, 11, 15, -1, -1, -1, -1, -1, -1, -1, -1);
    const __m128i take2 =
        _mm_setr_epi8(-1, -1, -1, -1, -1, -1, -1, -1, 3, 7, 11, 15, -1, -1, -1, -1);
    const __m128i take3 =
        _mm_setr_epi8(-1, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1, 3, 7, 11, 15);
    int32_t x = 0;
    for (; x + 16 <= width; x += 16) {
        const uint8_t* s = source + 4 * static_cast<int64_t>(x);
        const __m128i v0 = _mm_loadu_si128(reinterpret_cast<const __m128i*>(s));
        const __m128i v1 = _mm_loadu_si128(reinterpret_cast<const __m128i*>(s + 16));
        const __m128i v2 = _mm_loadu_si128(reinterpret_cast<const __m128i*>(s + 32));
        const __m128i v3 = _mm_loadu_si128(reinterpret_cast<const __m128i*>(s + 48));
        const __m128i c0 = _mm_shuffle_epi8(v0, pick);
        const __m128i c1 = _mm_shuffle_epi8(v1, pick);
        const __m128i c2 = _mm_shuffle_epi8(v2, pick);
        const __m128i c3 = _mm_shuffle_epi8(v3, pick);
        uint8_t* d = colour + 3 * static_cast<int64_t>(x);
        _mm_storeu_si128(reinterpret_cast<__m128i*>(d), _mm_or_si128(c0, _mm_slli_si128(c1, 12)));
        _mm_storeu_si128(reinterpret_cast<__m128i*>(d + 16),
                         _mm_or_si128(_mm_srli_si128(c1, 4), _mm_slli_si128(c2, 8)));
        _mm_storeu_si128(reinterpret_cast<__m128i*>(d + 32),
                         _mm_or_si128(_mm_srli_si128(c2, 8), _mm_slli_si128(c3, 4)));
        const __m128i a =
            _mm_or_si128(_mm_or_si128(_mm_shuffle_epi8(v0, take0), _mm_shuffle_epi8(v1, take1)),
                         _mm_or_si128(_mm_shuffle_epi8(v2, take2), _mm_shuffle_epi8(v3, take3)));
        _mm_storeu_si128(reinterpret_cast<__m128i*>(alpha + x), a);
    }
    return x;
}

#endif
