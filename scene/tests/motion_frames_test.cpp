// Frames of the motion scenes: STILL's composition, its cache and run length; ROTATE's
// angle, centre and background; the camera moves with their regions, kept aspects
// and afterimages. Pixel-exact on small pictures, in both image modes.

#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <functional>
#include <map>
#include <optional>
#include <sstream>
#include <tuple>

#include "base/log.h"
#include "image/cpu_features.h"
#include "scene/scene_motion.h"
#include "scene/tests/frame_test_support.h"
#include "scene/tests/scene_test_util.h"

namespace {

PatternScene::Paint uniform(Rgba colour) {
    return [colour](int32_t, int32_t, int32_t) { return colour; };
}

// Every pixel of a distinct colour: red and green from the position.
Rgba position_colour(int32_t x, int32_t y) {
    return {static_cast<uint8_t>(10 + 20 * x), static_cast<uint8_t>(10 + 20 * y), 77, 255};
}
const PatternScene::Paint kPositions = [](int32_t x, int32_t y, int32_t) {
    return position_colour(x, y);
};

class MotionFrames : public ::testing::TestWithParam<int> {
protected:
    void SetUp() override {
        m_g.owner.width = 8;
        m_g.owner.height = 8;
    }

    using Frame = HeldFrame;
    Frame Get(CScene* scene, int32_t frame, int32_t mode = 1, int32_t* run = nullptr) {
        return Frame(scene, frame, scene->GetImage(frame, mode, run, nullptr));
    }

    PatternScene* Picture(const std::string& name, int32_t width, int32_t height,
                          PatternScene::Paint paint, int32_t frames = kEndlessFrames) {
        return m_g.Add<PatternScene>(name, frames, width, height, std::move(paint));
    }

    // Every pixel of the frame equals expect(x, y).
    static void ExpectScreen(const Frame& f, const std::function<Rgba(int32_t, int32_t)>& expect) {
        ASSERT_TRUE(f.image);
        for (int32_t y = 0; y < f.image->height; ++y) {
            for (int32_t x = 0; x < f.image->width; ++x) {
                ASSERT_EQ(f.At(x, y), expect(x, y)) << "at " << x << ", " << y;
            }
        }
    }
    static void ExpectSame(const Frame& a, const Frame& b) {
        ExpectScreen(a, [&](int32_t x, int32_t y) { return b.At(x, y); });
    }

    // A ROTATE of `input` from `from` to `to` degrees over `frames` frames.
    CSceneRotate* Rotate(const std::string& name, CScene* input, int32_t from, int32_t to,
                         int32_t frames = 2) {
        auto* rotate = m_g.Add<CSceneRotate>(name);
        m_g.Input(rotate, input);
        rotate->EditSettings().angleStart = from;
        rotate->EditSettings().angleEnd = to;
        rotate->EditSettings().frames = frames;
        return rotate;
    }

    bool Wide() const { return GetParam() == 32; }

    ImageModeScope m_mode{GetParam()};
    // The plain kernels: the packed forms have tests of their own against them.
    CpuFeaturesOverride m_features{0};
    SceneGraph m_g;
};

INSTANTIATE_TEST_SUITE_P(BothModes, MotionFrames, ::testing::Values(32, 24));

// ---- STILL ----

TEST_P(MotionFrames, StillHoldsAPictureAndPromisesTheFramesThatFollow) {
    auto* picture = m_g.Add<PaintedScene>("p", kEndlessFrames, 8, 8);
    picture->green = 50;
    auto* still = m_g.Add<CSceneStill>("s");
    m_g.Input(still, picture);
    still->EditSettings().frames = 100;
    m_g.Count();

    int32_t run = kEndlessFrames;
    std::optional<Frame> first;
    first.emplace(still, 0, still->GetImage(0, 1, &run, nullptr));
    EXPECT_EQ(run, 98);
    ASSERT_TRUE(first->image);
    EXPECT_EQ(first->At(3, 3), (Rgba{0, 50, 0, 255}));
    for (auto [frame, expect] : {std::pair{50, 48}, {97, 1}, {98, 0}, {99, 0}}) {
        run = kEndlessFrames;
        Frame f = Get(still, frame, 1, &run);
        EXPECT_EQ(run, expect) << "frame " << frame;
        // The composition made for frame 0 serves every frame.
        EXPECT_EQ(f.At(3, 3), (Rgba{0, 50, 0, 255})) << "frame " << frame;
    }
    run = 5;
    { Frame f = Get(still, 0, 1, &run); }
    EXPECT_EQ(run, 5) << "the run length is only ever lowered";
    EXPECT_EQ(picture->gets, 1) << "the last frame was given back while frame 0 was out";

    // Frame 0 asked again started another run: given back, nothing goes.
    first.reset();
    { Frame f = Get(still, 10); }
    EXPECT_EQ(picture->gets, 1);
    // The last frame given back with nothing out drops the composition, and a frame
    // near the end asked after it (a worker finishing its batch late) is made for
    // itself and not kept.
    { Frame f = Get(still, 99); }
    { Frame f = Get(still, 98); }
    EXPECT_EQ(picture->gets, 2);
    { Frame f = Get(still, 97); }
    EXPECT_EQ(picture->gets, 3);
    still->ResetCache();
    { Frame f = Get(still, 3); }
    EXPECT_EQ(picture->gets, 4);

    // A preview asks every 7th frame: frame 98 is the last one asked, and its coming
    // back lets the composition go although frame 99 never comes.
    still->ResetCache();
    RenderContext preview;
    preview.frameStep = 7;
    for (int32_t frame = 0; frame < 100; frame += 7) {
        Frame f(still, frame, still->GetImage(frame, 1, nullptr, &preview));
    }
    EXPECT_EQ(picture->gets, 5);
    { Frame f(still, 0, still->GetImage(0, 1, nullptr, &preview)); }
    EXPECT_EQ(picture->gets, 6) << "the next run over the block composes again";
    EXPECT_EQ(picture->gets, picture->releases);
}

TEST_P(MotionFrames, StillOverAChangingInputComposesEveryFrame) {
    // The clip is shorter than the shot: it is asked for the shot's own frames.
    auto* clip = m_g.Add<PaintedScene>("clip", 30, 8, 8);
    auto* still = m_g.Add<CSceneStill>("s");
    m_g.Input(still, clip);
    still->EditSettings().frames = 40;
    m_g.Count();
    for (int32_t frame : {0, 7, 7, 35, 39}) {
        int32_t run = kEndlessFrames;
        Frame f = Get(still, frame, 1, &run);
        EXPECT_EQ(run, 0);
        ASSERT_TRUE(f.image);
        EXPECT_EQ(f.At(0, 0), (Rgba{static_cast<uint8_t>(frame), 0, 0, 255}));
    }
    EXPECT_EQ(clip->gets, 5);
    EXPECT_EQ(clip->releases, 5);
}

TEST_P(MotionFrames, StillFitsEachInputIntoItsRectangle) {
    // Two 4 x 2 pictures on an 8 x 6 screen, each given a 4 x 4 rectangle: the first
    // fitted inside (bands above and below), the second with MAX_CUT (covering its
    // rectangle, the sides cut off).
    m_g.owner.height = 6;
    auto* red = Picture("red", 4, 2, uniform({200, 0, 0, 255}));
    auto* blue = Picture("blue", 4, 2, [](int32_t x, int32_t, int32_t) {
        return Rgba{0, 0, static_cast<uint8_t>(x == 0 || x == 3 ? 90 : 180), 255};
    });
    auto* still = m_g.Add<CSceneStill>("s");
    CSceneLink* first = m_g.Input(still, red);
    first->EditSettings().hasRect = true;
    first->EditSettings().rect = {0, 0, 3, 3};
    CSceneLink* second = m_g.Input(still, blue);
    second->EditSettings().hasRect = true;
    second->EditSettings().rect = {4, 0, 7, 3};
    second->EditSettings().fitMode = 2;
    still->EditSettings().frames = 10;
    still->EditSettings().bgcolor = CColor(10, 20, 30);
    m_g.Count();

    const Rgba background{10, 20, 30, 0};
    Frame f = Get(still, 0);
    ExpectScreen(f, [&](int32_t x, int32_t y) {
        if (y >= 4) return background;
        if (x < 4) return y == 1 || y == 2 ? Rgba{200, 0, 0, 255} : background;
        // 8 x 4 at (-2, 0) inside the rectangle: the middle of the picture.
        return Rgba{0, 0, 180, 255};
    });
}

TEST_P(MotionFrames, StillComposesItsFirstInputTwice) {
    auto* veil = Picture("veil", 8, 8, uniform({255, 255, 255, 100}));
    auto* clear = Picture("clear", 8, 8, uniform({0, 0, 0, 0}));
    auto* first = m_g.Add<CSceneStill>("first");
    m_g.Input(first, veil);
    first->EditSettings().frames = 2;
    auto* second = m_g.Add<CSceneStill>("second");
    m_g.Input(second, clear);
    m_g.Input(second, veil);
    second->EditSettings().frames = 2;
    m_g.Count();

    // 32-bit: (255 x 100) >> 8 = 99 once, (255 x 100 + 99 x 156) >> 8 = 159 twice.
    // 24-bit: 25500 / 255 + 0.5 = 100 once, (25500 + 100 x 155) / 255 + 0.5 = 161 twice.
    const uint8_t once = Wide() ? 99 : 100;
    const uint8_t twice = Wide() ? 159 : 161;
    Frame dense = Get(first, 0);
    Frame faint = Get(second, 0);
    ASSERT_TRUE(dense.image);
    ASSERT_TRUE(faint.image);
    EXPECT_EQ(dense.At(5, 5), (Rgba{twice, twice, twice, 100}));
    EXPECT_EQ(faint.At(5, 5), (Rgba{once, once, once, 100}));
}

TEST_P(MotionFrames, StillWritesItsStartToTheDebugLog) {
    namespace fs = std::filesystem;
    const fs::path dir =
        fs::temp_directory_path() / ("vemo-still-log-" + std::to_string(::getpid()));
    fs::create_directories(dir);
    const fs::path previous = fs::current_path();
    fs::current_path(dir);
    auto* picture = m_g.Add<PaintedScene>("p", kEndlessFrames, 8, 8);
    auto* still = m_g.Add<CSceneStill>("s");
    m_g.Input(still, picture);
    still->EditSettings().frames = 3;
    m_g.Count();
    OpenDebugLog(true);
    { Frame f = Get(still, 1); }
    CloseDebugLog();
    OpenDebugLog(false);
    std::ifstream in(dir / kDebugLogName, std::ios::binary);
    std::stringstream text;
    text << in.rdbuf();
    fs::current_path(previous);
    fs::remove_all(dir);
    EXPECT_EQ(text.str(), "CSceneStill::GetImage :  2711 : START\r\n");
}

// ---- ROTATE ----

TEST_P(MotionFrames, RotateTurnsOneDegreePerFrame) {
    auto* picture = Picture("p", 8, 8, kPositions);
    auto* turn = Rotate("turn", picture, 0, 360, 361);
    auto* one = Rotate("one", picture, 1, 1);
    auto* half = Rotate("half", picture, 45, 45);
    for (CSceneRotate* r : {turn, one, half}) r->EditSettings().bgcolor = CColor(1, 2, 3);
    m_g.Count();
    const Rgba background{1, 2, 3, 0};

    int32_t run = kEndlessFrames;
    Frame start = Get(turn, 0, 1, &run);
    EXPECT_EQ(run, 0);
    ExpectScreen(start, position_colour);
    // A quarter turn counter-clockwise: the right side comes up. The turned
    // picture's integer centre leaves its top row empty.
    ExpectScreen(Get(turn, 90), [&](int32_t x, int32_t y) {
        return y == 0 ? background : position_colour(8 - y, x);
    });
    // Half a turn, with the fixed-point cosine -1023 / 1024: source columns and
    // rows 7, 6, 5, 4, 4, 3, 2, 1.
    ExpectScreen(Get(turn, 180), [](int32_t x, int32_t y) {
        auto back = [](int32_t i) { return i < 4 ? 7 - i : 8 - i; };
        return position_colour(back(x), back(y));
    });
    ExpectSame(Get(turn, 360), start);
    for (auto [frame, reference] : {std::pair{1, one}, {45, half}}) {
        Frame f = Get(turn, frame);
        Frame r = Get(reference, 0);
        ExpectSame(f, r);
    }
    {
        Frame f = Get(turn, 1);
        bool moved = false;
        for (int32_t y = 0; y < 8; ++y)
            for (int32_t x = 0; x < 8; ++x) moved = moved || f.At(x, y) != start.At(x, y);
        EXPECT_TRUE(moved) << "frame 1 is turned";
    }
    EXPECT_EQ(picture->gets, 3) << "one composition per scene";
}

TEST_P(MotionFrames, RotateAnglesBeyond32Bits) {
    // From -2147483610 to 2147483610 degrees over 3 frames: the difference does not
    // fit 32 bits. The angles are -90 (mod 360), 0 and 90.
    m_g.owner.width = 8;
    m_g.owner.height = 8;
    auto* picture = Picture("p", 8, 8, kPositions);
    auto* wide = Rotate("wide", picture, -2147483610, 2147483610, 3);
    std::vector<CSceneRotate*> references;
    for (int32_t angle : {-90, 0, 90})
        references.push_back(Rotate("r" + std::to_string(angle), picture, angle, angle));
    m_g.Count();
    for (int32_t frame = 0; frame < 3; ++frame) {
        Frame f = Get(wide, frame);
        Frame r = Get(references[static_cast<size_t>(frame)], 0);
        ExpectSame(f, r);
    }
    Frame middle = Get(wide, 1);
    ExpectScreen(middle, position_colour);
}

TEST_P(MotionFrames, RotateKeepsItsCentreInPlace) {
    // An 8 x 4 screen turned a quarter about its centre: the 4 x 8 turned picture
    // stands in the middle, columns 2 to 5, its ends cut off above and below.
    m_g.owner.width = 8;
    m_g.owner.height = 4;
    auto* centred = Rotate("centred", Picture("wide", 8, 4, kPositions), 90, 90);
    centred->EditSettings().bgcolor = CColor(1, 2, 3);
    m_g.Count();
    ExpectScreen(Get(centred, 0), [](int32_t x, int32_t y) {
        return x >= 2 && x < 6 ? position_colour(6 - y, x - 2) : Rgba{1, 2, 3, 0};
    });

    // On an 8 x 8 screen about (6, 4): the composition's point (6, 4) stays where it
    // is and the point above it, (6, 2), comes to its left, (4, 4).
    m_g.owner.height = 8;
    auto* aside = Rotate("aside", Picture("square", 8, 8, kPositions), 90, 90);
    aside->EditSettings().hasCenter = true;
    aside->EditSettings().centerX = 6;
    aside->EditSettings().centerY = 4;
    m_g.Count();
    Frame f = Get(aside, 0);
    EXPECT_EQ(f.At(6, 4), position_colour(6, 4));
    EXPECT_EQ(f.At(4, 4), position_colour(6, 2));
    // Turned picture pixel (i, j) shows composition (8 - j, i) and lands at (i + 2, j + 2).
    ExpectScreen(f, [](int32_t x, int32_t y) {
        const int32_t i = x - 2, j = y - 2;
        if (i < 0 || j < 1) return Rgba{0, 0, 0, 0};
        return position_colour(8 - j, i);
    });
}

TEST_P(MotionFrames, RotateKeepsWhatItsInputsMakeOnce) {
    // A 4 x 4 picture in the corner over the BGIMAGE: frame 0 shows both unturned.
    auto* picture = Picture("p", 4, 4, uniform({200, 100, 50, 255}));
    auto* backdrop = Picture("bg", 8, 8, uniform({0, 0, 60, 255}));
    auto* clip = Picture(
        "clip", 4, 4,
        [](int32_t, int32_t, int32_t f) {
            return Rgba{static_cast<uint8_t>(f), 0, 0, 255};
        },
        20);
    auto make_rotate = [&](const std::string& name, PatternScene* input) {
        auto* rotate = m_g.Add<CSceneRotate>(name);
        CSceneLink* link = m_g.Input(rotate, input);
        link->EditSettings().hasRect = true;
        link->EditSettings().rect = {0, 0, 3, 3};
        m_g.Background(rotate, backdrop);
        rotate->EditSettings().angleStart = 0;
        rotate->EditSettings().angleEnd = 90;
        rotate->EditSettings().frames = 10;
        return rotate;
    };
    auto* still = make_rotate("still", picture);
    auto* moving = make_rotate("moving", clip);
    m_g.Count();
    ExpectScreen(Get(still, 0), [](int32_t x, int32_t y) {
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
    {
        Frame f = Get(moving, 0);
        EXPECT_EQ(f.At(2, 2), (Rgba{0, 0, 0, 255}));
        EXPECT_EQ(f.At(5, 5), (Rgba{0, 0, 60, 255}));
    }
    EXPECT_EQ(clip->gets, 5);
    EXPECT_EQ(backdrop->gets, 3) << "the background is kept";
    moving->ResetCache();
    { Frame f = Get(moving, 0); }
    EXPECT_EQ(backdrop->gets, 4);
}

// ---- ACTION, ZOOM, SLIDE, FOCUS ----

constexpr Rgba kPaper{90, 80, 70, 255};
constexpr Rgba kClear{0, 0, 0, 0};

class MoveFrames : public MotionFrames {
protected:
    void SetUp() override {
        m_g.owner.width = 320;
        m_g.owner.height = 320;
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

    CSceneAction* Move(const std::string& name, uint32_t type, CScene* input, int32_t frames = 2) {
        auto* move = m_g.Add<CSceneAction>(name, type);
        m_g.Input(move, input);
        move->EditSettings().frames = frames;
        return move;
    }
    static void SetRegion(CSceneAction* move, ActionRegion region, SceneRect rect) {
        move->EditSettings().regions[region] = rect;
        move->EditSettings().given[region] = true;
    }
};

INSTANTIATE_TEST_SUITE_P(BothModes, MoveFrames, ::testing::Values(32, 24));

TEST_P(MoveFrames, SlideKeepsThePicturesAspect) {
    auto* picture = Picture("p", 400, 300, uniform(kPaper));
    auto* slide = Move("slide", SCENE_SLIDE, picture);
    slide->EditSettings().keepAspect = true;
    SetRegion(slide, REGION_DST_START, {0, 0, 319, 319});
    SetRegion(slide, REGION_DST_END, {0, 0, 159, 159});
    auto* plain = Move("plain", SCENE_SLIDE, picture);
    SetRegion(plain, REGION_DST_START, {0, 0, 319, 319});
    SetRegion(plain, REGION_DST_END, {0, 0, 319, 319});
    m_g.Count();
    // Start: left 0, right 320, top 40, bottom 280.
    ExpectScreen(Get(slide, 0), Paper(0, 320, 40, 280));
    // End, fitted on its own: 0 ... 160 across, 20 ... 140 down.
    ExpectScreen(Get(slide, 1), Paper(0, 160, 20, 140));
    Frame f = Get(plain, 0);
    ExpectScreen(f, Paper(0, 320, 0, 320));
}

TEST_P(MoveFrames, ZoomCropsThePictureToTheScreensAspect) {
    // Columns below 50 and from 350 on have their own red; the top row its own green.
    auto* picture = Picture("p", 400, 300, [](int32_t x, int32_t y, int32_t) {
        const uint8_t red = x < 50 ? 10 : x < 350 ? 100 : 200;
        return Rgba{red, static_cast<uint8_t>(y == 0 ? 50 : 150), 0, 255};
    });
    auto* zoom = Move("zoom", SCENE_ZOOM, picture);
    zoom->EditSettings().keepAspect = true;
    SetRegion(zoom, REGION_SRC_START, {0, 0, 399, 299});
    SetRegion(zoom, REGION_SRC_END, {0, 0, 399, 299});
    m_g.Count();
    // The source becomes left 50, right 350, the full height.
    Frame f = Get(zoom, 0);
    for (int32_t x : {0, 160, 319}) EXPECT_EQ(f.At(x, 0), (Rgba{100, 50, 0, 255})) << x;
    for (int32_t x : {0, 160}) EXPECT_EQ(f.At(x, 319), (Rgba{100, 150, 0, 255})) << x;
    // The 32-bit scaler's bottom-right pixel: alpha 254, 100 x 254 >> 8, 150 x 254 >> 8.
    EXPECT_EQ(f.At(319, 319), (Wide() ? Rgba{99, 148, 0, 254} : Rgba{100, 150, 0, 255}));
    for (int32_t y : {1, 160, 318}) {
        EXPECT_EQ(f.At(0, y).r, 100) << y;
        EXPECT_EQ(f.At(319, y).r, 100) << y;
    }
}

TEST_P(MoveFrames, FocusMovesItsWindowOverAStillPicture) {
    auto* picture = Picture("p", 400, 300, uniform(kPaper));
    auto* focus = Move("focus", SCENE_FOCUS, picture, 3);
    SetRegion(focus, REGION_DSP_START, {0, 0, 159, 319});
    SetRegion(focus, REGION_DSP_END, {160, 0, 319, 319});
    m_g.Count();
    // The picture keeps its aspect (rows 40 to 279) and stays put; the window goes
    // from the left half to the right half.
    for (auto [frame, from, to] : {std::tuple{0, 0, 160}, {1, 80, 240}, {2, 160, 320}}) {
        Frame f = Get(focus, frame);
        const auto paper = Paper(0, 320, 40, 280);
        ExpectScreen(f, [&, from = from, to = to](int32_t x, int32_t y) {
            return x >= from && x < to ? paper(x, y) : kClear;
        });
    }
}

TEST_P(MoveFrames, AfterimagesFollowTheMove) {
    // A 1 x 1 picture moving one pixel to the right per frame along row 1.
    m_g.owner.width = 12;
    m_g.owner.height = 3;
    auto* dot = Picture("dot", 1, 1, uniform({200, 100, 50, 255}));
    auto* action = Move("action", SCENE_ACTION, dot, 10);
    ActionSettings& s = action->EditSettings();
    s.afterimage = 2;
    SetRegion(action, REGION_DST_START, {0, 1, 0, 1});
    SetRegion(action, REGION_DST_END, {9, 1, 9, 1});
    SetRegion(action, REGION_DSP_START, {0, 0, 11, 2});
    SetRegion(action, REGION_DSP_END, {0, 0, 11, 2});
    m_g.Count();

    const Rgba full{200, 100, 50, 255};
    // Alpha 255 x 2/3 + 0.5 = 170 and 255 x 1/3 + 0.5 = 85, drawn lightening:
    // colour x alpha / 255 + 0.5.
    const Rgba older{133, 67, 33, 170};
    const Rgba oldest{67, 33, 17, 85};
    auto expect_row = [&](const Frame& f, std::map<int32_t, Rgba> dots) {
        ExpectScreen(f, [&](int32_t x, int32_t y) {
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

TEST_P(MoveFrames, WhatCannotBeDrawnIsLeftOut) {
    m_g.owner.width = 8;
    m_g.owner.height = 8;
    auto* picture = Picture("p", 8, 8, uniform(kPaper));
    const Rgba background{5, 6, 7, 0};

    // An input that gives none: the frame is the background.
    std::vector<CScene*> empty;
    auto* action = m_g.Add<CSceneAction>("a", SCENE_ZOOM);
    action->AddInput("missing");
    action->EditSettings().frames = 2;
    empty.push_back(action);
    auto* rotate = m_g.Add<CSceneRotate>("r");
    rotate->AddInput("missing");
    rotate->EditSettings().frames = 2;
    rotate->SetBackground("missing too");
    empty.push_back(rotate);
    auto* still = m_g.Add<CSceneStill>("s");
    still->AddInput("missing");
    still->EditSettings().frames = 2;
    empty.push_back(still);

    // A source wholly off the picture, kept to its aspect: nothing left to draw.
    auto* off = Move("off", SCENE_ZOOM, picture);
    off->EditSettings().keepAspect = true;
    SetRegion(off, REGION_SRC_START, {20, 0, 29, 7});
    SetRegion(off, REGION_SRC_END, {0, 0, 7, 7});
    empty.push_back(off);
    // An empty destination has no aspect to keep the source to.
    auto* shut = Move("shut", SCENE_ACTION, picture);
    shut->EditSettings().keepAspect = true;
    SetRegion(shut, REGION_DST_START, {4, 4, 3, 3});
    SetRegion(shut, REGION_DST_END, {0, 0, 7, 7});
    SetRegion(shut, REGION_DSP_START, {0, 0, 7, 7});
    SetRegion(shut, REGION_DSP_END, {0, 0, 7, 7});
    empty.push_back(shut);
    // A picture 100 times wider than its place loses its height.
    auto* strip = Picture("strip", 800, 1, uniform(kPaper));
    auto* thin = Move("thin", SCENE_SLIDE, strip);
    thin->EditSettings().keepAspect = true;
    SetRegion(thin, REGION_DST_START, {0, 0, 7, 7});
    SetRegion(thin, REGION_DST_END, {0, 0, 7, 7});
    empty.push_back(thin);

    for (CScene* scene : empty) {
        if (auto* a = dynamic_cast<CSceneAction*>(scene))
            a->EditSettings().bgcolor = CColor(5, 6, 7);
        if (auto* r = dynamic_cast<CSceneRotate*>(scene))
            r->EditSettings().bgcolor = CColor(5, 6, 7);
        if (auto* s = dynamic_cast<CSceneStill*>(scene))
            s->EditSettings().bgcolor = CColor(5, 6, 7);
    }
    m_g.Count();
    for (CScene* scene : empty) {
        for (int32_t frame : {0, 1}) {
            SCOPED_TRACE(scene->Name() + " frame " + std::to_string(frame));
            Frame f = Get(scene, frame);
            ExpectScreen(f, [&](int32_t, int32_t) { return background; });
        }
    }

    // A shot of one frame shows where its move starts.
    auto* once = Move("once", SCENE_SLIDE, picture, 1);
    SetRegion(once, REGION_DST_START, {0, 0, 3, 3});
    SetRegion(once, REGION_DST_END, {4, 4, 7, 7});
    m_g.Count();
    Frame f = Get(once, 0);
    ExpectScreen(f, [](int32_t x, int32_t y) { return x < 4 && y < 4 ? kPaper : kClear; });
}

TEST_P(MoveFrames, TheInputAndBackgroundAreKeptWhileEndless) {
    m_g.owner.width = 8;
    m_g.owner.height = 8;
    auto* picture = Picture("p", 8, 8, uniform(kPaper));
    auto* clip = Picture(
        "clip", 8, 8,
        [](int32_t, int32_t, int32_t f) {
            return Rgba{static_cast<uint8_t>(f), 0, 0, 255};
        },
        5);
    auto* backdrop = Picture(
        "bg", 8, 8,
        [](int32_t, int32_t, int32_t f) {
            return Rgba{0, static_cast<uint8_t>(f), 0, 255};
        },
        5);
    auto* still = Move("still", SCENE_ZOOM, picture, 10);
    m_g.Background(still, picture);
    auto* moving = Move("moving", SCENE_ZOOM, clip, 10);
    SetRegion(moving, REGION_SRC_START, {0, 0, 7, 7});
    SetRegion(moving, REGION_SRC_END, {0, 0, 7, 7});
    auto* over = Move("over", SCENE_SLIDE, picture, 10);
    SetRegion(over, REGION_DST_START, {0, 0, 3, 3});
    SetRegion(over, REGION_DST_END, {0, 0, 3, 3});
    m_g.Background(over, backdrop);
    m_g.Count();

    for (int32_t frame : {0, 4, 8}) Frame f = Get(still, frame);
    EXPECT_EQ(picture->gets, 2) << "the picture and the background, once each";
    { Frame f = Get(still, 9); }
    { Frame f = Get(still, 0); }
    EXPECT_EQ(picture->gets, 4) << "the last frame let go of both";

    // The changing input is asked for the move's own frame each time.
    for (int32_t frame : {2, 7}) {
        Frame f = Get(moving, frame);
        EXPECT_EQ(f.At(4, 4), (Rgba{static_cast<uint8_t>(frame), 0, 0, 255}));
    }
    EXPECT_EQ(clip->gets, 2);

    // A changing background is made for every frame too.
    for (int32_t frame : {3, 6}) {
        Frame f = Get(over, frame);
        EXPECT_EQ(f.At(1, 1), kPaper);
        EXPECT_EQ(f.At(6, 6), (Rgba{0, static_cast<uint8_t>(frame), 0, 255}));
    }
    EXPECT_EQ(backdrop->gets, 2);
}

}  // namespace
