#include "view/draw_tools.h"

#include <gtest/gtest.h>

#include <cmath>
#include <tuple>

#include "core/model.h"
#include "examples/sample_models.h"
#include "tests/support/draw_recorder.h"

namespace brelix {
namespace {

using test::CDrawRecorder;
using Line = std::tuple<int, int, int, int>;

Line Ends(const CDrawRecorder::CLine& line) { return {line.from.x, line.from.y, line.to.x, line.to.y}; }

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
    CDrawRecorder surface;
    CRay ray;
    ray.intensity = 0.95;
    ray.wavelength = 400;
    tools.SelectRayPen(surface, ray);
    EXPECT_EQ(surface.CurrentPen(), tools.Pen(PenRed));  // by intensity only
    tools.scaleByWavelength = 1;
    tools.SelectRayPen(surface, ray);
    EXPECT_EQ(surface.CurrentPen(), tools.Pen(PenDarkMagenta));  // the wavelength wins

    CPlane plane;  // normal (0, 0, 1)
    ray.SetDirection(0, 0, -1);
    ray.step = ray.z = 50;
    tools.DrawRaySegment(surface, tools.Pen(PenBlue), &plane, ray, true);
    ASSERT_EQ(surface.lines.size(), 3u);  // the segment and a cross at its end
    EXPECT_EQ(surface.lines[0].pen, tools.Pen(PenBlue));
    EXPECT_EQ(surface.CurrentPen(), tools.Pen(PenDarkMagenta));  // the previous pen is put back
    plane.normal.SetDirection(0, 0, 0);
    tools.DrawRaySegment(surface, tools.Pen(PenLostRay), &plane, ray, true);
    ASSERT_EQ(surface.lines.size(), 4u);                            // a zero normal gets no mark
    EXPECT_EQ(surface.lines[3].pen, tools.Pen(PenDarkMagenta));  // the lost-ray slot keeps the pen

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
    CDrawRecorder surface;
    tools.DrawLayerEdges(surface, tools.Pen(PenBlack), layer);
    EXPECT_EQ(surface.lines.at(1).to, tools.ProjectPoint(4, 3, 0));
    EXPECT_EQ(surface.lines.at(1).pen, tools.Pen(PenBlack));
    EXPECT_EQ(surface.lines.at(2).to, tools.ProjectPoint(4, 3, 0));
    EXPECT_EQ(surface.lines.at(2).pen, tools.Pen(PenBlackDotted));
    tools.DrawLayerEdges(surface, tools.Pen(PenRedDotted), layer);
    EXPECT_EQ(surface.lines.at(5).pen, tools.Pen(PenRedDotted));  // only black has a separate dotted pen
    surface.lines.clear();
    tools.DrawPlaneOutline(surface, plane);
    EXPECT_EQ(surface.lines.at(1).to, tools.ProjectPoint(4, 5, 0));  // E2 + V1
}

// The vertical sense of the views: from the side (tilt 90 degrees) z points up the screen and depth (y)
// does not show; from above (tilt 0) y points up; in between, heights shrink by the sine of the tilt and
// depths by its cosine. Pixels are the nearest to origin + scale x position.
TEST(CDrawTools, TiltedScaledViewsOfPointsRaySegmentsMarksAndNormals) {
    const double pi = std::acos(-1.0);
    CDrawTools tools;
    tools.scale = 2;
    tools.tilt = pi / 2;
    tools.UpdateTilt();
    EXPECT_EQ(tools.ProjectPoint(0, 0, 10), (CPoint{300, 280}));
    EXPECT_EQ(tools.ProjectPoint(0, 0, -10), (CPoint{300, 320}));
    EXPECT_EQ(tools.ProjectPoint(5, 7, 0), (CPoint{310, 300}));
    CDrawTools above = tools;
    above.tilt = 0;
    above.UpdateTilt();
    EXPECT_EQ(above.ProjectPoint(0, 5, 3), (CPoint{300, 290}));
    above.tilt = pi / 3;
    above.UpdateTilt();
    EXPECT_EQ(above.ProjectPoint(0, 4, 0), (CPoint{300, 296}));  // 4 cos 60 = 2 units up
    EXPECT_EQ(above.ProjectPoint(0, 0, 4), (CPoint{300, 293}));  // 4 sin 60 = 3.46 units up

    // A ray down to the plane z = x, seen from the side: the segment, then a cross of two unit lines
    // centred on its end and lying in the plane (the one along y shows as a point).
    CPlane slope;
    samples::SetPlane(slope, {0, -20, 0}, {0, 40, 0}, {40, 0, 40});
    CRay ray;
    ray.SetPosition(2, 0, 12);
    ray.SetDirection(0, 0, -1);
    ray.step = 10;
    CDrawRecorder surface;
    tools.DrawRaySegment(surface, tools.Pen(PenRed), &slope, ray, true);
    ASSERT_EQ(surface.lines.size(), 3u);
    EXPECT_EQ(Ends(surface.lines[0]), Line(304, 276, 304, 296));
    EXPECT_EQ(Ends(surface.lines[1]), Line(305, 295, 303, 297));
    EXPECT_EQ(Ends(surface.lines[2]), Line(304, 296, 304, 296));

    // A normal marker: 2 units plus a fortieth of the plane's size along the normal, stretched along a
    // compressed axis so that it still shows.
    CLayer layer;
    samples::SetHorizontal(layer.Append(), 0, true, 40);  // corner (-20, -20, 0), normal +z
    surface.lines.clear();
    tools.DrawLayerNormals(surface, tools.Pen(PenGreen), layer);
    tools.compressZ = 1;
    tools.DrawLayerNormals(surface, tools.Pen(PenGreen), layer);
    ASSERT_EQ(surface.lines.size(), 2u);
    EXPECT_EQ(Ends(surface.lines[0]), Line(260, 300, 260, 294));  // 3 units up
    EXPECT_EQ(Ends(surface.lines[1]), Line(260, 300, 260, 298));  // 22 units, compressed by 20
}

}  // namespace
}  // namespace brelix
