// Area-averaging and nearest-pixel scaling, rotation by whole degrees in 1/1024 fixed
// point and fitting into a frame (inside, fill, nearest), in both layouts; and the SSE2
// form of the 32-bit scaler against its plain form.

#include <gtest/gtest.h>

#include <cstdlib>

#include "image/blend_kernels.h"
#include "image/cpu_features.h"
#include "image/tests/compose_test_support.h"
#include "image/transform.h"

namespace {

class Scale : public BothModes {};
VEMO_BOTH_MODES(Scale);

TEST_P(Scale, HandWorkedAveragesInEachLayout) {
    // Halving a uniform 4 x 4 keeps its value.
    for (uint8_t v : {255, 100}) {
        ImagePtr half(
            scale_image(Uniform(4, 4, {v, v, v, 255}).get(), 0, 0, 2048, 2048, 0, 0, 4096, 4096));
        ASSERT_TRUE(half);
        EXPECT_EQ(size_of(half.get()), std::tuple(2, 2, Depth()));
        expect_every_pixel(half.get(), [v](int32_t, int32_t) { return Bgra{v, v, v, 255}; });
    }

    // Only the last source column is bright. The last boundary is (2047 * 4096) / 2048
    // = 4094, so result column 1 takes it by 1022/1024. In 32 bits the top row is
    // 255 * 1022/1024 * 2 * 0.25 = 127.25 -> 127 (it would be 128 with a full weight).
    // In 24 bits the span 2049 ... 4095 averages 255 over 2047 units: 127.56 -> 128.
    ImagePtr edge = Picture(4, 4, [](int32_t x, int32_t) {
        return x == 3 ? Bgra{255, 0, 0, 255} : Bgra{0, 0, 0, 255};
    });
    ImagePtr half(scale_image(edge.get(), 0, 0, 2048, 2048, 0, 0, 4096, 4096));
    ASSERT_TRUE(half);
    EXPECT_EQ(pixel_at(half.get(), 1, 0).b, Depth() == 32 ? 127 : 128);
    EXPECT_EQ(pixel_at(half.get(), 0, 0).b, 0)
        << "the first span's last unit lands on a dark pixel";

    // fx = 512, dw = 1024: two result columns, each holding about half of the pixel.
    // 32 bits: 200 * 0.5 * 1023/1024 = 99.9 -> 100, 200 * 511/1024 * 1023/1024 -> 100,
    // alpha 127 in both. 24 bits keeps the full average, alpha included.
    ImagePtr one = Uniform(1, 1, {200, 200, 200, 255});
    const Bgra expect = Depth() == 32 ? Bgra{100, 100, 100, 127} : Bgra{200, 200, 200, 255};
    expect_pixels_at(ImagePtr(scale_image(one.get(), 512, 0, 1024, 1024, 0, 0, 1024, 1024)).get(),
                     {{0, 0, expect}, {1, 0, expect}});

    // Rows of value 2y, 40 of them, averaged four and twenty at a time: each result row
    // takes each of its source rows once, in a short window (kept sums, rows bottom
    // first) and in a tall one alike.
    ImagePtr src = Picture(3, 40, [](int32_t, int32_t y) {
        const auto v = static_cast<uint8_t>(2 * y);
        return Bgra{v, v, v, 255};
    });
    ImagePtr tenth(scale_image(src.get(), 0, 0, 3 * 1024, 10 * 1024, 0, 0, 3 * 1024, 40 * 1024));
    ImagePtr pair(scale_image(src.get(), 0, 0, 3 * 1024, 2 * 1024, 0, 0, 3 * 1024, 40 * 1024));
    ASSERT_TRUE(tenth && pair);
    for (int32_t j = 0; j < 10; ++j) EXPECT_EQ(pixel_at(tenth.get(), 2, j).g, 8 * j + 3) << j;
    EXPECT_EQ(pixel_at(pair.get(), 1, 0).g, 19);
    EXPECT_EQ(pixel_at(pair.get(), 1, 1).g, 59);
}

TEST_P(Scale, RectanglesOutsideTheSourceOrEmptyGiveNone) {
    ImagePtr src = Uniform(4, 3, {1, 2, 3, 255});
    EXPECT_FALSE(scale_image(src.get(), 0, 0, 1024, 1024, 1, 0, 4096, 1024)) << "past the right";
    EXPECT_FALSE(scale_image(src.get(), 0, 0, 1024, 1024, 0, 2048, 1024, 1025))
        << "past the bottom";
    EXPECT_FALSE(scale_image(src.get(), 0, 0, 1024, 1024, -1, 0, 1024, 1024));
    EXPECT_FALSE(scale_image(src.get(), 0, 0, 1024, 1024, 0, -1, 1024, 1024));
    EXPECT_FALSE(scale_image(src.get(), 0, 0, 0, 1024, 0, 0, 1024, 1024)) << "empty destination";
    EXPECT_FALSE(scale_image(src.get(), 0, 0, 1024, -5, 0, 0, 1024, 1024));
    EXPECT_FALSE(scale_image(src.get(), 0, 0, 1024, 1024, 0, 0, 0, 1024)) << "empty source";
    EXPECT_FALSE(scale_image(src.get(), 0, 0, 1024, 1024, INT32_MAX, 0, INT32_MAX, 1024));
    EXPECT_FALSE(scale_image(nullptr, 0, 0, 1024, 1024, 0, 0, 1024, 1024));
    EXPECT_FALSE(scale_image_nearest(src.get(), 0, 0, 1024, 1024, 0, 0, 4097, 1024));
    EXPECT_FALSE(scale_image_nearest(src.get(), 0, 0, 0, 1024, 0, 0, 1024, 1024));
    EXPECT_TRUE(ImagePtr(scale_image(src.get(), 0, 0, 1024, 1024, 0, 0, 4096, 3072)));
}

TEST_P(Scale, NearestPicksOneSourcePixel) {
    ImagePtr src = Picture(4, 2, [](int32_t x, int32_t y) {
        return Bgra{static_cast<uint8_t>(x), static_cast<uint8_t>(y), 9,
                    static_cast<uint8_t>(100 + x)};
    });
    // 4 x 2 -> 2 x 1: columns 0 and 2 of row 0, alpha travelling with the pixel.
    expect_pixels_at(
        ImagePtr(scale_image_nearest(src.get(), 0, 0, 2048, 1024, 0, 0, 4096, 2048)).get(),
        {{0, 0, {0, 0, 9, 100}}, {1, 0, {2, 0, 9, 102}}});
    // Columns 1 ... 2 (span 2) to five columns: i * 2 / 5 = 0, 0, 0, 1, 1; rows 1 -> 3.
    ImagePtr up(scale_image_nearest(src.get(), 0, 0, 5120, 3072, 1024, 1024, 2048, 1024));
    ASSERT_TRUE(up);
    EXPECT_EQ(size_of(up.get()), std::tuple(5, 3, Depth()));
    const uint8_t expect_x[5] = {1, 1, 1, 2, 2};
    expect_every_pixel(up.get(), [&](int32_t i, int32_t) {
        return Bgra{expect_x[i], 1, 9, static_cast<uint8_t>(100 + expect_x[i])};
    });
}

// Pictures of noise scaled both ways: the packed form's sums are the plain form's;
// only an exact half rounds differently (to even instead of up).
TEST(ScaleSse2, MatchesPlainFormUpToRoundingOfHalves) {
    if (!VEMO_SSE2_KERNELS || !(detect_cpu_features() & kCpuSSE2))
        GTEST_SKIP() << "no SSE2 forms on this processor";
    ImagePtr src(create_image32(37, 23));
    fill_random(src.get(), 7);
    struct Case {
        int32_t ox, oy, dw, dh, sx, sy, sw, sh;
    };
    const Case cases[] = {
        {0, 0, 19 * 1024, 11 * 1024, 0, 0, 37 * 1024, 23 * 1024},
        {300, 700, 50 * 1024 + 77, 31 * 1024 + 5, 100, 2000, 30 * 1024 + 9, 20 * 1024},
        {-5, -1030, 7 * 1024, 3 * 1024, 5 * 1024 + 1, 3 * 1024, 3 * 1024, 2 * 1024},
        {0, 0, 37 * 1024, 23 * 1024, 0, 0, 37 * 1024, 23 * 1024},
        // Columns of seven and eight taps: two groups of four in whole numbers.
        {0, 0, 6 * 1024, 4 * 1024, 0, 0, 37 * 1024, 23 * 1024},
        // Result rows of six and seven source rows each.
        {0, 0, 5 * 1024, 4 * 1024, 0, 0, 37 * 1024, 23 * 1024},
        // Columns of one to all 37 taps, ending at the row's last pixel.
        {0, 0, 3 * 1024 + 500, 2 * 1024, 0, 0, 37 * 1024, 23 * 1024},
        {0, 0, 1024, 1024, 0, 0, 37 * 1024, 23 * 1024},
        {-700, 0, 9 * 1024, 5 * 1024, 30 * 1024 + 1, 20 * 1024, 7 * 1024 - 1, 3 * 1024},
    };
    auto scaled = [](uint32_t features, const CImageBuffer* image, const Case& c) {
        return ImagePtr(with_features(features, [&] {
            return scale_image(image, c.ox, c.oy, c.dw, c.dh, c.sx, c.sy, c.sw, c.sh);
        }));
    };
    for (const Case& c : cases) {
        ImagePtr plain = scaled(0, src.get(), c), packed = scaled(kCpuSSE2, src.get(), c);
        ASSERT_TRUE(plain && packed);
        if (detect_cpu_features() & kCpuAVX2) {
            ASSERT_TRUE(same_pixels(scaled(kCpuSSE2 | kCpuAVX2, src.get(), c).get(), packed.get()));
        }
        ASSERT_EQ(std::pair(plain->width, plain->height), std::pair(packed->width, packed->height));
        int differing = 0;
        for (int64_t k = 0; k < int64_t{plain->stride} * plain->height; ++k) {
            int d = plain->pixels[k] - packed->pixels[k];
            ASSERT_LE(std::abs(d), 1) << "byte " << k;
            differing += d != 0;
        }
        EXPECT_LE(differing, plain->stride * plain->height / 100) << "only exact halves differ";
    }

    // A pixel taken by exactly one half: 5 * 0.5 = 2.5 rounds up plainly, to even packed.
    ImagePtr dot = make_picture(32, 1, 2, [](int32_t, int32_t) { return Bgra{5, 3, 7, 255}; });
    const Case half{512, 0, 1024, 2048, 0, 0, 1024, 2048};
    ImagePtr plain = scaled(0, dot.get(), half), packed = scaled(kCpuSSE2, dot.get(), half);
    ASSERT_TRUE(plain && packed);
    EXPECT_EQ(pixel_at(plain.get(), 0, 0), (Bgra{3, 2, 4, 128}));
    EXPECT_EQ(pixel_at(packed.get(), 0, 0), (Bgra{2, 2, 4, 128}));
}

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
    EXPECT_EQ(size_of(turned.get()), std::tuple(2, 4, Depth()));
    // The integer centres leave the top row transparent and drop the source's left
    // column; the source's top row becomes the left column: (i, j) reads (4 - j, i).
    expect_every_pixel(turned.get(),
                       [](int32_t i, int32_t j) { return j ? marked(4 - j, i) : Bgra{}; });

    // cos 180 * 1024 + 0.5 truncates to -1023, so the columns come out as 3, 2, 2, 1
    // and both rows read source row 1.
    const int32_t columns[4] = {3, 2, 2, 1};
    expect_every_pixel(ImagePtr(rotate_image(src.get(), 180)).get(),
                       [&](int32_t i, int32_t) { return marked(columns[i], 1); });
}

TEST_P(Rotate, NoTurnPremultipliesAlpha) {
    ImagePtr src = Picture(3, 2, [](int32_t x, int32_t) {
        return x == 1 ? Bgra{255, 100, 0, 128} : Bgra{200, 100, 50, 255};
    });
    for (int32_t degrees : {0, 360, -720}) {
        ImagePtr same(rotate_image(src.get(), degrees));
        ASSERT_TRUE(same);
        EXPECT_EQ(size_of(same.get()), std::tuple(3, 2, Depth()));
        // Opaque pixels are unchanged; 255 * 128 / 255 = 128, 100 * 128 / 255 = 50.
        expect_pixels_at(same.get(), {{0, 1, {200, 100, 50, 255}}, {1, 0, {128, 50, 0, 128}}});
    }
}

TEST_P(Rotate, SizesOfOtherAngles) {
    ImagePtr src = Uniform(10, 4, {1, 2, 3, 255});
    // 30 degrees: 8.66 + 2 + 0.5 -> 11 and 5 + 3.46 + 0.5 -> 8.
    const int32_t sizes[][3] = {{30, 11, 8},  {-30, 11, 8}, {390, 11, 8},
                                {-90, 4, 10}, {180, 10, 4}, {45, 10, 10}};
    for (auto [degrees, width, height] : sizes) {
        ImagePtr turned(rotate_image(src.get(), degrees));
        ASSERT_TRUE(turned);
        EXPECT_EQ(std::pair(turned->width, turned->height), std::pair(width, height)) << degrees;
    }
    // At 30 degrees the centre of the result reads the centre of the source and the
    // corners lie outside the turned picture.
    expect_pixels_at(ImagePtr(rotate_image(src.get(), 30)).get(),
                     {{5, 4, {1, 2, 3, 255}}, {0, 0, {0, 0, 0, 0}}, {10, 7, {0, 0, 0, 0}}});
}

class Fit : public BothModes {};
VEMO_BOTH_MODES(Fit);

constexpr Bgra kColour{10, 20, 30, 255};

TEST_P(Fit, InsideCentresTheWholePictureBetweenTransparentBands) {
    // 400 x 300 into 320 x 320: scaled to 320 x 240 and placed at (0, 40).
    ImagePtr fitted(fit_image(Uniform(400, 300, kColour).get(), 320, 320, FIT_INSIDE));
    ASSERT_TRUE(fitted);
    EXPECT_EQ(size_of(fitted.get()), std::tuple(320, 320, Depth()));
    expect_pixels_at(
        fitted.get(),
        {{160, 39, {0, 0, 0, 0}}, {0, 40, kColour}, {160, 200, kColour}, {160, 280, {0, 0, 0, 0}}});
    EXPECT_GT(pixel_at(fitted.get(), 160, 279).a, 250);

    ImagePtr src = Picture(4, 2, [](int32_t x, int32_t y) {
        return Bgra{static_cast<uint8_t>(x), static_cast<uint8_t>(y), 5, 255};
    });
    // Same aspect: 4 x 2 into 2 x 1 by nearest takes columns 0 and 2 of row 0.
    expect_pixels_at(ImagePtr(fit_image(src.get(), 2, 1, FIT_INSIDE | FIT_NEAREST)).get(),
                     {{0, 0, {0, 0, 5, 255}}, {1, 0, {2, 0, 5, 255}}});
    // Wider into 2 x 2 inside: scaled to 2 x 1 at (0, 0), the row below transparent.
    expect_pixels_at(ImagePtr(fit_image(src.get(), 2, 2, FIT_INSIDE | FIT_NEAREST)).get(),
                     {{1, 0, {2, 0, 5, 255}}, {1, 1, {0, 0, 0, 0}}});
}

TEST_P(Fit, FillCropsTheOverflow) {
    // 400 x 300 into 320 x 320 filled: scaled to 426 x 320 and placed at (-53, 0).
    // Column c of the picture carries c / 4 in blue, so the crop shows in the result.
    ImagePtr src = Picture(400, 300, [](int32_t x, int32_t) {
        return Bgra{static_cast<uint8_t>(x / 4), 0, 0, 255};
    });
    // Result column 0 is scaled column 53: picture column 53 * 400 / 426 = 49.
    expect_pixels_at(ImagePtr(fit_image(src.get(), 320, 320, FIT_FILL | FIT_NEAREST)).get(),
                     {{0, 0, {49 / 4, 0, 0, 255}}, {319, 319, {(372 * 400 / 426) / 4, 0, 0, 255}}});
    ImagePtr area(fit_image(src.get(), 320, 320, FIT_FILL));
    ASSERT_TRUE(area);
    for (auto [x, y] : {std::pair{0, 0}, {319, 0}, {0, 319}, {319, 319}})
        EXPECT_EQ(pixel_at(area.get(), x, y).a, 255) << x << "," << y;
}

TEST_P(Fit, FlagsAndEmptyFitsGiveNone) {
    ImagePtr src = Uniform(1000, 1, kColour);
    EXPECT_FALSE(fit_image(src.get(), 100, 100, 0));
    EXPECT_FALSE(fit_image(src.get(), 100, 100, FIT_NEAREST));
    EXPECT_FALSE(fit_image(src.get(), 100, 100, FIT_INSIDE)) << "1000 x 1 fitted is 100 x 0";
    EXPECT_FALSE(fit_image(src.get(), 0, 100, FIT_FILL));
    EXPECT_FALSE(fit_image(nullptr, 100, 100, FIT_FILL));
    // Filling takes a 100000 x 100 picture's middle. Magnified 100 times, boundaries
    // fall every 10.24 units and truncate: result pixel (50, 50) takes 10/1024 of a
    // column and of a row, times the area factor 10000, so 32 bits give 30 * 0.9537
    // -> 29 and alpha 243; 24 bits average exactly.
    expect_pixels_at(ImagePtr(fit_image(src.get(), 100, 100, FIT_FILL)).get(),
                     {{50, 50, Depth() == 32 ? Bgra{10, 19, 29, 243} : kColour}});
}

// A 24-bit picture without a plane comes out with an opaque one. The still pages fit
// frames with the 24-bit form whatever the image mode.
TEST(Plain24, PicturesWithoutPlaneComeOutOpaque) {
    const Bgra solid{40, 50, 60, 255}, clear{0, 0, 0, 0};
    ImagePtr src = make_plain24(8, 2, {40, 50, 60, 0});
    ImagePtr scaled(scale_image(src.get(), 0, 0, 1024, 1024, 0, 0, 2048, 2048));
    ImagePtr nearest(scale_image_nearest(src.get(), 0, 0, 1024, 1024, 0, 0, 2048, 2048));
    ImagePtr turned(rotate_image(src.get(), 90));
    ImagePtr fitted(fit_image(src.get(), 4, 4, FIT_INSIDE));
    for (const CImageBuffer* image : {scaled.get(), nearest.get(), turned.get(), fitted.get()}) {
        ASSERT_TRUE(image && image->alpha);
        EXPECT_EQ(image->bpp, 24);
    }
    expect_pixels_at(scaled.get(), {{0, 0, solid}});
    expect_pixels_at(nearest.get(), {{0, 0, solid}});
    expect_pixels_at(turned.get(), {{0, 0, clear}, {0, 1, solid}});
    expect_pixels_at(fitted.get(), {{0, 0, clear}, {1, 1, solid}});
    EXPECT_FALSE(rotate_image(nullptr, 90));
    EXPECT_FALSE(rotate_image(ImagePtr(create_image(4, 2, 8)).get(), 90)) << "not a working layout";

    // 2048 result pixels out of 1/1024 of a source pixel: spans shorter than one unit.
    ImagePtr line = make_uniform(24, 3, 1, {10, 20, 30, 255});
    ImagePtr huge(scale_image(line.get(), 0, 0, 2048 * 1024, 1024, 2047, 0, 1, 1024));
    ASSERT_TRUE(huge);
    EXPECT_EQ(huge->width, 2048);
    EXPECT_EQ(pixel_at(huge.get(), 2047, 0), (Bgra{10, 20, 30, 255}));
    expect_pixels_at(ImagePtr(scale_image(line.get(), 0, 0, 4096, 1024, 0, 0, 1, 1024)).get(),
                     {{3, 0, {10, 20, 30, 255}}});
}

}  // namespace
