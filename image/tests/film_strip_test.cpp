// The film strip: its size, bands, separators and sprocket holes, pixel by pixel.

#include <gtest/gtest.h>

#include <cstring>
#include <span>

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

// Pixels along a, across c, that must be the strip's colour or black.
struct Probe {
    int32_t a, c;
    bool strip;
};

void expect_probes(const CImageBuffer* image, bool horizontal, std::span<const Probe> probes) {
    for (const Probe& p : probes)
        EXPECT_EQ(along(image, horizontal, p.a, p.c), p.strip ? kStrip : kBlack)
            << "along " << p.a << ", across " << p.c;
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
        const Probe bands[] = {{a, 0, true}, {a, 29, true}, {a, 210, true}, {a, 239, true}};
        expect_probes(im, h, bands);
    }
    for (int32_t c : {30, 120, 209}) {
        const Probe separators[] = {{19, c, false}, {20, c, true},   {39, c, true},
                                    {40, c, false}, {150, c, false}, {279, c, false},
                                    {280, c, true}, {299, c, true},  {300, c, false}};
        expect_probes(im, h, separators);
    }
    // The first hole: black inside, its very corners (the first two) and everything
    // around in the band. The next holes, the second one cut into the separator it
    // overlaps.
    for (int32_t c0 : {8, 218}) {
        const int32_t c1 = c0 + 13, c5 = c0 + 5;
        const Probe holes[] = {{0, c0, true},      {hole - 1, c1, true},     {1, c0, false},
                               {0, c0 + 1, false}, {hole - 2, c1, false},    {5, c0 - 1, true},
                               {5, c1 + 1, true},  {hole, c5, true},         {step - 1, c5, true},
                               {step, c5, false},  {2 * step + 2, c5, false}};
        expect_probes(im, h, holes);
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
    // The separator at -80 ends at -61; none and no hole past the strip's end.
    const int32_t last = h ? 206 : 188, next = last + (h ? 18 : 32);
    const Probe ends[] = {{179, 120, false},     {180, 120, true},    {199, 120, true},
                          {200, 120, false},     {0, 120, false},     {290, 120, false},
                          {last + 2, 10, false}, {next + 2, 10, true}};
    expect_probes(im, h, ends);
    // A hole cut by the start of the image has no corner there: vertically the hole at
    // -100 + 3 * 32 = -4 covers 0 ... 11; horizontally, with offset 95, the one at -5
    // covers 0 ... 4.
    ImagePtr cut = h ? strip(1, true, 95, 319, 240) : ImagePtr(duplicate_image(im));
    const int32_t hole_end = h ? 5 : 12;
    const Probe corner[] = {
        {0, 8, false}, {hole_end - 2, 8, false}, {hole_end - 1, 8, true}, {hole_end, 10, true}};
    expect_probes(cut.get(), h, corner);
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
