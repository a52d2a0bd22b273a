// The film strip: its size, bands, separators and sprocket holes, pixel by pixel.

#include <gtest/gtest.h>

#include <cstring>

#include "image/coverage_mask.h"
#include "image/film_strip.h"
#include "image/tests/drawing_test_support.h"

namespace {

constexpr Bgra kStrip{50, 100, 200, 0};  // RGB(200, 100, 50), alpha plane 0
constexpr Bgra kBlack{0, 0, 0, 0};

ImagePtr strip(int32_t frames, bool horizontal, int32_t offset, int32_t width, int32_t height) {
    return ImagePtr(
        render_film_strip_image(frames, horizontal, offset, width, height, 200, 100, 50));
}

// The colour of (x, y), or of (y, x) for a vertical strip, so that both directions read
// along the strip first.
Bgra along(const CImageBuffer* image, bool horizontal, int32_t a, int32_t c) {
    return horizontal ? pixel_at(image, a, c) : pixel_at(image, c, a);
}

class FilmStrip : public ::testing::TestWithParam<bool> {};
INSTANTIATE_TEST_SUITE_P(Directions, FilmStrip, ::testing::Bool(),
                         [](const auto& info) { return info.param ? "Horizontal" : "Vertical"; });

TEST_P(FilmStrip, BandsSeparatorsAndHolesAtTheirPixels) {
    // Along 320 (319 + 1), across 240: u = 20, bands 0 ... 29 and 210 ... 239, separators
    // 20 ... 39 and 280 ... 299 (L = 580), holes across 8 ... 21 and 218 ... 231, every
    // 18 pixels 10 long when horizontal, every 32 pixels 16 long when vertical.
    const bool h = GetParam();
    ImagePtr image = h ? strip(2, true, 0, 319, 240) : strip(2, false, 0, 240, 319);
    ASSERT_TRUE(image);
    EXPECT_EQ(image->width, h ? 320 : 240);
    EXPECT_EQ(image->height, h ? 240 : 320);
    EXPECT_EQ(image->bpp, 24);
    ASSERT_TRUE(image->alpha);
    for (int64_t i = 0; i < int64_t{image->alphaStride} * image->height; ++i)
        ASSERT_EQ(image->alpha[i], 0);
    const CImageBuffer* im = image.get();
    const int32_t step = h ? 18 : 32;
    const int32_t hole = h ? 10 : 16;

    // Bands along the whole length, black between them except at separators.
    for (int32_t a : {hole + 1, 150, 319}) {
        EXPECT_EQ(along(im, h, a, 0), kStrip) << a;
        EXPECT_EQ(along(im, h, a, 29), kStrip) << a;
        EXPECT_EQ(along(im, h, a, 210), kStrip) << a;
        EXPECT_EQ(along(im, h, a, 239), kStrip) << a;
    }
    EXPECT_EQ(along(im, h, 150, 30), kBlack);
    EXPECT_EQ(along(im, h, 150, 209), kBlack);
    for (int32_t c : {30, 120, 209}) {
        EXPECT_EQ(along(im, h, 19, c), kBlack);
        EXPECT_EQ(along(im, h, 20, c), kStrip);
        EXPECT_EQ(along(im, h, 39, c), kStrip);
        EXPECT_EQ(along(im, h, 40, c), kBlack);
        EXPECT_EQ(along(im, h, 279, c), kBlack);
        EXPECT_EQ(along(im, h, 280, c), kStrip);
        EXPECT_EQ(along(im, h, 299, c), kStrip);
        EXPECT_EQ(along(im, h, 300, c), kBlack);
    }

    // The first hole: black inside, its very corners and everything around in the band.
    for (int32_t c0 : {8, 218}) {
        const int32_t c1 = c0 + 13;
        EXPECT_EQ(along(im, h, 0, c0), kStrip) << "rounded corner";
        EXPECT_EQ(along(im, h, hole - 1, c1), kStrip) << "rounded corner";
        EXPECT_EQ(along(im, h, 1, c0), kBlack);
        EXPECT_EQ(along(im, h, 0, c0 + 1), kBlack);
        EXPECT_EQ(along(im, h, hole - 2, c1), kBlack);
        EXPECT_EQ(along(im, h, 5, c0 - 1), kStrip);
        EXPECT_EQ(along(im, h, 5, c1 + 1), kStrip);
        EXPECT_EQ(along(im, h, hole, c0 + 5), kStrip);
        // The next holes, the second one cut into the separator it overlaps.
        EXPECT_EQ(along(im, h, step - 1, c0 + 5), kStrip);
        EXPECT_EQ(along(im, h, step, c0 + 5), kBlack);
        EXPECT_EQ(along(im, h, 2 * step + 2, c0 + 5), kBlack);
    }
    EXPECT_EQ(along(im, h, 2 * step + 2, 120), h ? kStrip : kBlack) << "separator 20 ... 39";
}

TEST_P(FilmStrip, OffsetScrollsAndTheStripEndsAtItsLength) {
    const bool h = GetParam();
    // One frame, offset 100: L - offset = 220. Separators at -80 and 180; holes from
    // -100 every 18 (horizontal) up to 206, every 32 (vertical) up to 220 exclusive.
    ImagePtr image = h ? strip(1, true, 100, 319, 240) : strip(1, false, 100, 240, 319);
    ASSERT_TRUE(image);
    const CImageBuffer* im = image.get();
    EXPECT_EQ(along(im, h, 179, 120), kBlack);
    EXPECT_EQ(along(im, h, 180, 120), kStrip);
    EXPECT_EQ(along(im, h, 199, 120), kStrip);
    EXPECT_EQ(along(im, h, 200, 120), kBlack);
    EXPECT_EQ(along(im, h, 0, 120), kBlack) << "the separator at -80 ends at -61";
    EXPECT_EQ(along(im, h, 290, 120), kBlack) << "no separator past the strip's end";
    const int32_t last_hole = h ? 206 : 188;
    EXPECT_EQ(along(im, h, last_hole + 2, 10), kBlack);
    EXPECT_EQ(along(im, h, last_hole + (h ? 18 : 32) + 2, 10), kStrip)
        << "no hole past the strip's end";
    // A hole cut by the start of the image has no corner there: vertically the hole at
    // -100 + 3 * 32 = -4 covers 0 ... 11; horizontally, with offset 95, the one at -5
    // covers 0 ... 4.
    ImagePtr cut = h ? strip(1, true, 95, 319, 240) : ImagePtr(duplicate_image(im));
    const int32_t hole_end = h ? 5 : 12;
    EXPECT_EQ(along(cut.get(), h, 0, 8), kBlack);
    EXPECT_EQ(along(cut.get(), h, hole_end - 2, 8), kBlack);
    EXPECT_EQ(along(cut.get(), h, hole_end - 1, 8), kStrip) << "rounded corner";
    EXPECT_EQ(along(cut.get(), h, hole_end, 10), kStrip);
}

TEST(FilmStripLimits, TinyHugeAndUnusableSizesNeverHang) {
    ErrorRecorder errors;
    // Below 16 pixels the unit is 0: no separators, every hole on the first one.
    ImagePtr tiny(render_film_strip_image(3, true, 0, 10, 4, 1, 2, 3));
    ASSERT_TRUE(tiny);
    EXPECT_EQ(tiny->width, 11);
    EXPECT_EQ(tiny->height, 4);
    // The unit 1 makes the horizontal hole step 0.
    ImagePtr unit1(render_film_strip_image(3, true, -7, 20, 60, 1, 2, 3));
    ASSERT_TRUE(unit1);
    // Extreme frame counts and offsets only paint what reaches the image.
    ImagePtr far(render_film_strip_image(INT32_MAX, false, INT32_MIN, 64, 64, 1, 2, 3));
    ASSERT_TRUE(far);
    EXPECT_EQ(far->height, 65);
    ImagePtr behind(render_film_strip_image(INT32_MIN, true, INT32_MAX, 64, 64, 1, 2, 3));
    ASSERT_TRUE(behind);
    EXPECT_TRUE(errors.Take().empty());

    EXPECT_FALSE(render_film_strip_image(2, true, 0, 10, 0, 1, 2, 3)) << "height 0";
    EXPECT_FALSE(render_film_strip_image(2, false, 0, 10, -1, 1, 2, 3)) << "1 + -1 = 0";
    EXPECT_FALSE(render_film_strip_image(2, true, 0, -5, 10, 1, 2, 3));
    EXPECT_FALSE(render_film_strip_image(2, true, 0, INT32_MAX, 10, 1, 2, 3));
    EXPECT_EQ(errors.Take(), std::vector<std::string>(4, kBitmapFailedMessage));
}

}  // namespace
