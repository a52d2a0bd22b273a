// Frame workers run the kernels at once on their own images; the only shared state is
// the image mode and the processor-feature word, which they only read.

#include <gtest/gtest.h>

#include <vector>

#include "image/compose.h"
#include "image/cpu_features.h"
#include "image/effects.h"
#include "image/image_buffer.h"
#include "image/tests/compose_test_support.h"
#include "image/transform.h"

namespace {

// One worker's frame: every kernel family in turn.
ImagePtr frame(const CImageBuffer* picture) {
    ImagePtr canvas(create_filled_image(96, 64, 10, 20, 30, 255));
    ImagePtr scaled(
        scale_image(picture, 300, 0, 80 * 1024, 50 * 1024, 0, 0, 120 * 1024, 90 * 1024));
    compose_image(canvas.get(), scaled.get(), 3, 4, COMPOSE_ALPHA);
    ImagePtr turned(rotate_image(canvas.get(), 30));
    ImagePtr fitted(fit_image(turned.get(), 96, 64, FIT_INSIDE));
    ImagePtr blurred(blur_image(fitted.get()));
    return ImagePtr(crossfade_image(canvas.get(), blurred.get(), 40));
}

TEST(ComposeThreads, WorkersGetTheSingleThreadedFrame) {
    ModeScope mode(32);
    detect_cpu_features();
    ImagePtr picture(create_image32(120, 90));
    fill_random(picture.get(), 1);
    ImagePtr expect = frame(picture.get());
    ASSERT_TRUE(expect);
    EXPECT_EQ(
        failed_rounds(4, 5, [&] { return same_pixels(frame(picture.get()).get(), expect.get()); }),
        std::vector<int>(4, 0));
}

}  // namespace
