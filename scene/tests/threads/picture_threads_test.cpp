// Pictures asked by several workers at once are made once.

#include <gtest/gtest.h>

#include "scene/scene_source.h"
#include "scene/tests/scene_test_util.h"
#include "scene/tests/threads/thread_test_support.h"

namespace {

TEST(PictureThreads, ConcurrentCallersShareOnePicture) {
    for (int round = 0; round < 20; ++round) {
        SceneGraph g;
        auto* painted = g.Add<PaintedScene>("block", 40, 32, 24);
        auto* image = g.Add<CSceneImage>("p");
        g.Input(image, painted);
        image->EditSettings().blockFrame = 7;
        // Everybody holds a copy before anybody gives one back.
        const std::vector<Rgba> seen = held_together(image, 5, 5);
        ASSERT_EQ(painted->gets, 1) << "round " << round;
        for (const Rgba& pixel : seen) ASSERT_EQ(pixel, (Rgba{7, 0, 0, 255}));
    }
}

}  // namespace
