#pragma once
// The two working layouts as the pixel operations see them: 32-bit BGRA words, and
// 24-bit BGR bytes with a separate alpha plane. An operation whose arithmetic is the
// same in both layouts is written once as a template over Layout32 / Layout24.
//
// A 24-bit image without a plane reads as opaque (alpha 255) and ignores alpha
// writes. Internal to the image library.

#include <cstdint>

#include "image/image_buffer.h"

struct Bgra {
    uint8_t b = 0;
    uint8_t g = 0;
    uint8_t r = 0;
    uint8_t a = 0;
};

struct Layout32 {
    static constexpr int32_t kBpp = 32;
    static constexpr int32_t kBytes = 4;

    static CImageBuffer* Create(int32_t width, int32_t height) {
        return create_image32(width, height);
    }

    class ConstRow {
    public:
        ConstRow(const CImageBuffer* image, int32_t y) : m_p(image_row(image, y)) {}
        Bgra Get(int32_t x) const {
            const uint8_t* q = m_p + 4 * static_cast<int64_t>(x);
            return {q[0], q[1], q[2], q[3]};
        }
        uint8_t Alpha(int32_t x) const { return m_p[4 * static_cast<int64_t>(x) + 3]; }

    private:
        const uint8_t* m_p;
    };

    class Row {
    public:
        Row(CImageBuffer* image, int32_t y) : m_p(image_row(image, y)) {}
        Bgra Get(int32_t x) const {
            const uint8_t* q = m_p + 4 * static_cast<int64_t>(x);
            return {q[0], q[1], q[2], q[3]};
        }
        void Set(int32_t x, Bgra v) {
            uint8_t* q = m_p + 4 * static_cast<int64_t>(x);
            q[0] = v.b;
            q[1] = v.g;
            q[2] = v.r;
            q[3] = v.a;
        }
        void SetAlpha(int32_t x, uint8_t a) { m_p[4 * static_cast<int64_t>(x) + 3] = a; }

    private:
        uint8_t* m_p;
    };
};

struct Layout24 {
    static constexpr int32_t kBpp = 24;
    static constexpr int32_t kBytes = 3;

    static CImageBuffer* Create(int32_t width, int32_t height) {
        return create_image24a(width, height);
    }

    class ConstRow {
    public:
        ConstRow(const CImageBuffer* image, int32_t y)
            : m_p(image_row(image, y)), m_a(image->alpha ? image_alpha_row(image, y) : nullptr) {}
        Bgra Get(int32_t x) const {
            const uint8_t* q = m_p + 3 * static_cast<int64_t>(x);
            return {q[0], q[1], q[2], Alpha(x)};
        }
        uint8_t Alpha(int32_t x) const { return m_a ? m_a[x] : 255; }

    private:
        const uint8_t* m_p;
        const uint8_t* m_a;
    };

    class Row {
    public:
        Row(CImageBuffer* image, int32_t y)
            : m_p(image_row(image, y)), m_a(image->alpha ? image_alpha_row(image, y) : nullptr) {}
        Bgra Get(int32_t x) const {
            const uint8_t* q = m_p + 3 * static_cast<int64_t>(x);
            return {q[0], q[1], q[2], m_a ? m_a[x] : uint8_t{255}};
        }
        void Set(int32_t x, Bgra v) {
            uint8_t* q = m_p + 3 * static_cast<int64_t>(x);
            q[0] = v.b;
            q[1] = v.g;
            q[2] = v.r;
            if (m_a) m_a[x] = v.a;
        }
        void SetAlpha(int32_t x, uint8_t a) {
            if (m_a) m_a[x] = a;
        }

    private:
        uint8_t* m_p;
        uint8_t* m_a;
    };
};

// True when the image is a usable image of the layout's depth.
template <class L>
bool layout_accepts(const CImageBuffer* image) {
    return image && image->pixels && image->bpp == L::kBpp && image->width >= 1 &&
           image->height >= 1 && image->stride >= L::kBytes * static_cast<int64_t>(image->width);
}

// Runs op with the layout of the image (the working layout it was made in) and returns
// its result; an image of neither working depth gives fallback.
template <class R, class Op>
R with_layout(const CImageBuffer* image, R fallback, Op&& op) {
    if (layout_accepts<Layout32>(image)) return op(Layout32{});
    if (layout_accepts<Layout24>(image)) return op(Layout24{});
    return fallback;
}

// A new image of the source's size in its layout with every pixel mapped by fn.
template <class L, class Fn>
CImageBuffer* map_pixels(const CImageBuffer* source, Fn&& fn) {
    CImageBuffer* result = L::Create(source->width, source->height);
    if (!result) return nullptr;
    for (int32_t y = 0; y < source->height; ++y) {
        typename L::ConstRow in(source, y);
        typename L::Row out(result, y);
        for (int32_t x = 0; x < source->width; ++x) out.Set(x, fn(in.Get(x)));
    }
    return result;
}

inline uint8_t clamp_byte(int64_t v) {
    return static_cast<uint8_t>(v < 0 ? 0 : (v > 255 ? 255 : v));
}
