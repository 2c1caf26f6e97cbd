#pragma once

#include <span>
#include <string>

#include "view/view_surface.h"

namespace brelix {

// The colours of graph series i (0 to 15): its line and legend block, and the legend text that reads on it.
struct CLegendColors {
    CColor block;
    CColor text;
};
CLegendColors LegendColors(int index);
// A one-pixel solid pen in a series' block colour.
const CPen* LegendPen(int index);

// The bars' drawing area inside their client rectangle: moved right by 1 and down by 3 pixels, its right
// edge then 10 pixels further left. Blocks are filled by horizontal lines on the rows from its top while
// below its height less 3.
CRect BarArea(const CRect& client);

// The legend bar: a grey area with one block per named series (at most 16), in the series' colour, each
// labelled with as much of its name as fits.
void DrawLegendBar(IViewSurface& surface, const CRect& client, std::span<const std::string> names);

}  // namespace brelix
