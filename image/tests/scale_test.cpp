// Area-averaging and nearest-pixel scaling in both layouts, and the SSE2 form of the
// 32-bit scaler against its plain form.

#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <random>

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
        for (int32_t y = 0; y < 2; ++y)
            for (int32_t x = 0; x < 2; ++x)
                EXPECT_EQ(pixel_at(half.get(), x, y), (Bgra{v, v, v, 255})) << x << "," << y;
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
    ImagePtr two(scale_image(one.get(), 512, 0, 1024, 1024, 0, 0, 1024, 1024));
    ASSERT_TRUE(two);
    const Bgra expect = Depth() == 32 ? Bgra{100, 100, 100, 127} : Bgra{200, 200, 200, 255};
    EXPECT_EQ(pixel_at(two.get(), 0, 0), expect);
    EXPECT_EQ(pixel_at(two.get(), 1, 0), expect);

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
    // 4 x 2 -> 2 x 1: columns 0 and 2 of row 0.
    ImagePtr down(scale_image_nearest(src.get(), 0, 0, 2048, 1024, 0, 0, 4096, 2048));
    ASSERT_TRUE(down);
    EXPECT_EQ(pixel_at(down.get(), 0, 0), (Bgra{0, 0, 9, 100}));
    EXPECT_EQ(pixel_at(down.get(), 1, 0), (Bgra{2, 0, 9, 102})) << "alpha travels with the pixel";
    // Columns 1 ... 2 (span 2) to five columns: i * 2 / 5 = 0, 0, 0, 1, 1; rows 1 -> 3.
    ImagePtr up(scale_image_nearest(src.get(), 0, 0, 5120, 3072, 1024, 1024, 2048, 1024));
    ASSERT_TRUE(up);
    const uint8_t expect_x[5] = {1, 1, 1, 2, 2};
    for (int32_t j = 0; j < 3; ++j)
        for (int32_t i = 0; i < 5; ++i)
            EXPECT_EQ(pixel_at(up.get(), i, j),
                      (Bgra{expect_x[i], 1, 9, static_cast<uint8_t>(100 + expect_x[i])}));
}

TEST(Scale24, SourceWithoutPlaneScalesOpaqueAndHugeMagnificationStaysInside) {
    ImagePtr src(create_image(2, 2, 24));
    for (int32_t y = 0; y < 2; ++y)
        for (int32_t x = 0; x < 2; ++x) put_pixel(src.get(), x, y, {60, 70, 80, 0});
    ImagePtr out(scale_image(src.get(), 0, 0, 1024, 1024, 0, 0, 2048, 2048));
    ASSERT_TRUE(out);
    ASSERT_TRUE(out->alpha);
    EXPECT_EQ(pixel_at(out.get(), 0, 0), (Bgra{60, 70, 80, 255}));
    ImagePtr near(scale_image_nearest(src.get(), 0, 0, 1024, 1024, 0, 0, 2048, 2048));
    ASSERT_TRUE(near);
    EXPECT_EQ(pixel_at(near.get(), 0, 0), (Bgra{60, 70, 80, 255}));

    // 2048 result pixels out of 1/1024 of a source pixel: spans shorter than one unit.
    ImagePtr line = make_uniform(24, 3, 1, {10, 20, 30, 255});
    ImagePtr huge(scale_image(line.get(), 0, 0, 2048 * 1024, 1024, 2047, 0, 1, 1024));
    ASSERT_TRUE(huge);
    EXPECT_EQ(huge->width, 2048);
    EXPECT_EQ(pixel_at(huge.get(), 2047, 0), (Bgra{10, 20, 30, 255}));
    ImagePtr edge(scale_image(line.get(), 0, 0, 4096, 1024, 0, 0, 1, 1024));
    ASSERT_TRUE(edge);
    EXPECT_EQ(pixel_at(edge.get(), 3, 0), (Bgra{10, 20, 30, 255}));
}

// Pictures of noise scaled both ways: the packed form's sums are the plain form's;
// only an exact half rounds differently (to even instead of up).
TEST(ScaleSse2, MatchesPlainFormUpToRoundingOfHalves) {
    if (!VEMO_SSE2_KERNELS || !(detect_cpu_features() & kCpuSSE2))
        GTEST_SKIP() << "no SSE2 forms on this processor";
    std::mt19937 random(7);
    ImagePtr src = make_picture(32, 37, 23, [&](int32_t, int32_t) {
        uint32_t v = random();
        return Bgra{static_cast<uint8_t>(v), static_cast<uint8_t>(v >> 8),
                    static_cast<uint8_t>(v >> 16), static_cast<uint8_t>(v >> 24)};
    });
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
        // The AVX2 form gives the SSE2 form's bytes exactly.
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

}  // namespace
