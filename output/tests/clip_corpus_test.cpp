// Writes the seed clips of the clip-reader fuzzer. Runs only when asked, from the
// source folder:
//   VEMO_CLIP_CORPUS=fuzz/corpus/clip <build>/output/vemo_output_in_tests
//       --gtest_filter=ClipCorpus.*

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>

#include "output/tests/clip_fixtures.h"

namespace {

TEST(ClipCorpus, WriteSeeds) {
    const char* dir = std::getenv("VEMO_CLIP_CORPUS");
    if (!dir) GTEST_SKIP() << "VEMO_CLIP_CORPUS names the folder to write";
    std::filesystem::create_directories(dir);
    auto path = [&](const char* name) { return std::string(dir) + "/" + name; };
    using clip_fixtures::ClipRecipe;

    ClipRecipe raw;
    raw.width = 8;
    raw.height = 4;
    raw.frames = 3;
    EXPECT_TRUE(clip_fixtures::write_clip(path("raw.avi"), raw));
    ClipRecipe mjpeg;
    mjpeg.encoder = "mjpeg";
    mjpeg.pixelFormat = AV_PIX_FMT_YUVJ420P;
    mjpeg.frames = 4;
    mjpeg.flat = true;
    EXPECT_TRUE(clip_fixtures::write_clip(path("mjpeg.avi"), mjpeg));
    ClipRecipe reordered;
    reordered.muxer = "mp4";
    reordered.encoder = "mpeg4";
    reordered.pixelFormat = AV_PIX_FMT_YUV420P;
    reordered.width = 16;
    reordered.height = 16;
    reordered.frames = 6;
    reordered.gop = 3;
    reordered.bFrames = 1;
    reordered.flat = true;
    EXPECT_TRUE(clip_fixtures::write_clip(path("reordered.mp4"), reordered));
}

}  // namespace
