#include "graph/plot.h"

#include <algorithm>
#include <cmath>
#include <vector>

#include "core/utf8.h"
#include "view/legend_bar.h"

namespace brelix {

namespace {

constexpr CPen kAxisPen{EPenStyle::Solid, PlotAxisColor};
constexpr CColor kWhite{255, 255, 255};

// The position of a display value between an axis's low and high, from `from` to `to` in pixels.
double Along(const CAxis& axis, double display, double from, double to) {
    return from + (display - axis.low) / (axis.high - axis.low) * (to - from);
}

int32_t Round(double pixel) {
    return static_cast<int32_t>(std::lround(pixel));
}

std::string Caption(const std::string& label, const std::string& units, int32_t exponent) {
    const std::string unit = UnitText(units, exponent);
    return unit.empty() ? label : label + " (" + unit + ")";
}

// The text measures a layout is made of, in the horizontal font.
struct CMeasures {
    int32_t textHeight;
    int32_t averageWidth;
    int32_t zeroWidth;  // of "0"
    int32_t tick;       // the length of a minor tick; major ticks are twice as long
};

CMeasures Measure(const IViewSurface& surface) {
    const CTextMetrics metrics = surface.TextMetrics();
    const int32_t zero = surface.TextExtent("0").cx;
    return {metrics.height, metrics.averageCharWidth, zero, static_cast<int32_t>(0.6 * zero)};
}

CPlotFrame LayOut(const IViewSurface& surface, const CRect& area, const CPlotSetup& setup,
                  const CMeasures& m) {
    const int32_t th = m.textHeight;
    CPlotFrame frame;
    CRect& plot = frame.plot;
    const int32_t titleBottom = setup.title.empty() ? area.top : area.top + th / 4 + th;
    plot.top = titleBottom + th;
    // Below the plot: the tick labels and the x axis label, each a quarter line below what is above it.
    plot.bottom = std::max(plot.top + 1, area.bottom - (th / 4 + th + th / 4 + th + th / 2));

    frame.y.SetRange(setup.range.yLow, setup.range.yHigh, setup.yLogarithmic);
    frame.y.NiceScale(std::max(2, static_cast<int32_t>(plot.Height() / (1.5 * th))));
    int32_t labelWidth = 0;
    for (int32_t i = 0; i <= frame.y.intervals; ++i)
        labelWidth = std::max(labelWidth, surface.TextExtent(frame.y.TickLabel(i)).cx);
    // Left of the plot: the rotated y axis label, then the tick labels.
    plot.left = area.left + th / 4 + th + th / 2 + labelWidth + std::max(m.tick, 2);
    plot.right = std::max(plot.left + 1, area.right - 2 * m.zeroWidth);

    frame.x.SetRange(setup.range.xLow, setup.range.xHigh, setup.xLogarithmic);
    frame.x.NiceScale(std::max(1, plot.Width() / std::max(1, 9 * m.zeroWidth)));
    return frame;
}

void DrawXAxis(IViewSurface& surface, const CPlotFrame& frame, const CMeasures& m) {
    const CRect& p = frame.plot;
    const CAxis& axis = frame.x;
    auto column = [&](double display) { return Round(Along(axis, display, p.left, p.right)); };
    auto marks = [&](int32_t x, int32_t length) {
        surface.MoveTo(x, p.bottom);
        surface.LineTo(x, p.bottom - length);
        surface.MoveTo(x, p.top);
        surface.LineTo(x, p.top + length);
    };
    for (int32_t i = 0; i <= axis.intervals; ++i) {
        const int32_t x = column(axis.Tick(i));
        const bool interior = i > 0 && i < axis.intervals;
        if (interior && !axis.logarithmic && axis.Tick(i) == 0) {
            surface.MoveTo(x, p.bottom);
            surface.LineTo(x, p.top);
        } else if (interior) {
            marks(x, 2 * m.tick);
        }
        if (i < axis.intervals)
            for (double minor : axis.MinorTicks(i)) marks(column(minor), m.tick);
        const EAlignX align = i == 0 ? EAlignX::Left : i == axis.intervals ? EAlignX::Right : EAlignX::Center;
        surface.SetTextAlign({align, EAlignY::Top});
        surface.TextOut(x, p.bottom + m.textHeight / 4, axis.TickLabel(i));
    }
}

void DrawYAxis(IViewSurface& surface, const CPlotFrame& frame, const CMeasures& m) {
    const CRect& p = frame.plot;
    const CAxis& axis = frame.y;
    auto row = [&](double display) { return Round(Along(axis, display, p.bottom, p.top)); };
    auto marks = [&](int32_t y, int32_t length) {
        surface.MoveTo(p.left, y);
        surface.LineTo(p.left + length, y);
        surface.MoveTo(p.right, y);
        surface.LineTo(p.right - length, y);
    };
    surface.SetTextAlign({EAlignX::Right, EAlignY::Top});
    for (int32_t i = 0; i <= axis.intervals; ++i) {
        const int32_t y = row(axis.Tick(i));
        const bool interior = i > 0 && i < axis.intervals;
        if (interior && !axis.logarithmic && axis.Tick(i) == 0) {
            surface.MoveTo(p.left, y);
            surface.LineTo(p.right, y);
        } else if (interior) {
            marks(y, 2 * m.tick);
        }
        if (i < axis.intervals)
            for (double minor : axis.MinorTicks(i)) marks(row(minor), m.tick);
        surface.TextOut(p.left - std::max(m.tick, 2), y - m.textHeight / 2, axis.TickLabel(i));
    }
}

// Cuts a segment to a rectangle (Liang-Barsky); false when none of it lies inside.
bool ClipSegment(double& x0, double& y0, double& x1, double& y1, double left, double top, double right,
                 double bottom) {
    const double dx = x1 - x0, dy = y1 - y0;
    double t0 = 0, t1 = 1;
    const double p[4] = {-dx, dx, -dy, dy};
    const double q[4] = {x0 - left, right - x0, y0 - top, bottom - y0};
    for (int k = 0; k < 4; ++k) {
        if (p[k] == 0) {
            if (q[k] < 0) return false;
            continue;
        }
        const double t = q[k] / p[k];
        if (p[k] < 0)
            t0 = std::max(t0, t);
        else
            t1 = std::min(t1, t);
    }
    if (t0 > t1) return false;
    if (t1 < 1) x1 = x0 + t1 * dx, y1 = y0 + t1 * dy;
    if (t0 > 0) x0 = x0 + t0 * dx, y0 = y0 + t0 * dy;
    return true;
}

struct CPixel {
    double x, y;
};

// Draws one run of consecutive points that the axes can show. The lines are cut to a little more than the
// plot before they become whole pixels, so that points far outside a zoomed view neither overflow nor bend
// the lines that cross it.
void DrawRun(IViewSurface& surface, const CPlotFrame& frame, const std::vector<CPixel>& run,
             const CBrush& brush) {
    const double left = frame.plot.left - 2.0, top = frame.plot.top - 2.0;
    const double right = frame.plot.right + 2.0, bottom = frame.plot.bottom + 2.0;
    if (run.size() == 1) {
        const CPixel& c = run[0];
        if (c.x < left || c.x > right || c.y < top || c.y > bottom) return;
        const int32_t x = Round(c.x), y = Round(c.y);
        const CBrush* previous = surface.SelectBrush(&brush);
        surface.Ellipse({x - 4, y - 4, x + 5, y + 5});
        surface.SelectBrush(previous);
        return;
    }
    std::vector<CPoint> line;
    auto flush = [&] {
        if (line.size() > 1) surface.Polyline(line);
        line.clear();
    };
    for (size_t i = 0; i + 1 < run.size(); ++i) {
        double x0 = run[i].x, y0 = run[i].y, x1 = run[i + 1].x, y1 = run[i + 1].y;
        if (!ClipSegment(x0, y0, x1, y1, left, top, right, bottom)) {
            flush();
            continue;
        }
        if (line.empty() || x0 != run[i].x || y0 != run[i].y) {
            flush();
            line.push_back({Round(x0), Round(y0)});
        }
        line.push_back({Round(x1), Round(y1)});
        if (x1 != run[i + 1].x || y1 != run[i + 1].y) flush();
    }
    flush();
}

void DrawSeries(IViewSurface& surface, const CPlotFrame& frame, const CGraphData& data, bool markPoints) {
    const CRect& p = frame.plot;
    surface.SelectClipRect(CRect{p.left + 1, p.top + 1, p.right, p.bottom});
    for (size_t k = 0; k < data.series.size(); ++k) {
        const std::vector<double>& y = data.series[k].y;
        const int index = static_cast<int>(k);
        surface.SelectPen(LegendPen(index));
        const CBrush brush{LegendColors(index).block};
        std::vector<CPixel> run;
        std::vector<CPixel> shown;
        const size_t count = std::min(data.x.size(), y.size());
        for (size_t i = 0; i <= count; ++i) {
            const CPixel pixel = i < count ? CPixel{frame.PixelX(data.x[i]), frame.PixelY(y[i])}
                                           : CPixel{std::nan(""), std::nan("")};
            if (std::isfinite(pixel.x) && std::isfinite(pixel.y)) {
                run.push_back(pixel);
                shown.push_back(pixel);
            } else if (!run.empty()) {
                DrawRun(surface, frame, run, brush);
                run.clear();
            }
        }
        if (!markPoints) continue;
        for (const CPixel& pixel : shown) {
            if (pixel.x < p.left || pixel.x > p.right || pixel.y < p.top || pixel.y > p.bottom) continue;
            const int32_t x = Round(pixel.x), y = Round(pixel.y);
            surface.FillRect({x - 2, y - 2, x + 2, y + 2}, kWhite);
        }
    }
    surface.SelectClipRect(std::nullopt);
}

}  // namespace

double CPlotFrame::PixelX(double value) const {
    return Along(x, x.ToDisplay(value), plot.left, plot.right);
}

double CPlotFrame::PixelY(double value) const {
    return Along(y, y.ToDisplay(value), plot.bottom, plot.top);
}

double CPlotFrame::DataX(int32_t px) const {
    return x.FromDisplay(x.low + (px - plot.left) * (x.high - x.low) / plot.Width());
}

double CPlotFrame::DataY(int32_t py) const {
    return y.FromDisplay(y.low + (plot.bottom - py) * (y.high - y.low) / plot.Height());
}

CPlotFrame DrawPlot(IViewSurface& surface, const CRect& area, const CPlotSetup& setup,
                    const CGraphData& data) {
    const int32_t fontHeight = std::min(area.Width(), area.Height()) / 70 + 12;
    const CFont previousFont = surface.SelectFont({fontHeight, 0});
    const CMeasures m = Measure(surface);
    const CPlotFrame frame = LayOut(surface, area, setup, m);
    const CRect& p = frame.plot;

    surface.SetBackground(EBackground::Transparent);
    surface.SetTextColor(PlotAxisColor);
    const CPen* previousPen = surface.SelectPen(&kAxisPen);
    surface.MoveTo(p.left, p.top);
    surface.LineTo(p.right, p.top);
    surface.LineTo(p.right, p.bottom);
    surface.LineTo(p.left, p.bottom);
    surface.LineTo(p.left, p.top);
    DrawXAxis(surface, frame, m);
    DrawYAxis(surface, frame, m);

    surface.SetTextAlign({EAlignX::Center, EAlignY::Top});
    const int32_t th = m.textHeight;
    surface.TextOut((p.left + p.right) / 2, p.bottom + th / 4 + th + th / 4,
                    Caption(setup.xLabel, setup.xUnits, frame.x.exponent));
    surface.SelectFont({fontHeight, 900});
    surface.TextOut(area.left + th / 4, (p.top + p.bottom) / 2,
                    Caption(setup.yLabel, setup.yUnits, frame.y.exponent));
    surface.SelectFont({fontHeight, 0});

    if (!setup.title.empty()) {
        // Over the plot when it is wide enough for the title, else over the whole area.
        const auto estimated = static_cast<int64_t>(Utf8Length(setup.title)) * m.averageWidth;
        const int32_t centre = estimated <= p.Width() ? (p.left + p.right) / 2 : (area.left + area.right) / 2;
        surface.TextOut(centre, area.top + th / 4, setup.title);
    }

    DrawSeries(surface, frame, data, setup.markPoints);
    surface.SelectPen(previousPen);
    surface.SelectFont(previousFont);
    return frame;
}

}  // namespace brelix
