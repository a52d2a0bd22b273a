// Fitting a picture into a frame: inside, fill, nearest.

#include <gtest/gtest.h>

#include "image/tests/compose_test_support.h"
#include "image/transform.h"

namespace {

class Fit : public BothModes {};
VEMO_BOTH_MODES(Fit);

constexpr Bgra kColour{10, 20, 30, 255};

TEST_P(Fit, InsideCentresTheWholePictureBetweenTransparentBands) {
    // 400 x 300 into 320 x 320: scaled to 320 x 240 and placed at (0, 40).
    ImagePtr src = Uniform(400, 300, kColour);
    ImagePtr fitted(fit_image(src.get(), 320, 320, FIT_INSIDE));
    ASSERT_TRUE(fitted);
    EXPECT_EQ(fitted->width, 320);
    EXPECT_EQ(fitted->height, 320);
    EXPECT_EQ(fitted->bpp, Depth());
    EXPECT_EQ(pixel_at(fitted.get(), 160, 39), (Bgra{0, 0, 0, 0}));
    EXPECT_EQ(pixel_at(fitted.get(), 0, 40), kColour);
    EXPECT_EQ(pixel_at(fitted.get(), 160, 200), kColour);
    EXPECT_GT(pixel_at(fitted.get(), 160, 279).a, 250);
    EXPECT_EQ(pixel_at(fitted.get(), 160, 280), (Bgra{0, 0, 0, 0}));
}

TEST_P(Fit, FillCropsTheOverflow) {
    // 400 x 300 into 320 x 320 filled: scaled to 426 x 320 and placed at (-53, 0).
    // Column c of the picture carries c / 4 in blue, so the crop shows in the result.
    ImagePtr src = Picture(400, 300, [](int32_t x, int32_t) {
        return Bgra{static_cast<uint8_t>(x / 4), 0, 0, 255};
    });
    ImagePtr nearest(fit_image(src.get(), 320, 320, FIT_FILL | FIT_NEAREST));
    ASSERT_TRUE(nearest);
    // Result column 0 is scaled column 53: picture column 53 * 400 / 426 = 49.
    EXPECT_EQ(pixel_at(nearest.get(), 0, 0), (Bgra{49 / 4, 0, 0, 255}));
    EXPECT_EQ(pixel_at(nearest.get(), 319, 319), (Bgra{(372 * 400 / 426) / 4, 0, 0, 255}));
    ImagePtr area(fit_image(src.get(), 320, 320, FIT_FILL));
    ASSERT_TRUE(area);
    for (auto [x, y] : {std::pair{0, 0}, {319, 0}, {0, 319}, {319, 319}})
        EXPECT_EQ(pixel_at(area.get(), x, y).a, 255) << x << "," << y;
}

TEST_P(Fit, SameAspectAndNearestScaling) {
    ImagePtr src = Picture(4, 2, [](int32_t x, int32_t y) {
        return Bgra{static_cast<uint8_t>(x), static_cast<uint8_t>(y), 5, 255};
    });
    // Same aspect: 4 x 2 into 2 x 1 by nearest takes columns 0 and 2 of row 0.
    ImagePtr same(fit_image(src.get(), 2, 1, FIT_INSIDE | FIT_NEAREST));
    ASSERT_TRUE(same);
    EXPECT_EQ(pixel_at(same.get(), 0, 0), (Bgra{0, 0, 5, 255}));
    EXPECT_EQ(pixel_at(same.get(), 1, 0), (Bgra{2, 0, 5, 255}));
    // Wider into 2 x 2 inside: scaled to 2 x 1 at (0, 0), the row below transparent.
    ImagePtr wide(fit_image(src.get(), 2, 2, FIT_INSIDE | FIT_NEAREST));
    ASSERT_TRUE(wide);
    EXPECT_EQ(pixel_at(wide.get(), 1, 0), (Bgra{2, 0, 5, 255}));
    EXPECT_EQ(pixel_at(wide.get(), 1, 1), (Bgra{0, 0, 0, 0}));
}

TEST_P(Fit, FlagsAndEmptyFitsGiveNone) {
    ImagePtr src = Uniform(1000, 1, kColour);
    EXPECT_FALSE(fit_image(src.get(), 100, 100, 0));
    EXPECT_FALSE(fit_image(src.get(), 100, 100, FIT_NEAREST));
    EXPECT_FALSE(fit_image(src.get(), 100, 100, FIT_INSIDE)) << "1000 x 1 fitted is 100 x 0";
    EXPECT_FALSE(fit_image(src.get(), 0, 100, FIT_FILL));
    EXPECT_FALSE(fit_image(nullptr, 100, 100, FIT_FILL));
    ImagePtr filled(fit_image(src.get(), 100, 100, FIT_FILL));
    ASSERT_TRUE(filled) << "filling takes a 100000 x 100 picture's middle";
    // Magnified 100 times, boundaries fall every 10.24 units and truncate: result
    // pixel (50, 50) takes 10/1024 of a column and of a row, times the area factor
    // 10000, so 32 bits give 30 * 0.9537 -> 29 and alpha 243; 24 bits average exactly.
    EXPECT_EQ(pixel_at(filled.get(), 50, 50), Depth() == 32 ? (Bgra{10, 19, 29, 243}) : kColour);
}

TEST(Fit24, PictureWithoutPlaneFitsIntoTransparentBands) {
    // The still pages fit frames with the 24-bit form whatever the image mode.
    ImagePtr src(create_image(8, 2, 24));
    for (int32_t x = 0; x < 8; ++x)
        for (int32_t y = 0; y < 2; ++y) put_pixel(src.get(), x, y, {40, 50, 60, 0});
    ImagePtr fitted(fit_image(src.get(), 4, 4, FIT_INSIDE));
    ASSERT_TRUE(fitted);
    EXPECT_EQ(fitted->bpp, 24);
    ASSERT_TRUE(fitted->alpha);
    EXPECT_EQ(pixel_at(fitted.get(), 0, 0), (Bgra{0, 0, 0, 0}));
    EXPECT_EQ(pixel_at(fitted.get(), 1, 1), (Bgra{40, 50, 60, 255}));
}

}  // namespace
