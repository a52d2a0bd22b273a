// Captions: the colour and alpha rule of the glyph coverage and the background strips
// pixel by pixel; the block's size, placement, shrinking and line alignment by where
// the ink lies; faces through the project's font rules; bad input.

#include <gtest/gtest.h>

#include <climits>
#include <string>

#include "image/coverage_mask.h"
#include "image/font_config.h"
#include "image/tests/drawing_test_support.h"
#include "image/text_render.h"

namespace {

constexpr CColor kText{240, 200, 10, 255};  // R, G, B, A
constexpr CColor kBack{10, 20, 30, 90};
constexpr Bgra kBackPixel{30, 20, 10, 90};
constexpr int32_t kCentre = 1;
constexpr int32_t kBottom = 19;

bool is_text_colour(Bgra p, CColor c = kText) {
    return p.r == c.red && p.g == c.green && p.b == c.blue;
}

// Where the text image landed: the background remains only left of x and above y, so
// the block's corner is the first column and row of the text colour (the colours
// differ). Empty when the text image lies wholly outside.
struct Block {
    int32_t x = 0, y = 0;
};

Block block_of(const CImageBuffer* image) {
    Block b{image->width, image->height};
    for (int32_t x = image->width - 1; x >= 0; --x)
        if (is_text_colour(pixel_at(image, x, image->height - 1))) b.x = x;
    for (int32_t y = image->height - 1; y >= 0; --y)
        if (is_text_colour(pixel_at(image, image->width - 1, y))) b.y = y;
    return b;
}

class Captions : public ::testing::Test {
protected:
    static ImagePtr Caption(std::string_view text, int32_t width, int32_t height,
                            int32_t font_width, int32_t font_height, int32_t align = kCentre,
                            int32_t placement = kTextPlaceMiddle, int32_t margin = 0,
                            std::string_view face = "ＭＳ ゴシック", CColor color = kText,
                            CColor back = kBack) {
        return ImagePtr(render_text_image(text, width, height, face, font_width, font_height, align,
                                          placement, margin, color, back));
    }

    // The ink inside the block at `block` (the background has alpha too).
    static PixelBox Ink(const CImageBuffer* image, Block block, int32_t top = 0,
                        int32_t bottom = INT32_MAX) {
        return ink_box(image, {block.x, std::max(block.y, top), INT32_MAX, bottom});
    }

    ModeScope m_mode{32};
};

TEST_F(Captions, CoverageBecomesTheTextAlphaOverTheBackgroundStrips) {
    const std::string text = "■田 Ag\r\n字";
    ImagePtr full = Caption(text, 160, 120, 20, 40);
    ImagePtr weighed = Caption(text, 160, 120, 20, 40, kCentre, kTextPlaceMiddle, 0,
                               "ＭＳ ゴシック", {240, 200, 10, 100});
    // With a transparent background the only alpha is the glyphs'.
    ImagePtr clear = Caption(text, 160, 120, 20, 40, kCentre, kTextPlaceMiddle, 0, "ＭＳ ゴシック",
                             kText, {0, 0, 0, 0});
    ASSERT_TRUE(full && weighed && clear);
    const Block block = block_of(full.get());
    ASSERT_TRUE(block.x > 0 && block.y > 0) << block.x << ", " << block.y;
    int opaque = 0, partial = 0;
    for (int32_t y = 0; y < 120; ++y)
        for (int32_t x = 0; x < 160; ++x) {
            SCOPED_TRACE(::testing::Message() << x << ", " << y);
            const Bgra a = pixel_at(full.get(), x, y);
            const Bgra b = pixel_at(weighed.get(), x, y);
            const bool inside = x >= block.x && y >= block.y;
            ASSERT_EQ(pixel_at(clear.get(), x, y).a, inside ? a.a : 0);
            // Every pixel of the block has the text colour, the coverage c as alpha at
            // text alpha 255 and c * 100 / 255 at text alpha 100.
            ASSERT_EQ(a, (inside ? Bgra{10, 200, 240, a.a} : kBackPixel));
            ASSERT_EQ(b, (inside ? Bgra{10, 200, 240, static_cast<uint8_t>(a.a * 100 / 255)}
                                 : kBackPixel));
            opaque += inside && a.a == 255;
            partial += inside && a.a > 0 && a.a < 255;
        }
    EXPECT_GT(opaque, 200) << "the square is solid";
    EXPECT_GT(partial, 20) << "glyph edges are smoothed";

    // Image mode 24 gives the same picture with the alpha in its plane.
    ModeScope mode24(24);
    ImagePtr planar = Caption(text, 160, 120, 20, 40);
    ASSERT_TRUE(planar && planar->alpha);
    EXPECT_TRUE(same_image(ImagePtr(image24_to_32(planar.get())).get(), full.get()));
}

TEST_F(Captions, TheBlockIsCentredAcrossAndPlacedByTheMargin) {
    // Two lines of 40-pixel-high, 20-pixel-wide characters: the block is 4 x 20 wide and
    // 2 x 40 high.
    const std::string text = "ABCD\r\nEF";
    ImagePtr top = Caption(text, 300, 200, 20, 40, kCentre, kTextPlaceTop, 10);
    ImagePtr middle = Caption(text, 300, 200, 20, 40, kCentre, kTextPlaceMiddle, 10);
    ImagePtr bottom = Caption(text, 300, 200, 20, 40, kCentre, kBottom, 10);
    ASSERT_TRUE(top && middle && bottom);
    const Block t = block_of(top.get()), m = block_of(middle.get()), b = block_of(bottom.get());
    const int32_t th = 200 - 10 - b.y;
    const int32_t tw = 300 - 2 * t.x;  // within the one pixel the halving drops
    EXPECT_NEAR(th, 80, 1);
    EXPECT_NEAR(tw, 80, 1);
    EXPECT_EQ(t.y, 10);
    EXPECT_EQ(m.y, (200 - th) / 2);
    EXPECT_EQ(std::pair(m.x, b.x), std::pair(t.x, t.x));
    // The glyphs lie inside the block, one line in each half.
    const PixelBox ink = Ink(top.get(), t);
    EXPECT_TRUE(ink.left >= t.x && ink.right <= t.x + tw) << ink;
    EXPECT_TRUE(ink.top >= 10 && ink.bottom <= 10 + th) << ink;
    EXPECT_LT(Ink(top.get(), t, 0, 10 + th / 2 - 1).bottom, 10 + th / 2);
    EXPECT_GE(Ink(top.get(), t, 10 + th / 2).top, 10 + th / 2);
    // Capitals fill most of a line's height.
    EXPECT_GT(Ink(top.get(), t, 0, 10 + th / 2 - 1).Height(), 20);
}

TEST_F(Captions, ATooLargeCaptionShrinksBothDimensionsByOneFactor) {
    // Ten characters at 20 x 40 need 200 x 40; 101 pixels across give the factor
    // 101 / 200, so the font becomes 20 * 101 / 200 = 10 by 40 * 101 / 200 = 20.
    const std::string text = "ABCDEFGHIJ";
    ImagePtr shrunk = Caption(text, 101, 100, 20, 40);
    ImagePtr direct = Caption(text, 101, 100, 10, 20);
    ASSERT_TRUE(shrunk && direct);
    EXPECT_TRUE(same_image(shrunk.get(), direct.get()));
    ImagePtr roomy = Caption(text, 300, 100, 20, 40);
    const PixelBox big = Ink(roomy.get(), block_of(roomy.get()));
    const PixelBox small = Ink(shrunk.get(), block_of(shrunk.get()));
    EXPECT_NEAR(small.Width() * 2, big.Width(), 3);
    EXPECT_NEAR(small.Height() * 2, big.Height(), 3);

    // Four lines of 40 in 100 - 2 * 10 rows: the factor 80 / 160 halves the font too.
    const std::string tall = "A\r\nB\r\nC\r\nD";
    ImagePtr low = Caption(tall, 200, 100, 20, 40, kCentre, kTextPlaceTop, 10);
    EXPECT_TRUE(
        same_image(low.get(), Caption(tall, 200, 100, 10, 20, kCentre, kTextPlaceTop, 10).get()));
    EXPECT_EQ(block_of(low.get()).y, 10);

    // A font too large for any rasteriser is measured in proportion and shrunk alike.
    ImagePtr huge = Caption("AB", 200, 100, INT32_MAX, INT32_MAX, kCentre, kTextPlaceTop, 5);
    ASSERT_TRUE(huge);
    const Block h = block_of(huge.get());
    EXPECT_TRUE(h.x >= 5 && h.y == 5) << h.x << ", " << h.y;
    const PixelBox ink = Ink(huge.get(), h);
    EXPECT_TRUE(ink.Height() > 40 && ink.right <= 195) << ink;
}

TEST_F(Captions, LinesAlignLeftCentreOrRightInsideTheBlock) {
    const std::string text = "AAAAAA\r\nA";  // block 120 x 80 in 300 x 120
    PixelBox first[3], second[3];
    int32_t x0 = 0;
    const int32_t aligns[3] = {kTextLineLeft, kCentre, kTextLineRight};
    for (int i = 0; i < 3; ++i) {
        ImagePtr image = Caption(text, 300, 120, 20, 40, aligns[i], kTextPlaceTop);
        ASSERT_TRUE(image);
        const Block b = block_of(image.get());
        x0 = b.x;
        first[i] = Ink(image.get(), b, 0, 39);
        second[i] = Ink(image.get(), b, 40);
    }
    EXPECT_NEAR(x0, 90, 1);
    for (int i = 1; i < 3; ++i) EXPECT_EQ(first[i], first[0]) << "the widest line stays";
    EXPECT_EQ(second[0].left, first[0].left);
    EXPECT_EQ(second[2].right, first[0].right);
    EXPECT_NEAR((second[1].left + second[1].right) / 2.0, (first[0].left + first[0].right) / 2.0,
                1.0);
    EXPECT_EQ(second[0].Width(), second[2].Width());
}

TEST_F(Captions, TheFontWidthScalesTheFaceAcross) {
    PixelBox ink[3];
    const int32_t widths[3] = {10, 20, 40};
    for (int i = 0; i < 3; ++i) {
        ImagePtr image = Caption("HHHH", 400, 100, widths[i], 40);
        ASSERT_TRUE(image);
        const Block b = block_of(image.get());
        EXPECT_NEAR(400 - 2 * b.x, 4 * widths[i], 1) << widths[i];
        ink[i] = Ink(image.get(), b);
    }
    EXPECT_NEAR(ink[0].Width() * 2, ink[1].Width(), 3);
    EXPECT_NEAR(ink[1].Width() * 2, ink[2].Width(), 3);
    EXPECT_EQ(ink[0].Height(), ink[1].Height());
    EXPECT_EQ(ink[1].Height(), ink[2].Height());
    // Width 0 keeps the face's proportions, which for it are half-width Latin.
    ImagePtr natural = Caption("HHHH", 400, 100, 0, 40);
    EXPECT_TRUE(same_image(natural.get(), Caption("HHHH", 400, 100, 20, 40).get()));
}

// Faces the machine lacks, and none at all, fall back on IPAGothic; an installed
// face is used.
TEST_F(Captions, FacesResolveThroughTheProjectFontRules) {
    EXPECT_EQ(matched_font_family("IPAPGothic"), "IPAPGothic");
    const std::string text = "日本語の字幕 ABC";
    ImagePtr gothic = Caption(text, 400, 80, 20, 40, kCentre, kTextPlaceMiddle, 0, "IPAGothic");
    ASSERT_TRUE(gothic);
    EXPECT_GT(Ink(gothic.get(), block_of(gothic.get())).Width(), 200);
    for (const char* face : {"ＭＳ ゴシック", "MS Gothic", "No Such Face Anywhere", ""})
        EXPECT_TRUE(same_image(
            Caption(text, 400, 80, 20, 40, kCentre, kTextPlaceMiddle, 0, face).get(), gothic.get()))
            << face;
}

TEST_F(Captions, BadInputGivesAPictureOrNoneWithItsMessage) {
    ErrorRecorder errors;
    // No text: the block is empty, every pixel of it transparent text colour.
    ImagePtr empty = Caption("", 100, 60, 20, 40);
    ASSERT_TRUE(empty);
    const Block e = block_of(empty.get());
    EXPECT_EQ(e.x, 50);
    EXPECT_TRUE(Ink(empty.get(), e).Empty());
    // Characters no installed face has still draw (a substitute glyph), and so do
    // broken UTF-8 and text after a NUL is not drawn.
    for (const char* text : {"\U0010FFFD", "\xF0\x9F\x98\x80", "\xFF\xFE"}) {
        ImagePtr image = Caption(text, 100, 60, 20, 40);
        ASSERT_TRUE(image) << text;
        EXPECT_FALSE(Ink(image.get(), block_of(image.get())).Empty()) << text;
    }
    EXPECT_TRUE(same_image(Caption(std::string("AB\0CD", 5), 100, 60, 20, 40).get(),
                           Caption("AB", 100, 60, 20, 40).get()));
    // Font sizes of 0 and below, margins past the picture.
    EXPECT_NEAR(60 - 2 * block_of(Caption("A", 100, 60, 0, 0).get()).y, 16, 1);
    EXPECT_TRUE(Caption("A", 100, 60, -20, -40));
    // A face stretched far across, with glyphs of a fallback face and a substitute box.
    EXPECT_TRUE(Caption("\xEF\xBF\xBD\x03A", 4000, 48, 2130, 16, kTextLineLeft));
    EXPECT_TRUE(Caption("\xEF\xBF\xBD\x03A", 4000, 48, 100000, 200, kTextLineLeft));
    EXPECT_TRUE(Caption("\xEF\xBF\xBD", 64, 48, -2130, 0, kCentre, kBottom, 112));
    EXPECT_TRUE(Caption("ABC", 100, 60, 20, 40, kCentre, kTextPlaceTop, 1000));
    EXPECT_TRUE(Caption("ABC", 100, 60, 20, 40, kCentre, kBottom, INT32_MIN));
    EXPECT_TRUE(Caption("ABC", 100, 60, 20, 40, kCentre, kBottom, INT32_MAX));
    EXPECT_TRUE(errors.Take().empty());

    // Pictures that cannot be made; the last is wider than the rasteriser's bitmaps.
    for (auto [width, height] : {std::pair{0, 60}, {100, -1}, {INT32_MIN, INT32_MIN}, {40000, 10}})
        EXPECT_FALSE(Caption("A", width, height, 20, 40)) << width << " x " << height;
    EXPECT_EQ(errors.Take(), std::vector<std::string>(4, kBitmapFailedMessage));
}

}  // namespace
