#pragma once

#include <string>

#include "view/view_surface.h"

namespace brelix {

class CDrawTools;

// The height the colour-scale and legend bars ask for; their width runs from their left edge to 6 pixels
// short of the main window's right edge.
inline constexpr int32_t BarHeight = 26;

// The colour-scale bar of a batch's drawing settings (in BarArea, view/legend_bar.h): by intensity, 16
// blocks in the band pens labelled with each band's lower limit; by wavelength, 14 blocks from below the
// start (grey) through the twelve colours to above the stop (grey), labelled with their wavelengths; with
// neither, nothing.
void DrawColorScaleBar(IViewSurface& surface, const CRect& client, const CDrawTools& tools);

// The label of an intensity band's lower limit v that fits a width: v with 5 down to 1 decimals, or below
// 0.0001 a caret and log10(v) with 4 down to 0 decimals ("^-5.0000"); empty when none fits.
std::string IntensityLabel(const IViewSurface& surface, double v, double width);

}  // namespace brelix
