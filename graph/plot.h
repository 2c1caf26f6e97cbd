#pragma once

#include <string>

#include "graph/axis.h"
#include "graph/graph_series.h"
#include "view/view_surface.h"

namespace brelix {

// The data ranges a plot shows, in data units.
struct CViewRange {
    double xLow = -2.0, xHigh = 2.0, yLow = -2.0, yHigh = 2.0;
    bool operator==(const CViewRange&) const = default;
};

// What a plot shows besides its data.
struct CPlotSetup {
    std::string title, xLabel, xUnits, yLabel, yUnits;
    CViewRange range;
    bool xLogarithmic = false;
    bool yLogarithmic = false;
    bool markPoints = false;  // a white square on every point
};

// Where a plot was drawn: its rectangle inside the axes (the axis lines run along all four of its edges,
// right and bottom included) and its two axes after rounding to their ticks. Maps data to pixels and back.
struct CPlotFrame {
    CRect plot;
    CAxis x, y;

    // The pixel column of a data x value and the row of a y value, unrounded; NaN where the axis cannot
    // show the value.
    double PixelX(double value) const;
    double PixelY(double value) const;
    // The data values at a pixel column and row.
    double DataX(int32_t px) const;
    double DataY(int32_t py) const;
};

// The colour of the axes, their labels and the title.
inline constexpr CColor PlotAxisColor{0, 0, 0};

// Draws a plot of the data filling `area`: the title centred at the top, the axes with round ticks and
// their labels, the axis labels with their units, and each series (in its legend colour, view/legend_bar.h)
// as a line through its points, clipped to the inside of the axes. A series point that stands alone (a
// series of one point, or one between points an axis cannot show) is a small filled circle. Points a
// logarithmic axis cannot show (0 and below) and values that are not numbers are left out, breaking the line.
// Text sizes scale with the area, so a printed page and a window look alike. Returns the layout, for
// mapping the pixels of this picture.
CPlotFrame DrawPlot(IViewSurface& surface, const CRect& area, const CPlotSetup& setup,
                    const CGraphData& data);

}  // namespace brelix
