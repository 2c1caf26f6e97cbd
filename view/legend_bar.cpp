#include "view/legend_bar.h"

#include <algorithm>
#include <array>
#include <cmath>

#include "core/utf8.h"

namespace brelix {

namespace {

constexpr int kColors = 16;
constexpr CColor kBlack{0, 0, 0}, kWhite{255, 255, 255};
constexpr std::array<CLegendColors, kColors> kLegendColors = {{
    {{255, 0, 0}, kBlack},
    {{0, 255, 0}, kBlack},
    {{0, 0, 255}, kWhite},
    {{0, 255, 255}, kBlack},
    {{255, 0, 255}, kBlack},
    {{255, 255, 0}, kBlack},
    {{255, 128, 0}, kBlack},
    {{191, 0, 0}, kWhite},
    {{0, 191, 0}, kWhite},
    {{0, 0, 191}, kWhite},
    {{0, 191, 191}, kWhite},
    {{191, 0, 191}, kWhite},
    {{223, 223, 0}, kBlack},
    {{208, 208, 208}, kWhite},
    {{128, 128, 128}, kWhite},
    {{0, 0, 0}, kWhite},
}};

constexpr std::array<CPen, kColors> MakeLegendPens() {
    std::array<CPen, kColors> pens{};
    for (int i = 0; i < kColors; ++i) pens[i] = {EPenStyle::Solid, kLegendColors[i].block};
    return pens;
}
constexpr std::array<CPen, kColors> kLegendPens = MakeLegendPens();

constexpr CColor kLegendBackground{208, 208, 208};

// The left edge of block j of n across a width.
int32_t BlockEdge(int j, int n, int32_t width) {
    return static_cast<int32_t>(static_cast<double>(j) * width / n + 0.5);
}

// The longest start of a name no wider than `width`; empty when not even one character fits.
std::string FitName(const IViewSurface& surface, const std::string& name, int32_t width) {
    for (size_t length = Utf8Length(name); length > 0; --length) {
        const std::string_view text = Utf8Prefix(name, length);
        if (surface.TextExtent(text).cx <= width) return std::string(text);
    }
    return {};
}

}  // namespace

CLegendColors LegendColors(int index) {
    return kLegendColors[static_cast<size_t>(index) % kColors];
}

const CPen* LegendPen(int index) {
    return &kLegendPens[static_cast<size_t>(index) % kColors];
}

CRect BarArea(const CRect& client) {
    return {client.left + 1, client.top + 3, client.right + 1 - 10, client.bottom + 3};
}

void DrawLegendBar(IViewSurface& surface, const CRect& client, std::span<const std::string> names) {
    const CRect area = BarArea(client);
    surface.FillRect(area, kLegendBackground);
    const int n = static_cast<int>(std::min<size_t>(names.size(), kColors));
    if (n == 0) return;
    const int32_t width = area.Width();

    const CPen* previous = surface.SelectPen(LegendPen(0));
    for (int32_t y = area.top; y < area.Height() - 3; ++y) {
        for (int i = 0; i < n; ++i) {
            surface.SelectPen(LegendPen(i));
            surface.MoveTo(BlockEdge(i, n, width), y);
            surface.LineTo(BlockEdge(i + 1, n, width), y);
        }
    }
    surface.SelectPen(previous);

    surface.SetBackground(EBackground::Transparent);
    surface.SetTextAlign({EAlignX::Center, EAlignY::Top});
    const int32_t blockWidth = width / n;
    for (int i = 0; i < n; ++i) {
        const std::string text = FitName(surface, names[static_cast<size_t>(i)], blockWidth - 4);
        if (text.empty()) continue;
        surface.SetTextColor(LegendColors(i).text);
        surface.TextOut((BlockEdge(i, n, width) + BlockEdge(i + 1, n, width)) / 2, area.top + 2, text);
    }
}

}  // namespace brelix
