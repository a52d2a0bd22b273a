// The camera move: interpolated source and destination regions inside an
// interpolated clip window, in both layouts. And the move drawn onto a new copy of its
// background (row by row as the scaler finishes them where the picture lands whole in
// the window), in the working layout and in the hand-over layout: the bytes of a copy
// drawn on by move_image, and of image32_to_24a of that copy, in every kernel form.

#include <gtest/gtest.h>

#include <algorithm>

#include "image/tests/compose_test_support.h"
#include "image/transform.h"

namespace {

class Move : public BothModes {};
VEMO_BOTH_MODES(Move);

constexpr Bgra kA{10, 0, 0, 255};
constexpr Bgra kB{20, 0, 0, 255};
constexpr Bgra kC{30, 0, 0, 255};
constexpr Bgra kD{40, 0, 0, 255};
constexpr Bgra kBlack{0, 0, 0, 255};

// A B
// C D
Bgra quadrant(int32_t x, int32_t y) {
    return y == 0 ? (x == 0 ? kA : kB) : (x == 0 ? kC : kD);
}

const RegionPair kWholeWindow{{0, 0, 8, 8}, {0, 0, 8, 8}};

TEST_P(Move, FramesInterpolateTheRegionsAndTheClipWindow) {
    ImagePtr src = Picture(2, 2, quadrant);
    const RegionPair source{{0, 0, 2, 2}, {1, 1, 2, 2}}, whole{{0, 0, 2, 2}, {0, 0, 2, 2}};
    const RegionPair destination{{0, 0, 4, 4}, {4, 4, 8, 8}}, still{{0, 0, 4, 4}, {0, 0, 4, 4}};
    // The window moves from (1, 1) ... (3, 3) at frame 0 to (3, 3) ... (9, 9) at frame
    // 2; frame 1 interpolates it to (2, 2) ... (6, 6).
    const RegionPair window{{1, 1, 3, 3}, {3, 3, 9, 9}};
    const struct {
        RegionPair source, destination, window;
        int32_t frame;
        Bgra (*expect)(int32_t, int32_t);
    } cases[] = {
        {source, destination, kWholeWindow, 0,
         [](int32_t x, int32_t y) { return x < 4 && y < 4 ? quadrant(x / 2, y / 2) : kBlack; }},
        {source, destination, kWholeWindow, 2,
         [](int32_t x, int32_t y) { return x >= 4 && y >= 4 ? kD : kBlack; }},
        // Half way: source (0.5, 0.5) ... (2, 2) into (2, 2) ... (6, 6); the nearest
        // source span is still columns and rows 0 ... 1.
        {source, destination, kWholeWindow, 1,
         [](int32_t x, int32_t y) {
             return x >= 2 && x < 6 && y >= 2 && y < 6 ? quadrant((x - 2) / 2, (y - 2) / 2)
                                                       : kBlack;
         }},
        {whole, still, window, 0,
         [](int32_t x, int32_t y) {
             return x >= 1 && x < 3 && y >= 1 && y < 3 ? quadrant(x / 2, y / 2) : kBlack;
         }},
        {whole, still, window, 1,
         [](int32_t x, int32_t y) { return x >= 2 && x < 4 && y >= 2 && y < 4 ? kD : kBlack; }},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(::testing::Message() << "case " << &c - cases);
        ImagePtr dst = Uniform(8, 8, kBlack);
        ASSERT_EQ(move_image(dst.get(), src.get(), c.source, c.destination, c.window, c.frame, 3,
                             MOVE_NEAREST),
                  0);
        expect_every_pixel(dst.get(), c.expect);
    }
}

TEST_P(Move, AreaScalingDrawsAUniformRegionWholeAndLightenKeepsTheBrighter) {
    ImagePtr src = Uniform(4, 4, {90, 80, 70, 255});
    const RegionPair source{{0, 0, 4, 4}, {0, 0, 4, 4}};
    const RegionPair destination{{1, 2, 5, 6}, {1, 2, 5, 6}};
    ImagePtr dst = Uniform(8, 8, kBlack);
    ASSERT_EQ(move_image(dst.get(), src.get(), source, destination, kWholeWindow, 0, 2, 0), 0);
    expect_pixels_at(
        dst.get(),
        {{0, 2, kBlack}, {1, 2, {90, 80, 70, 255}}, {3, 4, {90, 80, 70, 255}}, {5, 6, kBlack}});

    // Lighten keeps the brighter pixels.
    src = Picture(2, 1, [](int32_t x, int32_t) {
        return x == 0 ? Bgra{200, 10, 0, 255} : Bgra{0, 0, 0, 0};
    });
    const RegionPair pair{{0, 0, 2, 1}, {0, 0, 2, 1}};
    dst = Uniform(2, 1, {100, 100, 100, 100});
    ASSERT_EQ(move_image(dst.get(), src.get(), pair, pair, kWholeWindow, 0, 2,
                         MOVE_NEAREST | MOVE_LIGHTEN),
              0);
    expect_pixels_at(dst.get(), {{0, 0, {200, 100, 100, 255}}, {1, 0, {100, 100, 100, 100}}});
}

TEST_P(Move, FailuresAndEmptyFramesLeaveTheDestination) {
    ImagePtr src = Picture(2, 2, quadrant);
    const RegionPair source{{0, 0, 2, 2}, {0, 0, 2, 2}};
    const RegionPair destination{{0, 0, 4, 4}, {0, 0, 4, 4}};
    ImagePtr dst = Uniform(8, 8, kBlack);
    auto untouched = [&] {
        expect_every_pixel(dst.get(), [](int32_t, int32_t) { return kBlack; });
    };
    EXPECT_EQ(move_image(nullptr, src.get(), source, destination, kWholeWindow, 0, 2, 0), -4);
    EXPECT_EQ(move_image(dst.get(), nullptr, source, destination, kWholeWindow, 0, 2, 0), -4);
    EXPECT_EQ(move_image(dst.get(), src.get(), source, destination, kWholeWindow, 0, 1, 0), -1)
        << "one frame cannot be interpolated";
    const RegionPair outside{{0, 0, 3, 2}, {0, 0, 3, 2}};
    EXPECT_EQ(move_image(dst.get(), src.get(), outside, destination, kWholeWindow, 0, 2, 0), -1);
    untouched();
    // A zoom out of a point: at frame 0 the destination region is empty, nothing drawn.
    const RegionPair from_point{{4, 4, 4, 4}, {0, 0, 8, 8}};
    EXPECT_EQ(move_image(dst.get(), src.get(), source, from_point, kWholeWindow, 0, 2, 0), 0);
    const RegionPair empty_source{{1, 1, 1, 2}, {0, 0, 2, 2}};
    EXPECT_EQ(move_image(dst.get(), src.get(), empty_source, destination, kWholeWindow, 0, 2, 0),
              0);
    const RegionPair shut{{3, 3, 3, 3}, {0, 0, 8, 8}};
    EXPECT_EQ(move_image(dst.get(), src.get(), source, destination, shut, 0, 2, 0), 0);
    const RegionPair away{{100, 100, 200, 200}, {100, 100, 200, 200}};
    EXPECT_EQ(move_image(dst.get(), src.get(), source, destination, away, 0, 2, 0), 0);
    untouched();
    // A source region off the picture fails even when the frame would draw nothing:
    // with the window wholly off the destination, with an empty destination region,
    // and at the one frame of a move that leaves the picture.
    EXPECT_EQ(move_image(dst.get(), src.get(), outside, destination, away, 0, 2, 0), -1);
    EXPECT_EQ(move_image(dst.get(), src.get(), outside, destination, shut, 0, 2, 0), -1);
    EXPECT_EQ(move_image(dst.get(), src.get(), outside, from_point, kWholeWindow, 0, 2, 0), -1);
    const RegionPair leaving{{0, 0, 2, 2}, {-2, 0, 0, 2}};
    EXPECT_EQ(move_image(dst.get(), src.get(), leaving, destination, away, 0, 3, 0), 0);
    EXPECT_EQ(move_image(dst.get(), src.get(), leaving, destination, away, 1, 3, 0), -1);
    untouched();
    // Coordinates whose sub-pixel values leave 32 bits.
    const RegionPair huge{{0, 0, 4, 4}, {INT32_MAX, INT32_MAX, INT32_MAX, INT32_MAX}};
    EXPECT_EQ(move_image(dst.get(), src.get(), source, huge, kWholeWindow, 1, 2, 0), -1);
    EXPECT_EQ(move_image(dst.get(), src.get(), source, huge, kWholeWindow, INT32_MAX, INT32_MAX, 0),
              -1);
    untouched();
    // Different layouts cannot be drawn onto each other.
    ImagePtr other = make_uniform(Depth() == 32 ? 24 : 32, 2, 2, kA);
    EXPECT_EQ(move_image(dst.get(), other.get(), source, destination, kWholeWindow, 0, 2, 0), -1);
    untouched();
}

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
    RegionPair source, destination, window;
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
    const RegionPair still{{10, 4, 50, 36}, {10, 4, 50, 36}};
    const Case cases[] = {
        {"zoom over the screen", {{0, 0, 97, 161}, {10, 16, 87, 145}}, screen, screen, 7, 0},
        {"shrinking into a corner", whole, {{3, 2, 61, 38}, {40, 20, 60, 35}}, screen, 11, 0},
        {"opaque rows inside the frame", {{0, 0, 97, 90}, {6, 5, 90, 80}}, still, screen, 6, 0},
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
