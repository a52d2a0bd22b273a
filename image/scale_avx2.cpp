// AVX2 form of the area-averaging scaler's passes: two result columns (eight sums) per
// step of the horizontal pass, two result pixels per step of the vertical one. Each sum is
// built by the same multiplies and adds, in the same order, as in the SSE2 form; no
// fused multiply-add is used, which would round differently.

#include "image/blend_kernels.h"

#if VEMO_SSE2_KERNELS

#include <immintrin.h>

#include <cstdint>
#include <cstring>

#define VEMO_AVX2 __attribute__((target("avx2")))

namespace {

// The pairs of one row over `kTaps` taps (0: the count given at run time). A fixed
// count lets the compiler unroll the tap loop, which is most of the row's work.
template <int32_t kTaps>
VEMO_AVX2 inline void scale_pairs(const uint8_t* row, const int32_t* firsts, const float* weights,
                                  int32_t taps, int32_t columns, float* out, int64_t ahead) {
    if constexpr (kTaps > 0) taps = kTaps;
    const int32_t pairs = (columns + 1) / 2;
    for (int32_t j = 0; j < pairs; ++j) {
        const uint8_t* p0 = row + 4 * static_cast<int64_t>(firsts[2 * j]);
        const uint8_t* p1 = row + 4 * static_cast<int64_t>(firsts[2 * j + 1]);
        const float* w = weights + static_cast<int64_t>(j) * taps * 8;
        // The row after this one is asked for while this one is worked: the
        // processor's own prefetch does not keep up with the pass. (An address past
        // the image is only a hint, never read; it is made as a number.)
        _mm_prefetch(reinterpret_cast<const char*>(reinterpret_cast<uintptr_t>(p0) + ahead),
                     _MM_HINT_T0);
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

// The four pixels at p, broadcast to both lanes, as 16-bit words ordered so that one
// multiply-add of pairs takes pixels 0 and 1 (lane 0) or 2 and 3 (lane 1) channel by
// channel.
VEMO_AVX2 inline __m256i quad_words(const uint8_t* p) {
    const __m256i order =
        _mm256_setr_epi8(0, -1, 4, -1, 1, -1, 5, -1, 2, -1, 6, -1, 3, -1, 7, -1, 8, -1, 12, -1, 9,
                         -1, 13, -1, 10, -1, 14, -1, 11, -1, 15, -1);
    const __m128i four = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p));
    return _mm256_shuffle_epi8(_mm256_broadcastsi128_si256(four), order);
}

// One column's sums over 4 * kQuads taps, in 1024ths: lane 0 holds taps 0 and 1 (and
// 4 and 5 ...), lane 1 taps 2 and 3, each as B, G, R, A.
template <int32_t kQuads>
VEMO_AVX2 inline __m256i column_sums(const uint8_t* p, const __m256i* w) {
    __m256i acc = _mm256_madd_epi16(quad_words(p), _mm256_loadu_si256(w));
    for (int32_t q = 1; q < kQuads; ++q)
        acc = _mm256_add_epi32(
            acc, _mm256_madd_epi16(quad_words(p + 16 * q), _mm256_loadu_si256(w + q)));
    return acc;
}

// The whole-number form for columns of at most 4 * kQuads taps (see
// scale_row_words_avx2).
template <int32_t kQuads>
VEMO_AVX2 void scale_pairs_words(const uint8_t* row, const int32_t* firsts, const int16_t* words,
                                 int32_t columns, float* out, int64_t ahead) {
    const __m256 unit = _mm256_set1_ps(1.0f / 1024.0f);
    const int32_t pairs = (columns + 1) / 2;
    for (int32_t j = 0; j < pairs; ++j) {
        const uint8_t* p0 = row + 4 * static_cast<int64_t>(firsts[2 * j]);
        const uint8_t* p1 = row + 4 * static_cast<int64_t>(firsts[2 * j + 1]);
        const auto* w =
            reinterpret_cast<const __m256i*>(words) + static_cast<int64_t>(j) * 2 * kQuads;
        // The next row is asked for into the second-level cache only: the first holds
        // this row's pixels and sums, and a fetch into it measured 15 % slower.
        _mm_prefetch(reinterpret_cast<const char*>(reinterpret_cast<uintptr_t>(p0) + ahead),
                     _MM_HINT_T1);
        const __m256i a = column_sums<kQuads>(p0, w);
        const __m256i b = column_sums<kQuads>(p1, w + kQuads);
        // Lane 0 of both columns plus lane 1 of both: column 2j's four sums, then 2j + 1's.
        const __m256i sums = _mm256_add_epi32(_mm256_permute2x128_si256(a, b, 0x20),
                                              _mm256_permute2x128_si256(a, b, 0x31));
        const __m256 reals = _mm256_mul_ps(_mm256_cvtepi32_ps(sums), unit);
        if (2 * j + 1 < columns)
            _mm256_storeu_ps(out + 8 * static_cast<int64_t>(j), reals);
        else
            _mm_storeu_ps(out + 8 * static_cast<int64_t>(j), _mm256_castps256_ps128(reals));
    }
}

}  // namespace

VEMO_AVX2 void scale_row_words_avx2(const uint8_t* row, const int32_t* firsts, const int16_t* words,
                                    int32_t quads, int32_t columns, float* out, int64_t ahead) {
    if (quads == 1)
        scale_pairs_words<1>(row, firsts, words, columns, out, ahead);
    else
        scale_pairs_words<2>(row, firsts, words, columns, out, ahead);
}

// The pass forms by tap count: 1 ... 6 fixed, at 0 the one counting at run time.
using PairsPass = void (*)(const uint8_t*, const int32_t*, const float*, int32_t, int32_t, float*,
                           int64_t);
constexpr PairsPass kPairsPasses[] = {scale_pairs<0>, scale_pairs<1>, scale_pairs<2>,
                                      scale_pairs<3>, scale_pairs<4>, scale_pairs<5>,
                                      scale_pairs<6>};

VEMO_AVX2 void scale_row_avx2(const uint8_t* row, const int32_t* firsts, const float* weights,
                              int32_t taps, int32_t columns, float* out, int64_t ahead) {
    const PairsPass pass = taps >= 1 && taps <= 6 ? kPairsPasses[taps] : kPairsPasses[0];
    pass(row, firsts, weights, taps, columns, out, ahead);
}

VEMO_AVX2 void scale_accumulate_avx2(float* acc, const float* sums, float weight, int32_t count) {
    const __m256 w = _mm256_set1_ps(weight);
    int32_t k = 0;
    for (; k + 8 <= count; k += 8)
        _mm256_storeu_ps(acc + k, _mm256_add_ps(_mm256_loadu_ps(acc + k),
                                                _mm256_mul_ps(w, _mm256_loadu_ps(sums + k))));
    for (; k < count; ++k) acc[k] += weight * sums[k];
}

namespace {

// Result pixels i and i + 1 as four 16-bit words each, saturated.
VEMO_AVX2 inline __m128i vertical_two(const float* const* sums, const float* weights, int32_t count,
                                      __m256 factor, int64_t i) {
    __m256 acc = _mm256_setzero_ps();
    for (int32_t r = 0; r < count; ++r)
        acc = _mm256_add_ps(
            acc, _mm256_mul_ps(_mm256_set1_ps(weights[r]), _mm256_loadu_ps(sums[r] + 4 * i)));
    const __m256i v = _mm256_cvtps_epi32(_mm256_mul_ps(acc, factor));
    return _mm_packs_epi32(_mm256_castsi256_si128(v), _mm256_extracti128_si256(v, 1));
}

}  // namespace

// The vertical and the finishing pass in one sweep, four result pixels a step: each
// real is 0 plus the row-weighted sums added in the given row order, as the
// accumulating pass adds them, times the factor, rounded to nearest (ties to even)
// and limited to 0 ... 255, as the finishing pass makes it.
VEMO_AVX2 void scale_vertical_avx2(const float* const* sums, const float* weights, int32_t count,
                                   float factor, int32_t columns, uint8_t* out) {
    const __m256 f = _mm256_set1_ps(factor);
    int64_t i = 0;
    for (; i + 4 <= columns; i += 4)
        _mm_storeu_si128(reinterpret_cast<__m128i*>(out + 4 * i),
                         _mm_packus_epi16(vertical_two(sums, weights, count, f, i),
                                          vertical_two(sums, weights, count, f, i + 2)));
    for (; i < columns; ++i) {
        __m128 acc = _mm_setzero_ps();
        for (int32_t r = 0; r < count; ++r)
            acc =
                _mm_add_ps(acc, _mm_mul_ps(_mm_set1_ps(weights[r]), _mm_loadu_ps(sums[r] + 4 * i)));
        const __m128i v = _mm_cvtps_epi32(_mm_mul_ps(acc, _mm256_castps256_ps128(f)));
        const int32_t word = _mm_cvtsi128_si32(_mm_packus_epi16(_mm_packs_epi32(v, v), v));
        std::memcpy(out + 4 * i, &word, 4);
    }
}

#endif
