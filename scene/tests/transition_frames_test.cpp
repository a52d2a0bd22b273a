// Frames of the transition scenes: FADE, CROSSFADE, FILM, EXPAND, MOSAIC and SHAKE
// over painted inputs, pixel by pixel, in both image modes; which images they hand
// back to their inputs, the run lengths they promise, and the pictures FILM keeps.

#include <gtest/gtest.h>

#include <functional>

#include "scene/scene_source.h"
#include "scene/scene_transition.h"
#include "scene/tests/frame_test_support.h"
#include "scene/tests/scene_test_util.h"

namespace {

// A scene whose frame f is a width x height picture in the working layout with the
// pixel (x, y) that `paint` gives; it counts its calls.
class PatternScene : public CScene {
public:
    using Paint = std::function<Rgba(int32_t frame, int32_t x, int32_t y)>;

    PatternScene(int32_t frames, int32_t width, int32_t height, Paint paint)
        : CScene(SCENE_MOVIE),
          m_frames(frames),
          m_width(width),
          m_height(height),
          m_paint(std::move(paint)) {}

    CImageBuffer* GetImage(int32_t frame, int32_t, int32_t*, RenderContext*) override {
        ++gets;
        CImageBuffer* image = create_work_image(m_width, m_height);
        for (int32_t y = 0; y < m_height; ++y) {
            for (int32_t x = 0; x < m_width; ++x) put_pixel(image, x, y, m_paint(frame, x, y));
        }
        return image;
    }
    void ReleaseImage(CImageBuffer* image, int32_t) override {
        ++releases;
        delete_image(image);
    }
    int TestFrame(int, int32_t) override { return 0; }

    static void put_pixel(CImageBuffer* image, int32_t x, int32_t y, Rgba p) {
        uint8_t* row = image_row(image, y);
        if (image->bpp == 32) {
            uint8_t* q = row + 4 * static_cast<int64_t>(x);
            q[0] = p.b, q[1] = p.g, q[2] = p.r, q[3] = p.a;
            return;
        }
        uint8_t* q = row + 3 * static_cast<int64_t>(x);
        q[0] = p.b, q[1] = p.g, q[2] = p.r;
        image_alpha_row(image, y)[x] = p.a;
    }

    int gets = 0;
    int releases = 0;

protected:
    int32_t ComputeFrameCount() override { return m_frames; }

private:
    int32_t m_frames;
    int32_t m_width;
    int32_t m_height;
    Paint m_paint;
};

// crossfade_image's arithmetic for one channel: b at percent, a at the rest.
int mix(int a, int b, int percent) {
    return (b * (percent * 255 / 100) >> 8) + (a * ((100 - percent) * 255 / 100) >> 8);
}

class TransitionFrames : public ::testing::TestWithParam<int> {
protected:
    // The frame as the caller gets it, handed back when the test has looked.
    struct Frame {
        CScene* scene;
        int32_t index;
        CImageBuffer* image;
        Frame(CScene* s, int32_t i, CImageBuffer* im) : scene(s), index(i), image(im) {}
        Frame(const Frame&) = delete;
        Frame& operator=(const Frame&) = delete;
        ~Frame() { scene->ReleaseImage(image, index); }
        Rgba At(int32_t x, int32_t y) const { return pixel_at(image, x, y); }
    };
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
        ASSERT_TRUE(f.image);
        EXPECT_EQ(f.At(7, 5), (Rgba{101, 148, 24, 255}));
        EXPECT_EQ(f.At(7, 5), (Rgba{uint8_t(mix(200, 5, 50)), uint8_t(mix(100, 200, 50)),
                                    uint8_t(mix(50, 0, 50)), 255}));
    }
    {
        Frame f = Get(fade, 7);
        EXPECT_EQ(f.At(0, 0).r, mix(200, 7, 70));
    }
    for (int32_t frame = 10; frame < 30; ++frame) {
        Frame f = Get(fade, frame);
        ASSERT_TRUE(f.image);
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

    {
        Frame f = Get(out, 19);
        EXPECT_EQ(f.At(1, 1), (Rgba{19, 200, 0, 255})) << "the input, untouched";
    }
    {
        // The first frame of the fade out is the input alone, weighed 255/256.
        Frame f = Get(out, 20);
        EXPECT_EQ(f.At(1, 1), (Rgba{19, 199, 0, 255}));
    }
    {
        Frame f = Get(out, 25);
        EXPECT_EQ(f.At(1, 1), (Rgba{111, 148, 24, 255}));
    }
    {
        Frame f = Get(out, 29);
        EXPECT_EQ(f.At(1, 1), (Rgba{uint8_t(mix(29, 200, 90)), uint8_t(mix(200, 100, 90)),
                                    uint8_t(mix(0, 50, 90)), 255}));
    }
    // Up to the fade out the frames run until it begins.
    EXPECT_EQ(RunAt(out, 5), 14);
    EXPECT_EQ(RunAt(out, 19), 0);
    EXPECT_EQ(RunAt(out, 20), 0);

    {
        Frame f = Get(both, 2);
        EXPECT_EQ(f.At(0, 0).r, mix(200, 2, 20));
    }
    {
        Frame f = Get(both, 15);
        EXPECT_EQ(f.At(0, 0), (Rgba{15, 200, 0, 255}));
    }
    {
        Frame f = Get(both, 27);
        EXPECT_EQ(f.At(0, 0).g, mix(200, 100, 70));
    }
    EXPECT_EQ(RunAt(both, 12), 7);
    EXPECT_EQ(RunAt(both, 3), 0);
    EXPECT_EQ(input->gets, input->releases);
}

TEST_P(TransitionFrames, FadeOfAMissingImage) {
    Screen(4, 4);
    auto* input = m_g.Add<PaintedScene>("clip", 30, 0, 0);  // gives none
    auto* fade = m_g.Add<CSceneFade>("fade");
    m_g.Input(fade, input);
    fade->EditSettings() = FadeSettings{FADE_INOUT, CColor(1, 2, 3), 10};
    m_g.Count();
    for (int32_t frame : {0, 15, 29}) {
        Frame f = Get(fade, frame);
        EXPECT_FALSE(f.image) << frame;
    }
    EXPECT_EQ(input->gets, 3);
    EXPECT_EQ(input->releases, 3);
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
    {
        // Frame 25: the second input at 50 percent.
        Frame f = Get(cross, 25);
        EXPECT_EQ(f.At(0, 0), (Rgba{14, 49, 0, 255}));
    }

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

// ---- SHAKE ----

TEST_P(TransitionFrames, ShakeJittersSideways) {
    Screen(12, 2);
    auto pixel = [](int32_t, int32_t x, int32_t) { return Rgba{uint8_t(20 * x), 0, 0, 255}; };
    auto* input = m_g.Add<PatternScene>("clip", 5, 12, 2, pixel);
    auto* shake = m_g.Add<CSceneShake>("s");
    m_g.Input(shake, input);
    m_g.Count();
    // Five pixels right, five left, and the half-and-half mix of both.
    auto right = [&](int32_t x) { return x >= 5 ? pixel(0, x - 5, 0) : Rgba{0, 0, 0, 0}; };
    auto left = [&](int32_t x) { return x < 7 ? pixel(0, x + 5, 0) : Rgba{0, 0, 0, 0}; };
    auto both = [&](int32_t x) {
        return Rgba{uint8_t(mix(left(x).r, right(x).r, 50)), 0, 0, std::max(left(x).a, right(x).a)};
    };
    for (int32_t frame = 0; frame < 5; ++frame) {
        int32_t run = 1000;
        Frame f = Get(shake, frame, 1, &run);
        ASSERT_TRUE(f.image);
        EXPECT_EQ(run, 0);
        for (int32_t x = 0; x < 12; ++x) {
            const Rgba want = frame == 1 ? right(x) : frame == 3 ? left(x) : both(x);
            ASSERT_EQ(f.At(x, 1), want) << "frame " << frame << " at " << x;
        }
    }
    {
        Frame f = Get(shake, 0);
        EXPECT_EQ(f.At(6, 0), (Rgba{118, 0, 0, 255}));
    }
    EXPECT_EQ(input->gets, input->releases);
}

}  // namespace
