// Frames of the transition scenes: FADE, CROSSFADE, FILM, EXPAND, MOSAIC and SHAKE
// over painted inputs, pixel by pixel, in both image modes; which images they hand
// back to their inputs, the run lengths they promise, and the pictures FILM keeps.

#include <gtest/gtest.h>

#include "scene/scene_source.h"
#include "scene/scene_transition.h"
#include "scene/tests/frame_test_support.h"
#include "scene/tests/scene_test_util.h"

namespace {

// crossfade_image's arithmetic for one channel: b at percent, a at the rest.
int mix(int a, int b, int percent) {
    return (b * (percent * 255 / 100) >> 8) + (a * ((100 - percent) * 255 / 100) >> 8);
}

class TransitionFrames : public ::testing::TestWithParam<int> {
protected:
    using Frame = HeldFrame;
    Frame Get(CScene* scene, int32_t frame, int32_t mode = 1, int32_t* run = nullptr) {
        return Frame(scene, frame, scene->GetImage(frame, mode, run, nullptr));
    }
    // The run length the scene promises at `frame` when allowed up to 1000.
    int32_t RunAt(CScene* scene, int32_t frame) {
        int32_t run = 1000;
        Frame f = Get(scene, frame, 1, &run);
        EXPECT_TRUE(f.image) << "frame " << frame;
        return run;
    }
    void Screen(int32_t width, int32_t height) {
        m_g.owner.width = width;
        m_g.owner.height = height;
    }

    ImageModeScope m_mode{GetParam()};
    SceneGraph m_g;
};

INSTANTIATE_TEST_SUITE_P(BothModes, TransitionFrames, ::testing::Values(32, 24));

// ---- FADE ----

TEST_P(TransitionFrames, FadeInMixesFromTheColourThenHandsTheInputThrough) {
    Screen(8, 6);
    auto* input = m_g.Add<PaintedScene>("clip", 30, 8, 6);
    input->green = 200;
    auto* fade = m_g.Add<CSceneFade>("fade");
    m_g.Input(fade, input);
    FadeSettings& s = fade->EditSettings();
    s.fadeMode = FADE_IN;
    s.frames = 10;
    s.color = CColor(200, 100, 50);
    m_g.Count();
    ASSERT_EQ(fade->GetFrameCount(), 30);

    {
        // Percent 0: the colour alone, weighed 255/256 by the mix; the colour's alpha
        // 0 gives way to the input's.
        int32_t run = 1000;
        Frame f = Get(fade, 0, 1, &run);
        ASSERT_TRUE(f.image);
        EXPECT_EQ(f.image->bpp, GetParam());
        EXPECT_EQ(f.At(3, 3), (Rgba{199, 99, 49, 255}));
        EXPECT_EQ(run, 0);
    }
    {
        // Frame 5 of 10: half and half, the input's frame 5 being (5, 200, 0).
        Frame f = Get(fade, 5);
        EXPECT_EQ(f.At(7, 5), (Rgba{101, 148, 24, 255}));
        EXPECT_EQ(f.At(7, 5), (Rgba{uint8_t(mix(200, 5, 50)), uint8_t(mix(100, 200, 50)),
                                    uint8_t(mix(50, 0, 50)), 255}));
    }
    EXPECT_EQ(Get(fade, 7).At(0, 0).r, mix(200, 7, 70));
    for (int32_t frame = 10; frame < 30; ++frame) {
        Frame f = Get(fade, frame);
        ASSERT_EQ(f.At(2, 2), (Rgba{uint8_t(frame), 200, 0, 255})) << frame;
    }
    EXPECT_EQ(RunAt(fade, 10), 19);
    EXPECT_EQ(RunAt(fade, 29), 0);
    EXPECT_EQ(RunAt(fade, 9), 0);
    // The input's own promise counts too.
    input->run = 4;
    EXPECT_EQ(RunAt(fade, 10), 4);
    // Every image the input made came back to it, mixed or handed through.
    EXPECT_EQ(input->gets, input->releases);
}

TEST_P(TransitionFrames, FadeOutAndInOut) {
    Screen(4, 4);
    auto* input = m_g.Add<PaintedScene>("clip", 30, 4, 4);
    input->green = 200;
    auto* out = m_g.Add<CSceneFade>("out");
    m_g.Input(out, input);
    out->EditSettings() = FadeSettings{FADE_OUT, CColor(200, 100, 50), 10};
    auto* both = m_g.Add<CSceneFade>("both");
    m_g.Input(both, input);
    both->EditSettings() = FadeSettings{FADE_INOUT, CColor(200, 100, 50), 10};
    m_g.Count();

    EXPECT_EQ(Get(out, 19).At(1, 1), (Rgba{19, 200, 0, 255})) << "the input, untouched";
    // The first frame of the fade out is the input alone, weighed 255/256.
    EXPECT_EQ(Get(out, 20).At(1, 1), (Rgba{19, 199, 0, 255}));
    EXPECT_EQ(Get(out, 25).At(1, 1), (Rgba{111, 148, 24, 255}));
    EXPECT_EQ(Get(out, 29).At(1, 1), (Rgba{uint8_t(mix(29, 200, 90)), uint8_t(mix(200, 100, 90)),
                                           uint8_t(mix(0, 50, 90)), 255}));
    // Up to the fade out the frames run until it begins.
    EXPECT_EQ(RunAt(out, 5), 14);
    EXPECT_EQ(RunAt(out, 19), 0);
    EXPECT_EQ(RunAt(out, 20), 0);

    EXPECT_EQ(Get(both, 2).At(0, 0).r, mix(200, 2, 20));
    EXPECT_EQ(Get(both, 15).At(0, 0), (Rgba{15, 200, 0, 255}));
    EXPECT_EQ(Get(both, 27).At(0, 0).g, mix(200, 100, 70));
    EXPECT_EQ(RunAt(both, 12), 7);
    EXPECT_EQ(RunAt(both, 3), 0);
    EXPECT_EQ(input->gets, input->releases);
}

// Over an input that gives no image there is no frame, and nothing else to give back.
TEST_P(TransitionFrames, AMissingImageGivesNoFrame) {
    Screen(4, 4);
    auto* missing = m_g.Add<PaintedScene>("clip", 30, 0, 0);  // gives none
    auto* fade = m_g.Add<CSceneFade>("fade");
    fade->EditSettings() = FadeSettings{FADE_INOUT, CColor(1, 2, 3), 10};
    auto* expand = m_g.Add<CSceneExpand>("expand");
    expand->EditSettings() = ExpandSettings{DIRECTION_UP, EXPAND_IN};
    auto* mosaic = m_g.Add<CSceneMosaic>("mosaic");
    mosaic->EditSettings().sizeStart = mosaic->EditSettings().sizeEnd = 2;
    const std::vector<CScene*> scenes{fade, expand, mosaic};
    for (CScene* scene : scenes) m_g.Input(scene, missing);
    m_g.Count();
    for (CScene* scene : scenes) {
        for (int32_t frame : {0, 15, 29}) EXPECT_FALSE(Get(scene, frame).image) << frame;
    }
    EXPECT_EQ(missing->gets, 9);
    EXPECT_EQ(missing->releases, 9);
}

// ---- CROSSFADE ----

TEST_P(TransitionFrames, CrossfadeChainsItsInputsWithDissolves) {
    Screen(4, 4);
    PaintedScene* inputs[3];
    auto* cross = m_g.Add<CSceneCrossfade>("cross");
    for (int i = 0; i < 3; ++i) {
        inputs[i] = m_g.Add<PaintedScene>("in" + std::to_string(i), 30, 4, 4);
        inputs[i]->green = static_cast<uint8_t>(100 * i);
        m_g.Input(cross, inputs[i]);
    }
    cross->EditSettings().frames = 10;
    m_g.Count();
    ASSERT_EQ(cross->GetFrameCount(), 70);

    // Input i starts at 20 x i; its frame is (frame - start, 100 x i, 0).
    auto painted = [](int input, int32_t local) {
        return Rgba{uint8_t(local), uint8_t(100 * input), 0, 255};
    };
    auto dissolve = [](Rgba a, Rgba b, int percent) {
        return Rgba{uint8_t(mix(a.r, b.r, percent)), uint8_t(mix(a.g, b.g, percent)),
                    uint8_t(mix(a.b, b.b, percent)), 255};
    };
    for (int32_t frame = 0; frame < 70; ++frame) {
        Frame f = Get(cross, frame);
        ASSERT_TRUE(f.image) << frame;
        Rgba want;
        if (frame < 20) {
            want = painted(0, frame);
        } else if (frame < 30) {
            want = dissolve(painted(0, frame), painted(1, frame - 20), (frame - 20) * 10);
        } else if (frame < 40) {
            want = painted(1, frame - 20);
        } else if (frame < 50) {
            want = dissolve(painted(1, frame - 20), painted(2, frame - 40), (frame - 40) * 10);
        } else {
            want = painted(2, frame - 40);
        }
        ASSERT_EQ(f.At(2, 1), want) << "frame " << frame;
    }
    // Frame 25: the second input at 50 percent.
    EXPECT_EQ(Get(cross, 25).At(0, 0), (Rgba{14, 49, 0, 255}));

    // Frames of one input last until the next dissolve begins, or to the end.
    EXPECT_EQ(RunAt(cross, 0), 19);
    EXPECT_EQ(RunAt(cross, 19), 0);
    EXPECT_EQ(RunAt(cross, 25), 0);
    EXPECT_EQ(RunAt(cross, 30), 9);
    EXPECT_EQ(RunAt(cross, 50), 19);
    EXPECT_EQ(RunAt(cross, 69), 0);
    inputs[0]->run = 5;
    EXPECT_EQ(RunAt(cross, 0), 5) << "the input's own promise counts";

    // Outside its frames there is no image, and nothing to give back.
    {
        int32_t run = 1000;
        Frame f = Get(cross, 70, 1, &run);
        EXPECT_FALSE(f.image);
    }
    for (PaintedScene* input : inputs) EXPECT_EQ(input->gets, input->releases);
}

TEST_P(TransitionFrames, CrossfadeHandsASingleInputsImageThrough) {
    Screen(4, 4);
    auto* first = m_g.Add<PaintedScene>("a", 20, 4, 4);
    auto* second = m_g.Add<PaintedScene>("b", 20, 4, 4);
    auto* cross = m_g.Add<CSceneCrossfade>("cross");
    CSceneLink* blank = m_g.Input(cross, first, 2);  // "!INPUT": one shared blank
    m_g.Input(cross, second);
    cross->EditSettings().frames = 5;
    m_g.Count();
    CImageBuffer* shared = blank->GetImage(0, 1, nullptr, nullptr);
    {
        Frame f = Get(cross, 3);
        EXPECT_EQ(f.image, shared) << "the input's own image, not a copy";
    }
    {
        // In the dissolve the blank is mixed, not changed.
        Frame f = Get(cross, 17);
        ASSERT_TRUE(f.image);
        EXPECT_NE(f.image, shared);
        EXPECT_EQ(f.At(0, 0), (Rgba{uint8_t(mix(0, 2, 40)), 0, 0, 255}));
        EXPECT_EQ(pixel_at(shared, 0, 0), (Rgba{0, 0, 0, 0}));
    }
    blank->ReleaseImage(shared, 0);
    EXPECT_EQ(first->gets, 0);
    EXPECT_EQ(second->gets, second->releases);
}

// ---- FILM ----

// FILM blocks over a small screen: 64 x 48 gives L = (48 >> 4) x 13 x (n - 1) = 78
// for three pictures, which are fitted to 48 x 36 and drawn 39 rows apart from y = 6.
class FilmFrames : public TransitionFrames {
protected:
    static constexpr Rgba kStrip{80, 24, 0, 255};
    static constexpr Rgba kScreen{0, 0, 255, 0};  // BGCOLOR, never drawn over

    // A FILM of three 48 x 36 pictures: two endless ones (green 50 and 150) around one
    // that changes (green 100, red its frame).
    CSceneFilm* MakeFilm(int32_t frames, int32_t direction, const std::string& name = "film") {
        auto* film = m_g.Add<CSceneFilm>(name);
        m_pictures[0] = m_g.Add<PaintedScene>(name + "0", kEndlessFrames, 48, 36);
        m_pictures[1] = m_g.Add<PaintedScene>(name + "1", 1000, 48, 36);
        m_pictures[2] = m_g.Add<PaintedScene>(name + "2", kEndlessFrames, 48, 36);
        for (int i = 0; i < 3; ++i) {
            m_pictures[i]->green = static_cast<uint8_t>(50 + 50 * i);
            m_g.Input(film, m_pictures[i]);
        }
        FilmSettings& s = film->EditSettings();
        s.direction = direction;
        s.bgcolor = CColor(0, 0, 255);
        s.frames = frames;
        m_g.Count();
        EXPECT_EQ(film->Validate(nullptr), 0);
        return film;
    }

    PaintedScene* m_pictures[3] = {};
};

INSTANTIATE_TEST_SUITE_P(BothModes, FilmFrames, ::testing::Values(32, 24));

TEST_P(FilmFrames, UpRunsThePicturesPastTheScreen) {
    // The whole example at full size: 480 rows, L = 30 x 13 x 2 = 780, and 781 frames,
    // so that the strip moves one whole pixel a frame.
    Screen(640, 480);
    auto* film = m_g.Add<CSceneFilm>("film");
    PaintedScene* pictures[3];
    for (int i = 0; i < 3; ++i) {
        pictures[i] = m_g.Add<PaintedScene>("p" + std::to_string(i), kEndlessFrames, 480, 360);
        pictures[i]->green = static_cast<uint8_t>(50 + 50 * i);
        m_g.Input(film, pictures[i]);
    }
    film->EditSettings().direction = DIRECTION_UP;
    film->EditSettings().frames = 781;
    m_g.Count();
    ASSERT_EQ(film->Validate(nullptr), 0);
    ASSERT_EQ(film->Travel(), 780);
    {
        int32_t run = 1000;
        Frame f = Get(film, 0, 1, &run);
        ASSERT_TRUE(f.image);
        EXPECT_EQ(run, 0);
        EXPECT_EQ(f.image->width, 640);
        EXPECT_EQ(f.image->height, 480);
        // The first picture fitted to 480 x 360 at (80, 60); the strip's separator
        // (u = 481 >> 4 = 30 rows from row 30) just above it, its bands beside it.
        EXPECT_EQ(f.At(80, 60), (Rgba{0, 50, 0, 255}));
        EXPECT_EQ(f.At(559, 419), (Rgba{0, 50, 0, 255}));
        EXPECT_EQ(f.At(300, 59), kStrip);
        EXPECT_EQ(f.At(300, 30), kStrip);
        EXPECT_EQ(f.At(300, 29), (Rgba{0, 0, 0, 0})) << "black BGCOLOR where the strip is open";
        EXPECT_EQ(f.At(79, 200), kStrip);
        EXPECT_EQ(f.At(560, 200), kStrip);
        EXPECT_EQ(f.At(300, 420), kStrip) << "the next separator, 390 rows on";
        EXPECT_EQ(f.At(300, 450), (Rgba{0, 100, 0, 255})) << "the second picture at 450";
    }
    {
        // The last frame: everything 780 rows further up, the third picture where the
        // first one was.
        Frame f = Get(film, 780);
        EXPECT_EQ(f.At(80, 60), (Rgba{0, 150, 0, 255}));
        EXPECT_EQ(f.At(559, 419), (Rgba{0, 150, 0, 255}));
        EXPECT_EQ(f.At(300, 59), kStrip);
        EXPECT_EQ(f.At(300, 29), (Rgba{0, 100, 0, 255})) << "the second picture ends at 29";
        EXPECT_EQ(f.At(300, 30), kStrip);
    }
}

TEST_P(FilmFrames, SmallScreenUpDownAndPreview) {
    Screen(64, 48);
    CSceneFilm* up = MakeFilm(79, DIRECTION_UP, "up");  // o = frame, whole pixels
    PaintedScene* changing = m_pictures[1];
    ASSERT_EQ(up->Travel(), 78);
    {
        Frame f = Get(up, 0);
        EXPECT_EQ(f.At(8, 6), (Rgba{0, 50, 0, 255}));
        EXPECT_EQ(f.At(55, 41), (Rgba{0, 50, 0, 255}));
        EXPECT_EQ(f.At(30, 5), kStrip) << "the separator, rows 3 to 5";
        EXPECT_EQ(f.At(30, 2), kScreen);
        EXPECT_EQ(f.At(7, 20), kStrip) << "the band, columns 0 to 7";
        EXPECT_EQ(f.At(56, 20), kStrip) << "the band, columns 56 to 63";
        EXPECT_EQ(f.At(30, 43), kStrip) << "the next separator, 39 rows on";
        EXPECT_EQ(f.At(30, 46), (Rgba{0, 100, 0, 255})) << "the changing picture at its frame 0";
    }
    {
        Frame f = Get(up, 78);
        EXPECT_EQ(f.At(8, 6), (Rgba{0, 150, 0, 255}));
        EXPECT_EQ(f.At(30, 1), (Rgba{78, 100, 0, 255})) << "the changing picture at its frame 78";
        EXPECT_EQ(f.At(30, 4), kStrip);
        EXPECT_EQ(f.At(30, 46), kScreen) << "the strip ends at 126 - 78 = 48";
    }
    {
        // The last frame given back took the endless pictures with it: fitted again,
        // from frame 30.
        Frame f = Get(up, 30);
        EXPECT_EQ(f.At(30, 11), (Rgba{30, 50, 0, 255})) << "picture 0 ends at 41 - 30";
        EXPECT_EQ(f.At(30, 12), kStrip) << "the separator at 42 - 30";
        EXPECT_EQ(f.At(30, 14), kStrip);
        EXPECT_EQ(f.At(30, 15), (Rgba{30, 100, 0, 255})) << "picture 1 starts at 45 - 30";
    }

    // DOWN shows the first picture first too, and runs the row downwards.
    CSceneFilm* down = MakeFilm(79, DIRECTION_DOWN, "down");
    {
        Frame f = Get(down, 0);
        EXPECT_EQ(f.At(8, 6), (Rgba{0, 50, 0, 255}));
        EXPECT_EQ(f.At(30, 1), (Rgba{0, 100, 0, 255})) << "the second picture above it";
    }
    {
        Frame f = Get(down, 78);
        EXPECT_EQ(f.At(8, 6), (Rgba{0, 150, 0, 255}));
        EXPECT_EQ(f.At(30, 46), (Rgba{78, 100, 0, 255}));
    }

    // A film of one frame stands at its start, whichever way it runs.
    for (int32_t direction : {DIRECTION_UP, DIRECTION_DOWN}) {
        CSceneFilm* once = MakeFilm(1, direction, "once" + std::to_string(direction));
        Frame f = Get(once, 0);
        EXPECT_EQ(f.At(8, 6), (Rgba{0, 50, 0, 255})) << direction;
    }

    // Preview draws the canvas itself, screen sized.
    {
        Frame f = Get(up, 30, 2);
        ASSERT_TRUE(f.image);
        EXPECT_EQ(f.image->width, 64);
        EXPECT_EQ(f.image->height, 48);
        EXPECT_EQ(f.At(30, 11), (Rgba{30, 50, 0, 255}));
        EXPECT_EQ(f.At(30, 13), kStrip);
        EXPECT_EQ(f.At(30, 15), (Rgba{30, 100, 0, 255}));
    }
    EXPECT_EQ(changing->gets, changing->releases);
}

TEST_P(FilmFrames, LeftRunsThePicturesSideways) {
    // Across: L = (64 >> 4) x 13 x 2 = 104, pictures 52 columns apart from x = 8 at
    // y = 6; the strip's separators are 65 >> 4 = 4 columns wide, from column 4.
    Screen(64, 48);
    CSceneFilm* left = MakeFilm(105, DIRECTION_LEFT);
    ASSERT_EQ(left->Travel(), 104);
    {
        Frame f = Get(left, 0);
        EXPECT_EQ(f.At(8, 6), (Rgba{0, 50, 0, 255}));
        EXPECT_EQ(f.At(55, 41), (Rgba{0, 50, 0, 255}));
        EXPECT_EQ(f.At(5, 20), kStrip);
        EXPECT_EQ(f.At(57, 20), kStrip);
        EXPECT_EQ(f.At(61, 20), (Rgba{0, 100, 0, 255}));
        EXPECT_EQ(f.At(30, 5), kStrip) << "the band, rows 0 to 5";
    }
    {
        Frame f = Get(left, 104);
        EXPECT_EQ(f.At(8, 6), (Rgba{0, 150, 0, 255}));
        EXPECT_EQ(f.At(3, 20), (Rgba{104, 100, 0, 255}));
    }
}

TEST_P(FilmFrames, SubPixelOffsets) {
    // 157 frames move the strip half a pixel a frame: frame 3 stands at o = 1 and
    // q = 512, so every row is read half from the canvas row below it. Row 4 mixes
    // the separator's last row with the first picture's top row. Area averaging takes
    // half of each in the 32-bit layout, 511 and 513 parts of 1024 in the 24-bit one.
    Screen(64, 48);
    CSceneFilm* film = MakeFilm(157, DIRECTION_UP, "half");
    film->EditSettings().color = CColor(81, 24, 0);
    {
        Frame f = Get(film, 3);
        // The endless picture was fitted from its frame 3: (3, 50, 0).
        EXPECT_EQ(f.At(30, 4), (Rgba{42, 37, 0, 255}));
        EXPECT_EQ(f.At(30, 5), (Rgba{3, 50, 0, 255}));
        EXPECT_EQ(f.At(30, 3), (Rgba{81, 24, 0, 255}));
    }
    {
        // Preview leaves the half pixel out.
        Frame f = Get(film, 3, 2);
        EXPECT_EQ(f.At(30, 4), (Rgba{81, 24, 0, 255}));
        EXPECT_EQ(f.At(30, 5), (Rgba{3, 50, 0, 255}));
    }
    // The same position in a film of 2,555,905 frames, at frame 49,152: there
    // L x 1024 x f is 3,925,868,544, past 32 bits.
    CSceneFilm* slow = MakeFilm(2555905, DIRECTION_UP, "slow");
    {
        Frame f = Get(slow, 49152);
        EXPECT_EQ(f.At(30, 4), (Rgba{40, 37, 0, 255}));
        EXPECT_EQ(f.At(30, 5), (Rgba{0, 50, 0, 255}));
    }
}

TEST_P(FilmFrames, BlackStrip) {
    // A black strip stays opaque black; only its holes and windows are open.
    Screen(64, 48);
    CSceneFilm* film = MakeFilm(79, DIRECTION_UP);
    film->EditSettings().color = CColor(0, 0, 0);
    Frame f = Get(film, 0);
    EXPECT_EQ(f.At(7, 20), (Rgba{0, 0, 0, 255}));
    EXPECT_EQ(f.At(30, 4), (Rgba{0, 0, 0, 255}));
    EXPECT_EQ(f.At(3, 0), kScreen) << "a sprocket hole: columns 2 to 4, rows 0 and 1";
    EXPECT_EQ(f.At(1, 0), (Rgba{0, 0, 0, 255}));
    EXPECT_EQ(f.At(30, 2), kScreen);
}

TEST_P(FilmFrames, EndlessPicturesAreFittedOnceAndKeptWhileFramesAreOut) {
    Screen(64, 48);
    CSceneFilm* film = MakeFilm(79, DIRECTION_UP);
    PaintedScene* endless = m_pictures[0];
    PaintedScene* changing = m_pictures[1];
    for (int32_t frame : {10, 0, 40, 77}) {
        Frame f = Get(film, frame);
        if (frame < 40) {
            EXPECT_EQ(f.At(30, 11 - frame), (Rgba{10, 50, 0, 255})) << frame;
        }
    }
    EXPECT_EQ(endless->gets, 1);
    EXPECT_EQ(endless->releases, 1);
    EXPECT_EQ(changing->gets, 4);

    // The last frame given back while another is out keeps the pictures, until the
    // other one is back too (kept, they would stay for the rest of the video).
    {
        Frame other = Get(film, 5);
        { Frame last = Get(film, 78); }
        EXPECT_EQ(endless->gets, 1);
    }
    EXPECT_EQ(Get(film, 3).At(8, 6), (Rgba{3, 50, 0, 255})) << "fitted again, from frame 3";
    EXPECT_EQ(endless->gets, 2);
    film->ResetCache();
    { Frame f = Get(film, 1); }
    EXPECT_EQ(endless->gets, 3);
    EXPECT_EQ(changing->gets, changing->releases);
}

TEST_P(FilmFrames, FramesThatCannotBeMadeAreCountedToo) {
    Screen(64, 48);
    CSceneFilm* film = MakeFilm(79, DIRECTION_UP);
    PaintedScene* endless = m_pictures[0];
    // A screen too large for any image: no frame, but it is given back like any.
    Screen(40000, 30000);
    {
        Frame none = Get(film, 7);
        EXPECT_FALSE(none.image);
    }
    Screen(64, 48);
    {
        Frame other = Get(film, 5);
        { Frame last = Get(film, 78); }
        Frame again = Get(film, 6);
        EXPECT_EQ(endless->gets, 1) << "the pictures stay while frame 5 is out";
    }
}

TEST_P(FilmFrames, PicturesThatGiveNoneAreLeftOut) {
    Screen(64, 48);
    auto* film = m_g.Add<CSceneFilm>("film");
    auto* missing = m_g.Add<PaintedScene>("missing", kEndlessFrames, 0, 0);
    auto* changing = m_g.Add<PaintedScene>("changing", 100, 48, 36);
    m_g.Input(film, missing);
    m_g.Input(film, changing);
    film->EditSettings().direction = DIRECTION_UP;
    film->EditSettings().bgcolor = CColor(0, 0, 255);
    film->EditSettings().frames = 40;
    m_g.Count();
    film->Validate(nullptr);  // L = 39, one pixel a frame
    for (int32_t frame : {0, 1}) {
        Frame f = Get(film, frame);
        EXPECT_EQ(f.At(30, 20), kScreen);
        EXPECT_EQ(f.At(30, 46), (Rgba{uint8_t(frame), 0, 0, 255}));
    }
    EXPECT_EQ(missing->gets, 2) << "a picture that was none is asked for again";
    EXPECT_EQ(missing->releases, 2);
}

// ---- EXPAND ----

// Row y of the picture is (y, 10 x, 7) with alpha 100 + y.
Rgba expand_pixel(int32_t x, int32_t y, int32_t) {
    return Rgba{uint8_t(y), uint8_t(10 * x), 7, uint8_t(100 + y)};
}

TEST_P(TransitionFrames, ExpandStretchesAnEdgeRow) {
    Screen(4, 101);
    auto* input = m_g.Add<PatternScene>("clip", 11, 4, 101, expand_pixel);
    auto* up = m_g.Add<CSceneExpand>("up");
    m_g.Input(up, input);
    up->EditSettings() = ExpandSettings{DIRECTION_UP, EXPAND_IN};
    auto* down = m_g.Add<CSceneExpand>("down");
    m_g.Input(down, input);
    down->EditSettings() = ExpandSettings{DIRECTION_DOWN, EXPAND_OUT};
    m_g.Count();
    // Rows copy every byte of the pixel row: alpha too in 32-bit pixels, not the
    // separate plane of 24-bit ones.
    const bool words = GetParam() == 32;
    auto copied = [&](int32_t x, int32_t y, int32_t line) {
        Rgba p = expand_pixel(x, line, 0);
        if (!words) p.a = expand_pixel(x, y, 0).a;
        return p;
    };
    auto check = [&](CScene* scene, int32_t frame, int32_t line, int32_t from, int32_t to) {
        int32_t run = 1000;
        Frame f = Get(scene, frame, 1, &run);
        EXPECT_EQ(run, 0);
        for (int32_t y = 0; y < 101; ++y) {
            for (int32_t x = 0; x < 4; ++x) {
                const Rgba want = y >= from && y < to ? copied(x, y, line) : expand_pixel(x, y, 0);
                ASSERT_EQ(f.At(x, y), want) << "frame " << frame << " at " << x << "," << y;
            }
        }
    };
    check(up, 0, 100, 0, 100);  // row 100 over rows 0 to 99
    check(up, 5, 50, 0, 50);
    check(up, 10, 0, 0, 0);  // the input unchanged
    check(down, 0, 100, 101, 101);
    check(down, 3, 70, 71, 101);  // p = 100 - 100 x 3 / 10
    check(down, 10, 0, 1, 101);
    EXPECT_EQ(input->gets, input->releases);
}

TEST_P(TransitionFrames, ExpandStretchesAnEdgeColumn) {
    Screen(11, 3);
    auto pixel = [](int32_t x, int32_t y, int32_t) {
        return Rgba{uint8_t(20 * x), uint8_t(y), 9, uint8_t(50 + x)};
    };
    auto* input = m_g.Add<PatternScene>("clip", 11, 11, 3, pixel);
    auto* left = m_g.Add<CSceneExpand>("left");
    m_g.Input(left, input);
    left->EditSettings() = ExpandSettings{DIRECTION_LEFT, EXPAND_IN};
    auto* right = m_g.Add<CSceneExpand>("right");
    m_g.Input(right, input);
    right->EditSettings() = ExpandSettings{DIRECTION_RIGHT, EXPAND_OUT};
    m_g.Count();
    // Columns take blue, green and red of the line; every pixel keeps its alpha.
    auto check = [&](CScene* scene, int32_t frame, int32_t line, int32_t from, int32_t to) {
        Frame f = Get(scene, frame);
        for (int32_t y = 0; y < 3; ++y) {
            for (int32_t x = 0; x < 11; ++x) {
                Rgba want = pixel(x >= from && x < to ? line : x, y, 0);
                want.a = pixel(x, y, 0).a;
                ASSERT_EQ(f.At(x, y), want) << "frame " << frame << " at " << x << "," << y;
            }
        }
    };
    check(left, 0, 10, 0, 10);
    check(left, 4, 6, 0, 6);
    check(left, 10, 0, 0, 0);
    check(right, 4, 6, 7, 11);
    check(right, 0, 10, 11, 11);
}

TEST_P(TransitionFrames, ExpandOfOneFrame) {
    Screen(4, 6);
    auto* single = m_g.Add<PatternScene>("one", 1, 4, 6, expand_pixel);
    auto* up = m_g.Add<CSceneExpand>("up");
    m_g.Input(up, single);
    up->EditSettings() = ExpandSettings{DIRECTION_UP, EXPAND_IN};
    m_g.Count();
    // One frame shows the start: the last row over all the others.
    Frame f = Get(up, 0);
    EXPECT_EQ(f.At(1, 0).r, 5);
    EXPECT_EQ(f.At(1, 5).r, 5);
}

// ---- MOSAIC ----

// An 8 x 6 picture whose every pixel differs: (30 x, 40 y, 5).
Rgba mosaic_pixel(int32_t x, int32_t y, int32_t) {
    return Rgba{uint8_t(30 * x), uint8_t(40 * y), 5, 255};
}

TEST_P(TransitionFrames, MosaicOfOnePixelCellsResamplesAtFullSize) {
    Screen(8, 6);
    auto* input = m_g.Add<PatternScene>("clip", 5, 8, 6, mosaic_pixel);
    auto* mosaic = m_g.Add<CSceneMosaic>("m");
    m_g.Input(mosaic, input);
    MosaicSettings& s = mosaic->EditSettings();
    s.sizeStart = 1;
    s.sizeEnd = 1;
    s.hasTgtStart = s.hasTgtEnd = true;
    s.tgtStart = s.tgtEnd = {1, 1, 5, 3};
    m_g.Count();
    int32_t run = 1000;
    Frame f = Get(mosaic, 2, 1, &run);
    EXPECT_EQ(run, 0);
    // Shrinking to 8 x 6 cells and back moves each pixel by less than a quarter level.
    for (int32_t y = 0; y < 6; ++y) {
        for (int32_t x = 0; x < 8; ++x) {
            ASSERT_EQ(f.At(x, y), mosaic_pixel(x, y, 0)) << x << "," << y;
        }
    }
    EXPECT_EQ(input->gets, input->releases);
}

TEST_P(TransitionFrames, MosaicCellsAndTargetMove) {
    // Preview scales by the nearest pixel, so a cell shows its top-left pixel. Over
    // 5 frames the cell grows from 1 to 3 pixels and the target moves from
    // (0, 0, 3, 2) to (4, 3, 7, 5).
    Screen(8, 6);
    auto* input = m_g.Add<PatternScene>("clip", 5, 8, 6, mosaic_pixel);
    auto* mosaic = m_g.Add<CSceneMosaic>("m");
    m_g.Input(mosaic, input);
    MosaicSettings& s = mosaic->EditSettings();
    s.sizeStart = 1;
    s.sizeEnd = 3;
    s.hasTgtStart = s.hasTgtEnd = true;
    s.tgtStart = {0, 0, 3, 2};
    s.tgtEnd = {4, 3, 7, 5};
    m_g.Count();
    auto check = [&](int32_t frame, SceneRect target, int32_t cellX, int32_t cellY) {
        Frame f = Get(mosaic, frame, 2);
        for (int32_t y = 0; y < 6; ++y) {
            for (int32_t x = 0; x < 8; ++x) {
                const bool inside =
                    x >= target.left && x <= target.right && y >= target.top && y <= target.bottom;
                const Rgba want = inside ? mosaic_pixel(x / cellX * cellX, y / cellY * cellY, 0)
                                         : mosaic_pixel(x, y, 0);
                ASSERT_EQ(f.At(x, y), want) << "frame " << frame << " at " << x << "," << y;
            }
        }
    };
    // Frame 2: cells of 2 pixels, 4 x 3 of them; target (2, 1, 5, 3).
    check(2, {2, 1, 5, 3}, 2, 2);
    // Frame 4: cells of 3 pixels, 2 x 2 of them, each 4 x 3 once blown up.
    check(4, {4, 3, 7, 5}, 4, 3);
    // Frame 0: one-pixel cells.
    check(0, {0, 0, 3, 2}, 1, 1);
}

TEST_P(TransitionFrames, MosaicAveragesItsCells) {
    // Columns alternate 0 and 200: cells of two pixels average them to 100.
    Screen(8, 4);
    auto* input = m_g.Add<PatternScene>("clip", 3, 8, 4, [](int32_t x, int32_t, int32_t) {
        return Rgba{uint8_t(x % 2 ? 200 : 0), 60, 0, 255};
    });
    auto* mosaic = m_g.Add<CSceneMosaic>("m");
    m_g.Input(mosaic, input);
    mosaic->EditSettings().sizeStart = 2;
    mosaic->EditSettings().sizeEnd = 2;
    m_g.Count();
    Frame f = Get(mosaic, 1);
    for (int32_t y = 0; y < 4; ++y) {
        for (int32_t x = 0; x < 8; ++x) {
            Rgba want{100, 60, 0, 255};
            if (GetParam() == 32 && (x == 7 || y == 3)) {
                // The blown-up picture is 8191/1024 columns by 4095/1024 rows: in
                // 32-bit pixels its last column and row are covered 511/512 of a
                // pixel and come out that much fainter, (100, 60, 0) with alpha 254.
                // Drawn onto the transparent patch that is (99, 59, 0) (c x 254 >> 8),
                // which then mixes 2/256 of the picture beneath into it.
                want = {uint8_t(x % 2 ? 99 : 98), 59, 0, 255};
            }
            ASSERT_EQ(f.At(x, y), want) << x << "," << y;
        }
    }
}

TEST_P(TransitionFrames, MosaicEdgeCases) {
    Screen(8, 6);
    // Cells larger than the picture leave it as it is.
    auto* input = m_g.Add<PatternScene>("clip", 5, 8, 6, mosaic_pixel);
    auto* coarse = m_g.Add<CSceneMosaic>("coarse");
    m_g.Input(coarse, input);
    coarse->EditSettings().sizeStart = 10;
    coarse->EditSettings().sizeEnd = 10;
    // One frame shows the start: cells of SIZE_START.
    auto* single = m_g.Add<PatternScene>("one", 1, 8, 6, mosaic_pixel);
    auto* once = m_g.Add<CSceneMosaic>("once");
    m_g.Input(once, single);
    once->EditSettings().sizeStart = 2;
    once->EditSettings().sizeEnd = 8;
    m_g.Count();
    {
        Frame f = Get(coarse, 3);
        for (int32_t y = 0; y < 6; ++y) {
            for (int32_t x = 0; x < 8; ++x) ASSERT_EQ(f.At(x, y), mosaic_pixel(x, y, 0));
        }
    }
    EXPECT_EQ(Get(once, 0, 2).At(3, 3), mosaic_pixel(2, 2, 0));
    EXPECT_EQ(input->gets, input->releases);
}

TEST_P(TransitionFrames, MosaicCellSizeOfLongInputs) {
    // At frame 30,000 of 40,001 the cell grows from 1 to 100 pixels to 75.25:
    // 99 x 1024 x 30,000 is past 32 bits. A 200 x 200 picture has 2 x 2 such cells.
    Screen(200, 200);
    auto* input = m_g.Add<PatternScene>("clip", 40001, 200, 200, [](int32_t x, int32_t y, int32_t) {
        return Rgba{uint8_t(x), uint8_t(y), 0, 255};
    });
    auto* mosaic = m_g.Add<CSceneMosaic>("m");
    m_g.Input(mosaic, input);
    mosaic->EditSettings().sizeStart = 1;
    mosaic->EditSettings().sizeEnd = 100;
    m_g.Count();
    Frame f = Get(mosaic, 30000, 2);
    EXPECT_EQ(f.At(150, 150), (Rgba{100, 100, 0, 255}));
    EXPECT_EQ(f.At(50, 199), (Rgba{0, 100, 0, 255}));
    EXPECT_EQ(f.At(99, 99), (Rgba{0, 0, 0, 255}));
}

// ---- SHAKE ----

TEST_P(TransitionFrames, ShakeJittersSideways) {
    Screen(12, 2);
    auto pixel = [](int32_t x, int32_t, int32_t) { return Rgba{uint8_t(20 * x), 0, 0, 255}; };
    auto* input = m_g.Add<PatternScene>("clip", 5, 12, 2, pixel);
    auto* shake = m_g.Add<CSceneShake>("s");
    m_g.Input(shake, input);
    m_g.Count();
    // Five pixels right, five left, and the half-and-half mix of both.
    auto right = [&](int32_t x) { return x >= 5 ? pixel(x - 5, 0, 0) : Rgba{0, 0, 0, 0}; };
    auto left = [&](int32_t x) { return x < 7 ? pixel(x + 5, 0, 0) : Rgba{0, 0, 0, 0}; };
    auto both = [&](int32_t x) {
        return Rgba{uint8_t(mix(left(x).r, right(x).r, 50)), 0, 0, std::max(left(x).a, right(x).a)};
    };
    for (int32_t frame = 0; frame < 5; ++frame) {
        int32_t run = 1000;
        Frame f = Get(shake, frame, 1, &run);
        EXPECT_EQ(run, 0);
        for (int32_t x = 0; x < 12; ++x) {
            const Rgba want = frame == 1 ? right(x) : frame == 3 ? left(x) : both(x);
            ASSERT_EQ(f.At(x, 1), want) << "frame " << frame << " at " << x;
        }
    }
    EXPECT_EQ(Get(shake, 0).At(6, 0), (Rgba{118, 0, 0, 255}));
    EXPECT_EQ(input->gets, input->releases);
}

}  // namespace
