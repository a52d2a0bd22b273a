#pragma once
// The checked geometry that both scalers share. Internal to the image library.

#include <cstdint>
#include <memory>

#include "image/image_buffer.h"

struct ScaleGeometry {
    int64_t fx = 0;  // fractions of the result's left and top edges
    int64_t fy = 0;
    int64_t dw = 0;  // destination size in sub-pixel units
    int64_t dh = 0;
    int64_t sx = 0;  // source rectangle in sub-pixel units
    int64_t sy = 0;
    int64_t sw = 0;
    int64_t sh = 0;
    int32_t columns = 0;  // result size in pixels
    int32_t rows = 0;
};

// Fills g and returns true when the rectangle lies inside the source and every length
// is positive.
inline bool scale_geometry(const CImageBuffer* source, int32_t ox, int32_t oy, int32_t dw,
                           int32_t dh, int32_t sx, int32_t sy, int32_t sw, int32_t sh,
                           ScaleGeometry* g) {
    if (!source || dw <= 0 || dh <= 0 || sw <= 0 || sh <= 0 || sx < 0 || sy < 0) return false;
    if (static_cast<int64_t>(sx) + sw > static_cast<int64_t>(source->width) * 1024 ||
        static_cast<int64_t>(sy) + sh > static_cast<int64_t>(source->height) * 1024)
        return false;
    g->fx = ox & 1023;
    g->fy = oy & 1023;
    g->dw = dw;
    g->dh = dh;
    g->sx = sx;
    g->sy = sy;
    g->sw = sw;
    g->sh = sh;
    g->columns = static_cast<int32_t>((g->fx + dw + 1023) >> 10);
    g->rows = static_cast<int32_t>((g->fy + dh + 1023) >> 10);
    return true;
}

// The 24-bit form of the area-averaging scaler (per-span averages in double precision).
CImageBuffer* scale_image24_form(const CImageBuffer* source, const ScaleGeometry& g);

// Where the 32-bit scaler puts its result: Row(j) is the place for result row j
// (4 * columns bytes), Done(j) follows once that row is finished. Rows come in any
// order, each once. Rows may be made on several threads at once, each thread through
// a lane of its own: Lane gives a sink for one thread's rows of the same result, or
// null when this sink takes rows from several threads as it stands.
class ScaleRowSink {
public:
    virtual ~ScaleRowSink() = default;
    virtual uint8_t* Row(int32_t j) = 0;
    virtual void Done(int32_t j) = 0;
    virtual std::unique_ptr<ScaleRowSink> Lane() { return nullptr; }
};

// The 32-bit area-averaging scale (scale_image's arithmetic) of a 32-bit source, row
// by row into sink. False when the source is not 32-bit or memory runs out.
bool scale_rows32(const CImageBuffer* source, const ScaleGeometry& g, ScaleRowSink& sink);
