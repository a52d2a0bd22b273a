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
    using clip_fixtures::write_clip;
    EXPECT_TRUE(write_clip(path("raw.avi"), {.width = 8, .height = 4, .frames = 3}));
    EXPECT_TRUE(write_clip(
        path("mjpeg.avi"),
        {.encoder = "mjpeg", .pixelFormat = AV_PIX_FMT_YUVJ420P, .frames = 4, .flat = true}));
    EXPECT_TRUE(write_clip(path("reordered.mp4"), {.muxer = "mp4",
                                                   .encoder = "mpeg4",
                                                   .pixelFormat = AV_PIX_FMT_YUV420P,
                                                   .height = 16,
                                                   .frames = 6,
                                                   .gop = 3,
                                                   .bFrames = 1,
                                                   .flat = true}));
}

}  // namespace
