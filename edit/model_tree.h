#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "edit/selection_kind.h"
#include "edit/tree_code.h"

namespace brelix {

class CBatchList;

// The icons of the tree's levels; the same level selected shows its icon + TreeIconSelected.
enum ETreeIcon : int { TreeIconDocument, TreeIconBatch, TreeIconLayer, TreeIconPlane, TreeIconEdges };
inline constexpr int TreeIconSelected = 5;

// One item of the model tree, in the order the tree is filled (each after its parent).
struct CTreeEntry {
    CTreeCode code;
    std::string text;
    std::string tooltip;
    int icon = TreeIconDocument;
    bool expanded = false;
    int parent = -1;  // the entry this one hangs under; -1 for the root
};

struct CTreeContent {
    std::vector<CTreeEntry> entries;
    int selected = -1;  // the entry to select, if any
};

// The tree of the document: its path as the root, its batches, their layers, the layers' planes, and an
// "Edges" item under every plane, with the expanded flags of the records and the selection of the
// records (the last match of several).
CTreeContent BuildModelTree(const std::string& path, uint32_t rootExpanded, const CBatchList& batches);

// A click on an item: the item's batch becomes current, and the item the selection of its batch and
// model. The kind of the selection, or nothing when the item names no record any more.
std::optional<ESelectionKind> SelectTreeItem(CBatchList& batches, const CTreeCode& code);

// An item was expanded or collapsed: the expanded flag of its record follows. "Edges" items have none.
void SetTreeItemExpanded(uint32_t& rootExpanded, CBatchList& batches, const CTreeCode& code, bool expanded);

}  // namespace brelix
