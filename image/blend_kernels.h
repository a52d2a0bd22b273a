#pragma once
// The kernels of the 32-bit layout that have a packed SSE2 form: one compose run and
// the passes of the area-averaging scaler. The SSE2 forms are compiled on x86-64 only;
// VEMO_SSE2_KERNELS tells whether they exist. Internal to the image library.

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

// Horizontal pass over one 32-bit source row: out holds four sums (B, G, R, A) per
// result column.
void scale_row_sse2(const uint8_t* row, const ScaleTap* taps, const float* weights, int32_t columns,
                    float* out);
// acc[k] += weight * sums[k] for count reals.
void scale_accumulate_sse2(float* acc, const float* sums, float weight, int32_t count);
// Writes columns pixels: each real times factor, rounded to nearest (ties to even)
// and limited to 0 ... 255.
void scale_finish_sse2(const float* acc, float factor, int32_t columns, uint8_t* out);
#endif
