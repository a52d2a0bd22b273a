// The frame effects: box blur and sideways jitter.

#include <algorithm>
#include <new>
#include <vector>

#include "image/compose.h"
#include "image/effects.h"
#include "image/pixel_layout.h"

namespace {

// The nine-pixel sums are whole numbers below 2^12, exact in any order, so the column
// sums of three rows are made once per row and the three columns added after.
template <class L>
CImageBuffer* blur(const CImageBuffer* image) {
    const int32_t width = image->width;
    const int32_t height = image->height;
    ImagePtr result(L::Create(width, height));
    if (!result) return nullptr;
    std::vector<int32_t> columns(4 * static_cast<size_t>(width));
    for (int32_t y = 0; y < height; ++y) {
        const typename L::ConstRow rows[3] = {
            typename L::ConstRow(image, std::max(y - 1, 0)), typename L::ConstRow(image, y),
            typename L::ConstRow(image, std::min(y + 1, height - 1))};
        for (int32_t x = 0; x < width; ++x) {
            int32_t* c = columns.data() + 4 * static_cast<size_t>(x);
            c[0] = c[1] = c[2] = c[3] = 0;
            for (const auto& row : rows) {
                Bgra p = row.Get(x);
                c[0] += p.b;
                c[1] += p.g;
                c[2] += p.r;
                c[3] += p.a;
            }
        }
        typename L::Row out(result.get(), y);
        for (int32_t x = 0; x < width; ++x) {
            const int32_t* l = columns.data() + 4 * static_cast<size_t>(std::max(x - 1, 0));
            const int32_t* m = columns.data() + 4 * static_cast<size_t>(x);
            const int32_t* r = columns.data() + 4 * static_cast<size_t>(std::min(x + 1, width - 1));
            uint8_t v[4];
            for (int n = 0; n < 4; ++n) {
                const float sum = static_cast<float>(l[n] + m[n] + r[n]);
                v[n] = static_cast<uint8_t>(static_cast<double>(sum) / 9.0 + 0.5);
            }
            out.Set(x, {v[0], v[1], v[2], v[3]});
        }
    }
    return result.release();
}

template <class L>
CImageBuffer* shifted(const CImageBuffer* image, int32_t dx) {
    CImageBuffer* result = L::Create(image->width, image->height);
    if (result) compose_image(result, image, dx, 0, COMPOSE_ALPHA);
    return result;
}

}  // namespace

CImageBuffer* blur_image(const CImageBuffer* image) {
    try {
        return with_layout<CImageBuffer*>(
            image, nullptr, [&](auto layout) { return blur<decltype(layout)>(image); });
    } catch (const std::bad_alloc&) {
        return nullptr;  // the column sums of a giant image
    }
}

CImageBuffer* jitter_image(const CImageBuffer* image, int32_t frame) {
    static constexpr int kShift[4] = {0, 1, 0, -1};
    const int shift = kShift[((frame % 4) + 4) % 4];
    return with_layout<CImageBuffer*>(image, nullptr, [&](auto layout) -> CImageBuffer* {
        using L = decltype(layout);
        if (shift != 0) return shifted<L>(image, 5 * shift);
        ImagePtr left(shifted<L>(image, -5));
        ImagePtr right(shifted<L>(image, 5));
        if (!left || !right) return nullptr;
        return crossfade_image(left.get(), right.get(), 50);
    });
}
