// Fitting a picture into a frame.

#include <cstdint>

#include "image/compose.h"
#include "image/pixel_layout.h"
#include "image/transform.h"

namespace {

// Largest picture side whose sub-pixel length fits 32 bits.
constexpr int64_t kMaxSubPixelSide = INT32_MAX / kSubPixel;

template <class L>
CImageBuffer* fit(const CImageBuffer* image, int32_t width, int32_t height, int flags) {
    const int64_t W = image->width;
    const int64_t H = image->height;
    const int64_t w = width;
    const int64_t h = height;
    int64_t scaled_w = w;
    int64_t scaled_h = h;
    const bool wider = W * h > H * w;
    const bool taller = W * h < H * w;
    // Fit inside keeps the whole picture; fill covers the frame. Inside wins when
    // both flags are given.
    const bool inside = (flags & FIT_INSIDE) != 0;
    if ((inside && wider) || (!inside && taller)) scaled_h = H * w / W;
    if ((inside && taller) || (!inside && wider)) scaled_w = W * h / H;
    if (scaled_w < 1 || scaled_h < 1 || W > kMaxSubPixelSide || H > kMaxSubPixelSide ||
        scaled_w > kMaxSubPixelSide || scaled_h > kMaxSubPixelSide)
        return nullptr;
    auto scale = (flags & FIT_NEAREST) ? scale_image_nearest : scale_image;
    ImagePtr scaled(scale(image, 0, 0, static_cast<int32_t>(scaled_w * kSubPixel),
                          static_cast<int32_t>(scaled_h * kSubPixel), 0, 0,
                          static_cast<int32_t>(W * kSubPixel),
                          static_cast<int32_t>(H * kSubPixel)));
    if (!scaled) return nullptr;
    CImageBuffer* result = L::Create(width, height);
    if (!result) return nullptr;
    compose_image(result, scaled.get(), static_cast<int32_t>((w - scaled->width) / 2),
                  static_cast<int32_t>((h - scaled->height) / 2), COMPOSE_COPY);
    return result;
}

}  // namespace

CImageBuffer* fit_image(const CImageBuffer* image, int32_t width, int32_t height, int flags) {
    if (!(flags & (FIT_INSIDE | FIT_FILL)) || width < 1 || height < 1) return nullptr;
    return with_layout<CImageBuffer*>(image, nullptr, [&](auto layout) {
        return fit<decltype(layout)>(image, width, height, flags);
    });
}

CImageBuffer* fit_image_opaque(const CImageBuffer* image, int32_t width, int32_t height,
                               int flags) {
    CImageBuffer* result = fit_image(image, width, height, flags);
    if (!result) return nullptr;
    return with_layout<CImageBuffer*>(result, result, [&](auto layout) {
        using L = decltype(layout);
        for (int32_t y = 0; y < result->height; ++y) {
            typename L::Row row(result, y);
            for (int32_t x = 0; x < result->width; ++x) row.SetAlpha(x, 255);
        }
        return result;
    });
}
