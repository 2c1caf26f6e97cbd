#pragma once

#include <cstdint>

namespace brelix {

class CBatch;
class CBatchList;
class CLayer;
class CPlane;

enum class ETreeLevel { Root, Batch, Layer, Plane, Edges };

// Where an item of the model tree stands: positions from 0 of its batch, layer and plane, -1 for a level
// the item does not reach. The positions are kept apart, not packed into one number, since a document
// has no limit on its counts.
struct CTreeCode {
    int64_t batch = -1;
    int64_t layer = -1;
    int64_t plane = -1;
    bool edges = false;

    ETreeLevel Level() const;
    bool operator==(const CTreeCode&) const = default;
};

// The records an item names, each found with a bounds check: from the first level that is not in its
// list (a tree older than the records) on, they are null.
struct CTreeTarget {
    CBatch* batch = nullptr;
    CLayer* layer = nullptr;
    CPlane* plane = nullptr;
};
CTreeTarget FindTreeTarget(CBatchList& batches, const CTreeCode& code);

}  // namespace brelix
