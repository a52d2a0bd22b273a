#pragma once
// Drawings made of shapes: lines, polygons (rectangles among them) and ellipses, drawn
// in one colour over a background colour.

#include <cstdint>
#include <vector>

#include "image/image_buffer.h"

struct ShapePoint {
    int32_t x = 0;
    int32_t y = 0;
    friend constexpr bool operator==(const ShapePoint&, const ShapePoint&) = default;
};

struct ShapeRegion {
    int32_t left = 0;
    int32_t top = 0;
    int32_t right = 0;
    int32_t bottom = 0;
    friend constexpr bool operator==(const ShapeRegion&, const ShapeRegion&) = default;
};

// One shape of a drawing. A rectangle is the closed polygon of its four corners.
struct DrawShape {
    enum Kind { LINE, POLYGON, ELLIPSE };

    Kind kind = LINE;
    int32_t width = 1;               // pen width in pixels
    bool fill = false;               // POLYGON, ELLIPSE
    std::vector<ShapePoint> points;  // LINE, POLYGON
    ShapeRegion region;              // ELLIPSE: the box it is drawn in (either order)
    int32_t angle = 0;               // ELLIPSE: degrees, counter-clockwise on screen
};

// A width x height drawing: each shape in turn is drawn in color (a line through its
// points; a closed polygon, filled by the winding rule when fill is set; an ellipse in
// its region, turned by its angle about the region's centre), where shapes overlap
// their colours add up (saturating) and the larger alpha stays, and every pixel no shape
// covers has back_color. A pixel's alpha is its coverage times color.alpha / 255. The
// result is in the image mode's layout; none, after a message, when a drawing step
// fails (a size below 1 included).
CImageBuffer* render_shapes_image(int32_t width, int32_t height,
                                  const std::vector<DrawShape>& shapes, CColor color,
                                  CColor back_color);
