// A picture and a MIX background asked by several workers at once are made once.
// (Frames of every composition raced against the single-threaded ones: the document's
// thread test in scenario/tests/threads.)

#include <gtest/gtest.h>

#include "scene/scene_composition.h"
#include "scene/scene_source.h"
#include "scene/tests/scene_test_util.h"
#include "scene/tests/threads/thread_test_support.h"

namespace {

TEST(PictureThreads, ConcurrentCallersShareOnePicture) {
    for (int round = 0; round < 20; ++round) {
        SceneGraph g;
        auto* painted = g.Add<PaintedScene>("block", 40, 32, 24);
        auto* image = g.Over<CSceneImage>(painted, "p");
        image->EditSettings().blockFrame = 7;
        // Everybody holds a copy before anybody gives one back.
        const std::vector<Rgba> seen = held_together(image, 5, 5);
        ASSERT_EQ(painted->gets, 1) << "round " << round;
        for (const Rgba& pixel : seen) ASSERT_EQ(pixel, (Rgba{7, 0, 0, 255}));
    }
}

class CompositionThreads : public ::testing::TestWithParam<int> {
protected:
    ImageModeScope m_mode{GetParam()};
};

INSTANTIATE_TEST_SUITE_P(BothModes, CompositionThreads, ::testing::Values(32, 24));

TEST_P(CompositionThreads, WorkersShareOneBackground) {
    for (int round = 0; round < 10; ++round) {
        // A fitted background picture (frame 5 of its block) under inputs drawn
        // unscaled and fitted.
        SceneGraph g;
        g.Screen(16, 12);
        auto* backdrop = add_painted(g, "backdrop", 40, 32, 24, 50);
        auto* picture = g.Over<CSceneImage>(backdrop, "picture");
        picture->EditSettings().blockFrame = 5;
        auto* mix = g.Add<CSceneMix>("mix");
        mix->EditSettings().bgcolor = CColor(10, 20, 30, 255);
        g.Background(mix, picture);
        g.Place(g.Input(mix, add_painted(g, "a", 30, 8, 6, 0, 180)), {1, 1, 8, 6});
        g.Place(g.Input(mix, g.Add<PaintedScene>("b", 20, 16, 12)), {4, 4, 11, 9});
        g.Count();

        const std::vector<Rgba> seen = held_together(mix, 15, 11);
        ASSERT_EQ(backdrop->gets, 1) << "round " << round;
        for (const Rgba& pixel : seen) ASSERT_EQ(pixel, (Rgba{5, 50, 0, 255}));
    }
}

}  // namespace
