#include "view/results_table.h"

#include <gtest/gtest.h>

#include <sstream>

#include "core/batch.h"
#include "core/format.h"
#include "document/results_export.h"
#include "tests/support/trace_helpers.h"
#include "tests/support/view_recorder.h"

namespace brelix {
namespace {

using test::CViewRecorder;

constexpr CColor kBlack{0, 0, 0}, kTitle{0, 192, 0}, kTotal{0, 128, 0}, kLayer{255, 0, 0}, kPlane{0, 0, 255},
    kWavelength{192, 0, 192}, kPosition{192, 192, 0};

std::vector<std::string> Split(const std::string& text, char separator) {
    std::vector<std::string> parts;
    std::istringstream in(text);
    for (std::string part; std::getline(in, part, separator);) parts.push_back(part);
    return parts;
}

std::string TextLine(int column, int row, CColor color, const std::string& text) {
    return FormatInt(10 + 80 * column) + " " + FormatInt(20 * row) + " " + FormatInt(color.r) + " " +
           FormatInt(color.g) + " " + FormatInt(color.b) + " " + text + "\n";
}

// A slab of three layers with two planes each, traced at three wavelengths and two x positions: the
// wavelength and x columns vary, and "Air above", "Top catcher" and "Bottom catcher" are cut.
class ResultsTable : public testing::Test {
  protected:
    void SetUp() override {
        test::BuildSlab(batch, 3.5, 100, 200);
        test::SetNormalIncidenceSources(batch, 2);
        batch.wavelengthSweep = {500, 700, 100, 0};
        batch.name = "Slab sweep";
        test::TraceSynchronously(batch);
        batch.traceOps = 2500000;
    }

    // Column colours of the record rows: "Ray", Wlen, X, then each layer and its two planes, then the three
    // totals.
    static std::vector<CColor> RowColors() {
        std::vector<CColor> colors = {kBlack, kWavelength, kPosition};
        for (int layer = 0; layer < 3; ++layer) colors.insert(colors.end(), {kLayer, kPlane, kPlane});
        colors.insert(colors.end(), {kTotal, kTotal, kTotal});
        return colors;
    }

    CBatch batch;
};

TEST_F(ResultsTable, EveryTextAtItsCellInItsColourWithTheExportsNumbers) {
    const uint32_t n = batch.model.results.GetSize();
    ASSERT_EQ(n, 6u);
    const CResultsTable table(batch, 3);
    ASSERT_EQ(table.RowCount(), n + 6);
    CViewRecorder surface;
    table.Draw(surface, 0, table.RowCount());

    // The export's lines: title, headings, n records, rule, totals; the view puts its first rule line
    // between the headings and the records, so a record or totals line i is the view's row i + 1.
    const std::vector<std::string> exported = Split(FormatBatchResults(batch, 3), '\n');
    ASSERT_EQ(exported.size(), n + 4);
    std::string expected = TextLine(0, 0, kTitle, "Batch 3: Slab sweep (2.50 Million Trace Ops)");
    const std::vector<CColor> colors = RowColors();
    const char* headings[] = {"Ray #", "Wlen",     "X",    "Air abov", "Front",  "Top catc", "Slab", "Front",
                              "Rear",  "Air belo", "Rear", "Bottom c", "Remndr", "Lost",     "Total"};
    for (int k = 0; k < 15; ++k) expected += TextLine(k, 1, k >= 12 ? kTitle : colors[k], headings[k]);
    for (uint32_t i = 2; i < n + 2; ++i) {
        const std::vector<std::string> cells = Split(exported[i], '\t');
        ASSERT_EQ(cells.size(), 15u) << exported[i];
        for (int k = 0; k < 15; ++k) expected += TextLine(k, static_cast<int>(i) + 1, colors[k], cells[k]);
    }
    // The totals skip the two sweep columns; the layer and plane totals are black.
    const std::vector<std::string> totals = Split(exported[n + 3], '\t');
    ASSERT_EQ(totals.size(), 15u);
    for (int k : {0, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14})
        expected += TextLine(k, static_cast<int>(n) + 4, k >= 12 ? kTotal : kBlack, totals[k]);
    EXPECT_EQ(surface.TextLines(), expected);
    EXPECT_EQ(totals[0], "Totals");
    EXPECT_EQ(Split(exported[2], '\t')[1], "500.0 ");

    // Two rules under the headings and two under the last record, as long as the heading row and ten
    // pixels more, in one black pen.
    ASSERT_EQ(surface.strokes.size(), 4u);
    const int ruleRow = static_cast<int>(n) + 3;
    const int ys[] = {50, 51, 20 * ruleRow + 10, 20 * ruleRow + 11};
    for (int i = 0; i < 4; ++i) {
        EXPECT_EQ(surface.strokes[i].points, (std::vector<CPoint>{{0, ys[i]}, {80 * 15 + 10, ys[i]}}));
        EXPECT_EQ(surface.strokes[i].pen, (CPen{EPenStyle::Solid, kBlack}));
    }
    for (const CViewRecorder::CText& text : surface.texts) {
        EXPECT_EQ(text.background, EBackground::Transparent);
        EXPECT_EQ(text.font, CFont{});
        EXPECT_EQ(text.align, CTextAlign{});
    }
    EXPECT_EQ(table.Width(), 15 * 80);
}

TEST_F(ResultsTable, ScrolledDrawingShowsOnlyTheRowsAsked) {
    const CResultsTable table(batch, 0);
    CViewRecorder whole, scrolled;
    table.Draw(whole, 0, table.RowCount());
    table.Draw(scrolled, 4, 3);  // two records and the third one's row
    std::vector<CViewRecorder::CText> shown;
    for (const CViewRecorder::CText& text : whole.texts) {
        if (text.y >= 80 && text.y < 140) shown.push_back(text), shown.back().y -= 80;
    }
    ASSERT_EQ(scrolled.texts.size(), shown.size());
    for (size_t i = 0; i < shown.size(); ++i) {
        EXPECT_EQ(scrolled.texts[i].text, shown[i].text);
        EXPECT_EQ(scrolled.texts[i].y, shown[i].y);
    }
    EXPECT_TRUE(scrolled.strokes.empty());

    // The last rows: the closing rule and the totals, which still sum every record.
    CViewRecorder end;
    table.Draw(end, table.RowCount() - 3, 100);
    ASSERT_EQ(end.strokes.size(), 2u);
    EXPECT_EQ(end.strokes[0].points[0].y, 10);
    EXPECT_EQ(end.texts.front().text, "Totals");
    EXPECT_EQ(end.texts.back().text, whole.texts.back().text);
    EXPECT_EQ(end.texts.front().y, 20);
}

TEST_F(ResultsTable, WithoutVaryingSweepsTheTalliesStartInColumnOne) {
    batch.wavelengthVaries = batch.xVaries = 0;
    CViewRecorder surface;
    const CResultsTable table(batch, 0);
    table.Draw(surface, 1, 3);
    ASSERT_GE(surface.texts.size(), 2u);
    EXPECT_EQ(surface.texts[1].text, "Air abov");
    EXPECT_EQ(surface.texts[1].x, 90);
    EXPECT_EQ(table.Width(), 13 * 80);
}

TEST(ResultsTableEmpty, TitleAndNoResults) {
    CBatch batch;
    batch.name = "Empty";
    const CResultsTable table(batch, 1);
    EXPECT_EQ(table.RowCount(), 2u);
    EXPECT_EQ(table.Width(), 320);
    CViewRecorder surface;
    table.Draw(surface, 0, 40);
    EXPECT_EQ(surface.TextLines(),
              "10 0 0 192 0 Batch 1: Empty (0.00 Million Trace Ops)\n10 20 0 0 0 No Results\n");
    EXPECT_TRUE(surface.strokes.empty());
}

TEST(ResultsTableHeadings, CutToEightCharactersNotBytes) {
    CBatch batch;
    CLayer& layer = batch.model.Append();
    layer.name = "µm-Schicht";  // µ and ä take two bytes each
    layer.Append().name = "Oberfläche";
    CRay ray;
    ray.resultIndex = batch.model.FindOrAddResult(ray);
    CViewRecorder surface;
    CResultsTable(batch, 0).Draw(surface, 1, 1);
    ASSERT_EQ(surface.texts.size(), 6u);
    EXPECT_EQ(surface.texts[1].text, "µm-Schic");
    EXPECT_EQ(surface.texts[2].text, "Oberfläc");
}

}  // namespace
}  // namespace brelix
