#pragma once
// Outlines of shapes in pixel coordinates, cut down to a box around the bitmap before
// they reach the rasteriser, whose fixed-point coordinates cannot hold points far
// outside. Internal to the image library.

#include <vector>

#include "image/shapes.h"

struct PathPoint {
    double x = 0;
    double y = 0;
};

using PathRun = std::vector<PathPoint>;

struct ClipBox {
    double left = 0;
    double top = 0;
    double right = 0;
    double bottom = 0;
};

// The closed polygon cut to the box. Every point inside the box keeps its winding
// number, so fills by either rule are unchanged there; the cut edges run along the box.
PathRun clip_polygon(const PathRun& polygon, const ClipBox& box);

// The open polyline cut to the box: each run is a connected piece inside it.
std::vector<PathRun> clip_polyline(const PathRun& line, const ClipBox& box);

// The outline of the ellipse centred at (cx, cy) with radii rx and ry as a closed
// polygon whose chords stay within 1/20 pixel of the curve.
PathRun ellipse_outline(double cx, double cy, double rx, double ry);
