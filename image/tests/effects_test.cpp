// Colour effects of IMAGE blocks, the 3 x 3 box blur and the sideways jitter by frame,
// both layouts.

#include <gtest/gtest.h>

#include "image/effects.h"
#include "image/tests/compose_test_support.h"

namespace {

class Effects : public BothModes {};
VEMO_BOTH_MODES(Effects);

TEST_P(Effects, OnePixelColourEffects) {
    using Effect = CImageBuffer* (*)(const CImageBuffer*);
    const Effect red = [](const CImageBuffer* i) { return channel_image(i, CHANNEL_RED); };
    const Effect green = [](const CImageBuffer* i) { return channel_image(i, CHANNEL_GREEN); };
    const Effect blue = [](const CImageBuffer* i) { return channel_image(i, CHANNEL_BLUE); };
    const struct {
        Effect effect;
        Bgra p, want;
    } cases[] = {
        {sepia_image, {0, 0, 0, 255}, {0, 0, 19, 255}},
        {sepia_image, {255, 255, 255, 255}, {212, 253, 255, 255}},
        {sepia_image, {9, 8, 7, 0}, {0, 0, 0, 0}},  // transparent black
        // Y = (100 * 299 + 150 * 587 + 50 * 114) / 1000 = 123: R 142, G 121, B 80, opaque.
        {sepia_image, {50, 150, 100, 1}, {80, 121, 142, 255}},
        // Y = 1: G (1000 - 1740) / 1000 truncates to 0.
        {sepia_image, {0, 0, 4, 255}, {0, 0, 20, 255}},
        {mono_image, {0, 0, 255, 77}, {79, 79, 79, 77}},
        {mono_image, {255, 255, 255, 255}, {255, 255, 255, 255}},  // 257.55 is limited to 255
        {nega_image, {1, 2, 250, 9}, {254, 253, 5, 9}},
        {red, {11, 22, 33, 44}, {0, 0, 33, 44}},
        {green, {11, 22, 33, 44}, {0, 22, 0, 44}},
        {blue, {11, 22, 33, 44}, {11, 0, 0, 44}},
    };
    for (const auto& c : cases) {
        ImagePtr out(c.effect(Uniform(1, 1, c.p).get()));
        ASSERT_TRUE(out) << c.p;
        EXPECT_EQ(pixel_at(out.get(), 0, 0), c.want) << c.p;
    }
    EXPECT_FALSE(channel_image(Uniform(1, 1, {}).get(), 3));
    EXPECT_FALSE(sepia_image(nullptr));
    EXPECT_FALSE(mono_image(nullptr));
}

TEST_P(Effects, DiscolorThresholdsEachChannelByItsHistogram) {
    // Red: 10, 10, 12, 12 -> the walk stops at 11 (2 * 4 / 3 + 2 > 4): 0, 0, 255, 255.
    // Green: 10, 12, 12, 12 -> it stops at once at 12 (4 / 3 + 3 > 4): all 0.
    // Blue: a single value, which is its own threshold: all 0.
    const uint8_t red[4] = {10, 10, 12, 12};
    const uint8_t green[4] = {10, 12, 12, 12};
    ImagePtr src = Picture(4, 1, [&](int32_t x, int32_t) {
        return Bgra{200, green[x], red[x], static_cast<uint8_t>(x)};
    });
    expect_every_pixel(ImagePtr(discolor_image(src.get(), 0.5)).get(), [](int32_t x, int32_t) {
        return Bgra{0, 0, static_cast<uint8_t>(x < 2 ? 0 : 255), static_cast<uint8_t>(x)};
    });
    // 10 x 3 and 20 x 1: the walk from 20 stops at 12 ((21 - 12) * 4 / 11 + 1 > 4).
    ImagePtr wide = Picture(4, 1, [](int32_t x, int32_t) {
        return Bgra{0, 0, static_cast<uint8_t>(x == 3 ? 20 : 10), 255};
    });
    ImagePtr split(discolor_image(wide.get(), 0.5));
    EXPECT_EQ(pixel_at(split.get(), 0, 0).r, 0);
    EXPECT_EQ(pixel_at(split.get(), 3, 0).r, 255);
}

TEST_P(Effects, HighpassMarksEdgesWhite) {
    // A 5 x 5 black picture with one blue pixel in the middle: mean 200 / 15 / 5 = 2,
    // k = min(200 - 2, 2 - 0) / 256. Only the middle pixel's Laplacian is positive.
    ImagePtr src = Picture(5, 5, [](int32_t x, int32_t y) {
        return x == 2 && y == 2 ? Bgra{200, 0, 0, 90}
                                : Bgra{0, 0, 0, static_cast<uint8_t>(x + 10 * y)};
    });
    expect_every_pixel(ImagePtr(highpass_image(src.get())).get(), [](int32_t x, int32_t y) {
        return x == 2 && y == 2 ? Bgra{255, 255, 255, 90}
                                : Bgra{0, 0, 0, static_cast<uint8_t>(x + 10 * y)};
    });
    // A uniform picture has no edges; its edge pixels see themselves beyond the border.
    expect_pixels_at(ImagePtr(highpass_image(Uniform(3, 2, {80, 80, 80, 255}).get())).get(),
                     {{0, 0, {0, 0, 0, 255}}, {2, 1, {0, 0, 0, 255}}});
}

TEST_P(Effects, ThroughColorClearsAlphaOfOneColourInPlace) {
    ImagePtr img = Picture(3, 1, [](int32_t x, int32_t) {
        return x == 1 ? Bgra{30, 20, 10, 200} : Bgra{30, 20, static_cast<uint8_t>(11 + x), 150};
    });
    ASSERT_EQ(through_color_image(img.get(), 10, 20, 30), 0);
    // The cleared pixel keeps its colour bytes.
    expect_pixels_at(
        img.get(), {{0, 0, {30, 20, 11, 150}}, {1, 0, {30, 20, 10, 0}}, {2, 0, {30, 20, 13, 150}}});
    EXPECT_EQ(through_color_image(nullptr, 0, 0, 0), -1);

    // A 24-bit picture without a plane is given one.
    ImagePtr plain(create_image(2, 1, 24));
    put_pixel(plain.get(), 1, 0, {3, 2, 1, 0});
    ASSERT_EQ(through_color_image(plain.get(), 1, 2, 3), 0);
    ASSERT_TRUE(plain->alpha);
    expect_pixels_at(plain.get(), {{0, 0, {0, 0, 0, 255}}, {1, 0, {3, 2, 1, 0}}});
}

TEST_P(Effects, PhotoFramePaintsAWhiteBorder) {
    // 10 x 6 at 20 percent: border 10 * 20 / 100 = 2.
    ImagePtr src = Uniform(10, 6, {1, 2, 3, 77});
    const Bgra white{255, 255, 255, 77};
    const Bgra inside{1, 2, 3, 77};
    ImagePtr out(photo_frame_image(src.get(), 20));
    ASSERT_TRUE(out);
    EXPECT_EQ(size_of(out.get()), std::tuple(10, 6, Depth()));
    expect_every_pixel(out.get(), [&](int32_t x, int32_t y) {
        return x < 2 || x >= 8 || y < 2 || y >= 4 ? white : inside;
    });
    EXPECT_EQ(pixel_at(ImagePtr(photo_frame_image(src.get(), 0)).get(), 0, 0), inside);
    EXPECT_EQ(pixel_at(ImagePtr(photo_frame_image(src.get(), 1000)).get(), 5, 3), white);
    EXPECT_EQ(pixel_at(ImagePtr(photo_frame_image(src.get(), -50)).get(), 9, 5), inside);
}

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
    expect_pixels_at(row.get(),
                     {{0, 0, {30, 1, 0, 255}}, {1, 0, {90, 0, 0, 255}}, {2, 0, {150, 0, 0, 255}}});

    // 3 x 3 with one bright corner: the corner output sees it four times (36 / 9 = 4),
    // the middle once (9 / 9 = 1), the far corner never.
    ImagePtr out(blur_image(Picture(3, 3, [](int32_t x, int32_t y) {
                                return x == 0 && y == 0 ? Bgra{9, 0, 0, 18} : Bgra{0, 0, 0, 0};
                            }).get()));
    expect_pixels_at(out.get(), {{0, 0, {4, 0, 0, 8}}, {1, 1, {1, 0, 0, 2}}, {2, 2, {0, 0, 0, 0}}});
    EXPECT_FALSE(blur_image(nullptr));
}

class Jitter : public BothModes {};
VEMO_BOTH_MODES(Jitter);

// Blue is the source column plus 100; clear outside the 12 columns.
Bgra column(int32_t x) {
    return x < 0 || x >= 12 ? Bgra{0, 0, 0, 0} : Bgra{static_cast<uint8_t>(100 + x), 50, 0, 255};
}

// Shift 5 moves the picture right, -5 left; 0 mixes both at 127 / 255: (c * 127) >> 8
// of each.
TEST_P(Jitter, FramesCycleMixRightMixLeft) {
    ImagePtr src = Picture(12, 2, [](int32_t x, int32_t) { return column(x); });
    auto mix = [](uint8_t a, uint8_t b) {
        return static_cast<uint8_t>(((a * 127) >> 8) + ((b * 127) >> 8));
    };
    const std::pair<int32_t, int32_t> frames[] = {{0, 0}, {1, 5},   {2, 0},        {3, -5},
                                                  {4, 0}, {-1, -5}, {INT32_MIN, 0}};
    for (const auto& [frame, given] : frames) {
        const int32_t shift = given;  // a lambda may not capture a structured binding
        SCOPED_TRACE(::testing::Message() << "frame " << frame);
        expect_every_pixel(ImagePtr(jitter_image(src.get(), frame)).get(), [&](int32_t x, int32_t) {
            const Bgra left = column(x + 5), right = column(x - 5);
            return shift ? column(x - shift)
                         : Bgra{mix(left.b, right.b), mix(left.g, right.g), 0,
                                std::max(left.a, right.a)};
        });
    }
    EXPECT_FALSE(jitter_image(nullptr, 0));
}

}  // namespace
