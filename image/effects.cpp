// Colour effects of IMAGE blocks: per-pixel maps, the histogram threshold of DISCOLOR,
// the Laplacian of HIGHPASS, THROUGH_COLOR and the photo frame.

#include "image/effects.h"

#include <algorithm>
#include <array>
#include <cstring>

#include "image/pixel_layout.h"

namespace {

// Runs a per-pixel map in the image's layout.
template <class Fn>
CImageBuffer* map_image(const CImageBuffer* image, Fn fn) {
    return with_layout<CImageBuffer*>(
        image, nullptr, [&](auto layout) { return map_pixels<decltype(layout)>(image, fn); });
}

Bgra sepia(Bgra p) {
    if (p.a == 0) return {0, 0, 0, 0};
    // Luma, then back to RGB with the fixed chroma U = 104, V = 142.
    constexpr int U = 104;
    constexpr int V = 142;
    const int y = (p.r * 299 + p.g * 587 + p.b * 114) / 1000;
    const int r = (y * 1000 + (V - 128) * 1402) / 1000;
    const int g = (y * 1000 - (U - 128) * 344 - (V - 128) * 714) / 1000;
    const int b = (y * 1000 + (U - 128) * 1772) / 1000;
    return {clamp_byte(b), clamp_byte(g), clamp_byte(r), 255};
}

Bgra mono(Bgra p) {
    const double gray = p.r * 0.31 + p.g * 0.59 + p.b * 0.11 + 0.5;
    const uint8_t v = clamp_byte(static_cast<int64_t>(gray));
    return {v, v, v, p.a};
}

// The DISCOLOR threshold of one channel's histogram of n values: walking down from
// the largest value, the first value where the share of the value range walked plus
// the count walked exceeds n * p * 2; the smallest value when there is none.
int discolor_threshold(const std::array<int64_t, 256>& histogram, int64_t n, double p) {
    int lo = 0;
    while (lo < 255 && histogram[lo] == 0) ++lo;
    int hi = 255;
    while (hi > lo && histogram[hi] == 0) --hi;
    double sum = 0;
    const double limit = static_cast<double>(n) * p * 2;
    for (int i = hi; i > lo; --i) {
        sum += static_cast<double>(histogram[i]);
        if (static_cast<double>(hi - i + 1) * static_cast<double>(n) / (hi - lo + 1) + sum > limit)
            return i;
    }
    return lo;
}

template <class L>
CImageBuffer* discolor(const CImageBuffer* image, double p) {
    std::array<std::array<int64_t, 256>, 3> hist{};  // R, G, B
    for (int32_t y = 0; y < image->height; ++y) {
        typename L::ConstRow row(image, y);
        for (int32_t x = 0; x < image->width; ++x) {
            Bgra px = row.Get(x);
            ++hist[0][px.r];
            ++hist[1][px.g];
            ++hist[2][px.b];
        }
    }
    const int64_t n = static_cast<int64_t>(image->width) * image->height;
    const int tr = discolor_threshold(hist[0], n, p);
    const int tg = discolor_threshold(hist[1], n, p);
    const int tb = discolor_threshold(hist[2], n, p);
    auto level = [](uint8_t v, int t) { return static_cast<uint8_t>(v <= t ? 0 : 255); };
    return map_pixels<L>(image, [&](Bgra px) {
        return Bgra{level(px.b, tb), level(px.g, tg), level(px.r, tr), px.a};
    });
}

template <class L>
CImageBuffer* highpass(const CImageBuffer* image) {
    const int32_t width = image->width;
    const int32_t height = image->height;
    int mn = 255;
    int mx = 0;
    int64_t mean_sum = 0;
    for (int32_t y = 0; y < height; ++y) {
        typename L::ConstRow row(image, y);
        int64_t row_sum = 0;
        for (int32_t x = 0; x < width; ++x) {
            Bgra p = row.Get(x);
            mn = std::min({mn, int{p.r}, int{p.g}, int{p.b}});
            mx = std::max({mx, int{p.r}, int{p.g}, int{p.b}});
            row_sum += p.r + p.g + p.b;
        }
        mean_sum += row_sum / (3 * static_cast<int64_t>(width));
    }
    const int64_t mean = mean_sum / height;
    const double k = static_cast<double>(std::min(mx - mean, mean - mn)) / 256.0;
    CImageBuffer* result = L::Create(width, height);
    if (!result) return nullptr;
    auto clampi = [](int32_t v, int32_t n) { return std::clamp(v, 0, n - 1); };
    for (int32_t y = 0; y < height; ++y) {
        const typename L::ConstRow rows[3] = {typename L::ConstRow(image, clampi(y - 1, height)),
                                              typename L::ConstRow(image, y),
                                              typename L::ConstRow(image, clampi(y + 1, height))};
        typename L::Row out(result, y);
        for (int32_t x = 0; x < width; ++x) {
            const int32_t xs[3] = {clampi(x - 1, width), x, clampi(x + 1, width)};
            int around[3] = {0, 0, 0};  // R, G, B over the eight neighbours
            for (int j = 0; j < 3; ++j)
                for (int i = 0; i < 3; ++i) {
                    if (i == 1 && j == 1) continue;
                    Bgra q = rows[j].Get(xs[i]);
                    around[0] += q.r;
                    around[1] += q.g;
                    around[2] += q.b;
                }
            const Bgra c = rows[1].Get(x);
            const int centre[3] = {c.r, c.g, c.b};
            bool marked = false;
            for (int n = 0; n < 3; ++n) {
                const double laplacian = 8.0 * centre[n] - around[n];
                if (laplacian > centre[n] * k) marked = true;
            }
            const uint8_t v = marked ? 255 : 0;
            out.Set(x, {v, v, v, c.a});
        }
    }
    return result;
}

}  // namespace

CImageBuffer* sepia_image(const CImageBuffer* image) {
    return map_image(image, sepia);
}

CImageBuffer* mono_image(const CImageBuffer* image) {
    return map_image(image, mono);
}

CImageBuffer* nega_image(const CImageBuffer* image) {
    return map_image(image, [](Bgra p) {
        return Bgra{static_cast<uint8_t>(255 - p.b), static_cast<uint8_t>(255 - p.g),
                    static_cast<uint8_t>(255 - p.r), p.a};
    });
}

CImageBuffer* channel_image(const CImageBuffer* image, int which) {
    switch (which) {
        case CHANNEL_RED:
            return map_image(image, [](Bgra p) { return Bgra{0, 0, p.r, p.a}; });
        case CHANNEL_GREEN:
            return map_image(image, [](Bgra p) { return Bgra{0, p.g, 0, p.a}; });
        case CHANNEL_BLUE:
            return map_image(image, [](Bgra p) { return Bgra{p.b, 0, 0, p.a}; });
        default:
            return nullptr;
    }
}

CImageBuffer* discolor_image(const CImageBuffer* image, double p) {
    return with_layout<CImageBuffer*>(
        image, nullptr, [&](auto layout) { return discolor<decltype(layout)>(image, p); });
}

CImageBuffer* highpass_image(const CImageBuffer* image) {
    return with_layout<CImageBuffer*>(
        image, nullptr, [&](auto layout) { return highpass<decltype(layout)>(image); });
}

int through_color_image(CImageBuffer* image, uint8_t red, uint8_t green, uint8_t blue) {
    return with_layout(image, -1, [&](auto layout) {
        using L = decltype(layout);
        if (L::kBpp == 24 && !image->alpha) {
            if (attach_alpha_plane(image) != 0) return -1;
            std::memset(
                image->alpha, 255,
                static_cast<size_t>(image->alphaStride) * static_cast<size_t>(image->height));
        }
        for (int32_t y = 0; y < image->height; ++y) {
            typename L::Row row(image, y);
            for (int32_t x = 0; x < image->width; ++x) {
                Bgra p = row.Get(x);
                if (p.r == red && p.g == green && p.b == blue) row.SetAlpha(x, 0);
            }
        }
        return 0;
    });
}

int fade_alpha_from(CImageBuffer* image, const CImageBuffer* from, double factor) {
    if (!image || !from || image->width != from->width || image->height != from->height ||
        image->bpp != from->bpp) {
        return -1;
    }
    uint8_t level[256];
    for (int a = 0; a < 256; ++a) {
        level[a] = static_cast<uint8_t>(std::clamp(a * factor + 0.5, 0.0, 255.0));
    }
    if (image->bpp == 32) {
        // Alpha is the fourth byte of every pixel; 32-bit rows have no slack.
        const int64_t bytes = int64_t{image->stride} * image->height;
        for (int64_t i = 3; i < bytes; i += 4) image->pixels[i] = level[from->pixels[i]];
        return 0;
    }
    // Read before a plane is attached: `from` may be the image itself.
    const uint8_t* source = from->alpha;
    if (!image->alpha && attach_alpha_plane(image) != 0) return -1;
    const int64_t bytes = int64_t{image->alphaStride} * image->height;
    if (!source) {
        // A picture without a plane is opaque.
        std::memset(image->alpha, level[255], static_cast<size_t>(bytes));
        return 0;
    }
    for (int64_t i = 0; i < bytes; ++i) image->alpha[i] = level[source[i]];
    return 0;
}

CImageBuffer* photo_frame_image(const CImageBuffer* image, int percent) {
    return with_layout<CImageBuffer*>(image, nullptr, [&](auto layout) -> CImageBuffer* {
        using L = decltype(layout);
        const int64_t w = image->width;
        const int64_t h = image->height;
        const int64_t border = std::max(w, h) * percent / 100;
        CImageBuffer* result = L::Create(image->width, image->height);
        if (!result) return nullptr;
        for (int32_t y = 0; y < image->height; ++y) {
            typename L::ConstRow in(image, y);
            typename L::Row out(result, y);
            const bool band_row = y < border || y >= h - border;
            for (int32_t x = 0; x < image->width; ++x) {
                Bgra p = in.Get(x);
                if (band_row || x < border || x >= w - border) p = {255, 255, 255, p.a};
                out.Set(x, p);
            }
        }
        return result;
    });
}
