#include "view/color_bar.h"

#include <gtest/gtest.h>

#include <cmath>

#include "core/ray.h"
#include "tests/support/draw_recorder.h"
#include "tests/support/view_recorder.h"
#include "view/draw_tools.h"

namespace brelix {
namespace {

using test::CViewRecorder;

// The colour of the block lines that start at x, and the rows they fill.
struct CBlock {
    CColor color;
    std::vector<int> rows;
    int right = 0;
};

std::vector<CBlock> Blocks(const CViewRecorder& surface) {
    std::vector<CBlock> blocks;
    std::vector<int> lefts;
    for (const CViewRecorder::CStroke& stroke : surface.strokes) {
        const int left = stroke.points[0].x;
        auto at = std::find(lefts.begin(), lefts.end(), left);
        if (at == lefts.end()) {
            lefts.push_back(left);
            blocks.push_back({stroke.pen->color, {}, stroke.points[1].x});
            at = lefts.end() - 1;
        }
        CBlock& block = blocks[static_cast<size_t>(at - lefts.begin())];
        EXPECT_EQ(stroke.pen->color, block.color) << "block at " << left;
        EXPECT_EQ(stroke.points[1].x, block.right);
        EXPECT_EQ(stroke.points[0].y, stroke.points[1].y);
        block.rows.push_back(stroke.points[0].y);
    }
    return blocks;
}

// 970 x 26 pixels: the bar area is 960 wide, 60 pixels a block by intensity.
const CRect kClient{0, 0, 970, BarHeight};

TEST(ColorScaleBar, IntensityBlocksInTheRayPensWithTheirLimits) {
    CDrawTools tools;
    tools.stepFactor = 0.1;
    CViewRecorder surface;
    DrawColorScaleBar(surface, kClient, tools);

    const std::vector<CBlock> blocks = Blocks(surface);
    ASSERT_EQ(blocks.size(), 16u);
    std::vector<int> rows;
    for (int y = 3; y < 23; ++y) rows.push_back(y);  // from the area's top while below its height less 3
    test::CDrawRecorder rays;
    for (int i = 0; i < 16; ++i) {
        // An intensity inside band i: between 0.1^(i+1) and 0.1^i.
        CRay ray;
        ray.intensity = 5 * std::pow(0.1, i + 1);
        tools.SelectRayPen(rays, ray);
        EXPECT_EQ(blocks[i].color, rays.CurrentPen()->color) << "band " << i;
        EXPECT_EQ(blocks[i].rows, rows);
        EXPECT_EQ(blocks[i].right, 60 * (i + 1));
    }

    ASSERT_EQ(surface.texts.size(), 16u);
    const char* labels[] = {"0.10000",  "0.01000",  "0.00100",  "0.00010", "^-5.0000",
                            "^-6.0000", "^-7.0000", "^-8.0000", "^-9.0000"};
    for (int i = 0; i < 16; ++i) {
        const CViewRecorder::CText& text = surface.texts[i];
        if (i < 9) {
            EXPECT_EQ(text.text, labels[i]);
        }
        EXPECT_EQ(text.x, 60 * i + 30);
        EXPECT_EQ(text.y, 5);
        EXPECT_EQ(text.align, (CTextAlign{EAlignX::Center, EAlignY::Top}));
        EXPECT_EQ(text.background, EBackground::Transparent);
        EXPECT_EQ(text.color, (i == 12 || i == 13 ? CColor{255, 255, 255} : CColor{0, 0, 0})) << i;
    }
    EXPECT_EQ(surface.texts[14].text, "^-15.000");  // 0.1^15: the four decimals do not fit
    EXPECT_EQ(surface.texts[15].text, "0.00000");   // the last band reaches down to 0
}

TEST(ColorScaleBar, WavelengthBlocksInOrderWithTheirWavelengths) {
    CDrawTools tools;
    tools.scaleByIntensity = 0;
    tools.scaleByWavelength = 1;
    tools.wavelengthStart = 400;
    tools.wavelengthStop = 1000;
    CViewRecorder surface;
    const CRect client{0, 0, 850, BarHeight};  // 840 wide, 60 a block
    DrawColorScaleBar(surface, client, tools);

    const std::vector<CBlock> blocks = Blocks(surface);
    const CColor expected[14] = {{153, 153, 153}, {191, 0, 191}, {255, 0, 255}, {0, 0, 191},    {0, 0, 255},
                                 {0, 191, 191},   {0, 255, 255}, {0, 191, 0},   {0, 255, 0},    {223, 223, 0},
                                 {255, 128, 0},   {191, 0, 0},   {255, 0, 0},   {153, 153, 153}};
    ASSERT_EQ(blocks.size(), 14u);
    for (int i = 0; i < 14; ++i) EXPECT_EQ(blocks[i].color, expected[i]) << "block " << i;

    std::string labels;
    for (const CViewRecorder::CText& text : surface.texts) {
        labels += text.text + " ";
        EXPECT_EQ(text.color, (CColor{0, 0, 0}));
    }
    EXPECT_EQ(labels,
              "<400.0 400.0 450.0 500.0 550.0 600.0 650.0 700.0 750.0 800.0 850.0 900.0 950.0 >1000.0 ");
    EXPECT_EQ(surface.texts[13].x, 13 * 60 + 30);

    // With neither scale there is nothing to show.
    tools.scaleByWavelength = 0;
    CViewRecorder blank;
    DrawColorScaleBar(blank, client, tools);
    EXPECT_TRUE(blank.strokes.empty());
    EXPECT_TRUE(blank.texts.empty());
}

TEST(IntensityLabel, TheMostDecimalsThatFit) {
    const CViewRecorder surface;  // 7 pixels a character
    struct Case {
        double v, width;
        const char* label;
    };
    const Case cases[] = {
        {0.9, 49, "0.90000"},     {0.9, 48.9, "0.9000"}, {0.9, 21, "0.9"},         {0.9, 20, ""},
        {1e-5, 56, "^-5.0000"},   {1e-5, 55, "^-5.000"}, {1e-5, 21, "^-5"},        {1e-5, 20, ""},
        {0.0001, 56, "^-4.0000"}, {0, 35, "0.000"},      {0.00012, 49, "0.00012"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(IntensityLabel(surface, c.v, c.width), c.label) << c.v << " " << c.width;
}

}  // namespace
}  // namespace brelix
