// Clipping and flattening of shape outlines.

#include "image/shape_geometry.h"

#include <algorithm>
#include <cmath>
#include <numbers>

namespace {

// One side of the box: inside when Distance() >= 0.
struct Side {
    int axis;      // 0: x, 1: y
    double limit;  // the box's edge on that axis
    double sign;   // +1: keep values >= limit; -1: keep values <= limit

    double Distance(const PathPoint& p) const { return ((axis == 0 ? p.x : p.y) - limit) * sign; }
    PathPoint Cut(const PathPoint& a, const PathPoint& b) const {
        const double da = Distance(a);
        const double t = da / (da - Distance(b));
        PathPoint p{a.x + (b.x - a.x) * t, a.y + (b.y - a.y) * t};
        // Exactly on the edge, whatever the rounding.
        (axis == 0 ? p.x : p.y) = limit;
        return p;
    }
};

std::vector<Side> sides(const ClipBox& box) {
    return {{0, box.left, 1}, {0, box.right, -1}, {1, box.top, 1}, {1, box.bottom, -1}};
}

}  // namespace

PathRun clip_polygon(const PathRun& polygon, const ClipBox& box) {
    // One side at a time (Sutherland-Hodgman). An excursion outside a side is replaced
    // by the straight way along it, which winds round no point inside.
    PathRun current = polygon;
    for (const Side& side : sides(box)) {
        if (current.empty()) break;
        PathRun next;
        next.reserve(current.size() + 4);
        PathPoint previous = current.back();
        bool previous_in = side.Distance(previous) >= 0;
        for (const PathPoint& point : current) {
            const bool in = side.Distance(point) >= 0;
            if (in != previous_in) next.push_back(side.Cut(previous, point));
            if (in) next.push_back(point);
            previous = point;
            previous_in = in;
        }
        current = std::move(next);
    }
    return current;
}

std::vector<PathRun> clip_polyline(const PathRun& line, const ClipBox& box) {
    std::vector<PathRun> runs;
    PathRun run;
    for (size_t i = 1; i < line.size(); ++i) {
        // Liang-Barsky: the part t0 ... t1 of the segment lies inside every side.
        const PathPoint a = line[i - 1];
        const PathPoint b = line[i];
        double t0 = 0;
        double t1 = 1;
        for (const Side& side : sides(box)) {
            const double da = side.Distance(a);
            const double db = side.Distance(b);
            if (da < 0 && db < 0) {
                t0 = 1;
                t1 = 0;
                break;
            }
            if (da < 0) t0 = std::max(t0, da / (da - db));
            if (db < 0) t1 = std::min(t1, da / (da - db));
        }
        if (t0 > t1) {
            if (run.size() > 1) runs.push_back(std::move(run));
            run.clear();
            continue;
        }
        const PathPoint from{a.x + (b.x - a.x) * t0, a.y + (b.y - a.y) * t0};
        const PathPoint to{a.x + (b.x - a.x) * t1, a.y + (b.y - a.y) * t1};
        // A piece that starts where the previous one ended continues its run, so the
        // join between them is drawn as a join.
        if (t0 > 0 || run.empty()) {
            if (run.size() > 1) runs.push_back(std::move(run));
            run = {from};
        }
        run.push_back(to);
        if (t1 < 1) {
            runs.push_back(std::move(run));
            run.clear();
        }
    }
    if (run.size() > 1) runs.push_back(std::move(run));
    return runs;
}

PathRun ellipse_outline(double cx, double cy, double rx, double ry) {
    // A chord of angle step d deviates from the curve by at most max(rx, ry) * d^2 / 8.
    const double radius = std::max({rx, ry, 1.0});
    const double step = std::sqrt(0.4 / radius);
    const int count = std::max(16, static_cast<int>(std::ceil(2 * std::numbers::pi / step)));
    PathRun outline;
    outline.reserve(count);
    for (int i = 0; i < count; ++i) {
        const double t = 2 * std::numbers::pi * i / count;
        outline.push_back({cx + rx * std::cos(t), cy + ry * std::sin(t)});
    }
    return outline;
}
