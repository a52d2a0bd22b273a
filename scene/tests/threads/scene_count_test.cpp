// Counts computed once during linking are read by many render threads at once.

#include <gtest/gtest.h>

#include <numeric>

#include "scene/scene_composition.h"
#include "scene/scene_motion.h"
#include "scene/scene_source.h"
#include "scene/scene_transition.h"
#include "scene/tests/scene_test_util.h"
#include "scene/tests/threads/thread_test_support.h"

namespace {

TEST(SceneThreads, CountedGraphIsReadConcurrently) {
    SceneGraph g;
    auto* picture = g.Add<CSceneImage>("p");
    auto* cross = framed(g.Add<CSceneCrossfade>("x"), 5);
    for (int i = 0; i < 3; ++i)
        g.Input(cross, framed(g.Over<CSceneStill>(picture, "s" + std::to_string(i)), 20));
    auto* main = g.Add<CSceneSeries>(" ", SCENE_MAIN);
    g.Input(main, cross);
    g.Input(main, picture, 2);  // never reached in frames, but counted
    g.Count();
    const int32_t total = main->GetFrameCount();
    ASSERT_EQ(total, kEndlessFrames);
    const int32_t played = cross->GetFrameCount();
    ASSERT_EQ(played, 50);

    // Dissolve starts, middles and ends: 0, 15, 17, 20, 30, 32, 35 and the last, 49.
    int expected = 0;
    for (int32_t f = 0; f < played; ++f) expected += main->TestFrame(FRAME_KEY, f);
    ASSERT_EQ(expected, 8);
    std::vector<int> keys(kWorkers, 0);
    run_workers([&](int w) {
        for (int32_t f = w; f < played; f += kWorkers) {
            keys[w] += main->TestFrame(FRAME_KEY, f);
            FrameDescription rows;
            main->DescribeFrame(f, 0, rows);
            EXPECT_EQ(main->GetFrameCount(), total);
        }
    });
    EXPECT_EQ(std::accumulate(keys.begin(), keys.end(), 0), expected);
}

TEST(SceneThreads, BlankIsCreatedOnceForAllThreads) {
    SceneGraph g;
    g.Screen(16, 16);
    auto* picture = g.Add<CSceneImage>("p");
    auto* series = g.Add<CSceneSeries>("s");
    CSceneLink* blank = g.Input(series, picture, 2);
    g.Count();
    std::vector<CImageBuffer*> seen(kWorkers, nullptr);
    run_workers([&](int w) {
        seen[w] = blank->GetImage(w, 1, nullptr, nullptr);
        blank->ReleaseImage(seen[w], w);
    });
    for (CImageBuffer* image : seen) EXPECT_EQ(image, seen[0]);
}

}  // namespace
