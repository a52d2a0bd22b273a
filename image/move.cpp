// The camera move: one frame of a source region travelling to an end region, drawn
// into a destination region that travels too, inside a travelling clip window.

#include <algorithm>
#include <cstdint>

#include "image/compose.h"
#include "image/pixel_layout.h"
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

}  // namespace

int move_image(CImageBuffer* destination, const CImageBuffer* source, const RegionPair& source_pair,
               const RegionPair& destination_pair, const RegionPair& clip_pair, int32_t frame,
               int32_t frames, int flags) {
    if (!destination || !source) return -4;
    if (frames < 2) return -1;
    const bool same_layout =
        (layout_accepts<Layout32>(destination) && layout_accepts<Layout32>(source)) ||
        (layout_accepts<Layout24>(destination) && layout_accepts<Layout24>(source));
    if (!same_layout) return -1;
    ImageRect s, d, clip;
    if (!interpolate_rect(source_pair, kSubPixel, frame, frames, &s) ||
        !interpolate_rect(destination_pair, kSubPixel, frame, frames, &d) ||
        !interpolate_rect(clip_pair, 1, frame, frames, &clip))
        return -1;
    // The frame's source region must lie on the picture, whether or not anything
    // of it would reach the destination.
    const int64_t picture_w = static_cast<int64_t>(source->width) * kSubPixel;
    const int64_t picture_h = static_cast<int64_t>(source->height) * kSubPixel;
    auto on_picture = [](int64_t v, int64_t limit) { return v >= 0 && v <= limit; };
    if (!on_picture(s.left, picture_w) || !on_picture(s.right, picture_w) ||
        !on_picture(s.top, picture_h) || !on_picture(s.bottom, picture_h))
        return -1;
    const int64_t dw = static_cast<int64_t>(d.right) - d.left;
    const int64_t dh = static_cast<int64_t>(d.bottom) - d.top;
    const int64_t sw = static_cast<int64_t>(s.right) - s.left;
    const int64_t sh = static_cast<int64_t>(s.bottom) - s.top;
    // Parts of the window outside the destination would draw nothing: leave them out
    // before sizing the window image.
    const int32_t cx1 = std::max(clip.left, 0);
    const int32_t cy1 = std::max(clip.top, 0);
    const int32_t cx2 = std::min(clip.right, destination->width);
    const int32_t cy2 = std::min(clip.bottom, destination->height);
    // An empty region or window this frame: nothing to draw.
    if (dw <= 0 || dh <= 0 || sw <= 0 || sh <= 0 || cx2 <= cx1 || cy2 <= cy1) return 0;
    if (!fits32(dw) || !fits32(dh) || !fits32(sw) || !fits32(sh)) return -1;
    auto scale = (flags & MOVE_NEAREST) ? scale_image_nearest : scale_image;
    ImagePtr scaled(scale(source, d.left, d.top, static_cast<int32_t>(dw), static_cast<int32_t>(dh),
                          s.left, s.top, static_cast<int32_t>(sw), static_cast<int32_t>(sh)));
    if (!scaled) return -1;
    const int mode = (flags & MOVE_LIGHTEN) ? COMPOSE_LIGHTEN : COMPOSE_ALPHA;
    const int64_t x = d.left >> 10;
    const int64_t y = d.top >> 10;
    if (x >= cx1 && y >= cy1 && x + scaled->width <= cx2 && y + scaled->height <= cy2) {
        compose_image(destination, scaled.get(), static_cast<int32_t>(x), static_cast<int32_t>(y),
                      mode);
        return 0;
    }
    ImagePtr window(destination->bpp == 32 ? create_image32(cx2 - cx1, cy2 - cy1)
                                           : create_image24a(cx2 - cx1, cy2 - cy1));
    if (!window) return -1;
    compose_image(window.get(), scaled.get(), static_cast<int32_t>(x - cx1),
                  static_cast<int32_t>(y - cy1), COMPOSE_COPY);
    compose_image(destination, window.get(), cx1, cy1, mode);
    return 0;
}
