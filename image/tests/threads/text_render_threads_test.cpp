// Render workers draw captions and drawings at once, each with its own Pango font map,
// and get the pictures a single thread gets.

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "image/film_strip.h"
#include "image/shapes.h"
#include "image/tests/compose_test_support.h"
#include "image/tests/threads/library_suppressions.h"
#include "image/text_render.h"

namespace {

// One worker's pictures: captions in several faces, sizes and alignments (one shrunk),
// a drawing and a film strip.
std::vector<ImagePtr> frame() {
    std::vector<ImagePtr> pictures;
    const char* faces[] = {"ＭＳ ゴシック", "IPAPGothic", "No Such Face"};
    for (int i = 0; i < 3; ++i)
        pictures.emplace_back(render_text_image(
            "スライドショー " + std::to_string(i) + "\r\nVemo ☆ 字幕", 160 + 40 * i, 90, faces[i],
            10 + 5 * i, 20 + 10 * i, 1 + i, 17 + i, 4, {255, 255, 255, 255}, {0, 0, 40, 128}));
    const DrawShape ellipse{DrawShape::ELLIPSE, 1, true, {}, {10, 20, 70, 40}, 30};
    const DrawShape line{DrawShape::LINE, 3, false, {{0, 0}, {79, 59}, {0, 59}}, {}, 0};
    pictures.emplace_back(
        render_shapes_image(80, 60, {ellipse, line}, {200, 100, 0, 200}, {0, 0, 0, 0}));
    pictures.emplace_back(render_film_strip_image(3, true, 11, 96, 64, 200, 200, 200));
    return pictures;
}

TEST(TextRenderThreads, WorkersGetTheSingleThreadedPictures) {
    ModeScope mode(32);
    const std::vector<ImagePtr> expect = frame();
    for (const ImagePtr& picture : expect) ASSERT_TRUE(picture);
    auto same_pictures = [&] {
        const std::vector<ImagePtr> got = frame();
        bool same = got.size() == expect.size();
        for (size_t i = 0; same && i < got.size(); ++i)
            same = same_pixels(got[i].get(), expect[i].get());
        return same;
    };
    EXPECT_EQ(failed_rounds(4, 3, same_pictures), std::vector<int>(4, 0));
}

}  // namespace
