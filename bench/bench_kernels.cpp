// The pixel kernels a render spends its time in, each beside a reference measured in
// the same run:
//   compose_image COMPOSE_ALPHA of a 1920 x 1080 32-bit image vs a plain copy of the
//     same bytes;
//   scale_image 4000 x 3000 -> 1920 x 1080 vs swscale SWS_AREA on the same BGRA data;
//   crossfade_image and rotate_image (30 degrees) of 1920 x 1080, per megapixel.
// The 32-bit kernels run the form the processor-feature word picks; the "Plain"
// variants force the plain forms.

#include <benchmark/benchmark.h>

extern "C" {
#include <libavutil/pixfmt.h>
#include <libswscale/swscale.h>
}

#include <algorithm>
#include <chrono>
#include <cstring>
#include <random>
#include <vector>

#include "image/compose.h"
#include "image/cpu_features.h"
#include "image/image_buffer.h"
#include "image/transform.h"

namespace {

constexpr int32_t kFrameW = 1920;
constexpr int32_t kFrameH = 1080;
constexpr int32_t kPhotoW = 4000;
constexpr int32_t kPhotoH = 3000;

// A 32-bit picture of noise; alpha_mode 0: random alpha (the worst case for the
// blend), 1: opaque.
ImagePtr noise_picture(int32_t width, int32_t height, int alpha_mode, uint32_t seed) {
    ImagePtr image(create_image32(width, height));
    std::mt19937 random(seed);
    const int64_t words = static_cast<int64_t>(width) * height;
    for (int64_t i = 0; i < words; ++i) {
        uint32_t v = random();
        if (alpha_mode == 1) v |= 0xFF000000u;
        std::memcpy(image->pixels + 4 * i, &v, 4);
    }
    return image;
}

uint32_t probed_features() {
    static const uint32_t features = detect_cpu_features();
    return features;
}

double megapixels(int64_t pixels) {
    return static_cast<double>(pixels) / 1e6;
}

// Seconds per megapixel as a counter.
void per_megapixel(benchmark::State& state, int64_t pixels) {
    state.counters["s_per_MP"] =
        benchmark::Counter(megapixels(pixels), benchmark::Counter::kIsIterationInvariantRate |
                                                   benchmark::Counter::kInvert);
}

void bm_copy_frame_bytes(benchmark::State& state) {
    ImagePtr src = noise_picture(kFrameW, kFrameH, 0, 1);
    ImagePtr dst = noise_picture(kFrameW, kFrameH, 1, 2);
    const size_t bytes = static_cast<size_t>(src->stride) * src->height;
    for (auto _ : state) {
        std::memcpy(dst->pixels, src->pixels, bytes);
        benchmark::ClobberMemory();
    }
    state.SetBytesProcessed(static_cast<int64_t>(bytes) * state.iterations());
}
BENCHMARK(bm_copy_frame_bytes)->Unit(benchmark::kMillisecond);

// Each iteration also copies the source over the destination, timed on its own (the
// blend's cost does not depend on the destination's values): "x_copy" is the fastest
// compose over the fastest copy of the run, a ratio that holds on a machine whose
// speed drifts between one benchmark and the next.
void compose_alpha(benchmark::State& state, uint32_t features, int alpha_mode = 0) {
    CpuFeaturesOverride use(features);
    ImagePtr src = noise_picture(kFrameW, kFrameH, alpha_mode, 1);
    ImagePtr dst = noise_picture(kFrameW, kFrameH, 1, 2);
    const size_t bytes = static_cast<size_t>(src->stride) * src->height;
    using Clock = std::chrono::steady_clock;
    double fastestCompose = 1e9, fastestCopy = 1e9;
    for (auto _ : state) {
        const auto start = Clock::now();
        compose_image(dst.get(), src.get(), 0, 0, COMPOSE_ALPHA);
        benchmark::ClobberMemory();
        const auto composed = Clock::now();
        std::memcpy(dst->pixels, src->pixels, bytes);
        benchmark::ClobberMemory();
        const auto copied = Clock::now();
        const double took = std::chrono::duration<double>(composed - start).count();
        fastestCompose = std::min(fastestCompose, took);
        fastestCopy =
            std::min(fastestCopy, std::chrono::duration<double>(copied - composed).count());
        state.SetIterationTime(took);
    }
    state.SetBytesProcessed(static_cast<int64_t>(bytes) * state.iterations());
    state.counters["x_copy"] = fastestCompose / fastestCopy;
}
void bm_compose_alpha(benchmark::State& state) {
    compose_alpha(state, probed_features());
}
void bm_compose_alpha_plain(benchmark::State& state) {
    compose_alpha(state, 0);
}
// An opaque picture, the common case of a frame.
void bm_compose_alpha_opaque(benchmark::State& state) {
    compose_alpha(state, probed_features(), 1);
}
BENCHMARK(bm_compose_alpha)->UseManualTime()->Unit(benchmark::kMillisecond);
BENCHMARK(bm_compose_alpha_plain)->UseManualTime()->Unit(benchmark::kMillisecond);
BENCHMARK(bm_compose_alpha_opaque)->UseManualTime()->Unit(benchmark::kMillisecond);

void scale_photo(benchmark::State& state, uint32_t features) {
    CpuFeaturesOverride use(features);
    ImagePtr src = noise_picture(kPhotoW, kPhotoH, 1, 3);
    for (auto _ : state) {
        ImagePtr out(scale_image(src.get(), 0, 0, kFrameW * 1024, kFrameH * 1024, 0, 0,
                                 kPhotoW * 1024, kPhotoH * 1024));
        benchmark::DoNotOptimize(out.get());
    }
}
void bm_scale_image(benchmark::State& state) {
    scale_photo(state, probed_features());
}
void bm_scale_image_plain(benchmark::State& state) {
    scale_photo(state, 0);
}
BENCHMARK(bm_scale_image)->Unit(benchmark::kMillisecond);
BENCHMARK(bm_scale_image_plain)->Unit(benchmark::kMillisecond);

// FFmpeg's area scaler on the same BGRA bytes, into a buffer allocated once (ours
// allocates its result on every call). Rows are handed over top row first.
void bm_swscale_area(benchmark::State& state) {
    ImagePtr src = noise_picture(kPhotoW, kPhotoH, 1, 3);
    SwsContext* context = sws_getContext(kPhotoW, kPhotoH, AV_PIX_FMT_BGRA, kFrameW, kFrameH,
                                         AV_PIX_FMT_BGRA, SWS_AREA, nullptr, nullptr, nullptr);
    if (!context) {
        state.SkipWithError("sws_getContext failed");
        return;
    }
    std::vector<uint8_t> out(static_cast<size_t>(kFrameW) * kFrameH * 4);
    const uint8_t* src_planes[1] = {image_row(src.get(), 0)};
    const int src_strides[1] = {-src->stride};
    uint8_t* dst_planes[1] = {out.data()};
    const int dst_strides[1] = {kFrameW * 4};
    for (auto _ : state) {
        sws_scale(context, src_planes, src_strides, 0, kPhotoH, dst_planes, dst_strides);
        benchmark::ClobberMemory();
    }
    sws_freeContext(context);
}
BENCHMARK(bm_swscale_area)->Unit(benchmark::kMillisecond);

void bm_crossfade_image(benchmark::State& state) {
    ImagePtr a = noise_picture(kFrameW, kFrameH, 0, 4);
    ImagePtr b = noise_picture(kFrameW, kFrameH, 0, 5);
    for (auto _ : state) {
        ImagePtr out(crossfade_image(a.get(), b.get(), 37));
        benchmark::DoNotOptimize(out.get());
    }
    per_megapixel(state, int64_t{kFrameW} * kFrameH);
}
BENCHMARK(bm_crossfade_image)->Unit(benchmark::kMillisecond);

void bm_rotate_image30(benchmark::State& state) {
    ImagePtr src = noise_picture(kFrameW, kFrameH, 0, 6);
    for (auto _ : state) {
        ImagePtr out(rotate_image(src.get(), 30));
        benchmark::DoNotOptimize(out.get());
    }
    per_megapixel(state, int64_t{kFrameW} * kFrameH);
}
BENCHMARK(bm_rotate_image30)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
