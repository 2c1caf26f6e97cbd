#include "graph/interactive_graph.h"

#include <gtest/gtest.h>

#include <cmath>

#include "core/format.h"
#include "tests/support/view_recorder.h"

namespace brelix {
namespace {

using test::CViewRecorder;
using R = CGraphReaction;

const CRect kClient{0, 0, 700, 560};

// 101 points, x = 0 to 100: "Rising" from 0 to 1 and "Falling" from 1 to 0, crossing at x = 50.
CGraphData Crossing() {
    CGraphData data;
    CGraphSeries rising{SeriesLayer, "Rising", {}}, falling{SeriesPlane, "Falling", {}};
    for (int i = 0; i <= 100; ++i) {
        data.x.push_back(i);
        rising.y.push_back(i / 100.0);
        falling.y.push_back(1 - i / 100.0);
    }
    data.series = {rising, falling};
    return data;
}

// A linear mapping read off the drawn tick labels: the first and last label of an axis and where they
// were drawn.
struct CTickScale {
    double value0, pixel0, value1, pixel1;
    double At(double pixel) const {
        return value0 + (pixel - pixel0) * (value1 - value0) / (pixel1 - pixel0);
    }
    double PerPixel() const { return std::fabs((value1 - value0) / (pixel1 - pixel0)); }
};

class InteractiveGraph : public testing::Test {
  protected:
    void SetUp() override {
        graph.ShowGraph(CGraph(GraphWavelength), Crossing());
        Draw();
    }
    void Draw() {
        surface = CViewRecorder();
        graph.Draw(surface, kClient);
    }
    // What a window does: each event, then a repaint when the plot changed.
    R Drag(CPoint from, CPoint to) {
        graph.LeftButtonDown(from);
        graph.MouseMove(to);
        return Repainted(graph.LeftButtonUp(to));
    }
    R Key(EGraphKey key, bool ctrl = false) { return Repainted(graph.KeyDown(key, ctrl)); }
    R Repainted(R reaction) {
        if (reaction.repaint == R::Plot) Draw();
        return reaction;
    }
    // The x axis labels lie below the plot, left-aligned at the first tick and right-aligned at the last.
    CTickScale XScale() const {
        const CViewRecorder::CText* first = nullptr;
        const CViewRecorder::CText* last = nullptr;
        for (const CViewRecorder::CText& text : surface.texts) {
            if (text.align == CTextAlign{EAlignX::Left, EAlignY::Top} && !first) first = &text;
            if (text.align == CTextAlign{EAlignX::Right, EAlignY::Top} && !last) last = &text;
        }
        return {std::stod(first->text), double(first->x), std::stod(last->text), double(last->x)};
    }
    // The y labels are right-aligned left of the plot, half a text height above their tick.
    CTickScale YScale() const {
        std::vector<const CViewRecorder::CText*> labels;
        for (const CViewRecorder::CText& text : surface.texts)
            if (text.align == CTextAlign{EAlignX::Right, EAlignY::Top} && text.x < 100)
                labels.push_back(&text);
        const int half = labels.front()->font.pixelHeight / 2;
        return {std::stod(labels.front()->text), double(labels.front()->y + half),
                std::stod(labels.back()->text), double(labels.back()->y + half)};
    }

    CInteractiveGraph graph;
    CViewRecorder surface;
};

TEST_F(InteractiveGraph, ADragZoomsToTheDataUnderItsEnds) {
    const CTickScale x = XScale(), y = YScale();
    const CPoint a{200, 150}, b{450, 400};
    EXPECT_EQ(Drag(a, b), R{R::Plot});
    EXPECT_EQ(graph.ZoomDepth(), 1);
    EXPECT_NEAR(graph.Range().xLow, x.At(a.x), x.PerPixel());
    EXPECT_NEAR(graph.Range().xHigh, x.At(b.x), x.PerPixel());
    EXPECT_NEAR(graph.Range().yHigh, y.At(a.y), y.PerPixel());
    EXPECT_NEAR(graph.Range().yLow, y.At(b.y), y.PerPixel());

    // Dragged the other way round, the range is the same.
    Key(EGraphKey::Escape);
    Drag(b, a);
    EXPECT_NEAR(graph.Range().xLow, x.At(a.x), x.PerPixel());
    EXPECT_NEAR(graph.Range().yLow, y.At(b.y), y.PerPixel());
}

TEST_F(InteractiveGraph, ABandAtAnEdgeTakesOnePercentMore) {
    const CRect plot = graph.Frame()->plot;
    const CTickScale x = XScale(), y = YScale();
    // From beyond the top-left corner (the band is clamped to the plot) to the bottom-right corner.
    Drag({plot.left - 40, plot.top - 40}, {plot.right, plot.bottom + 3});
    const int mx = plot.Width() / 100, my = plot.Height() / 100;
    ASSERT_GT(mx, 1);
    EXPECT_NEAR(graph.Range().xLow, x.At(plot.left - mx), x.PerPixel() / 100);
    EXPECT_NEAR(graph.Range().xHigh, x.At(plot.right + mx), x.PerPixel() / 100);
    EXPECT_NEAR(graph.Range().yHigh, y.At(plot.top - my), y.PerPixel() / 100);
    EXPECT_NEAR(graph.Range().yLow, y.At(plot.bottom + my), y.PerPixel() / 100);
    EXPECT_LT(graph.Range().xLow, 0);  // the point at x = 0 stays clear of the edge
}

TEST_F(InteractiveGraph, ElevenZoomsAndElevenEscapesReturnToTheFirstRange) {
    const CViewRange first = graph.Range();
    std::vector<CViewRange> before;
    for (int i = 0; i < 11; ++i) {
        before.push_back(graph.Range());
        const CRect p = graph.Frame()->plot;
        ASSERT_EQ(Drag({p.left + 60, p.top + 40}, {p.left + 360, p.top + 300}).repaint, R::Plot) << i;
    }
    EXPECT_EQ(graph.ZoomDepth(), 10);
    EXPECT_NE(graph.Range(), before[10]);  // the eleventh zoom zoomed
    // It saved nothing: the first step out goes back to where the tenth zoom started.
    EXPECT_EQ(Key(EGraphKey::Escape), R{R::Plot});
    EXPECT_EQ(graph.Range(), before[9]);
    for (int i = 0; i < 9; ++i) Key(EGraphKey::Escape);
    EXPECT_EQ(graph.Range(), first);
    EXPECT_EQ(graph.ZoomDepth(), 0);
    // With nothing left to undo, Escape hands the graph to the other views.
    EXPECT_EQ(Key(EGraphKey::Escape), (R{R::None, true}));
    EXPECT_EQ(graph.Range(), first);
}

TEST_F(InteractiveGraph, BandPromptsSelectionAndCancelling) {
    const CRect p = graph.Frame()->plot;
    EXPECT_EQ(graph.MouseMove({300, 300}), R{});  // no button held
    EXPECT_EQ(graph.LeftButtonDown({p.left + 10, p.top + 10}), R{R::Band});
    EXPECT_EQ(graph.Prompt(), "Release mouse button to cancel zoom");
    graph.MouseMove({p.left + 18, p.top + 30});  // 8 wide: not more than twice the double-click width
    EXPECT_EQ(graph.Prompt(), "Release mouse button to cancel zoom");
    EXPECT_EQ(graph.MouseMove({p.left + 19, p.top + 30}), R{R::Band});
    EXPECT_EQ(graph.Prompt(), "Release mouse button to zoom into selected region");
    const CPlotFrame& f = *graph.Frame();
    EXPECT_EQ(graph.SelectionText(), "Selection:(" + FormatGeneral(f.DataX(p.left + 10)) + "," +
                                         FormatGeneral(f.DataY(p.top + 10)) + ")-(" +
                                         FormatGeneral(f.DataX(p.left + 19)) + "," +
                                         FormatGeneral(f.DataY(p.top + 30)) + ")");

    // The right button cancels the band as Escape does; the release then does nothing.
    EXPECT_EQ(graph.RightButtonDown(), R{R::Band});
    EXPECT_EQ(graph.SelectionText(), "");
    EXPECT_EQ(graph.LeftButtonUp({p.left + 200, p.top + 200}), R{});
    EXPECT_EQ(graph.ZoomDepth(), 0);
}

TEST_F(InteractiveGraph, TheBandIsAnInvertedOutlineDrawnTwiceToErase) {
    graph.LeftButtonDown({300, 100});
    graph.MouseMove({200, 250});
    CViewRecorder band;
    graph.DrawBand(band);
    graph.DrawBand(band);
    ASSERT_EQ(band.shapes.size(), 2u);
    for (const CViewRecorder::CShape& shape : band.shapes) {
        EXPECT_EQ(shape.kind, CViewRecorder::EShape::Rectangle);
        EXPECT_EQ(shape.rect, (CRect{200, 100, 301, 251}));  // both corners inside
        EXPECT_EQ(shape.op, ERasterOp::Not);
        EXPECT_EQ(shape.inside, std::nullopt);
    }
    EXPECT_EQ(band.SetRasterOp(ERasterOp::Copy), ERasterOp::Copy);  // put back
    graph.KeyDown(EGraphKey::Escape, false);
    CViewRecorder none;
    graph.DrawBand(none);
    EXPECT_TRUE(none.shapes.empty());
}

TEST_F(InteractiveGraph, AClickMovesTheCursorToTheNearestPoint) {
    const CPlotFrame f = *graph.Frame();
    // Near x = 30, a little above the rising series (0.3) and far below the falling one (0.7).
    const CPoint click{static_cast<int>(std::lround(f.PixelX(30.2))),
                       static_cast<int>(std::lround(f.PixelY(0.33)))};
    EXPECT_EQ(Drag(click, click), R{R::Plot});
    EXPECT_EQ(graph.ZoomDepth(), 0);
    ASSERT_TRUE(graph.Cursor());
    EXPECT_EQ(*graph.Cursor(), (CInteractiveGraph::CCursor{30, 0}));
    EXPECT_EQ(graph.Prompt(), "Rising:(30,0.3)");
    // Nearer the falling series, it goes there.
    const CPoint high{click.x, static_cast<int>(std::lround(f.PixelY(0.6)))};
    Drag(high, high);
    EXPECT_EQ(*graph.Cursor(), (CInteractiveGraph::CCursor{30, 1}));
    // The cursor is drawn as a square around its point.
    ASSERT_FALSE(surface.shapes.empty());
    const CRect marker = surface.shapes.back().rect;
    EXPECT_EQ((marker.left + marker.right - 1) / 2, std::lround(f.PixelX(30)));
    EXPECT_EQ((marker.top + marker.bottom - 1) / 2, std::lround(f.PixelY(0.7)));
}

TEST_F(InteractiveGraph, APrintedPageKeepsTheWindowLayout) {
    const CPlotFrame window = *graph.Frame();
    CViewRecorder page({2400, 3300});
    graph.DrawPage(page, {0, 0, 2400, 3300});
    EXPECT_EQ(page.texts.front().font.pixelHeight, 2400 / 70 + 12);
    EXPECT_EQ(graph.Frame()->plot, window.plot);
    const CPoint a{200, 150}, b{450, 400};
    Drag(a, b);
    EXPECT_DOUBLE_EQ(graph.Range().xLow, window.DataX(a.x));
}

TEST_F(InteractiveGraph, CursorKeysStayInTheVisiblePoints) {
    using C = CInteractiveGraph::CCursor;
    Key(EGraphKey::End);
    EXPECT_EQ(*graph.Cursor(), (C{100, 0}));
    Key(EGraphKey::Left, true);
    EXPECT_EQ(graph.Cursor()->point, 90u);
    Key(EGraphKey::Right);
    Key(EGraphKey::Right, true);  // ten more would pass the last point
    EXPECT_EQ(graph.Cursor()->point, 100u);
    Key(EGraphKey::Home);
    EXPECT_EQ(graph.Cursor()->point, 0u);
    Key(EGraphKey::Left);
    EXPECT_EQ(graph.Cursor()->point, 0u);

    // Up and Down go to the series whose value is next above or below.
    Key(EGraphKey::Right, true);  // x = 10: rising 0.1, falling 0.9
    Key(EGraphKey::Up);
    EXPECT_EQ(*graph.Cursor(), (C{10, 1}));
    Key(EGraphKey::Up);
    EXPECT_EQ(*graph.Cursor(), (C{10, 1}));  // none above
    Key(EGraphKey::Down);
    EXPECT_EQ(*graph.Cursor(), (C{10, 0}));
    EXPECT_EQ(graph.Prompt(), "Rising:(10,0.1)");

    // Zoomed into x = 20 to 40 or so, Home and End keep to the points shown.
    const CPlotFrame& f = *graph.Frame();
    const int32_t top = f.plot.top + 10, bottom = f.plot.bottom - 10;
    Drag({static_cast<int>(std::lround(f.PixelX(20.3))), top},
         {static_cast<int>(std::lround(f.PixelX(40.3))), bottom});
    Key(EGraphKey::Home);
    EXPECT_EQ(graph.Cursor()->point, 21u);
    Key(EGraphKey::End);
    EXPECT_EQ(graph.Cursor()->point, 40u);
}

TEST_F(InteractiveGraph, EnterDrawsAKeyboardBandThatTheCursorWidens) {
    Key(EGraphKey::Home);
    Key(EGraphKey::Right, true);  // x = 10
    EXPECT_EQ(Key(EGraphKey::Enter), R{R::Plot});
    EXPECT_EQ(graph.Prompt(), "Use cursor keys to select a region to zoom in");
    EXPECT_FALSE(graph.SelectionText().empty());
    // Enter again at once: a band of no width is dropped.
    EXPECT_EQ(Key(EGraphKey::Enter), R{R::Band});
    EXPECT_EQ(graph.ZoomDepth(), 0);

    Key(EGraphKey::Enter);
    for (int i = 0; i < 3; ++i) Key(EGraphKey::Right, true);  // to x = 40
    EXPECT_EQ(graph.Prompt(), "Use cursor keys to select a region to zoom in");
    const CTickScale x = XScale();
    EXPECT_EQ(Key(EGraphKey::Enter), R{R::Plot});
    EXPECT_EQ(graph.ZoomDepth(), 1);
    EXPECT_NEAR(graph.Range().xLow, 10, x.PerPixel());
    EXPECT_NEAR(graph.Range().xHigh, 40, x.PerPixel());
    // The band spans the whole height, so both ends get the one percent margin.
    EXPECT_LT(graph.Range().yLow, 0);
    EXPECT_GT(graph.Range().yHigh, 1);
}

TEST_F(InteractiveGraph, CopyTextOfTheVisiblePoints) {
    const CPlotFrame& f = *graph.Frame();
    Drag({static_cast<int>(std::lround(f.PixelX(97.6))), f.plot.top + 5}, {f.plot.right, f.plot.bottom - 5});
    EXPECT_EQ(graph.CopyText(),
              "Wavelength Dependent Absorption\r\n\r\n"
              "98\t0.98\t0.02\r\n"
              "99\t0.99\t0.01\r\n"
              "100\t1\t0\r\n");
}

TEST(InteractiveGraphCopy, AGraphWithoutSeriesCopiesItsXValues) {
    CInteractiveGraph graph;
    CGraphData data;
    data.x = {400, 450.5, 1e-7};
    std::sort(data.x.begin(), data.x.end());
    graph.ShowGraph(CGraph(GraphXPosition), data);
    EXPECT_EQ(graph.CopyText(), "Position (x) Dependent Absorption\r\n\r\n1e-07\r\n400\r\n450.5\r\n");
    graph.ShowGraph(CGraph(GraphYPosition), CGraphData{});
    EXPECT_EQ(graph.CopyText(), "Position (y) Dependent Absorption\r\n\r\n");
}

TEST_F(InteractiveGraph, RetainZoomKeepsTheRangeOfTheSameKind) {
    Drag({200, 150}, {450, 400});
    const CViewRange zoomed = graph.Range();
    // The refresh while tracing keeps the range and the steps back.
    CGraphData more = Crossing();
    more.x.push_back(200);
    for (CGraphSeries& series : more.series) series.y.push_back(5);
    graph.Refresh(more);
    EXPECT_EQ(graph.Range(), zoomed);
    EXPECT_EQ(graph.ZoomDepth(), 1);

    graph.SetRetainZoom(true);
    graph.ShowGraph(CGraph(GraphWavelength), Crossing());
    EXPECT_EQ(graph.Range(), zoomed);
    EXPECT_EQ(graph.ZoomDepth(), 1);
    graph.ShowGraph(CGraph(GraphXPosition), Crossing());  // another kind: fitted to its data
    EXPECT_EQ(graph.Range(), (CViewRange{0, 100, 0, 1}));
    EXPECT_EQ(graph.ZoomDepth(), 0);

    graph.SetRetainZoom(false);
    Draw();
    Drag({200, 150}, {450, 400});
    graph.ShowGraph(CGraph(GraphXPosition), more);
    EXPECT_EQ(graph.Range(), (CViewRange{0, 200, 0, 5}));
    EXPECT_EQ(graph.ZoomDepth(), 0);
}

TEST(InteractiveGraphLog, NearestPointByRatioOnALogarithmicAxis) {
    CInteractiveGraph graph;
    graph.SetLogarithmic(true, false);
    CGraphData data;
    data.x = {-5, 0, 1, 10, 100, 1000};  // the first two cannot be shown
    data.series = {{SeriesLayer, "Cell", {9, 9, 1, 2, 3, 4}}};
    graph.ShowGraph(CGraph(GraphWavelength), data);
    CViewRecorder surface;
    graph.Draw(surface, kClient);
    const CPlotFrame& f = *graph.Frame();
    EXPECT_TRUE(std::isnan(f.PixelX(0)));
    // 40 is nearer 10 by difference but nearer 100 by ratio, as the axis shows it.
    const CPoint click{static_cast<int>(std::lround(f.PixelX(40))),
                       static_cast<int>(std::lround(f.PixelY(3)))};
    graph.LeftButtonDown(click);
    graph.LeftButtonUp(click);
    ASSERT_TRUE(graph.Cursor());
    EXPECT_EQ(graph.Cursor()->point, 4u);
    graph.KeyDown(EGraphKey::Home, false);
    EXPECT_EQ(graph.Cursor()->point, 2u);  // the first point the axis shows
    EXPECT_EQ(graph.CopyText(),
              "Wavelength Dependent Absorption\r\n\r\n1\t1\r\n10\t2\r\n100\t3\r\n1000\t4\r\n");
}

}  // namespace
}  // namespace brelix
