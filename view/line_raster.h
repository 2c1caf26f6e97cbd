#pragma once

#include <cmath>
#include <cstdlib>

#include "view/draw_tools.h"

namespace brelix {

// A line segment in pixel coordinates.
struct CSegment {
    double x0, y0, x1, y1;
};

// Cuts a segment to the rectangle [0, width - 1] x [0, height - 1] (Liang-Barsky). False when no part of
// it lies inside. Far-off points of a zoomed view (up to the 32-bit range) stay exact enough.
bool ClipSegment(CSegment& segment, int width, int height);

// The pixels of a one-pixel line from `from` to `to`, as a line-to draws it (the end point left out), that
// lie inside a width x height picture; a dotted pen sets every other pixel. Calls plot(x, y) for each.
template <class Plot>
void RasterLine(CPoint from, CPoint to, int width, int height, bool dotted, Plot&& plot) {
    CSegment s{double(from.x), double(from.y), double(to.x), double(to.y)};
    if (!ClipSegment(s, width, height)) return;
    // The end point is left out only where the line really ends, not where the picture cuts it.
    const bool endInside = s.x1 == to.x && s.y1 == to.y;
    int x = static_cast<int>(std::lround(s.x0)), y = static_cast<int>(std::lround(s.y0));
    const int x1 = static_cast<int>(std::lround(s.x1)), y1 = static_cast<int>(std::lround(s.y1));
    const int dx = std::abs(x1 - x), dy = -std::abs(y1 - y);
    const int sx = x < x1 ? 1 : -1, sy = y < y1 ? 1 : -1;
    int error = dx + dy;
    for (int i = 0;; ++i) {
        const bool last = x == x1 && y == y1;
        if (last && endInside) return;
        if ((!dotted || i % 2 == 0) && x >= 0 && y >= 0 && x < width && y < height) plot(x, y);
        if (last) return;
        const int e2 = 2 * error;
        if (e2 >= dy) {
            error += dy;
            x += sx;
        }
        if (e2 <= dx) {
            error += dx;
            y += sy;
        }
    }
}

}  // namespace brelix
