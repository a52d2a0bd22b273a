// A camera move drawn onto a new copy of its background (row by row as the scaler
// finishes them where the picture lands whole in the window), in the working layout
// and in the hand-over layout: the bytes of a copy drawn on by move_image, and of
// image32_to_24a of that copy, in every kernel form.

#include <gtest/gtest.h>

#include <algorithm>

#include "image/tests/compose_test_support.h"
#include "image/transform.h"

namespace {

// Repeatable pixels with every kind of alpha: clear, opaque and in between.
Bgra noise(uint32_t seed, int32_t x, int32_t y) {
    uint32_t h = seed * 0x27D4EB2Fu ^ static_cast<uint32_t>(x) * 0x9E3779B1u ^
                 static_cast<uint32_t>(y) * 0x85EBCA77u;
    h ^= h >> 15;
    h *= 0x2C1B3C6Du;
    h ^= h >> 12;
    const uint32_t kind = h & 3;
    const auto a = static_cast<uint8_t>(kind == 0 ? 0 : kind == 1 ? h >> 24 : 255);
    return {static_cast<uint8_t>(h >> 4), static_cast<uint8_t>(h >> 10),
            static_cast<uint8_t>(h >> 16), a};
}

struct Case {
    const char* name;
    RegionPair source;
    RegionPair destination;
    RegionPair window;
    int32_t frame;
    int flags;
};

TEST(MoveImageCopy, SameBytesAsACopyDrawnOnByMoveImage) {
    ModeScope mode(32);
    // 63 wide: the 24-bit rows have slack.
    constexpr int32_t kWidth = 63, kHeight = 40;
    // The top rows opaque: where their scaled rows span the frame they are its rows.
    ImagePtr picture = make_picture(32, 97, 161, [](int32_t x, int32_t y) {
        Bgra p = noise(1, x, y);
        if (y < 100) p.a = 255;
        return p;
    });
    ImagePtr background =
        make_picture(32, kWidth, kHeight, [](int32_t x, int32_t y) { return noise(2, x, y); });
    ImagePtr untouched(duplicate_image(background.get()));
    const RegionPair screen{{0, 0, kWidth, kHeight}, {0, 0, kWidth, kHeight}};
    const RegionPair whole{{0, 0, 97, 161}, {0, 0, 97, 161}};
    const Case cases[] = {
        {"zoom over the screen", {{0, 0, 97, 161}, {10, 16, 87, 145}}, screen, screen, 7, 0},
        {"shrinking into a corner", whole, {{3, 2, 61, 38}, {40, 20, 60, 35}}, screen, 11, 0},
        {"opaque rows inside the frame",
         {{0, 0, 97, 90}, {6, 5, 90, 80}},
         {{10, 4, 50, 36}, {10, 4, 50, 36}},
         screen,
         6,
         0},
        {"lighten", whole, {{3, 2, 61, 38}, {40, 20, 60, 35}}, screen, 4, MOVE_LIGHTEN},
        {"a window cutting the picture", whole, screen, {{10, 5, 50, 30}, {12, 6, 40, 33}}, 9, 0},
        {"partly off the screen", whole, {{-20, -10, 50, 30}, {30, 20, 90, 60}}, screen, 13, 0},
        {"nearest pixels", whole, {{3, 2, 61, 38}, {0, 0, 63, 40}}, screen, 5, MOVE_NEAREST},
        {"enlarging a small part", {{40, 20, 46, 24}, {41, 21, 45, 23}}, screen, screen, 17, 0},
        {"many rows to one (one slot)", whole, {{0, 0, 63, 9}, {0, 31, 63, 40}}, screen, 3, 0},
        {"a source off the picture", {{0, 0, 200, 161}, {0, 0, 200, 161}}, screen, screen, 2, 0},
        {"an empty window", whole, screen, {{5, 5, 5, 5}, {5, 5, 5, 5}}, 8, 0},
    };
    const uint32_t probed = detect_cpu_features();
    for (uint32_t features : {probed, probed & ~kCpuAVX2, 0u}) {
        CpuFeaturesOverride forms(features);
        for (const Case& c : cases) {
            SCOPED_TRACE(::testing::Message() << c.name << ", features " << features);
            ImagePtr expected(duplicate_image(background.get()));
            move_image(expected.get(), picture.get(), c.source, c.destination, c.window, c.frame,
                       30, c.flags);
            ImagePtr copy(move_image_copy(background.get(), picture.get(), c.source, c.destination,
                                          c.window, c.frame, 30, c.flags, false));
            EXPECT_TRUE(same_pixels(copy.get(), expected.get()));
            ImagePtr handed(move_image_copy(background.get(), picture.get(), c.source,
                                            c.destination, c.window, c.frame, 30, c.flags, true));
            ImagePtr expected24(image32_to_24a(expected.get()));
            if (c.name == cases[0].name) {
                int32_t opaque = 0;
                for (int32_t y = 0; y < kHeight; ++y) {
                    const uint8_t* plane = image_alpha_row(expected24.get(), y);
                    opaque +=
                        std::all_of(plane, plane + kWidth, [](uint8_t a) { return a == 255; });
                }
                EXPECT_GT(opaque, 10) << "rows drawn whole and opaque";
            }
            ASSERT_TRUE(handed);
            EXPECT_TRUE(same_pixels(handed.get(), expected24.get()));
        }
    }
    EXPECT_TRUE(same_pixels(background.get(), untouched.get())) << "the background is only read";
    EXPECT_EQ(move_image_copy(nullptr, picture.get(), whole, screen, screen, 0, 30, 0, true),
              nullptr);

    // A 24-bit background and picture: move_image's copy, in their own layout.
    ImagePtr background24(image32_to_24a(background.get()));
    ImagePtr picture24(image32_to_24a(picture.get()));
    ImagePtr expected(duplicate_image(background24.get()));
    move_image(expected.get(), picture24.get(), whole, screen, screen, 6, 30, 0);
    ImagePtr copy(move_image_copy(background24.get(), picture24.get(), whole, screen, screen, 6, 30,
                                  0, true));
    EXPECT_TRUE(same_pixels(copy.get(), expected.get()));
}

}  // namespace
