#pragma once

#include "core/batch.h"
#include "core/owning_list.h"
#include "trace/trace_worker.h"

namespace brelix {

// The document's batches: never empty, with one current batch that every command works on. The list
// holds the document's one trace worker; destroying the list stops a running trace before the batches go.
class CBatchList : public COwningList<CBatch> {
public:
    static constexpr uint32_t MaxBatches = 10;

    CBatchList() { Append(); }

    // Removes a batch; removing the last one leaves a new default batch in its place.
    void RemoveAt(uint32_t index) {
        if (selectedBatch && selectedBatch == GetAt(index)) selectedBatch = nullptr;
        COwningList<CBatch>::RemoveAt(index);
        if (IsEmpty()) Reset();
    }
    // Deletes every batch, then holds one default batch.
    void Reset() {
        selectedBatch = nullptr;
        RemoveAll();
        Append();
    }
    // The current batch (the first when the current index is out of range).
    CBatch& Current() {
        CBatch* batch = GetAt(GetCurrent());
        return batch ? *batch : (*this)[0];
    }
    const CBatch& Current() const {
        const CBatch* batch = GetAt(GetCurrent());
        return batch ? *batch : (*this)[0];
    }

    CThTrace worker;
    // The batch chosen in the model tree, or null; run time only, never dereferenced without finding it in
    // the list (IndexOf), since swapping in an opened document leaves it naming a batch of the old one.
    CBatch* selectedBatch = nullptr;
};

}  // namespace brelix
