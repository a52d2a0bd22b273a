// Drawings: each shape is rasterised by Cairo, white on black, into a coverage mask of
// its own; an ellipse's picture is then turned by its angle; the coverage becomes the
// drawing colour and the shapes are added up over the background.
//
// Coordinates name pixels, as the scenario writes them: a point is the centre of its
// pixel, so a one-pixel pen through (x, y) covers exactly that pixel and a rectangle's
// outline covers its corner pixels. A pen one pixel wide (or less) has square ends and
// mitred corners, as pixel-drawn lines have; a wider pen is round at its ends and
// corners. An ellipse's one-pixel outline lies inside its region, which excludes the
// right column and the bottom row.

#include <algorithm>
#include <cmath>
#include <cstring>
#include <memory>
#include <new>
#include <numbers>

#include "base/report.h"
#include "image/compose.h"
#include "image/coverage_mask.h"
#include "image/shape_geometry.h"
#include "image/shapes.h"
#include "image/transform.h"

namespace {

// Wider pens are drawn this wide; a wider one could only matter on bitmaps larger than
// the rasteriser takes.
constexpr double kMaxPenWidth = 1 << 20;

double pen_width(const DrawShape& shape) {
    return std::clamp(static_cast<double>(shape.width), 1.0, kMaxPenWidth);
}

// The bitmap with room for the pen on every side: geometry beyond it cannot show.
ClipBox clip_box(const CoverageMask& mask, double pen) {
    const double room = pen / 2 + 4;
    return {-room, -room, mask.Width() + room, mask.Height() + room};
}

// Points at the centres of their pixels.
PathRun pixel_centres(const std::vector<ShapePoint>& points) {
    PathRun run;
    run.reserve(points.size());
    for (const ShapePoint& p : points) run.push_back({p.x + 0.5, p.y + 0.5});
    return run;
}

void set_pen(cairo_t* cairo, double pen) {
    cairo_set_line_width(cairo, pen);
    cairo_set_line_cap(cairo, pen <= 1 ? CAIRO_LINE_CAP_SQUARE : CAIRO_LINE_CAP_ROUND);
    cairo_set_line_join(cairo, pen <= 1 ? CAIRO_LINE_JOIN_MITER : CAIRO_LINE_JOIN_ROUND);
}

void add_run(cairo_t* cairo, const PathRun& run, bool closed) {
    if (run.empty()) return;
    cairo_move_to(cairo, run[0].x, run[0].y);
    for (size_t i = 1; i < run.size(); ++i) cairo_line_to(cairo, run[i].x, run[i].y);
    if (closed) cairo_close_path(cairo);
}

// A closed outline: filled by the winding rule when asked, then its pen.
void draw_closed(cairo_t* cairo, const PathRun& outline, bool fill, double pen,
                 const ClipBox& box) {
    const PathRun clipped = clip_polygon(outline, box);
    if (clipped.empty()) return;
    add_run(cairo, clipped, true);
    if (fill) {
        cairo_set_fill_rule(cairo, CAIRO_FILL_RULE_WINDING);
        cairo_fill_preserve(cairo);
    }
    set_pen(cairo, pen);
    cairo_stroke(cairo);
}

// A one-pixel pen lights the pixel of every point, also where the outline turns back
// on itself (a mitre that long is cut off).
void light_points(cairo_t* cairo, const PathRun& points, double pen, const ClipBox& box) {
    if (pen > 1) return;
    for (const PathPoint& p : points)
        if (p.x >= box.left && p.x <= box.right && p.y >= box.top && p.y <= box.bottom)
            cairo_rectangle(cairo, p.x - 0.5, p.y - 0.5, 1, 1);
    cairo_fill(cairo);
}

void draw_shape(const CoverageMask& mask, const DrawShape& shape) {
    cairo_t* cairo = mask.Context();
    const double pen = pen_width(shape);
    const ClipBox box = clip_box(mask, pen);
    cairo_set_source_rgb(cairo, 1.0, 1.0, 1.0);
    switch (shape.kind) {
        case DrawShape::LINE: {
            if (shape.points.size() < 2) return;
            const PathRun points = pixel_centres(shape.points);
            for (const PathRun& run : clip_polyline(points, box)) add_run(cairo, run, false);
            set_pen(cairo, pen);
            cairo_stroke(cairo);
            light_points(cairo, points, pen, box);
            return;
        }
        case DrawShape::POLYGON: {
            if (shape.points.size() < 2) return;
            const PathRun points = pixel_centres(shape.points);
            draw_closed(cairo, points, shape.fill, pen, box);
            light_points(cairo, points, pen, box);
            return;
        }
        case DrawShape::ELLIPSE: {
            const ShapeRegion& r = shape.region;
            const double cx = (static_cast<double>(r.left) + r.right) / 2;
            const double cy = (static_cast<double>(r.top) + r.bottom) / 2;
            // The outline's centre line half a pixel inside the region's edges.
            const double rx =
                std::max(0.0, (std::fabs(static_cast<double>(r.right) - r.left) - 1) / 2);
            const double ry =
                std::max(0.0, (std::fabs(static_cast<double>(r.bottom) - r.top) - 1) / 2);
            draw_closed(cairo, ellipse_outline(cx, cy, rx, ry), shape.fill, pen, box);
            return;
        }
    }
}

int32_t clamp_offset(int64_t v) {
    // Beyond +-2^30 an image lands wholly outside another as surely as at the true offset.
    return static_cast<int32_t>(std::clamp<int64_t>(v, -(int64_t{1} << 30), int64_t{1} << 30));
}

void set_alpha_plane(CImageBuffer* image, uint8_t value) {
    std::memset(image->alpha, value, static_cast<size_t>(image->alphaStride) * image->height);
}

// The drawn ellipse turned by its angle about its own centre: the whole picture is
// turned about the picture's centre and drawn back so that the ellipse centre stays
// where it was. None when an image cannot be made.
ImagePtr turn_ellipse(ImagePtr drawn, const DrawShape& shape) {
    if (shape.angle % 360 == 0) return drawn;
    const double theta =
        static_cast<double>(-int64_t{shape.angle} % 360) * std::numbers::pi / 180.0;
    const int64_t c = static_cast<int64_t>(std::cos(theta) * 1024 + 0.5);
    const int64_t s = static_cast<int64_t>(std::sin(theta) * 1024 + 0.5);
    const ShapeRegion& r = shape.region;
    const int64_t cx = (int64_t{r.left} + r.right) / 2;
    const int64_t cy = (int64_t{r.top} + r.bottom) / 2;
    const int64_t w = drawn->width;
    const int64_t h = drawn->height;
    // Opaque for the turn, so that the colour bytes come through unweighted.
    set_alpha_plane(drawn.get(), 255);
    ImagePtr turned(rotate_image(drawn.get(), shape.angle));
    ImagePtr result(turned ? create_image24a(drawn->width, drawn->height) : nullptr);
    if (!result) return nullptr;
    const int64_t dx = ((cx - w / 2) * c - (cy - h / 2) * s) >> 10;
    const int64_t dy = ((cx - w / 2) * s + (cy - h / 2) * c) >> 10;
    compose_image(result.get(), turned.get(), clamp_offset(cx - (turned->width / 2 + dx)),
                  clamp_offset(cy - (turned->height / 2 + dy)), COMPOSE_ALPHA);
    // Only the colour bytes count as coverage.
    set_alpha_plane(result.get(), 0);
    return result;
}

// Covered pixels (colour byte not 0) take the drawing colour and the alpha of their
// coverage, and are marked in `covered`.
void colour_coverage(CImageBuffer* image, CColor color, uint8_t* covered) {
    for (int32_t y = 0; y < image->height; ++y) {
        uint8_t* p = image_row(image, y);
        uint8_t* alpha = image_alpha_row(image, y);
        uint8_t* mark = covered + static_cast<int64_t>(y) * image->width;
        for (int32_t x = 0; x < image->width; ++x, p += 3) {
            const uint8_t c = p[0];
            if (c == 0) continue;
            alpha[x] = coverage_alpha(c, color.alpha);
            p[0] = color.blue;
            p[1] = color.green;
            p[2] = color.red;
            mark[x] = 1;
        }
    }
}

// Every pixel that no shape covered gets the background colour and alpha.
void paint_uncovered(CImageBuffer* image, CColor back_color, const uint8_t* covered) {
    for (int32_t y = 0; y < image->height; ++y) {
        uint8_t* p = image_row(image, y);
        uint8_t* alpha = image_alpha_row(image, y);
        const uint8_t* mark = covered + static_cast<int64_t>(y) * image->width;
        for (int32_t x = 0; x < image->width; ++x, p += 3) {
            if (mark[x]) continue;
            p[0] = back_color.blue;
            p[1] = back_color.green;
            p[2] = back_color.red;
            alpha[x] = back_color.alpha;
        }
    }
}

}  // namespace

CImageBuffer* render_shapes_image(int32_t width, int32_t height,
                                  const std::vector<DrawShape>& shapes, CColor color,
                                  CColor back_color) {
    ImagePtr result(create_image24a(width, height));
    std::unique_ptr<uint8_t[]> covered(
        result ? new (std::nothrow) uint8_t[static_cast<size_t>(width) * height]() : nullptr);
    if (!covered) {
        ErrorBox("%s", kImageFailedMessage);
        return nullptr;
    }
    CoverageMask mask;
    if (!shapes.empty() && mask.Create(width, height) != 0) return nullptr;
    for (const DrawShape& shape : shapes) {
        mask.Clear();
        draw_shape(mask, shape);
        mask.Flush();
        ImagePtr drawn(cairo_status(mask.Context()) == CAIRO_STATUS_SUCCESS ? mask_to_image24(mask)
                                                                            : nullptr);
        if (drawn && shape.kind == DrawShape::ELLIPSE)
            drawn = turn_ellipse(std::move(drawn), shape);
        if (!drawn) {
            ErrorBox("%s", kImageFailedMessage);
            return nullptr;
        }
        colour_coverage(drawn.get(), color, covered.get());
        compose_image(result.get(), drawn.get(), 0, 0, COMPOSE_ADD);
    }
    paint_uncovered(result.get(), back_color, covered.get());
    return drawn_to_work_image(std::move(result));
}
