#include "image/compose.h"

#include <algorithm>
#include <cstring>
#include <vector>

#include "base/work_share.h"
#include "image/blend_kernels.h"
#include "image/pixel_layout.h"

namespace {

// The part of the source that lands on the destination: source column / row of its
// first pixel, destination column / row, and its size.
struct Overlap {
    int32_t sourceX = 0;
    int32_t sourceY = 0;
    int32_t x = 0;
    int32_t y = 0;
    int32_t width = 0;
    int32_t height = 0;
};

// One axis of the overlap: source indices first ... last land on the destination.
bool overlap_axis(int32_t source_size, int32_t destination_size, int32_t at, int32_t* first,
                  int32_t* count) {
    int64_t lo = std::max<int64_t>(0, -static_cast<int64_t>(at));
    int64_t hi =
        std::min<int64_t>(source_size - 1, static_cast<int64_t>(destination_size) - at - 1);
    if (hi < lo) return false;
    *first = static_cast<int32_t>(lo);
    *count = static_cast<int32_t>(hi - lo + 1);
    return true;
}

bool find_overlap(const CImageBuffer* destination, const CImageBuffer* source, int32_t x, int32_t y,
                  Overlap* o) {
    if (!overlap_axis(source->width, destination->width, x, &o->sourceX, &o->width)) return false;
    if (!overlap_axis(source->height, destination->height, y, &o->sourceY, &o->height))
        return false;
    o->x = x + o->sourceX;
    o->y = y + o->sourceY;
    return true;
}

// The alpha blend of one colour channel for a < 255. The 32-bit layout weighs with a
// and 256 - a and shifts by 8; the 24-bit layout divides by 255 and rounds.
inline uint8_t alpha_blend(Layout32, uint8_t s, uint8_t d, uint8_t a) {
    return static_cast<uint8_t>((s * a + d * (256 - a)) >> 8);
}
inline uint8_t alpha_blend(Layout24, uint8_t s, uint8_t d, uint8_t a) {
    double v = (static_cast<double>(s) * a + static_cast<double>(d) * (255 - a)) / 255.0 + 0.5;
    return clamp_byte(static_cast<int64_t>(v));
}

template <class L>
Bgra compose_alpha(Bgra s, Bgra d) {
    if (s.a == 255) return {s.b, s.g, s.r, 255};
    if (s.a == 0) return d;
    return {alpha_blend(L{}, s.b, d.b, s.a), alpha_blend(L{}, s.g, d.g, s.a),
            alpha_blend(L{}, s.r, d.r, s.a), std::max(d.a, s.a)};
}

inline uint8_t add_saturated(uint8_t s, uint8_t d) {
    return static_cast<uint8_t>(std::min(s + d, 255));
}

inline uint8_t lighten_weighted(uint8_t s, uint8_t a) {
    return static_cast<uint8_t>(static_cast<double>(s) * a / 255.0 + 0.5);
}

Bgra compose_lighten(Bgra s, Bgra d) {
    if (s.a == 255) return {std::max(d.b, s.b), std::max(d.g, s.g), std::max(d.r, s.r), 255};
    return {std::max(d.b, lighten_weighted(s.b, s.a)), std::max(d.g, lighten_weighted(s.g, s.a)),
            std::max(d.r, lighten_weighted(s.r, s.a)), std::max(d.a, s.a)};
}

template <class L, class Fn>
void compose_each(CImageBuffer* destination, const CImageBuffer* source, const Overlap& o, Fn fn) {
    for (int32_t r = 0; r < o.height; ++r) {
        typename L::ConstRow in(source, o.sourceY + r);
        typename L::Row out(destination, o.y + r);
        for (int32_t c = 0; c < o.width; ++c)
            out.Set(o.x + c, fn(in.Get(o.sourceX + c), out.Get(o.x + c)));
    }
}

// COMPOSE_COPY: whole row runs, the alpha plane's run beside the pixels' in 24 bits
// (moved, so that a picture drawn onto itself stays defined).
template <class L>
void compose_copy(CImageBuffer* destination, const CImageBuffer* source, const Overlap& o) {
    for (int32_t r = 0; r < o.height; ++r) {
        std::memmove(image_row(destination, o.y + r) + static_cast<int64_t>(o.x) * L::kBytes,
                     image_row(source, o.sourceY + r) + static_cast<int64_t>(o.sourceX) * L::kBytes,
                     static_cast<size_t>(o.width) * L::kBytes);
        if (L::kBpp != 24 || !destination->alpha) continue;
        uint8_t* plane = image_alpha_row(destination, o.y + r) + o.x;
        if (source->alpha)
            std::memmove(plane, image_alpha_row(source, o.sourceY + r) + o.sourceX,
                         static_cast<size_t>(o.width));
        else
            std::memset(plane, 255, static_cast<size_t>(o.width));
    }
}

template <class L>
void compose_form(CImageBuffer* destination, const CImageBuffer* source, const Overlap& o,
                  int mode) {
    switch (mode) {
        case COMPOSE_ALPHA:
            compose_each<L>(destination, source, o, compose_alpha<L>);
            break;
        case COMPOSE_OR:
            compose_each<L>(destination, source, o, [](Bgra s, Bgra d) {
                return Bgra{static_cast<uint8_t>(d.b | s.b), static_cast<uint8_t>(d.g | s.g),
                            static_cast<uint8_t>(d.r | s.r), static_cast<uint8_t>(d.a | s.a)};
            });
            break;
        case COMPOSE_ADD:
            compose_each<L>(destination, source, o, [](Bgra s, Bgra d) {
                return Bgra{add_saturated(s.b, d.b), add_saturated(s.g, d.g),
                            add_saturated(s.r, d.r), std::max(d.a, s.a)};
            });
            break;
        case COMPOSE_COPY:
            compose_copy<L>(destination, source, o);
            break;
        case COMPOSE_LIGHTEN:
            compose_each<L>(destination, source, o, compose_lighten);
            break;
        default:
            break;
    }
}

// The cross-fade of two byte runs: every byte mixed as a colour channel; with
// `pixels` the runs hold 32-bit pixels whose alpha bytes take the larger value.
void crossfade_bytes(const uint8_t* a, const uint8_t* b, uint8_t* out, int64_t count, int wa,
                     int wb, bool pixels) {
    int64_t i = 0;
#if VEMO_SSE2_KERNELS
    if (use_avx2_kernels()) i = crossfade_run_avx2(a, b, out, count, wa, wb, pixels);
    if (use_sse2_kernels())
        i += crossfade_run_sse2(a + i, b + i, out + i, count - i, wa, wb, pixels);
#endif
    for (; i < count; ++i) {
        out[i] = static_cast<uint8_t>(((b[i] * wb) >> 8) + ((a[i] * wa) >> 8));
        if (pixels && i % 4 == 3) out[i] = std::max(a[i], b[i]);
    }
}

}  // namespace

void compose_image(CImageBuffer* destination, const CImageBuffer* source, int32_t x, int32_t y,
                   int mode) {
    with_layout(destination, 0, [&](auto layout) {
        using L = decltype(layout);
        if (!layout_accepts<L>(source)) return 0;
        Overlap o;
        if (!find_overlap(destination, source, x, y, &o)) return 0;
#if VEMO_SSE2_KERNELS
        if (L::kBpp == 32 && use_sse2_kernels()) {
            // Rows in memory order, bottom row first, for the processor's prefetch.
            for (int32_t r = o.height - 1; r >= 0; --r)
                compose_run_sse2(
                    image_row(destination, o.y + r) + 4 * static_cast<int64_t>(o.x),
                    image_row(source, o.sourceY + r) + 4 * static_cast<int64_t>(o.sourceX), o.width,
                    mode);
            return 0;
        }
#endif
        compose_form<L>(destination, source, o, mode);
        return 0;
    });
}

CImageBuffer* crossfade_image(const CImageBuffer* a, const CImageBuffer* b, int percent) {
    if (percent < 0 || percent > 100) return nullptr;
    return with_layout<CImageBuffer*>(a, nullptr, [&](auto layout) -> CImageBuffer* {
        using L = decltype(layout);
        if (!layout_accepts<L>(b) || a->width != b->width || a->height != b->height) return nullptr;
        const int wb = percent * 255 / 100;
        const int wa = (100 - percent) * 255 / 100;
        // Every pixel and alpha value is written below.
        CImageBuffer* result = create_image_for_overwrite(a->width, a->height, L::kBpp, true);
        if (!result) return nullptr;
        if constexpr (L::kBpp == 32) {
            // No row slack in 32 bits: the pixels are one run of words.
            crossfade_bytes(a->pixels, b->pixels, result->pixels,
                            4 * static_cast<int64_t>(a->width) * a->height, wa, wb, true);
            return result;
        }
        // 24 bits: the colour bytes of each row are one run; the alpha planes (255
        // where an image has none) give their larger value.
        for (int32_t y = a->height - 1; y >= 0; --y) {  // memory order
            crossfade_bytes(image_row(a, y), image_row(b, y), image_row(result, y),
                            3 * static_cast<int64_t>(a->width), wa, wb, false);
            uint8_t* alpha = image_alpha_row(result, y);
            if (!a->alpha || !b->alpha) {
                std::memset(alpha, 255, static_cast<size_t>(a->width));
                continue;
            }
            const uint8_t* aa = image_alpha_row(a, y);
            const uint8_t* ab = image_alpha_row(b, y);
            int32_t x = 0;
#if VEMO_SSE2_KERNELS
            if (use_sse2_kernels()) x = static_cast<int32_t>(max_run_sse2(aa, ab, alpha, a->width));
#endif
            for (; x < a->width; ++x) alpha[x] = std::max(aa[x], ab[x]);
        }
        return result;
    });
}

CImageBuffer* crossfade_image_24a(const CImageBuffer* a, const CImageBuffer* b, int percent) {
    if (percent < 0 || percent > 100 || !a || !b || !a->pixels || !b->pixels || a->bpp != 32 ||
        b->bpp != 32 || a->width != b->width || a->height != b->height)
        return nullptr;
    const int wb = percent * 255 / 100;
    const int wa = (100 - percent) * 255 / 100;
    ImagePtr result(create_image_for_overwrite(a->width, a->height, 24, true));
    if (!result) return nullptr;
    // Each row is mixed into a row that stays in the first-level cache and split from
    // there: the 32-bit mix never goes out to memory. Rows in memory order (bottom row
    // first): the processor's prefetch follows ascending addresses. Bands of rows go to
    // workers that wait, each with its own mix row: the pass would otherwise hold one
    // worker while the other has nothing to do at the batch's end.
    const bool done = run_row_bands(a->height, [&](int32_t first, int32_t end, bool) {
        std::vector<uint8_t> mix(4 * static_cast<size_t>(a->width));
        for (int32_t y = end - 1; y >= first; --y) {
            crossfade_bytes(image_row(a, y), image_row(b, y), mix.data(),
                            4 * static_cast<int64_t>(a->width), wa, wb, true);
            split_alpha_row(mix.data(), image_row(result.get(), y),
                            image_alpha_row(result.get(), y), a->width);
        }
    });
    return done ? result.release() : nullptr;
}
