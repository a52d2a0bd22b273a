#pragma once
// Helpers shared by the tests of captions, drawings and the film strip: the messages a
// drawing (or the processor probe) reports, and boxes of pixels.

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <functional>
#include <ostream>
#include <string>
#include <utility>
#include <vector>

#include "base/report.h"
#include "image/tests/compose_test_support.h"

// Records the status lines and error messages reported while it is installed.
class ErrorRecorder : public ReportSink {
public:
    ErrorRecorder() { set_report_sink(this); }
    ~ErrorRecorder() override { set_report_sink(nullptr); }
    ErrorRecorder(const ErrorRecorder&) = delete;
    ErrorRecorder& operator=(const ErrorRecorder&) = delete;

    void StatusLine(std::string_view text) override { lines.emplace_back(text); }
    void ShowError(std::string_view text) override { errors.emplace_back(text); }
    AskAnswer Ask(std::string_view) override { return AskAnswer::No; }
    // The errors so far, emptied.
    std::vector<std::string> Take() { return std::exchange(errors, {}); }

    std::vector<std::string> errors;
    std::vector<std::string> lines;
};

// A box of pixels, inclusive; empty when right < left.
struct PixelBox {
    int32_t left = 0, top = 0, right = -1, bottom = -1;
    bool Empty() const { return right < left || bottom < top; }
    int32_t Width() const { return Empty() ? 0 : right - left + 1; }
    int32_t Height() const { return Empty() ? 0 : bottom - top + 1; }
    friend bool operator==(const PixelBox&, const PixelBox&) = default;
};

inline std::ostream& operator<<(std::ostream& os, const PixelBox& b) {
    return os << "(" << b.left << ", " << b.top << ") - (" << b.right << ", " << b.bottom << ")";
}

// The smallest box holding every pixel of the area for which `hit` is true.
inline PixelBox box_where(const CImageBuffer* image, const std::function<bool(Bgra)>& hit,
                          PixelBox area = {0, 0, INT32_MAX, INT32_MAX}) {
    PixelBox box{INT32_MAX, INT32_MAX, -1, -1};
    const int32_t right = std::min(area.right, image->width - 1);
    const int32_t bottom = std::min(area.bottom, image->height - 1);
    for (int32_t y = area.top; y <= bottom; ++y)
        for (int32_t x = area.left; x <= right; ++x)
            if (hit(pixel_at(image, x, y)))
                box = {std::min(box.left, x), std::min(box.top, y), std::max(box.right, x),
                       std::max(box.bottom, y)};
    return box.right < 0 ? PixelBox{} : box;
}

// Pixels with any alpha: the ink of a caption or a drawing.
inline PixelBox ink_box(const CImageBuffer* image, PixelBox area = {0, 0, INT32_MAX, INT32_MAX}) {
    return box_where(
        image, [](Bgra p) { return p.a != 0; }, area);
}

inline bool same_image(const CImageBuffer* a, const CImageBuffer* b) {
    if (!a || !b || a->width != b->width || a->height != b->height || a->bpp != b->bpp)
        return false;
    for (int32_t y = 0; y < a->height; ++y)
        for (int32_t x = 0; x < a->width; ++x)
            if (!(pixel_at(a, x, y) == pixel_at(b, x, y))) return false;
    return true;
}
