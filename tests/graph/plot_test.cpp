#include "graph/plot.h"

#include <gtest/gtest.h>

#include <cmath>

#include "tests/support/view_recorder.h"

namespace brelix {
namespace {

using test::CViewRecorder;

// A 700 x 560 area: fonts of 560 / 70 + 12 = 20 pixels, which the recorder measures as 10 pixels a
// character (so ticks are 6 pixels, from 0.6 times the width of "0").
const CRect kArea{0, 0, 700, 560};

CPlotSetup Spectral(CViewRange range) {
    CPlotSetup setup;
    setup.title = "Wavelength Dependent Absorption";
    setup.xLabel = "Wavelength";
    setup.xUnits = "#nm";
    setup.yLabel = "Absorption";
    setup.yUnits = "#";
    setup.range = range;
    return setup;
}

const CViewRecorder::CText* Find(const CViewRecorder& surface, const std::string& text) {
    for (const CViewRecorder::CText& t : surface.texts)
        if (t.text == text) return &t;
    return nullptr;
}

bool HasStroke(const CViewRecorder& surface, CPoint from, CPoint to) {
    for (const CViewRecorder::CStroke& s : surface.strokes)
        if (s.points == std::vector<CPoint>{from, to}) return true;
    return false;
}

TEST(DrawPlot, LayoutMeasuredFromTheText) {
    CViewRecorder surface;
    const CPlotFrame frame = DrawPlot(surface, kArea, Spectral({500, 700, 0, 1}), CGraphData{});
    // Top: the title a quarter line down, then a line's gap. Bottom: the tick labels and the axis label,
    // each a quarter line below what is above, and half a line. Left: the rotated label, half a line,
    // the widest tick label ("0.0", 30) and a minor tick.
    EXPECT_EQ(frame.plot, (CRect{71, 45, 680, 500}));
    EXPECT_EQ(frame.y.intervals, 10);  // wanted 455 / (1.5 x 20) = 15: steps of 0.1
    EXPECT_EQ(frame.x.step, 50);       // wanted 609 / (9 x 10) = 6: steps of 50
    EXPECT_EQ(frame.x.intervals, 4);

    struct Expected {
        const char* text;
        int x, y;
        CTextAlign align;
        int escapement;
    };
    const CTextAlign top{EAlignX::Center, EAlignY::Top};
    const Expected texts[] = {
        {"Wavelength Dependent Absorption", 375, 5, top, 0},  // over the plot, which is wide enough
        {"500", 71, 505, {EAlignX::Left, EAlignY::Top}, 0},
        {"550", 223, 505, top, 0},
        {"600", 376, 505, top, 0},
        {"700", 680, 505, {EAlignX::Right, EAlignY::Top}, 0},
        {"Wavelength (nm)", 375, 530, top, 0},
        {"Absorption", 5, 272, top, 900},  // "#" at exponent 0 is no unit
        {"0.0", 65, 490, {EAlignX::Right, EAlignY::Top}, 0},
        {"1.0", 65, 35, {EAlignX::Right, EAlignY::Top}, 0},
    };
    for (const Expected& e : texts) {
        const CViewRecorder::CText* text = Find(surface, e.text);
        ASSERT_TRUE(text) << e.text;
        EXPECT_EQ(text->x, e.x) << e.text;
        EXPECT_EQ(text->y, e.y) << e.text;
        EXPECT_EQ(text->align, e.align) << e.text;
        EXPECT_EQ(text->font, (CFont{20, e.escapement})) << e.text;
        EXPECT_EQ(text->color, PlotAxisColor);
        EXPECT_EQ(text->background, EBackground::Transparent);
    }
    // Interior major ticks point in from the bottom and top edges, 12 long; minor ticks 6.
    EXPECT_TRUE(HasStroke(surface, {223, 500}, {223, 488}));
    EXPECT_TRUE(HasStroke(surface, {223, 45}, {223, 57}));
    EXPECT_TRUE(HasStroke(surface, {101, 500}, {101, 494}));  // 510 nm
    EXPECT_FALSE(HasStroke(surface, {71, 500}, {71, 488}));   // no mark on the end ticks
    EXPECT_TRUE(HasStroke(surface, {71, 45}, {680, 45}));     // the frame
    for (const CViewRecorder::CStroke& s : surface.strokes)
        EXPECT_EQ(s.pen, (CPen{EPenStyle::Solid, PlotAxisColor}));
    EXPECT_EQ(surface.Font(), CFont{});  // put back
}

TEST(DrawPlot, ScaledAxesZeroLinesAndALongTitle) {
    CPlotSetup setup = Spectral({0.05, 20000, -1, 1});
    setup.title = std::string(61, 'T');  // 610 pixels: wider than the plot
    CViewRecorder surface;
    const CPlotFrame frame = DrawPlot(surface, kArea, setup, CGraphData{});
    EXPECT_EQ(frame.x.exponent, 3);
    EXPECT_NE(Find(surface, "Wavelength (knm)"), nullptr);
    EXPECT_NE(Find(surface, "20"), nullptr);
    EXPECT_EQ(Find(surface, setup.title)->x, 350);  // over the whole area
    // y runs -1 to 1: the tick at 0 is a line across the plot.
    const int y0 = static_cast<int>(std::lround(frame.PixelY(0)));
    EXPECT_TRUE(HasStroke(surface, {frame.plot.left, y0}, {frame.plot.right, y0}));
    EXPECT_DOUBLE_EQ(frame.DataX(frame.plot.right), 20000);

    setup.title.clear();
    CViewRecorder untitled;
    EXPECT_EQ(DrawPlot(untitled, kArea, setup, CGraphData{}).plot.top, 20);
    EXPECT_EQ(Find(untitled, ""), nullptr);
}

TEST(DrawPlot, SeriesAreClippedLinesAndLonePointsAreCircles) {
    CPlotSetup setup = Spectral({500, 700, 0.1, 1000});
    setup.yLogarithmic = true;
    CGraphData data;
    data.x = {500, 550, 600, 650, 700, 1e300};
    data.series = {
        {SeriesLayer, "A", {1, -1, 10, 100, 100, 100}},  // -1 cannot be shown: 500 stands alone
        {SeriesPlane, "B", {1, 1, 1, 1, 1, 1}},
    };
    CViewRecorder surface;
    const CPlotFrame frame = DrawPlot(surface, kArea, setup, data);
    const CRect& p = frame.plot;
    auto at = [&](double x, double y) {
        return CPoint{static_cast<int>(std::lround(frame.PixelX(x))),
                      static_cast<int>(std::lround(frame.PixelY(y)))};
    };

    std::vector<const CViewRecorder::CStroke*> lines;
    for (const CViewRecorder::CStroke& s : surface.strokes)
        if (s.clip) lines.push_back(&s);
    ASSERT_EQ(lines.size(), 2u);
    const CRect inside{p.left + 1, p.top + 1, p.right, p.bottom};
    // A from 600 on, cut short two pixels past the right edge on its way to the far point.
    EXPECT_EQ(lines[0]->points,
              (std::vector<CPoint>{at(600, 10), at(650, 100), at(700, 100), {p.right + 2, at(700, 100).y}}));
    EXPECT_EQ(lines[0]->pen, (CPen{EPenStyle::Solid, {255, 0, 0}}));
    EXPECT_EQ(lines[0]->clip, inside);
    EXPECT_EQ(lines[1]->points.size(), 6u);
    EXPECT_EQ(lines[1]->pen, (CPen{EPenStyle::Solid, {0, 255, 0}}));

    ASSERT_EQ(surface.shapes.size(), 1u);
    const CPoint lone = at(500, 1);
    EXPECT_EQ(surface.shapes[0].kind, CViewRecorder::EShape::Ellipse);
    EXPECT_EQ(surface.shapes[0].rect, (CRect{lone.x - 4, lone.y - 4, lone.x + 5, lone.y + 5}));
    EXPECT_EQ(surface.shapes[0].inside, (CColor{255, 0, 0}));
    EXPECT_EQ(surface.shapes[0].clip, inside);
    EXPECT_EQ(surface.Clip(), std::nullopt);  // lifted after the series
}

TEST(DrawPlot, MarkedPointsGetWhiteSquares) {
    CPlotSetup setup = Spectral({500, 700, 0, 1});
    setup.markPoints = true;
    CGraphData data;
    data.x = {500, 600, 800};
    data.series = {{SeriesLayer, "A", {0.5, 0.5, 0.5}}};
    CViewRecorder surface;
    const CPlotFrame frame = DrawPlot(surface, kArea, setup, data);
    std::vector<CRect> squares;
    for (const CViewRecorder::CShape& shape : surface.shapes) {
        EXPECT_EQ(shape.kind, CViewRecorder::EShape::Fill);
        EXPECT_EQ(shape.inside, (CColor{255, 255, 255}));
        squares.push_back(shape.rect);
    }
    const int x = static_cast<int>(std::lround(frame.PixelX(600))),
              y = static_cast<int>(std::lround(frame.PixelY(0.5)));
    ASSERT_EQ(squares.size(), 2u);  // not the point beyond the plot
    EXPECT_EQ(squares[1], (CRect{x - 2, y - 2, x + 2, y + 2}));
}

}  // namespace
}  // namespace brelix
