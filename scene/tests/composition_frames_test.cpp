// Frames of the composition scenes: SERIES and MAIN (with the music-level fade),
// MIX over its background canvas, CUT's mappings, ALPHA's ramp and SHADE's blur
// passes, and the shared blank of "!INPUT", in both image modes.

#include <gtest/gtest.h>

#include <tuple>

#include "scene/scene_composition.h"
#include "scene/scene_source.h"
#include "scene/tests/frame_test_support.h"
#include "scene/tests/scene_test_util.h"

namespace {

using Frame = HeldFrame;

class CompositionFrames : public FrameTest {
protected:
    void SetUp() override { Screen(8, 6); }

    // A painted block of `frames` frames, width x height, green `green`.
    PaintedScene* Painted(const std::string& name, int32_t frames, int32_t width = 8,
                          int32_t height = 6, uint8_t green = 0) {
        return add_painted(m_g, name, frames, width, height, green);
    }
    CSceneCut* Cut(const std::string& name, CScene* input, int32_t start, int32_t end,
                   int32_t skip = 1) {
        return with_settings(m_g.Over<CSceneCut>(input, name), CutSettings{start, end, skip});
    }
    template <typename T>
    T* Ramp(const std::string& name, CScene* input, int32_t start, int32_t end) {
        return with_settings(m_g.Over<T>(input, name), RangeSettings{start, end});
    }
};

INSTANTIATE_TEST_SUITE_P(BothModes, CompositionFrames, ::testing::Values(32, 24));

TEST_P(CompositionFrames, SeriesHandsOutTheActiveInputsOwnImage) {
    auto* series = m_g.Add<CSceneSeries>("s");
    PaintedScene* first = Painted("a", 10, 8, 6, 11);
    PaintedScene* empty = Painted("b", 0, 8, 6, 22);
    PaintedScene* third = Painted("c", 5, 4, 3, 33);
    for (CScene* input : {first, empty, third}) m_g.Input(series, input);
    m_g.Count();

    {
        // Frame 0 of the third input, its own size: no copy onto the screen.
        Frame f = Get(series, 10);
        expect_size(f, 4, 3);
        EXPECT_EQ(f.At(0, 0), (Rgba{0, 33, 0, 255}));
        EXPECT_EQ(third->releases, 0);
    }
    EXPECT_EQ(third->releases, 1) << "given back to the input it came from, as its frame 0";
    EXPECT_EQ(Get(series, 9).At(7, 5), (Rgba{9, 11, 0, 255}));
    EXPECT_EQ(empty->gets, 0);

    // Past the end (a longer camera move over the series asks there) or before the
    // start there is nothing, and giving that back touches no input.
    for (int32_t frame : {15, -1}) EXPECT_FALSE(Get(series, frame).image) << frame;
    expect_calls(first, 1, 1);
    expect_calls(third, 1, 1);

    // The run length is the input's answer, never raised.
    third->run = 2;
    EXPECT_EQ(RunAt(series, 11, 100), 2);
    EXPECT_EQ(RunAt(series, 11, 1), 1);
}

TEST_P(CompositionFrames, VolumeAlphaFadesByTheMusicLevelOfTheSeriesFrame) {
    auto* main = m_g.Add<CSceneSeries>("main", SCENE_MAIN);
    PaintedScene* music = Painted("music", 10, 8, 6, 200);
    m_g.Input(main, Painted("intro", 5));
    m_g.Input(main, music)->EditSettings().volumeAlpha = true;
    m_g.Count();

    // Levels by frame of MAIN; the input's own frame numbers would read other values.
    const AudioLevelTrack track{0, 100, 0, 0, 0, 0, 100, 50, 0, 0, 0, 0, 0, 0, 0};
    RenderContext context{.frameCount = 15, .levelTrack = &track};

    {
        // Silence: the cross-fade from transparent black keeps the larger alpha, so an
        // opaque input becomes opaque black.
        Frame f = Ran(main, 5, 1, 100, &context);
        EXPECT_EQ(f.At(3, 3), (Rgba{0, 0, 0, 255}));
        EXPECT_EQ(f.run, 0) << "no run over an input that follows the music";
        EXPECT_EQ(music->releases, 1) << "the input's image goes back at once";
    }
    EXPECT_EQ(music->releases, 1) << "the faded copy is the series' own";
    {
        // Full level: each channel weighed by 255 / 256 (frame 1 of the input: red 1).
        Frame f = Get(main, 6, 1, nullptr, &context);
        expect_size(f, 8, 6);
        EXPECT_EQ(f.At(0, 0), (Rgba{0, 199, 0, 255}));
    }
    EXPECT_EQ(Get(main, 7, 1, nullptr, &context).At(7, 5), (Rgba{0, 99, 0, 255}))
        << "50 percent: 200 x 127 >> 8";
    EXPECT_EQ(Get(main, 12).At(0, 0), (Rgba{7, 200, 0, 255})) << "without a context: a copy";
    // Without music the level reads 0.
    RenderContext silent{.frameCount = 15};
    EXPECT_EQ(Get(main, 12, 1, nullptr, &silent).At(0, 0), (Rgba{0, 0, 0, 255}));
    EXPECT_EQ(music->gets, music->releases);
    // The intro is not faded, whatever the level at its frames.
    EXPECT_EQ(Get(main, 1, 1, nullptr, &context).At(0, 0), (Rgba{1, 0, 0, 255}));
}

TEST_P(CompositionFrames, BlankInputsAreSharedAndKeptByTheLink) {
    auto* series = m_g.Add<CSceneSeries>("s");
    PaintedScene* hidden = Painted("hidden", 40, 2, 2);
    CSceneLink* blank = m_g.Input(series, hidden, 2);
    m_g.Count();

    {
        Frame first = Ran(series, 0, 1, 77);
        expect_size(first, 8, 6);
        EXPECT_EQ(first.At(4, 4), (Rgba{0, 0, 0, 0}));
        EXPECT_EQ(first.run, 77);
        EXPECT_EQ(Get(series, 39).image, first.image) << "every frame is the same object";
        // A caller past the block's frames (a longer shot around it) gives the blank
        // back while others still look at it: it stays.
        for (int32_t frame : {45, 3}) {
            CImageBuffer* again = blank->GetImage(frame, 1, nullptr, nullptr);
            EXPECT_EQ(again, first.image) << frame;
            blank->ReleaseImage(again, frame);
            EXPECT_EQ(first.At(7, 5), (Rgba{0, 0, 0, 0}));
        }
    }
    EXPECT_EQ(hidden->gets, 0) << "the block itself is never asked";

    // A run in the other image mode gets a blank in that mode's layout.
    ImageModeScope other(Wide() ? 24 : 32);
    CImageBuffer* switched = blank->GetImage(0, 1, nullptr, nullptr);
    ASSERT_TRUE(switched);
    EXPECT_EQ(switched->bpp, get_image_mode());
    blank->ReleaseImage(switched, 0);
}

TEST_P(CompositionFrames, CutMapsItsFramesOntoTheInput) {
    PaintedScene* clip = Painted("clip", 20);
    CSceneCut* backwards = Cut("back", clip, 10, 4);
    CSceneCut* held = Cut("held", clip, 0, 9, 3);
    m_g.Count();
    for (int32_t f = 0; f < 7; ++f) {
        int32_t run = 100;
        EXPECT_EQ(Get(backwards, f, 1, &run).At(0, 0).r, 10 - f);
        EXPECT_EQ(run, 0) << "played backwards, frame " << f;
    }
    const int shown[10] = {0, 0, 0, 3, 3, 3, 6, 6, 6, 9};
    for (int32_t f = 0; f < 10; ++f) {
        int32_t run = 100;
        EXPECT_EQ(Get(held, f, 1, &run).At(5, 2).r, shown[f]) << "frame " << f;
        EXPECT_EQ(run, f == 9 ? 0 : 10 - f - 2) << "frame " << f;
    }
    clip->run = 1;
    EXPECT_EQ(RunAt(held, 2), 1) << "the input's answer when it is lower";

    // The image is the input's own, given back as the mapped frame.
    {
        Frame frame = Get(held, 4);
        expect_calls(clip, 19, 18);
    }
    for (int32_t frame : {10, -1}) EXPECT_FALSE(Get(held, frame).image) << frame;
    expect_calls(clip, 19, 19);
    EXPECT_FALSE(Get(with_settings(m_g.Add<CSceneCut>("orphan"), CutSettings{0, 3, 1}), 0).image);
}

TEST_P(CompositionFrames, MixDrawsEachInputFromItsOffsetOverTheBackground) {
    auto* mix = m_g.Add<CSceneMix>("mix");
    mix->EditSettings().bgcolor = CColor(10, 20, 30, 255);
    PaintedScene* early = Painted("early", 10, 4, 3, 64);
    PaintedScene* late = Painted("late", 20, 8, 6, 90);
    m_g.Place(m_g.Input(mix, early), {2, 1, 5, 3});  // 4 x 3: the input's own size
    m_g.Input(mix, late)->EditSettings().offset = 30;
    // An 8 x 6 picture in an 8 x 3 rectangle fits as 4 x 3.
    auto* fitted = m_g.Add<CSceneMix>("fitted");
    m_g.Place(m_g.Input(fitted, Painted("wide", 10, 8, 6, 200)), {0, 2, 7, 4});
    // An endless picture started late, under a blank that changes nothing.
    auto* endless = m_g.Add<CSceneMix>("endless");
    m_g.Input(endless, Painted("clip", 40));
    auto* picture = m_g.Over<CSceneImage>(Painted("block", 40, 8, 6, 9), "picture");
    picture->EditSettings().blockFrame = 7;
    m_g.Input(endless, picture)->EditSettings().offset = 30;
    m_g.Input(endless, Painted("hidden", 40, 2, 2), 2);
    m_g.Count();

    const Rgba background{10, 20, 30, 0};  // BGCOLOR with alpha 0
    {
        Frame f = Get(mix, 5);
        expect_size(f, 8, 6);
        expect_probes(f, {{2, 1, {5, 64, 0, 255}}, {5, 3, {5, 64, 0, 255}}});
        expect_probes(f, {{6, 3, background}, {2, 4, background}});
    }
    for (int32_t frame : {10, 20, 29})
        EXPECT_EQ(Get(mix, frame).At(3, 2), background) << "only the background at " << frame;
    EXPECT_EQ(Get(mix, 35).At(0, 0), (Rgba{5, 90, 0, 255})) << "frame 5 of the late input";
    for (PaintedScene* input : {early, late}) EXPECT_EQ(input->gets, input->releases);

    // Run length: the end of the MIX, the start of an input still to come (the late
    // one at 30), and the answer of every input drawn.
    for (auto [frame, entry, run] :
         {std::tuple{5, 100, 24}, {15, 100, 14}, {15, 3, 3}, {40, 100, 9}, {49, 100, 0}})
        EXPECT_EQ(RunAt(mix, frame, entry), run) << "frame " << frame;
    early->run = 2;
    EXPECT_EQ(RunAt(mix, 5, 100), 2);

    // OR puts the bits of the input onto the background.
    mix->EditSettings().composeMode = MIX_COMPOSE_OR;
    EXPECT_EQ(Get(mix, 5).At(3, 2), (Rgba{5 | 10, 64 | 20, 30, 255}));
    for (int32_t frame : {50, -1}) EXPECT_FALSE(Get(mix, frame).image) << frame;

    // The empty band of the fit, and the rows above and below the rectangle, in both
    // modes.
    for (int32_t mode : {1, 2}) {
        Frame f = Get(fitted, 3, mode);
        const Rgba clear{0, 0, 0, 0}, painted{3, 200, 0, 255};
        expect_probes(f, {{1, 3, clear}, {2, 2, painted}, {5, 4, painted}, {6, 3, clear}});
        expect_probes(f, {{3, 1, clear}, {3, 5, clear}});
    }

    EXPECT_EQ(Get(endless, 35).At(4, 4), (Rgba{7, 9, 0, 255}));
    EXPECT_EQ(Get(endless, 20).At(4, 4), (Rgba{20, 0, 0, 255}));
    EXPECT_EQ(RunAt(endless, 20, 1000), 9) << "the picture starts at 30";
}

TEST_P(CompositionFrames, MixMakesItsBackgroundOncePerRun) {
    auto* mix = m_g.Add<CSceneMix>("mix");
    mix->EditSettings().bgcolor = CColor(0, 0, 0, 255);
    m_g.Place(m_g.Input(mix, Painted("input", 40, 2, 2)), {0, 0, 1, 1});
    // A background that changes with the frame shows which frame made the canvas.
    PaintedScene* backdrop = add_painted(m_g, "backdrop", 40, 8, 6, 255, 128);
    m_g.Background(mix, backdrop);
    m_g.Count();

    // Half-transparent green over the transparent BGCOLOR: the 32-bit blend weighs
    // by 128 / 256, the 24-bit one by 128 / 255 and rounds.
    const uint8_t green = Wide() ? 127 : 128;
    const uint8_t red = Wide() ? 1 : 2;
    {
        Frame a = Get(mix, 3);
        EXPECT_EQ(a.At(5, 4), (Rgba{red, green, 0, 128})) << "red 3 at frame 3";
        EXPECT_EQ(Get(mix, 8).At(5, 4), a.At(5, 4)) << "the canvas made at frame 3";
    }
    EXPECT_EQ(Get(mix, 20).At(7, 5).g, green);
    expect_calls(backdrop, 1, 1);

    // Giving back nothing for a frame outside the MIX counts no user off.
    mix->ReleaseImage(nullptr, 60);
    Get(mix, 12);
    EXPECT_EQ(backdrop->gets, 1);
    // The last frame given back ends the canvas once no user holds a frame, whichever
    // comes back last.
    {
        Frame held = Get(mix, 5);
        Get(mix, 39);
        EXPECT_EQ(backdrop->gets, 1) << "a user was still holding a frame";
    }
    // A frame near the end asked after the last one came back belongs to the run
    // that ended (a worker finishing its batch late): its canvas is not kept either.
    EXPECT_EQ(Get(mix, 30).At(0, 4), (Rgba{15, green, 0, 128})) << "red 30 at frame 30";
    EXPECT_EQ(backdrop->gets, 2);
    // ResetCache drops it too.
    mix->ResetCache();
    Get(mix, 2);
    EXPECT_EQ(backdrop->gets, 3);
}

TEST_P(CompositionFrames, AlphaRampsTheTransparency) {
    PaintedScene* clip = Painted("clip", 256);
    auto* alpha = Ramp<CSceneAlpha>("a", clip, 0, 255);
    // Asked beyond its frames by a longer shot around it, the ramp goes on past 255
    // and stays there instead of wrapping (264 would read 8).
    PaintedScene* shortClip = Painted("short", 30);
    auto* quick = Ramp<CSceneAlpha>("quick", shortClip, 0, 255);
    // A one-frame input stays at START.
    auto* single = Ramp<CSceneAlpha>("single", Painted("one", 1), 100, 200);
    m_g.Count();

    EXPECT_EQ(Get(alpha, 0).At(3, 3), (Rgba{0, 0, 0, 0})) << "fully transparent";
    EXPECT_EQ(RunAt(alpha, 0, 100), 0);
    EXPECT_EQ(Get(alpha, 255).At(7, 5), (Rgba{255, 0, 0, 255})) << "unchanged";
    EXPECT_EQ(Get(alpha, 100).At(0, 0), (Rgba{100, 0, 0, 100}));
    EXPECT_EQ(clip->gets, clip->releases) << "the input's image goes back at once";
    clip->alpha = 200;
    EXPECT_EQ(Get(alpha, 100).At(0, 0).a, 78) << "200 x 100 / 255 + 0.5, truncated";

    for (int32_t frame : {29, 30, 149}) EXPECT_EQ(Get(quick, frame).At(1, 1).a, 255) << frame;
    EXPECT_EQ(Get(single, 0).At(2, 2).a, 100);
    // Equal ends keep the input's run length.
    quick->EditSettings() = RangeSettings{128, 128};
    shortClip->run = 4;
    EXPECT_EQ(RunAt(quick, 3, 100), 4);
}

TEST_P(CompositionFrames, ShadeBlursByThePassesOfItsFrame) {
    // A 5 x 5 drawing: a white opaque 3 x 3 square in the middle of transparent black.
    CSceneDraw* square = add_square(m_g, "square", 5, 5, CColor(255, 255, 255), {1, 1, 3, 3});
    auto* shade = Ramp<CSceneShade>("shade", Cut("shot", square, 0, 4), 0, 4);
    // The passes are rounded: 0 to 1 over four frames gives 0, 0, 1, 1.
    auto* soft = Ramp<CSceneShade>("soft", Cut("four", square, 0, 3), 0, 1);
    m_g.Count();

    const Rgba white{255, 255, 255, 255};
    expect_probes(Get(shade, 0), {{2, 2, white}, {1, 1, white}});  // no pass
    EXPECT_EQ(RunAt(shade, 0, 100), 0);
    // One pass: nine-pixel means, the edges counted twice: 4 x 255 / 9 at the corner
    // of the square, 3 x 255 / 9 beside its edge.
    expect_probes(Get(shade, 1), {{2, 2, white},
                                  {1, 1, {113, 113, 113, 113}},
                                  {0, 2, {85, 85, 85, 85}},
                                  {0, 0, {28, 28, 28, 28}}});
    // Two passes: the corner's nine are 28 four times, 56 twice each side and 113.
    expect_probes(Get(shade, 2), {{0, 0, {50, 50, 50, 50}}, {1, 1, {113, 113, 113, 113}}});

    EXPECT_EQ(Get(soft, 1).At(1, 1), white);
    EXPECT_EQ(Get(soft, 2).At(1, 1), (Rgba{113, 113, 113, 113}));
    // Equal ends keep the run length of the input (a CUT: count - f - 2).
    soft->EditSettings() = RangeSettings{1, 1};
    EXPECT_EQ(RunAt(soft, 0, 100), 2);
}

}  // namespace
