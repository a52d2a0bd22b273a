// Frames of the composition scenes: SERIES and MAIN (with the music-level fade),
// MIX over its background canvas, CUT's mappings, ALPHA's ramp and SHADE's blur
// passes, and the shared blank of "!INPUT", in both image modes.

#include <gtest/gtest.h>

#include "image/effects.h"
#include "scene/scene_composition.h"
#include "scene/scene_source.h"
#include "scene/tests/frame_test_support.h"
#include "scene/tests/scene_test_util.h"

namespace {

class CompositionFrames : public ::testing::TestWithParam<int> {
protected:
    void SetUp() override {
        m_g.owner.width = 8;
        m_g.owner.height = 6;
    }

    using Frame = HeldFrame;
    Frame Get(CScene* scene, int32_t frame, int32_t* run = nullptr,
              RenderContext* context = nullptr, int32_t mode = 1) {
        return Frame(scene, frame, scene->GetImage(frame, mode, run, context));
    }
    // The run length a scene answers for `frame` when the caller allows `entry`.
    int32_t RunAt(CScene* scene, int32_t frame, int32_t entry = 1000) {
        int32_t run = entry;
        Frame f = Get(scene, frame, &run);
        EXPECT_TRUE(f.image) << "frame " << frame;
        return run;
    }
    // A painted block of `frames` frames, width x height, green `green`.
    PaintedScene* Painted(const std::string& name, int32_t frames, int32_t width = 8,
                          int32_t height = 6, uint8_t green = 0) {
        auto* scene = m_g.Add<PaintedScene>(name, frames, width, height);
        scene->green = green;
        return scene;
    }
    // An endless picture: frame `blockFrame` of a painted block.
    CSceneImage* Picture(const std::string& name, PaintedScene* block, int32_t blockFrame) {
        auto* image = m_g.Add<CSceneImage>(name);
        m_g.Input(image, block);
        image->EditSettings().blockFrame = blockFrame;
        return image;
    }
    // A 5 x 5 drawing: a white opaque 3 x 3 square in the middle of transparent black.
    CSceneDraw* Square(const std::string& name) {
        auto* draw = m_g.Add<CSceneDraw>(name);
        DrawSettings& d = draw->EditSettings();
        d.width = 5;
        d.height = 5;
        d.color = CColor(255, 255, 255, 255);
        DrawShape rect;
        rect.kind = DrawShape::POLYGON;
        rect.fill = true;
        rect.points = {{1, 1}, {3, 1}, {3, 3}, {1, 3}};
        d.shapes.push_back(rect);
        return draw;
    }
    CSceneCut* Cut(const std::string& name, CScene* input, int32_t start, int32_t end,
                   int32_t skip = 1) {
        auto* cut = m_g.Add<CSceneCut>(name);
        m_g.Input(cut, input);
        cut->EditSettings() = CutSettings{start, end, skip};
        return cut;
    }

    ImageModeScope m_mode{GetParam()};
    SceneGraph m_g;
};

INSTANTIATE_TEST_SUITE_P(BothModes, CompositionFrames, ::testing::Values(32, 24));

TEST_P(CompositionFrames, SeriesHandsOutTheActiveInputsOwnImage) {
    auto* series = m_g.Add<CSceneSeries>("s");
    PaintedScene* first = Painted("a", 10, 8, 6, 11);
    PaintedScene* empty = Painted("b", 0, 8, 6, 22);
    PaintedScene* third = Painted("c", 5, 4, 3, 33);
    m_g.Input(series, first);
    m_g.Input(series, empty);
    m_g.Input(series, third);
    m_g.Count();
    ASSERT_EQ(series->GetFrameCount(), 15);

    {
        Frame f = Get(series, 10);
        ASSERT_TRUE(f.image);
        EXPECT_EQ(f.At(0, 0), (Rgba{0, 33, 0, 255})) << "frame 0 of the third input";
        EXPECT_EQ(f.image->width, 4) << "the input's own size, no copy onto the screen";
        EXPECT_EQ(third->releases, 0);
    }
    EXPECT_EQ(third->releases, 1) << "given back to the input it came from, as its frame 0";
    EXPECT_EQ(Get(series, 9).At(7, 5), (Rgba{9, 11, 0, 255}));
    EXPECT_EQ(empty->gets, 0);

    // Past the end (a longer camera move over the series asks there) or before the
    // start there is nothing, and giving that back touches no input.
    EXPECT_EQ(series->GetImage(15, 1, nullptr, nullptr), nullptr);
    EXPECT_EQ(series->GetImage(-1, 1, nullptr, nullptr), nullptr);
    series->ReleaseImage(nullptr, 15);
    series->ReleaseImage(nullptr, -1);
    EXPECT_EQ(first->releases + third->releases, 2);
    EXPECT_EQ(first->gets + third->gets, 2);

    // The run length is the input's answer.
    third->run = 2;
    EXPECT_EQ(RunAt(series, 11, 100), 2);
    EXPECT_EQ(RunAt(series, 11, 1), 1) << "never raised";
}

TEST_P(CompositionFrames, VolumeAlphaFadesByTheMusicLevelOfTheSeriesFrame) {
    auto* main = m_g.Add<CSceneSeries>("main", SCENE_MAIN);
    PaintedScene* intro = Painted("intro", 5);
    PaintedScene* music = Painted("music", 10, 8, 6, 200);
    m_g.Input(main, intro);
    m_g.Input(main, music)->EditSettings().volumeAlpha = true;
    m_g.Count();

    // Levels by frame of MAIN; the input's own frame numbers would read other values.
    AudioLevelTrack track(15, 0);
    track[6] = 100;
    track[7] = 50;
    track[1] = 100;
    RenderContext context;
    context.frameCount = 15;
    context.levelTrack = &track;

    int32_t run = 100;
    {
        // Silence: the cross-fade from transparent black keeps the larger alpha, so an
        // opaque input becomes opaque black.
        Frame f = Get(main, 5, &run, &context);
        EXPECT_EQ(f.At(3, 3), (Rgba{0, 0, 0, 255}));
        EXPECT_EQ(run, 0) << "no run over an input that follows the music";
        EXPECT_EQ(music->releases, 1) << "the input's image goes back at once";
    }
    EXPECT_EQ(music->releases, 1) << "the faded copy is the series' own";
    {
        // Full level: each channel weighed by 255 / 256 (frame 1 of the input: red 1).
        Frame f = Get(main, 6, nullptr, &context);
        ASSERT_TRUE(f.image);
        EXPECT_EQ(f.At(0, 0), (Rgba{0, 199, 0, 255}));
        EXPECT_EQ(f.image->width, 8);
    }
    EXPECT_EQ(Get(main, 7, nullptr, &context).At(7, 5), (Rgba{0, 99, 0, 255}))
        << "50 percent: 200 x 127 >> 8";
    // Without a context: a plain copy.
    EXPECT_EQ(Get(main, 12).At(0, 0), (Rgba{7, 200, 0, 255}));
    {
        // Without music the level reads 0.
        RenderContext silent;
        silent.frameCount = 15;
        Frame f = Get(main, 12, nullptr, &silent);
        EXPECT_EQ(f.At(0, 0), (Rgba{0, 0, 0, 255}));
    }
    EXPECT_EQ(music->gets, music->releases);
    // The intro is not faded, whatever the level at its frames.
    Frame f = Get(main, 1, nullptr, &context);
    EXPECT_EQ(f.At(0, 0), (Rgba{1, 0, 0, 255}));
}

TEST_P(CompositionFrames, BlankInputsAreSharedAndKeptByTheLink) {
    auto* series = m_g.Add<CSceneSeries>("s");
    PaintedScene* hidden = Painted("hidden", 40, 2, 2);
    CSceneLink* blank = m_g.Input(series, hidden, 2);
    m_g.Count();
    ASSERT_EQ(series->GetFrameCount(), 40);

    int32_t run = 77;
    CImageBuffer* first = series->GetImage(0, 1, &run, nullptr);
    ASSERT_TRUE(first);
    EXPECT_EQ(first->width, 8);
    EXPECT_EQ(first->height, 6);
    EXPECT_EQ(first->bpp, GetParam());
    EXPECT_EQ(pixel_at(first, 4, 4), (Rgba{0, 0, 0, 0}));
    EXPECT_EQ(run, 77);
    CImageBuffer* last = series->GetImage(39, 1, nullptr, nullptr);
    EXPECT_EQ(last, first) << "every frame is the same object";
    series->ReleaseImage(last, 39);

    // A caller past the block's frames (a longer shot around it) gives the blank back
    // while others still look at it: it stays.
    CImageBuffer* beyond = blank->GetImage(45, 1, nullptr, nullptr);
    EXPECT_EQ(beyond, first);
    blank->ReleaseImage(beyond, 45);
    EXPECT_EQ(pixel_at(first, 7, 5), (Rgba{0, 0, 0, 0}));
    CImageBuffer* again = blank->GetImage(3, 1, nullptr, nullptr);
    EXPECT_EQ(again, first);
    blank->ReleaseImage(again, 3);
    series->ReleaseImage(first, 0);
    EXPECT_EQ(hidden->gets, 0) << "the block itself is never asked";

    // A run in the other image mode gets a blank in that mode's layout.
    ImageModeScope other(GetParam() == 32 ? 24 : 32);
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

    ASSERT_EQ(backwards->GetFrameCount(), 7);
    for (int32_t f = 0; f < 7; ++f) {
        int32_t run = 100;
        Frame frame = Get(backwards, f, &run);
        ASSERT_TRUE(frame.image);
        EXPECT_EQ(frame.At(0, 0).r, 10 - f);
        EXPECT_EQ(run, 0) << "played backwards, frame " << f;
    }

    ASSERT_EQ(held->GetFrameCount(), 10);
    const int shown[10] = {0, 0, 0, 3, 3, 3, 6, 6, 6, 9};
    for (int32_t f = 0; f < 10; ++f) {
        int32_t run = 100;
        Frame frame = Get(held, f, &run);
        ASSERT_TRUE(frame.image);
        EXPECT_EQ(frame.At(5, 2).r, shown[f]) << "frame " << f;
        EXPECT_EQ(run, f == 9 ? 0 : 10 - f - 2) << "frame " << f;
    }
    clip->run = 1;
    EXPECT_EQ(RunAt(held, 2), 1) << "the input's answer when it is lower";

    // The image is the input's own, given back as the mapped frame.
    const int releases = clip->releases;
    {
        Frame frame = Get(held, 4);
        EXPECT_EQ(clip->releases, releases);
    }
    EXPECT_EQ(clip->releases, releases + 1);

    // Outside the CUT there is nothing to ask.
    const int gets = clip->gets;
    EXPECT_EQ(held->GetImage(10, 1, nullptr, nullptr), nullptr);
    EXPECT_EQ(held->GetImage(-1, 1, nullptr, nullptr), nullptr);
    held->ReleaseImage(nullptr, 10);
    EXPECT_EQ(clip->gets, gets);
    EXPECT_EQ(clip->releases, releases + 1);
    auto* orphan = m_g.Add<CSceneCut>("orphan");
    orphan->EditSettings() = CutSettings{0, 3, 1};
    EXPECT_EQ(orphan->GetImage(0, 1, nullptr, nullptr), nullptr);
    orphan->ReleaseImage(nullptr, 0);
}

TEST_P(CompositionFrames, MixDrawsEachInputFromItsOffsetOverTheBackground) {
    auto* mix = m_g.Add<CSceneMix>("mix");
    mix->EditSettings().bgcolor = CColor(10, 20, 30, 255);
    PaintedScene* early = Painted("early", 10, 4, 3, 64);
    PaintedScene* late = Painted("late", 20, 8, 6, 90);
    CSceneLink* small = m_g.Input(mix, early);
    small->EditSettings().hasRect = true;
    small->EditSettings().rect = {2, 1, 5, 3};  // 4 x 3: the input's own size
    m_g.Input(mix, late)->EditSettings().offset = 30;
    m_g.Count();
    ASSERT_EQ(mix->GetFrameCount(), 50);

    {
        Frame f = Get(mix, 5);
        ASSERT_TRUE(f.image);
        EXPECT_EQ(f.image->width, 8);
        EXPECT_EQ(f.image->height, 6);
        EXPECT_EQ(f.At(2, 1), (Rgba{5, 64, 0, 255}));
        EXPECT_EQ(f.At(5, 3), (Rgba{5, 64, 0, 255}));
        EXPECT_EQ(f.At(6, 3), (Rgba{10, 20, 30, 0})) << "BGCOLOR with alpha 0";
        EXPECT_EQ(f.At(2, 4), (Rgba{10, 20, 30, 0}));
    }
    for (int32_t frame : {10, 20, 29}) {
        Frame f = Get(mix, frame);
        EXPECT_EQ(f.At(3, 2), (Rgba{10, 20, 30, 0})) << "only the background at " << frame;
    }
    EXPECT_EQ(Get(mix, 35).At(0, 0), (Rgba{5, 90, 0, 255})) << "frame 5 of the late input";
    EXPECT_EQ(early->gets, early->releases);
    EXPECT_EQ(late->gets, late->releases);

    // Run length: the end of the MIX, the start of an input still to come, and the
    // answer of every input drawn.
    EXPECT_EQ(RunAt(mix, 5, 100), 24) << "the late input starts at 30";
    EXPECT_EQ(RunAt(mix, 15, 100), 14);
    EXPECT_EQ(RunAt(mix, 15, 3), 3);
    EXPECT_EQ(RunAt(mix, 40, 100), 9) << "the end of the MIX";
    EXPECT_EQ(RunAt(mix, 49, 100), 0);
    early->run = 2;
    EXPECT_EQ(RunAt(mix, 5, 100), 2);

    // OR puts the bits of the input onto the background.
    mix->EditSettings().composeMode = MIX_COMPOSE_OR;
    EXPECT_EQ(Get(mix, 5).At(3, 2), (Rgba{5 | 10, 64 | 20, 30, 255}));

    // Nothing outside the MIX.
    EXPECT_EQ(mix->GetImage(50, 1, nullptr, nullptr), nullptr);
    EXPECT_EQ(mix->GetImage(-1, 1, nullptr, nullptr), nullptr);
}

TEST_P(CompositionFrames, MixFitsInputsOfAnotherSize) {
    auto* mix = m_g.Add<CSceneMix>("mix");
    PaintedScene* wide = Painted("wide", 10, 8, 6, 200);
    CSceneLink* link = m_g.Input(mix, wide);
    link->EditSettings().hasRect = true;
    link->EditSettings().rect = {0, 2, 7, 4};  // 8 x 3: the 8 x 6 picture fits as 4 x 3
    m_g.Count();
    for (int32_t mode : {1, 2}) {
        Frame f = Get(mix, 3, nullptr, nullptr, mode);
        EXPECT_EQ(f.At(1, 3), (Rgba{0, 0, 0, 0})) << "the empty band of the fit";
        EXPECT_EQ(f.At(2, 2), (Rgba{3, 200, 0, 255}));
        EXPECT_EQ(f.At(5, 4), (Rgba{3, 200, 0, 255}));
        EXPECT_EQ(f.At(6, 3), (Rgba{0, 0, 0, 0}));
        EXPECT_EQ(f.At(3, 1), (Rgba{0, 0, 0, 0})) << "above the rectangle";
        EXPECT_EQ(f.At(3, 5), (Rgba{0, 0, 0, 0}));
    }
}

TEST_P(CompositionFrames, MixMakesItsBackgroundOncePerRun) {
    auto* mix = m_g.Add<CSceneMix>("mix");
    mix->EditSettings().bgcolor = CColor(0, 0, 0, 255);
    PaintedScene* input = Painted("input", 40, 2, 2);
    CSceneLink* link = m_g.Input(mix, input);
    link->EditSettings().hasRect = true;
    link->EditSettings().rect = {0, 0, 1, 1};
    // A background that changes with the frame shows which frame made the canvas.
    PaintedScene* backdrop = Painted("backdrop", 40, 8, 6, 255);
    backdrop->alpha = 128;
    m_g.Background(mix, backdrop);
    m_g.Count();

    // Half-transparent green over the transparent BGCOLOR: the 32-bit blend weighs
    // by 128 / 256, the 24-bit one by 128 / 255 and rounds.
    const uint8_t green = GetParam() == 32 ? 127 : 128;
    const uint8_t red = GetParam() == 32 ? 1 : 2;
    {
        Frame a = Get(mix, 3);
        EXPECT_EQ(a.At(5, 4), (Rgba{red, green, 0, 128})) << "red 3 at frame 3";
        Frame b = Get(mix, 8);
        EXPECT_EQ(b.At(5, 4), a.At(5, 4)) << "the canvas made at frame 3";
    }
    EXPECT_EQ(Get(mix, 20).At(7, 5).g, green);
    EXPECT_EQ(backdrop->gets, 1);
    EXPECT_EQ(backdrop->releases, 1);

    // Giving back nothing for a frame outside the MIX counts no user off.
    mix->ReleaseImage(nullptr, 60);
    {
        Frame d = Get(mix, 12);
        EXPECT_EQ(backdrop->gets, 1);
    }
    // The last frame given back ends the canvas once no user holds a frame, whichever
    // comes back last.
    {
        Frame held = Get(mix, 5);
        { Frame last = Get(mix, 39); }
        EXPECT_EQ(backdrop->gets, 1) << "a user was still holding a frame";
    }
    // A frame near the end asked after the last one came back belongs to the run
    // that ended (a worker finishing its batch late): its canvas is not kept either.
    {
        Frame e = Get(mix, 30);
        EXPECT_EQ(backdrop->gets, 2);
        EXPECT_EQ(e.At(0, 4), (Rgba{15, green, 0, 128})) << "red 30 at frame 30";
    }
    // ResetCache drops it too.
    mix->ResetCache();
    {
        Frame e = Get(mix, 2);
        EXPECT_EQ(backdrop->gets, 3);
    }
}

TEST_P(CompositionFrames, MixPlaysEndlessInputsStartedLate) {
    auto* mix = m_g.Add<CSceneMix>("mix");
    PaintedScene* block = Painted("block", 40, 8, 6, 9);
    m_g.Input(mix, Painted("clip", 40, 8, 6));
    m_g.Input(mix, Picture("picture", block, 7))->EditSettings().offset = 30;
    PaintedScene* hidden = Painted("hidden", 40, 2, 2);
    m_g.Input(mix, hidden, 2);  // a blank over it all changes nothing
    m_g.Count();
    ASSERT_EQ(mix->GetFrameCount(), kEndlessFrames);
    EXPECT_EQ(Get(mix, 35).At(4, 4), (Rgba{7, 9, 0, 255}));
    EXPECT_EQ(Get(mix, 20).At(4, 4), (Rgba{20, 0, 0, 255}));
    EXPECT_EQ(RunAt(mix, 20, 1000), 9) << "the picture starts at 30";
    EXPECT_EQ(hidden->gets, 0);
}

TEST_P(CompositionFrames, AlphaRampsTheTransparency) {
    PaintedScene* clip = Painted("clip", 256);
    auto* alpha = m_g.Add<CSceneAlpha>("a");
    m_g.Input(alpha, clip);
    alpha->EditSettings() = RangeSettings{0, 255};
    m_g.Count();

    int32_t run = 100;
    {
        Frame f = Get(alpha, 0, &run);
        EXPECT_EQ(f.At(3, 3), (Rgba{0, 0, 0, 0})) << "fully transparent";
        EXPECT_EQ(run, 0);
    }
    EXPECT_EQ(Get(alpha, 255).At(7, 5), (Rgba{255, 0, 0, 255})) << "unchanged";
    EXPECT_EQ(Get(alpha, 100).At(0, 0), (Rgba{100, 0, 0, 100}));
    EXPECT_EQ(clip->gets, clip->releases) << "the input's image goes back at once";
    clip->alpha = 200;
    EXPECT_EQ(Get(alpha, 100).At(0, 0).a, 78) << "200 x 100 / 255 + 0.5, truncated";

    // Asked beyond its frames by a longer shot around it, the ramp goes on past 255
    // and stays there instead of wrapping (264 would read 8).
    PaintedScene* shortClip = Painted("short", 30);
    auto* quick = m_g.Add<CSceneAlpha>("quick");
    m_g.Input(quick, shortClip);
    quick->EditSettings() = RangeSettings{0, 255};
    m_g.Count();
    for (int32_t frame : {29, 30, 149}) {
        Frame f = Get(quick, frame);
        EXPECT_EQ(f.At(1, 1).a, 255) << "frame " << frame;
    }

    // Equal ends keep the input's run length; a one-frame input stays at START.
    quick->EditSettings() = RangeSettings{128, 128};
    shortClip->run = 4;
    EXPECT_EQ(RunAt(quick, 3, 100), 4);
    auto* single = m_g.Add<CSceneAlpha>("single");
    m_g.Input(single, Painted("one", 1));
    single->EditSettings() = RangeSettings{100, 200};
    m_g.Count();
    Frame f = Get(single, 0);
    EXPECT_EQ(f.At(2, 2).a, 100);
}

TEST_P(CompositionFrames, ShadeBlursByThePassesOfItsFrame) {
    CSceneDraw* square = Square("square");
    CSceneCut* shot = Cut("shot", square, 0, 4);
    auto* shade = m_g.Add<CSceneShade>("shade");
    m_g.Input(shade, shot);
    shade->EditSettings() = RangeSettings{0, 4};
    m_g.Count();
    ASSERT_EQ(shade->GetFrameCount(), 5);

    ImagePtr picture;
    {
        Frame f = Get(square, 0);
        ASSERT_TRUE(f.image);
        ASSERT_EQ(f.At(2, 2), (Rgba{255, 255, 255, 255}));
        ASSERT_EQ(f.At(0, 0), (Rgba{0, 0, 0, 0}));
        picture.reset(duplicate_image(f.image));
    }
    int32_t run = 100;
    {
        Frame f = Get(shade, 0, &run);
        EXPECT_EQ(f.At(2, 2), (Rgba{255, 255, 255, 255})) << "no pass at frame 0";
        EXPECT_EQ(f.At(1, 1), (Rgba{255, 255, 255, 255}));
        EXPECT_EQ(run, 0);
    }
    {
        // One pass: nine-pixel means, the edges counted twice.
        Frame f = Get(shade, 1);
        EXPECT_EQ(f.At(2, 2), (Rgba{255, 255, 255, 255}));
        EXPECT_EQ(f.At(1, 1), (Rgba{113, 113, 113, 113})) << "4 x 255 / 9";
        EXPECT_EQ(f.At(0, 2), (Rgba{85, 85, 85, 85})) << "3 x 255 / 9";
        EXPECT_EQ(f.At(0, 0), (Rgba{28, 28, 28, 28}));
    }
    // Frame f is the picture blurred exactly f times.
    ImagePtr blurred(duplicate_image(picture.get()));
    for (int32_t frame = 1; frame < 5; ++frame) {
        blurred.reset(blur_image(blurred.get()));
        Frame f = Get(shade, frame);
        for (int32_t y = 0; y < 5; ++y)
            for (int32_t x = 0; x < 5; ++x)
                ASSERT_EQ(f.At(x, y), pixel_at(blurred.get(), x, y))
                    << "frame " << frame << " at " << x << ", " << y;
    }

    // The passes are rounded: 0 to 1 over four frames gives 0, 0, 1, 1.
    CSceneCut* four = Cut("four", square, 0, 3);
    auto* soft = m_g.Add<CSceneShade>("soft");
    m_g.Input(soft, four);
    soft->EditSettings() = RangeSettings{0, 1};
    m_g.Count();
    EXPECT_EQ(Get(soft, 1).At(1, 1), (Rgba{255, 255, 255, 255}));
    EXPECT_EQ(Get(soft, 2).At(1, 1), (Rgba{113, 113, 113, 113}));
    // Equal ends keep the run length of the input (a CUT: count - f - 2).
    soft->EditSettings() = RangeSettings{1, 1};
    EXPECT_EQ(RunAt(soft, 0, 100), 2);
}

}  // namespace
