#include "view/legend_bar.h"

#include <gtest/gtest.h>

#include "core/batch.h"
#include "graph/graph_series.h"
#include "tests/support/view_recorder.h"

namespace brelix {
namespace {

using test::CViewRecorder;

TEST(LegendBar, ThreeCheckedSeriesInTheFirstThreeColours) {
    CBatch batch;
    for (const char* name : {"Glass", "Cell", "Back"}) {
        CLayer& layer = batch.model.Append();
        layer.name = name;
        layer.Append().name = std::string(name) + " rear";
    }
    batch.model[0].treeChecked = 1;
    batch.model[1][0].treeChecked = 1;
    batch.model[2].treeChecked = 1;
    std::vector<std::string> names;
    for (const CGraphSeries& series : BuildCheckedSeries(batch, GraphWavelength).series)
        names.push_back(series.name);
    ASSERT_EQ(names, (std::vector<std::string>{"Glass", "Cell rear", "Back"}));

    CViewRecorder surface;
    DrawLegendBar(surface, {0, 0, 310, 26}, names);  // a 300 pixel area: blocks of 100

    ASSERT_FALSE(surface.shapes.empty());
    EXPECT_EQ(surface.shapes[0].kind, CViewRecorder::EShape::Fill);
    EXPECT_EQ(surface.shapes[0].rect, (CRect{1, 3, 301, 29}));
    EXPECT_EQ(surface.shapes[0].inside, (CColor{208, 208, 208}));

    const CColor blocks[3] = {{255, 0, 0}, {0, 255, 0}, {0, 0, 255}};
    ASSERT_EQ(surface.strokes.size(), 3u * 20);  // rows 3 to 22
    for (size_t s = 0; s < surface.strokes.size(); ++s) {
        const int i = static_cast<int>(s % 3);
        EXPECT_EQ(surface.strokes[s].pen->color, blocks[i]);
        EXPECT_EQ(surface.strokes[s].points[0], (CPoint{100 * i, 3 + static_cast<int>(s / 3)}));
        EXPECT_EQ(surface.strokes[s].points[1].x, 100 * (i + 1));
    }

    // Black on red and green, white on blue, centred on each block.
    ASSERT_EQ(surface.texts.size(), 3u);
    const CColor texts[3] = {{0, 0, 0}, {0, 0, 0}, {255, 255, 255}};
    for (int i = 0; i < 3; ++i) {
        EXPECT_EQ(surface.texts[i].text, names[i]);
        EXPECT_EQ(surface.texts[i].color, texts[i]);
        EXPECT_EQ(surface.texts[i].x, 100 * i + 50);
        EXPECT_EQ(surface.texts[i].y, 5);
        EXPECT_EQ(surface.texts[i].align, (CTextAlign{EAlignX::Center, EAlignY::Top}));
    }
}

TEST(LegendBar, NamesCutToTheirBlocks) {
    // Seven blocks over 100 pixels: edges at 0, 14, 29, 43, 57, 71, 86 and 100; a text may take 100 / 7 - 4
    // = 10 pixels, one 7-pixel character. An empty name draws nothing.
    const std::vector<std::string> names = {"Front glass", "", "µ", "AB", "C", "D", "E"};
    CViewRecorder surface;
    DrawLegendBar(surface, {0, 0, 110, 26}, names);
    std::vector<std::pair<std::string, int>> shown;
    for (const CViewRecorder::CText& text : surface.texts) shown.push_back({text.text, text.x});
    const std::vector<std::pair<std::string, int>> expected = {{"F", 7},  {"µ", 36}, {"A", 50},
                                                               {"C", 64}, {"D", 78}, {"E", 93}};
    EXPECT_EQ(shown, expected);
    EXPECT_EQ(surface.strokes.back().points[1].x, 100);

    CViewRecorder empty;
    DrawLegendBar(empty, {0, 0, 110, 26}, {});
    EXPECT_EQ(empty.shapes.size(), 1u);  // the grey area only
    EXPECT_TRUE(empty.strokes.empty());
}

}  // namespace
}  // namespace brelix
