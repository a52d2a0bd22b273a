// Rotation by whole degrees, nearest pixel, in 1/1024 fixed point.

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <numbers>

#include "image/pixel_layout.h"
#include "image/transform.h"

namespace {

template <class L>
CImageBuffer* rotate(const CImageBuffer* source, int32_t degrees) {
    // The remainder keeps the sign of degrees.
    const double theta = static_cast<double>(degrees % 360) * std::numbers::pi / 180.0;
    const double c = std::cos(theta);
    const double s = std::sin(theta);
    const int64_t W = source->width;
    const int64_t H = source->height;
    const double new_w = std::fabs(W * c) + std::fabs(H * s) + 0.5;
    const double new_h = std::fabs(W * s) + std::fabs(H * c) + 0.5;
    if (!(new_w < INT32_MAX) || !(new_h < INT32_MAX)) return nullptr;
    const int32_t W2 = static_cast<int32_t>(new_w);
    const int32_t H2 = static_cast<int32_t>(new_h);
    CImageBuffer* result = L::Create(W2, H2);
    if (!result) return nullptr;
    const int64_t C = static_cast<int64_t>(c * 1024 + 0.5);
    const int64_t S = static_cast<int64_t>(s * 1024 + 0.5);
    const int64_t half_w2 = W2 / 2;
    const int64_t half_h2 = H2 / 2;
    const int64_t half_w = W / 2;
    const int64_t half_h = H / 2;
    // Tiles of result pixels keep the source lines they read in the cache; along a
    // tile row the products are stepped by C and S per column.
    constexpr int32_t kTile = 64;
    for (int32_t j0 = 0; j0 < H2; j0 += kTile) {
        const int32_t j1 = std::min(H2, j0 + kTile);
        for (int32_t i0 = 0; i0 < W2; i0 += kTile) {
            const int32_t i1 = std::min(W2, i0 + kTile);
            for (int32_t j = j0; j < j1; ++j) {
                typename L::Row out(result, j);
                int64_t px = (i0 - half_w2) * C - (j - half_h2) * S;
                int64_t py = (i0 - half_w2) * S + (j - half_h2) * C;
                for (int32_t i = i0; i < i1; ++i, px += C, py += S) {
                    const int64_t x = (px >> 10) + half_w;
                    const int64_t y = (py >> 10) + half_h;
                    if (x < 0 || y < 0 || x >= W || y >= H) continue;  // stays transparent
                    const Bgra p = typename L::ConstRow(source, static_cast<int32_t>(y))
                                       .Get(static_cast<int32_t>(x));
                    out.Set(i, {static_cast<uint8_t>(p.b * p.a / 255),
                                static_cast<uint8_t>(p.g * p.a / 255),
                                static_cast<uint8_t>(p.r * p.a / 255), p.a});
                }
            }
        }
    }
    return result;
}

}  // namespace

CImageBuffer* rotate_image(const CImageBuffer* image, int32_t degrees) {
    return with_layout<CImageBuffer*>(
        image, nullptr, [&](auto layout) { return rotate<decltype(layout)>(image, degrees); });
}
