#include "view/draw_tools.h"

#include <gtest/gtest.h>

#include <vector>

#include "core/model.h"

namespace brelix {
namespace {

// Records what is drawn: each line as its projected end points and the pen it was drawn in.
class CRecorder : public IDrawSurface {
public:
    struct Line {
        CPoint from, to;
        const CPen* pen;
    };
    const CPen* SelectPen(const CPen* pen) override {
        if (!pen) return nullptr;
        const CPen* previous = pen_;
        pen_ = pen;
        return previous;
    }
    void MoveTo(int x, int y) override { at_ = {x, y}; }
    void LineTo(int x, int y) override {
        lines.push_back({at_, {x, y}, pen_});
        at_ = {x, y};
    }
    std::vector<Line> lines;
    const CPen* pen_ = nullptr;

private:
    CPoint at_;
};

TEST(CDrawTools, ProjectionWithDefaults) {
    CDrawTools tools;
    EXPECT_EQ(tools.ProjectPoint(0, 0, 5), (CPoint{300, 300}));
    EXPECT_EQ(tools.ProjectPoint(0, 5, 0), (CPoint{300, 305}));
    EXPECT_EQ(tools.ProjectPoint(7, 0, 0), (CPoint{307, 300}));
}

TEST(CDrawTools, RotationLeavesTheZAxisAndCompressionScales) {
    CDrawTools tools;
    tools.rotation = 1.0;
    tools.tilt = 1.0;
    tools.UpdateTilt();
    tools.scale = 3.0;
    const CPoint axis = tools.ProjectPoint(0, 0, 4);
    EXPECT_EQ(axis.x, 300);  // a point on the z axis is not rotated

    CDrawTools compressed = tools;
    compressed.compressX = compressed.compressY = compressed.compressZ = 1;
    EXPECT_EQ(compressed.ProjectPoint(10, 10, 20), tools.ProjectPoint(1, 1, 1));
    EXPECT_EQ(compressed.ProjectPoint(-10, -30, -40), tools.ProjectPoint(-1, -3, -2));
}

TEST(CDrawTools, FarPointsStayInsideThePixelRange) {
    CDrawTools tools;
    tools.scale = 1e300;
    const CPoint p = tools.ProjectPoint(1e10, 0, 0);
    EXPECT_EQ(p.x, INT32_MAX);
    EXPECT_EQ(tools.ProjectPoint(0, 0, 0).x, 300);
}

TEST(CDrawTools, ResetViewKeepsTheColourScaleUnlessAll) {
    CDrawTools tools;
    tools.scale = 5;
    tools.compressZ = 1;
    tools.stepFactor = 0.5;
    tools.scaleByWavelength = 1;
    tools.ResetView(false);
    EXPECT_EQ(tools.scale, 1.0);
    EXPECT_EQ(tools.compressZ, 0);
    EXPECT_EQ(tools.stepFactor, 0.5);
    tools.ResetView(true);
    EXPECT_EQ(tools.stepFactor, 0.9);
    EXPECT_EQ(tools.scaleByWavelength, 0);
    EXPECT_EQ(tools.sinTilt, 0.0);
    EXPECT_EQ(tools.cosTilt, -1.0);
}

TEST(CDrawTools, IntensityBands) {
    CDrawTools tools;
    EXPECT_EQ(tools.IntensityBand(0.95), 0);
    EXPECT_EQ(tools.IntensityBand(0.9), 1);
    EXPECT_EQ(tools.IntensityBand(0.81), 2);
    EXPECT_EQ(tools.IntensityBand(0.0), 15);
    tools.stepFactor = 1.0;
    EXPECT_EQ(tools.IntensityBand(1.5), 0);
    EXPECT_EQ(tools.IntensityBand(1.0), 15);
    EXPECT_EQ(tools.IntensityBand(0.5), 15);
}

TEST(CDrawTools, WavelengthBins) {
    CDrawTools tools;
    tools.wavelengthStart = 400;
    tools.wavelengthStop = 510;  // bins of 10 nm
    EXPECT_EQ(tools.WavelengthPen(510), PenRed);
    EXPECT_EQ(tools.WavelengthPen(400), PenDarkMagenta);
    EXPECT_EQ(tools.WavelengthPen(395), PenDarkMagenta);  // truncation toward zero
    EXPECT_EQ(tools.WavelengthPen(389), PenGrey153);
    EXPECT_EQ(tools.WavelengthPen(455), PenGreen);
    EXPECT_EQ(tools.WavelengthPen(512), PenGrey153);
    tools.wavelengthStop = 400;
    EXPECT_EQ(tools.WavelengthPen(400), PenGrey153);
}

TEST(CDrawTools, SelectRayPenPrefersWavelengthAndLostPenKeepsThePrevious) {
    CDrawTools tools;
    CRecorder surface;
    CRay ray;
    ray.intensity = 0.95;
    ray.wavelength = 510;
    tools.wavelengthStart = 400;
    tools.wavelengthStop = 510;
    tools.SelectRayPen(surface, ray);
    EXPECT_EQ(surface.pen_, tools.Pen(PenRed));
    tools.scaleByWavelength = 1;
    ray.wavelength = 400;
    tools.SelectRayPen(surface, ray);
    EXPECT_EQ(surface.pen_, tools.Pen(PenDarkMagenta));

    EXPECT_EQ(tools.Pen(PenLostRay), nullptr);
    surface.SelectPen(tools.Pen(PenLostRay));
    EXPECT_EQ(surface.pen_, tools.Pen(PenDarkMagenta));
}

TEST(CDrawTools, SegmentEndMarkLiesInThePlane) {
    CDrawTools tools;
    CRecorder surface;
    CPlane plane;  // normal (0, 0, 1)
    CRay ray;
    ray.SetDirection(0, 0, -1);
    ray.step = 50;
    ray.z = 50;
    surface.SelectPen(tools.Pen(PenBlue));
    tools.DrawRaySegment(surface, tools.Pen(PenRed), &plane, ray, true);
    ASSERT_EQ(surface.lines.size(), 3u);
    EXPECT_EQ(surface.lines[0].pen, tools.Pen(PenRed));
    EXPECT_EQ(surface.pen_, tools.Pen(PenBlue));  // the previous pen is put back

    plane.normal.SetDirection(0, 0, 0);
    surface.lines.clear();
    tools.DrawRaySegment(surface, nullptr, &plane, ray, true);
    EXPECT_EQ(surface.lines.size(), 1u);  // a zero normal gets no mark
}

TEST(CDrawTools, LayerEdgesFollowTheFlagsAndTheFourthCorner) {
    CDrawTools tools;
    tools.scale = 10;
    CLayer layer;
    CPlane& plane = layer.Append();
    // Edges starting at different points: the edges use E1 + V2, the outline E2 + V1.
    plane.edge1.SetPosition(0, 0, 0);
    plane.edge1.SetDirection(1, 0, 0);
    plane.edge1.step = 4;
    plane.edge2.SetPosition(0, 2, 0);
    plane.edge2.SetDirection(0, 1, 0);
    plane.edge2.step = 3;
    plane.drawEdge[1] = 0;
    plane.drawEdge[3] = 2;
    CRecorder surface;
    tools.DrawLayerEdges(surface, tools.Pen(PenBlack), layer);
    ASSERT_EQ(surface.lines.size(), 3u);
    EXPECT_EQ(surface.lines[2].pen, tools.Pen(PenBlackDotted));
    const CPoint q = tools.ProjectPoint(4, 3, 0);  // E1 + V2
    EXPECT_EQ(surface.lines[1].to, q);
    EXPECT_EQ(surface.lines[2].to, q);

    surface.lines.clear();
    tools.DrawLayerEdges(surface, tools.Pen(PenRedDotted), layer);
    EXPECT_EQ(surface.lines[2].pen, tools.Pen(PenRedDotted));

    surface.lines.clear();
    tools.DrawPlaneOutline(surface, plane);
    ASSERT_EQ(surface.lines.size(), 5u);  // four outline lines and the normal marker
    EXPECT_EQ(surface.lines[1].to, tools.ProjectPoint(4, 5, 0));  // E2 + V1
}

}  // namespace
}  // namespace brelix
