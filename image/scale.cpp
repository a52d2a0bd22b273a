// Area-averaging scale of the 32-bit layout (plain, SSE2 and AVX2 forms share the
// weights and the pass structure; only the arithmetic kernels differ) and the public
// entry.

#include <algorithm>
#include <memory>
#include <new>
#include <vector>

#include "base/work_share.h"
#include "image/blend_kernels.h"
#include "image/pixel_layout.h"
#include "image/scale_geometry.h"
#include "image/transform.h"

namespace {

struct AxisTaps {
    std::vector<ScaleTap> taps;
    std::vector<float> weights;
};

// Taps of `count` result pixels along one axis. Boundaries in source sub-pixel units:
// b[0] = start, b[i] = start + ((i * 1024 - frac) * length) / size, and the last one
// start + ((size - 1) * length) / size. A result pixel takes the source pixels between
// its two boundaries, the end ones by the part of them it covers. Weights of 0 are
// left out (adding them changes no sum).
AxisTaps build_taps(int64_t start, int64_t length, int64_t frac, int64_t size, int32_t count) {
    AxisTaps axis;
    axis.taps.resize(static_cast<size_t>(count));
    auto boundary = [&](int64_t i) {
        if (i == 0) return start;
        if (i == count) return start + ((size - 1) * length) / size;
        return start + ((i * 1024 - frac) * length) / size;
    };
    int64_t b0 = boundary(0);
    for (int32_t i = 0; i < count; ++i) {
        int64_t b1 = boundary(i + 1);
        int64_t q0 = b0 >> 10;
        int64_t q1 = b1 >> 10;
        ScaleTap& tap = axis.taps[static_cast<size_t>(i)];
        tap.first = static_cast<int32_t>(q0);
        tap.weight = static_cast<int32_t>(axis.weights.size());
        if (q0 == q1) {
            axis.weights.push_back(static_cast<float>(b1 - b0) / 1024.0f);
        } else {
            axis.weights.push_back(static_cast<float>(1024 - (b0 & 1023)) / 1024.0f);
            for (int64_t q = q0 + 1; q < q1; ++q) axis.weights.push_back(1.0f);
            if (b1 & 1023) axis.weights.push_back(static_cast<float>(b1 & 1023) / 1024.0f);
        }
        tap.count = static_cast<int32_t>(axis.weights.size()) - tap.weight;
        b0 = b1;
    }
    return axis;
}

struct PlainKernels {
    static constexpr bool kOneSweep = false;  // has no Vertical
    using Columns = const AxisTaps*;
    static bool Prepare(const AxisTaps& cols, int32_t, Columns* out) {
        *out = &cols;
        return true;
    }
    static void Row(const uint8_t* row, Columns cols, int32_t columns, float* out, int64_t) {
        for (int32_t i = 0; i < columns; ++i) {
            const ScaleTap& t = cols->taps[static_cast<size_t>(i)];
            const uint8_t* p = row + 4 * static_cast<int64_t>(t.first);
            const float* w = cols->weights.data() + t.weight;
            float b = 0.0f, g = 0.0f, r = 0.0f, a = 0.0f;
            for (int32_t k = 0; k < t.count; ++k, p += 4) {
                b += w[k] * static_cast<float>(p[0]);
                g += w[k] * static_cast<float>(p[1]);
                r += w[k] * static_cast<float>(p[2]);
                a += w[k] * static_cast<float>(p[3]);
            }
            float* o = out + 4 * static_cast<int64_t>(i);
            o[0] = b;
            o[1] = g;
            o[2] = r;
            o[3] = a;
        }
    }
    static void Accumulate(float* acc, const float* sums, float weight, int32_t count) {
        for (int32_t k = 0; k < count; ++k) acc[k] += weight * sums[k];
    }
    // Each channel is the value plus 0.5, truncated, limited to 0 ... 255.
    static void Finish(const float* acc, float factor, int32_t columns, uint8_t* out) {
        for (int64_t k = 0; k < 4 * static_cast<int64_t>(columns); ++k) {
            float v = acc[k] * factor + 0.5f;
            out[k] = v <= 0.0f ? 0 : (v >= 255.0f ? 255 : static_cast<uint8_t>(v));
        }
    }
};

#if VEMO_SSE2_KERNELS
struct Sse2Kernels {
    static constexpr bool kOneSweep = false;
    using Columns = const AxisTaps*;
    static bool Prepare(const AxisTaps& cols, int32_t, Columns* out) {
        *out = &cols;
        return true;
    }
    static void Row(const uint8_t* row, Columns cols, int32_t columns, float* out, int64_t ahead) {
        scale_row_sse2(row, cols->taps.data(), cols->weights.data(), columns, out, ahead);
    }
    static void Accumulate(float* acc, const float* sums, float weight, int32_t count) {
        scale_accumulate_sse2(acc, sums, weight, count);
    }
    static void Finish(const float* acc, float factor, int32_t columns, uint8_t* out) {
        scale_finish_sse2(acc, factor, columns, out);
    }
};

// The AVX2 form works two result columns at a time, every column over the same number
// of taps: shorter ones get weights of 0 after their own taps, or before them near the
// row's end. A weight of 0 adds +0 to a sum of non-negative terms, which changes no
// bit, so the sums are the SSE2 form's, and the tap loop no longer varies per column.
// Columns of at most eight taps are summed in whole numbers, four taps at a time
// (scale_row_words_avx2), with the same bits.
struct Avx2Kernels : Sse2Kernels {
    static constexpr bool kOneSweep = true;
    struct Columns {
        int32_t taps = 0;             // source pixels every column reads
        int32_t quads = 0;            // whole-number form: groups of four taps; 0: floats
        std::vector<int32_t> firsts;  // two per pair of columns
        std::vector<float> weights;   // floats: per pair and tap, four of each column's weight
        std::vector<int16_t> words;   // whole numbers: per column 16 words per four taps
    };
    static bool Prepare(const AxisTaps& cols, int32_t width, Columns* out) {
        const int32_t columns = static_cast<int32_t>(cols.taps.size());
        int32_t most = 0;
        for (const ScaleTap& t : cols.taps) most = std::max(most, t.count);
        const int32_t quads = (most + 3) / 4;
        if (quads <= 2 && 4 * quads <= width) out->quads = quads;
        out->taps = out->quads > 0 ? 4 * out->quads : most;
        if (out->taps > width) return false;
        const int32_t pairs = (columns + 1) / 2;
        out->firsts.assign(2 * static_cast<size_t>(pairs), 0);
        if (out->quads > 0)
            out->words.assign(2 * static_cast<size_t>(pairs) * static_cast<size_t>(out->taps) * 4,
                              0);
        else
            out->weights.assign(static_cast<size_t>(pairs) * static_cast<size_t>(out->taps) * 8,
                                0.0f);
        for (int32_t i = 0; i < 2 * pairs; ++i) {
            // A last odd column is worked beside a copy of itself with no weights.
            const ScaleTap& t = cols.taps[static_cast<size_t>(std::min(i, columns - 1))];
            const int32_t lead = t.first + out->taps <= width ? 0 : t.first - (width - out->taps);
            out->firsts[static_cast<size_t>(i)] = t.first - lead;
            if (i >= columns) continue;
            for (int32_t k = 0; k < t.count; ++k) {
                const float weight = cols.weights[static_cast<size_t>(t.weight + k)];
                const size_t slot = static_cast<size_t>(lead + k);
                if (out->quads > 0) {
                    // Tap s of a group: lane s / 2, place s % 2 of each channel's pair.
                    int16_t* w =
                        out->words.data() +
                        (static_cast<size_t>(i) * static_cast<size_t>(out->quads) + slot / 4) * 16 +
                        (slot % 4) / 2 * 8 + slot % 2;
                    for (int c = 0; c < 4; ++c) w[2 * c] = static_cast<int16_t>(weight * 1024.0f);
                    continue;
                }
                float* w =
                    out->weights.data() +
                    (static_cast<size_t>(i / 2) * static_cast<size_t>(out->taps) + slot) * 8 +
                    (i % 2) * 4;
                std::fill(w, w + 4, weight);
            }
        }
        return true;
    }
    static void Row(const uint8_t* row, const Columns& cols, int32_t columns, float* out,
                    int64_t ahead) {
        if (cols.quads > 0)
            scale_row_words_avx2(row, cols.firsts.data(), cols.words.data(), cols.quads, columns,
                                 out, ahead);
        else
            scale_row_avx2(row, cols.firsts.data(), cols.weights.data(), cols.taps, columns, out,
                           ahead);
    }
    static void Accumulate(float* acc, const float* sums, float weight, int32_t count) {
        scale_accumulate_avx2(acc, sums, weight, count);
    }
    // Accumulate and Finish in one sweep, with the same sums in the same order.
    static void Vertical(const float* const* sums, const float* weights, int32_t count,
                         float factor, int32_t columns, uint8_t* out) {
        scale_vertical_avx2(sums, weights, count, factor, columns, out);
    }
};
#endif

// Horizontal pass once per source row, then per result row the row-weighted sum of
// those sums times the area factor, added in the rows' top-down order. When a result
// row takes only a few source rows, the result rows are made bottom row first and
// each one's source rows are passed bottom row first: the pixels are then read in
// memory order, which the processor's prefetch follows. Sums are kept per slot, so
// that neighbouring result rows share their boundary row's. False, before any row
// reaches the sink, when this form cannot take the columns' taps.
//
// On a frame worker whose fellow workers may be idle, the result rows are made in
// bands, which any of them may take: a band makes its own sums, so each result row
// comes from the same sums in the same order as on one thread, and the bytes are the
// same. The boundary rows between bands are summed twice.
template <class K>
bool scale32(const CImageBuffer* source, const ScaleGeometry& g, ScaleRowSink& sink) {
    AxisTaps cols = build_taps(g.sx, g.sw, g.fx, g.dw, g.columns);
    AxisTaps rows = build_taps(g.sy, g.sh, g.fy, g.dh, g.rows);
    typename K::Columns prepared{};
    if (!K::Prepare(cols, source->width, &prepared)) return false;
    const float factor =
        static_cast<float>(static_cast<double>(g.dw * g.dh) / static_cast<double>(g.sw * g.sh));
    const size_t reals = 4 * static_cast<size_t>(g.columns);
    constexpr int32_t kMaxSlots = 8;
    int32_t window = 1;
    for (const ScaleTap& t : rows.taps) window = std::max(window, t.count);
    const int32_t slots = window <= kMaxSlots ? window : 1;
    // Rows are passed upward on the image, the next one a stride further in memory,
    // or with one slot downward, a stride back.
    const int64_t ahead = slots > 1 ? int64_t{source->stride} : -int64_t{source->stride};

    // Result rows first ... end - 1 into out.
    auto band = [&](int32_t first, int32_t end, ScaleRowSink& out) {
        std::vector<float> sums(reals * static_cast<size_t>(slots));
        std::vector<int64_t> held(static_cast<size_t>(slots), -1);
        std::vector<float> acc;
        // The sums of source row q, made unless its slot holds them.
        auto row_sums = [&](int32_t q) {
            const size_t slot = static_cast<size_t>(q % slots);
            float* sum = sums.data() + slot * reals;
            if (held[slot] != q) {
                K::Row(image_row(source, q), prepared, g.columns, sum, ahead);
                held[slot] = q;
            }
            return sum;
        };
        for (int32_t n = first; n < end; ++n) {
            // With one slot the rows go top down, so that the boundary row a result row
            // ends with is the one the next begins with.
            const int32_t j = slots > 1 ? end - 1 - (n - first) : n;
            const ScaleTap& t = rows.taps[static_cast<size_t>(j)];
            if (slots > 1) {
                for (int32_t k = t.count - 1; k >= 0; --k) row_sums(t.first + k);
            }
            if constexpr (K::kOneSweep) {
                // Every row the result row takes is held in its slot at once.
                if (t.count <= slots) {
                    const float* held_sums[kMaxSlots];
                    for (int32_t k = 0; k < t.count; ++k) held_sums[k] = row_sums(t.first + k);
                    K::Vertical(held_sums, rows.weights.data() + t.weight, t.count, factor,
                                g.columns, out.Row(j));
                    out.Done(j);
                    continue;
                }
            }
            acc.assign(reals, 0.0f);
            for (int32_t k = 0; k < t.count; ++k) {
                K::Accumulate(acc.data(), row_sums(t.first + k),
                              rows.weights[static_cast<size_t>(t.weight + k)],
                              static_cast<int32_t>(reals));
            }
            K::Finish(acc.data(), factor, g.columns, out.Row(j));
            out.Done(j);
        }
    };

    // Each band sums its own boundary rows; a lane gives a shared band its own scratch.
    return run_row_bands(g.rows, [&](int32_t first, int32_t end, bool shared) {
        std::unique_ptr<ScaleRowSink> lane = shared ? sink.Lane() : nullptr;
        band(first, end, lane ? *lane : sink);
    });
}

// The result rows straight into a new image.
class ImageRows : public ScaleRowSink {
public:
    explicit ImageRows(CImageBuffer* image) : m_image(image) {}
    uint8_t* Row(int32_t j) override { return image_row(m_image, j); }
    void Done(int32_t) override {}

private:
    CImageBuffer* m_image;
};

}  // namespace

bool scale_rows32(const CImageBuffer* source, const ScaleGeometry& g, ScaleRowSink& sink) {
    if (!layout_accepts<Layout32>(source)) return false;
    try {
#if VEMO_SSE2_KERNELS
        if (use_avx2_kernels()) {
            // Columns of more taps than the row has pixels keep to the SSE2 form.
            if (scale32<Avx2Kernels>(source, g, sink)) return true;
        }
        if (use_sse2_kernels()) return scale32<Sse2Kernels>(source, g, sink);
#endif
        return scale32<PlainKernels>(source, g, sink);
    } catch (const std::bad_alloc&) {
        // The weight and sum lists of a giant result: out of memory like the image.
    }
    return false;
}

CImageBuffer* scale_image(const CImageBuffer* source, int32_t ox, int32_t oy, int32_t dw,
                          int32_t dh, int32_t sx, int32_t sy, int32_t sw, int32_t sh) {
    ScaleGeometry g;
    if (!scale_geometry(source, ox, oy, dw, dh, sx, sy, sw, sh, &g)) return nullptr;
    if (layout_accepts<Layout32>(source)) {
        // Every pixel is written by the finishing pass.
        ImagePtr result(create_image_for_overwrite(g.columns, g.rows, 32));
        if (!result) return nullptr;
        ImageRows rows(result.get());
        return scale_rows32(source, g, rows) ? result.release() : nullptr;
    }
    if (layout_accepts<Layout24>(source)) {
        try {
            return scale_image24_form(source, g);
        } catch (const std::bad_alloc&) {
            // As above.
        }
    }
    return nullptr;
}
