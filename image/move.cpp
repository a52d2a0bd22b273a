// The camera move: one frame of a source region travelling to an end region, drawn
// into a destination region that travels too, inside a travelling clip window.

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <memory>
#include <vector>

#if defined(__x86_64__)
#include <emmintrin.h>
#endif

#include "image/blend_kernels.h"
#include "image/compose.h"
#include "image/pixel_layout.h"
#include "image/scale_geometry.h"
#include "image/transform.h"

namespace {

// start + ((end - start) * scale * frame) / (frames - 1) in 128 bits; false when the
// result leaves the 32-bit range.
bool interpolate(int32_t start, int32_t end, int64_t scale, int32_t frame, int32_t frames,
                 int32_t* out) {
    __int128 delta = (static_cast<__int128>(end) - start) * scale * frame / (frames - 1);
    __int128 v = static_cast<__int128>(start) * scale + delta;
    if (v < INT32_MIN || v > INT32_MAX) return false;
    *out = static_cast<int32_t>(v);
    return true;
}

bool interpolate_rect(const RegionPair& pair, int64_t scale, int32_t frame, int32_t frames,
                      ImageRect* out) {
    return interpolate(pair.start.left, pair.end.left, scale, frame, frames, &out->left) &&
           interpolate(pair.start.top, pair.end.top, scale, frame, frames, &out->top) &&
           interpolate(pair.start.right, pair.end.right, scale, frame, frames, &out->right) &&
           interpolate(pair.start.bottom, pair.end.bottom, scale, frame, frames, &out->bottom);
}

bool fits32(int64_t v) {
    return v >= INT32_MIN && v <= INT32_MAX;
}

// One frame of a move: the interpolated source and destination regions in sub-pixel
// units, and the window cut to the destination.
struct MoveFrame {
    ImageRect s, d;
    int32_t cx1 = 0, cy1 = 0, cx2 = 0, cy2 = 0;
    int64_t dw = 0, dh = 0, sw = 0, sh = 0;
};

// The frame's geometry on a width x height destination: 0 when something is drawn,
// 1 when nothing is, -1 as move_image fails.
int plan_move(int32_t width, int32_t height, const CImageBuffer* source,
              const RegionPair& source_pair, const RegionPair& destination_pair,
              const RegionPair& clip_pair, int32_t frame, int32_t frames, MoveFrame* m) {
    if (frames < 2) return -1;
    ImageRect clip;
    if (!interpolate_rect(source_pair, kSubPixel, frame, frames, &m->s) ||
        !interpolate_rect(destination_pair, kSubPixel, frame, frames, &m->d) ||
        !interpolate_rect(clip_pair, 1, frame, frames, &clip))
        return -1;
    // The frame's source region must lie on the picture, whether or not anything
    // of it would reach the destination.
    const int64_t picture_w = static_cast<int64_t>(source->width) * kSubPixel;
    const int64_t picture_h = static_cast<int64_t>(source->height) * kSubPixel;
    auto on_picture = [](int64_t v, int64_t limit) { return v >= 0 && v <= limit; };
    if (!on_picture(m->s.left, picture_w) || !on_picture(m->s.right, picture_w) ||
        !on_picture(m->s.top, picture_h) || !on_picture(m->s.bottom, picture_h))
        return -1;
    m->dw = static_cast<int64_t>(m->d.right) - m->d.left;
    m->dh = static_cast<int64_t>(m->d.bottom) - m->d.top;
    m->sw = static_cast<int64_t>(m->s.right) - m->s.left;
    m->sh = static_cast<int64_t>(m->s.bottom) - m->s.top;
    // Parts of the window outside the destination would draw nothing: leave them out
    // before sizing the window image.
    m->cx1 = std::max(clip.left, 0);
    m->cy1 = std::max(clip.top, 0);
    m->cx2 = std::min(clip.right, width);
    m->cy2 = std::min(clip.bottom, height);
    // An empty region or window this frame: nothing to draw.
    if (m->dw <= 0 || m->dh <= 0 || m->sw <= 0 || m->sh <= 0 || m->cx2 <= m->cx1 ||
        m->cy2 <= m->cy1)
        return 1;
    if (!fits32(m->dw) || !fits32(m->dh) || !fits32(m->sw) || !fits32(m->sh)) return -1;
    return 0;
}

int compose_mode(int flags) {
    return (flags & MOVE_LIGHTEN) ? COMPOSE_LIGHTEN : COMPOSE_ALPHA;
}

// The background's copy in the layout asked for.
CImageBuffer* copy_as(const CImageBuffer* background, bool hand_over) {
    return hand_over ? image32_to_24a(background) : duplicate_image(background);
}

#if VEMO_SSE2_KERNELS
// True when every pixel of the 32-bit run is opaque.
bool opaque_run(const uint8_t* pixels, int32_t count) {
    const __m128i ones = _mm_set1_epi32(-1);
    __m128i all = ones;
    int32_t i = 0;
    for (; i + 4 <= count; i += 4) {
        all = _mm_and_si128(
            all, _mm_loadu_si128(reinterpret_cast<const __m128i*>(pixels + 4 * int64_t{i})));
    }
    if ((_mm_movemask_epi8(_mm_cmpeq_epi8(all, ones)) & 0x8888) != 0x8888) return false;
    for (; i < count; ++i) {
        if (pixels[4 * int64_t{i} + 3] != 255) return false;
    }
    return true;
}

// The moved picture's rows drawn onto the background's as the scaler finishes them:
// each result row goes through the first-level cache only, and the frame is written
// once, in the layout asked for. An opaque row that spans the frame is the frame's row
// as it is (drawing it over anything changes nothing), so the background's row is not
// even read.
class MovedRows : public ScaleRowSink {
public:
    MovedRows(const CImageBuffer* background, CImageBuffer* out, int32_t x, int32_t y,
              int32_t columns, int mode)
        : m_background(background),
          m_out(out),
          m_x(x),
          m_y(y),
          m_columns(columns),
          m_mode(mode),
          m_whole(x == 0 && columns == out->width && mode == COMPOSE_ALPHA),
          m_scaled(4 * static_cast<size_t>(columns)),
          m_mix(out->bpp == 24 ? 4 * static_cast<size_t>(out->width) : 0) {}

    // Another thread's rows go through scratch rows of their own.
    std::unique_ptr<ScaleRowSink> Lane() override {
        return std::make_unique<MovedRows>(m_background, m_out, m_x, m_y, m_columns, m_mode);
    }
    uint8_t* Row(int32_t j) override {
        return m_whole && m_mix.empty() ? image_row(m_out, m_y + j) : m_scaled.data();
    }
    void Done(int32_t j) override {
        const int32_t row = m_y + j;
        const size_t bytes = 4 * static_cast<size_t>(m_out->width);
        if (m_whole && m_mix.empty()) {
            uint8_t* target = image_row(m_out, row);
            if (opaque_run(target, m_columns)) return;
            std::memcpy(m_scaled.data(), target, bytes);
        } else if (m_mode == COMPOSE_ALPHA && opaque_run(m_scaled.data(), m_columns)) {
            return Beside(row);
        }
        uint8_t* target = m_mix.empty() ? image_row(m_out, row) : m_mix.data();
        std::memcpy(target, image_row(m_background, row), bytes);
        compose_run_sse2(target + 4 * static_cast<int64_t>(m_x), m_scaled.data(), m_columns,
                         m_mode);
        if (!m_mix.empty()) Hand(row, target);
    }
    // A row of the background alone.
    void Plain(int32_t row) {
        if (m_mix.empty()) {
            std::memcpy(image_row(m_out, row), image_row(m_background, row),
                        4 * static_cast<size_t>(m_out->width));
        } else {
            Hand(row, image_row(m_background, row));
        }
    }

private:
    // An opaque row drawn with the alpha mode hides what lies under it: the frame's row
    // is the background's beside its span and its own over it, with no compose pass.
    void Beside(int32_t row) {
        const uint8_t* back = image_row(m_background, row);
        const int64_t x = m_x;
        const int64_t end = x + m_columns;
        const int64_t width = m_out->width;
        if (m_mix.empty()) {
            uint8_t* target = image_row(m_out, row);
            std::memcpy(target, back, 4 * static_cast<size_t>(x));
            std::memcpy(target + 4 * x, m_scaled.data(), 4 * static_cast<size_t>(m_columns));
            std::memcpy(target + 4 * end, back + 4 * end, 4 * static_cast<size_t>(width - end));
            return;
        }
        uint8_t* colour = image_row(m_out, row);
        uint8_t* alpha = image_alpha_row(m_out, row);
        split_alpha_row(back, colour, alpha, m_x);
        split_alpha_row(m_scaled.data(), colour + 3 * x, alpha + x, m_columns);
        split_alpha_row(back + 4 * end, colour + 3 * end, alpha + end,
                        static_cast<int32_t>(width - end));
    }
    void Hand(int32_t row, const uint8_t* pixels) {
        split_alpha_row(pixels, image_row(m_out, row), image_alpha_row(m_out, row), m_out->width);
    }

    const CImageBuffer* m_background;
    CImageBuffer* m_out;
    int32_t m_x, m_y, m_columns;
    int m_mode;
    bool m_whole;  // every row drawn spans the frame, with the alpha mode
    std::vector<uint8_t> m_scaled;
    std::vector<uint8_t> m_mix;
};
#endif

}  // namespace

int move_image(CImageBuffer* destination, const CImageBuffer* source, const RegionPair& source_pair,
               const RegionPair& destination_pair, const RegionPair& clip_pair, int32_t frame,
               int32_t frames, int flags) {
    if (!destination || !source) return -4;
    const bool same_layout =
        (layout_accepts<Layout32>(destination) && layout_accepts<Layout32>(source)) ||
        (layout_accepts<Layout24>(destination) && layout_accepts<Layout24>(source));
    if (frames < 2 || !same_layout) return -1;
    MoveFrame m;
    const int planned = plan_move(destination->width, destination->height, source, source_pair,
                                  destination_pair, clip_pair, frame, frames, &m);
    if (planned != 0) return planned < 0 ? -1 : 0;
    auto scale = (flags & MOVE_NEAREST) ? scale_image_nearest : scale_image;
    ImagePtr scaled(scale(source, m.d.left, m.d.top, static_cast<int32_t>(m.dw),
                          static_cast<int32_t>(m.dh), m.s.left, m.s.top, static_cast<int32_t>(m.sw),
                          static_cast<int32_t>(m.sh)));
    if (!scaled) return -1;
    const int mode = compose_mode(flags);
    const int64_t x = m.d.left >> 10;
    const int64_t y = m.d.top >> 10;
    if (x >= m.cx1 && y >= m.cy1 && x + scaled->width <= m.cx2 && y + scaled->height <= m.cy2) {
        compose_image(destination, scaled.get(), static_cast<int32_t>(x), static_cast<int32_t>(y),
                      mode);
        return 0;
    }
    ImagePtr window(destination->bpp == 32 ? create_image32(m.cx2 - m.cx1, m.cy2 - m.cy1)
                                           : create_image24a(m.cx2 - m.cx1, m.cy2 - m.cy1));
    if (!window) return -1;
    compose_image(window.get(), scaled.get(), static_cast<int32_t>(x - m.cx1),
                  static_cast<int32_t>(y - m.cy1), COMPOSE_COPY);
    compose_image(destination, window.get(), m.cx1, m.cy1, mode);
    return 0;
}

CImageBuffer* move_image_copy(const CImageBuffer* background, const CImageBuffer* source,
                              const RegionPair& source_pair, const RegionPair& destination_pair,
                              const RegionPair& clip_pair, int32_t frame, int32_t frames, int flags,
                              bool hand_over) {
    if (!layout_accepts<Layout32>(background)) hand_over = false;
#if VEMO_SSE2_KERNELS
    // The picture lands whole inside the window: it is scaled and drawn row by row.
    if (layout_accepts<Layout32>(background) && layout_accepts<Layout32>(source) &&
        !(flags & MOVE_NEAREST) && use_sse2_kernels()) {
        MoveFrame m;
        const int planned = plan_move(background->width, background->height, source, source_pair,
                                      destination_pair, clip_pair, frame, frames, &m);
        if (planned != 0) return copy_as(background, hand_over);
        ScaleGeometry g;
        if (!scale_geometry(source, m.d.left, m.d.top, static_cast<int32_t>(m.dw),
                            static_cast<int32_t>(m.dh), m.s.left, m.s.top,
                            static_cast<int32_t>(m.sw), static_cast<int32_t>(m.sh), &g))
            return copy_as(background, hand_over);
        const int64_t x = m.d.left >> 10;
        const int64_t y = m.d.top >> 10;
        if (x >= m.cx1 && y >= m.cy1 && x + g.columns <= m.cx2 && y + g.rows <= m.cy2) {
            // Every pixel is written below.
            ImagePtr out(create_image_for_overwrite(background->width, background->height,
                                                    hand_over ? 24 : 32, hand_over));
            if (!out) return nullptr;
            MovedRows rows(background, out.get(), static_cast<int32_t>(x), static_cast<int32_t>(y),
                           g.columns, compose_mode(flags));
            if (!scale_rows32(source, g, rows)) return copy_as(background, hand_over);
            for (int32_t r = background->height - 1; r >= 0; --r) {  // memory order
                if (r < y || r >= y + g.rows) rows.Plain(r);
            }
            return out.release();
        }
    }
#endif
    ImagePtr result(duplicate_image(background));
    if (!result) return nullptr;
    move_image(result.get(), source, source_pair, destination_pair, clip_pair, frame, frames,
               flags);
    return hand_over ? image32_to_24a(result.get()) : result.release();
}
