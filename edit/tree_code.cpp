#include "edit/tree_code.h"

#include "core/batch_list.h"

namespace brelix {

namespace {

template <class List>
auto* At(List& list, int64_t index) {
    return index >= 0 && index <= UINT32_MAX ? list.GetAt(static_cast<uint32_t>(index)) : nullptr;
}

}  // namespace

ETreeLevel CTreeCode::Level() const {
    if (batch < 0) return ETreeLevel::Root;
    if (layer < 0) return ETreeLevel::Batch;
    if (plane < 0) return ETreeLevel::Layer;
    return edges ? ETreeLevel::Edges : ETreeLevel::Plane;
}

CTreeTarget FindTreeTarget(CBatchList& batches, const CTreeCode& code) {
    CTreeTarget target;
    target.batch = At(batches, code.batch);
    if (!target.batch) return target;
    target.layer = At(target.batch->model, code.layer);
    if (!target.layer) return target;
    target.plane = At(*target.layer, code.plane);
    return target;
}

}  // namespace brelix
