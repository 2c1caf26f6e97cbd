#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "core/batch_list.h"
#include "document/document_views.h"
#include "edit/model_builder.h"

namespace brelix {

// The one document of the application: the batch list with its trace worker, the path and modified
// flag, and the file, run, export and view-switch commands with their enabling rules. It knows no
// toolkit: the frame and views around it are reached through IDocumentViews, so tests drive it without
// a display.
class CBrelix6Doc {
public:
    static constexpr uint32_t MaxStopAtCount = 10000;

    explicit CBrelix6Doc(IDocumentViews& views);
    CBrelix6Doc(const CBrelix6Doc&) = delete;
    CBrelix6Doc& operator=(const CBrelix6Doc&) = delete;
    // Stops a running trace before the batches go.
    ~CBrelix6Doc();

    // File commands. A failed Open or Save says why and leaves the document, its path and its modified
    // flag as they were; New and a successful Open stop a trace before the batches they replace go.
    void New();
    bool Open(const std::string& path);
    bool Save(const std::string& path);
    // The document's window is closing: the trace stops while the views still exist.
    void Close();

    // "Raytrace" menu.
    void Start();
    void PauseResume();
    void Stop();
    void Reseed();
    void ToggleStopWhenFinished();
    void ToggleStopAt();
    // "Export Results": the batches traced to their end, beside the document.
    void ExportResults();
    // "View" menu.
    void ShowModelView();
    void ShowResultsView();
    void ShowGraphView(int kind);

    // The worker generates its batch afresh, and draws it again on a cleared layer (the model view's
    // middle click).
    void RequestBatch();
    // The model view's redraw routine: with the stop-at option on, the partial trace is run again.
    void RequestPartialTrace() {
        if (batches_.worker.stopAtEnabled.load()) RequestBatch();
    }
    // The model view's 250 ms tick: progress, the other views, and the end of a trace.
    void TraceTimerTick();

    // Enabling rules and menu states.
    bool CanStart() const;
    bool CanPauseOrStop() const;
    bool IsPaused() const { return batches_.worker.IsSuspended(); }
    const char* PauseText() const { return IsPaused() ? "Resume" : "Pause"; }
    bool CanExport() const { return !path_.empty(); }
    bool StopWhenFinishedChecked() const { return batches_.worker.stopWhenFinished.load() != 0; }
    bool StopAtChecked() const { return batches_.worker.stopAtEnabled.load() != 0; }
    std::string StopAtText() const;

    CBatchList& Batches() { return batches_; }
    const CBatchList& Batches() const { return batches_; }
    const std::string& Path() const { return path_; }
    // The file name of the path, or "Untitled".
    std::string Title() const;
    bool IsModified() const { return modified_; }
    void SetModified(bool modified);

    // The model tree's root item is expanded; run time only.
    uint32_t treeExpanded = 1;

    // The selection kind and copy sources of the builder commands; New, Open and Close forget them.
    CModelBuilder& Builder() { return builder_; }
    // A batch is about to be deleted: the note of the last Start forgets it, so that a batch made later at
    // the same address is not taken for it.
    void ForgetBatch(const CBatch& batch);

private:
    // Ends the trace and clears the worker's layer, before the batches are replaced.
    void EndTrace();
    // Notes whether the batch the worker ran has been traced to its end.
    void NoteTraceEnded(bool stopped);
    bool WorkerEnded() const;

    IDocumentViews& views_;
    CBatchList batches_;
    CModelBuilder builder_{batches_};
    std::string path_;
    bool modified_ = false;
    bool firstNew_ = true;
    // The batch of the last Start: looked up in the list, never dereferenced, since it may have been
    // deleted.
    const CBatch* tracedBatch_ = nullptr;
};

}  // namespace brelix
