// Area-averaging scale of the 24-bit layout: every result pixel is the average of its
// own inclusive span of source units, in double precision, so partly covered edge
// pixels keep the full average (the 32-bit form makes them fainter instead).

#include <algorithm>
#include <vector>

#include "image/pixel_layout.h"
#include "image/scale_geometry.h"

namespace {

struct Span {
    int32_t first = 0;    // first source pixel
    int32_t count = 0;    // source pixels taken
    int32_t weight = 0;   // index of the first weight
    double factor = 1.0;  // 1024 / span length in units
};

struct AxisSpans {
    std::vector<Span> spans;
    std::vector<double> weights;
};

// Spans of `count` result pixels along one axis. Span i ends at
// trunc(((i + 1) * 1024 - frac) * length / size) + start, limited to the last unit of
// the source rectangle; the next one starts one unit later. Each source pixel weighs
// the units of it that the span covers, over 1024, so that the span's sum times
// 1024 / (its units) is an exact average: a span that ends on the first unit of a
// pixel takes 1/1024 of that pixel, not all of it.
AxisSpans build_spans(int64_t start, int64_t length, int64_t frac, int64_t size, int32_t count) {
    AxisSpans axis;
    axis.spans.resize(static_cast<size_t>(count));
    const int64_t limit = start + length - 1;
    int64_t s = start;
    for (int32_t i = 0; i < count; ++i) {
        int64_t e = ((i + 1) * int64_t{1024} - frac) * length / size + start;
        e = std::min(e, limit);
        if (s > limit) s = std::max<int64_t>(limit - 1, 0);
        // A magnification beyond 1024 can leave a span without a unit of its own: it
        // takes the unit at its start.
        e = std::max(e, s);
        Span& span = axis.spans[static_cast<size_t>(i)];
        const int64_t q0 = s >> 10;
        const int64_t q1 = e >> 10;
        span.first = static_cast<int32_t>(q0);
        span.weight = static_cast<int32_t>(axis.weights.size());
        span.count = static_cast<int32_t>(q1 - q0 + 1);
        if (q0 == q1) {
            axis.weights.push_back(static_cast<double>(e - s + 1) / 1024.0);
        } else {
            axis.weights.push_back(static_cast<double>(1024 - (s & 1023)) / 1024.0);
            for (int64_t q = q0 + 1; q < q1; ++q) axis.weights.push_back(1.0);
            axis.weights.push_back(static_cast<double>((e & 1023) + 1) / 1024.0);
        }
        span.factor = 1024.0 / static_cast<double>(e - s + 1);
        s = e + 1;
    }
    return axis;
}

// Columns copied one to one from the first source column.
AxisSpans copy_spans(int64_t first, int32_t count) {
    AxisSpans axis;
    axis.weights.push_back(1.0);
    axis.spans.resize(static_cast<size_t>(count));
    for (int32_t i = 0; i < count; ++i)
        axis.spans[static_cast<size_t>(i)] = {static_cast<int32_t>(first + i), 1, 0, 1.0};
    return axis;
}

// Four averages (B, G, R, A) per result column of one source row.
void average_row(const CImageBuffer* source, int32_t y, const AxisSpans& cols, double* out) {
    Layout24::ConstRow row(source, y);
    for (size_t i = 0; i < cols.spans.size(); ++i) {
        const Span& span = cols.spans[i];
        const double* w = cols.weights.data() + span.weight;
        double b = 0, g = 0, r = 0, a = 0;
        for (int32_t k = 0; k < span.count; ++k) {
            Bgra p = row.Get(span.first + k);
            b += w[k] * p.b;
            g += w[k] * p.g;
            r += w[k] * p.r;
            a += w[k] * p.a;
        }
        out[4 * i] = b * span.factor;
        out[4 * i + 1] = g * span.factor;
        out[4 * i + 2] = r * span.factor;
        out[4 * i + 3] = a * span.factor;
    }
}

uint8_t finish(double v) {
    v += 0.5;
    return v <= 0.0 ? 0 : (v >= 255.0 ? 255 : static_cast<uint8_t>(v));
}

}  // namespace

CImageBuffer* scale_image24_form(const CImageBuffer* source, const ScaleGeometry& g) {
    ImagePtr result(create_image24a(g.columns, g.rows));
    if (!result) return nullptr;
    const int64_t span_pixels = ((g.sx + g.sw + 1023) >> 10) - (g.sx >> 10);
    const AxisSpans cols =
        g.columns == span_pixels && (g.fx & ~int64_t{63}) == (g.sx & ~int64_t{63})
            ? copy_spans(g.sx >> 10, g.columns)
            : build_spans(g.sx, g.sw, g.fx, g.dw, g.columns);
    const AxisSpans rows = build_spans(g.sy, g.sh, g.fy, g.dh, g.rows);
    const size_t reals = 4 * static_cast<size_t>(g.columns);
    std::vector<double> sums(reals);
    std::vector<double> acc(reals);
    int64_t cached = -1;
    for (int32_t j = 0; j < g.rows; ++j) {
        const Span& span = rows.spans[static_cast<size_t>(j)];
        std::fill(acc.begin(), acc.end(), 0.0);
        for (int32_t k = 0; k < span.count; ++k) {
            const int32_t q = span.first + k;
            if (q != cached) {
                average_row(source, q, cols, sums.data());
                cached = q;
            }
            const double w = rows.weights[static_cast<size_t>(span.weight + k)];
            for (size_t n = 0; n < reals; ++n) acc[n] += w * sums[n];
        }
        Layout24::Row out(result.get(), j);
        for (int32_t i = 0; i < g.columns; ++i) {
            const double* a = acc.data() + 4 * static_cast<size_t>(i);
            out.Set(i, {finish(a[0] * span.factor), finish(a[1] * span.factor),
                        finish(a[2] * span.factor), finish(a[3] * span.factor)});
        }
    }
    return result.release();
}
