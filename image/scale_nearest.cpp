// Nearest-pixel scale: one source column per result column and one source row per
// result row, precomputed.

#include <new>
#include <vector>

#include "image/pixel_layout.h"
#include "image/scale_geometry.h"
#include "image/transform.h"

namespace {

template <class L>
CImageBuffer* scale_nearest(const CImageBuffer* source, const ScaleGeometry& g) {
    ImagePtr result(L::Create(g.columns, g.rows));
    if (!result) return nullptr;
    const int64_t span_x = ((g.sx + g.sw + 1023) >> 10) - (g.sx >> 10);
    const int64_t span_y = ((g.sy + g.sh + 1023) >> 10) - (g.sy >> 10);
    std::vector<int32_t> xs(static_cast<size_t>(g.columns));
    for (int32_t i = 0; i < g.columns; ++i)
        xs[static_cast<size_t>(i)] = static_cast<int32_t>((g.sx >> 10) + i * span_x / g.columns);
    for (int32_t j = 0; j < g.rows; ++j) {
        typename L::ConstRow in(source, static_cast<int32_t>((g.sy >> 10) + j * span_y / g.rows));
        typename L::Row out(result.get(), j);
        for (int32_t i = 0; i < g.columns; ++i) out.Set(i, in.Get(xs[static_cast<size_t>(i)]));
    }
    return result.release();
}

}  // namespace

CImageBuffer* scale_image_nearest(const CImageBuffer* source, int32_t ox, int32_t oy, int32_t dw,
                                  int32_t dh, int32_t sx, int32_t sy, int32_t sw, int32_t sh) {
    ScaleGeometry g;
    if (!scale_geometry(source, ox, oy, dw, dh, sx, sy, sw, sh, &g)) return nullptr;
    try {
        return with_layout<CImageBuffer*>(source, nullptr, [&](auto layout) {
            return scale_nearest<decltype(layout)>(source, g);
        });
    } catch (const std::bad_alloc&) {
        return nullptr;  // the column list of a giant result
    }
}
