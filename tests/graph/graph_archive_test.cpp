#include "graph/graph_archive.h"

#include <gtest/gtest.h>

#include "graph/graph.h"

namespace brelix {
namespace {

CGraph SampleGraph() {
    CGraph graph(GraphXPosition);
    graph.identity = 513;
    graph.seriesTypes = {SeriesLayer, SeriesPlane, SeriesPlane, SeriesLayer};
    graph.seriesTypes[15] = SeriesPlane;         // beyond the first four
    graph.title = std::string(300, 'T') + " µ";  // a length past 254 takes three bytes
    graph.yLabel = "";
    graph.options = {1, 65535};
    return graph;
}

TEST(GraphArchive, RoundTripKeepsEveryStoredField) {
    const CGraph graph = SampleGraph();
    const std::vector<uint8_t> bytes = WriteGraph(graph);
    CGraph read(GraphXPosition);
    std::string error;
    ASSERT_TRUE(ReadGraph(bytes, read, error)) << error;
    EXPECT_EQ(read, graph);

    // Kind and units are not stored: a graph read back keeps its own.
    CGraph spectral(GraphWavelength);
    ASSERT_TRUE(ReadGraph(bytes, spectral, error)) << error;
    EXPECT_EQ(spectral.kind, GraphWavelength);
    EXPECT_EQ(spectral.xDescriptor.unit, "#nm");
    EXPECT_EQ(spectral.title, graph.title);
}

TEST(GraphArchive, ByteLayout) {
    CGraph graph;
    graph.identity = 0x0102;
    graph.seriesTypes[0] = SeriesLayer;
    graph.title = "T";
    graph.xLabel = "X";
    graph.yLabel = "";
    graph.options = {3, 4};
    std::vector<uint8_t> expected = {1, 0, 2, 1, 16, 0, 2, 0};
    expected.insert(expected.end(), 30, 0);  // types 1 to 15
    expected.insert(expected.end(), {1, 'T', 1, 'X', 0, 3, 0, 4, 0});
    EXPECT_EQ(WriteGraph(graph), expected);
}

TEST(GraphArchive, FourTypesOfAnOlderWriterLeaveTheOthersEmpty) {
    const std::vector<uint8_t> bytes = {1, 0, 0, 0, 4, 0, 2, 0, 1, 0, 0, 0, 2, 0, 0, 0, 0, 0, 0, 0, 0};
    CGraph graph = SampleGraph();
    std::string error;
    ASSERT_TRUE(ReadGraph(bytes, graph, error)) << error;
    EXPECT_EQ(graph.seriesTypes, (std::array<int32_t, 16>{2, 1, 0, 2}));
    EXPECT_EQ(graph.title, "");
}

TEST(GraphArchive, RefusesWhatItCannotHoldAndChangesNothing) {
    const std::vector<uint8_t> valid = WriteGraph(SampleGraph());
    auto with = [&](size_t at, std::vector<uint8_t> patch) {
        std::vector<uint8_t> bytes = valid;
        std::copy(patch.begin(), patch.end(), bytes.begin() + static_cast<std::ptrdiff_t>(at));
        return bytes;
    };
    std::vector<uint8_t> trailing = valid;
    trailing.push_back(0);
    const std::pair<std::vector<uint8_t>, std::string> cases[] = {
        {with(0, {2, 0}), "unsupported graph version 2 at byte 0: this program reads version 1"},
        {with(0, {0, 0}), "unsupported graph version 0 at byte 0: this program reads version 1"},
        {with(4, {17, 0}), "invalid series count at byte 4: a graph holds at most 16 series, found 17"},
        {with(4, {0xFF, 0xFF}),
         "invalid series count at byte 4: a graph holds at most 16 series, found 65535"},
        {with(10, {3, 0}), "invalid type of series 2 at byte 10: expected 0, 1 or 2, found 3"},
        // A title claiming four gigabytes is refused before anything is allocated for it.
        {with(38, {0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF}),
         "unexpected end of the graph at byte 38 while reading the title"},
        {trailing, "1 byte after the graph at byte " + std::to_string(valid.size())},
        {{1, 0, 5}, "unexpected end of the graph at byte 2 while reading the identity"},
    };
    for (const auto& [bytes, message] : cases) {
        CGraph graph;
        std::string error;
        EXPECT_FALSE(ReadGraph(bytes, graph, error)) << message;
        EXPECT_EQ(error, message);
        EXPECT_EQ(graph, CGraph());
    }
    // Every shorter stream ends inside a field.
    for (size_t size = 0; size < valid.size(); ++size) {
        CGraph graph;
        std::string error;
        EXPECT_FALSE(ReadGraph(std::span(valid).first(size), graph, error)) << size;
        EXPECT_NE(error.find("unexpected end of the graph"), std::string::npos) << error;
        EXPECT_EQ(graph, CGraph());
    }
}

}  // namespace
}  // namespace brelix
