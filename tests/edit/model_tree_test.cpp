#include "edit/model_tree.h"

#include <gtest/gtest.h>

#include "core/batch_list.h"
#include "examples/sample_models.h"

namespace brelix {
namespace {

// Two batches: "Empty" without layers, and "Slab" (air, slab, air; two planes each).
void BuildDocument(CBatchList& batches) {
    batches[0].name = "Empty";
    CBatch& slab = batches.Append();
    slab.name = "Slab";
    samples::BuildSlab(slab, 3.5, 100, 100);
}

TEST(BuildModelTree, ListsTheRecordsWithTheirFlagsAndSelection) {
    CBatchList batches;
    BuildDocument(batches);
    CModel& model = batches[1].model;
    model.treeExpanded = 1;
    model[1].treeExpanded = 1;
    model[1][0].treeExpanded = 1;

    const CTreeContent tree = BuildModelTree("/runs/cell.brx", 1, batches);
    // root, 2 batches, 3 layers, 6 planes with an "Edges" item each
    ASSERT_EQ(tree.entries.size(), 1u + 2 + 3 + 6 * 2);
    EXPECT_EQ(tree.selected, -1);
    const CTreeEntry& root = tree.entries[0];
    EXPECT_EQ(root.text, "/runs/cell.brx");
    EXPECT_TRUE(root.expanded);
    EXPECT_EQ(root.code.Level(), ETreeLevel::Root);
    EXPECT_EQ(tree.entries[1].text, "Empty");
    EXPECT_EQ(tree.entries[2].parent, 0);
    EXPECT_FALSE(tree.entries[1].expanded);
    EXPECT_TRUE(tree.entries[2].expanded);

    const CTreeEntry& layer = tree.entries[3 + 5];  // the slab: after the air's item and its 2 x 2
    EXPECT_EQ(layer.text, model[1].name);
    EXPECT_EQ(layer.tooltip, model[1].Describe());
    EXPECT_EQ(layer.icon, TreeIconLayer);
    EXPECT_EQ(layer.code, (CTreeCode{1, 1, -1, false}));
    EXPECT_TRUE(layer.expanded);
    const CTreeEntry& plane = tree.entries[9];
    EXPECT_EQ(plane.code, (CTreeCode{1, 1, 0, false}));
    EXPECT_EQ(plane.tooltip, model[1][0].Describe());
    EXPECT_TRUE(plane.expanded);
    EXPECT_EQ(tree.entries[plane.parent].code, layer.code);
    const CTreeEntry& edges = tree.entries[10];
    EXPECT_EQ(edges.text, "Edges");
    EXPECT_EQ(edges.icon, TreeIconEdges);
    EXPECT_EQ(edges.code.Level(), ETreeLevel::Edges);
    EXPECT_EQ(edges.parent, 9);

    // Of several selections the last in the tree's order stays: a plane after its own edges, a batch
    // after its layers.
    model.selectedEdges = &model[1][0];
    model.selectedPlane = &model[1][0];
    EXPECT_EQ(BuildModelTree("", 1, batches).selected, 9);
    batches.selectedBatch = &batches[1];
    EXPECT_EQ(BuildModelTree("", 1, batches).selected, 2);
}

TEST(SelectTreeItem, EachLevelSelectsItsRecordAndClearsTheOthers) {
    CBatchList batches;
    BuildDocument(batches);
    CModel& model = batches[1].model;

    EXPECT_EQ(SelectTreeItem(batches, {}), SelectDocument);
    EXPECT_EQ(SelectTreeItem(batches, {1, -1, -1, false}), SelectBatch);
    EXPECT_EQ(batches.GetCurrent(), 1u);
    EXPECT_EQ(batches.selectedBatch, &batches[1]);

    EXPECT_EQ(SelectTreeItem(batches, {1, 2, -1, false}), SelectLayer);
    EXPECT_EQ(model.GetCurrent(), 2u);
    EXPECT_EQ(model.selectedLayer, &model[2]);
    EXPECT_EQ(batches.selectedBatch, nullptr);
    EXPECT_EQ(model[2].treeChecked, 1u);

    EXPECT_EQ(SelectTreeItem(batches, {1, 2, 1, false}), SelectPlane);
    EXPECT_EQ(model[2].GetCurrent(), 1u);
    EXPECT_EQ(model.selectedPlane, &model[2][1]);
    EXPECT_EQ(model.selectedLayer, nullptr);
    EXPECT_EQ(model[2][1].treeChecked, 1u);

    EXPECT_EQ(SelectTreeItem(batches, {1, 0, 1, true}), SelectEdges);
    EXPECT_EQ(model.selectedEdges, &model[0][1]);
    EXPECT_EQ(model.selectedPlane, nullptr);
    EXPECT_EQ(model[0][1].treeChecked, 0u);  // only a click on the plane item itself checks it

    // Clicking the other batch makes it current and clears its model's selections.
    batches[0].model.selectedLayer = &model[0];
    EXPECT_EQ(SelectTreeItem(batches, {0, -1, -1, false}), SelectBatch);
    EXPECT_EQ(batches.GetCurrent(), 0u);
    EXPECT_EQ(batches[0].model.selectedLayer, nullptr);

    // An item older than the records selects nothing and changes nothing.
    for (const CTreeCode code : {CTreeCode{2, -1, -1, false}, CTreeCode{1, 3, -1, false},
                                 CTreeCode{1, 0, 2, true}, CTreeCode{1LL << 40, 0, 0, false}})
        EXPECT_EQ(SelectTreeItem(batches, code), std::nullopt);
    EXPECT_EQ(batches.GetCurrent(), 0u);
}

TEST(SetTreeItemExpanded, SetsTheFlagOfTheItemsRecordToTheNewState) {
    CBatchList batches;
    BuildDocument(batches);
    CModel& model = batches[1].model;
    uint32_t root = 1;
    SetTreeItemExpanded(root, batches, {}, false);
    EXPECT_EQ(root, 0u);
    SetTreeItemExpanded(root, batches, {1, -1, -1, false}, true);
    SetTreeItemExpanded(root, batches, {1, 2, -1, false}, true);
    SetTreeItemExpanded(root, batches, {1, 2, 1, false}, true);
    SetTreeItemExpanded(root, batches, {1, 2, 1, false}, true);  // twice: still expanded, not toggled
    SetTreeItemExpanded(root, batches, {1, 2, 1, true}, false);   // "Edges" has no flag
    SetTreeItemExpanded(root, batches, {7, 2, 1, false}, false);  // gone: nothing
    EXPECT_EQ(model.treeExpanded, 1u);
    EXPECT_EQ(model[2].treeExpanded, 1u);
    EXPECT_EQ(model[2][1].treeExpanded, 1u);
    EXPECT_EQ(model[2][0].treeExpanded, 0u);
}

// Documents have no limit on their counts: the 300th plane has a code and can be selected.
TEST(SelectTreeItem, ReachesEveryPlaneOfALargeLayer) {
    CBatchList batches;
    CLayer& layer = batches[0].model.Append();
    for (int k = 0; k < 300; ++k) layer.Append().name = "p" + std::to_string(k);
    const CTreeContent tree = BuildModelTree("", 1, batches);
    ASSERT_EQ(tree.entries.size(), 1u + 1 + 1 + 600);
    const CTreeEntry& last = tree.entries[tree.entries.size() - 2];
    EXPECT_EQ(last.text, "p299");
    EXPECT_EQ(SelectTreeItem(batches, last.code), SelectPlane);
    EXPECT_EQ(batches[0].model.selectedPlane, &layer[299]);
}

}  // namespace
}  // namespace brelix
