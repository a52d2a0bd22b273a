// Frames of the motion scenes: STILL's composition, its cache and run length; ROTATE's
// angle, centre and background; the camera moves with their regions, kept aspects
// and afterimages. Pixel-exact on small pictures, in both image modes.

#include <gtest/gtest.h>

#include <filesystem>
#include <functional>
#include <map>
#include <optional>
#include <tuple>

#include "base/log.h"
#include "base/tests/temp_folder.h"
#include "image/cpu_features.h"
#include "scene/scene_motion.h"
#include "scene/tests/frame_test_support.h"
#include "scene/tests/scene_test_util.h"

namespace {

using Frame = HeldFrame;

PatternScene::Paint uniform(Rgba colour) {
    return [colour](int32_t, int32_t, int32_t) { return colour; };
}
// A clip whose frame f is one colour, made by colour(f).
PatternScene::Paint by_frame(std::function<Rgba(uint8_t)> colour) {
    return [colour](int32_t, int32_t, int32_t f) { return colour(static_cast<uint8_t>(f)); };
}

// Every pixel of a distinct colour: red and green from the position.
Rgba position_colour(int32_t x, int32_t y) {
    return {static_cast<uint8_t>(10 + 20 * x), static_cast<uint8_t>(10 + 20 * y), 77, 255};
}
const PatternScene::Paint kPositions = [](int32_t x, int32_t y, int32_t) {
    return position_colour(x, y);
};

constexpr Rgba kPaper{90, 80, 70, 255};
constexpr Rgba kClear{0, 0, 0, 0};

void expect_same(const Frame& a, const Frame& b) {
    expect_pixels(a, [&](int32_t x, int32_t y) { return b.At(x, y); });
}

class MotionFrames : public FrameTest {
protected:
    void SetUp() override { Screen(8, 8); }

    PatternScene* Picture(const std::string& name, int32_t width, int32_t height,
                          PatternScene::Paint paint, int32_t frames = kEndlessFrames) {
        return m_g.Add<PatternScene>(name, frames, width, height, std::move(paint));
    }

    // A ROTATE of `input` from `from` to `to` degrees over `frames` frames.
    CSceneRotate* Rotate(const std::string& name, CScene* input, int32_t from, int32_t to,
                         int32_t frames = 2, CColor bgcolor = CColor(1, 2, 3)) {
        return with_settings(m_g.Over<CSceneRotate>(input, name),
                             RotateSettings{from, to, false, 0, 0, frames, bgcolor});
    }

    // kPaper drawn over the clear background in columns [left, right) and rows
    // [top, bottom). The 32-bit scaler's last boundary falls just short of the
    // picture's end, so the bottom-right pixel keeps slightly less than its full
    // weight: alpha 254, which blends as 90 x 254 >> 8 = 89.
    std::function<Rgba(int32_t, int32_t)> Paper(int32_t left, int32_t right, int32_t top,
                                                int32_t bottom) const {
        const Rgba corner = Wide() ? Rgba{89, 79, 69, 254} : kPaper;
        return [=](int32_t x, int32_t y) {
            if (x == right - 1 && y == bottom - 1) return corner;
            return x >= left && x < right && y >= top && y < bottom ? kPaper : kClear;
        };
    }

    CSceneAction* Move(const std::string& name, uint32_t type, CScene* input, int32_t frames = 2,
                       CColor bgcolor = CColor()) {
        auto* move = framed(m_g.Over<CSceneAction>(input, name, type), frames);
        move->EditSettings().bgcolor = bgcolor;
        return move;
    }
    // Regions from `first` on, in the order of ActionRegion.
    static void SetRegions(CSceneAction* move, ActionRegion first,
                           std::initializer_list<SceneRect> rects) {
        int region = first;
        for (const SceneRect& rect : rects) {
            move->EditSettings().regions[region] = rect;
            move->EditSettings().given[region++] = true;
        }
    }

    // The plain kernels: the packed forms have tests of their own against them.
    CpuFeaturesOverride m_features{0};
};

INSTANTIATE_TEST_SUITE_P(BothModes, MotionFrames, ::testing::Values(32, 24));

TEST_P(MotionFrames, StillHoldsAPictureAndPromisesTheFramesThatFollow) {
    auto* picture = add_painted(m_g, "p", kEndlessFrames, 8, 8, 50);
    auto* still = framed(m_g.Over<CSceneStill>(picture, "s"), 100);
    // A clip shorter than its shot is asked for the shot's own frames.
    auto* clip = m_g.Add<PaintedScene>("clip", 30, 8, 8);
    auto* moving = framed(m_g.Over<CSceneStill>(clip, "moving"), 40);
    m_g.Count();

    int32_t run = kEndlessFrames;
    std::optional<Frame> first;
    first.emplace(still, 0, still->GetImage(0, 1, &run, nullptr));
    EXPECT_EQ(run, 98);
    EXPECT_EQ(first->At(3, 3), (Rgba{0, 50, 0, 255}));
    for (auto [frame, expect] : {std::pair{50, 48}, {97, 1}, {98, 0}, {99, 0}}) {
        Frame f = Ran(still, frame, 1, kEndlessFrames);
        EXPECT_EQ(f.run, expect) << "frame " << frame;
        // The composition made for frame 0 serves every frame.
        EXPECT_EQ(f.At(3, 3), (Rgba{0, 50, 0, 255})) << "frame " << frame;
    }
    EXPECT_EQ(Ran(still, 0, 1, 5).run, 5) << "the run length is only ever lowered";
    EXPECT_EQ(picture->gets, 1) << "the last frame was given back while frame 0 was out";

    // Frame 0 asked again started another run: given back, nothing goes.
    first.reset();
    { Frame f = Get(still, 10); }
    EXPECT_EQ(picture->gets, 1);
    // The last frame given back with nothing out drops the composition, and a frame
    // near the end asked after it (a worker finishing its batch late) is made for
    // itself and not kept.
    for (int32_t frame : {99, 98}) Frame f = Get(still, frame);
    EXPECT_EQ(picture->gets, 2);
    { Frame f = Get(still, 97); }
    EXPECT_EQ(picture->gets, 3);
    { Frame f = Get(still, 3); }
    EXPECT_EQ(picture->gets, 4);

    // A preview asks every 7th frame: frame 98 is the last one asked, and its coming
    // back lets the composition go although frame 99 never comes.
    still->ResetCache();
    RenderContext preview{.frameStep = 7};
    for (int32_t frame = 0; frame < 100; frame += 7)
        Frame f = Get(still, frame, 1, nullptr, &preview);
    EXPECT_EQ(picture->gets, 5);
    { Frame f = Get(still, 0, 1, nullptr, &preview); }
    EXPECT_EQ(picture->gets, 6) << "the next run over the block composes again";
    EXPECT_EQ(picture->gets, picture->releases);

    // Over a changing input every frame is composed, and promises no run.
    for (int32_t frame : {0, 7, 7, 35, 39}) {
        Frame f = Ran(moving, frame, 1, kEndlessFrames);
        EXPECT_EQ(f.run, 0);
        EXPECT_EQ(f.At(0, 0), (Rgba{static_cast<uint8_t>(frame), 0, 0, 255}));
    }
    expect_calls(clip, 5, 5);
}

TEST_P(MotionFrames, StillComposesItsInputsInTheirRectangles) {
    // Two 4 x 2 pictures on an 8 x 6 screen, each given a 4 x 4 rectangle: the first
    // fitted inside (bands above and below), the second with MAX_CUT (covering its
    // rectangle, the sides cut off).
    Screen(8, 6);
    auto* red = Picture("red", 4, 2, uniform({200, 0, 0, 255}));
    auto* blue = Picture("blue", 4, 2, [](int32_t x, int32_t, int32_t) {
        return Rgba{0, 0, static_cast<uint8_t>(x == 0 || x == 3 ? 90 : 180), 255};
    });
    auto* still = m_g.Add<CSceneStill>("s");
    m_g.Place(m_g.Input(still, red), {0, 0, 3, 3});
    m_g.Place(m_g.Input(still, blue), {4, 0, 7, 3})->EditSettings().fitMode = 2;
    still->EditSettings() = StillSettings{10, CColor(10, 20, 30)};
    // The first input is composed twice: a veil alone comes out denser than over a
    // clear picture.
    auto* veil = Picture("veil", 8, 8, uniform({255, 255, 255, 100}));
    auto* dense = framed(m_g.Over<CSceneStill>(veil, "dense"), 2);
    auto* faint =
        framed(m_g.Over<CSceneStill>(Picture("clear", 8, 8, uniform({0, 0, 0, 0})), "faint"), 2);
    m_g.Input(faint, veil);
    m_g.Count();

    const Rgba background{10, 20, 30, 0};
    expect_pixels(Get(still, 0), [&](int32_t x, int32_t y) {
        if (y >= 4) return background;
        if (x < 4) return y == 1 || y == 2 ? Rgba{200, 0, 0, 255} : background;
        // 8 x 4 at (-2, 0) inside the rectangle: the middle of the picture.
        return Rgba{0, 0, 180, 255};
    });
    // 32-bit: (255 x 100) >> 8 = 99 once, (255 x 100 + 99 x 156) >> 8 = 159 twice.
    // 24-bit: 25500 / 255 + 0.5 = 100 once, (25500 + 100 x 155) / 255 + 0.5 = 161 twice.
    const uint8_t once = Wide() ? 99 : 100;
    const uint8_t twice = Wide() ? 159 : 161;
    EXPECT_EQ(Get(dense, 0).At(5, 5), (Rgba{twice, twice, twice, 100}));
    EXPECT_EQ(Get(faint, 0).At(5, 5), (Rgba{once, once, once, 100}));
}

TEST_P(MotionFrames, StillWritesItsStartToTheDebugLog) {
    TempFolder folder;
    const std::filesystem::path previous = std::filesystem::current_path();
    std::filesystem::current_path(folder.Path());
    auto* still =
        framed(m_g.Over<CSceneStill>(m_g.Add<PaintedScene>("p", kEndlessFrames, 8, 8), "s"), 3);
    m_g.Count();
    OpenDebugLog(true);
    { Frame f = Get(still, 1); }
    CloseDebugLog();
    OpenDebugLog(false);
    std::filesystem::current_path(previous);
    EXPECT_EQ(read_bytes(folder / kDebugLogName), "CSceneStill::GetImage :  2711 : START\r\n");
}

TEST_P(MotionFrames, RotateTurnsOneDegreePerFrame) {
    auto* picture = Picture("p", 8, 8, kPositions);
    auto* turn = Rotate("turn", picture, 0, 360, 361);
    // From -2147483610 to 2147483610 degrees over 3 frames: the difference does not
    // fit 32 bits. The angles are -90 (mod 360), 0 and 90.
    auto* wide = Rotate("wide", picture, -2147483610, 2147483610, 3);
    std::map<int32_t, CSceneRotate*> fixed;
    for (int32_t angle : {-90, 45, 90})
        fixed[angle] = Rotate("r" + std::to_string(angle), picture, angle, angle);
    m_g.Count();

    Frame start = Ran(turn, 0, 1, kEndlessFrames);
    EXPECT_EQ(start.run, 0);
    expect_pixels(start, position_colour);
    // A quarter turn counter-clockwise: the right side comes up. The turned
    // picture's integer centre leaves its top row empty.
    expect_pixels(Get(turn, 90), [&](int32_t x, int32_t y) {
        return y == 0 ? Rgba{1, 2, 3, 0} : position_colour(8 - y, x);
    });
    expect_same(Get(turn, 360), start);
    expect_same(Get(turn, 45), Get(fixed[45], 0));  // its pixels: the image core's tests
    expect_same(Get(wide, 0), Get(fixed[-90], 0));
    expect_pixels(Get(wide, 1), position_colour);
    expect_same(Get(wide, 2), Get(fixed[90], 0));
    EXPECT_EQ(picture->gets, 5) << "one composition per scene";
}

TEST_P(MotionFrames, RotateKeepsItsCentreInPlace) {
    // An 8 x 4 screen turned a quarter about its centre: the 4 x 8 turned picture
    // stands in the middle, columns 2 to 5, its ends cut off above and below.
    Screen(8, 4);
    auto* centred = Rotate("centred", Picture("wide", 8, 4, kPositions), 90, 90);
    m_g.Count();
    expect_pixels(Get(centred, 0), [](int32_t x, int32_t y) {
        return x >= 2 && x < 6 ? position_colour(6 - y, x - 2) : Rgba{1, 2, 3, 0};
    });

    // On an 8 x 8 screen about (6, 4): the composition's point (6, 4) stays where it
    // is and the point above it, (6, 2), comes to its left, (4, 4). Turned picture
    // pixel (i, j) shows composition (8 - j, i) and lands at (i + 2, j + 2).
    Screen(8, 8);
    auto* aside =
        with_settings(m_g.Over<CSceneRotate>(Picture("square", 8, 8, kPositions), "aside"),
                      RotateSettings{90, 90, true, 6, 4, 2, CColor()});
    m_g.Count();
    expect_pixels(Get(aside, 0), [](int32_t x, int32_t y) {
        const int32_t i = x - 2, j = y - 2;
        return i < 0 || j < 1 ? Rgba{0, 0, 0, 0} : position_colour(8 - j, i);
    });
}

TEST_P(MotionFrames, RotateKeepsWhatItsInputsMakeOnce) {
    // A 4 x 4 picture in the corner over the BGIMAGE: frame 0 shows both unturned.
    auto* picture = Picture("p", 4, 4, uniform({200, 100, 50, 255}));
    auto* backdrop = Picture("bg", 8, 8, uniform({0, 0, 60, 255}));
    auto* clip = Picture("clip", 4, 4, by_frame([](uint8_t f) { return Rgba{f, 0, 0, 255}; }), 20);
    auto make_rotate = [&](const std::string& name, PatternScene* input) {
        auto* rotate = m_g.Add<CSceneRotate>(name);
        m_g.Place(m_g.Input(rotate, input), {0, 0, 3, 3});
        m_g.Background(rotate, backdrop);
        rotate->EditSettings().angleEnd = 90;
        rotate->EditSettings().frames = 10;
        return rotate;
    };
    auto* still = make_rotate("still", picture);
    auto* moving = make_rotate("moving", clip);
    m_g.Count();
    expect_pixels(Get(still, 0), [](int32_t x, int32_t y) {
        return x < 4 && y < 4 ? Rgba{200, 100, 50, 255} : Rgba{0, 0, 60, 255};
    });
    for (int32_t frame : {1, 5, 9}) Frame f = Get(still, frame);
    EXPECT_EQ(picture->gets, 1);
    EXPECT_EQ(backdrop->gets, 1);
    // The last frame given back with nothing out lets go of both.
    Frame again = Get(still, 0);
    EXPECT_EQ(picture->gets, 2);
    EXPECT_EQ(backdrop->gets, 2);

    // A changing input is composed for every frame, from its frame of the same number.
    for (int32_t frame : {0, 3, 3, 0}) Frame f = Get(moving, frame);
    expect_probes(Get(moving, 0), {{2, 2, {0, 0, 0, 255}}, {5, 5, {0, 0, 60, 255}}});
    EXPECT_EQ(clip->gets, 5);
    EXPECT_EQ(backdrop->gets, 3) << "the background is kept";
    moving->ResetCache();
    { Frame f = Get(moving, 0); }
    EXPECT_EQ(backdrop->gets, 4);
}

TEST_P(MotionFrames, MovesKeepThePicturesAspect) {
    Screen(320, 320);
    auto* picture = Picture("p", 400, 300, uniform(kPaper));
    auto* slide = Move("slide", SCENE_SLIDE, picture);
    slide->EditSettings().keepAspect = true;
    SetRegions(slide, REGION_DST_START, {{0, 0, 319, 319}, {0, 0, 159, 159}});
    auto* plain = Move("plain", SCENE_SLIDE, picture);
    SetRegions(plain, REGION_DST_START, {{0, 0, 319, 319}, {0, 0, 319, 319}});
    // FOCUS keeps the aspect of its own accord.
    auto* focus = Move("focus", SCENE_FOCUS, picture, 3);
    SetRegions(focus, REGION_DSP_START, {{0, 0, 159, 319}, {160, 0, 319, 319}});
    // Columns below 50 and from 350 on have their own red; the top row its own green.
    auto* marked = Picture("marked", 400, 300, [](int32_t x, int32_t y, int32_t) {
        const uint8_t red = x < 50 ? 10 : x < 350 ? 100 : 200;
        return Rgba{red, static_cast<uint8_t>(y == 0 ? 50 : 150), 0, 255};
    });
    auto* zoom = Move("zoom", SCENE_ZOOM, marked);
    zoom->EditSettings().keepAspect = true;
    SetRegions(zoom, REGION_SRC_START, {{0, 0, 399, 299}, {0, 0, 399, 299}});
    m_g.Count();

    // Start: left 0, right 320, top 40, bottom 280; the end fitted on its own: 0 ...
    // 160 across, 20 ... 140 down.
    expect_pixels(Get(slide, 0), Paper(0, 320, 40, 280));
    expect_pixels(Get(slide, 1), Paper(0, 160, 20, 140));
    expect_pixels(Get(plain, 0), Paper(0, 320, 0, 320));

    // FOCUS: the picture keeps its aspect (rows 40 to 279) and stays put; the window
    // goes from the left half to the right half.
    for (auto [frame, from, to] : {std::tuple{0, 0, 160}, {1, 80, 240}, {2, 160, 320}}) {
        const auto paper = Paper(0, 320, 40, 280);
        expect_pixels(Get(focus, frame), [&, from = from, to = to](int32_t x, int32_t y) {
            return x >= from && x < to ? paper(x, y) : kClear;
        });
    }

    // ZOOM crops the source to the screen's aspect: left 50, right 350, the full height.
    Frame f = Get(zoom, 0);
    for (int32_t x : {0, 160, 319}) EXPECT_EQ(f.At(x, 0), (Rgba{100, 50, 0, 255})) << x;
    for (int32_t x : {0, 160}) EXPECT_EQ(f.At(x, 319), (Rgba{100, 150, 0, 255})) << x;
    // The 32-bit scaler's bottom-right pixel: alpha 254, 100 x 254 >> 8, 150 x 254 >> 8.
    EXPECT_EQ(f.At(319, 319), (Wide() ? Rgba{99, 148, 0, 254} : Rgba{100, 150, 0, 255}));
    for (int32_t y : {1, 160, 318})
        EXPECT_TRUE(f.At(0, y).r == 100 && f.At(319, y).r == 100) << "row " << y;
}

TEST_P(MotionFrames, AfterimagesFollowTheMove) {
    // A 1 x 1 picture moving one pixel to the right per frame along row 1.
    Screen(12, 3);
    auto* dot = Picture("dot", 1, 1, uniform({200, 100, 50, 255}));
    auto* action = Move("action", SCENE_ACTION, dot, 10);
    action->EditSettings().afterimage = 2;
    SetRegions(action, REGION_DST_START,
               {{0, 1, 0, 1}, {9, 1, 9, 1}, {0, 0, 11, 2}, {0, 0, 11, 2}});
    m_g.Count();

    const Rgba full{200, 100, 50, 255};
    // Alpha 255 x 2/3 + 0.5 = 170 and 255 x 1/3 + 0.5 = 85, drawn lightening:
    // colour x alpha / 255 + 0.5.
    const Rgba older{133, 67, 33, 170};
    const Rgba oldest{67, 33, 17, 85};
    auto expect_row = [&](const Frame& f, std::map<int32_t, Rgba> dots) {
        expect_pixels(f, [&](int32_t x, int32_t y) {
            auto it = dots.find(x);
            return y == 1 && it != dots.end() ? it->second : kClear;
        });
    };
    expect_row(Get(action, 0), {{0, full}});
    expect_row(Get(action, 1), {{1, full}, {0, older}});
    expect_row(Get(action, 5), {{5, full}, {4, older}, {3, oldest}});
    // Preview draws the frame's own position only.
    expect_row(Get(action, 5, 2), {{5, full}});
    EXPECT_EQ(dot->gets, 1);
}

TEST_P(MotionFrames, WhatCannotBeDrawnIsLeftOut) {
    auto* picture = Picture("p", 8, 8, uniform(kPaper));
    const CColor background(5, 6, 7);

    // An input that gives none: the frame is the background.
    auto* action = with_settings(m_g.Add<CSceneAction>("a", SCENE_ZOOM),
                                 ActionSettings{false, 0, {}, {}, 2, background});
    auto* rotate = with_settings(m_g.Add<CSceneRotate>("r"),
                                 RotateSettings{0, 360, false, 0, 0, 2, background});
    auto* still = with_settings(m_g.Add<CSceneStill>("s"), StillSettings{2, background});
    for (CScene* scene : std::initializer_list<CScene*>{action, rotate, still})
        scene->AddInput("missing");
    rotate->SetBackground("missing too");
    // A source wholly off the picture, kept to its aspect: nothing left to draw.
    auto* off = Move("off", SCENE_ZOOM, picture, 2, background);
    off->EditSettings().keepAspect = true;
    SetRegions(off, REGION_SRC_START, {{20, 0, 29, 7}, {0, 0, 7, 7}});
    // An empty destination has no aspect to keep the source to.
    auto* shut = Move("shut", SCENE_ACTION, picture, 2, background);
    shut->EditSettings().keepAspect = true;
    SetRegions(shut, REGION_DST_START, {{4, 4, 3, 3}, {0, 0, 7, 7}, {0, 0, 7, 7}, {0, 0, 7, 7}});
    // A picture 100 times wider than its place loses its height.
    auto* thin =
        Move("thin", SCENE_SLIDE, Picture("strip", 800, 1, uniform(kPaper)), 2, background);
    thin->EditSettings().keepAspect = true;
    SetRegions(thin, REGION_DST_START, {{0, 0, 7, 7}, {0, 0, 7, 7}});
    // A shot of one frame shows where its move starts.
    auto* once = Move("once", SCENE_SLIDE, picture, 1);
    SetRegions(once, REGION_DST_START, {{0, 0, 3, 3}, {4, 4, 7, 7}});
    m_g.Count();

    for (CScene* scene : std::initializer_list<CScene*>{action, rotate, still, off, shut, thin})
        for (int32_t frame : {0, 1})
            expect_pixels(Get(scene, frame), [](int32_t, int32_t) { return Rgba{5, 6, 7, 0}; });
    expect_pixels(Get(once, 0),
                  [](int32_t x, int32_t y) { return x < 4 && y < 4 ? kPaper : kClear; });
}

TEST_P(MotionFrames, TheInputAndBackgroundAreKeptWhileEndless) {
    auto* picture = Picture("p", 8, 8, uniform(kPaper));
    auto* clip = Picture("clip", 8, 8, by_frame([](uint8_t f) { return Rgba{f, 0, 0, 255}; }), 5);
    auto* backdrop = Picture("bg", 8, 8, by_frame([](uint8_t f) { return Rgba{0, f, 0, 255}; }), 5);
    auto* still = Move("still", SCENE_ZOOM, picture, 10);
    m_g.Background(still, picture);
    auto* moving = Move("moving", SCENE_ZOOM, clip, 10);
    SetRegions(moving, REGION_SRC_START, {{0, 0, 7, 7}, {0, 0, 7, 7}});
    auto* over = Move("over", SCENE_SLIDE, picture, 10);
    SetRegions(over, REGION_DST_START, {{0, 0, 3, 3}, {0, 0, 3, 3}});
    m_g.Background(over, backdrop);
    m_g.Count();

    for (int32_t frame : {0, 4, 8}) Frame f = Get(still, frame);
    EXPECT_EQ(picture->gets, 2) << "the picture and the background, once each";
    for (int32_t frame : {9, 0}) Frame f = Get(still, frame);
    EXPECT_EQ(picture->gets, 4) << "the last frame let go of both";

    // The changing input is asked for the move's own frame each time, and a changing
    // background is made for every frame too.
    for (int32_t frame : {2, 7})
        EXPECT_EQ(Get(moving, frame).At(4, 4), (Rgba{static_cast<uint8_t>(frame), 0, 0, 255}));
    EXPECT_EQ(clip->gets, 2);
    for (int32_t frame : {3, 6}) {
        const Rgba ground{0, static_cast<uint8_t>(frame), 0, 255};
        expect_probes(Get(over, frame), {{1, 1, kPaper}, {6, 6, ground}});
    }
    EXPECT_EQ(backdrop->gets, 2);
}

}  // namespace
