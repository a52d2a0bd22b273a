// Caption rendering: a full-frame 1920 x 1080 TEXT of two lines at 40 x 80 (the size a
// title card uses), measured, drawn through Pango and turned into the working layout,
// in milliseconds per caption. The first caption of a thread also loads its fonts; the
// benchmark's warm-up pays for that.

#include <benchmark/benchmark.h>

#include "image/image_buffer.h"
#include "image/text_render.h"

namespace {

void caption_frame(benchmark::State& state, int mode) {
    const int previous = set_image_mode(mode);
    const char* text = "Vemo スライドショー\r\n二〇二四年 夏の旅";
    ImagePtr warm(render_text_image(text, 1920, 1080, "ＭＳ ゴシック", 40, 80, kTextLineLeft,
                                    kTextPlaceMiddle, 0, {255, 255, 255, 255}, {0, 0, 0, 0}));
    if (!warm) state.SkipWithError("the caption could not be drawn");
    for (auto _ : state) {
        ImagePtr image(render_text_image(text, 1920, 1080, "ＭＳ ゴシック", 40, 80, kTextLineLeft,
                                         kTextPlaceMiddle, 0, {255, 255, 255, 255}, {0, 0, 0, 0}));
        benchmark::DoNotOptimize(image.get());
    }
    set_image_mode(previous);
}

void bm_caption_1080p_32(benchmark::State& state) {
    caption_frame(state, 32);
}
BENCHMARK(bm_caption_1080p_32)->Unit(benchmark::kMillisecond);

void bm_caption_1080p_24(benchmark::State& state) {
    caption_frame(state, 24);
}
BENCHMARK(bm_caption_1080p_24)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
