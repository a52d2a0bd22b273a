#pragma once
// What the tests of frame production share: reading pixels in either layout, the
// image mode for one test, and a scene that paints its frame number.

#include <gtest/gtest.h>

#include <atomic>
#include <cstdint>
#include <ostream>

#include "image/image_buffer.h"
#include "scene/scene.h"

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

// A scene of `frames` frames (kEndlessFrames: a picture) whose frame f is a
// width x height image of one colour: red f % 256, green `green`, blue 0, alpha
// `alpha`. It promises `run` identical frames after each, and counts its calls.
class PaintedScene : public CScene {
public:
    PaintedScene(int32_t frames, int32_t width, int32_t height)
        : CScene(SCENE_MOVIE), m_frames(frames), m_width(width), m_height(height) {}

    CImageBuffer* GetImage(int32_t frame, int32_t, int32_t* runLength, RenderContext*) override {
        ++gets;
        if (runLength && run >= 0) *runLength = std::min(*runLength, run);
        return create_filled_image(m_width, m_height, static_cast<uint8_t>(frame % 256), green, 0,
                                   alpha);
    }
    void ReleaseImage(CImageBuffer* image, int32_t) override {
        ++releases;
        delete_image(image);
    }
    int TestFrame(int kind, int32_t frame) override {
        return kind == FRAME_KEY ? (frame == 0 ? 1 : 0) : serial;
    }

    uint8_t green = 0;
    uint8_t alpha = 255;
    int32_t run = -1;  // -1: the run length is left alone
    int serial = 0;
    std::atomic<int> gets{0};
    std::atomic<int> releases{0};

protected:
    int32_t ComputeFrameCount() override { return m_frames; }

private:
    int32_t m_frames;
    int32_t m_width;
    int32_t m_height;
};
