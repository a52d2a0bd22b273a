// The film strip, painted straight into its image: every edge is a whole pixel, so the
// strip's colour and black meet without shades between them (the FILM scene makes the
// black transparent).
//
// The strip is laid out along its length (x when horizontal, y otherwise) in units
// u = length >> 4: separators u long every 13u from u, sprocket holes every 13u / 14
// (horizontal) or 13u / 8 (vertical) from 0, over a strip of 13u per frame plus 3u,
// all shifted back by the offset.

#include "image/film_strip.h"

#include <algorithm>
#include <array>

#include "base/report.h"
#include "image/coverage_mask.h"

namespace {

struct Bgr {
    uint8_t b = 0;
    uint8_t g = 0;
    uint8_t r = 0;
};

// Paints along/across coordinates: `along` runs the strip's length. Rectangles are
// half-open and cut to the image.
class StripCanvas {
public:
    StripCanvas(CImageBuffer* image, bool horizontal)
        : m_image(image),
          m_horizontal(horizontal),
          m_length(horizontal ? image->width : image->height),
          m_breadth(horizontal ? image->height : image->width) {}

    int64_t Length() const { return m_length; }
    int64_t Breadth() const { return m_breadth; }

    void Fill(int64_t along0, int64_t along1, int64_t across0, int64_t across1, Bgr color) {
        along0 = std::max<int64_t>(along0, 0);
        across0 = std::max<int64_t>(across0, 0);
        along1 = std::min(along1, m_length);
        across1 = std::min(across1, m_breadth);
        if (along0 >= along1 || across0 >= across1) return;
        if (m_horizontal)
            FillXY(along0, along1, across0, across1, color);
        else
            FillXY(across0, across1, along0, along1, color);
    }

    // Black with the four corners rounded by a 5 x 5 ellipse: the pixel in each very
    // corner, whose centre lies outside the corner's circle, keeps what it had. A hole
    // narrower than 3 pixels has no corners to round.
    void Hole(int64_t along0, int64_t along1, int64_t across0, int64_t across1) {
        const bool rounded = along1 - along0 >= 3 && across1 - across0 >= 3;
        std::array<Corner, 4> corners;
        size_t kept = 0;
        if (rounded)
            for (int64_t a : {along0, along1 - 1})
                for (int64_t c : {across0, across1 - 1})
                    if (Inside(a, c)) corners[kept++] = {a, c, Get(a, c)};
        Fill(along0, along1, across0, across1, {});
        for (size_t i = 0; i < kept; ++i)
            Fill(corners[i].along, corners[i].along + 1, corners[i].across, corners[i].across + 1,
                 corners[i].color);
    }

private:
    struct Corner {
        int64_t along = 0;
        int64_t across = 0;
        Bgr color;
    };

    bool Inside(int64_t along, int64_t across) const {
        return along >= 0 && along < m_length && across >= 0 && across < m_breadth;
    }

    Bgr Get(int64_t along, int64_t across) const {
        const int64_t x = m_horizontal ? along : across;
        const int64_t y = m_horizontal ? across : along;
        const uint8_t* p = image_row(m_image, static_cast<int32_t>(y)) + 3 * x;
        return {p[0], p[1], p[2]};
    }

    void FillXY(int64_t x0, int64_t x1, int64_t y0, int64_t y1, Bgr color) {
        for (int64_t y = y0; y < y1; ++y) {
            uint8_t* p = image_row(m_image, static_cast<int32_t>(y)) + 3 * x0;
            for (int64_t x = x0; x < x1; ++x, p += 3) {
                p[0] = color.b;
                p[1] = color.g;
                p[2] = color.r;
            }
        }
    }

    CImageBuffer* m_image;
    bool m_horizontal;
    int64_t m_length;
    int64_t m_breadth;
};

}  // namespace

CImageBuffer* render_film_strip_image(int32_t frames, bool horizontal, int32_t offset,
                                      int32_t width, int32_t height, uint8_t red, uint8_t green,
                                      uint8_t blue) {
    const int64_t canvas_w = int64_t{width} + (horizontal ? 1 : 0);
    const int64_t canvas_h = int64_t{height} + (horizontal ? 0 : 1);
    CImageBuffer* image =
        canvas_w <= INT32_MAX && canvas_h <= INT32_MAX
            ? create_image24a(static_cast<int32_t>(canvas_w), static_cast<int32_t>(canvas_h))
            : nullptr;
    if (!image) {
        ErrorBox("%s", kBitmapFailedMessage);
        return nullptr;
    }
    StripCanvas canvas(image, horizontal);
    const Bgr strip{blue, green, red};
    const int64_t n = canvas.Length();   // W when horizontal, H otherwise
    const int64_t b = canvas.Breadth();  // H when horizontal, W otherwise
    const int64_t u = n >> 4;
    const int64_t end = 13 * u * frames + 3 * u - offset;  // L - offset

    // Edge bands along the whole length.
    canvas.Fill(0, n, 0, b / 8, strip);
    canvas.Fill(0, n, 7 * b / 8, b, strip);

    // Separators, u long, every 13u from u: only those that reach into the image.
    const int64_t period = 13 * u;
    if (u > 0) {
        int64_t first = u - offset;
        if (first + u <= 0) first += (-(first + u)) / period * period;
        for (int64_t a = first; a < end && a < n; a += period) canvas.Fill(a, a + u, 0, b, strip);
    }

    // Sprocket holes near both edges.
    const int64_t hole_step = horizontal ? 13 * u / 14 : 13 * u / 8;
    const int64_t hole_length = horizontal ? n / 32 : n / 20;
    const int64_t hole_breadth = 7 * b / 120;
    const int64_t near_edge = b / 30;
    const int64_t far_edge = 218 * b / 240;
    int64_t first = -int64_t{offset};
    if (hole_step > 0 && first + hole_length <= 0)
        first += (-(first + hole_length)) / hole_step * hole_step;
    for (int64_t a = first; a < end && a < n; a += hole_step) {
        canvas.Hole(a, a + hole_length, near_edge, near_edge + hole_breadth);
        canvas.Hole(a, a + hole_length, far_edge, far_edge + hole_breadth);
        if (hole_step <= 0) break;  // every hole would fall on the first
    }
    return image;
}
