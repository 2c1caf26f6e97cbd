#include "graph/graph_history.h"

#include <gtest/gtest.h>

namespace brelix {
namespace {

TEST(CGraphHistory, KeepsTheLastHundredUnderTheirOwnNumbers) {
    CGraphHistory history;
    for (int i = 0; i < 102; ++i) {
        CGraphData data;
        data.x = {static_cast<double>(i)};
        history.Add("Run " + std::to_string(i), CGraph(i % 2 ? GraphXPosition : GraphWavelength), data);
    }
    ASSERT_EQ(history.Count(), 100u);
    EXPECT_EQ(CGraphHistory::Title(history[0]), "Previous simulation #3 - Run 2");
    EXPECT_EQ(CGraphHistory::Title(history[99]), "Previous simulation #102 - Run 101");
    EXPECT_EQ(history[99].graph.kind, GraphXPosition);
    EXPECT_EQ(history[99].data.x, std::vector<double>{101});
}

}  // namespace
}  // namespace brelix
