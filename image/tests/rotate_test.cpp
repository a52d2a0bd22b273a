// Rotation by whole degrees in 1/1024 fixed point, both layouts.

#include <gtest/gtest.h>

#include "image/tests/compose_test_support.h"
#include "image/transform.h"

namespace {

class Rotate : public BothModes {};
VEMO_BOTH_MODES(Rotate);

// Blue is the column, green the row, so every result pixel tells where it came from.
Bgra marked(int32_t x, int32_t y) {
    return {static_cast<uint8_t>(x), static_cast<uint8_t>(y), 100, 255};
}

TEST_P(Rotate, QuarterAndHalfTurnsOfFourByTwo) {
    ImagePtr src = Picture(4, 2, marked);
    ImagePtr turned(rotate_image(src.get(), 90));
    ASSERT_TRUE(turned);
    EXPECT_EQ(turned->width, 2);
    EXPECT_EQ(turned->height, 4);
    EXPECT_EQ(turned->bpp, Depth());
    // The integer centres leave the top row transparent and drop the source's left
    // column; the source's top row becomes the left column: (i, j) reads (4 - j, i).
    for (int32_t i = 0; i < 2; ++i) EXPECT_EQ(pixel_at(turned.get(), i, 0), (Bgra{0, 0, 0, 0}));
    for (int32_t j = 1; j < 4; ++j)
        for (int32_t i = 0; i < 2; ++i) EXPECT_EQ(pixel_at(turned.get(), i, j), marked(4 - j, i));

    // cos 180 * 1024 + 0.5 truncates to -1023, so the columns come out as 3, 2, 2, 1
    // and both rows read source row 1.
    ImagePtr half(rotate_image(src.get(), 180));
    ASSERT_TRUE(half);
    const int32_t columns[4] = {3, 2, 2, 1};
    for (int32_t j = 0; j < 2; ++j)
        for (int32_t i = 0; i < 4; ++i)
            EXPECT_EQ(pixel_at(half.get(), i, j), marked(columns[i], 1));
}

TEST_P(Rotate, NoTurnPremultipliesAlpha) {
    ImagePtr src = Picture(3, 2, [](int32_t x, int32_t) {
        return x == 1 ? Bgra{255, 100, 0, 128} : Bgra{200, 100, 50, 255};
    });
    for (int32_t degrees : {0, 360, -720}) {
        ImagePtr same(rotate_image(src.get(), degrees));
        ASSERT_TRUE(same);
        EXPECT_EQ(same->width, 3);
        EXPECT_EQ(same->height, 2);
        EXPECT_EQ(pixel_at(same.get(), 0, 1), (Bgra{200, 100, 50, 255})) << "opaque unchanged";
        // 255 * 128 / 255 = 128, 100 * 128 / 255 = 50.
        EXPECT_EQ(pixel_at(same.get(), 1, 0), (Bgra{128, 50, 0, 128}));
    }
}

TEST_P(Rotate, SizesOfOtherAngles) {
    ImagePtr src = Uniform(10, 4, {1, 2, 3, 255});
    struct Case {
        int32_t degrees, width, height;
    };
    // 30 degrees: 8.66 + 2 + 0.5 -> 11 and 5 + 3.46 + 0.5 -> 8.
    for (Case c : {Case{30, 11, 8}, Case{-30, 11, 8}, Case{390, 11, 8}, Case{-90, 4, 10},
                   Case{180, 10, 4}, Case{45, 10, 10}}) {
        ImagePtr turned(rotate_image(src.get(), c.degrees));
        ASSERT_TRUE(turned);
        EXPECT_EQ(turned->width, c.width) << c.degrees;
        EXPECT_EQ(turned->height, c.height) << c.degrees;
    }
    // At 30 degrees the centre of the result reads the centre of the source and the
    // corners lie outside the turned picture.
    ImagePtr turned(rotate_image(src.get(), 30));
    EXPECT_EQ(pixel_at(turned.get(), 5, 4), (Bgra{1, 2, 3, 255}));
    EXPECT_EQ(pixel_at(turned.get(), 0, 0), (Bgra{0, 0, 0, 0}));
    EXPECT_EQ(pixel_at(turned.get(), 10, 7), (Bgra{0, 0, 0, 0}));
}

TEST(Rotate24, PictureWithoutPlaneTurnsOpaque) {
    ImagePtr src(create_image(4, 2, 24));
    for (int32_t x = 0; x < 4; ++x)
        for (int32_t y = 0; y < 2; ++y) put_pixel(src.get(), x, y, {7, 8, 9, 0});
    ImagePtr turned(rotate_image(src.get(), 90));
    ASSERT_TRUE(turned);
    ASSERT_TRUE(turned->alpha);
    EXPECT_EQ(pixel_at(turned.get(), 0, 0), (Bgra{0, 0, 0, 0}));
    EXPECT_EQ(pixel_at(turned.get(), 0, 1), (Bgra{7, 8, 9, 255}));
    EXPECT_FALSE(rotate_image(nullptr, 90));
    ImagePtr gray(create_image(4, 2, 8));
    EXPECT_FALSE(rotate_image(gray.get(), 90)) << "not a working layout";
}

}  // namespace
