#include "edit/model_builder.h"

#include "core/batch_list.h"

namespace brelix {

// ---- Copy sources

void CCopySources::SetBatch(CBatch& batch) {
    ForgetAll();
    batch_ = &batch;
    owner_ = &batch;
}

void CCopySources::SetLayer(CLayer& layer, CBatch& owner) {
    ForgetAll();
    layer_ = &layer;
    owner_ = &owner;
}

void CCopySources::SetPlane(CPlane& plane, CLayer& layer, CBatch& owner) {
    ForgetAll();
    plane_ = &plane;
    planeLayer_ = &layer;
    owner_ = &owner;
}

void CCopySources::ForgetAll() {
    *this = CCopySources();
}

void CCopySources::ForgetInside(const CBatch& batch) {
    if (owner_ == &batch) ForgetAll();
}

void CCopySources::ForgetInside(const CLayer& layer) {
    if (layer_ == &layer || planeLayer_ == &layer) ForgetAll();
}

void CCopySources::Forget(const CPlane& plane) {
    if (plane_ == &plane) ForgetAll();
}

// ---- Builder

CBatch& CModelBuilder::CurrentBatch() const {
    return batches_.Current();
}

CLayer* CModelBuilder::CurrentLayer() const {
    CModel& model = CurrentBatch().model;
    return model.GetAt(model.GetCurrent());
}

CPlane* CModelBuilder::CurrentPlane() const {
    CLayer* layer = CurrentLayer();
    return layer ? layer->GetAt(layer->GetCurrent()) : nullptr;
}

bool CModelBuilder::Editable() const {
    return CurrentBatch().tracing.load() == 0;
}

bool CModelBuilder::CanRun(EBuilderCommand command) const {
    if (!Editable()) return false;
    const CLayer* layer = CurrentLayer();
    // A source in a batch that traces is read by the worker meanwhile: it is pasted once that ends.
    const bool sourceIdle = sources_.Owner() && sources_.Owner()->tracing.load() == 0;
    switch (command) {
        case EBuilderCommand::AddBatch:
            return batches_.GetCount() < kMaxBatches;
        case EBuilderCommand::EditBatch:
            return kind_ == SelectBatch;
        case EBuilderCommand::DeleteBatch:
            return batches_.GetCount() >= 2 && kind_ == SelectBatch;
        case EBuilderCommand::AddLayer:
            return CurrentBatch().model.GetCount() < kMaxLayers;
        case EBuilderCommand::EditLayer:
        case EBuilderCommand::DeleteLayer:
            return kind_ == SelectLayer && layer;
        case EBuilderCommand::AddPlane:
            return layer && layer->GetCount() < kMaxPlanes && kind_ != SelectBatch;
        case EBuilderCommand::EditPlane:
        case EBuilderCommand::DeletePlane:
            return kind_ == SelectPlane && CurrentPlane();
        case EBuilderCommand::EditEdges:
            return kind_ == SelectEdges && CurrentPlane();
        case EBuilderCommand::Copy:
            return kind_ == SelectPlane || kind_ == SelectLayer || kind_ == SelectBatch;
        case EBuilderCommand::Paste:
            if (!sourceIdle) return false;
            switch (kind_) {
                case SelectPlane:
                    return sources_.Plane() && CurrentPlane();
                case SelectLayer:
                    return sources_.Layer() && layer;
                case SelectBatch:
                    return sources_.Batch() != nullptr;
                default:
                    return false;
            }
        case EBuilderCommand::PasteSwapped:
            return sourceIdle && kind_ == SelectPlane && sources_.Plane() && CurrentPlane();
    }
    return false;
}

void CModelBuilder::ClearSelections(CBatch& batch) {
    batch.model.selectedLayer = nullptr;
    batch.model.selectedPlane = nullptr;
    batch.model.selectedEdges = nullptr;
    batches_.selectedBatch = nullptr;
}

void CModelBuilder::AddBatch() {
    if (!CanRun(EBuilderCommand::AddBatch) || kind_ == SelectNothing) return;
    ClearSelections(CurrentBatch());
    CBatch& added = kind_ == SelectDocument ? batches_.Append() : batches_.InsertAfterCurrent();
    batches_.selectedBatch = &added;
    kind_ = SelectBatch;
}

void CModelBuilder::DeleteBatch() {
    if (!CanRun(EBuilderCommand::DeleteBatch)) return;
    CBatch& batch = CurrentBatch();
    ClearSelections(batch);
    sources_.ForgetInside(batch);
    batches_.RemoveAt(batches_.GetCurrent());
    batches_.selectedBatch = &CurrentBatch();
    kind_ = SelectBatch;
}

void CModelBuilder::AddLayer() {
    if (!CanRun(EBuilderCommand::AddLayer)) return;
    CBatch& batch = CurrentBatch();
    CLayer* added = nullptr;
    if (kind_ == SelectBatch)
        added = &batch.model.Append();
    else if (kind_ == SelectLayer || kind_ == SelectPlane || kind_ == SelectEdges)
        added = &batch.model.InsertAfterCurrent();
    if (!added) return;
    ClearSelections(batch);
    batch.model.selectedLayer = added;
    kind_ = SelectLayer;
}

void CModelBuilder::DeleteLayer() {
    if (!CanRun(EBuilderCommand::DeleteLayer)) return;
    CBatch& batch = CurrentBatch();
    sources_.ForgetInside(*CurrentLayer());
    ClearSelections(batch);
    batch.model.RemoveAt(batch.model.GetCurrent());
    batch.model.selectedLayer = CurrentLayer();
    kind_ = SelectLayer;
}

void CModelBuilder::AddPlane() {
    if (!CanRun(EBuilderCommand::AddPlane)) return;
    CBatch& batch = CurrentBatch();
    CLayer& layer = *CurrentLayer();
    CPlane* added = nullptr;
    if (kind_ == SelectLayer)
        added = &layer.Append();
    else if (kind_ == SelectPlane || kind_ == SelectEdges)
        added = &layer.InsertAfterCurrent();
    if (!added) return;
    ClearSelections(batch);
    batch.model.selectedPlane = added;
    kind_ = SelectPlane;
}

void CModelBuilder::DeletePlane() {
    if (!CanRun(EBuilderCommand::DeletePlane)) return;
    CBatch& batch = CurrentBatch();
    CLayer& layer = *CurrentLayer();
    sources_.Forget(*CurrentPlane());
    ClearSelections(batch);
    layer.RemoveAt(layer.GetCurrent());
    batch.model.selectedPlane = CurrentPlane();
    kind_ = SelectPlane;
}

void CModelBuilder::Copy() {
    if (!CanRun(EBuilderCommand::Copy)) return;
    CBatch& batch = CurrentBatch();
    // A source is set only for an element selected in the records.
    switch (kind_) {
        case SelectBatch:
            if (batches_.selectedBatch) sources_.SetBatch(batch);
            break;
        case SelectLayer:
            if (batch.model.selectedLayer && CurrentLayer()) sources_.SetLayer(*CurrentLayer(), batch);
            break;
        case SelectPlane:
            if (batch.model.selectedPlane && CurrentPlane())
                sources_.SetPlane(*CurrentPlane(), *CurrentLayer(), batch);
            break;
        default:
            sources_.ForgetAll();
            break;
    }
}

void CModelBuilder::Paste(bool swapEdges) {
    if (!CanRun(swapEdges ? EBuilderCommand::PasteSwapped : EBuilderCommand::Paste)) return;
    CBatch& batch = CurrentBatch();
    switch (kind_) {
        case SelectPlane: {
            CPlane& target = *CurrentPlane();
            const CPlane& source = *sources_.Plane();
            if (&target != &source) {
                target.CopyFrom(source, swapEdges);
            } else if (swapEdges) {
                // Read through a copy: swapping a plane's edges in place would overwrite one edge with
                // the other before it is read.
                CPlane original;
                original.CopyFrom(source);
                target.CopyFrom(original, true);
            }
            break;
        }
        case SelectLayer: {
            CLayer& target = *CurrentLayer();
            const CLayer& source = *sources_.Layer();
            if (&target == &source) break;  // copying a layer onto itself would empty it first
            batch.model.selectedPlane = nullptr;
            batch.model.selectedEdges = nullptr;
            target.CopyFrom(source);
            break;
        }
        case SelectBatch: {
            const CBatch& source = *sources_.Batch();
            if (&batch == &source) break;
            batch.CopyFrom(source);
            break;
        }
        default:
            break;
    }
}

void CModelBuilder::Forget() {
    kind_ = SelectNothing;
    sources_.ForgetAll();
}

}  // namespace brelix
