// Drawing one image onto another in the five compose modes, in both layouts, and the
// SSE2 form of the 32-bit compose against its plain form.

#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

#include "image/blend_kernels.h"
#include "image/compose.h"
#include "image/cpu_features.h"
#include "image/tests/drawing_test_support.h"

namespace {

class Compose : public BothModes {};
VEMO_BOTH_MODES(Compose);

TEST_P(Compose, OnePixelInEveryMode) {
    const struct {
        Bgra d, s;
        int mode;
        Bgra want;
    } cases[] = {
        // Alpha 0 leaves the destination unchanged, 255 takes the source.
        {{10, 100, 0, 40}, {200, 50, 255, 0}, COMPOSE_ALPHA, {10, 100, 0, 40}},
        {{10, 100, 0, 40}, {200, 50, 255, 255}, COMPOSE_ALPHA, {200, 50, 255, 255}},
        // a = 128, s = 255 over d = 0: (255 * 128) >> 8 = 127 in 32 bits,
        // 255 * 128 / 255 + 0.5 = 128 in 24 bits; s = 200 over d = 100 gives 150 in
        // both. The alpha is the larger of the two.
        {{0, 100, 0, 40},
         {255, 200, 0, 128},
         COMPOSE_ALPHA,
         {uint8_t(Depth() == 32 ? 127 : 128), 150, 0, 128}},
        {{0, 0, 0, 200}, {0, 0, 0, 128}, COMPOSE_ALPHA, {0, 0, 0, 200}},
        // 24 bits: (s * 10 + d * 245) / 255 + 0.5 with s = 0, d = 255 is 245.5 -> 245;
        // 32 bits: (255 * 246) >> 8 = 245.
        {{255, 255, 255, 255}, {0, 0, 0, 10}, COMPOSE_ALPHA, {245, 245, 245, 255}},
        {{0x0F, 0x30, 0x01, 0x10}, {0xF0, 0x03, 0x02, 0x01}, COMPOSE_OR, {0xFF, 0x33, 0x03, 0x11}},
        // Colours add up to 255, alpha is the larger.
        {{200, 10, 0, 90}, {100, 20, 0, 60}, COMPOSE_ADD, {255, 30, 0, 90}},
        // Copy takes the source alpha too; unknown modes draw nothing.
        {{1, 2, 3, 255}, {9, 8, 7, 0}, COMPOSE_COPY, {9, 8, 7, 0}},
        {{1, 2, 3, 4}, {9, 8, 7, 255}, 1024, {1, 2, 3, 4}},
        {{1, 2, 3, 4}, {9, 8, 7, 255}, 0, {1, 2, 3, 4}},
        // Lighten keeps the brighter channel. a = 100: 200 * 100 / 255 + 0.5 = 78.9
        // -> 78; 255 * 100 / 255 + 0.5 -> 100.
        {{50, 200, 0, 10}, {100, 100, 100, 255}, COMPOSE_LIGHTEN, {100, 200, 100, 255}},
        {{50, 90, 0, 120}, {200, 200, 255, 100}, COMPOSE_LIGHTEN, {78, 90, 100, 120}},
    };
    for (const auto& c : cases) {
        ImagePtr dst = Uniform(1, 1, c.d);
        compose_image(dst.get(), Uniform(1, 1, c.s).get(), 0, 0, c.mode);
        EXPECT_EQ(pixel_at(dst.get(), 0, 0), c.want)
            << c.s << " over " << c.d << ", mode " << c.mode;
    }
}

TEST_P(Compose, OnlyTheOverlapIsTouched) {
    // Source column c carries c in blue; the destination starts at 99.
    ImagePtr src = Picture(10, 4, [](int32_t x, int32_t y) {
        return Bgra{static_cast<uint8_t>(x), static_cast<uint8_t>(y), 7, 255};
    });
    const Bgra kBack{99, 99, 99, 99};
    ImagePtr dst = Uniform(5, 3, kBack);
    compose_image(dst.get(), src.get(), -3, 0, COMPOSE_COPY);
    expect_every_pixel(dst.get(), [](int32_t x, int32_t y) {
        return Bgra{static_cast<uint8_t>(x + 3), static_cast<uint8_t>(y), 7, 255};
    });

    // Source row 4 does not exist: (4, 2) stays.
    dst = Uniform(5, 3, kBack);
    compose_image(dst.get(), src.get(), 3, -2, COMPOSE_ALPHA);
    expect_pixels_at(
        dst.get(), {{2, 0, kBack}, {3, 0, {0, 2, 7, 255}}, {4, 1, {1, 3, 7, 255}}, {4, 2, kBack}});

    // Wholly outside, on every side, and at the extremes of the coordinate range.
    dst = Uniform(5, 3, kBack);
    const int32_t outside[][2] = {{5, 0},         {-10, 0},       {0, 3},        {0, -4},
                                  {INT32_MAX, 0}, {INT32_MIN, 0}, {0, INT32_MIN}};
    for (auto [x, y] : outside) compose_image(dst.get(), src.get(), x, y, COMPOSE_COPY);
    expect_every_pixel(dst.get(), [&](int32_t, int32_t) { return kBack; });
    compose_image(dst.get(), nullptr, 0, 0, COMPOSE_COPY);
    compose_image(nullptr, src.get(), 0, 0, COMPOSE_COPY);
}

// A source without a plane draws opaque; a destination without one takes the
// colours only; a destination of the other layout is left alone.
TEST(Compose24, ImagesWithoutAPlaneOrOfTheOtherLayout) {
    ImagePtr dst = make_uniform(24, 2, 1, {0, 0, 0, 0});
    ImagePtr src = make_plain24(2, 1, {10, 20, 30, 0});
    put_pixel(src.get(), 1, 0, {40, 50, 60, 0});
    compose_image(dst.get(), src.get(), 0, 0, COMPOSE_ALPHA);
    EXPECT_EQ(pixel_at(dst.get(), 0, 0), (Bgra{10, 20, 30, 255}));
    ImagePtr dst2 = make_uniform(24, 2, 1, {200, 0, 0, 7});
    compose_image(dst2.get(), src.get(), 1, 0, COMPOSE_LIGHTEN);
    expect_pixels_at(dst2.get(), {{0, 0, {200, 0, 0, 7}}, {1, 0, {200, 20, 30, 255}}});

    ImagePtr plain(create_image(2, 1, 24));
    ImagePtr half = make_uniform(24, 2, 1, {255, 0, 0, 128});
    compose_image(plain.get(), half.get(), 1, 0, COMPOSE_ALPHA);
    expect_pixels_at(plain.get(), {{0, 0, {0, 0, 0, 255}}, {1, 0, {128, 0, 0, 255}}});
    compose_image(plain.get(), half.get(), 0, 0, COMPOSE_COPY);
    EXPECT_EQ(pixel_at(plain.get(), 0, 0), (Bgra{255, 0, 0, 255}));
    EXPECT_FALSE(plain->alpha);

    ImagePtr words = make_uniform(32, 2, 1, {1, 2, 3, 4});
    compose_image(words.get(), half.get(), 0, 0, COMPOSE_COPY);
    EXPECT_EQ(pixel_at(words.get(), 1, 0), (Bgra{1, 2, 3, 4}));
}

// The SSE2 form (and the AVX2 alpha form where the processor has it) against the
// plain form on random pictures, odd widths and offsets so that runs end in partial
// groups of eight and four.
TEST(ComposeSse2, MatchesPlainFormExceptLightenWeighting) {
    const uint32_t probed = detect_cpu_features();
    if (!VEMO_SSE2_KERNELS || !(probed & kCpuSSE2))
        GTEST_SKIP() << "no SSE2 forms on this processor";
    std::vector<uint32_t> forms{kCpuSSE2};
    if (probed & kCpuAVX2) forms.push_back(kCpuSSE2 | kCpuAVX2);
    for (uint32_t form : forms) {
        std::mt19937 random(4);
        auto noise = [&](int32_t x, int32_t) {
            uint32_t v = random();
            // Bands of transparent and of opaque pixels, and single ones among the blends.
            uint8_t a = static_cast<uint8_t>(v >> 24);
            if ((v & 3) == 0 || x / 8 % 3 == 0) a = 0;
            if ((v & 3) == 1 || x / 8 % 3 == 1) a = 255;
            return Bgra{static_cast<uint8_t>(v), static_cast<uint8_t>(v >> 8),
                        static_cast<uint8_t>(v >> 16), a};
        };
        for (int mode : {COMPOSE_ALPHA, COMPOSE_OR, COMPOSE_ADD, COMPOSE_COPY, COMPOSE_LIGHTEN}) {
            ImagePtr src = make_picture(32, 29, 7, noise);
            ImagePtr base = make_picture(32, 23, 9, noise);
            ImagePtr plain(duplicate_image(base.get())), packed(duplicate_image(base.get()));
            with_features(0, [&] { compose_image(plain.get(), src.get(), -3, 2, mode); });
            with_features(form, [&] { compose_image(packed.get(), src.get(), -3, 2, mode); });
            int lighter = 0;
            for (int32_t y = 0; y < 9; ++y)
                for (int32_t x = 0; x < 23; ++x) {
                    const Bgra p = pixel_at(plain.get(), x, y), q = pixel_at(packed.get(), x, y);
                    if (mode != COMPOSE_LIGHTEN || p == q) {
                        ASSERT_EQ(p, q) << "mode " << mode << " at " << x << "," << y;
                        continue;
                    }
                    // The packed lighten weighs a translucent source as (s * a) >> 8.
                    const Bgra s = pixel_at(src.get(), x + 3, y - 2),
                               d = pixel_at(base.get(), x, y);
                    ASSERT_LT(s.a, 255);
                    auto lighten = [&](uint8_t sc, uint8_t dc) {
                        return static_cast<uint8_t>(std::max<int>(dc, (sc * s.a) >> 8));
                    };
                    EXPECT_EQ(q,
                              (Bgra{lighten(s.b, d.b), lighten(s.g, d.g), lighten(s.r, d.r), p.a}));
                    EXPECT_LE(std::max({p.b - q.b, p.g - q.g, p.r - q.r}), 2);
                    ++lighter;
                }
            EXPECT_TRUE(mode != COMPOSE_LIGHTEN || lighter > 0) << "the weighting difference shows";
        }
    }
}

// Mixes that cannot be made, and one pixel of each layout: the weights at 50 % are
// 127 and 127 of 256, the alpha is the larger, and a 24-bit picture without a plane
// counts as opaque. The mix over whole frames is checked through CROSSFADE scenes.
TEST(Crossfade, OnePixelAndMixesThatCannotBeMade) {
    for (int bpp : {32, 24}) {
        ImagePtr white = make_uniform(bpp, 3, 2, {255, 255, 255, 255});
        ImagePtr black = make_uniform(bpp, 3, 2, {0, 0, 0, 30});
        for (int percent : {101, -1})
            EXPECT_FALSE(crossfade_image(white.get(), black.get(), percent));
        EXPECT_FALSE(crossfade_image(white.get(), make_uniform(bpp, 3, 3, {}).get(), 50));
        EXPECT_FALSE(crossfade_image(nullptr, white.get(), 50));
        EXPECT_FALSE(crossfade_image(white.get(), nullptr, 50));
    }
    EXPECT_FALSE(
        crossfade_image(make_uniform(32, 2, 2, {}).get(), make_uniform(24, 2, 2, {}).get(), 50))
        << "layouts must match";

    ImagePtr a = make_uniform(24, 1, 1, {200, 100, 0, 30});
    ImagePtr b = make_plain24(1, 1, {0, 0, 255, 0});
    expect_pixels_at(ImagePtr(crossfade_image(a.get(), b.get(), 50)).get(),
                     {{0, 0, {99, 49, 126, 255}}});
}

// Random pictures of odd widths: every packed form gives the plain form's bytes, row
// slack included, in both layouts; the mix made at once in the hand-over form equals
// the hand-over of the mix; and the hand-over from 32 to 24 bits keeps every pixel.
TEST(Crossfade, EveryFormGivesThePlainFormsBytes) {
    std::vector<uint32_t> forms{0u, kCpuSSE2, kCpuSSE2 | kCpuSSSE3};
    if (detect_cpu_features() & kCpuAVX2) forms.push_back(kCpuSSE2 | kCpuSSSE3 | kCpuAVX2);
    // Up to seven steps of the widest form, and every narrower one after it.
    for (int32_t width : {1, 3, 4, 5, 16, 17, 37, 99, 230}) {
        for (int bpp : {32, 24}) {
            ImagePtr a(bpp == 32 ? create_image32(width, 3) : create_image24a(width, 3));
            // Odd 24-bit widths give both images a plane: their alpha values mix.
            ImagePtr b(bpp == 32        ? create_image32(width, 3)
                       : width % 2 == 1 ? create_image24a(width, 3)
                                        : create_image(width, 3, 24));
            fill_random(a.get(), 7 * width + bpp);
            fill_random(b.get(), 9 * width + bpp);
            for (int percent : {0, 13, 50, 77, 100}) {
                SCOPED_TRACE(::testing::Message() << bpp << " " << width << " " << percent);
                ImagePtr plain(
                    with_features(0, [&] { return crossfade_image(a.get(), b.get(), percent); }));
                ASSERT_TRUE(plain);
                for (uint32_t form : forms) {
                    CpuFeaturesOverride packed(form);
                    EXPECT_TRUE(same_pixels(
                        ImagePtr(crossfade_image(a.get(), b.get(), percent)).get(), plain.get()))
                        << form;
                    ImagePtr direct(crossfade_image_24a(a.get(), b.get(), percent));
                    ASSERT_EQ(direct != nullptr, bpp == 32);
                    if (direct) {
                        EXPECT_TRUE(
                            same_pixels(direct.get(), ImagePtr(image32_to_24a(plain.get())).get()))
                            << form;
                    }
                }
            }
            if (bpp == 32) {
                ImagePtr handed(image32_to_24a(a.get()));
                for (int32_t y = 0; y < 3; ++y)
                    for (int32_t x = 0; x < width; ++x)
                        ASSERT_EQ(pixel_at(handed.get(), x, y), pixel_at(a.get(), x, y));
            }
        }
    }
}

}  // namespace
