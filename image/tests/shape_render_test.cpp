// Drawings: the colour and alpha of covered pixels, rectangles and pixel-wide lines
// exactly, turned ellipses and wide pens by their extent, and bad geometry.

#include <gtest/gtest.h>

#include <climits>

#include "image/coverage_mask.h"
#include "image/shapes.h"
#include "image/tests/drawing_test_support.h"

namespace {

constexpr CColor kInk{200, 100, 30, 180};  // R, G, B, A
constexpr CColor kBack{10, 20, 250, 40};
constexpr Bgra kInkFull{30, 100, 200, 180};  // B, G, R, A
constexpr Bgra kBackPixel{250, 20, 10, 40};

DrawShape polygon(std::vector<ShapePoint> points, bool fill) {
    return {DrawShape::POLYGON, 1, fill, std::move(points), {}, 0};
}

DrawShape rect(int32_t left, int32_t top, int32_t right, int32_t bottom, bool fill) {
    return polygon({{left, top}, {right, top}, {right, bottom}, {left, bottom}}, fill);
}

DrawShape line(std::vector<ShapePoint> points, int32_t width = 1) {
    return {DrawShape::LINE, width, false, std::move(points), {}, 0};
}

DrawShape ellipse(ShapeRegion region, bool fill, int32_t angle = 0) {
    return {DrawShape::ELLIPSE, 1, fill, {}, region, angle};
}

// The pixels that are not background.
PixelBox drawn_box(const CImageBuffer* image, PixelBox area = {0, 0, INT32_MAX, INT32_MAX}) {
    return box_where(
        image, [](Bgra p) { return !(p == kBackPixel); }, area);
}

class Shapes : public BothModes {
protected:
    ImagePtr Draw(const std::vector<DrawShape>& shapes, int32_t width = 40, int32_t height = 30,
                  CColor color = kInk) {
        ImagePtr image(render_shapes_image(width, height, shapes, color, kBack));
        EXPECT_EQ(image ? image->bpp : 0, Depth());
        return image;
    }
    // Every pixel is the ink inside the inclusive box but outside the hole, and the
    // background elsewhere.
    void ExpectBox(const CImageBuffer* image, PixelBox box, PixelBox hole = {}) {
        auto inside = [](PixelBox b, int32_t x, int32_t y) {
            return x >= b.left && x <= b.right && y >= b.top && y <= b.bottom;
        };
        for (int32_t y = 0; y < image->height; ++y)
            for (int32_t x = 0; x < image->width; ++x)
                ASSERT_EQ(pixel_at(image, x, y),
                          inside(box, x, y) && !inside(hole, x, y) ? kInkFull : kBackPixel)
                    << x << ", " << y;
    }
};
VEMO_BOTH_MODES(Shapes);

TEST_P(Shapes, RectanglesLinesAndPolygonsCoverExactlyTheirPixels) {
    // A filled rectangle covers its corners' pixels, both included.
    ImagePtr filled = Draw({rect(10, 5, 20, 12, true)});
    ExpectBox(filled.get(), {10, 5, 20, 12});
    // Unfilled, only its one-pixel outline.
    ExpectBox(Draw({rect(10, 5, 20, 12, false)}).get(), {10, 5, 20, 12}, {11, 6, 19, 11});
    // A one-pixel line lights the pixels from its first point to its last.
    ExpectBox(Draw({line({{2, 3}, {30, 3}})}).get(), {2, 3, 30, 3});
    ExpectBox(Draw({line({{7, 25}, {7, 1}})}).get(), {7, 1, 7, 25});
    // Two points make a polygon that is a line; fewer draw nothing.
    ExpectBox(Draw({polygon({{4, 4}, {4, 9}}, true)}).get(), {4, 4, 4, 9});
    ExpectBox(Draw({polygon({{4, 4}}, true), line({{1, 1}}), polygon({}, true)}).get(), {});
    // A drawing without shapes is all background.
    ExpectBox(Draw({}).get(), {});
    // Polygons fill by the winding rule: the square traced twice winds twice round its
    // inside, and so does a pentagram's centre.
    ExpectBox(
        Draw({polygon({{5, 5}, {25, 5}, {25, 20}, {5, 20}, {5, 5}, {25, 5}, {25, 20}, {5, 20}},
                      true)})
            .get(),
        {5, 5, 25, 20});
    ImagePtr star = Draw({polygon({{20, 1}, {31, 28}, {3, 10}, {37, 10}, {9, 28}}, true)});
    EXPECT_EQ(pixel_at(star.get(), 20, 15), kInkFull);
}

TEST_P(Shapes, OverlapsAddColoursAndKeepTheLargerAlpha) {
    // Colours add per channel up to 255; alpha is the larger of the two, here the same.
    ImagePtr image = Draw({rect(0, 0, 9, 9, true), rect(5, 5, 14, 14, true)});
    EXPECT_EQ(pixel_at(image.get(), 2, 2), kInkFull);
    EXPECT_EQ(pixel_at(image.get(), 12, 12), kInkFull);
    EXPECT_EQ(pixel_at(image.get(), 7, 7), (Bgra{60, 200, 255, 180}));
    EXPECT_EQ(pixel_at(image.get(), 12, 2), kBackPixel);
    // Alpha 0 ink still covers: the pixel keeps the ink's colour with alpha 0.
    ImagePtr clear = Draw({rect(0, 0, 3, 3, true)}, 8, 8, {1, 2, 3, 0});
    EXPECT_EQ(pixel_at(clear.get(), 1, 1), (Bgra{3, 2, 1, 0}));
    EXPECT_EQ(pixel_at(clear.get(), 5, 5), kBackPixel);
}

TEST_P(Shapes, PenWidthWidensTheStrokeAndCoverageWeighsTheInkAlpha) {
    ImagePtr wide = Draw({line({{10, 15}, {30, 15}}, 7)});
    // Rows 12 ... 18; round ends reach half the pen beyond the points.
    EXPECT_EQ(drawn_box(wide.get()), (PixelBox{7, 12, 33, 18}));
    EXPECT_EQ(pixel_at(wide.get(), 20, 13), kInkFull);
    // Widths below one draw like one.
    for (int32_t width : {0, -40})
        ExpectBox(Draw({line({{2, 3}, {30, 3}}, width)}).get(), {2, 3, 30, 3});

    // A slanted wide line has partly covered pixels; with opaque ink the alpha is the
    // coverage c, with ink alpha 180 every pixel's alpha is c * 180 / 255.
    const std::vector<DrawShape> shapes = {line({{3, 2}, {35, 24}}, 3)};
    ImagePtr opaque = Draw(shapes, 40, 30, {200, 100, 30, 255});
    ImagePtr weighed = Draw(shapes, 40, 30, kInk);
    int partial = 0;
    for (int32_t y = 0; y < 30; ++y)
        for (int32_t x = 0; x < 40; ++x) {
            const Bgra c = pixel_at(opaque.get(), x, y);
            const Bgra p = pixel_at(weighed.get(), x, y);
            if (c == kBackPixel) {
                ASSERT_EQ(p, kBackPixel);
                continue;
            }
            partial += c.a < 255;
            ASSERT_EQ(p, (Bgra{30, 100, 200, static_cast<uint8_t>(c.a * 180 / 255)}))
                << x << ", " << y;
        }
    EXPECT_GT(partial, 20);
}

TEST_P(Shapes, EllipsesFillTheirRegionAndTurnAboutTheirCentre) {
    const ShapeRegion region{20, 40, 60, 50};  // 40 x 10 at centre (40, 45)
    ImagePtr flat = Draw({ellipse(region, true)}, 100, 100);
    EXPECT_EQ(drawn_box(flat.get()), (PixelBox{20, 40, 59, 49}));
    EXPECT_EQ(pixel_at(flat.get(), 40, 45), kInkFull);
    // The region's corners are outside the ellipse.
    EXPECT_EQ(pixel_at(flat.get(), 20, 40), kBackPixel);
    // Either order of the region's coordinates draws the same.
    EXPECT_TRUE(same_image(Draw({ellipse({60, 50, 20, 40}, true)}, 100, 100).get(), flat.get()));

    // Turned by 90 degrees it stands upright. The 100 x 100 picture turned about (50, 50)
    // holds it in columns 40 ... 49, rows 41 ... 80; with cx = 40, cy = 45, C = 0 and
    // S = -1023 it goes back by dx = -5115 >> 10 = -5, dy = 10230 >> 10 = 9, to
    // x = 40 - (50 - 5) = -5 and y = 45 - (50 + 9) = -14.
    ImagePtr upright = Draw({ellipse(region, true, 90)}, 100, 100);
    EXPECT_EQ(drawn_box(upright.get()), (PixelBox{35, 27, 44, 66}));
    EXPECT_EQ(pixel_at(upright.get(), 40, 45), kInkFull);
    // Angles that differ by whole turns draw the same; a whole turn is no turn at all.
    EXPECT_TRUE(same_image(Draw({ellipse(region, true, 450)}, 100, 100).get(), upright.get()));
    EXPECT_TRUE(same_image(Draw({ellipse(region, true, 360)}, 100, 100).get(), flat.get()));
    EXPECT_TRUE(same_image(Draw({ellipse(region, true, -720)}, 100, 100).get(), flat.get()));
    // Turned by 45 degrees it reaches past its upright box diagonally.
    ImagePtr slanted = Draw({ellipse(region, true, 45)}, 100, 100);
    const PixelBox diagonal = drawn_box(slanted.get());
    EXPECT_NEAR(diagonal.Width(), diagonal.Height(), 2);
    EXPECT_GT(diagonal.Width(), 28);
    EXPECT_LT(diagonal.Width(), 34);
    // Counter-clockwise on screen: the right end moves up.
    EXPECT_LT(drawn_box(slanted.get(), {50, 0, 99, 99}).top, 40);
}

TEST_P(Shapes, GeometryFarOutsideDrawsWhatReachesTheBitmap) {
    // Rectangles, lines and ellipses far beyond the bitmap cover what they should.
    ExpectBox(Draw({rect(-1000000000, -1000000000, 1000000000, 1000000000, true)}).get(),
              {0, 0, 39, 29});
    ExpectBox(Draw({rect(INT32_MIN, 3, INT32_MAX, 8, true)}).get(), {0, 3, 39, 8});
    ExpectBox(Draw({line({{INT32_MIN, 5}, {INT32_MAX, 5}})}).get(), {0, 5, 39, 5});
    // The corner at (10, 5) of a line from far left to far below is kept.
    ImagePtr corner = Draw({line({{-2000000000, 5}, {10, 5}, {10, 2000000000}})});
    EXPECT_EQ(drawn_box(corner.get(), {0, 0, 39, 5}), (PixelBox{0, 5, 10, 5}));
    EXPECT_EQ(drawn_box(corner.get(), {0, 6, 39, 29}), (PixelBox{10, 6, 10, 29}));
    EXPECT_EQ(pixel_at(corner.get(), 10, 5), kInkFull);
    ExpectBox(Draw({ellipse({INT32_MIN, INT32_MIN, INT32_MAX, INT32_MAX}, true)}).get(),
              {0, 0, 39, 29});
    // Nothing of these reaches it.
    ExpectBox(
        Draw({line({{-500000000, -500000000}, {-100000000, -900000000}}, 1000000),
              rect(50, 0, 90, 20, true), ellipse({INT32_MIN, 0, INT32_MIN + 10, 10}, true, 77)})
            .get(),
        {});
    // Huge pens, angles and regions draw without failing.
    EXPECT_TRUE(Draw({line({{0, 0}, {1, 1}}, INT32_MAX), ellipse({0, 0, 10, 10}, true, INT32_MIN),
                      ellipse({INT32_MAX, INT32_MAX, INT32_MIN, INT32_MIN}, false, 33)}));
}

TEST(ShapeSizes, UnusableSizesReportTheImage) {
    ErrorRecorder errors;
    EXPECT_FALSE(render_shapes_image(0, 10, {rect(0, 0, 1, 1, true)}, kInk, kBack));
    EXPECT_FALSE(render_shapes_image(10, -3, {}, kInk, kBack));
    EXPECT_FALSE(render_shapes_image(INT32_MIN, INT32_MIN, {}, kInk, kBack));
    EXPECT_EQ(errors.Take(), std::vector<std::string>(3, kImageFailedMessage));
    // Wider than the rasteriser's bitmaps: the bitmap cannot be made.
    EXPECT_FALSE(render_shapes_image(40000, 1, {rect(0, 0, 1, 1, true)}, kInk, kBack));
    EXPECT_EQ(errors.Take(), std::vector<std::string>{kBitmapFailedMessage});
}

}  // namespace
