#pragma once
// Helpers shared by the tests of the transforms, effects and blending: pictures made
// in either working layout, pixels read back as (B, G, R, A) and checked, the image
// mode or kernel form for one test, a fixture that runs a test once per image mode, and
// workers that run the same rounds at once.

#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <functional>
#include <initializer_list>
#include <ostream>
#include <random>
#include <string>
#include <thread>
#include <tuple>
#include <vector>

#include "image/cpu_features.h"
#include "image/image_buffer.h"
#include "image/pixel_layout.h"

inline bool operator==(const Bgra& l, const Bgra& r) {
    return l.b == r.b && l.g == r.g && l.r == r.r && l.a == r.a;
}

inline std::ostream& operator<<(std::ostream& os, const Bgra& p) {
    return os << "(B " << int{p.b} << ", G " << int{p.g} << ", R " << int{p.r} << ", A " << int{p.a}
              << ")";
}

// Two images of the same size, depth, pixel bytes and alpha plane bytes (row slack too).
inline bool same_pixels(const CImageBuffer* a, const CImageBuffer* b) {
    return a && b && a->width == b->width && a->height == b->height && a->bpp == b->bpp &&
           a->stride == b->stride && a->alphaStride == b->alphaStride && !a->alpha == !b->alpha &&
           std::memcmp(a->pixels, b->pixels, static_cast<size_t>(a->stride) * a->height) == 0 &&
           (!a->alpha ||
            std::memcmp(a->alpha, b->alpha, static_cast<size_t>(a->alphaStride) * a->height) == 0);
}

// Random bytes in every pixel, row slack and plane byte.
inline void fill_random(CImageBuffer* image, uint32_t seed) {
    std::mt19937 random(seed);
    for (int64_t i = 0; i < int64_t{image->stride} * image->height; ++i)
        image->pixels[i] = static_cast<uint8_t>(random());
    for (int64_t i = 0; image->alpha && i < int64_t{image->alphaStride} * image->height; ++i)
        image->alpha[i] = static_cast<uint8_t>(random());
}

// Pixel (x, y), y from the top, of a 32-bit or 24-bit image (no plane reads as 255).
inline Bgra pixel_at(const CImageBuffer* image, int32_t x, int32_t y) {
    if (image->bpp == 32) return Layout32::ConstRow(image, y).Get(x);
    return Layout24::ConstRow(image, y).Get(x);
}

inline void put_pixel(CImageBuffer* image, int32_t x, int32_t y, Bgra p) {
    if (image->bpp == 32)
        Layout32::Row(image, y).Set(x, p);
    else
        Layout24::Row(image, y).Set(x, p);
}

// A width x height picture of the given depth (24: with an alpha plane) whose pixels
// come from fn(x, y).
inline ImagePtr make_picture(int bpp, int32_t width, int32_t height,
                             const std::function<Bgra(int32_t, int32_t)>& fn) {
    ImagePtr image(bpp == 32 ? create_image32(width, height) : create_image24a(width, height));
    if (!image) return image;
    for (int32_t y = 0; y < height; ++y)
        for (int32_t x = 0; x < width; ++x) put_pixel(image.get(), x, y, fn(x, y));
    return image;
}

inline ImagePtr make_uniform(int bpp, int32_t width, int32_t height, Bgra p) {
    return make_picture(bpp, width, height, [p](int32_t, int32_t) { return p; });
}

// A 24-bit picture without an alpha plane, every pixel p (its alpha is not kept).
inline ImagePtr make_plain24(int32_t width, int32_t height, Bgra p) {
    ImagePtr image(create_image(width, height, 24));
    for (int32_t y = 0; y < height; ++y)
        for (int32_t x = 0; x < width; ++x) put_pixel(image.get(), x, y, p);
    return image;
}

// Width, height and bits per pixel of an image.
inline std::tuple<int32_t, int32_t, int32_t> size_of(const CImageBuffer* image) {
    return {image->width, image->height, image->bpp};
}

// A pixel and the colour it should have.
struct PixelIs {
    int32_t x, y;
    Bgra want;
};

// The image exists and each listed pixel has its colour.
inline void expect_pixels_at(const CImageBuffer* image, std::initializer_list<PixelIs> pixels) {
    ASSERT_TRUE(image);
    for (const PixelIs& p : pixels)
        EXPECT_EQ(pixel_at(image, p.x, p.y), p.want) << "at " << p.x << "," << p.y;
}

// The image exists and every pixel (x, y) of it is want(x, y).
template <class Fn>
void expect_every_pixel(const CImageBuffer* image, Fn want) {
    ASSERT_TRUE(image);
    for (int32_t y = 0; y < image->height; ++y)
        for (int32_t x = 0; x < image->width; ++x)
            ASSERT_EQ(pixel_at(image, x, y), Bgra(want(x, y))) << "at " << x << "," << y;
}

// The image mode for the life of the object.
class ModeScope {
public:
    explicit ModeScope(int mode) : m_previous(set_image_mode(mode)) {}
    ~ModeScope() { set_image_mode(m_previous); }
    ModeScope(const ModeScope&) = delete;
    ModeScope& operator=(const ModeScope&) = delete;

private:
    int m_previous;
};

// fn() with the kernel forms of `features`.
template <class Fn>
auto with_features(uint32_t features, Fn fn) {
    CpuFeaturesOverride form(features);
    return fn();
}

// Runs round() `rounds` times on each of `workers` threads at once; how many rounds
// returned false on each.
inline std::vector<int> failed_rounds(int workers, int rounds, const std::function<bool()>& round) {
    std::vector<int> failed(workers, 0);
    std::vector<std::thread> threads;
    for (int w = 0; w < workers; ++w)
        threads.emplace_back([&, w] {
            for (int n = 0; n < rounds; ++n) failed[w] += !round();
        });
    for (std::thread& thread : threads) thread.join();
    return failed;
}

// Runs each test in image mode 32 and in image mode 24; depth() is the mode's bpp.
// The plain kernels run (the SSE2 forms have tests of their own against them).
class BothModes : public ::testing::TestWithParam<int> {
protected:
    int Depth() const { return GetParam(); }
    ImagePtr Picture(int32_t width, int32_t height,
                     const std::function<Bgra(int32_t, int32_t)>& fn) const {
        return make_picture(Depth(), width, height, fn);
    }
    ImagePtr Uniform(int32_t width, int32_t height, Bgra p) const {
        return make_uniform(Depth(), width, height, p);
    }

private:
    ModeScope m_mode{GetParam()};
    CpuFeaturesOverride m_forms{0};
};

inline std::string mode_name(const ::testing::TestParamInfo<int>& info) {
    return "Mode" + std::to_string(info.param);
}

#define VEMO_BOTH_MODES(Suite) \
    INSTANTIATE_TEST_SUITE_P(Layouts, Suite, ::testing::Values(32, 24), mode_name)
