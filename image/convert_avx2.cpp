// AVX2 form of the hand-over from 32 to 24 bits: 32 pixels per step. Each group of
// eight pixels packs its colour bytes within each half with one byte shuffle and
// joins the halves with one word permutation; the alpha bytes are shifted down and
// packed.

#include "image/blend_kernels.h"

#if VEMO_SSE2_KERNELS

#include <immintrin.h>

__attribute__((target("avx2"))) int32_t split_alpha_row_avx2(const uint8_t* source, uint8_t* colour,
                                                             uint8_t* alpha, int32_t width) {
    // Per half: the twelve colour bytes of its four pixels first.
    const __m256i pick =
        _mm256_setr_epi8(0, 1, 2, 4, 5, 6, 8, 9, 10, 12, 13, 14, -1, -1, -1, -1,  //
                         0, 1, 2, 4, 5, 6, 8, 9, 10, 12, 13, 14, -1, -1, -1, -1);
    // The two halves' twelve bytes side by side: 24 bytes, then 8 left over.
    const __m256i join = _mm256_setr_epi32(0, 1, 2, 4, 5, 6, 3, 7);
    // The packs leave each group's alpha words split across the halves.
    const __m256i order = _mm256_setr_epi32(0, 4, 1, 5, 2, 6, 3, 7);
    int32_t x = 0;
    // Each group's store writes 8 bytes past its 24, which the next store overwrites;
    // the last one of a step needs 8 bytes (three pixels) of the row beyond the step.
    for (; x + 35 <= width; x += 32) {
        const uint8_t* s = source + 4 * static_cast<int64_t>(x);
        uint8_t* d = colour + 3 * static_cast<int64_t>(x);
        __m256i v[4];
        for (int k = 0; k < 4; ++k) {
            v[k] = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(s + 32 * k));
            const __m256i packed =
                _mm256_permutevar8x32_epi32(_mm256_shuffle_epi8(v[k], pick), join);
            _mm256_storeu_si256(reinterpret_cast<__m256i*>(d + 24 * k), packed);
        }
        const __m256i a01 =
            _mm256_packus_epi32(_mm256_srli_epi32(v[0], 24), _mm256_srli_epi32(v[1], 24));
        const __m256i a23 =
            _mm256_packus_epi32(_mm256_srli_epi32(v[2], 24), _mm256_srli_epi32(v[3], 24));
        _mm256_storeu_si256(reinterpret_cast<__m256i*>(alpha + x),
                            _mm256_permutevar8x32_epi32(_mm256_packus_epi16(a01, a23), order));
    }
    return x;
}

#endif
