#include "view/line_raster.h"

namespace brelix {

bool ClipSegment(CSegment& s, int width, int height) {
    if (width <= 0 || height <= 0) return false;
    const double dx = s.x1 - s.x0, dy = s.y1 - s.y0;
    double t0 = 0, t1 = 1;
    // Each edge of the rectangle as p * t <= q.
    const double p[4] = {-dx, dx, -dy, dy};
    const double q[4] = {s.x0, width - 1 - s.x0, s.y0, height - 1 - s.y0};
    for (int k = 0; k < 4; ++k) {
        if (p[k] == 0) {
            if (q[k] < 0) return false;
            continue;
        }
        const double t = q[k] / p[k];
        if (p[k] < 0) {
            if (t > t1) return false;
            if (t > t0) t0 = t;
        } else {
            if (t < t0) return false;
            if (t < t1) t1 = t;
        }
    }
    const CSegment whole = s;
    if (t0 > 0) {
        s.x0 = whole.x0 + t0 * dx;
        s.y0 = whole.y0 + t0 * dy;
    }
    if (t1 < 1) {
        s.x1 = whole.x0 + t1 * dx;
        s.y1 = whole.y0 + t1 * dy;
    }
    return true;
}

}  // namespace brelix
