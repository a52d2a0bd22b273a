// The camera move: interpolated source and destination regions inside an
// interpolated clip window, in both layouts.

#include <gtest/gtest.h>

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

// Every destination pixel equals expect(x, y).
template <class Fn>
void expect_picture(const CImageBuffer* image, Fn expect) {
    for (int32_t y = 0; y < image->height; ++y)
        for (int32_t x = 0; x < image->width; ++x)
            ASSERT_EQ(pixel_at(image, x, y), expect(x, y)) << "at " << x << "," << y;
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
        expect_picture(dst.get(), c.expect);
    }
}

TEST_P(Move, AreaScalingDrawsAUniformRegionWholeAndLightenKeepsTheBrighter) {
    ImagePtr src = Uniform(4, 4, {90, 80, 70, 255});
    const RegionPair source{{0, 0, 4, 4}, {0, 0, 4, 4}};
    const RegionPair destination{{1, 2, 5, 6}, {1, 2, 5, 6}};
    ImagePtr dst = Uniform(8, 8, kBlack);
    ASSERT_EQ(move_image(dst.get(), src.get(), source, destination, kWholeWindow, 0, 2, 0), 0);
    EXPECT_EQ(pixel_at(dst.get(), 0, 2), kBlack);
    EXPECT_EQ(pixel_at(dst.get(), 1, 2), (Bgra{90, 80, 70, 255}));
    EXPECT_EQ(pixel_at(dst.get(), 3, 4), (Bgra{90, 80, 70, 255}));
    EXPECT_EQ(pixel_at(dst.get(), 5, 6), kBlack);

    // Lighten keeps the brighter pixels.
    src = Picture(2, 1, [](int32_t x, int32_t) {
        return x == 0 ? Bgra{200, 10, 0, 255} : Bgra{0, 0, 0, 0};
    });
    const RegionPair pair{{0, 0, 2, 1}, {0, 0, 2, 1}};
    dst = Uniform(2, 1, {100, 100, 100, 100});
    ASSERT_EQ(move_image(dst.get(), src.get(), pair, pair, kWholeWindow, 0, 2,
                         MOVE_NEAREST | MOVE_LIGHTEN),
              0);
    EXPECT_EQ(pixel_at(dst.get(), 0, 0), (Bgra{200, 100, 100, 255}));
    EXPECT_EQ(pixel_at(dst.get(), 1, 0), (Bgra{100, 100, 100, 100}));
}

TEST_P(Move, FailuresAndEmptyFramesLeaveTheDestination) {
    ImagePtr src = Picture(2, 2, quadrant);
    const RegionPair source{{0, 0, 2, 2}, {0, 0, 2, 2}};
    const RegionPair destination{{0, 0, 4, 4}, {0, 0, 4, 4}};
    ImagePtr dst = Uniform(8, 8, kBlack);
    auto untouched = [&] { expect_picture(dst.get(), [](int32_t, int32_t) { return kBlack; }); };
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

}  // namespace
