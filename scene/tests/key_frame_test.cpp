// Key-frame navigation: every class's NextKeyFrame and PrevKeyFrame agree with
// asking TestFrame frame by frame, on random block graphs of every class.

#include <gtest/gtest.h>

#include <random>

#include "scene/scene_composition.h"
#include "scene/scene_motion.h"
#include "scene/scene_source.h"
#include "scene/scene_transition.h"
#include "scene/tests/scene_test_util.h"

namespace {

int32_t next_by_frames(CScene& scene, int32_t after) {
    const int32_t count = scene.GetFrameCount();
    for (int64_t f = std::max<int64_t>(int64_t{after} + 1, 0); f < count; ++f) {
        if (scene.TestFrame(FRAME_KEY, static_cast<int32_t>(f)) == 1)
            return static_cast<int32_t>(f);
    }
    return count;
}

int32_t prev_by_frames(CScene& scene, int32_t before) {
    for (int64_t f = std::min<int64_t>(before, scene.GetFrameCount()) - 1; f >= 0; --f) {
        if (scene.TestFrame(FRAME_KEY, static_cast<int32_t>(f)) == 1)
            return static_cast<int32_t>(f);
    }
    return -1;
}

// Builds random graphs the way valid scenarios look after Link: every block's
// own checks pass.
class RandomGraph {
public:
    explicit RandomGraph(uint32_t seed) : m_random(seed) {}

    SceneGraph graph;

    int32_t Pick(int32_t low, int32_t high) {
        EXPECT_LE(low, high);
        return std::uniform_int_distribution<int32_t>(low, high)(m_random);
    }

    CScene* Picture() {
        return Pick(0, 1) ? static_cast<CScene*>(graph.Add<CSceneImage>(Name()))
                          : graph.Add<CSceneDraw>(Name());
    }

    // A block with a length, `depth` levels of blocks above the pictures at most.
    CScene* Timed(int depth) {
        switch (depth <= 0 ? Pick(0, 4) : Pick(0, 15)) {
            case 0:
                return framed(graph.Add<CSceneMovie>(Name()), Pick(1, 40));
            case 1: {
                auto* still = framed(graph.Add<CSceneStill>(Name()), Pick(1, 40));
                for (int i = Pick(1, 2); i > 0; --i) graph.Input(still, Picture());
                return still;
            }
            case 2: {
                auto* rotate = framed(graph.Add<CSceneRotate>(Name()), Pick(2, 40));
                graph.Input(rotate, Picture());
                return rotate;
            }
            case 3: {
                auto* move = graph.Add<CSceneAction>(Name(), SCENE_ACTION + Pick(0, 3));
                move->EditSettings().frames = Pick(2, 40);
                graph.Input(move, Pick(0, 1) ? Picture() : Timed(depth - 1));
                return move;
            }
            case 4: {
                auto* film = framed(graph.Add<CSceneFilm>(Name()), Pick(2, 60));
                film->EditSettings().direction = DIRECTION_UP;
                for (int i = Pick(2, 5); i > 0; --i) graph.Input(film, Picture());
                return film;
            }
            case 5:
                return Single(graph.Add<CSceneExpand>(Name()), depth);
            case 6:
                return Single(graph.Add<CSceneMosaic>(Name()), depth);
            case 7:
                return Single(graph.Add<CSceneShake>(Name()), depth);
            case 8:
                return Single(graph.Add<CSceneAlpha>(Name()), depth);
            case 9:
                return Single(graph.Add<CSceneShade>(Name()), depth);
            case 10: {
                auto* fade = graph.Add<CSceneFade>(Name());
                CScene* input = Timed(depth - 1);
                graph.Input(fade, input);
                const int32_t count = input->CountFrames();
                const int32_t mode = Pick(1, 3);
                fade->EditSettings().fadeMode = mode;
                // The fade may be longer than its input would allow: navigation does
                // not rely on it.
                fade->EditSettings().frames =
                    Pick(2, std::max(2, mode == FADE_INOUT ? count / 2 : count));
                return fade;
            }
            case 11: {
                auto* cut = graph.Add<CSceneCut>(Name());
                CScene* input = Timed(depth - 1);
                graph.Input(cut, input);
                const int32_t count = input->CountFrames();
                cut->EditSettings() =
                    CutSettings{Pick(0, count - 1), Pick(0, count - 1), Pick(0, 4)};
                return cut;
            }
            case 12: {
                auto* mix = graph.Add<CSceneMix>(Name());
                for (int i = Pick(1, 3); i > 0; --i) {
                    graph.Input(mix, Timed(depth - 1))->EditSettings().offset = Pick(0, 20);
                }
                return mix;
            }
            case 13: {
                const int32_t fade = Pick(2, 6);
                auto* cross = framed(graph.Add<CSceneCrossfade>(Name()), fade);
                const int inputs = Pick(2, 4);
                for (int i = 0; i < inputs; ++i) {
                    // Ends need FRAMES frames, inputs between them twice as many.
                    const int32_t needed = (i == 0 || i + 1 == inputs) ? fade : 2 * fade;
                    auto* still = framed(graph.Add<CSceneStill>(Name()), Pick(needed, needed + 30));
                    graph.Input(still, Picture());
                    graph.Input(cross, Pick(0, 3) ? static_cast<CScene*>(still) : Wrapped(still));
                }
                return cross;
            }
            default: {
                auto* series = graph.Add<CSceneSeries>(Name());
                for (int i = Pick(1, 4); i > 0; --i) graph.Input(series, Timed(depth - 1));
                return series;
            }
        }
    }

private:
    CScene* Single(CScene* scene, int depth) {
        graph.Input(scene, Timed(depth - 1));
        return scene;
    }
    // A SERIES around a shot keeps its length and adds key frames of its own.
    CScene* Wrapped(CScene* shot) {
        auto* series = graph.Add<CSceneSeries>(Name());
        graph.Input(series, shot);
        return series;
    }
    std::string Name() { return std::to_string(m_names++).insert(0, 1, 'b'); }

    std::mt19937 m_random;
    int m_names = 0;
};

TEST(KeyFrames, NavigationAgreesWithAskingEveryFrame) {
    size_t checked = 0;
    for (uint32_t seed = 1; seed <= 1000; ++seed) {
        RandomGraph random(seed);
        CScene* root = random.Timed(5);
        random.graph.Count();
        for (auto& scene : random.graph.scenes) {
            const int32_t count = scene->GetFrameCount();
            if (count >= kEndlessFrames) continue;  // pictures: every frame is a key frame
            SCOPED_TRACE("seed " + std::to_string(seed) + ", " + scene->TypeName() + " " +
                         scene->Name());
            for (int32_t f = -2; f <= count + 1; ++f) {
                ASSERT_EQ(scene->NextKeyFrame(f), next_by_frames(*scene, f)) << "after " << f;
                ASSERT_EQ(scene->PrevKeyFrame(f), prev_by_frames(*scene, f)) << "before " << f;
            }
        }
        ASSERT_GT(root->GetFrameCount(), 0) << "seed " << seed;
        checked += random.graph.scenes.size();
    }
    EXPECT_GT(checked, 5000u) << "the graphs are too small to say much";
}

TEST(KeyFrames, PicturesAndLongShotsAnswerWithoutWalking) {
    SceneGraph g;
    auto* picture = g.Add<CSceneImage>("p");
    auto* still = framed(g.Over<CSceneStill>(picture, "s"), kEndlessFrames - 1);
    // Played backwards.
    auto* cut = with_settings(g.Over<CSceneCut>(still, "c"), CutSettings{kEndlessFrames - 2, 0, 1});
    g.Count();
    EXPECT_EQ(picture->NextKeyFrame(41), 42);
    EXPECT_EQ(picture->PrevKeyFrame(0), -1);
    EXPECT_EQ(still->NextKeyFrame(0), kEndlessFrames - 1) << "only frame 0 is a key frame";
    EXPECT_EQ(cut->NextKeyFrame(0), kEndlessFrames - 2) << "the STILL's frame 0 is the CUT's last";
    EXPECT_EQ(cut->PrevKeyFrame(kEndlessFrames - 2), 0);
}

}  // namespace
