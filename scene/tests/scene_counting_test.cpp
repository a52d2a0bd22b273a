// Frame counts, frame questions and descriptions of scene graphs built by hand.

#include <gtest/gtest.h>

#include "scene/scene_composition.h"
#include "scene/scene_motion.h"
#include "scene/scene_source.h"
#include "scene/scene_transition.h"
#include "scene/tests/scene_test_util.h"

namespace {

using Frames = std::vector<int32_t>;

// The frames below `count` (the scene's own count when -1) that answer `kind`.
Frames marked(CScene* scene, int kind = FRAME_KEY, int32_t count = -1) {
    Frames frames;
    for (int32_t f = 0; f < (count < 0 ? scene->GetFrameCount() : count); ++f) {
        if (scene->TestFrame(kind, f)) frames.push_back(f);
    }
    return frames;
}

CSceneStill* add_still(SceneGraph& g, const std::string& name, int32_t frames, CScene* input) {
    return framed(g.Over<CSceneStill>(input, name), frames);
}
CSceneMovie* add_movie(SceneGraph& g, const std::string& name, int32_t frames) {
    return framed(g.Add<CSceneMovie>(name), frames);
}

// A link whose block was never found answers every question safely.
TEST(SceneLink, UnresolvedLinksAnswerSafely) {
    CSceneLink link("missing");
    EXPECT_EQ(link.GetFrameCount(), 0);
    EXPECT_EQ(link.TestFrame(FRAME_KEY, 0), 0);
    EXPECT_EQ(link.GetImage(0, 1, nullptr, nullptr), nullptr);
    FrameDescription rows;
    EXPECT_EQ(link.DescribeFrame(0, 2, rows), -1);
    EXPECT_EQ(rows.size(), kDescriptionColumns);
}

TEST(SceneCount, SeriesSumsLocatesAndMarksItsInputs) {
    SceneGraph g;
    auto* picture = g.Add<CSceneImage>("p");
    auto* a = add_still(g, "a", 10, picture);
    auto* series = g.Add<CSceneSeries>("s");
    for (CScene* input : {a, add_still(g, "b", 0, picture), add_still(g, "c", 5, picture)})
        g.Input(series, input);
    // A picture placed straight into a series makes it endless, without overflow.
    auto* endless = g.Add<CSceneSeries>("e");
    for (CScene* input : std::initializer_list<CScene*>{a, picture, picture})
        g.Input(endless, input);
    auto* main = g.Add<CSceneSeries>(" ", SCENE_MAIN);
    g.Input(main, add_still(g, "x", 10, picture));
    g.Input(main, add_still(g, "y", 10, picture));
    auto* empty = g.Add<CSceneSeries>(" ", SCENE_MAIN);
    g.Count();
    EXPECT_EQ(picture->GetFrameCount(), kEndlessFrames);
    EXPECT_EQ(series->GetFrameCount(), 15);
    EXPECT_EQ(endless->GetFrameCount(), kEndlessFrames);

    EXPECT_EQ(marked(main), (Frames{0, 10, 19}));
    EXPECT_EQ(main->TestFrame(FRAME_SERIAL, 5), 0);
    // Outside its own range a series answers 0 without asking anyone.
    EXPECT_EQ(main->TestFrame(FRAME_KEY, 20), 0);
    EXPECT_EQ(main->TestFrame(FRAME_KEY, -1), 0);
    EXPECT_EQ(main->TestFrame(FRAME_SERIAL, 1000), 0);

    FrameDescription rows;
    EXPECT_EQ(empty->DescribeFrame(0, 0, rows), 0);
    EXPECT_EQ(rows, (FrameDescription{"MAIN", "0", "(null)"}));
}

// Key frames of the timed classes over one input: a movie marks 0, its middle and
// its end; effects follow their input. A FILM marks every (FRAMES / 2) / 2 frames
// (blocks_composition_test reads them through MAIN): with 3 frames that step is 0.
TEST(SceneCount, KeyFramesOfEachClass) {
    SceneGraph g;
    auto* movie = add_movie(g, "m", 50);
    auto* rotate = framed(g.Over<CSceneRotate>(movie, "r"), 11);
    auto* zoom = framed(g.Over<CSceneAction>(movie, "z", SCENE_ZOOM), 4);
    auto* still = add_still(g, "s", 100, movie);
    auto* picture = g.Add<CSceneImage>("p");
    auto* shot = add_still(g, "shot", 30, picture);
    CSceneFade* fades[3];
    for (int32_t mode : {FADE_IN, FADE_OUT, FADE_INOUT})
        fades[mode - FADE_IN] = with_settings(g.Over<CSceneFade>(shot, "f" + std::to_string(mode)),
                                              FadeSettings{mode, CColor(), 10});
    auto* alpha = g.Over<CSceneAlpha>(add_movie(g, "n", 9), "a");
    auto* shake = g.Over<CSceneShake>(g.Over<CSceneShade>(alpha, "sh"), "k");
    auto* mosaic = g.Over<CSceneMosaic>(g.Over<CSceneExpand>(shake, "e"), "o");
    auto* film = framed(g.Add<CSceneFilm>("film"), 3);
    for (int i = 0; i < 3; ++i) g.Input(film, picture);
    g.Count();
    EXPECT_EQ(marked(movie), (Frames{0, 25, 49}));
    EXPECT_EQ(marked(rotate), (Frames{0, 5, 10}));
    EXPECT_EQ(marked(zoom), (Frames{0, 2, 3}));
    EXPECT_EQ(marked(still), (Frames{0}));
    EXPECT_EQ(marked(fades[0]), (Frames{0, 5, 10, 29}));
    EXPECT_EQ(marked(fades[1]), (Frames{0, 24, 29}));
    EXPECT_EQ(marked(fades[2]), (Frames{0, 5, 10, 24, 29}));
    EXPECT_EQ(marked(alpha), (Frames{0, 4, 8}));
    EXPECT_EQ(marked(shake), (Frames{0, 8}));
    EXPECT_EQ(marked(mosaic), (Frames{0, 4, 8}));
    EXPECT_EQ(marked(film), (Frames{0, 2}));

    // Movies are made on the control thread, and so is what shows them frame by frame;
    // pictures answer yes to everything.
    EXPECT_EQ(movie->TestFrame(FRAME_SERIAL, 3), 1);
    EXPECT_EQ(mosaic->TestFrame(FRAME_SERIAL, 3), 1) << "the movie below must be serial";
    for (CScene* timed : std::initializer_list<CScene*>{rotate, zoom, still})
        EXPECT_EQ(timed->TestFrame(FRAME_SERIAL, 1), 0) << timed->TypeName();
    auto* text = g.Add<CSceneText>("t");
    EXPECT_EQ(text->TestFrame(FRAME_KEY, 123456), 1);
    EXPECT_EQ(text->TestFrame(FRAME_SERIAL, 7), 1);
}

TEST(SceneCount, CrossfadeTimeline) {
    SceneGraph g;
    auto* picture = g.Add<CSceneImage>("p");
    auto* cross = framed(g.Add<CSceneCrossfade>("x"), 10);
    for (const char* name : {"a", "b", "c"}) g.Input(cross, add_still(g, name, 30, picture));
    // The movie is asked from frame 6 on, first as the dissolving next input; as the
    // first input, until its end.
    auto* movie = add_movie(g, "m", 10);
    auto* into = framed(g.Add<CSceneCrossfade>("into"), 4);
    g.Input(into, add_still(g, "s", 10, picture));
    g.Input(into, movie);
    auto* outOf = framed(g.Over<CSceneCrossfade>(movie, "outOf"), 4);
    g.Input(outOf, add_still(g, "t", 10, picture));
    g.Count();
    EXPECT_EQ(cross->GetFrameCount(), 70);
    // Dissolve starts (input frame 0 of the next), their middles and ends are marked.
    EXPECT_EQ(marked(cross), (Frames{0, 20, 25, 30, 40, 45, 50, 69}));
    EXPECT_EQ(cross->TestFrame(FRAME_KEY, 70), 0);

    FrameDescription rows;
    cross->DescribeFrame(25, 0, rows);
    EXPECT_EQ(rows, (FrameDescription{"CROSSFADE", "25", "(null)",  //
                                      "1",         "a",  "STILL",  "25", "(null)",
                                      "2",         "p",  "IMAGE",  "25", "(null)",  //
                                      "1",         "b",  "STILL",  "5",  "(null)",
                                      "2",         "p",  "IMAGE",  "5",  "(null)"}));

    ASSERT_EQ(into->GetFrameCount(), 16);
    EXPECT_EQ(marked(into, FRAME_SERIAL, 17), (Frames{6, 7, 8, 9, 10, 11, 12, 13, 14, 15}));
    EXPECT_EQ(marked(outOf, FRAME_SERIAL, 17), (Frames{0, 1, 2, 3, 4, 5, 6, 7, 8, 9}));
}

TEST(SceneCount, MixOffsetsAndGaps) {
    SceneGraph g;
    auto* picture = g.Add<CSceneImage>("p");
    auto* mix = g.Add<CSceneMix>("m");
    g.Input(mix, add_still(g, "late", 20, picture))->EditSettings().offset = 30;
    g.Input(mix, add_still(g, "early", 10, picture))->EditSettings().offset = 0;
    g.Background(mix, add_movie(g, "bg", 60));
    g.Count();
    EXPECT_EQ(mix->GetFrameCount(), 50);
    EXPECT_EQ(marked(mix), (Frames{0, 9, 30, 49}));
    // Frames 10..29 show only the background: nothing active.
    EXPECT_EQ(mix->TestFrame(FRAME_SERIAL, 15), 0);
    FrameDescription rows;
    EXPECT_EQ(mix->DescribeFrame(15, 0, rows), 0);
    EXPECT_EQ(rows, (FrameDescription{"MIX", "15", "(null)", "1", "bg", "MOVIE", "15", "(null)"}));
    rows.clear();
    EXPECT_EQ(mix->DescribeFrame(50, 0, rows), 0);
    EXPECT_EQ(rows.size(), 3u) << "outside its range a MIX describes only itself";

    // Offsets push an endless input beyond the largest count without wrapping.
    g.Input(mix, picture)->EditSettings().offset = 1000;
    g.Count();
    EXPECT_EQ(mix->GetFrameCount(), kEndlessFrames);
}

// The frames a CUT shows through GetImage are checked with the composition frames;
// here its keys, SKIP 0 and a saturated count.
TEST(SceneCount, CutKeysAndMapping) {
    SceneGraph g;
    auto* movie = add_movie(g, "m", 20);
    auto cut = [&](const std::string& name, int32_t start, int32_t end, int32_t skip) {
        return with_settings(g.Over<CSceneCut>(movie, name), CutSettings{start, end, skip});
    };
    auto* back = cut("back", 10, 4, 1);
    auto* zero = cut("zero", 2, 5, 0);
    // An END far beyond START: the count saturates, the mapping never wraps.
    auto* wide = cut("wide", 0x7fffffff, -1, 1);
    g.Count();
    Frames mapped;
    for (int32_t f = 0; f < 4; ++f) mapped.push_back(zero->MapFrame(f));
    EXPECT_EQ(mapped, (Frames{2, 3, 4, 5})) << "SKIP 0 plays as SKIP 1";
    // Key frames: the cut's ends, and the movie's own keys (0, 10, 19) where mapped.
    EXPECT_EQ(marked(back), (Frames{0, 6}));
    EXPECT_EQ(marked(zero), (Frames{0, 3}));
    EXPECT_EQ(back->TestFrame(FRAME_SERIAL, 3), 1);
    EXPECT_EQ(back->TestFrame(FRAME_SERIAL, 7), 0) << "beyond the cut";

    EXPECT_EQ(wide->GetFrameCount(), kEndlessFrames);
    EXPECT_EQ(wide->MapFrame(5), 0x7fffffff - 5);
    EXPECT_EQ(wide->TestFrame(FRAME_SERIAL, 5), 1);
}

TEST(SceneCount, LoopsCountWithoutRecursingForever) {
    SceneGraph g;
    auto* a = g.Add<CSceneSeries>("a");
    auto* b = g.Add<CSceneFade>("b");
    g.Input(a, add_movie(g, "m", 7));
    g.Input(a, b);
    g.Input(b, a);
    g.Count();
    EXPECT_EQ(a->GetFrameCount(), 7) << "the way back into the loop counts nothing";
}

}  // namespace
