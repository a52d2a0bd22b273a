// One MOVIE frame of a 1920 x 1080 clip, asked in order as the render engine asks
// (the clip decodes forward from one frame to the next): decoding, conversion to
// the working layout, fitting into the screen and composing over BGCOLOR, in
// milliseconds per frame. The clip (MPEG-4 part 2, key frame every 12) is written
// by the benchmark.

#include <benchmark/benchmark.h>
#include <unistd.h>

#include <filesystem>

#include "output/tests/clip_fixtures.h"
#include "scene/scene_source.h"

namespace {

struct Screen1080 : SceneOwner {
    int32_t GetScreenWidth() const override { return 1920; }
    int32_t GetScreenHeight() const override { return 1080; }
};

void bm_movie_frame_1080p(benchmark::State& state) {
    const auto folder =
        std::filesystem::temp_directory_path() / ("vemo-bench-movie-" + std::to_string(::getpid()));
    std::filesystem::create_directories(folder);
    clip_fixtures::ClipRecipe recipe;
    recipe.muxer = "avi";
    recipe.encoder = "mpeg4";
    recipe.pixelFormat = AV_PIX_FMT_YUV420P;
    recipe.width = 1920;
    recipe.height = 1080;
    recipe.frames = 120;
    recipe.gop = 12;
    recipe.flat = true;
    if (!clip_fixtures::write_clip((folder / "clip.avi").string(), recipe)) {
        state.SkipWithError("no MPEG-4 encoder to make the clip");
        return;
    }
    Screen1080 screen;
    CSceneMovie movie;
    movie.Attach(&screen);
    movie.SetFolder(folder.string());
    movie.EditSettings().file = "clip.avi";
    movie.EditSettings().frames = recipe.frames;
    if (movie.Validate(nullptr) != 0) state.SkipWithError("the clip does not open");
    int32_t frame = 0;
    for (auto _ : state) {
        CImageBuffer* image = movie.GetImage(frame, 1, nullptr, nullptr);
        benchmark::DoNotOptimize(image);
        movie.ReleaseImage(image, frame);
        frame = (frame + 1) % recipe.frames;
    }
    std::filesystem::remove_all(folder);
}
BENCHMARK(bm_movie_frame_1080p)->Unit(benchmark::kMillisecond)->Iterations(120);

}  // namespace

BENCHMARK_MAIN();
