#include "view/color_bar.h"

#include <cmath>

#include "core/format.h"
#include "view/draw_tools.h"
#include "view/legend_bar.h"

namespace brelix {

namespace {

// The wavelength blocks, below the start to above the stop: twelve colours between two greys, while rays
// are coloured in eleven bins (dark cyan has no bin).
constexpr EPen kWavelengthBlocks[14] = {PenGrey153,  PenDarkMagenta, PenMagenta,   PenDarkBlue, PenBlue,
                                        PenDarkCyan, PenCyan,        PenDarkGreen, PenGreen,    PenDarkYellow,
                                        PenOrange,   PenDarkRed,     PenRed,       PenGrey153};

constexpr CColor kBlack{0, 0, 0}, kWhite{255, 255, 255};

void FillBlocks(IViewSurface& surface, const CRect& area, const CDrawTools& tools, const EPen* pens,
                int count, double w) {
    const CPen* previous = surface.SelectPen(tools.Pen(pens[0]));
    for (int32_t y = area.top; y < area.Height() - 3; ++y) {
        for (int i = 0; i < count; ++i) {
            surface.SelectPen(tools.Pen(pens[i]));
            surface.MoveTo(static_cast<int32_t>(i * w), y);
            surface.LineTo(static_cast<int32_t>((i + 1) * w), y);
        }
    }
    surface.SelectPen(previous);
}

void Label(IViewSurface& surface, const CRect& area, int i, double w, CColor color, const std::string& text) {
    if (text.empty()) return;
    surface.SetTextColor(color);
    surface.TextOut(static_cast<int32_t>(i * w + w / 2), area.top + 2, text);
}

}  // namespace

std::string IntensityLabel(const IViewSurface& surface, double v, double width) {
    const bool plain = v > 0.0001 || v == 0;
    for (int decimals = plain ? 5 : 4; decimals >= (plain ? 1 : 0); --decimals) {
        const std::string text =
            plain ? FormatFixed(v, 0, decimals) : "^" + FormatFixed(std::log10(v), 1, decimals);
        if (surface.TextExtent(text).cx <= width) return text;
    }
    return {};
}

void DrawColorScaleBar(IViewSurface& surface, const CRect& client, const CDrawTools& tools) {
    const CRect area = BarArea(client);
    const double width = area.Width();
    surface.SetBackground(EBackground::Transparent);
    surface.SetTextAlign({EAlignX::Center, EAlignY::Top});

    if (tools.scaleByIntensity) {
        const double w = width / 16;
        EPen bands[16];
        for (int band = 0; band < 16; ++band) bands[band] = CDrawTools::BandPen(band);
        FillBlocks(surface, area, tools, bands, 16, w);
        const double f = tools.stepFactor;
        double v = f;
        for (int i = 0; i < 16; ++i) {
            // Black and dark grey blocks carry white text.
            Label(surface, area, i, w, i == 12 || i == 13 ? kWhite : kBlack,
                  IntensityLabel(surface, v, w - 4));
            v = i == 14 ? 0.0 : v * f;
        }
    } else if (tools.scaleByWavelength) {
        const double w = width / 14;
        FillBlocks(surface, area, tools, kWavelengthBlocks, 14, w);
        const double s = tools.wavelengthStart, e = tools.wavelengthStop;
        for (int i = 0; i < 14; ++i) {
            std::string text;
            if (i == 0)
                text = "<" + FormatFixed(s, 2, 1);
            else if (i == 13)
                text = ">" + FormatFixed(e, 2, 1);
            else
                text = FormatFixed(s + (e - s) * (i - 1) / 12, 2, 1);
            Label(surface, area, i, w, kBlack, text);
        }
    }
}

}  // namespace brelix
