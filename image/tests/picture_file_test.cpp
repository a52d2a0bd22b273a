// Picture files: decoding through FFmpeg, EXIF properties, the BMP writer. JPEG
// colours and orientation are checked pixel by pixel in jpeg_file_test.cpp.

#include <gtest/gtest.h>

#include <optional>
#include <string>

#include "image/tests/picture_folder.h"

namespace {

using namespace picture_fixtures;

class PictureFile : public PictureFolder {};

// A colour that differs in every component between any two of the first pixels.
uint32_t pattern(int x, int y) {
    return uint32_t((x * 40 + 10) & 255) << 16 | uint32_t((y * 70 + 5) & 255) << 8 |
           uint32_t((x * 13 + y * 29 + 100) & 255);
}

TEST_F(PictureFile, BmpFilesHoldTheWholeRowsAndReadBack) {
    ImagePtr image(create_image(3, 2, 24));
    for (int i = 0; i < 6; ++i) {
        const uint32_t c = pattern(i % 3, i / 3);
        set_pixel(image.get(), i % 3, i / 3, uint8_t(c >> 16), uint8_t(c >> 8), uint8_t(c));
    }
    image->pixels[10] = 0x5A;  // row slack is written like pixels
    ASSERT_EQ(save_image_overwrite(image.get(), Path("small.bmp")), 0);
    Bytes file = read_file(Path("small.bmp"));
    ASSERT_EQ(file.size(), 78u);
    // "BM", file size 78, pixels at 54; a 40-byte header of 3 x 2, one plane of 24
    // bits, uncompressed, 24 bytes of pixels, no resolution and no palette.
    const Bytes header = {'B', 'M', 78, 0, 0, 0, 0, 0, 0, 0, 54, 0, 0, 0, 40, 0, 0,  0,
                          3,   0,   0,  0, 2, 0, 0, 0, 1, 0, 24, 0, 0, 0, 0,  0, 24, 0,
                          0,   0,   0,  0, 0, 0, 0, 0, 0, 0, 0,  0, 0, 0, 0,  0, 0,  0};
    EXPECT_EQ(Bytes(file.begin(), file.begin() + 54), header);
    EXPECT_EQ(std::memcmp(file.data() + 54, image->pixels, 24), 0);
    // FFmpeg reads our BMP back with row 0 on top.
    ImagePtr loaded(load_picture(Path("small.bmp")));
    ASSERT_TRUE(loaded);
    EXPECT_EQ(std::pair(loaded->width, loaded->height), std::pair(3, 2));
    for (int i = 0; i < 6; ++i)
        EXPECT_EQ(rgb_at(loaded.get(), i % 3, i / 3), pattern(i % 3, i / 3));

    // A 32-bit image keeps its fourth byte and replaces a longer old file whole.
    write_file(Path("frame.bmp"), Bytes(5000, 0xEE));
    ImagePtr words(create_image32(2, 2));
    const uint8_t word[4] = {0x30, 0x20, 0x10, 0x80};
    std::memcpy(words->pixels, word, 4);  // bottom row, left pixel
    ASSERT_EQ(save_image_overwrite(words.get(), Path("frame.bmp")), 0);
    file = read_file(Path("frame.bmp"));
    ASSERT_EQ(file.size(), 2u * 8 + 54);
    EXPECT_EQ(file[28], 32);
    EXPECT_EQ(Bytes(file.begin() + 54, file.begin() + 58), Bytes(word, word + 4));
    loaded.reset(load_picture(Path("frame.bmp")));
    ASSERT_TRUE(loaded);
    EXPECT_EQ(loaded->bpp, 24);
    EXPECT_EQ(loaded->alpha, nullptr);
    EXPECT_EQ(rgb_at(loaded.get(), 0, 1), 0x102030u);

    // Failures are reported: no 8-bit BMP, no image, no folder, a full device.
    ImagePtr grey(create_image(4, 4, 8));
    EXPECT_EQ(save_image_overwrite(grey.get(), Path("grey.bmp")), -1);
    EXPECT_EQ(save_image_overwrite(nullptr, Path("none.bmp")), -1);
    EXPECT_EQ(save_image_overwrite(image.get(), Path("missing/dir/x.bmp")), -1);
    EXPECT_EQ(save_image_overwrite(image.get(), "/dev/full"), -1);
}

// Pictures of every pixel format the decoders give, at every narrow width: each pixel
// comes out exactly as opaque blue-green-red, row ends included.
TEST_F(PictureFile, EveryFormatAndNarrowWidthConvertsExactly) {
    auto grey = [](int x, int y) { return uint8_t(20 * x + 50 * y + 3); };
    auto grey_rgb = [grey](int x, int y) { return grey(x, y) * 0x010101u; };
    auto palette_rgb = [](int x, int y) { return kPalette[(x + y) % 4]; };
    struct Case {
        AVCodecID codec;
        AVPixelFormat format;
        std::function<void(AVFrame*)> fill;
        std::function<uint32_t(int, int)> expected;
    };
    const Case cases[] = {
        {AV_CODEC_ID_PNG, AV_PIX_FMT_RGB24, rgb24(pattern), pattern},
        {AV_CODEC_ID_TIFF, AV_PIX_FMT_RGB24, rgb24(pattern), pattern},
        // Transparent pixels keep the colour stored under them.
        {AV_CODEC_ID_PNG, AV_PIX_FMT_RGBA,
         pixels(4,
                [](uint8_t* p, int x, int y) {
                    const uint32_t c = pattern(x, y);
                    p[0] = uint8_t(c >> 16), p[1] = uint8_t(c >> 8), p[2] = uint8_t(c);
                    p[3] = x == 0 ? 0 : 128;
                }),
         pattern},
        {AV_CODEC_ID_BMP, AV_PIX_FMT_BGRA,
         words(4, [](int x, int y) { return pattern(x, y) | 0x40000000u; }), pattern},
        // 16 bits per component: the high byte survives.
        {AV_CODEC_ID_PNG, AV_PIX_FMT_RGB48BE,
         pixels(6,
                [](uint8_t* p, int x, int y) {
                    for (int i = 0; i < 3; ++i)
                        p[2 * i] = p[2 * i + 1] = pattern(x, y) >> (16 - 8 * i);
                }),
         pattern},
        {AV_CODEC_ID_PNG, AV_PIX_FMT_PAL8, palette_fill, palette_rgb},
        {AV_CODEC_ID_BMP, AV_PIX_FMT_PAL8, palette_fill, palette_rgb},
        {AV_CODEC_ID_GIF, AV_PIX_FMT_PAL8, palette_fill, palette_rgb},
        {AV_CODEC_ID_PNG, AV_PIX_FMT_GRAY8, words(1, grey), grey_rgb},
        {AV_CODEC_ID_BMP, AV_PIX_FMT_GRAY8, words(1, grey), grey_rgb},
        {AV_CODEC_ID_PNG, AV_PIX_FMT_YA8,
         words(2, [grey](int x, int y) { return grey(x, y) | x * 30 << 8; }), grey_rgb},
        {AV_CODEC_ID_PNG, AV_PIX_FMT_GRAY16BE,
         words(2, [grey](int x, int y) { return grey(x, y) * 0x101; }), grey_rgb},
        {AV_CODEC_ID_BMP, AV_PIX_FMT_MONOBLACK,
         [](AVFrame* f) {
             for (int y = 0; y < f->height; ++y) {
                 std::memset(f->data[0] + y * f->linesize[0], 0, f->linesize[0]);
                 for (int x = 0; x < f->width; ++x)
                     if ((x + y) & 1)
                         f->data[0][y * f->linesize[0] + x / 8] |= uint8_t(0x80 >> (x % 8));
             }
         },
         [](int x, int y) { return (x + y) & 1 ? 0xFFFFFFu : 0u; }},
        // 16 bits as X4R4G4B4: each 4-bit level n is 17 n, white 255.
        {AV_CODEC_ID_BMP, AV_PIX_FMT_RGB444LE,
         words(2, [](int x, int y) { return (x + 7 * y) % 16 << 8 | (15 - x) << 4 | 15; }),
         [](int x, int y) {
             return uint32_t((x + 7 * y) % 16 * 17) << 16 | uint32_t((15 - x) * 17) << 8 | 255u;
         }},
    };
    for (const Case& c : cases) {
        if (!has_encoder(c.codec)) continue;
        const std::string name = std::string("picture.") + avcodec_get_name(c.codec);
        for (int w = 1; w <= 9; ++w) {
            SCOPED_TRACE(name + " " + av_get_pix_fmt_name(c.format) + " width " +
                         std::to_string(w));
            ImagePtr image(Load(name, encode_picture(c.codec, c.format, w, 3, c.fill)));
            ASSERT_TRUE(image);
            EXPECT_TRUE(image->bpp == 24 && !image->alpha);
            for (int y = 0; y < 3; ++y)
                for (int x = 0; x < w; ++x)
                    ASSERT_EQ(rgb_at(image.get(), x, y), c.expected(x, y)) << x << "," << y;
        }
    }

    // Studio-range WebP luma 180 is full-range 191.
    if (has_encoder(AV_CODEC_ID_WEBP)) {
        ImagePtr webp(Load("flat.webp", encode_picture(AV_CODEC_ID_WEBP, AV_PIX_FMT_YUV420P, 16, 16,
                                                       flat_yuv420(180))));
        ASSERT_TRUE(webp);
        EXPECT_EQ(webp->width, 16);
        for (int k = 0; k < 3; ++k) EXPECT_NEAR(get_component(webp.get(), 8, 8, k), 191, 2);
    }
}

TEST_F(PictureFile, BrokenAndHostileFilesGiveNone) {
    EXPECT_FALSE(ImagePtr(load_picture(Path("missing.png"))));
    EXPECT_FALSE(ImagePtr(load_picture(m_folder.Path().string())));
    EXPECT_FALSE(Load("empty.png", Bytes{}));
    const char text[] = "MAIN { FRAMES 10 }\r\n";
    EXPECT_FALSE(Load("text.jpg", Bytes(text, text + sizeof text - 1)));

    Bytes png = encode_picture(AV_CODEC_ID_PNG, AV_PIX_FMT_RGB24, 64, 64, rgb24(pattern));
    EXPECT_FALSE(Load("cut.png", Bytes(png.begin(), png.begin() + png.size() / 2)));

    // A BMP header claiming 0 x 0 pixels, and one claiming 2^30 x 2^30.
    ImagePtr image(create_image(4, 4, 24));
    ASSERT_EQ(save_image_overwrite(image.get(), Path("base.bmp")), 0);
    Bytes bmp = read_file(Path("base.bmp"));
    Bytes empty = bmp, giant = bmp;
    std::memset(empty.data() + 18, 0, 8);
    EXPECT_FALSE(Load("empty.bmp", empty));
    const uint8_t huge[8] = {0, 0, 0, 0x40, 0, 0, 0, 0x40};
    std::memcpy(giant.data() + 18, huge, 8);
    EXPECT_FALSE(Load("giant.bmp", giant));

    // The caller's pixel limit holds too.
    EXPECT_TRUE(ImagePtr(load_picture_from_memory(png.data(), png.size(), 64 * 64)));
    EXPECT_FALSE(ImagePtr(load_picture_from_memory(png.data(), png.size(), 64 * 64 - 1)));

    // A playlist is not a picture, even when it names one.
    std::string playlist =
        "#EXTM3U\n#EXT-X-TARGETDURATION:1\n#EXTINF:1,\n" + Path("base.bmp") + "\n#EXT-X-ENDLIST\n";
    EXPECT_FALSE(Load("list.m3u8", Bytes(playlist.begin(), playlist.end())));
}

TEST_F(PictureFile, ExifTypesFormatInBothByteOrdersAndBrokenBlocksGiveNone) {
    // Text ends at its first NUL, a rational shows its first value only, and the GPS
    // directory counts too. SRATIONAL, UNDEFINED and BYTE values give none, and so
    // do tags the file does not hold.
    const std::pair<int, std::optional<std::string>> expected[] = {
        {0x010F, "Vemo Cam"},   {0x0110, "MK2"},        {0x0132, "2024:05:06 07:08:09"},
        {0x829A, "1 / 250"},    {0x829D, "28 / 10"},    {0x8827, "400"},
        {0x9209, "25"},         {0xA002, "3000000000"}, {0xA003, "-42"},
        {0x0006, "1234 / 10"},  {0x9201, std::nullopt}, {0x9000, std::nullopt},
        {0x0112, std::nullopt}, {0x0131, std::nullopt}, {0x011A, std::nullopt},
        {0x920A, std::nullopt}, {-1, std::nullopt}};
    Bytes jpeg = encode_jpeg(16, 16, pattern);
    for (ExifByteOrder order : {EXIF_BYTE_ORDER_INTEL, EXIF_BYTE_ORDER_MOTOROLA}) {
        SCOPED_TRACE(order == EXIF_BYTE_ORDER_INTEL ? "Intel" : "Motorola");
        Bytes file = with_exif(jpeg, exif_block(camera_fields(order), order));
        write_file(Path("photo.jpg"), file);
        for (const auto& [tag, value] : expected)
            EXPECT_EQ(read_exif_property(Path("photo.jpg"), tag), value) << std::hex << tag;
        EXPECT_EQ(read_exif_property_from_memory(file.data(), file.size(), 0x829A), "1 / 250");
        // The picture itself still decodes.
        ImagePtr image(load_picture(Path("photo.jpg")));
        EXPECT_TRUE(image && image->width == 16);
    }

    // Pictures without EXIF give none.
    write_file(Path("plain.jpg"), jpeg);
    write_file(Path("plain.png"),
               encode_picture(AV_CODEC_ID_PNG, AV_PIX_FMT_RGB24, 4, 4, rgb24(pattern)));
    for (int tag : {0x010F, 0x829A})
        for (const char* name : {"plain.jpg", "plain.png", "missing.jpg"})
            EXPECT_EQ(read_exif_property(Path(name), tag), std::nullopt) << name << " " << tag;

    // Counts and offsets pointing past the block: each damaged copy gives none or a
    // value, never a read outside the block (the sanitizer build checks that).
    Bytes block = exif_block(camera_fields(EXIF_BYTE_ORDER_INTEL), EXIF_BYTE_ORDER_INTEL);
    for (size_t at = 6; at < block.size(); ++at) {
        Bytes broken = block;
        broken[at] ^= 0xFF;
        Bytes file = with_exif(jpeg, broken);
        for (int tag : {0x010F, 0x829A, 0x8827, 0xA002}) {
            auto text = read_exif_property_from_memory(file.data(), file.size(), tag);
            EXPECT_LE(text.value_or("").size(), broken.size());
        }
    }
    // The block cut short: the ExposureTime value no longer fits and is not read.
    Bytes cut(block.begin(), block.begin() + block.size() / 2);
    Bytes file = with_exif(jpeg, cut);
    EXPECT_EQ(read_exif_property_from_memory(file.data(), file.size(), 0x829D), std::nullopt);
}

}  // namespace
