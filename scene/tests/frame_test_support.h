#pragma once
// What the tests of frame production share: reading pixels in either layout, the
// visible bytes of a frame for comparing two, the image mode for one test, a frame
// held until the test has looked (its layout, size and pixels checked), a fixture
// asking frames in both image modes, and scenes that paint their frames.

#include <gtest/gtest.h>

#include <atomic>
#include <cstdint>
#include <functional>
#include <initializer_list>
#include <ostream>
#include <vector>

#include "image/image_buffer.h"
#include "scene/scene.h"
#include "scene/scene_source.h"
#include "scene/tests/scene_test_util.h"

struct Rgba {
    uint8_t r = 0;
    uint8_t g = 0;
    uint8_t b = 0;
    uint8_t a = 0;
    friend bool operator==(const Rgba&, const Rgba&) = default;
};

inline std::ostream& operator<<(std::ostream& os, const Rgba& p) {
    return os << "rgba(" << int{p.r} << ", " << int{p.g} << ", " << int{p.b} << ", " << int{p.a}
              << ")";
}

// Pixel (x, y), row 0 on top, of a 32-bit image or a 24-bit one (a missing plane
// reads as opaque).
inline Rgba pixel_at(const CImageBuffer* image, int32_t x, int32_t y) {
    const uint8_t* row = image_row(image, y);
    if (image->bpp == 32) {
        const uint8_t* p = row + 4 * static_cast<int64_t>(x);
        return {p[2], p[1], p[0], p[3]};
    }
    const uint8_t* p = row + 3 * static_cast<int64_t>(x);
    const uint8_t a = image->alpha ? image_alpha_row(image, y)[x] : 255;
    return {p[2], p[1], p[0], a};
}

// Size, depth and every byte of the pixel rows and the alpha plane, row slack left
// out; empty for no image.
inline std::vector<uint8_t> image_bytes(const CImageBuffer* image) {
    std::vector<uint8_t> bytes;
    if (!image) return bytes;
    for (int32_t v : {image->width, image->height, image->bpp, image->alpha ? 1 : 0}) {
        for (int shift = 0; shift < 32; shift += 8)
            bytes.push_back(static_cast<uint8_t>(v >> shift));
    }
    const size_t row = static_cast<size_t>(image->width) * static_cast<size_t>(image->bpp / 8);
    for (int32_t y = 0; y < image->height; ++y) {
        const uint8_t* p = image_row(image, y);
        bytes.insert(bytes.end(), p, p + row);
        if (image->alpha) {
            const uint8_t* a = image_alpha_row(image, y);
            bytes.insert(bytes.end(), a, a + image->width);
        }
    }
    return bytes;
}

// Writes pixel (x, y), row 0 on top, of a 32-bit image or of a 24-bit one with a plane.
inline void put_pixel(CImageBuffer* image, int32_t x, int32_t y, Rgba p) {
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

// A frame as the caller gets it, handed back (even when there is none) once the
// test has looked: Get(scene, n).At(x, y) reads one pixel of a frame; `run` is the
// run length it came with, when asked.
struct HeldFrame {
    CScene* scene;
    int32_t index;
    CImageBuffer* image;
    int32_t run;
    HeldFrame(CScene* s, int32_t i, CImageBuffer* img, int32_t r = -1)
        : scene(s), index(i), image(img), run(r) {}
    HeldFrame(const HeldFrame&) = delete;
    HeldFrame& operator=(const HeldFrame&) = delete;
    ~HeldFrame() { scene->ReleaseImage(image, index); }
    // Pixel (x, y); a failure of the test when there is no image.
    Rgba At(int32_t x, int32_t y) const {
        if (image) return pixel_at(image, x, y);
        ADD_FAILURE() << "no image for frame " << index;
        return {};
    }
};

// The image mode for the life of the object.
class ImageModeScope {
public:
    explicit ImageModeScope(int mode) : m_previous(set_image_mode(mode)) {}
    ~ImageModeScope() { set_image_mode(m_previous); }
    ImageModeScope(const ImageModeScope&) = delete;
    ImageModeScope& operator=(const ImageModeScope&) = delete;

private:
    int m_previous;
};

// The frame is there, in the working layout of the image mode.
inline void expect_layout(const HeldFrame& f) {
    ASSERT_TRUE(f.image) << f.scene->Name() << " frame " << f.index;
    EXPECT_EQ(f.image->bpp, get_image_mode()) << f.scene->Name() << " frame " << f.index;
}
// ... and width x height.
inline void expect_size(const HeldFrame& f, int32_t width, int32_t height) {
    ASSERT_NO_FATAL_FAILURE(expect_layout(f));
    EXPECT_EQ(f.image->width, width) << f.scene->Name() << " frame " << f.index;
    EXPECT_EQ(f.image->height, height) << f.scene->Name() << " frame " << f.index;
}

// The visible bytes of frame `frame`, handed back at once.
inline std::vector<uint8_t> frame_bytes(CScene* scene, int32_t frame, int32_t* run = nullptr) {
    CImageBuffer* image = scene->GetImage(frame, 1, run, nullptr);
    std::vector<uint8_t> bytes = image_bytes(image);
    scene->ReleaseImage(image, frame);
    return bytes;
}

// Every pixel of the frame equals expect(x, y).
inline void expect_pixels(const HeldFrame& f, const std::function<Rgba(int32_t, int32_t)>& expect) {
    ASSERT_NO_FATAL_FAILURE(expect_layout(f));
    for (int32_t y = 0; y < f.image->height; ++y) {
        for (int32_t x = 0; x < f.image->width; ++x)
            ASSERT_EQ(f.At(x, y), expect(x, y))
                << f.scene->Name() << " frame " << f.index << " at " << x << ", " << y;
    }
}

// One pixel a frame should show.
struct Probe {
    int32_t x;
    int32_t y;
    Rgba want;
};
inline void expect_probes(const HeldFrame& f, std::initializer_list<Probe> probes) {
    ASSERT_NO_FATAL_FAILURE(expect_layout(f));
    for (const Probe& p : probes)
        EXPECT_EQ(f.At(p.x, p.y), p.want)
            << f.scene->Name() << " frame " << f.index << " at " << p.x << ", " << p.y;
}

// Frames of a scene graph asked in the image mode of the parameter (32 or 24).
class FrameTest : public ::testing::TestWithParam<int> {
protected:
    // Frame `frame` in `mode` (1: full, 2: preview); the run length lands in *run.
    HeldFrame Get(CScene* scene, int32_t frame, int32_t mode = 1, int32_t* run = nullptr,
                  RenderContext* context = nullptr) {
        return HeldFrame(scene, frame, scene->GetImage(frame, mode, run, context));
    }
    // Frame `frame` in `mode` with the run length the scene promises when the caller
    // allows `entry`.
    HeldFrame Ran(CScene* scene, int32_t frame, int32_t mode = 1, int32_t entry = 1000,
                  RenderContext* context = nullptr) {
        int32_t run = entry;
        CImageBuffer* image = scene->GetImage(frame, mode, &run, context);
        return HeldFrame(scene, frame, image, run);
    }
    // The run length the scene promises at `frame` when the caller allows `entry`.
    int32_t RunAt(CScene* scene, int32_t frame, int32_t entry = 1000) {
        int32_t run = entry;
        HeldFrame f = Get(scene, frame, 1, &run);
        EXPECT_TRUE(f.image) << "frame " << frame;
        return run;
    }
    void Screen(int32_t width, int32_t height) { m_g.Screen(width, height); }
    bool Wide() const { return GetParam() == 32; }

    ImageModeScope m_mode{GetParam()};
    SceneGraph m_g;
};

// A DRAW of width x height over `bgcolor`, with the filled rectangle `square` in `colour`.
inline CSceneDraw* add_square(SceneGraph& g, const std::string& name, int32_t width, int32_t height,
                              CColor colour, SceneRect square,
                              CColor bgcolor = CColor(0, 0, 0, 0)) {
    auto* draw = g.Add<CSceneDraw>(name);
    DrawShape rect;
    rect.kind = DrawShape::POLYGON;
    rect.fill = true;
    rect.points = {{square.left, square.top},
                   {square.right, square.top},
                   {square.right, square.bottom},
                   {square.left, square.bottom}};
    draw->EditSettings() = DrawSettings{width, height, colour, bgcolor, {rect}};
    return draw;
}

// What the test scenes below share: `frames` frames (kEndlessFrames: a picture) of
// width x height, every call counted, every image deleted when it comes back.
class CountingScene : public CScene {
public:
    CountingScene(int32_t frames, int32_t width, int32_t height)
        : CScene(SCENE_MOVIE), m_frames(frames), m_width(width), m_height(height) {}
    void ReleaseImage(CImageBuffer* image, int32_t) override {
        ++releases;
        delete_image(image);
    }

    std::atomic<int> gets{0};
    std::atomic<int> releases{0};

protected:
    int32_t ComputeFrameCount() override { return m_frames; }

    int32_t m_frames;
    int32_t m_width;
    int32_t m_height;
};

// Frame f is one colour: red f % 256, green `green`, blue 0, alpha `alpha`. It
// promises `run` identical frames after each.
class PaintedScene : public CountingScene {
public:
    using CountingScene::CountingScene;

    CImageBuffer* GetImage(int32_t frame, int32_t, int32_t* runLength, RenderContext*) override {
        ++gets;
        if (runLength && run >= 0) *runLength = std::min(*runLength, run);
        return create_filled_image(m_width, m_height, static_cast<uint8_t>(frame % 256), green, 0,
                                   alpha);
    }
    int TestFrame(int kind, int32_t frame) override { return kind == FRAME_KEY && frame == 0; }

    uint8_t green = 0;
    uint8_t alpha = 255;
    int32_t run = -1;  // -1: the run length is left alone
};

// A PaintedScene of `frames` frames, width x height, green `green` and alpha `alpha`.
inline PaintedScene* add_painted(SceneGraph& g, const std::string& name, int32_t frames,
                                 int32_t width, int32_t height, uint8_t green = 0,
                                 uint8_t alpha = 255) {
    auto* scene = g.Add<PaintedScene>(name, frames, width, height);
    scene->green = green;
    scene->alpha = alpha;
    return scene;
}

// The scene was asked `gets` times and given `releases` images back.
inline void expect_calls(CountingScene* scene, int gets, int releases) {
    EXPECT_EQ(scene->gets, gets) << scene->Name();
    EXPECT_EQ(scene->releases, releases) << scene->Name();
}

// Frame f is an image in the working layout with the pixels paint(x, y, f).
class PatternScene : public CountingScene {
public:
    using Paint = std::function<Rgba(int32_t x, int32_t y, int32_t frame)>;

    PatternScene(int32_t frames, int32_t width, int32_t height, Paint paint)
        : CountingScene(frames, width, height), m_paint(std::move(paint)) {}

    CImageBuffer* GetImage(int32_t frame, int32_t, int32_t*, RenderContext*) override {
        ++gets;
        CImageBuffer* image = create_work_image(m_width, m_height);
        if (!image) return nullptr;
        for (int32_t y = 0; y < m_height; ++y) {
            for (int32_t x = 0; x < m_width; ++x) put_pixel(image, x, y, m_paint(x, y, frame));
        }
        return image;
    }
    int TestFrame(int, int32_t) override { return 0; }

private:
    Paint m_paint;
};
