// Frames of the transition scenes: FADE, CROSSFADE, FILM, EXPAND, MOSAIC and SHAKE
// over painted inputs, pixel by pixel, in both image modes; which images they hand
// back to their inputs, the run lengths they promise, and the pictures FILM keeps.

#include <gtest/gtest.h>

#include <optional>
#include <tuple>

#include "scene/scene_source.h"
#include "scene/scene_transition.h"
#include "scene/tests/frame_test_support.h"
#include "scene/tests/scene_test_util.h"

namespace {

using Frame = HeldFrame;

// FILM blocks over a small screen: 64 x 48 gives L = (48 >> 4) x 13 x (n - 1) = 78
// for three pictures, which are fitted to 48 x 36 and drawn 39 rows apart from y = 6.
constexpr Rgba kStrip{80, 24, 0, 255};
constexpr Rgba kScreen{0, 0, 255, 0};  // BGCOLOR, never drawn over
// The pictures at frame 0, the changing one at frame f.
constexpr Rgba kFirst{0, 50, 0, 255};
constexpr Rgba kThird{0, 150, 0, 255};
Rgba middle(int32_t frame) {
    return {uint8_t(frame), 100, 0, 255};
}

class TransitionFrames : public FrameTest {
protected:
    // A MOSAIC over `input` whose cells grow from `start` to `end` pixels, over the
    // target `from` moving to `to` when given.
    CSceneMosaic* Mosaic(CScene* input, const std::string& name, int32_t start, int32_t end,
                         std::optional<SceneRect> from = {}, SceneRect to = {}) {
        auto* mosaic = m_g.Over<CSceneMosaic>(input, name);
        mosaic->EditSettings() = MosaicSettings{
            start, end, from.has_value(), from.value_or(SceneRect{}), from.has_value(), to};
        return mosaic;
    }
    // A FILM of `inputs`, its strip kStrip over the kScreen, counted and checked.
    CSceneFilm* Film(const std::string& name, int32_t direction, int32_t frames,
                     std::initializer_list<CScene*> inputs) {
        auto* film = m_g.Add<CSceneFilm>(name);
        for (CScene* input : inputs) m_g.Input(film, input);
        film->EditSettings() = FilmSettings{direction, {80, 24, 0}, CColor(0, 0, 255), frames};
        m_g.Count();
        EXPECT_EQ(film->Validate(nullptr), 0);
        return film;
    }
    // A FILM of three 48 x 36 pictures: two endless ones (green 50 and 150) around one
    // that changes (green 100, red its frame).
    CSceneFilm* MakeFilm(int32_t frames, int32_t direction, const std::string& name) {
        for (int i = 0; i < 3; ++i)
            m_pictures[i] = add_painted(m_g, name + std::to_string(i),
                                        i == 1 ? 1000 : kEndlessFrames, 48, 36, 50 + 50 * i);
        return Film(name, direction, frames, {m_pictures[0], m_pictures[1], m_pictures[2]});
    }

    PaintedScene* m_pictures[3] = {};
};
INSTANTIATE_TEST_SUITE_P(BothModes, TransitionFrames, ::testing::Values(32, 24));

TEST_P(TransitionFrames, FadesMixTheColourIntoTheirEnds) {
    Screen(8, 6);
    auto* input = add_painted(m_g, "clip", 30, 8, 6, 200);  // frame f: (f, 200, 0)
    auto fade = [&](const std::string& name, int32_t mode) {
        return with_settings(m_g.Over<CSceneFade>(input, name),
                             FadeSettings{mode, CColor(200, 100, 50), 10});
    };
    CSceneFade* in = fade("in", FADE_IN);
    CSceneFade* out = fade("out", FADE_OUT);
    CSceneFade* both = fade("both", FADE_INOUT);
    m_g.Count();

    auto painted = [](int32_t frame) { return Rgba{uint8_t(frame), 200, 0, 255}; };
    // Percent 0: the colour alone, weighed 255/256; its alpha 0 gives way to the input's.
    for (auto [scene, frame, want] : {std::tuple{in, 0, Rgba{199, 99, 49, 255}},
                                      {in, 5, {101, 148, 24, 255}},  // half and half
                                      {out, 19, painted(19)},        // the input, untouched
                                      {out, 20, {19, 199, 0, 255}},  // the input, 255/256
                                      {out, 25, {111, 148, 24, 255}},
                                      {out, 29, {180, 108, 44, 255}},  // 90 % colour
                                      {both, 2, {159, 118, 39, 255}},  // 80 % colour
                                      {both, 15, painted(15)}})
        expect_probes(Get(scene, frame), {{0, 0, want}, {7, 5, want}});
    // Frames run until the next fade begins, or to the end.
    const std::tuple<CSceneFade*, int32_t, int32_t> runs[] = {
        {in, 0, 0},   {in, 9, 0},   {in, 10, 19}, {in, 29, 0},  {out, 5, 14},
        {out, 19, 0}, {out, 20, 0}, {both, 3, 0}, {both, 12, 7}};
    for (auto [scene, frame, run] : runs)
        EXPECT_EQ(RunAt(scene, frame), run) << scene->Name() << " frame " << frame;
    input->run = 4;
    EXPECT_EQ(RunAt(in, 10), 4) << "the input's own promise counts too";
    // Every image the input made came back to it, mixed or handed through.
    EXPECT_EQ(input->gets, input->releases);
}

// Over an input that gives no image there is no frame, and nothing else to give back.
TEST_P(TransitionFrames, AMissingImageGivesNoFrame) {
    Screen(4, 4);
    auto* missing = m_g.Add<PaintedScene>("clip", 30, 0, 0);  // gives none
    with_settings(m_g.Over<CSceneFade>(missing, "fade"),
                  FadeSettings{FADE_INOUT, CColor(1, 2, 3), 10});
    m_g.Over<CSceneExpand>(missing, "expand")->EditSettings() = {DIRECTION_UP, EXPAND_IN};
    Mosaic(missing, "mosaic", 2, 2);
    m_g.Count();
    for (size_t i = 1; i < m_g.scenes.size(); ++i) {
        for (int32_t frame : {0, 15, 29})
            EXPECT_FALSE(Get(m_g.scenes[i].get(), frame).image) << i << " frame " << frame;
    }
    expect_calls(missing, 9, 9);
}

TEST_P(TransitionFrames, CrossfadeChainsItsInputsWithDissolves) {
    Screen(4, 4);
    PaintedScene* inputs[3];
    auto* cross = framed(m_g.Add<CSceneCrossfade>("cross"), 10);
    for (int i = 0; i < 3; ++i)
        m_g.Input(cross, inputs[i] = add_painted(m_g, "in" + std::to_string(i), 30, 4, 4, 100 * i));
    // A single input's image is handed through: "!INPUT" gives one shared blank.
    auto* hidden = m_g.Add<PaintedScene>("hidden", 20, 4, 4);
    auto* second = m_g.Add<PaintedScene>("second", 20, 4, 4);
    auto* overBlank = framed(m_g.Add<CSceneCrossfade>("overBlank"), 5);
    CSceneLink* blank = m_g.Input(overBlank, hidden, 2);
    m_g.Input(overBlank, second);
    m_g.Count();

    // Input i starts at 20 x i, dissolving from the one before over its first 10
    // frames; its frame f is (f, 100 x i, 0).
    for (auto [frame, want] : {std::pair{0, Rgba{0, 0, 0, 255}},
                               {19, {19, 0, 0, 255}},
                               {20, {19, 0, 0, 255}},   // frame 20 of the first, weighed 255/256
                               {25, {14, 49, 0, 255}},  // the second input at 50 %
                               {30, {10, 100, 0, 255}},
                               {45, {14, 148, 0, 255}},
                               {69, {29, 200, 0, 255}}})
        EXPECT_EQ(Get(cross, frame).At(2, 1), want) << "frame " << frame;

    // Frames of one input last until the next dissolve begins, or to the end.
    for (auto [frame, run] : {std::pair{0, 19}, {19, 0}, {25, 0}, {30, 9}, {50, 19}, {69, 0}})
        EXPECT_EQ(RunAt(cross, frame), run) << "frame " << frame;
    inputs[0]->run = 5;
    EXPECT_EQ(RunAt(cross, 0), 5) << "the input's own promise counts";

    // Outside its frames there is no image, and nothing to give back.
    EXPECT_FALSE(Ran(cross, 70).image);
    for (PaintedScene* input : inputs) EXPECT_EQ(input->gets, input->releases);

    CImageBuffer* shared = blank->GetImage(0, 1, nullptr, nullptr);
    EXPECT_EQ(Get(overBlank, 3).image, shared) << "the input's own image, not a copy";
    {
        // In the dissolve the blank is mixed, not changed.
        Frame f = Get(overBlank, 17);
        EXPECT_NE(f.image, shared);
        EXPECT_EQ(f.At(0, 0), (Rgba{0, 0, 0, 255})) << "red 2 at 40 %";
        EXPECT_EQ(pixel_at(shared, 0, 0), (Rgba{0, 0, 0, 0}));
    }
    blank->ReleaseImage(shared, 0);
    EXPECT_EQ(second->gets, second->releases);
}

TEST_P(TransitionFrames, FilmInEveryDirectionPreviewAndSubPixel) {
    Screen(64, 48);
    CSceneFilm* up = MakeFilm(79, DIRECTION_UP, "up");  // o = frame, whole pixels
    PaintedScene* changing = m_pictures[1];
    ASSERT_EQ(up->Travel(), 78);
    // The separator on rows 3 to 5, the bands on columns 0 to 7 and 56 to 63, the
    // next separator 39 rows on and the changing picture at its frame 0 below it.
    {
        Frame f = Ran(up, 0);
        EXPECT_EQ(f.run, 0);
        expect_size(f, 64, 48);
        expect_probes(f, {{8, 6, kFirst}, {55, 41, kFirst}, {30, 5, kStrip}, {30, 2, kScreen}});
        expect_probes(f,
                      {{7, 20, kStrip}, {56, 20, kStrip}, {30, 43, kStrip}, {30, 46, middle(0)}});
    }
    // The changing picture at its frame 78; the strip ends at 126 - 78 = 48.
    expect_probes(Get(up, 78),
                  {{8, 6, kThird}, {30, 1, middle(78)}, {30, 4, kStrip}, {30, 46, kScreen}});
    // The last frame given back took the endless pictures with it: fitted again,
    // from frame 30. Picture 0 ends at 41 - 30, the separator is at 42 - 30, picture
    // 1 starts at 45 - 30.
    expect_probes(
        Get(up, 30),
        {{30, 11, {30, 50, 0, 255}}, {30, 12, kStrip}, {30, 14, kStrip}, {30, 15, middle(30)}});

    // DOWN shows the first picture first too, the second above it, and runs the row
    // downwards.
    CSceneFilm* down = MakeFilm(79, DIRECTION_DOWN, "down");
    expect_probes(Get(down, 0), {{8, 6, kFirst}, {30, 1, middle(0)}});
    expect_probes(Get(down, 78), {{8, 6, kThird}, {30, 46, middle(78)}});
    // A film of one frame stands at its start, whichever way it runs.
    for (int32_t direction : {DIRECTION_UP, DIRECTION_DOWN}) {
        CSceneFilm* once = MakeFilm(1, direction, "once" + std::to_string(direction));
        EXPECT_EQ(Get(once, 0).At(8, 6), kFirst) << direction;
    }
    // Preview draws the canvas itself, screen sized.
    {
        Frame f = Get(up, 30, 2);
        expect_size(f, 64, 48);
        expect_probes(f, {{30, 11, {30, 50, 0, 255}}, {30, 13, kStrip}, {30, 15, middle(30)}});
    }
    EXPECT_EQ(changing->gets, changing->releases);

    // Across: L = (64 >> 4) x 13 x 2 = 104, pictures 52 columns apart from x = 8 at
    // y = 6; the strip's separators are 65 >> 4 = 4 columns wide, from column 4, the
    // band on rows 0 to 5.
    CSceneFilm* left = MakeFilm(105, DIRECTION_LEFT, "left");
    ASSERT_EQ(left->Travel(), 104);
    {
        Frame f = Get(left, 0);
        expect_probes(f, {{8, 6, kFirst}, {55, 41, kFirst}, {5, 20, kStrip}});
        expect_probes(f, {{57, 20, kStrip}, {61, 20, middle(0)}, {30, 5, kStrip}});
    }
    expect_probes(Get(left, 104), {{8, 6, kThird}, {3, 20, middle(104)}});

    // A black strip stays opaque black; only its holes (a sprocket hole: columns 2 to
    // 4, rows 0 and 1) and windows are open.
    CSceneFilm* black = MakeFilm(79, DIRECTION_UP, "black");
    black->EditSettings().color = CColor(0, 0, 0);
    const Rgba opaque{0, 0, 0, 255};
    expect_probes(
        Get(black, 0),
        {{7, 20, opaque}, {30, 4, opaque}, {1, 0, opaque}, {3, 0, kScreen}, {30, 2, kScreen}});

    // 157 frames move the strip half a pixel a frame: frame 3 stands at o = 1 and
    // q = 512, so every row is read half from the canvas row below it. Row 4 mixes
    // the separator's last row with the first picture's top row. Area averaging takes
    // half of each in the 32-bit layout, 511 and 513 parts of 1024 in the 24-bit one.
    CSceneFilm* half = MakeFilm(157, DIRECTION_UP, "half");
    half->EditSettings().color = CColor(81, 24, 0);
    // The endless picture was fitted from its frame 3: (3, 50, 0).
    const Rgba strip{81, 24, 0, 255}, picture{3, 50, 0, 255};
    expect_probes(Get(half, 3), {{30, 4, {42, 37, 0, 255}}, {30, 5, picture}, {30, 3, strip}});
    // Preview leaves the half pixel out.
    expect_probes(Get(half, 3, 2), {{30, 4, strip}, {30, 5, picture}});
    // The same position in a film of 2,555,905 frames, at frame 49,152: there
    // L x 1024 x f is 3,925,868,544, past 32 bits.
    CSceneFilm* slow = MakeFilm(2555905, DIRECTION_UP, "slow");
    expect_probes(Get(slow, 49152), {{30, 4, {40, 37, 0, 255}}, {30, 5, kFirst}});
}

TEST_P(TransitionFrames, FilmFitsEndlessPicturesOnceAndKeepsThemWhileFramesAreOut) {
    Screen(64, 48);
    CSceneFilm* film = MakeFilm(79, DIRECTION_UP, "film");
    PaintedScene* endless = m_pictures[0];
    PaintedScene* changing = m_pictures[1];
    for (int32_t frame : {10, 0, 40, 77}) {
        Frame f = Get(film, frame);
        if (frame >= 40) continue;
        EXPECT_EQ(f.At(30, 11 - frame), (Rgba{10, 50, 0, 255})) << frame;
    }
    expect_calls(endless, 1, 1);
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

    // Frames that cannot be made are counted too: on a screen too large for any image
    // there is no frame, but it is given back like any.
    CSceneFilm* second = MakeFilm(79, DIRECTION_UP, "second");
    Screen(40000, 30000);
    EXPECT_FALSE(Get(second, 7).image);
    Screen(64, 48);
    {
        Frame other = Get(second, 5);
        { Frame last = Get(second, 78); }
        Frame again = Get(second, 6);
        EXPECT_EQ(m_pictures[0]->gets, 1) << "the pictures stay while frame 5 is out";
    }

    // A picture that gives none is left out, and asked for again.
    auto* missing = m_g.Add<PaintedScene>("missing", kEndlessFrames, 0, 0);
    // L = 39, one pixel a frame.
    auto* gaps =
        Film("gaps", DIRECTION_UP, 40, {missing, m_g.Add<PaintedScene>("clip", 100, 48, 36)});
    for (int32_t frame : {0, 1})
        expect_probes(Get(gaps, frame), {{30, 20, kScreen}, {30, 46, {uint8_t(frame), 0, 0, 255}}});
    expect_calls(missing, 2, 2);
}

// Row y of the tall picture is (y, 10 x, 7) with alpha 100 + y; column x of the wide
// one is (20 x, y, 9) with alpha 50 + x.
Rgba tall_pixel(int32_t x, int32_t y, int32_t) {
    return Rgba{uint8_t(y), uint8_t(10 * x), 7, uint8_t(100 + y)};
}
Rgba wide_pixel(int32_t x, int32_t y, int32_t) {
    return Rgba{uint8_t(20 * x), uint8_t(y), 9, uint8_t(50 + x)};
}

TEST_P(TransitionFrames, ExpandStretchesAnEdgeLine) {
    auto expand = [&](CScene* input, const std::string& name, int32_t direction, int32_t inOut) {
        return with_settings(m_g.Over<CSceneExpand>(input, name), ExpandSettings{direction, inOut});
    };
    auto* tall = m_g.Add<PatternScene>("tall", 11, 4, 101, tall_pixel);
    auto* wide = m_g.Add<PatternScene>("wide", 11, 11, 3, wide_pixel);
    CSceneExpand* up = expand(tall, "up", DIRECTION_UP, EXPAND_IN);
    CSceneExpand* down = expand(tall, "down", DIRECTION_DOWN, EXPAND_OUT);
    // One frame shows the start: the last row over all the others.
    CSceneExpand* once =
        expand(m_g.Add<PatternScene>("one", 1, 4, 6, tall_pixel), "once", DIRECTION_UP, EXPAND_IN);
    CSceneExpand* left = expand(wide, "left", DIRECTION_LEFT, EXPAND_IN);
    CSceneExpand* right = expand(wide, "right", DIRECTION_RIGHT, EXPAND_OUT);
    m_g.Count();
    // Lines [from, to) show line `line`. Rows copy every byte of the pixel row: alpha
    // too in 32-bit pixels, not the separate plane of 24-bit ones. Columns take blue,
    // green and red of the line; every pixel keeps its alpha.
    const std::tuple<CSceneExpand*, int32_t, int32_t, int32_t, int32_t> cases[] = {
        {up, 0, 100, 0, 100},                              // row 100 over rows 0 to 99
        {up, 5, 50, 0, 50},       {up, 10, 0, 0, 0},       // the input unchanged
        {down, 0, 100, 101, 101}, {down, 3, 70, 71, 101},  // p = 100 - 100 x 3 / 10
        {down, 10, 0, 1, 101},    {once, 0, 5, 0, 5},     {left, 0, 10, 0, 10},  {left, 4, 6, 0, 6},
        {left, 10, 0, 0, 0},      {right, 4, 6, 7, 11},   {right, 0, 10, 11, 11}};
    for (auto [scene, frame, line, from, to] : cases) {
        SCOPED_TRACE(scene->Name() + " frame " + std::to_string(frame));
        const bool rows = scene != left && scene != right;
        const auto paint = rows ? tall_pixel : wide_pixel;
        Screen(rows ? 4 : 11, rows ? 101 : 3);
        int32_t run = 1000;
        expect_pixels(Get(scene, frame, 1, &run),
                      [&, line = line, from = from, to = to](int32_t x, int32_t y) {
                          const int32_t at = rows ? y : x;
                          if (at < from || at >= to) return paint(x, y, 0);
                          Rgba p = rows ? paint(x, line, 0) : paint(line, y, 0);
                          if (!rows || !Wide()) p.a = paint(x, y, 0).a;
                          return p;
                      });
        EXPECT_EQ(run, 0);
    }
    EXPECT_EQ(tall->gets, tall->releases);
    EXPECT_EQ(wide->gets, wide->releases);
}

// An 8 x 6 picture whose every pixel differs: (30 x, 40 y, 5).
Rgba mosaic_pixel(int32_t x, int32_t y, int32_t = 0) {
    return Rgba{uint8_t(30 * x), uint8_t(40 * y), 5, 255};
}

TEST_P(TransitionFrames, MosaicCellsAndTargetMove) {
    // MOSAIC works at its input's size, whatever the screen.
    auto* input = m_g.Add<PatternScene>("clip", 5, 8, 6, mosaic_pixel);
    // Cells of one pixel over a target; cells larger than the picture.
    CSceneMosaic* fine = Mosaic(input, "fine", 1, 1, SceneRect{1, 1, 5, 3}, {1, 1, 5, 3});
    CSceneMosaic* coarse = Mosaic(input, "coarse", 10, 10);
    // Over 5 frames the cell grows from 1 to 3 pixels and the target moves from
    // (0, 0, 3, 2) to (4, 3, 7, 5).
    CSceneMosaic* moving = Mosaic(input, "moving", 1, 3, SceneRect{0, 0, 3, 2}, {4, 3, 7, 5});
    // One frame shows the start: cells of SIZE_START.
    CSceneMosaic* once = Mosaic(m_g.Add<PatternScene>("one", 1, 8, 6, mosaic_pixel), "once", 2, 8);
    // Columns alternating 0 and 200 in cells of two pixels average to 100.
    auto* stripes = m_g.Add<PatternScene>("stripes", 3, 8, 4, [](int32_t x, int32_t, int32_t) {
        return Rgba{uint8_t(x % 2 ? 200 : 0), 60, 0, 255};
    });
    CSceneMosaic* averaged = Mosaic(stripes, "averaged", 2, 2);
    // At frame 30,000 of 40,001 the cell grows from 1 to 100 pixels to 75.25:
    // 99 x 1024 x 30,000 is past 32 bits. A 200 x 200 picture has 2 x 2 such cells.
    auto* large =
        m_g.Add<PatternScene>("large", 40001, 200, 200, [](int32_t x, int32_t y, int32_t) {
            return Rgba{uint8_t(x), uint8_t(y), 0, 255};
        });
    CSceneMosaic* growing = Mosaic(large, "growing", 1, 100);
    m_g.Count();

    // Shrinking to 8 x 6 cells and back moves each pixel by less than a quarter
    // level; cells larger than the picture leave it as it is.
    expect_pixels(Get(fine, 2), [](int32_t x, int32_t y) { return mosaic_pixel(x, y); });
    EXPECT_EQ(RunAt(fine, 2), 0);
    expect_pixels(Get(coarse, 3), [](int32_t x, int32_t y) { return mosaic_pixel(x, y); });

    // Preview scales by the nearest pixel, so a cell shows its top-left pixel.
    auto check = [&](int32_t frame, SceneRect target, int32_t cellX, int32_t cellY) {
        expect_pixels(Get(moving, frame, 2), [&](int32_t x, int32_t y) {
            const bool inside =
                x >= target.left && x <= target.right && y >= target.top && y <= target.bottom;
            return inside ? mosaic_pixel(x / cellX * cellX, y / cellY * cellY) : mosaic_pixel(x, y);
        });
    };
    check(2, {2, 1, 5, 3}, 2, 2);  // cells of 2 pixels, 4 x 3 of them
    check(4, {4, 3, 7, 5}, 4, 3);  // cells of 3 pixels, 2 x 2 of them, each 4 x 3 once blown up
    check(0, {0, 0, 3, 2}, 1, 1);  // one-pixel cells
    EXPECT_EQ(Get(once, 0, 2).At(3, 3), mosaic_pixel(2, 2));
    EXPECT_EQ(input->gets, input->releases);

    expect_pixels(Get(averaged, 1), [&](int32_t x, int32_t y) {
        // The blown-up picture is 8191/1024 columns by 4095/1024 rows: in 32-bit
        // pixels its last column and row are covered 511/512 of a pixel and come out
        // that much fainter, (100, 60, 0) with alpha 254. Drawn onto the transparent
        // patch that is (99, 59, 0) (c x 254 >> 8), which then mixes 2/256 of the
        // picture beneath into it.
        if (Wide() && (x == 7 || y == 3)) return Rgba{uint8_t(x % 2 ? 99 : 98), 59, 0, 255};
        return Rgba{100, 60, 0, 255};
    });
    expect_probes(
        Get(growing, 30000, 2),
        {{150, 150, {100, 100, 0, 255}}, {50, 199, {0, 100, 0, 255}}, {99, 99, {0, 0, 0, 255}}});
}

// The jitter itself is checked in both layouts with the image core; a SHAKE frame is
// the jitter of its input's frame of the same number: both shifts by 5 at 127 / 255,
// right by 5, both, left by 5.
TEST_P(TransitionFrames, ShakeJittersItsInputsFrame) {
    Screen(12, 2);
    auto* input = m_g.Add<PatternScene>("clip", 5, 12, 2, [](int32_t x, int32_t, int32_t frame) {
        return Rgba{uint8_t(20 * x), uint8_t(40 * frame), 0, 255};
    });
    auto* shake = m_g.Over<CSceneShake>(input, "s");
    m_g.Count();
    {
        Frame f = Ran(shake, 0);
        expect_size(f, 12, 2);
        EXPECT_EQ(f.At(6, 0), (Rgba{118, 0, 0, 255})) << "220 x 127 >> 8 plus 20 x 127 >> 8";
        EXPECT_EQ(f.run, 0);
    }
    expect_probes(Get(shake, 1), {{6, 1, {20, 40, 0, 255}}, {4, 0, {0, 0, 0, 0}}});
    expect_probes(Get(shake, 3), {{6, 1, {220, 120, 0, 255}}, {7, 0, {0, 0, 0, 0}}});
    EXPECT_EQ(input->gets, input->releases);
}

}  // namespace
