#pragma once

#include <array>
#include <cstdint>

#include "view/draw_surface.h"

namespace brelix {

class CRay;
class CPlane;
class CLayer;

// The fixed pen set of the model graphic, by slot.
enum EPen : int {
    PenGrey102,
    PenGrey153,
    PenGrey204,
    PenBlackDotted,
    PenRed,
    PenRedDotted,
    PenOrange,
    PenGreen,
    PenBlue,
    PenBlueDotted,
    PenYellow,
    PenMagenta,
    PenCyan,
    PenWhite,
    PenBlack,
    PenDarkRed,
    PenLostRay,  // no pen: selecting it keeps the pen selected before
    PenDarkGreen,
    PenDarkBlue,
    PenDarkYellow,
    PenDarkMagenta,
    PenDarkCyan,
    PenMagentaDotted,
    PenCount
};

struct CPoint {
    int32_t x = 0, y = 0;
    bool operator==(const CPoint&) const = default;
};

// The model graphic's settings (projection, zoom, origin, compress switches, colour scale) and its pens,
// and the drawing of planes, normals and ray segments on a surface it is handed.
class CDrawTools {
public:
    CDrawTools() { ResetView(true); }

    // The ten view fields to their defaults; with `all` also the six colour-scale fields.
    void ResetView(bool all);
    // Recomputes sinTilt and cosTilt from tilt.
    void UpdateTilt();
    // Copies the sixteen settings fields.
    void CopyFrom(const CDrawTools& other);

    CPoint ProjectPoint(double x, double y, double z) const;

    // The pen of a slot, or null for the lost-ray slot.
    const CPen* Pen(EPen slot) const;
    // The pen of intensity band 0..15 (band 0 lies above the step factor), as rays and the colour bar use it.
    static EPen BandPen(int band);

    void DrawRaySegment(IDrawSurface& surface, const CPen* pen, const CPlane* plane, const CRay& ray,
                        bool mark) const;
    void DrawLayerEdges(IDrawSurface& surface, const CPen* pen, const CLayer& layer) const;
    void DrawLayerNormals(IDrawSurface& surface, const CPen* pen, const CLayer& layer) const;
    void DrawPlaneOutline(IDrawSurface& surface, const CPlane& plane) const;
    void DrawPlaneEdges(IDrawSurface& surface, const CPlane& plane) const;
    // Selects the pen of the ray's intensity band and/or wavelength bin.
    void SelectRayPen(IDrawSurface& surface, const CRay& ray) const;
    // The intensity band (0..15) and wavelength pen of the colour scale.
    int IntensityBand(double intensity) const;
    EPen WavelengthPen(double wavelength) const;

    double tilt = 3.1416;
    double sinTilt = 0.0;
    double cosTilt = -1.0;
    double rotation = 0.0;
    double scale = 1.0;
    double originX = 300.0;
    double originY = 300.0;
    int32_t compressX = 0;
    int32_t compressY = 0;
    int32_t compressZ = 0;
    double intensityStart = 1.0;
    double stepFactor = 0.9;
    double wavelengthStart = 0.0;
    double wavelengthStop = 0.0;
    int32_t scaleByIntensity = 1;
    int32_t scaleByWavelength = 0;

private:
    void Line(IDrawSurface& surface, double x0, double y0, double z0, double x1, double y1, double z1) const;
    void DrawNormalMarker(IDrawSurface& surface, const CPlane& plane, double stretchBase) const;
};

}  // namespace brelix
