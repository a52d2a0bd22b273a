// Frame workers run the kernels at once on their own images; the only shared state is
// the image mode and the processor-feature word, which they only read.

#include <gtest/gtest.h>

#include <cstring>
#include <thread>
#include <vector>

#include "image/compose.h"
#include "image/cpu_features.h"
#include "image/effects.h"
#include "image/image_buffer.h"
#include "image/tests/compose_test_support.h"
#include "image/transform.h"

namespace {

ImagePtr pattern(int32_t width, int32_t height, uint32_t seed) {
    ImagePtr image(create_image32(width, height));
    uint32_t v = seed;
    for (int64_t i = 0; i < int64_t{image->stride} * height; ++i) {
        v = v * 1664525u + 1013904223u;
        image->pixels[i] = static_cast<uint8_t>(v >> 24);
    }
    return image;
}

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
    const int previous = set_image_mode(32);
    detect_cpu_features();
    ImagePtr picture = pattern(120, 90, 1);
    ImagePtr expect = frame(picture.get());
    ASSERT_TRUE(expect);
    std::vector<int> matches(4, 0);
    std::vector<std::thread> workers;
    for (size_t w = 0; w < matches.size(); ++w)
        workers.emplace_back([&, w] {
            for (int n = 0; n < 5; ++n)
                matches[w] += same_pixels(frame(picture.get()).get(), expect.get());
        });
    for (auto& worker : workers) worker.join();
    for (int m : matches) EXPECT_EQ(m, 5);
    set_image_mode(previous);
}

}  // namespace
