// Frame counts, frame questions and descriptions of scene graphs built by hand.

#include <gtest/gtest.h>

#include "scene/scene_composition.h"
#include "scene/scene_motion.h"
#include "scene/scene_source.h"
#include "scene/scene_transition.h"
#include "scene/tests/scene_test_util.h"

namespace {

std::vector<int32_t> key_frames(CScene* scene) {
    std::vector<int32_t> keys;
    for (int32_t f = 0; f < scene->GetFrameCount(); ++f) {
        if (scene->TestFrame(FRAME_KEY, f)) keys.push_back(f);
    }
    return keys;
}

CSceneStill* add_still(SceneGraph& g, const std::string& name, int32_t frames, CScene* input) {
    auto* still = g.Add<CSceneStill>(name);
    still->EditSettings().frames = frames;
    g.Input(still, input);
    return still;
}

TEST(SceneType, UnknownCodesAndMain) {
    EXPECT_STREQ(scene_type_name(4), "エラー");
    EXPECT_STREQ(scene_type_name(0x2010), "エラー");
    EXPECT_FALSE(create_scene(0x1234));
    auto main = create_scene(SCENE_MAIN);
    ASSERT_TRUE(main);
    EXPECT_STREQ(main->TypeName(), "MAIN");
    EXPECT_EQ(main->Name(), " ");
}

TEST(SceneCount, SeriesSumsAndLocatesInputs) {
    SceneGraph g;
    auto* picture = g.Add<CSceneImage>("p");
    auto* a = add_still(g, "a", 10, picture);
    auto* b = add_still(g, "b", 0, picture);
    auto* c = add_still(g, "c", 5, picture);
    auto* series = g.Add<CSceneSeries>("s");
    g.Input(series, a);
    g.Input(series, b);
    g.Input(series, c);
    g.Count();
    EXPECT_EQ(picture->GetFrameCount(), kEndlessFrames);
    EXPECT_EQ(series->GetFrameCount(), 15);
    int32_t local = -1;
    EXPECT_EQ(series->FindActive(10, &local)->Target(), c);
    EXPECT_EQ(local, 0);
    EXPECT_EQ(series->FindActive(9, &local)->Target(), a);
    EXPECT_EQ(local, 9);
    EXPECT_EQ(series->FindActive(15, &local), nullptr);
    EXPECT_EQ(series->FindActive(-1, &local), nullptr);

    // A picture placed straight into a series makes it endless, without overflow.
    auto* endless = g.Add<CSceneSeries>("e");
    g.Input(endless, a);
    g.Input(endless, picture);
    g.Input(endless, picture);
    g.Count();
    EXPECT_EQ(endless->GetFrameCount(), kEndlessFrames);
}

TEST(SceneCount, KeyFramesOfSeriesOfStills) {
    SceneGraph g;
    auto* picture = g.Add<CSceneImage>("p");
    auto* main = g.Add<CSceneSeries>(" ", SCENE_MAIN);
    g.Input(main, add_still(g, "a", 10, picture));
    g.Input(main, add_still(g, "b", 10, picture));
    g.Count();
    EXPECT_EQ(key_frames(main), (std::vector<int32_t>{0, 10, 19}));
    EXPECT_EQ(main->TestFrame(FRAME_SERIAL, 5), 0);
    // Outside its own range a series answers 0 without asking anyone.
    EXPECT_EQ(main->TestFrame(FRAME_KEY, 20), 0);
    EXPECT_EQ(main->TestFrame(FRAME_KEY, -1), 0);
    EXPECT_EQ(main->TestFrame(FRAME_SERIAL, 1000), 0);

    auto* empty = g.Add<CSceneSeries>(" ", SCENE_MAIN);
    g.Count();
    EXPECT_EQ(empty->GetFrameCount(), 0);
    EXPECT_EQ(empty->TestFrame(FRAME_KEY, 0), 0);
    FrameDescription rows;
    EXPECT_EQ(empty->DescribeFrame(0, 0, rows), 0);
    EXPECT_EQ(rows, (FrameDescription{"MAIN", "0", "(null)"}));
}

TEST(SceneCount, MotionAndSourceKeys) {
    SceneGraph g;
    auto* movie = g.Add<CSceneMovie>("m");
    movie->EditSettings().frames = 50;
    auto* rotate = g.Add<CSceneRotate>("r");
    rotate->EditSettings().frames = 11;
    g.Input(rotate, movie);
    auto* zoom = g.Add<CSceneAction>("z", SCENE_ZOOM);
    zoom->EditSettings().frames = 4;
    g.Input(zoom, movie);
    auto* still = add_still(g, "s", 100, movie);
    g.Count();
    EXPECT_EQ(key_frames(movie), (std::vector<int32_t>{0, 25, 49}));
    EXPECT_EQ(movie->TestFrame(FRAME_SERIAL, 3), 1);
    EXPECT_EQ(key_frames(rotate), (std::vector<int32_t>{0, 5, 10}));
    EXPECT_EQ(key_frames(zoom), (std::vector<int32_t>{0, 2, 3}));
    EXPECT_EQ(key_frames(still), (std::vector<int32_t>{0}));
    for (CScene* timed :
         {static_cast<CScene*>(rotate), static_cast<CScene*>(zoom), static_cast<CScene*>(still)}) {
        EXPECT_EQ(timed->TestFrame(FRAME_SERIAL, 1), 0) << timed->TypeName();
    }
    auto* picture = g.Add<CSceneText>("t");
    EXPECT_EQ(picture->TestFrame(FRAME_KEY, 123456), 1);
    EXPECT_EQ(picture->TestFrame(FRAME_SERIAL, 7), 1);
}

TEST(SceneCount, FadeKeysAndCounts) {
    SceneGraph g;
    auto* picture = g.Add<CSceneImage>("p");
    auto* shot = add_still(g, "s", 30, picture);
    auto* in = g.Add<CSceneFade>("in");
    in->EditSettings().fadeMode = FADE_IN;
    in->EditSettings().frames = 10;
    g.Input(in, shot);
    auto* out = g.Add<CSceneFade>("out");
    out->EditSettings().fadeMode = FADE_OUT;
    out->EditSettings().frames = 10;
    g.Input(out, shot);
    auto* both = g.Add<CSceneFade>("both");
    both->EditSettings().fadeMode = FADE_INOUT;
    both->EditSettings().frames = 10;
    g.Input(both, shot);
    g.Count();
    EXPECT_EQ(in->GetFrameCount(), 30);
    EXPECT_EQ(key_frames(in), (std::vector<int32_t>{0, 5, 10, 29}));
    EXPECT_EQ(key_frames(out), (std::vector<int32_t>{0, 24, 29}));
    EXPECT_EQ(key_frames(both), (std::vector<int32_t>{0, 5, 10, 24, 29}));
}

TEST(SceneCount, CrossfadeTimeline) {
    SceneGraph g;
    auto* picture = g.Add<CSceneImage>("p");
    auto* cross = g.Add<CSceneCrossfade>("x");
    cross->EditSettings().frames = 10;
    for (const char* name : {"a", "b", "c"}) g.Input(cross, add_still(g, name, 30, picture));
    g.Count();
    EXPECT_EQ(cross->GetFrameCount(), 70);
    int64_t start = -1;
    EXPECT_EQ(cross->FindActive(19, &start), 0);
    EXPECT_EQ(cross->FindActive(20, &start), 0) << "the first input is active while it lasts";
    EXPECT_EQ(cross->FindActive(30, &start), 1);
    EXPECT_EQ(start, 20);
    EXPECT_EQ(cross->FindActive(69, &start), 2);
    EXPECT_EQ(start, 40);
    EXPECT_EQ(cross->FindActive(70, &start), -1);
    // Dissolve starts (input frame 0 of the next), their middles and ends are marked.
    EXPECT_EQ(key_frames(cross), (std::vector<int32_t>{0, 20, 25, 30, 40, 45, 50, 69}));
    EXPECT_EQ(cross->TestFrame(FRAME_KEY, 70), 0);

    FrameDescription rows;
    cross->DescribeFrame(25, 0, rows);
    EXPECT_EQ(rows, (FrameDescription{"CROSSFADE", "25", "(null)",  //
                                      "1",         "a",  "STILL",  "25", "(null)",
                                      "2",         "p",  "IMAGE",  "25", "(null)",  //
                                      "1",         "b",  "STILL",  "5",  "(null)",
                                      "2",         "p",  "IMAGE",  "5",  "(null)"}));
}

TEST(SceneCount, CrossfadeSerialFollowsTheDissolve) {
    SceneGraph g;
    auto* picture = g.Add<CSceneImage>("p");
    auto* movie = g.Add<CSceneMovie>("m");
    movie->EditSettings().frames = 10;
    auto* into = g.Add<CSceneCrossfade>("into");
    into->EditSettings().frames = 4;
    g.Input(into, add_still(g, "s", 10, picture));
    g.Input(into, movie);
    auto* outOf = g.Add<CSceneCrossfade>("outOf");
    outOf->EditSettings().frames = 4;
    g.Input(outOf, movie);
    g.Input(outOf, add_still(g, "t", 10, picture));
    g.Count();
    ASSERT_EQ(into->GetFrameCount(), 16);
    // The movie is asked from frame 6 on, first as the dissolving next input.
    std::vector<int32_t> serial;
    for (int32_t f = 0; f < 17; ++f) {
        if (into->TestFrame(FRAME_SERIAL, f)) serial.push_back(f);
    }
    EXPECT_EQ(serial, (std::vector<int32_t>{6, 7, 8, 9, 10, 11, 12, 13, 14, 15}));
    serial.clear();
    for (int32_t f = 0; f < 17; ++f) {
        if (outOf->TestFrame(FRAME_SERIAL, f)) serial.push_back(f);
    }
    EXPECT_EQ(serial, (std::vector<int32_t>{0, 1, 2, 3, 4, 5, 6, 7, 8, 9}));
}

TEST(SceneCount, FilmKeysNeverDivideByZero) {
    SceneGraph g;
    auto* picture = g.Add<CSceneImage>("p");
    auto* film = g.Add<CSceneFilm>("f");
    film->EditSettings().frames = 20;
    film->EditSettings().direction = DIRECTION_UP;
    for (int i = 0; i < 3; ++i) g.Input(film, picture);
    g.Count();
    // (20 / 2) / 2 = 5: every fifth frame.
    EXPECT_EQ(key_frames(film), (std::vector<int32_t>{0, 5, 10, 15, 19}));
    film->EditSettings().frames = 3;  // (3 / 2) / 2 = 0
    g.Count();
    EXPECT_EQ(key_frames(film), (std::vector<int32_t>{0, 2}));
    EXPECT_EQ(film->Validate(nullptr), 0);
    EXPECT_EQ(film->Travel(), 30 * 13 * 2) << "480 >> 4 = 30 per picture gap";
    film->EditSettings().direction = DIRECTION_LEFT;
    film->Validate(nullptr);
    EXPECT_EQ(film->Travel(), 40 * 13 * 2);
}

TEST(SceneCount, MixOffsetsAndGaps) {
    SceneGraph g;
    auto* picture = g.Add<CSceneImage>("p");
    auto* mix = g.Add<CSceneMix>("m");
    g.Input(mix, add_still(g, "late", 20, picture))->EditSettings().offset = 30;
    g.Input(mix, add_still(g, "early", 10, picture))->EditSettings().offset = 0;
    auto* back = g.Add<CSceneMovie>("bg");
    back->EditSettings().frames = 60;
    g.Background(mix, back);
    g.Count();
    EXPECT_EQ(mix->GetFrameCount(), 50);
    EXPECT_EQ(key_frames(mix), (std::vector<int32_t>{0, 9, 30, 49}));
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

TEST(SceneCount, CutMapsFramesBothWaysAndHoldsSkips) {
    SceneGraph g;
    auto* movie = g.Add<CSceneMovie>("m");
    movie->EditSettings().frames = 20;
    auto* back = g.Add<CSceneCut>("back");
    back->EditSettings().start = 10;
    back->EditSettings().end = 4;
    g.Input(back, movie);
    auto* hold = g.Add<CSceneCut>("hold");
    hold->EditSettings().start = 0;
    hold->EditSettings().end = 9;
    hold->EditSettings().skip = 3;
    g.Input(hold, movie);
    auto* zero = g.Add<CSceneCut>("zero");
    zero->EditSettings().start = 2;
    zero->EditSettings().end = 5;
    zero->EditSettings().skip = 0;
    g.Input(zero, movie);
    g.Count();
    EXPECT_EQ(back->GetFrameCount(), 7);
    std::vector<int32_t> mapped;
    for (int32_t f = 0; f < 7; ++f) mapped.push_back(back->MapFrame(f));
    EXPECT_EQ(mapped, (std::vector<int32_t>{10, 9, 8, 7, 6, 5, 4}));
    EXPECT_EQ(hold->GetFrameCount(), 10);
    mapped.clear();
    for (int32_t f = 0; f < 10; ++f) mapped.push_back(hold->MapFrame(f));
    EXPECT_EQ(mapped, (std::vector<int32_t>{0, 0, 0, 3, 3, 3, 6, 6, 6, 9}));
    mapped.clear();
    for (int32_t f = 0; f < 4; ++f) mapped.push_back(zero->MapFrame(f));
    EXPECT_EQ(mapped, (std::vector<int32_t>{2, 3, 4, 5})) << "SKIP 0 plays as SKIP 1";
    // Key frames: the cut's ends, and the movie's own keys (0, 10, 19) where mapped.
    EXPECT_EQ(key_frames(back), (std::vector<int32_t>{0, 6}));
    EXPECT_EQ(key_frames(zero), (std::vector<int32_t>{0, 3}));
    EXPECT_EQ(back->TestFrame(FRAME_SERIAL, 3), 1);
    EXPECT_EQ(back->TestFrame(FRAME_SERIAL, 7), 0) << "beyond the cut";

    FrameDescription rows;
    hold->DescribeFrame(4, 0, rows);
    EXPECT_EQ(rows, (FrameDescription{"CUT", "4", "(null)", "1", "m", "MOVIE", "3", "(null)"}));

    // An END far beyond START: the count saturates, the mapping never wraps.
    auto* wide = g.Add<CSceneCut>("wide");
    wide->EditSettings().start = 0x7fffffff;
    wide->EditSettings().end = -1;
    g.Input(wide, movie);
    g.Count();
    EXPECT_EQ(wide->GetFrameCount(), kEndlessFrames);
    EXPECT_EQ(wide->MapFrame(5), 0x7fffffff - 5);
    EXPECT_EQ(wide->TestFrame(FRAME_SERIAL, 5), 1);
}

TEST(SceneCount, EffectScenesFollowTheirInput) {
    SceneGraph g;
    auto* movie = g.Add<CSceneMovie>("m");
    movie->EditSettings().frames = 9;
    auto* alpha = g.Add<CSceneAlpha>("a");
    g.Input(alpha, movie);
    auto* shade = g.Add<CSceneShade>("s");
    g.Input(shade, alpha);
    auto* shake = g.Add<CSceneShake>("k");
    g.Input(shake, shade);
    auto* expand = g.Add<CSceneExpand>("e");
    g.Input(expand, shake);
    auto* mosaic = g.Add<CSceneMosaic>("o");
    g.Input(mosaic, expand);
    g.Count();
    EXPECT_EQ(mosaic->GetFrameCount(), 9);
    EXPECT_EQ(key_frames(alpha), (std::vector<int32_t>{0, 4, 8}));
    EXPECT_EQ(key_frames(shake), (std::vector<int32_t>{0, 8}));
    EXPECT_EQ(key_frames(mosaic), (std::vector<int32_t>{0, 4, 8}));
    EXPECT_EQ(mosaic->TestFrame(FRAME_SERIAL, 3), 1) << "the movie below must be serial";

    FrameDescription rows;
    EXPECT_EQ(mosaic->DescribeFrame(2, 0, rows), 0);
    ASSERT_EQ(rows.size(), 3u + 5u * 5u);
    EXPECT_EQ(rows[3], "1");
    EXPECT_EQ(rows[4], "e");
    EXPECT_EQ(rows[rows.size() - 5], "5");
    EXPECT_EQ(rows[rows.size() - 3], "MOVIE");
}

TEST(SceneCount, DescribeFollowsTheActiveChain) {
    SceneGraph g;
    auto* photo = g.Add<CSceneImage>("photo");
    photo->EditSettings().file = "pic\\a.jpg";
    auto* frameOf = g.Add<CSceneImage>("frame");
    auto* movie = g.Add<CSceneMovie>("clip");
    movie->EditSettings().file = "clip.avi";
    movie->EditSettings().frames = 30;
    g.Input(frameOf, movie);
    frameOf->EditSettings().blockFrame = 12;
    auto* still = g.Add<CSceneStill>("shot");
    still->EditSettings().frames = 40;
    g.Input(still, photo);
    g.Input(still, frameOf);
    auto* main = g.Add<CSceneSeries>(" ", SCENE_MAIN);
    g.Input(main, still);
    g.Count();
    CSceneLink mainLink("MAIN");
    mainLink.Resolve(&g.owner, main);
    FrameDescription rows;
    EXPECT_EQ(mainLink.DescribeFrame(7, 0, rows), 0);
    EXPECT_EQ(rows, (FrameDescription{"0", "MAIN",  "MAIN",  "7",  "(null)",      //
                                      "1", "shot",  "STILL", "7",  "(null)",      //
                                      "2", "photo", "IMAGE", "7",  "pic\\a.jpg",  //
                                      "2", "frame", "IMAGE", "7",  "(null)",      //
                                      "3", "clip",  "MOVIE", "12", "clip.avi"}));
    EXPECT_EQ(rows.size() % kDescriptionColumns, 0u);
}

TEST(SceneCount, MovesDescribeTheirInputThenTheBackground) {
    SceneGraph g;
    auto* photo = g.Add<CSceneImage>("photo");
    auto* back = g.Add<CSceneMovie>("back");
    back->EditSettings().frames = 30;
    auto* rotate = g.Add<CSceneRotate>("r");
    rotate->EditSettings().frames = 20;
    g.Input(rotate, photo);
    g.Input(rotate, photo);  // only the first input is followed
    g.Background(rotate, back);
    auto* zoom = g.Add<CSceneAction>("z", SCENE_ZOOM);
    zoom->EditSettings().frames = 20;
    g.Input(zoom, photo);
    g.Background(zoom, back);
    g.Count();
    const FrameDescription expected{"1", "photo", "IMAGE", "4", "(null)",
                                    "1", "back",  "MOVIE", "4", "(null)"};
    for (CScene* move : {static_cast<CScene*>(rotate), static_cast<CScene*>(zoom)}) {
        FrameDescription rows;
        EXPECT_EQ(move->DescribeFrame(4, 0, rows), 0) << move->TypeName();
        ASSERT_EQ(rows.size(), 3u + expected.size()) << move->TypeName();
        EXPECT_EQ(FrameDescription(rows.begin() + 3, rows.end()), expected) << move->TypeName();
    }

    // A STILL stops at the first input that cannot be described.
    auto* still = add_still(g, "s", 10, photo);
    still->AddInput("missing");
    g.Input(still, back);
    g.Count();
    FrameDescription rows;
    EXPECT_EQ(still->DescribeFrame(1, 0, rows), -1);
    EXPECT_EQ(rows.size(), 3u + 2u * kDescriptionColumns) << "the movie after it is not described";
}

TEST(SceneCount, LoopsCountWithoutRecursingForever) {
    SceneGraph g;
    auto* a = g.Add<CSceneSeries>("a");
    auto* b = g.Add<CSceneFade>("b");
    auto* picture = g.Add<CSceneMovie>("m");
    picture->EditSettings().frames = 7;
    g.Input(a, picture);
    g.Input(a, b);
    g.Input(b, a);
    g.Count();
    EXPECT_EQ(a->GetFrameCount(), 7) << "the way back into the loop counts nothing";
}

}  // namespace
