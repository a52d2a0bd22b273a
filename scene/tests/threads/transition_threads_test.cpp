// A FILM asked by several workers at once for frames in any order draws every frame
// as it draws it alone: the pictures it keeps are not changed or dropped under a frame
// that is still drawing from them.

#include <gtest/gtest.h>

#include <cstring>
#include <random>
#include <vector>

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
    g.owner.width = 64;
    g.owner.height = 48;
    auto* film = g.Add<CSceneFilm>("film");

    // Two endless pictures (a drawing, and one frame of a clip) between pictures
    // that change with every frame.
    auto* drawing = g.Add<CSceneDraw>("drawing");
    DrawSettings& d = drawing->EditSettings();
    d.width = 40;
    d.height = 30;
    d.color = CColor(250, 200, 10, 255);
    d.bgcolor = CColor(20, 40, 60, 255);
    DrawShape ellipse;
    ellipse.kind = DrawShape::ELLIPSE;
    ellipse.fill = true;
    ellipse.region = {4, 3, 35, 26};
    d.shapes.push_back(ellipse);
    auto* clip = g.Add<PaintedScene>("clip", 500, 32, 20);
    clip->green = 90;
    auto* still = g.Add<CSceneImage>("still");
    g.Input(still, clip);
    still->EditSettings().blockFrame = 17;
    auto* changingA = g.Add<PaintedScene>("a", 500, 48, 36);
    changingA->green = 30;
    auto* changingB = g.Add<PaintedScene>("b", 500, 20, 40);
    changingB->green = 160;
    changingB->alpha = 180;
    g.Input(film, changingA);
    g.Input(film, drawing);
    g.Input(film, changingB);
    g.Input(film, still);
    FilmSettings& s = film->EditSettings();
    s.direction = DIRECTION_UP;
    s.bgcolor = CColor(5, 6, 7);
    s.frames = 53;  // L = 117 over 52 steps: a quarter pixel beyond the whole one
    g.Count();
    ASSERT_EQ(film->Validate(nullptr), 0);

    constexpr int32_t kFrames = 53;
    std::vector<std::vector<uint8_t>> reference(kFrames);
    for (int32_t frame = 0; frame < kFrames; ++frame) {
        CImageBuffer* image = film->GetImage(frame, 1, nullptr, nullptr);
        ASSERT_TRUE(image) << frame;
        reference[static_cast<size_t>(frame)] = image_bytes(image);
        film->ReleaseImage(image, frame);
    }

    for (int round = 0; round < 4; ++round) {
        film->ResetCache();
        std::vector<int> mismatches(kWorkers, 0);
        run_workers([&](int w) {
            std::mt19937 random(static_cast<uint32_t>(1000 * round + w));
            // Each worker keeps a few frames out and gives them back in any order,
            // the last frame among them often.
            std::vector<std::pair<int32_t, CImageBuffer*>> out;
            for (int request = 0; request < 60; ++request) {
                const int32_t frame =
                    random() % 4 == 0 ? kFrames - 1 : static_cast<int32_t>(random() % kFrames);
                CImageBuffer* image = film->GetImage(frame, 1, nullptr, nullptr);
                if (image_bytes(image) != reference[static_cast<size_t>(frame)]) {
                    ++mismatches[w];
                }
                out.emplace_back(frame, image);
                if (out.size() > 3 || random() % 2 == 0) {
                    const size_t which = random() % out.size();
                    film->ReleaseImage(out[which].second, out[which].first);
                    out.erase(out.begin() + static_cast<std::ptrdiff_t>(which));
                }
            }
            for (auto& [frame, image] : out) film->ReleaseImage(image, frame);
        });
        for (int w = 0; w < kWorkers; ++w) {
            EXPECT_EQ(mismatches[w], 0) << "round " << round << ", worker " << w;
        }
    }
    EXPECT_EQ(changingA->gets, changingA->releases);
    EXPECT_EQ(clip->gets, clip->releases);
}

}  // namespace
