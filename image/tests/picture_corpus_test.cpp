// Writes the seed pictures of the picture fuzzer. Runs only when asked, from the
// source folder:
//   VEMO_PICTURE_CORPUS=fuzz/corpus/picture <build>/image/vemo_image_tests
//       --gtest_filter=PictureCorpus.*

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>

#include "image/picture_file.h"
#include "image/tests/picture_fixtures.h"

namespace {

using namespace picture_fixtures;

uint32_t ramp(int x, int y) {
    return uint32_t(x * 30) << 16 | uint32_t(y * 30) << 8 | uint32_t((x + y) * 15);
}

TEST(PictureCorpus, WriteSeeds) {
    const char* dir = std::getenv("VEMO_PICTURE_CORPUS");
    if (!dir) GTEST_SKIP() << "VEMO_PICTURE_CORPUS names the folder to write";
    std::filesystem::create_directories(dir);
    auto path = [&](const char* name) { return std::string(dir) + "/" + name; };

    const ExifByteOrder intel = EXIF_BYTE_ORDER_INTEL;
    const char make[] = "Vemo";
    const std::vector<ExifField> fields = {
        {EXIF_IFD_0, 0x010F, EXIF_FORMAT_ASCII, 5, Bytes(make, make + 5)},
        {EXIF_IFD_EXIF, 0x829A, EXIF_FORMAT_RATIONAL, 1, Bytes{1, 0, 0, 0, 250, 0, 0, 0}},
        {EXIF_IFD_EXIF, 0x8827, EXIF_FORMAT_SHORT, 1, Bytes{144, 1}},
        {EXIF_IFD_EXIF, 0xA002, EXIF_FORMAT_LONG, 1, Bytes{8, 0, 0, 0}},
        {EXIF_IFD_EXIF, 0xA003, EXIF_FORMAT_SLONG, 1, Bytes{8, 0, 0, 0}},
    };
    write_file(path("exif.jpg"), with_exif(encode_jpeg(8, 8, ramp, 10), exif_block(fields, intel)));
    // JPEGs of the other chroma layouts, one progressive, for the TurboJPEG path.
    write_file(path("s444.jpg"), encode_turbo_jpeg(9, 7, TJSAMP_444, ramp, 80));
    write_file(path("s422.jpg"), encode_turbo_jpeg(17, 5, TJSAMP_422, ramp, 80));
    write_file(path("s440.jpg"), encode_turbo_jpeg(6, 17, TJSAMP_440, ramp, 80));
    write_file(path("s411.jpg"), encode_turbo_jpeg(33, 3, TJSAMP_411, ramp, 80));
    write_file(path("grey.jpg"), encode_turbo_jpeg(8, 9, TJSAMP_GRAY, ramp, 80));
    write_file(path("progressive.jpg"),
               encode_turbo_jpeg(16, 16, TJSAMP_420, ramp, 75, TJFLAG_PROGRESSIVE));
    write_file(path("rgb.png"),
               encode_picture(AV_CODEC_ID_PNG, AV_PIX_FMT_RGB24, 4, 3, rgb24(ramp)));
    write_file(path("rgba64.png"),
               encode_picture(AV_CODEC_ID_PNG, AV_PIX_FMT_RGBA64BE, 2, 2, [](AVFrame* frame) {
                   for (int y = 0; y < 2; ++y)
                       std::memset(frame->data[0] + y * frame->linesize[0], 0x90 + y, 16);
               }));
    auto palette = [](AVFrame* frame) {
        auto* colours = reinterpret_cast<uint32_t*>(frame->data[1]);
        for (int i = 0; i < 256; ++i) colours[i] = 0xFF000000u | uint32_t(i * 0x010203);
        for (int y = 0; y < frame->height; ++y)
            for (int x = 0; x < frame->width; ++x)
                frame->data[0][y * frame->linesize[0] + x] = uint8_t(x ^ y);
    };
    write_file(path("palette.gif"),
               encode_picture(AV_CODEC_ID_GIF, AV_PIX_FMT_PAL8, 5, 4, palette));
    write_file(path("rgb.tiff"),
               encode_picture(AV_CODEC_ID_TIFF, AV_PIX_FMT_RGB24, 3, 3, rgb24(ramp)));
    write_file(path("grey.webp"),
               encode_picture(AV_CODEC_ID_WEBP, AV_PIX_FMT_YUV420P, 8, 8, [](AVFrame* frame) {
                   for (int p = 0; p < 3; ++p)
                       for (int y = 0; y < (p ? 4 : 8); ++y)
                           std::memset(frame->data[p] + y * frame->linesize[p], p ? 128 : 100,
                                       p ? 4 : 8);
               }));
    write_file(path("rgb444.bmp"),
               encode_picture(AV_CODEC_ID_BMP, AV_PIX_FMT_RGB444LE, 3, 2, [](AVFrame* frame) {
                   for (int y = 0; y < 2; ++y)
                       for (int i = 0; i < 6; ++i)
                           frame->data[0][y * frame->linesize[0] + i] = uint8_t(0x1F * (i + y));
               }));
    ImagePtr bmp(create_image(3, 2, 24));
    set_pixel(bmp.get(), 1, 0, 200, 100, 50);
    ASSERT_EQ(save_image_overwrite(bmp.get(), path("small.bmp")), 0);
    for (const char* name : {"exif.jpg", "s444.jpg", "s422.jpg", "s440.jpg", "s411.jpg", "grey.jpg",
                             "progressive.jpg", "rgb.png", "rgba64.png", "palette.gif", "rgb.tiff",
                             "grey.webp", "rgb444.bmp", "small.bmp"}) {
        EXPECT_TRUE(ImagePtr(load_picture(path(name)))) << name;
    }
    EXPECT_EQ(read_exif_property(path("exif.jpg"), 0x829A), "1 / 250");
}

}  // namespace
