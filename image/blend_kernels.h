#pragma once
// The kernels of the 32-bit layout that have a packed SSE2 form: one compose run, the
// cross-fade and the passes of the area-averaging scaler. The SSE2 forms are compiled on x86-64
// only; VEMO_SSE2_KERNELS tells whether they exist. Internal to the image library.

#include <cstdint>

#include "image/cpu_features.h"

#if defined(__x86_64__)
#define VEMO_SSE2_KERNELS 1
#else
#define VEMO_SSE2_KERNELS 0
#endif

// True when the SSE2 forms exist and the processor-feature word allows them.
inline bool use_sse2_kernels() {
    return VEMO_SSE2_KERNELS && (get_cpu_features() & kCpuSSE2) != 0;
}

// True when the SSSE3 forms exist and the processor-feature word allows them.
inline bool use_ssse3_kernels() {
    return VEMO_SSE2_KERNELS && (get_cpu_features() & kCpuSSSE3) != 0;
}

// True when the AVX2 forms exist and the processor-feature word allows them.
inline bool use_avx2_kernels() {
    return VEMO_SSE2_KERNELS && (get_cpu_features() & kCpuAVX2) != 0;
}

// One whole row of the hand-over from 32 to 24 bits (colour bytes to `colour`, alpha
// bytes to `alpha`), packed where the processor allows.
void split_alpha_row(const uint8_t* source, uint8_t* colour, uint8_t* alpha, int32_t width);

// Per result column of the scaler: the first source column, how many source columns
// it takes, and where its weights start in the weight list.
struct ScaleTap {
    int32_t first = 0;
    int32_t count = 0;
    int32_t weight = 0;
};

#if VEMO_SSE2_KERNELS
// count pixels of the 32-bit source run drawn over the destination run, one mode.
void compose_run_sse2(uint8_t* destination, const uint8_t* source, int32_t count, int mode);

// The cross-fade of two byte runs, every byte (b * wb >> 8) + (a * wa >> 8); with
// `pixels` the runs are 32-bit pixels and each alpha byte is the larger of the two.
// Whole blocks of 16 bytes only: the count done, the rest is the caller's.
int64_t crossfade_run_sse2(const uint8_t* a, const uint8_t* b, uint8_t* out, int64_t count, int wa,
                           int wb, bool pixels);
// The same with AVX2, whole blocks of 32 bytes.
int64_t crossfade_run_avx2(const uint8_t* a, const uint8_t* b, uint8_t* out, int64_t count, int wa,
                           int wb, bool pixels);
// COMPOSE_ALPHA over whole groups of eight 32-bit pixels, with the SSE2 form's
// results; returns the pixels done, the rest is the caller's.
int32_t compose_alpha_run_avx2(uint8_t* destination, const uint8_t* source, int32_t count);
// out[i] = max(a[i], b[i]) over whole groups of 16 bytes; returns the bytes done.
int64_t max_run_sse2(const uint8_t* a, const uint8_t* b, uint8_t* out, int64_t count);
// One row of the hand-over from 32 to 24 bits: the colour bytes of each pixel to
// `colour`, its alpha byte to `alpha`. Whole groups of 16 pixels only: the pixels
// done, the rest is the caller's.
int32_t split_alpha_row_ssse3(const uint8_t* source, uint8_t* colour, uint8_t* alpha,
                              int32_t width);
// The same with AVX2, 32 pixels per step while three more pixels follow in the row.
int32_t split_alpha_row_avx2(const uint8_t* source, uint8_t* colour, uint8_t* alpha, int32_t width);
// Horizontal pass over one 32-bit source row: out holds four sums (B, G, R, A) per
// result column. `ahead` is the distance in bytes from a pixel of this row to the
// same pixel of the row passed next, which is fetched into the cache meanwhile.
void scale_row_sse2(const uint8_t* row, const ScaleTap* taps, const float* weights, int32_t columns,
                    float* out, int64_t ahead);
// acc[k] += weight * sums[k] for count reals.
void scale_accumulate_sse2(float* acc, const float* sums, float weight, int32_t count);
// Writes columns pixels: each real times factor, rounded to nearest (ties to even)
// and limited to 0 ... 255.
void scale_finish_sse2(const float* acc, float factor, int32_t columns, uint8_t* out);
// Horizontal pass of the AVX2 form: result columns in pairs, each pair's pixels from
// firsts[2j] and firsts[2j + 1] over `taps` taps, its weights eight floats per tap.
void scale_row_avx2(const uint8_t* row, const int32_t* firsts, const float* weights, int32_t taps,
                    int32_t columns, float* out, int64_t ahead);
// The same pass in whole numbers, for columns of at most eight taps. A weight is a
// whole number of 1024ths (at most 1024) and a pixel a byte, so every partial sum of
// the float form is a whole number of 1024ths below 2^24: exact in any order. Here each
// sum is made in 32-bit integers and scaled by 1/1024 once, which gives the float
// form's bits. Each column reads 4 * quads pixels (quads 1 or 2) from its first; its
// weights are 16 words per four taps: [w0 w1] four times, then [w2 w3] four times.
void scale_row_words_avx2(const uint8_t* row, const int32_t* firsts, const int16_t* words,
                          int32_t quads, int32_t columns, float* out, int64_t ahead);
void scale_accumulate_avx2(float* acc, const float* sums, float weight, int32_t count);
// The accumulating and the finishing pass of one result row at once: `count` rows of
// sums with their weights, the finished pixels to out.
void scale_vertical_avx2(const float* const* sums, const float* weights, int32_t count,
                         float factor, int32_t columns, uint8_t* out);
#endif
