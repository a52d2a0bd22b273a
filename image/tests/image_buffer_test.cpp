// The raster image: layout, creation, copies and the hand-over conversions.

#include <gtest/gtest.h>

#include <array>
#include <cstring>
#include <vector>

#include "image/image_buffer.h"
#include "image/pixel_blocks.h"
#include "image/tests/compose_test_support.h"

namespace {

uint32_t word_at(const CImageBuffer* image, int x, int y) {
    uint32_t word;
    std::memcpy(&word, image->pixels + pixel_offset(image, x, y), 4);
    return word;
}

TEST(ImageBuffer, StridesRoundRowsUpToFourBytesAndUnusableSizesGiveNone) {
    // Width, bits per pixel, stride; -1 for no such row, or one that does not fit 32 bits.
    const int32_t strides[][3] = {{1, 1, 4},   {1, 8, 4},          {1, 24, 4},  {3, 24, 12},
                                  {33, 1, 8},  {5, 8, 8},          {3, 32, 12}, {4, 16, -1},
                                  {0, 24, -1}, {INT32_MAX, 32, -1}};
    for (auto [width, bpp, stride] : strides)
        EXPECT_EQ(image_stride(width, bpp), stride) << width << " x " << bpp;

    ImagePtr image(create_image(3, 2, 24));
    ASSERT_TRUE(image);
    EXPECT_EQ(image->alpha, nullptr);
    for (int i = 0; i < 24; ++i) EXPECT_EQ(image->pixels[i], 0);

    for (auto [width, height, bpp] : {std::array{4, 4, 16}, {0, 4, 24}, {4, 0, 24}, {-3, 4, 32}})
        EXPECT_FALSE(ImagePtr(create_image(width, height, bpp))) << width << " x " << height;
    // 65536 x 65536 x 4 bytes would wrap a 32-bit product to 0.
    EXPECT_FALSE(ImagePtr(create_image32(65536, 65536)));
    EXPECT_FALSE(ImagePtr(create_image24a(INT32_MAX / 4, 3)));
    EXPECT_FALSE(ImagePtr(create_filled_image(0, 0, 1, 2, 3, 4)));
    ModeScope mode(24);
    EXPECT_FALSE(ImagePtr(create_work_image(100000, 100000)));
}

TEST(ImageBuffer, FilledImagesInBothModes) {
    for (int bpp : {32, 24}) {
        ModeScope mode(bpp);
        ImagePtr image(create_filled_image(3, 2, 0x11, 0x22, 0x33, 0x44));
        ASSERT_TRUE(image);
        EXPECT_EQ(size_of(image.get()), std::tuple(3, 2, bpp));
        expect_every_pixel(image.get(), [](int32_t, int32_t) {
            return Bgra{0x33, 0x22, 0x11, 0x44};
        });
        if (bpp == 32) {
            EXPECT_EQ(word_at(image.get(), 2, 1), 0x44112233u);
        }
        // A work image starts transparent: no plane in 32 bits, a zeroed one in 24.
        ImagePtr work(create_work_image(5, 3));
        ASSERT_TRUE(work);
        EXPECT_EQ(work->alpha != nullptr, bpp == 24);
        for (int i = 0; work->alpha && i < 24; ++i) EXPECT_EQ(work->alpha[i], 0);
    }
}

TEST(ImageBuffer, DuplicateCopiesSlackAndAnIndependentPlane) {
    ImagePtr image(create_image24a(3, 2));
    ASSERT_TRUE(image);
    image->pixels[9] = 0xAB;  // row slack belongs to the image
    image_alpha_row(image.get(), 1)[2] = 200;
    ImagePtr copy(duplicate_image(image.get()));
    ASSERT_TRUE(copy);
    EXPECT_TRUE(same_pixels(copy.get(), image.get()));
    EXPECT_NE(copy->alpha, image->alpha);
    image_alpha_row(copy.get(), 1)[2] = 7;
    EXPECT_EQ(image_alpha_row(image.get(), 1)[2], 200);
    EXPECT_EQ(duplicate_image(nullptr), nullptr);
}

TEST(ImageBuffer, ConversionsBetweenLayoutsKeepPictureOrder) {
    ImagePtr plain(create_image(2, 2, 24));
    set_pixel(plain.get(), 0, 0, 1, 2, 3);
    set_pixel(plain.get(), 1, 1, 250, 251, 252);
    ImagePtr opaque(image24_to_32(plain.get()));
    ASSERT_TRUE(opaque);
    EXPECT_EQ(word_at(opaque.get(), 0, 0), 0xFF010203u);
    EXPECT_EQ(word_at(opaque.get(), 1, 1), 0xFFFAFBFCu);
    EXPECT_EQ(word_at(opaque.get(), 1, 0), 0xFF000000u) << "no plane means opaque";

    ImagePtr grey(create_image(2, 2, 8));
    EXPECT_EQ(image24_to_32(grey.get()), nullptr);
    EXPECT_EQ(image32_to_24a(plain.get()), nullptr);

    ImagePtr with_plane(image32_to_24a(opaque.get()));
    ASSERT_TRUE(with_plane);
    ASSERT_NE(with_plane->alpha, nullptr);
    image_alpha_row(with_plane.get(), 0)[0] = 0x80;
    ImagePtr back(image24_to_32(with_plane.get()));
    EXPECT_EQ(word_at(back.get(), 0, 0), 0x80010203u);
    EXPECT_EQ(word_at(back.get(), 1, 1), 0xFFFAFBFCu);
}

}  // namespace

// Large blocks come back for the next image of their size: a new image is zeroed all
// the same, an image made for overwriting has zeroed row slack (files copy whole
// rows), frames start on huge-page boundaries, and what is kept stays within its
// bound however many frames go by.
TEST(ImageBuffer, KeptBlocksComeBackZeroedWhereItMatters) {
    free_kept_pixel_blocks();
    const int32_t width = 1001;  // 24-bit rows of 3003 bytes and one byte of slack
    const int32_t height = 300;
    {
        ImagePtr dirty(create_image24a(width, height));
        ASSERT_TRUE(dirty);
        std::memset(dirty->pixels, 0xAB, static_cast<size_t>(dirty->stride) * height);
        std::memset(dirty->alpha, 0xCD, static_cast<size_t>(dirty->alphaStride) * height);
    }
    EXPECT_GT(kept_pixel_bytes(), 0u);
    {
        ImagePtr fresh(create_image24a(width, height));
        ASSERT_TRUE(fresh);
        for (int64_t i = 0; i < int64_t{fresh->stride} * height; ++i)
            ASSERT_EQ(fresh->pixels[i], 0) << i;
        for (int64_t i = 0; i < int64_t{fresh->alphaStride} * height; ++i)
            ASSERT_EQ(fresh->alpha[i], 0) << i;
        std::memset(fresh->pixels, 0xAB, static_cast<size_t>(fresh->stride) * height);
        std::memset(fresh->alpha, 0xCD, static_cast<size_t>(fresh->alphaStride) * height);
    }
    ImagePtr overwrite(create_image_for_overwrite(width, height, 24, true));
    ASSERT_TRUE(overwrite && overwrite->alpha);
    for (int32_t y = 0; y < height; ++y) {
        EXPECT_EQ(image_row(overwrite.get(), y)[3 * width], 0) << y;
        for (int32_t x = width; x < overwrite->alphaStride; ++x)
            EXPECT_EQ(image_alpha_row(overwrite.get(), y)[x], 0) << y;
    }
    overwrite.reset();

    for (int i = 0; i < 40; ++i) {
        std::vector<ImagePtr> frames;
        for (int j = 0; j < 3; ++j) {
            frames.emplace_back(create_image32(1920 + i, 1080));
            // New or kept, a frame starts on a huge-page boundary.
            ASSERT_EQ(reinterpret_cast<uintptr_t>(frames.back()->pixels) % kHugePixelBlockMin, 0u);
        }
    }
    EXPECT_LE(kept_pixel_bytes(), kKeptPixelBytes);
    free_kept_pixel_blocks();
    EXPECT_EQ(kept_pixel_bytes(), 0u);
}
