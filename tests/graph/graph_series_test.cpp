#include "graph/graph_series.h"

#include <gtest/gtest.h>

#include "core/batch.h"
#include "tests/support/trace_helpers.h"

namespace brelix {
namespace {

// A ray of a new result key, as a trace makes one, with `absorbed` tallied in a layer.
void AddRecord(CBatch& batch, double wavelength, double x, CLayer& layer, double absorbed) {
    CRay ray;
    ray.wavelength = wavelength;
    ray.xSource = x;
    ray.resultIndex = batch.model.FindOrAddResult(ray);
    layer.results.AddAbsorbed(ray, absorbed);
}

TEST(CGraph, KindsNameTheirAxes) {
    struct Case {
        EGraphKind kind;
        const char* title;
        const char* xLabel;
        const char* xUnit;
    };
    const Case cases[] = {
        {GraphWavelength, "Wavelength Dependent Absorption", "Wavelength", "#nm"},
        {GraphXPosition, "Position (x) Dependent Absorption", "Position", "#um"},
        {GraphYPosition, "Position (y) Dependent Absorption", "Position", "#um"},
    };
    for (const Case& c : cases) {
        const CGraph graph(c.kind);
        EXPECT_EQ(graph.title, c.title);
        EXPECT_EQ(graph.xLabel, c.xLabel);
        EXPECT_EQ(graph.xDescriptor.unit, c.xUnit);
        EXPECT_EQ(graph.yLabel, "Absorption");
        EXPECT_EQ(graph.seriesDescriptors[0].unit, "#");
        EXPECT_EQ(graph.SeriesCount(), 0);
        EXPECT_EQ(graph.options, (std::array<uint16_t, 2>{0, 0}));
    }
}

// The slab traced at three wavelengths and at x = 1 and 2.
class GraphSeries : public testing::Test {
  protected:
    void SetUp() override {
        test::BuildSlab(batch, 3.5, 100, 200);
        batch.xSweep = {1, 2, 1, 0};
        batch.wavelengthSweep = {500, 700, 100, 0};
        test::TraceSynchronously(batch);
        ASSERT_EQ(batch.model.results.GetSize(), 6u);
    }
    CBatch batch;
};

TEST_F(GraphSeries, WavelengthGraphTakesTheRecordsAtTheSweepStarts) {
    CLayer& slab = batch.model[1];
    slab.treeChecked = 1;
    slab[1].treeChecked = 1;  // its rear
    batch.model[2].treeChecked = 1;
    const CGraphData data = BuildCheckedSeries(batch, GraphWavelength);
    EXPECT_EQ(data.x, (std::vector<double>{500, 600, 700}));
    ASSERT_EQ(data.series.size(), 3u);
    EXPECT_EQ(data.series[0].type, SeriesLayer);
    EXPECT_EQ(data.series[0].name, "Slab");
    EXPECT_EQ(data.series[1].type, SeriesPlane);
    EXPECT_EQ(data.series[1].name, "Rear");
    EXPECT_EQ(data.series[2].name, "Air below");
    for (uint32_t i = 0; i < 3; ++i) {
        EXPECT_EQ(batch.model.results[i].key.x, 1.0);
        EXPECT_EQ(data.series[0].y[i], slab.results[i].absorbed);
        EXPECT_EQ(data.series[1].y[i], slab[1].results[i].absorbed);
    }
    EXPECT_GT(data.series[0].y[0], 0.1);

    CGraph graph;
    graph.SetSeries(data);
    EXPECT_EQ(graph.SeriesCount(), 3);
    EXPECT_EQ(graph.seriesTypes[1], SeriesPlane);
    EXPECT_EQ(graph.seriesDescriptors[2].label, "Air below");
    graph.SetSeries(CGraphData{});
    EXPECT_EQ(graph.SeriesCount(), 0);
    EXPECT_EQ(graph.seriesDescriptors[2].label, "");
}

TEST_F(GraphSeries, PositionGraphTakesEveryRecordInOrderOfPosition) {
    batch.model[1].treeChecked = 1;
    const CGraphData data = BuildCheckedSeries(batch, GraphXPosition);
    EXPECT_EQ(data.x, (std::vector<double>{1, 1, 1, 2, 2, 2}));
    ASSERT_EQ(data.series.size(), 1u);
    for (uint32_t i = 0; i < 6; ++i) EXPECT_EQ(data.series[0].y[i], batch.model[1].results[i].absorbed);
    EXPECT_EQ(BuildCheckedSeries(batch, GraphYPosition).x, std::vector<double>(6, 0.0));
}

TEST_F(GraphSeries, ALayerWithoutTalliesPlotsZero) {
    CLayer& added = batch.model.Append();
    added.name = "Added";
    added.treeChecked = 1;
    const CGraphData data = BuildCheckedSeries(batch, GraphWavelength);
    ASSERT_EQ(data.series.size(), 1u);
    EXPECT_EQ(data.series[0].y, std::vector<double>(3, 0.0));
}

TEST(GraphSeriesOrder, RecordsOutOfOrderAreSortedAndSeriesStopAtSixteen) {
    CBatch batch;
    CLayer& layer = batch.model.Append();
    for (int i = 0; i < 20; ++i) layer.Append().treeChecked = 1;
    layer.treeChecked = 1;
    // A re-emitted wavelength after the swept ones, and more points than any fixed array would hold.
    for (int i = 0; i < 1500; ++i) AddRecord(batch, 1000 + i, 0, layer, i);
    AddRecord(batch, 400, 0, layer, -1);
    const CGraphData data = BuildCheckedSeries(batch, GraphWavelength);
    ASSERT_EQ(data.x.size(), 1501u);
    EXPECT_EQ(data.x.front(), 400);
    EXPECT_TRUE(std::is_sorted(data.x.begin(), data.x.end()));
    ASSERT_EQ(data.series.size(), 16u);
    EXPECT_EQ(data.series[0].y.front(), -1);
    EXPECT_EQ(data.series[0].y.back(), 1499);
    EXPECT_EQ(data.series[15].type, SeriesPlane);
}

}  // namespace
}  // namespace brelix
