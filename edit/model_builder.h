#pragma once

#include <cstdint>

#include "edit/selection_kind.h"

namespace brelix {

class CBatch;
class CBatchList;
class CLayer;
class CPlane;

// The commands of the "Builders" and "Edit" menus that act on the model.
enum class EBuilderCommand {
    AddBatch,
    EditBatch,
    DeleteBatch,
    AddLayer,
    EditLayer,
    DeleteLayer,
    AddPlane,
    EditPlane,
    DeletePlane,
    EditEdges,
    Copy,
    Paste,
    PasteSwapped,
};

// The elements "Copy" chose, as references: a paste copies the source as it is then. A source never
// outlives its element: whatever deletes or empties elements here forgets the sources inside them first,
// and the document forgets them all when it is replaced (New, Open, close).
class CCopySources {
  public:
    CBatch* Batch() const { return batch_; }
    CLayer* Layer() const { return layer_; }
    CPlane* Plane() const { return plane_; }
    // The batch that holds the source, whichever its kind.
    CBatch* Owner() const { return owner_; }

    void SetBatch(CBatch& batch);
    void SetLayer(CLayer& layer, CBatch& owner);
    void SetPlane(CPlane& plane, CLayer& layer, CBatch& owner);
    void ForgetAll();
    // Forgets every source that is the element or lies inside it.
    void ForgetInside(const CBatch& batch);
    void ForgetInside(const CLayer& layer);
    void Forget(const CPlane& plane);

  private:
    CBatch* batch_ = nullptr;
    CLayer* layer_ = nullptr;
    CLayer* planeLayer_ = nullptr;  // the layer of the copied plane
    CPlane* plane_ = nullptr;
    CBatch* owner_ = nullptr;
};

// The editing side of the model view: the kind of the last selection, the copy sources, the enabling rule
// of every builder command and the commands that add, delete, copy and paste. The commands that run a
// dialog (the Edit commands) belong to the desktop application; their rules are here.
class CModelBuilder {
  public:
    static constexpr uint32_t kMaxBatches = 10;
    static constexpr uint32_t kMaxLayers = 10;
    static constexpr uint32_t kMaxPlanes = 13;

    explicit CModelBuilder(CBatchList& batches) : batches_(batches) {}

    ESelectionKind Kind() const { return kind_; }
    void SetKind(ESelectionKind kind) { kind_ = kind; }
    const CCopySources& Sources() const { return sources_; }

    // Whether a command may run now. Nothing that changes the model runs while the current batch traces,
    // and nothing acts on an element that is not there.
    bool CanRun(EBuilderCommand command) const;

    // Each command re-checks its rule and does nothing when it is false. The caller then marks the
    // document modified and updates every view (the adds do so even when the selection let them add
    // nothing).
    void AddBatch();
    void DeleteBatch();
    void AddLayer();
    void DeleteLayer();
    void AddPlane();
    void DeletePlane();
    void Copy();
    // Overwrites the current element of the selected kind with a copy of its source; onto itself a plane
    // swapped is the swapped plane, anything else stays as it is.
    void Paste(bool swapEdges);

    // The document's batches were replaced: no selection, no source.
    void Forget();

    // The records the commands act on, or null.
    CBatch& CurrentBatch() const;
    CLayer* CurrentLayer() const;
    CPlane* CurrentPlane() const;

  private:
    bool Editable() const;
    // Clears the model's layer, plane and edges selection, and the selected batch.
    void ClearSelections(CBatch& batch);

    CBatchList& batches_;
    ESelectionKind kind_ = SelectNothing;
    CCopySources sources_;
};

}  // namespace brelix
