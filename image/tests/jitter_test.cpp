// Sideways jitter by frame, both layouts.

#include <gtest/gtest.h>

#include "image/effects.h"
#include "image/tests/compose_test_support.h"

namespace {

class Jitter : public BothModes {};
VEMO_BOTH_MODES(Jitter);

enum class Shape { Mix, Right, Left };

// Blue is the source column plus 100.
Bgra column(int32_t x) {
    return {static_cast<uint8_t>(100 + x), 50, 0, 255};
}

void expect_shape(const CImageBuffer* out, Shape shape, int32_t frame) {
    const Bgra clear{0, 0, 0, 0};
    for (int32_t x = 0; x < 12; ++x) {
        const Bgra right = x >= 5 ? column(x - 5) : clear;
        const Bgra left = x < 7 ? column(x + 5) : clear;
        Bgra expect = shape == Shape::Right ? right : left;
        if (shape == Shape::Mix) {
            // Both at 127 / 255: (c * 127 >> 8) for each.
            auto mix = [](uint8_t a, uint8_t b) {
                return static_cast<uint8_t>(((a * 127) >> 8) + ((b * 127) >> 8));
            };
            expect = {mix(left.b, right.b), mix(left.g, right.g), 0, std::max(left.a, right.a)};
        }
        EXPECT_EQ(pixel_at(out, x, 1), expect) << "frame " << frame << ", x " << x;
    }
}

TEST_P(Jitter, FramesCycleMixRightMixLeft) {
    ImagePtr src = Picture(12, 2, [](int32_t x, int32_t) { return column(x); });
    const Shape cycle[] = {Shape::Mix, Shape::Right, Shape::Mix, Shape::Left, Shape::Mix};
    for (int32_t frame = 0; frame < 5; ++frame) {
        ImagePtr out(jitter_image(src.get(), frame));
        ASSERT_TRUE(out);
        expect_shape(out.get(), cycle[frame], frame);
    }
    ImagePtr before(jitter_image(src.get(), -1));
    expect_shape(before.get(), Shape::Left, -1);
    ImagePtr far(jitter_image(src.get(), INT32_MIN));
    expect_shape(far.get(), Shape::Mix, INT32_MIN);
    EXPECT_FALSE(jitter_image(nullptr, 0));
}

}  // namespace
