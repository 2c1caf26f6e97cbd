#include "view/draw_tools.h"

#include <cmath>

#include "core/model.h"

namespace brelix {

namespace {

constexpr CPen Solid(uint8_t r, uint8_t g, uint8_t b) { return {EPenStyle::Solid, {r, g, b}}; }
constexpr CPen Dotted(uint8_t r, uint8_t g, uint8_t b) { return {EPenStyle::Dotted, {r, g, b}}; }

// The pen set, by slot; the lost-ray slot holds no pen.
constexpr std::array<CPen, PenCount> kPens = {
    Solid(102, 102, 102), Solid(153, 153, 153), Solid(204, 204, 204), Dotted(0, 0, 0),   Solid(255, 0, 0),
    Dotted(255, 0, 0),    Solid(255, 128, 0),   Solid(0, 255, 0),     Solid(0, 0, 255),  Dotted(0, 0, 255),
    Solid(255, 255, 0),   Solid(255, 0, 255),   Solid(0, 255, 255),   Solid(255, 255, 255), Solid(0, 0, 0),
    Solid(191, 0, 0),     CPen{},               Solid(0, 191, 0),     Solid(0, 0, 191),  Solid(223, 223, 0),
    Solid(191, 0, 191),   Solid(0, 191, 191),   Dotted(255, 0, 255),
};

constexpr EPen kBandPens[16] = {PenRed,    PenDarkRed,  PenOrange,  PenDarkYellow, PenGreen,     PenDarkGreen,
                                PenCyan,   PenDarkCyan, PenBlue,    PenDarkBlue,   PenMagenta,   PenDarkMagenta,
                                PenBlack,  PenGrey102,  PenGrey153, PenGrey204};

constexpr EPen kWavelengthPens[11] = {PenDarkMagenta, PenMagenta,    PenDarkBlue, PenBlue,    PenCyan, PenGreen,
                                      PenDarkGreen,   PenDarkYellow, PenOrange,   PenDarkRed, PenRed};

// Truncation toward zero, kept inside the 32-bit range (far-off points of a zoomed view stay drawable).
int32_t ToPixel(double v) {
    if (!(v > -2147483648.0)) return v != v ? 0 : INT32_MIN;
    if (!(v < 2147483647.0)) return INT32_MAX;
    return static_cast<int32_t>(v);
}

struct Point3 {
    double x, y, z;
};

Point3 Start(const CRay& edge) { return {edge.x, edge.y, edge.z}; }
Point3 End(const CRay& edge) {
    return {edge.x + edge.dx * edge.step, edge.y + edge.dy * edge.step, edge.z + edge.dz * edge.step};
}
Point3 Plus(const Point3& a, const Point3& b) { return {a.x + b.x, a.y + b.y, a.z + b.z}; }
Point3 Minus(const Point3& a, const Point3& b) { return {a.x - b.x, a.y - b.y, a.z - b.z}; }

}  // namespace

void CDrawTools::ResetView(bool all) {
    tilt = 3.1416;
    sinTilt = 0.0;
    cosTilt = -1.0;
    rotation = 0.0;
    scale = 1.0;
    originX = 300.0;
    originY = 300.0;
    compressX = 0;
    compressY = 0;
    compressZ = 0;
    if (all) {
        intensityStart = 1.0;
        stepFactor = 0.9;
        wavelengthStart = 0.0;
        wavelengthStop = 0.0;
        scaleByIntensity = 1;
        scaleByWavelength = 0;
    }
}

void CDrawTools::UpdateTilt() {
    sinTilt = std::sin(tilt);
    cosTilt = std::cos(tilt);
}

void CDrawTools::CopyFrom(const CDrawTools& other) {
    tilt = other.tilt;
    sinTilt = other.sinTilt;
    cosTilt = other.cosTilt;
    rotation = other.rotation;
    scale = other.scale;
    originX = other.originX;
    originY = other.originY;
    compressX = other.compressX;
    compressY = other.compressY;
    compressZ = other.compressZ;
    intensityStart = other.intensityStart;
    stepFactor = other.stepFactor;
    wavelengthStart = other.wavelengthStart;
    wavelengthStop = other.wavelengthStop;
    scaleByIntensity = other.scaleByIntensity;
    scaleByWavelength = other.scaleByWavelength;
}

CPoint CDrawTools::ProjectPoint(double x, double y, double z) const {
    const double r = std::sqrt(x * x + y * y);
    double xr = x, yr = y;
    if (r > 0) {
        double phi;
        if (y >= 0)
            phi = std::acos(x / r);
        else if (x >= 0)
            phi = -std::acos(x / r);
        else
            phi = 6.2832 - std::acos(x / r);
        phi -= rotation;
        xr = r * std::cos(phi);
        yr = r * std::sin(phi);
    }
    // Compression divides x and y by 10 and z by 20.
    // In double arithmetic: a stored switch may hold any 32-bit value.
    const double cx = 9.0 * compressX + 1, cy = 9.0 * compressY + 1, cz = 19.0 * compressZ + 1;
    return {ToPixel((xr / cx) * scale + originX + 0.5),
            ToPixel(originY - (z / cz) * sinTilt * scale - (yr / cy) * cosTilt * scale + 0.5)};
}

const CPen* CDrawTools::Pen(EPen slot) const {
    if (slot == PenLostRay || slot < 0 || slot >= PenCount) return nullptr;
    return &kPens[slot];
}

EPen CDrawTools::BandPen(int band) { return kBandPens[band]; }

void CDrawTools::Line(IDrawSurface& surface, double x0, double y0, double z0, double x1, double y1,
                      double z1) const {
    const CPoint a = ProjectPoint(x0, y0, z0);
    const CPoint b = ProjectPoint(x1, y1, z1);
    surface.MoveTo(a.x, a.y);
    surface.LineTo(b.x, b.y);
}

void CDrawTools::DrawRaySegment(IDrawSurface& surface, const CPen* pen, const CPlane* plane, const CRay& ray,
                                bool mark) const {
    const CPen* previous = pen ? surface.SelectPen(pen) : nullptr;
    const double ex = ray.x + ray.dx * ray.step, ey = ray.y + ray.dy * ray.step, ez = ray.z + ray.dz * ray.step;
    Line(surface, ray.x, ray.y, ray.z, ex, ey, ez);
    if (mark && plane) {
        // A cross of two unit lines centred on the end point, lying in the plane.
        const double nx = plane->normal.dx, ny = plane->normal.dy, nz = plane->normal.dz;
        if (nz != 0) {
            Line(surface, ex + 0.5, ey, ez - 0.5 * nx / nz, ex - 0.5, ey, ez + 0.5 * nx / nz);
            Line(surface, ex, ey + 0.5, ez - 0.5 * ny / nz, ex, ey - 0.5, ez + 0.5 * ny / nz);
        } else if (nx != 0) {
            Line(surface, ex - 0.5 * nz / nx, ey, ez + 0.5, ex + 0.5 * nz / nx, ey, ez - 0.5);
            Line(surface, ex - 0.5 * ny / nx, ey + 0.5, ez, ex + 0.5 * ny / nx, ey - 0.5, ez);
        } else if (ny != 0) {
            Line(surface, ex + 0.5, ey - 0.5 * nx / ny, ez, ex - 0.5, ey + 0.5 * nx / ny, ez);
            Line(surface, ex, ey - 0.5 * nz / ny, ez + 0.5, ex, ey + 0.5 * nz / ny, ez - 0.5);
        }
    }
    if (pen) surface.SelectPen(previous);
}

void CDrawTools::DrawLayerEdges(IDrawSurface& surface, const CPen* pen, const CLayer& layer) const {
    const CPen* dotted = pen == Pen(PenBlack) ? Pen(PenBlackDotted) : pen;
    for (const CPlane& plane : layer) {
        const Point3 s1 = Start(plane.edge1), e1 = End(plane.edge1);
        const Point3 s2 = Start(plane.edge2), e2 = End(plane.edge2);
        Point3 edges[4][2] = {{s1, e1}, {s2, e2}, {e1, e2}, {}};
        int count = 3;
        if (plane.shape != ShapeTriangle) {
            const Point3 q = Plus(e1, Minus(e2, s2));
            edges[2][1] = q;
            edges[3][0] = e2;
            edges[3][1] = q;
            count = 4;
        }
        for (int k = 0; k < count; ++k) {
            if (plane.drawEdge[k] == 1)
                surface.SelectPen(pen);
            else if (plane.drawEdge[k] == 2)
                surface.SelectPen(dotted);
            else
                continue;
            Line(surface, edges[k][0].x, edges[k][0].y, edges[k][0].z, edges[k][1].x, edges[k][1].y, edges[k][1].z);
        }
    }
}

void CDrawTools::DrawNormalMarker(IDrawSurface& surface, const CPlane& plane, double b) const {
    const double s = std::sqrt(plane.edge1.step * plane.edge2.step) / 40;
    const double kx = b * compressX + 1, ky = b * compressY + 1, kz = b * compressZ + 1;
    const CRay& n = plane.normal;
    Line(surface, n.x, n.y, n.z, n.x + (2 + kx * s) * n.dx, n.y + (2 + ky * s) * n.dy, n.z + (2 + kz * s) * n.dz);
}

void CDrawTools::DrawLayerNormals(IDrawSurface& surface, const CPen* pen, const CLayer& layer) const {
    surface.SelectPen(pen);
    for (const CPlane& plane : layer) DrawNormalMarker(surface, plane, 19);
}

void CDrawTools::DrawPlaneOutline(IDrawSurface& surface, const CPlane& plane) const {
    const Point3 s1 = Start(plane.edge1), e1 = End(plane.edge1);
    const Point3 s2 = Start(plane.edge2), e2 = End(plane.edge2);
    Point3 path[5] = {s1, e1, e2, s2, {}};
    int count = 4;
    if (plane.shape != ShapeTriangle) {
        path[2] = Plus(e2, Minus(e1, s1));
        path[3] = e2;
        path[4] = s2;
        count = 5;
    }
    CPoint p = ProjectPoint(path[0].x, path[0].y, path[0].z);
    surface.MoveTo(p.x, p.y);
    for (int i = 1; i < count; ++i) {
        p = ProjectPoint(path[i].x, path[i].y, path[i].z);
        surface.LineTo(p.x, p.y);
    }
    DrawNormalMarker(surface, plane, 9);
}

void CDrawTools::DrawPlaneEdges(IDrawSurface& surface, const CPlane& plane) const {
    const Point3 s1 = Start(plane.edge1), e1 = End(plane.edge1);
    const Point3 s2 = Start(plane.edge2), e2 = End(plane.edge2);
    Line(surface, s1.x, s1.y, s1.z, e1.x, e1.y, e1.z);
    Line(surface, s2.x, s2.y, s2.z, e2.x, e2.y, e2.z);
    DrawNormalMarker(surface, plane, 9);
}

int CDrawTools::IntensityBand(double intensity) const {
    const double f = stepFactor;
    if (intensity > f) return 0;
    for (int k = 1; k <= 14; ++k)
        if (intensity > std::pow(f, k + 1)) return k;
    return 15;
}

EPen CDrawTools::WavelengthPen(double wavelength) const {
    const double s = wavelengthStart, e = wavelengthStop;
    // Equal start and stop leave the bins undefined: every ray is grey.
    if (s == e) return PenGrey153;
    if (wavelength == e) return kWavelengthPens[10];
    const double bin = (wavelength - s) / (e - s) * 11;
    if (!(bin > -1 && bin < 11)) return PenGrey153;
    return kWavelengthPens[static_cast<int>(bin)];
}

void CDrawTools::SelectRayPen(IDrawSurface& surface, const CRay& ray) const {
    if (scaleByIntensity) surface.SelectPen(Pen(kBandPens[IntensityBand(ray.intensity)]));
    if (scaleByWavelength) surface.SelectPen(Pen(WavelengthPen(ray.wavelength)));
}

}  // namespace brelix
