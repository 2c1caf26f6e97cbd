#include "view/draw_tools.h"

#include <gtest/gtest.h>

#include <cmath>

#include <utility>
#include <vector>

#include "core/model.h"

namespace brelix {
namespace {

// Records each line drawn as its projected end point and the pen it was drawn in.
struct CRecorder : IDrawSurface {
    const CPen* SelectPen(const CPen* next) override { return next ? std::exchange(pen, next) : nullptr; }
    void MoveTo(int, int) override {}
    void LineTo(int x, int y) override { lines.push_back({{x, y}, pen}); }
    std::vector<std::pair<CPoint, const CPen*>> lines;
    const CPen* pen = nullptr;
};

TEST(CDrawTools, ProjectionCompressionClampingAndReset) {
    CDrawTools tools;
    EXPECT_EQ(tools.ProjectPoint(0, 0, 5), (CPoint{300, 300}));
    EXPECT_EQ(tools.ProjectPoint(0, 5, 0), (CPoint{300, 305}));
    tools.rotation = tools.tilt = 1.0;
    tools.UpdateTilt();
    EXPECT_EQ(tools.ProjectPoint(0, 0, 4).x, 300);  // a point on the z axis is not rotated
    CDrawTools compressed = tools;
    compressed.compressX = compressed.compressY = compressed.compressZ = 1;  // x and y by 10, z by 20
    EXPECT_EQ(compressed.ProjectPoint(10, -30, 40), tools.ProjectPoint(1, -3, 2));
    // A stored switch may hold any 32-bit value; the factor must not overflow an int.
    CDrawTools huge = tools;
    huge.compressX = huge.compressY = huge.compressZ = 300000000;
    EXPECT_EQ(huge.ProjectPoint(2700000001.0 * 1, -2700000001.0 * 3, 5700000001.0 * 2), tools.ProjectPoint(1, -3, 2));
    // Resetting the view keeps the colour scale unless it resets everything.
    compressed.stepFactor = 0.5;
    compressed.ResetView(false);
    EXPECT_EQ(compressed.ProjectPoint(0, 5, 0), (CPoint{300, 305}));
    EXPECT_EQ(compressed.stepFactor, 0.5);
    compressed.rotation = 2 * std::asin(1.0) / 2;  // a quarter turn takes +x to -y: one pixel up
    EXPECT_EQ(compressed.ProjectPoint(1, 0, 0), (CPoint{300, 299}));
    compressed.ResetView(true);
    EXPECT_EQ(compressed.stepFactor, 0.9);
    tools.scale = 1e300;  // far points stay inside the pixel range
    EXPECT_EQ(tools.ProjectPoint(1e10, 0, 0).x, INT32_MAX);
}

TEST(CDrawTools, ColourScaleAndRaySegments) {
    CDrawTools tools;
    EXPECT_EQ(tools.IntensityBand(0.95), 0);
    EXPECT_EQ(tools.IntensityBand(0.9), 1);  // a band holds intensities above its power of the factor
    EXPECT_EQ(tools.IntensityBand(0.0), 15);
    tools.wavelengthStart = 400;
    tools.wavelengthStop = 510;                           // eleven bins of 10 nm
    EXPECT_EQ(tools.WavelengthPen(510), PenRed);          // the stop wavelength is in the last bin
    EXPECT_EQ(tools.WavelengthPen(395), PenDarkMagenta);  // truncated toward zero
    EXPECT_EQ(tools.WavelengthPen(389), PenGrey153);
    EXPECT_EQ(tools.WavelengthPen(512), PenGrey153);
    CRecorder surface;
    CRay ray;
    ray.intensity = 0.95;
    ray.wavelength = 400;
    tools.SelectRayPen(surface, ray);
    EXPECT_EQ(surface.pen, tools.Pen(PenRed));  // by intensity only
    tools.scaleByWavelength = 1;
    tools.SelectRayPen(surface, ray);
    EXPECT_EQ(surface.pen, tools.Pen(PenDarkMagenta));  // the wavelength wins

    CPlane plane;  // normal (0, 0, 1)
    ray.SetDirection(0, 0, -1);
    ray.step = ray.z = 50;
    tools.DrawRaySegment(surface, tools.Pen(PenBlue), &plane, ray, true);
    ASSERT_EQ(surface.lines.size(), 3u);  // the segment and a cross at its end
    EXPECT_EQ(surface.lines[0].second, tools.Pen(PenBlue));
    EXPECT_EQ(surface.pen, tools.Pen(PenDarkMagenta));  // the previous pen is put back
    plane.normal.SetDirection(0, 0, 0);
    tools.DrawRaySegment(surface, tools.Pen(PenLostRay), &plane, ray, true);
    ASSERT_EQ(surface.lines.size(), 4u);                            // a zero normal gets no mark
    EXPECT_EQ(surface.lines[3].second, tools.Pen(PenDarkMagenta));  // the lost-ray slot keeps the pen

    tools.stepFactor = 1.0;
    EXPECT_EQ(tools.IntensityBand(1.0), 15);
    tools.wavelengthStop = 400;
    EXPECT_EQ(tools.WavelengthPen(400), PenGrey153);
}

TEST(CDrawTools, LayerEdgesAndOutlineCloseTheParallelogramDifferently) {
    CDrawTools tools;
    CLayer layer;
    CPlane& plane = layer.Append();
    // Edges from different corners: the layer edges close at E1 + V2, the outline at E2 + V1.
    plane.edge1.SetDirection(4, 0, 0);  // step 1
    plane.edge2.SetPosition(0, 2, 0);
    plane.edge2.SetDirection(0, 3, 0);
    plane.drawEdge[1] = 0;
    plane.drawEdge[3] = 2;
    CRecorder surface;
    tools.DrawLayerEdges(surface, tools.Pen(PenBlack), layer);
    EXPECT_EQ(surface.lines.at(1), std::pair(tools.ProjectPoint(4, 3, 0), tools.Pen(PenBlack)));
    EXPECT_EQ(surface.lines.at(2), std::pair(tools.ProjectPoint(4, 3, 0), tools.Pen(PenBlackDotted)));
    tools.DrawLayerEdges(surface, tools.Pen(PenRedDotted), layer);
    EXPECT_EQ(surface.lines.at(5).second, tools.Pen(PenRedDotted));  // only black has a separate dotted pen
    surface.lines.clear();
    tools.DrawPlaneOutline(surface, plane);
    EXPECT_EQ(surface.lines.at(1).first, tools.ProjectPoint(4, 5, 0));  // E2 + V1
}

}  // namespace
}  // namespace brelix
