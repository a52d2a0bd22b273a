// Whole frames of MAIN at 1920 x 1080, in milliseconds per frame, one family a
// scenario: a STILL over a 4000 x 3000 JPEG, a ZOOM over it from the whole picture
// to its centred 80 %, a CROSSFADE of two such STILLs inside the dissolve, a MIX of
// three STILLs (one full screen, two insets), a FILM of four pictures and a ROTATE.
// Frames are asked through the document (CScenario::GetImage and ReleaseImage) in
// order, as a render worker asks them, after the first frame of the shot: whatever
// the scenes keep between frames of a shot (STILL's and ROTATE's composition,
// ZOOM's picture, FILM's fitted pictures) has been made by then.
//
// The references in the same run: a plain copy of one 1920 x 1080 32-bit frame
// (duplicate_image) and the document's hand-over of such a frame in image mode 32
// (image32_to_24a, the 24-bit copy with its alpha plane that GetImage hands out).
// The arguments are the image mode, 32 or 24.

#include <benchmark/benchmark.h>
#include <turbojpeg.h>
#include <unistd.h>

#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

#include "image/cpu_features.h"
#include "image/image_buffer.h"
#include "image/tests/picture_fixtures.h"
#include "scenario/scenario.h"

namespace {

constexpr int kPictureWidth = 4000;
constexpr int kPictureHeight = 3000;
// Frames of every shot: far more than one run asks, so that the shot's last frame,
// which ends what the scenes keep, is never reached.
constexpr int kShotFrames = 100000;

const std::filesystem::path& work_folder() {
    static const std::filesystem::path folder = [] {
        auto path = std::filesystem::temp_directory_path() /
                    ("vemo-bench-frames-" + std::to_string(::getpid()));
        std::filesystem::create_directories(path);
        std::atexit([] { std::filesystem::remove_all(work_folder()); });
        return path;
    }();
    return folder;
}

// A photo-like picture: smooth gradients with fine texture; `shift` makes a second
// one.
void write_photo(const std::string& name, uint32_t shift) {
    const auto colour = [shift](int x, int y) {
        const uint32_t noise = (uint32_t(x) * 2654435761u ^ uint32_t(y) * 40503u) >> 28;
        const uint32_t r = (x * 255 / kPictureWidth + noise + shift) & 255;
        const uint32_t g = (y * 255 / kPictureHeight + 2 * noise) & 255;
        const uint32_t b = ((x + y) / 32 * 16 + noise + shift) & 255;
        return r << 16 | g << 8 | b;
    };
    picture_fixtures::write_file(
        (work_folder() / name).string(),
        picture_fixtures::encode_turbo_jpeg(kPictureWidth, kPictureHeight, TJSAMP_420, colour, 90));
}

// The two pictures, written once per process.
void write_photos() {
    static const bool written = [] {
        write_photo("a.jpg", 0);
        write_photo("b.jpg", 97);
        return true;
    }();
    benchmark::DoNotOptimize(written);
}

// The scenario of one family: its blocks, then MAIN playing `shot`.
std::string write_scenario(const std::string& name, const std::string& blocks) {
    write_photos();
    const std::string path = (work_folder() / (name + ".txt")).string();
    std::ofstream(path, std::ios::binary)
        << "SCREEN 1920 1080\nFRAMERATE 30\n"
        << "IMAGE \"a\" { FILE \"a.jpg\" }\nIMAGE \"b\" { FILE \"b.jpg\" }\n"
        << blocks << "MAIN { INPUT \"shot\" }\n";
    return path;
}

std::string frames(int32_t count) {
    return " FRAMES " + std::to_string(count) + " }\n";
}

// Frames `first`, first + 1, ... of MAIN, in the image mode of the argument; the shot's
// first frame is asked once before the timing.
void run_frames(benchmark::State& state, const std::string& name, const std::string& blocks,
                int32_t first, int32_t last) {
    const int previous = set_image_mode(static_cast<int>(state.range(0)));
    CScenario doc;
    doc.SetErrorCallback([&state](const std::string&) { state.SkipWithError("refused"); });
    if (doc.Load(write_scenario(name, blocks)) != 0 || doc.Link() != 0) {
        set_image_mode(previous);
        return;
    }
    doc.ResetScenes();
    RenderContext context;
    CImageBuffer* warm = doc.GetImage(first - 1, nullptr, &context);
    if (!warm) state.SkipWithError("no frame");
    doc.ReleaseImage(warm, first - 1);
    int32_t frame = first;
    for (auto _ : state) {
        int32_t run = doc.TotalFrames();
        CImageBuffer* image = doc.GetImage(frame, &run, &context);
        benchmark::DoNotOptimize(image);
        doc.ReleaseImage(image, frame);
        frame = frame < last ? frame + 1 : first;
    }
    set_image_mode(previous);
}

void bm_still(benchmark::State& state) {
    run_frames(state, "still", "STILL \"shot\" { INPUT \"a\"" + frames(kShotFrames), 1,
               kShotFrames - 2);
}

void bm_zoom(benchmark::State& state) {
    run_frames(state, "zoom",
               "ZOOM \"shot\" { INPUT \"a\" SRC_START 0 0 3999 2999 SRC_END 400 300 3599 2699" +
                   frames(kShotFrames),
               1, kShotFrames - 2);
}

// The dissolve covers the second half of the first STILL; its last frame, which
// ends the first STILL's shot, is left out.
void bm_crossfade(benchmark::State& state) {
    const int32_t dissolve = kShotFrames / 2;
    run_frames(state, "crossfade",
               "STILL \"sa\" { INPUT \"a\"" + frames(kShotFrames) + "STILL \"sb\" { INPUT \"b\"" +
                   frames(kShotFrames) + "CROSSFADE \"shot\" { INPUT \"sa\" INPUT \"sb\"" +
                   frames(dissolve),
               kShotFrames - dissolve + 1, kShotFrames - 2);
}

void bm_mix(benchmark::State& state) {
    run_frames(state, "mix",
               "STILL \"sa\" { INPUT \"a\"" + frames(kShotFrames) + "STILL \"sb\" { INPUT \"b\"" +
                   frames(kShotFrames) +
                   "MIX \"shot\" { INPUT \"sa\" INPUT \"sb\" 80 80 719 439 INPUT \"sb\" 1200 640 "
                   "1839 999 }\n",
               1, kShotFrames - 2);
}

void bm_film(benchmark::State& state) {
    run_frames(
        state, "film",
        "IMAGE \"c\" { FILE \"a.jpg\" SEPIA }\nIMAGE \"d\" { FILE \"b.jpg\" MONO }\n"
        "FILM \"shot\" { INPUT \"a\" INPUT \"b\" INPUT \"c\" INPUT \"d\" LEFT COLOR 20 20 20" +
            frames(kShotFrames),
        1, kShotFrames - 2);
}

void bm_rotate(benchmark::State& state) {
    run_frames(state, "rotate", "ROTATE \"shot\" { INPUT \"a\" ANGLE 0 3600" + frames(kShotFrames),
               1, kShotFrames - 2);
}

// The references.
void bm_copy(benchmark::State& state) {
    const int previous = set_image_mode(32);
    ImagePtr frame(create_filled_image(1920, 1080, 10, 20, 30, 255));
    for (auto _ : state) {
        ImagePtr copy(duplicate_image(frame.get()));
        benchmark::DoNotOptimize(copy.get());
    }
    set_image_mode(previous);
}

void bm_hand_over(benchmark::State& state) {
    const int previous = set_image_mode(32);
    ImagePtr frame(create_filled_image(1920, 1080, 10, 20, 30, 255));
    for (auto _ : state) {
        ImagePtr copy(image32_to_24a(frame.get()));
        benchmark::DoNotOptimize(copy.get());
    }
    set_image_mode(previous);
}

BENCHMARK(bm_copy)->Unit(benchmark::kMillisecond);
BENCHMARK(bm_hand_over)->Unit(benchmark::kMillisecond);
BENCHMARK(bm_still)->Arg(32)->Arg(24)->Unit(benchmark::kMillisecond);
BENCHMARK(bm_crossfade)->Arg(32)->Arg(24)->Unit(benchmark::kMillisecond);
BENCHMARK(bm_zoom)->Arg(32)->Arg(24)->Unit(benchmark::kMillisecond);
BENCHMARK(bm_mix)->Arg(32)->Arg(24)->Unit(benchmark::kMillisecond);
BENCHMARK(bm_film)->Arg(32)->Arg(24)->Unit(benchmark::kMillisecond);
BENCHMARK(bm_rotate)->Arg(32)->Arg(24)->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char** argv) {
    // As the programs do at start-up: the packed kernels where the processor has them.
    detect_cpu_features();
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
