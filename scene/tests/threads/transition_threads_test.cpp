// A FILM asked by several workers at once for frames in any order draws every frame
// as it draws it alone: the pictures it keeps are not changed or dropped under a frame
// that is still drawing from them.

#include <gtest/gtest.h>

#include "scene/scene_source.h"
#include "scene/scene_transition.h"
#include "scene/tests/scene_test_util.h"
#include "scene/tests/threads/thread_test_support.h"

namespace {

class TransitionThreads : public ::testing::TestWithParam<int> {};

INSTANTIATE_TEST_SUITE_P(BothModes, TransitionThreads, ::testing::Values(32, 24));

TEST_P(TransitionThreads, FilmFramesFromManyWorkersMatchTheSingleThreadedOnes) {
    ImageModeScope imageMode(GetParam());
    SceneGraph g;
    g.Screen(64, 48);
    auto* film = g.Add<CSceneFilm>("film");

    // Two endless pictures (a drawing, and one frame of a clip) between pictures
    // that change with every frame.
    CSceneDraw* drawing = add_square(g, "drawing", 40, 30, CColor(250, 200, 10, 255),
                                     {4, 3, 35, 26}, CColor(20, 40, 60, 255));
    auto* clip = add_painted(g, "clip", 500, 32, 20, 90);
    auto* still = g.Over<CSceneImage>(clip, "still");
    still->EditSettings().blockFrame = 17;
    auto* changingA = add_painted(g, "a", 500, 48, 36, 30);
    auto* changingB = add_painted(g, "b", 500, 20, 40, 160, 180);
    for (CScene* input : std::initializer_list<CScene*>{changingA, drawing, changingB, still})
        g.Input(film, input);
    // L = 117 over 52 steps: a quarter pixel beyond the whole one.
    film->EditSettings() = FilmSettings{DIRECTION_UP, {80, 24, 0}, CColor(5, 6, 7), 53};
    g.Count();
    ASSERT_EQ(film->Validate(nullptr), 0);

    // Each worker keeps a few frames out and gives them back in any order, the last
    // frame among them often.
    const std::vector<FrameBytes> expected = frames_alone(film, 53);
    for (uint32_t round = 0; round < 4; ++round) {
        EXPECT_EQ(racing_mismatches({film}, {expected}, 60, 4, true, 1000 * round), 0)
            << "round " << round;
        film->ResetCache();
    }
    EXPECT_EQ(changingA->gets, changingA->releases);
    EXPECT_EQ(clip->gets, clip->releases);
}

}  // namespace
