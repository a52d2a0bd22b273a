// Compositions asked by several workers at once: every frame is the one a single
// worker makes, and the MIX background is made once.

#include <gtest/gtest.h>

#include <map>
#include <random>
#include <utility>
#include <vector>

#include "scene/scene_composition.h"
#include "scene/scene_source.h"
#include "scene/tests/scene_test_util.h"
#include "scene/tests/threads/thread_test_support.h"

namespace {

// A MIX with a fitted background picture and inputs drawn unscaled and fitted, and a
// SERIES playing it before a CUT of a picture, an ALPHA, a SHADE and a blank.
struct Graph {
    SceneGraph g;
    CSceneMix* mix = nullptr;
    CSceneSeries* series = nullptr;
    PaintedScene* backdrop = nullptr;

    Graph() {
        g.owner.width = 16;
        g.owner.height = 12;
        backdrop = g.Add<PaintedScene>("backdrop", 40, 32, 24);
        backdrop->green = 50;
        auto* picture = g.Over<CSceneImage>(backdrop, "picture");
        picture->EditSettings().blockFrame = 5;

        CSceneDraw* draw = add_square(g, "draw", 6, 6, CColor(200, 100, 50), {1, 1, 4, 4});
        auto* drawShot = g.Over<CSceneCut>(draw, "drawShot");
        drawShot->EditSettings() = CutSettings{0, 4, 1};

        auto* a = g.Add<PaintedScene>("a", 30, 8, 6);
        a->alpha = 180;
        auto* b = g.Add<PaintedScene>("b", 20, 16, 12);
        b->green = 120;
        mix = g.Add<CSceneMix>("mix");
        mix->EditSettings().bgcolor = CColor(10, 20, 30, 255);
        g.Background(mix, picture);
        g.Place(g.Input(mix, a), {1, 1, 8, 6});
        g.Place(g.Input(mix, b), {4, 4, 11, 9})->EditSettings().offset = 10;
        g.Place(g.Input(mix, drawShot), {9, 0, 14, 9})->EditSettings().offset = 25;

        auto* pictureShot = g.Over<CSceneCut>(picture, "pictureShot");
        pictureShot->EditSettings() = CutSettings{9, 0, 3};
        auto* alpha = g.Over<CSceneAlpha>(g.Add<PaintedScene>("c", 20, 16, 12), "alpha");
        alpha->EditSettings() = RangeSettings{0, 255};
        auto* shade = g.Over<CSceneShade>(drawShot, "shade");
        shade->EditSettings() = RangeSettings{0, 3};

        series = g.Add<CSceneSeries>("series");
        for (CScene* input : std::vector<CScene*>{mix, pictureShot, alpha, shade}) {
            g.Input(series, input);
        }
        g.Input(series, g.Add<PaintedScene>("hidden", 5, 4, 4), 2);
        g.Count();
    }

    void Reset() {
        for (auto& scene : g.scenes) scene->ResetCache();
    }
};

class CompositionThreads : public ::testing::TestWithParam<int> {
protected:
    ImageModeScope m_mode{GetParam()};
};

INSTANTIATE_TEST_SUITE_P(BothModes, CompositionThreads, ::testing::Values(32, 24));

TEST_P(CompositionThreads, RandomFramesMatchTheSingleThreadedOnes) {
    Graph graph;
    CScene* const scenes[2] = {graph.mix, graph.series};
    ASSERT_EQ(graph.mix->GetFrameCount(), 30);
    ASSERT_EQ(graph.series->GetFrameCount(), 70);

    std::map<std::pair<int, int32_t>, std::vector<uint8_t>> expected;
    for (int s = 0; s < 2; ++s) {
        for (int32_t f = 0; f < scenes[s]->GetFrameCount(); ++f) {
            CImageBuffer* image = scenes[s]->GetImage(f, 1, nullptr, nullptr);
            ASSERT_TRUE(image) << s << " frame " << f;
            expected[{s, f}] = image_bytes(image);
            scenes[s]->ReleaseImage(image, f);
        }
    }
    graph.Reset();

    std::vector<int> mismatches(kWorkers, 0);
    run_workers([&](int w) {
        std::mt19937 rng(static_cast<uint32_t>(1234 + w));
        for (int round = 0; round < 40; ++round) {
            // Two frames held at once, given back in either order.
            struct Held {
                int scene;
                int32_t frame;
                CImageBuffer* image;
            } held[2];
            for (Held& h : held) {
                h.scene = static_cast<int>(rng() % 2);
                h.frame = static_cast<int32_t>(
                    rng() % static_cast<uint32_t>(scenes[h.scene]->GetFrameCount()));
                h.image = scenes[h.scene]->GetImage(h.frame, 1, nullptr, nullptr);
                if (image_bytes(h.image) != expected.at({h.scene, h.frame})) ++mismatches[w];
            }
            const int first = static_cast<int>(rng() % 2);
            for (int i : {first, 1 - first}) {
                scenes[held[i].scene]->ReleaseImage(held[i].image, held[i].frame);
            }
        }
    });
    for (int w = 0; w < kWorkers; ++w) EXPECT_EQ(mismatches[w], 0) << "worker " << w;
}

TEST_P(CompositionThreads, WorkersShareOneBackground) {
    for (int round = 0; round < 10; ++round) {
        Graph graph;
        const std::vector<Rgba> seen = held_together(graph.mix, 15, 11);
        ASSERT_EQ(graph.backdrop->gets, 1) << "round " << round;
        for (const Rgba& pixel : seen) ASSERT_EQ(pixel, (Rgba{5, 50, 0, 255}));
    }
}

}  // namespace
