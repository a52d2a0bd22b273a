// Captions and drawings on arbitrary input: the text bytes are code page 932 as a
// scenario holds them, converted as the document converts them; the leading bytes
// choose the picture size, font size, alignment, placement, margin, face and a few
// shapes. Every picture of a usable size must come out at that size, in the image
// mode's layout.

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "base/cp932.h"
#include "base/report.h"
#include "image/image_buffer.h"
#include "image/shapes.h"
#include "image/text_render.h"

namespace {

class QuietSink : public ReportSink {
public:
    void StatusLine(std::string_view) override {}
    void ShowError(std::string_view) override {}
    AskAnswer Ask(std::string_view) override { return AskAnswer::No; }
};

// Reads the input front to back; past its end every value is 0.
class Bytes {
public:
    Bytes(const uint8_t* data, size_t size) : m_data(data), m_size(size) {}
    uint8_t Next() { return m_at < m_size ? m_data[m_at++] : 0; }
    int32_t Next16() {
        const uint8_t low = Next();
        const uint8_t high = Next();
        return static_cast<int16_t>(low | high << 8);
    }
    std::string Rest() {
        const size_t at = std::min(m_at, m_size);
        m_at = m_size;
        return {reinterpret_cast<const char*>(m_data) + at, m_size - at};
    }

private:
    const uint8_t* m_data;
    size_t m_size;
    size_t m_at = 0;
};

// A font dimension: mostly small, sometimes 0 or negative, now and then enormous.
int32_t font_dimension(uint8_t b) {
    if (b == 255) return INT32_MAX;
    if (b >= 240) return -(b - 239) * 7;
    return b;
}

// A coordinate near the picture, or far outside it when `far` is set.
int32_t coordinate(int32_t v, bool far) {
    return far ? static_cast<int32_t>(static_cast<int64_t>(v) * 65536) : v % 400;
}

void check(const CImageBuffer* image, int32_t width, int32_t height, int bpp) {
    if (!image || image->width != width || image->height != height || image->bpp != bpp)
        __builtin_trap();
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    static QuietSink sink;
    set_report_sink(&sink);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    Bytes in(data, size);
    const int32_t width = 1 + in.Next();
    const int32_t height = 1 + in.Next();
    const int32_t font_width = font_dimension(in.Next());
    const int32_t font_height = font_dimension(in.Next());
    const int32_t align = in.Next() % 4;
    const int32_t placement = 16 + in.Next() % 4;
    const int32_t margin = static_cast<int8_t>(in.Next());
    const uint8_t choice = in.Next();
    const char* faces[] = {"ＭＳ ゴシック", "IPAPGothic", "No Such Face", ""};
    const int bpp = choice & 4 ? 24 : 32;
    set_image_mode(bpp);
    const CColor color{in.Next(), in.Next(), in.Next(), in.Next()};
    const CColor back{in.Next(), 0, in.Next(), in.Next()};

    std::vector<DrawShape> shapes(in.Next() % 4);
    for (DrawShape& shape : shapes) {
        const uint8_t kind = in.Next();
        shape.kind = static_cast<DrawShape::Kind>(kind % 3);
        const bool far = kind & 0x80;
        shape.fill = kind & 0x40;
        shape.width = static_cast<int8_t>(in.Next());
        shape.angle = in.Next16();
        shape.region = {coordinate(in.Next16(), far), coordinate(in.Next16(), far),
                        coordinate(in.Next16(), far), coordinate(in.Next16(), far)};
        shape.points.resize(in.Next() % 7);
        for (ShapePoint& p : shape.points)
            p = {coordinate(in.Next16(), far), coordinate(in.Next16(), far)};
    }

    const std::string text = cp932_to_utf8(in.Rest());
    ImagePtr caption(render_text_image(text, width, height, faces[choice % 4], font_width,
                                       font_height, align, placement, margin, color, back));
    check(caption.get(), width, height, bpp);
    ImagePtr drawing(render_shapes_image(width, height, shapes, color, back));
    check(drawing.get(), width, height, bpp);
    return 0;
}
