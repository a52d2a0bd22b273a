// Writes the seed pictures of the picture fuzzer. Runs only when asked, from the
// source folder:
//   VEMO_PICTURE_CORPUS=fuzz/corpus/picture <build>/image/vemo_image_tests
//       --gtest_filter=PictureCorpus.*

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>

#include "image/picture_file.h"
#include "image/tests/picture_folder.h"

namespace {

using namespace picture_fixtures;

TEST(PictureCorpus, WriteSeeds) {
    const char* dir = std::getenv("VEMO_PICTURE_CORPUS");
    if (!dir) GTEST_SKIP() << "VEMO_PICTURE_CORPUS names the folder to write";
    std::filesystem::create_directories(dir);
    const std::pair<const char*, Bytes> seeds[] = {
        {"exif.jpg",
         with_exif(encode_jpeg(8, 8, ramp, 10),
                   exif_block(camera_fields(EXIF_BYTE_ORDER_INTEL), EXIF_BYTE_ORDER_INTEL))},
        // JPEGs of the other chroma layouts, one progressive, for the TurboJPEG path.
        {"s444.jpg", encode_turbo_jpeg(9, 7, TJSAMP_444, ramp, 80)},
        {"s422.jpg", encode_turbo_jpeg(17, 5, TJSAMP_422, ramp, 80)},
        {"s440.jpg", encode_turbo_jpeg(6, 17, TJSAMP_440, ramp, 80)},
        {"s411.jpg", encode_turbo_jpeg(33, 3, TJSAMP_411, ramp, 80)},
        {"grey.jpg", encode_turbo_jpeg(8, 9, TJSAMP_GRAY, ramp, 80)},
        {"progressive.jpg", encode_turbo_jpeg(16, 16, TJSAMP_420, ramp, 75, TJFLAG_PROGRESSIVE)},
        {"rgb.png", encode_picture(AV_CODEC_ID_PNG, AV_PIX_FMT_RGB24, 4, 3, rgb24(ramp))},
        {"rgba64.png",
         encode_picture(AV_CODEC_ID_PNG, AV_PIX_FMT_RGBA64BE, 2, 2,
                        pixels(8, [](uint8_t* p, int, int y) { std::memset(p, 0x90 + y, 8); }))},
        {"palette.gif", encode_picture(AV_CODEC_ID_GIF, AV_PIX_FMT_PAL8, 5, 4, palette_fill)},
        {"rgb.tiff", encode_picture(AV_CODEC_ID_TIFF, AV_PIX_FMT_RGB24, 3, 3, rgb24(ramp))},
        {"grey.webp", encode_picture(AV_CODEC_ID_WEBP, AV_PIX_FMT_YUV420P, 8, 8, flat_yuv420(100))},
        {"rgb444.bmp",
         encode_picture(
             AV_CODEC_ID_BMP, AV_PIX_FMT_RGB444LE, 3, 2,
             words(2, [](int x, int y) { return 0x0F00 | ((0x3E * x + 0x1F * y) & 255); }))},
    };
    auto path = [&](const std::string& name) { return std::string(dir) + "/" + name; };
    for (const auto& [name, bytes] : seeds) write_file(path(name), bytes);
    ImagePtr bmp(create_image(3, 2, 24));
    set_pixel(bmp.get(), 1, 0, 200, 100, 50);
    ASSERT_EQ(save_image_overwrite(bmp.get(), path("small.bmp")), 0);
    for (const auto& seed : seeds)
        EXPECT_TRUE(ImagePtr(load_picture(path(seed.first)))) << seed.first;
    EXPECT_TRUE(ImagePtr(load_picture(path("small.bmp"))));
    EXPECT_EQ(read_exif_property(path("exif.jpg"), 0x829A), "1 / 250");
}

}  // namespace
