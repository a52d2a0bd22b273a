// The 3 x 3 box blur, both layouts.

#include <gtest/gtest.h>

#include "image/effects.h"
#include "image/tests/compose_test_support.h"

namespace {

class Blur : public BothModes {};
VEMO_BOTH_MODES(Blur);

TEST_P(Blur, EdgePixelsCountTwiceCornersFourTimesAndAlphaBlursAlike) {
    // One row: every output sees its row three times. Blue 0, 90, 180: x = 0 sums
    // 3 * (0 + 0 + 90) / 9 = 30, x = 1 gives 90, x = 2 3 * (90 + 180 + 180) / 9 = 150.
    // Green 1, 0, 0: 6 / 9 + 0.5 -> 1 at x = 0, 3 / 9 + 0.5 -> 0 at x = 1.
    const uint8_t blue[3] = {0, 90, 180}, green[3] = {1, 0, 0};
    ImagePtr row(blur_image(Picture(3, 1, [&](int32_t x, int32_t) {
                                return Bgra{blue[x], green[x], 0, 255};
                            }).get()));
    ASSERT_TRUE(row);
    EXPECT_EQ(pixel_at(row.get(), 0, 0), (Bgra{30, 1, 0, 255}));
    EXPECT_EQ(pixel_at(row.get(), 1, 0), (Bgra{90, 0, 0, 255}));
    EXPECT_EQ(pixel_at(row.get(), 2, 0), (Bgra{150, 0, 0, 255}));

    // 3 x 3 with one bright corner: the corner output sees it four times (36 / 9 = 4),
    // the middle once (9 / 9 = 1), the far corner never.
    ImagePtr out(blur_image(Picture(3, 3, [](int32_t x, int32_t y) {
                                return x == 0 && y == 0 ? Bgra{9, 0, 0, 18} : Bgra{0, 0, 0, 0};
                            }).get()));
    ASSERT_TRUE(out);
    EXPECT_EQ(pixel_at(out.get(), 0, 0), (Bgra{4, 0, 0, 8}));
    EXPECT_EQ(pixel_at(out.get(), 1, 1), (Bgra{1, 0, 0, 2}));
    EXPECT_EQ(pixel_at(out.get(), 2, 2), (Bgra{0, 0, 0, 0}));
    EXPECT_FALSE(blur_image(nullptr));
}

}  // namespace
