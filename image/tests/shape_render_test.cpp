// Drawings: the colour and alpha of covered pixels, rectangles and pixel-wide lines
// exactly, turned ellipses and wide pens by their extent, and bad geometry. The film
// strip: its size, bands, separators and sprocket holes, pixel by pixel.

#include <gtest/gtest.h>

#include <climits>
#include <span>

#include "image/coverage_mask.h"
#include "image/film_strip.h"
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
        expect_every_pixel(image, [&](int32_t x, int32_t y) {
            return inside(box, x, y) && !inside(hole, x, y) ? kInkFull : kBackPixel;
        });
    }
};
VEMO_BOTH_MODES(Shapes);

TEST_P(Shapes, RectanglesLinesAndPolygonsCoverExactlyTheirPixels) {
    // A filled rectangle covers its corners' pixels, both included.
    ExpectBox(Draw({rect(10, 5, 20, 12, true)}).get(), {10, 5, 20, 12});
    // Unfilled, only its one-pixel outline.
    ExpectBox(Draw({rect(10, 5, 20, 12, false)}).get(), {10, 5, 20, 12}, {11, 6, 19, 11});
    // A one-pixel line lights the pixels from its first point to its last.
    ExpectBox(Draw({line({{2, 3}, {30, 3}})}).get(), {2, 3, 30, 3});
    ExpectBox(Draw({line({{7, 25}, {7, 1}})}).get(), {7, 1, 7, 25});
    // Two points make a polygon that is a line; fewer, or no shapes, draw nothing.
    ExpectBox(Draw({polygon({{4, 4}, {4, 9}}, true)}).get(), {4, 4, 4, 9});
    ExpectBox(Draw({polygon({{4, 4}}, true), line({{1, 1}}), polygon({}, true)}).get(), {});
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
    expect_pixels_at(
        Draw({rect(0, 0, 9, 9, true), rect(5, 5, 14, 14, true)}).get(),
        {{2, 2, kInkFull}, {12, 12, kInkFull}, {7, 7, {60, 200, 255, 180}}, {12, 2, kBackPixel}});
    // Alpha 0 ink still covers: the pixel keeps the ink's colour with alpha 0.
    expect_pixels_at(Draw({rect(0, 0, 3, 3, true)}, 8, 8, {1, 2, 3, 0}).get(),
                     {{1, 1, {3, 2, 1, 0}}, {5, 5, kBackPixel}});
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
    expect_every_pixel(weighed.get(), [&](int32_t x, int32_t y) {
        const Bgra c = pixel_at(opaque.get(), x, y);
        if (c == kBackPixel) return kBackPixel;
        partial += c.a < 255;
        return Bgra{30, 100, 200, static_cast<uint8_t>(c.a * 180 / 255)};
    });
    EXPECT_GT(partial, 20);
}

TEST_P(Shapes, EllipsesFillTheirRegionAndTurnAboutTheirCentre) {
    const ShapeRegion region{20, 40, 60, 50};  // 40 x 10 at centre (40, 45)
    ImagePtr flat = Draw({ellipse(region, true)}, 100, 100);
    EXPECT_EQ(drawn_box(flat.get()), (PixelBox{20, 40, 59, 49}));
    // The region's corners are outside the ellipse.
    expect_pixels_at(flat.get(), {{40, 45, kInkFull}, {20, 40, kBackPixel}});
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

constexpr Bgra kStrip{50, 100, 200, 0};  // RGB(200, 100, 50), alpha plane 0
constexpr Bgra kBlack{0, 0, 0, 0};

ImagePtr strip(int32_t frames, bool horizontal, int32_t offset, int32_t width, int32_t height) {
    return ImagePtr(
        render_film_strip_image(frames, horizontal, offset, width, height, 200, 100, 50));
}

// The colour of (x, y), or of (y, x) for a vertical strip, so that both directions read
// along the strip first.
Bgra along(const CImageBuffer* image, bool horizontal, int32_t a, int32_t c) {
    return horizontal ? pixel_at(image, a, c) : pixel_at(image, c, a);
}

// Pixels along a, across c, that must be the strip's colour or black.
struct Probe {
    int32_t a, c;
    bool strip;
};

void expect_probes(const CImageBuffer* image, bool horizontal, std::span<const Probe> probes) {
    for (const Probe& p : probes)
        EXPECT_EQ(along(image, horizontal, p.a, p.c), p.strip ? kStrip : kBlack)
            << "along " << p.a << ", across " << p.c;
}

class FilmStrip : public ::testing::TestWithParam<bool> {};
INSTANTIATE_TEST_SUITE_P(Directions, FilmStrip, ::testing::Bool(),
                         [](const auto& info) { return info.param ? "Horizontal" : "Vertical"; });

TEST_P(FilmStrip, BandsSeparatorsAndHolesAtTheirPixels) {
    // Along 320 (319 + 1), across 240: u = 20, bands 0 ... 29 and 210 ... 239, separators
    // 20 ... 39 and 280 ... 299 (L = 580), holes across 8 ... 21 and 218 ... 231, every
    // 18 pixels 10 long when horizontal, every 32 pixels 16 long when vertical.
    const bool h = GetParam();
    ImagePtr image = h ? strip(2, true, 0, 319, 240) : strip(2, false, 0, 240, 319);
    ASSERT_TRUE(image);
    EXPECT_EQ(size_of(image.get()), std::tuple(h ? 320 : 240, h ? 240 : 320, 24));
    ASSERT_TRUE(image->alpha);
    for (int64_t i = 0; i < int64_t{image->alphaStride} * image->height; ++i)
        ASSERT_EQ(image->alpha[i], 0);
    const CImageBuffer* im = image.get();
    const int32_t step = h ? 18 : 32;
    const int32_t hole = h ? 10 : 16;

    // Bands along the whole length, black between them except at separators.
    for (int32_t a : {hole + 1, 150, 319}) {
        const Probe bands[] = {{a, 0, true}, {a, 29, true}, {a, 210, true}, {a, 239, true}};
        expect_probes(im, h, bands);
    }
    for (int32_t c : {30, 120, 209}) {
        const Probe separators[] = {{19, c, false}, {20, c, true},   {39, c, true},
                                    {40, c, false}, {150, c, false}, {279, c, false},
                                    {280, c, true}, {299, c, true},  {300, c, false}};
        expect_probes(im, h, separators);
    }
    // The first hole: black inside, its very corners (the first two) and everything
    // around in the band. The next holes, the second one cut into the separator it
    // overlaps.
    for (int32_t c0 : {8, 218}) {
        const int32_t c1 = c0 + 13, c5 = c0 + 5;
        const Probe holes[] = {{0, c0, true},      {hole - 1, c1, true},     {1, c0, false},
                               {0, c0 + 1, false}, {hole - 2, c1, false},    {5, c0 - 1, true},
                               {5, c1 + 1, true},  {hole, c5, true},         {step - 1, c5, true},
                               {step, c5, false},  {2 * step + 2, c5, false}};
        expect_probes(im, h, holes);
    }
    EXPECT_EQ(along(im, h, 2 * step + 2, 120), h ? kStrip : kBlack) << "separator 20 ... 39";
}

TEST_P(FilmStrip, OffsetScrollsAndTheStripEndsAtItsLength) {
    const bool h = GetParam();
    // One frame, offset 100: L - offset = 220. Separators at -80 and 180; holes from
    // -100 every 18 (horizontal) up to 206, every 32 (vertical) up to 220 exclusive.
    ImagePtr image = h ? strip(1, true, 100, 319, 240) : strip(1, false, 100, 240, 319);
    ASSERT_TRUE(image);
    const CImageBuffer* im = image.get();
    // The separator at -80 ends at -61; none and no hole past the strip's end.
    const int32_t last = h ? 206 : 188, next = last + (h ? 18 : 32);
    const Probe ends[] = {{179, 120, false},     {180, 120, true},    {199, 120, true},
                          {200, 120, false},     {0, 120, false},     {290, 120, false},
                          {last + 2, 10, false}, {next + 2, 10, true}};
    expect_probes(im, h, ends);
    // A hole cut by the start of the image has no corner there: vertically the hole at
    // -100 + 3 * 32 = -4 covers 0 ... 11; horizontally, with offset 95, the one at -5
    // covers 0 ... 4.
    ImagePtr cut = h ? strip(1, true, 95, 319, 240) : ImagePtr(duplicate_image(im));
    const int32_t hole_end = h ? 5 : 12;
    const Probe corner[] = {
        {0, 8, false}, {hole_end - 2, 8, false}, {hole_end - 1, 8, true}, {hole_end, 10, true}};
    expect_probes(cut.get(), h, corner);
}

TEST(FilmStripLimits, TinyHugeAndUnusableSizesNeverHang) {
    ErrorRecorder errors;
    // Below 16 pixels the unit is 0: no separators, every hole on the first one.
    ImagePtr tiny(render_film_strip_image(3, true, 0, 10, 4, 1, 2, 3));
    ASSERT_TRUE(tiny);
    EXPECT_EQ(std::pair(tiny->width, tiny->height), std::pair(11, 4));
    // The unit 1 makes the horizontal hole step 0.
    EXPECT_TRUE(ImagePtr(render_film_strip_image(3, true, -7, 20, 60, 1, 2, 3)));
    // Extreme frame counts and offsets only paint what reaches the image.
    ImagePtr far(render_film_strip_image(INT32_MAX, false, INT32_MIN, 64, 64, 1, 2, 3));
    ASSERT_TRUE(far);
    EXPECT_EQ(far->height, 65);
    EXPECT_TRUE(ImagePtr(render_film_strip_image(INT32_MIN, true, INT32_MAX, 64, 64, 1, 2, 3)));
    EXPECT_TRUE(errors.Take().empty());

    EXPECT_FALSE(render_film_strip_image(2, true, 0, 10, 0, 1, 2, 3)) << "height 0";
    EXPECT_FALSE(render_film_strip_image(2, false, 0, 10, -1, 1, 2, 3)) << "1 + -1 = 0";
    EXPECT_FALSE(render_film_strip_image(2, true, 0, -5, 10, 1, 2, 3));
    EXPECT_FALSE(render_film_strip_image(2, true, 0, INT32_MAX, 10, 1, 2, 3));
    EXPECT_EQ(errors.Take(), std::vector<std::string>(4, kBitmapFailedMessage));
}

}  // namespace
