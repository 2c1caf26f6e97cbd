#include "edit/model_builder.h"

#include <gtest/gtest.h>

#include <map>

#include "core/batch_list.h"
#include "edit/model_tree.h"
#include "examples/sample_models.h"

namespace brelix {
namespace {

using C = EBuilderCommand;

const std::vector<std::pair<C, const char*>> kCommands = {
    {C::AddBatch, "AddBatch"},         {C::EditBatch, "EditBatch"}, {C::DeleteBatch, "DeleteBatch"},
    {C::AddLayer, "AddLayer"},         {C::EditLayer, "EditLayer"}, {C::DeleteLayer, "DeleteLayer"},
    {C::AddPlane, "AddPlane"},         {C::EditPlane, "EditPlane"}, {C::DeletePlane, "DeletePlane"},
    {C::EditEdges, "EditEdges"},       {C::Copy, "Copy"},           {C::Paste, "Paste"},
    {C::PasteSwapped, "PasteSwapped"},
};

// The enabled commands, by name.
std::string Enabled(const CModelBuilder& builder) {
    std::string names;
    for (const auto& [command, name] : kCommands)
        if (builder.CanRun(command)) names += std::string(names.empty() ? "" : " ") + name;
    return names;
}

// Two batches: "Empty" without layers, and "Slab" (air, slab, air; two planes each), the slab's current.
class ModelBuilder : public testing::Test {
  protected:
    void SetUp() override {
        batches[0].name = "Empty";
        CBatch& slab = batches.Append();
        slab.name = "Slab";
        samples::BuildSlab(slab, 3.5, 100, 100);
    }
    // A click in the model tree.
    void Select(CTreeCode code) { builder.SetKind(*SelectTreeItem(batches, code)); }
    CModel& Slab() { return batches[1].model; }

    CBatchList batches;
    CModelBuilder builder{batches};
};

TEST_F(ModelBuilder, EnablingMatrix) {
    EXPECT_EQ(Enabled(builder), "AddBatch AddLayer AddPlane");  // nothing selected yet
    Select({});
    EXPECT_EQ(Enabled(builder), "AddBatch AddLayer AddPlane");
    Select({1, -1, -1, false});
    EXPECT_EQ(Enabled(builder), "AddBatch EditBatch DeleteBatch AddLayer Copy");
    Select({1, 1, -1, false});
    EXPECT_EQ(Enabled(builder), "AddBatch AddLayer EditLayer DeleteLayer AddPlane Copy");
    Select({1, 1, 0, false});
    EXPECT_EQ(Enabled(builder), "AddBatch AddLayer AddPlane EditPlane DeletePlane Copy");
    Select({1, 1, 0, true});
    EXPECT_EQ(Enabled(builder), "AddBatch AddLayer AddPlane EditEdges");
    builder.SetKind(SelectPlane);
    builder.Copy();  // the edges are selected in the records, not the plane: nothing to copy
    EXPECT_EQ(Enabled(builder), "AddBatch AddLayer AddPlane EditPlane DeletePlane Copy");
    Select({1, 1, 0, false});
    builder.Copy();
    EXPECT_EQ(Enabled(builder), "AddBatch AddLayer AddPlane EditPlane DeletePlane Copy Paste PasteSwapped");
    // A batch without layers offers no layer or plane command.
    Select({0, -1, -1, false});
    EXPECT_EQ(Enabled(builder), "AddBatch EditBatch DeleteBatch AddLayer Copy");

    // While the current batch traces, nothing.
    Select({1, 1, 0, false});
    batches[1].tracing = 1;
    EXPECT_EQ(Enabled(builder), "");
    // While the source's batch traces, no paste.
    Select({0, -1, -1, false});
    builder.AddLayer();
    builder.AddPlane();
    EXPECT_EQ(Enabled(builder), "AddBatch AddLayer AddPlane EditPlane DeletePlane Copy");
    batches[1].tracing = 0;
    EXPECT_TRUE(builder.CanRun(C::Paste));
}

TEST_F(ModelBuilder, Limits) {
    Select({1, 1, 0, false});
    while (builder.CanRun(C::AddPlane)) builder.AddPlane();
    EXPECT_EQ(Slab()[1].GetCount(), CModelBuilder::kMaxPlanes);
    while (builder.CanRun(C::AddLayer)) builder.AddLayer();
    EXPECT_EQ(Slab().GetCount(), CModelBuilder::kMaxLayers);
    while (builder.CanRun(C::AddBatch)) builder.AddBatch();
    EXPECT_EQ(batches.GetCount(), CModelBuilder::kMaxBatches);
    while (builder.CanRun(C::DeleteBatch)) builder.DeleteBatch();
    EXPECT_EQ(batches.GetCount(), 1u);
}

TEST_F(ModelBuilder, AddsGoWhereTheSelectionSays) {
    // With nothing selected no batch is added, with the root one at the end, below a batch after it.
    builder.AddBatch();
    EXPECT_EQ(batches.GetCount(), 2u);
    batches.SetCurrent(0);
    Select({1, 1, -1, false});
    Select({});
    builder.AddBatch();
    EXPECT_EQ(batches.GetCount(), 3u);
    EXPECT_EQ(batches.GetCurrent(), 2u);
    EXPECT_EQ(batches.selectedBatch, &batches[2]);
    EXPECT_EQ(builder.Kind(), SelectBatch);
    EXPECT_EQ(Slab().selectedLayer, nullptr);  // the previous current batch's

    Select({1, 1, -1, false});
    builder.AddBatch();
    EXPECT_EQ(batches.GetCurrent(), 2u);
    EXPECT_EQ(batches[1].name, "Slab");
    EXPECT_EQ(batches[2].name, "");
    EXPECT_EQ(batches[3].name, "");
    EXPECT_EQ(Slab().selectedLayer, nullptr);

    // A plane goes after the current plane, a layer at the model's end with its batch selected.
    Select({1, 1, 0, true});
    builder.AddPlane();
    EXPECT_EQ(Slab()[1].GetCount(), 3u);
    EXPECT_EQ(Slab()[1][2].name, "Rear");
    EXPECT_EQ(Slab().selectedPlane, &Slab()[1][1]);
    EXPECT_EQ(Slab().selectedEdges, nullptr);
    EXPECT_EQ(builder.Kind(), SelectPlane);
    Select({1, -1, -1, false});
    builder.AddLayer();
    EXPECT_EQ(Slab().GetCount(), 4u);
    EXPECT_EQ(Slab().selectedLayer, &Slab()[3]);
    EXPECT_EQ(batches.selectedBatch, nullptr);

    // The root selected: "Add Plane" runs and adds nothing.
    Select({});
    ASSERT_TRUE(builder.CanRun(C::AddPlane));
    builder.AddPlane();
    EXPECT_EQ(Slab()[3].GetCount(), 0u);
}

TEST_F(ModelBuilder, DeletesSelectTheNewCurrentElement) {
    Select({1, 2, 1, false});
    builder.DeletePlane();
    EXPECT_EQ(Slab()[2].GetCount(), 1u);
    EXPECT_EQ(Slab().selectedPlane, &Slab()[2][0]);
    builder.DeletePlane();
    EXPECT_EQ(Slab().selectedPlane, nullptr);
    EXPECT_FALSE(builder.CanRun(C::DeletePlane));

    Select({1, 2, -1, false});
    builder.DeleteLayer();
    EXPECT_EQ(Slab().GetCount(), 2u);
    EXPECT_EQ(Slab().selectedLayer, &Slab()[1]);

    Select({1, -1, -1, false});
    builder.DeleteBatch();
    EXPECT_EQ(batches.GetCount(), 1u);
    EXPECT_EQ(batches.selectedBatch, &batches[0]);
    EXPECT_EQ(builder.Kind(), SelectBatch);
}

TEST_F(ModelBuilder, CopySourcesAreReferences) {
    // A layer copied, then edited, pastes in its edited state.
    Select({1, 0, -1, false});
    builder.Copy();
    EXPECT_EQ(builder.Sources().Layer(), &Slab()[0]);
    Slab()[0].name = "Edited";
    Slab()[0].Append().name = "Third";
    Select({1, 2, -1, false});
    builder.Paste(false);
    EXPECT_EQ(Slab()[2].name, "Edited");
    EXPECT_EQ(Slab()[2].GetCount(), 3u);
    EXPECT_EQ(Slab()[2][2].name, "Third");

    // Copying a plane forgets the layer; copying with a kind whose record has no selection sets nothing.
    Select({1, 1, 1, false});
    builder.Copy();
    EXPECT_EQ(builder.Sources().Plane(), &Slab()[1][1]);
    EXPECT_EQ(builder.Sources().Layer(), nullptr);
    Slab().selectedLayer = nullptr;
    builder.SetKind(SelectLayer);
    builder.Copy();
    EXPECT_EQ(builder.Sources().Plane(), &Slab()[1][1]);
}

TEST_F(ModelBuilder, SourcesGoWithWhatHoldsThem) {
    // A copied plane, deleted: "Paste" is off on another plane.
    Select({1, 0, 1, false});
    builder.Copy();
    builder.DeletePlane();
    Select({1, 1, 0, false});
    EXPECT_FALSE(builder.CanRun(C::Paste));

    // A copied plane inside a deleted layer, and inside a deleted batch.
    builder.Copy();
    Select({1, 1, -1, false});
    builder.DeleteLayer();
    EXPECT_EQ(builder.Sources().Plane(), nullptr);
    Select({1, 0, 0, false});
    builder.Copy();
    Select({1, -1, -1, false});
    builder.DeleteBatch();
    EXPECT_EQ(builder.Sources().Plane(), nullptr);
    EXPECT_EQ(builder.Sources().Owner(), nullptr);

    // The document replaced.
    Select({0, -1, -1, false});
    builder.Copy();
    builder.Forget();
    EXPECT_EQ(builder.Sources().Batch(), nullptr);
    EXPECT_EQ(builder.Kind(), SelectNothing);
}

TEST_F(ModelBuilder, PasteOverwritesAndOntoItselfKeepsTheElement) {
    // A batch over another: its model and settings, not its z sweep.
    batches[0].zSweep = {1, 2, 1, 0};
    Select({1, -1, -1, false});
    builder.Copy();
    Select({0, -1, -1, false});
    builder.Paste(false);
    EXPECT_EQ(batches[0].name, "Slab");
    EXPECT_EQ(batches[0].model.GetCount(), 3u);
    EXPECT_EQ(batches[0].zSweep.stop, 2);

    // A batch, a layer and a plane onto themselves.
    builder.Copy();
    builder.Paste(false);
    EXPECT_EQ(batches[0].model.GetCount(), 3u);
    Select({1, 1, -1, false});
    builder.Copy();
    builder.Paste(false);
    ASSERT_EQ(Slab()[1].GetCount(), 2u);
    EXPECT_EQ(Slab()[1][1].name, "Rear");

    Select({1, 1, 0, false});
    CPlane& front = Slab()[1][0];
    const CPlane* address = &front;
    const CRay edge1 = front.edge1, edge2 = front.edge2, normal = front.normal;
    builder.Copy();
    builder.Paste(false);
    EXPECT_EQ(front.normal.dz, normal.dz);
    builder.Paste(true);
    EXPECT_EQ(&Slab()[1][0], address);
    EXPECT_EQ(front.name, "!Front");
    EXPECT_EQ(front.edge1.dx, edge2.dx);
    EXPECT_EQ(front.edge1.step, edge2.step);
    EXPECT_EQ(front.edge2.dy, edge1.dy);
    EXPECT_EQ(front.normal.dz, -normal.dz);  // turned round, not collapsed
    EXPECT_EQ(std::abs(front.normal.dz), 1.0);

    // Swapped onto another plane: the neighbour's facing copy.
    Select({1, 2, 0, false});
    builder.Paste(true);
    EXPECT_EQ(Slab()[2][0].name, "!!Front");
    EXPECT_EQ(Slab()[2][0].normal.dz, normal.dz);
}

}  // namespace
}  // namespace brelix
