// Links between scenes: forwarding, the shared blank of "!INPUT", the run length
// of music-linked inputs.

#include <gtest/gtest.h>

#include "scene/scene_composition.h"
#include "scene/tests/scene_test_util.h"

namespace {

// A 40-frame scene that hands out 2 x 2 images and counts the calls.
class CountingScene : public CScene {
public:
    CountingScene() : CScene(SCENE_MOVIE) {}
    CImageBuffer* GetImage(int32_t, int32_t, int32_t* runLength, RenderContext*) override {
        ++gets;
        if (runLength) *runLength = std::min(*runLength, 7);
        return create_filled_image(2, 2, 1, 2, 3, 255);
    }
    void ReleaseImage(CImageBuffer* image, int32_t) override {
        ++releases;
        delete_image(image);
    }
    int TestFrame(int kind, int32_t frame) override { return kind == FRAME_KEY && frame == 3; }
    int gets = 0;
    int releases = 0;

protected:
    int32_t ComputeFrameCount() override { return 40; }
};

TEST(SceneLink, BlankInputIsOneSharedTransparentScreen) {
    SceneGraph g;
    g.owner.width = 8;
    g.owner.height = 6;
    auto* source = g.Add<CountingScene>("src");
    auto* series = g.Add<CSceneSeries>("s");
    CSceneLink* blank = g.Input(series, source, 2);
    g.Count();
    EXPECT_EQ(blank->GetFrameCount(), 40) << "the target still gives the frame count";
    EXPECT_EQ(blank->TestFrame(FRAME_KEY, 3), 1);

    int32_t run = 100;
    CImageBuffer* first = blank->GetImage(0, 1, &run, nullptr);
    ASSERT_TRUE(first);
    EXPECT_EQ(run, 100) << "the blank leaves the run length alone";
    EXPECT_EQ(first->width, 8);
    EXPECT_EQ(first->height, 6);
    for (int32_t y = 0; y < 6; ++y) {
        for (int32_t x = 0; x < 8; ++x) {
            for (int c = 0; c < 4; ++c) ASSERT_EQ(get_component(first, x, y, c), 0);
        }
    }
    blank->ReleaseImage(first, 0);
    CImageBuffer* again = blank->GetImage(39, 1, nullptr, nullptr);
    EXPECT_EQ(again, first) << "every frame gets the same object";
    EXPECT_EQ(source->gets, 0) << "the target is never asked for pictures";
    blank->ReleaseImage(again, 39);
    EXPECT_EQ(source->releases, 0);
}

TEST(SceneLink, MusicLinkedInputPromisesNoRun) {
    SceneGraph g;
    auto* source = g.Add<CountingScene>("src");
    auto* main = g.Add<CSceneSeries>(" ", SCENE_MAIN);
    CSceneLink* plain = g.Input(main, source);
    CSceneLink* linked = g.Input(main, source);
    linked->EditSettings().volumeAlpha = true;
    g.Count();
    int32_t run = 100;
    CImageBuffer* image = plain->GetImage(5, 1, &run, nullptr);
    EXPECT_EQ(run, 7);
    plain->ReleaseImage(image, 5);
    run = 100;
    image = linked->GetImage(5, 1, &run, nullptr);
    EXPECT_EQ(run, 0);
    linked->ReleaseImage(image, 5);
    EXPECT_EQ(source->gets, 2);
    EXPECT_EQ(source->releases, 2);
}

TEST(SceneLink, UnresolvedLinksAnswerSafely) {
    CSceneLink link("missing");
    EXPECT_EQ(link.GetFrameCount(), 0);
    EXPECT_EQ(link.TestFrame(FRAME_KEY, 0), 0);
    EXPECT_EQ(link.GetImage(0, 1, nullptr, nullptr), nullptr);
    FrameDescription rows;
    EXPECT_EQ(link.DescribeFrame(0, 2, rows), -1);
    EXPECT_EQ(rows.size(), kDescriptionColumns);
}

}  // namespace
