// Every pixel operation on the smallest and oddest sizes: widths 1 to 17 (24-bit rows
// with 0 to 3 slack bytes, 32-bit runs ending inside a group of four), in both
// layouts, a 24-bit image without a plane, and both kernel forms. Results keep their
// sizes, and operations in place leave the row slack and the plane's slack alone; the
// sanitizer build sees any access outside an image.

#include <gtest/gtest.h>

#include <cstring>
#include <random>
#include <string>
#include <tuple>
#include <vector>

#include "image/compose.h"
#include "image/cpu_features.h"
#include "image/effects.h"
#include "image/tests/compose_test_support.h"
#include "image/transform.h"

namespace {

constexpr uint8_t kSlack = 0xA5;

enum class Kind { Words, Plane, NoPlane };
constexpr const char* kKindNames[] = {"Words", "Plane", "NoPlane"};

// A picture of random bytes whose row slack (and plane slack) holds kSlack.
ImagePtr noisy(Kind kind, int32_t width, int32_t height, std::mt19937* random) {
    ImagePtr image(kind == Kind::Words   ? create_image32(width, height)
                   : kind == Kind::Plane ? create_image24a(width, height)
                                         : create_image(width, height, 24));
    for (int64_t i = 0; i < int64_t{image->stride} * height; ++i)
        image->pixels[i] = static_cast<uint8_t>((*random)());
    for (int32_t y = 0; y < height; ++y) {
        uint8_t* row = image_row(image.get(), y);
        const int32_t used = width * image->bpp / 8;
        std::memset(row + used, kSlack, static_cast<size_t>(image->stride - used));
        if (!image->alpha) continue;
        uint8_t* plane = image_alpha_row(image.get(), y);
        for (int32_t x = 0; x < width; ++x) plane[x] = static_cast<uint8_t>((*random)());
        std::memset(plane + width, kSlack, static_cast<size_t>(image->alphaStride - width));
    }
    return image;
}

// plane: the alpha plane's slack is checked too (not for a plane the operation made).
bool slack_intact(const CImageBuffer* image, bool plane = true) {
    for (int32_t y = 0; y < image->height; ++y) {
        const uint8_t* row = image_row(image, y);
        for (int32_t i = image->width * image->bpp / 8; i < image->stride; ++i)
            if (row[i] != kSlack) return false;
        if (!plane || !image->alpha) continue;
        const uint8_t* alpha = image_alpha_row(image, y);
        for (int32_t i = image->width; i < image->alphaStride; ++i)
            if (alpha[i] != kSlack) return false;
    }
    return true;
}

class SmallSizes : public ::testing::TestWithParam<std::tuple<Kind, uint32_t>> {
protected:
    Kind LayoutKind() const { return std::get<0>(GetParam()); }
    CpuFeaturesOverride m_forms{std::get<1>(GetParam())};
};

INSTANTIATE_TEST_SUITE_P(Layouts, SmallSizes,
                         ::testing::Combine(::testing::Values(Kind::Words, Kind::Plane,
                                                              Kind::NoPlane),
                                            ::testing::Values(0u, kCpuSSE2)),
                         [](const auto& info) {
                             return std::string(kKindNames[int(std::get<0>(info.param))]) +
                                    (std::get<1>(info.param) ? "Sse2" : "Plain");
                         });

TEST_P(SmallSizes, DrawingInPlaceStaysInsideTheRows) {
    std::mt19937 random(11);
    for (int32_t width = 1; width <= 17; ++width) {
        ImagePtr source = noisy(LayoutKind(), width, 3, &random);
        for (int32_t target = 1; target <= 17; target += 4) {
            for (int mode :
                 {COMPOSE_ALPHA, COMPOSE_OR, COMPOSE_ADD, COMPOSE_COPY, COMPOSE_LIGHTEN}) {
                for (int32_t x : {-width, -1, 0, 1, target - 1, target}) {
                    ImagePtr destination = noisy(LayoutKind(), target, 2, &random);
                    compose_image(destination.get(), source.get(), x, -1, mode);
                    ASSERT_TRUE(slack_intact(destination.get()))
                        << width << " onto " << target << " at " << x << ", mode " << mode;
                }
            }
            ImagePtr canvas = noisy(LayoutKind(), target, 3, &random);
            const RegionPair from{{0, 0, width, 3}, {width / 2, 1, width, 2}};
            const RegionPair to{{-1, 0, target + 1, 3}, {1, 1, 2, 2}};
            const RegionPair window{{0, 0, target, 3}, {1, 0, target - 1, 2}};
            for (int32_t frame = 0; frame < 3; ++frame)
                for (int flags : {0, MOVE_NEAREST | MOVE_LIGHTEN})
                    EXPECT_EQ(
                        move_image(canvas.get(), source.get(), from, to, window, frame, 3, flags),
                        0);
            EXPECT_TRUE(slack_intact(canvas.get())) << width << " moved onto " << target;
        }
        ASSERT_EQ(through_color_image(source.get(), 1, 2, 3), 0);
        EXPECT_TRUE(slack_intact(source.get(), LayoutKind() != Kind::NoPlane)) << width;
    }
}

TEST_P(SmallSizes, NewImagesKeepTheirSizes) {
    std::mt19937 random(12);
    const int32_t bpp = LayoutKind() == Kind::Words ? 32 : 24;  // what new images come out in
    for (int32_t width = 1; width <= 17; ++width) {
        for (int32_t height = 1; height <= 3; ++height) {
            SCOPED_TRACE(testing::Message() << width << " x " << height);
            ImagePtr image = noisy(LayoutKind(), width, height, &random);
            auto same_size = [&](CImageBuffer* raw) {
                ImagePtr result(raw);
                ASSERT_TRUE(result);
                EXPECT_EQ(size_of(result.get()), std::tuple(width, height, bpp));
            };
            CImageBuffer* i = image.get();
            ImagePtr other = noisy(LayoutKind(), width, height, &random);
            for (CImageBuffer* made :
                 {sepia_image(i), mono_image(i), nega_image(i), channel_image(i, CHANNEL_GREEN),
                  discolor_image(i, 0.5), highpass_image(i), photo_frame_image(i, 30),
                  blur_image(i), crossfade_image(i, other.get(), 37)})
                same_size(made);
            for (int32_t frame = 0; frame < 4; ++frame) same_size(jitter_image(i, frame));
            for (int32_t degrees : {0, 7, 45, 90, 135, 180, -100, 271})
                ASSERT_TRUE(ImagePtr(rotate_image(i, degrees))) << degrees;
            for (int flags : {FIT_INSIDE, FIT_FILL | FIT_NEAREST}) {
                ImagePtr fitted(fit_image(i, 17, 5, flags));  // none when it fits to nothing
                const std::pair size(17, 5);
                EXPECT_EQ(fitted ? std::pair(fitted->width, fitted->height) : size, size);
            }
            // Whole source, a sub-pixel corner, and magnifications and reductions with
            // fractional origins, as scale_image's (ox, oy, dw, dh, sx, sy, sw, sh).
            const int32_t sw = width * 1024, sh = height * 1024;
            const int32_t rects[][8] = {{0, 0, sw, sh, 0, 0, sw, sh},
                                        {513, 1023, 3 * sw + 5, 2 * sh + 7, 0, 0, sw, sh},
                                        {-700, 300, 333, 1500, sw - 1, sh - 1, 1, 1},
                                        {1, 0, sw / 3 + 1, sh / 2 + 1, sw / 4, 0, sw - sw / 4, sh},
                                        {1023, 1023, 1, 1, 0, 0, sw, sh}};
            for (const auto& r : rects) {
                for (auto scale : {scale_image, scale_image_nearest}) {
                    ImagePtr scaled(scale(i, r[0], r[1], r[2], r[3], r[4], r[5], r[6], r[7]));
                    ASSERT_TRUE(scaled);
                    EXPECT_EQ(scaled->bpp, bpp);
                }
            }
        }
    }
}

}  // namespace
