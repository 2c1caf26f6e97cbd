#include "edit/model_tree.h"

#include "core/batch_list.h"

namespace brelix {

namespace {

int Add(CTreeContent& tree, CTreeEntry entry) {
    tree.entries.push_back(std::move(entry));
    return static_cast<int>(tree.entries.size()) - 1;
}

}  // namespace

CTreeContent BuildModelTree(const std::string& path, uint32_t rootExpanded, const CBatchList& batches) {
    CTreeContent tree;
    const int root = Add(tree, {{}, path, path, TreeIconDocument, rootExpanded != 0, -1});
    for (uint32_t i = 0; i < batches.GetCount(); ++i) {
        const CBatch& batch = batches[i];
        const CModel& model = batch.model;
        const int batchItem =
            Add(tree, {{i, -1, -1, false}, batch.name, batch.name, TreeIconBatch, model.treeExpanded != 0, root});
        for (uint32_t j = 0; j < model.GetCount(); ++j) {
            const CLayer& layer = model[j];
            const int layerItem = Add(tree, {{i, j, -1, false}, layer.name, layer.Describe(), TreeIconLayer,
                                             layer.treeExpanded != 0, batchItem});
            for (uint32_t k = 0; k < layer.GetCount(); ++k) {
                const CPlane& plane = layer[k];
                const int planeItem = Add(tree, {{i, j, k, false}, plane.name, plane.Describe(), TreeIconPlane,
                                                 plane.treeExpanded != 0, layerItem});
                const int edgesItem = Add(tree, {{i, j, k, true}, "Edges", "Edges", TreeIconEdges, false, planeItem});
                if (model.selectedEdges == &plane) tree.selected = edgesItem;
                if (model.selectedPlane == &plane) tree.selected = planeItem;
            }
            if (model.selectedLayer == &layer) tree.selected = layerItem;
        }
        if (batches.selectedBatch == &batch) tree.selected = batchItem;
    }
    return tree;
}

std::optional<ESelectionKind> SelectTreeItem(CBatchList& batches, const CTreeCode& code) {
    const ETreeLevel level = code.Level();
    if (level == ETreeLevel::Root) return SelectDocument;
    const CTreeTarget target = FindTreeTarget(batches, code);
    // An item whose record is gone (the tree is older than the records) selects nothing.
    if (!target.batch || (level >= ETreeLevel::Layer && !target.layer) ||
        (level >= ETreeLevel::Plane && !target.plane))
        return std::nullopt;

    CModel& model = target.batch->model;
    batches.SetCurrent(static_cast<uint32_t>(code.batch));
    batches.selectedBatch = target.batch;
    model.selectedLayer = nullptr;
    model.selectedPlane = nullptr;
    model.selectedEdges = nullptr;
    if (level == ETreeLevel::Batch) return SelectBatch;

    model.SetCurrent(static_cast<uint32_t>(code.layer));
    model.selectedLayer = target.layer;
    batches.selectedBatch = nullptr;
    if (level == ETreeLevel::Layer) {
        target.layer->treeChecked = 1;
        return SelectLayer;
    }

    target.layer->SetCurrent(static_cast<uint32_t>(code.plane));
    model.selectedPlane = target.plane;
    model.selectedLayer = nullptr;
    if (level == ETreeLevel::Plane) {
        target.plane->treeChecked = 1;
        return SelectPlane;
    }

    model.selectedEdges = target.plane;
    model.selectedPlane = nullptr;
    return SelectEdges;
}

void SetTreeItemExpanded(uint32_t& rootExpanded, CBatchList& batches, const CTreeCode& code, bool expanded) {
    const uint32_t flag = expanded ? 1 : 0;
    const CTreeTarget target = FindTreeTarget(batches, code);
    switch (code.Level()) {
        case ETreeLevel::Root: rootExpanded = flag; break;
        case ETreeLevel::Batch:
            if (target.batch) target.batch->model.treeExpanded = flag;
            break;
        case ETreeLevel::Layer:
            if (target.layer) target.layer->treeExpanded = flag;
            break;
        case ETreeLevel::Plane:
            if (target.plane) target.plane->treeExpanded = flag;
            break;
        case ETreeLevel::Edges: break;
    }
}

}  // namespace brelix
