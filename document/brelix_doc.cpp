#include "document/brelix_doc.h"

#include <algorithm>

#include "core/format.h"
#include "core/messages.h"
#include "document/document_file.h"
#include "document/results_export.h"

namespace brelix {

namespace {

// Gathers what an export has to say into one message.
class CCollectedMessages : public IMessages {
public:
    void Show(const std::string& text, const std::string&) override {
        if (!all.empty()) all += "\n";
        all += text;
    }
    std::string all;
};

std::string Join(const std::vector<std::string>& lines) {
    std::string text;
    for (const std::string& line : lines) text += (text.empty() ? "" : "\n") + line;
    return text;
}

}  // namespace

CBrelix6Doc::CBrelix6Doc(IDocumentViews& views) : views_(views) {}

CBrelix6Doc::~CBrelix6Doc() { batches_.worker.Stop(); }

std::string CBrelix6Doc::Title() const {
    if (path_.empty()) return "Untitled";
    const size_t slash = path_.find_last_of('/');
    return slash == std::string::npos ? path_ : path_.substr(slash + 1);
}

void CBrelix6Doc::SetModified(bool modified) {
    if (modified_ == modified) return;
    modified_ = modified;
    views_.StateChanged();
}

void CBrelix6Doc::EndTrace() {
    batches_.worker.Stop();
    views_.SetTraceTimer(false);
    views_.PostRaySettings(batches_.Current().drawTools);
    tracedBatch_ = nullptr;
}

void CBrelix6Doc::New() {
    EndTrace();
    builder_.Forget();
    batches_.Reset();
    modified_ = false;
    if (firstNew_) {
        firstNew_ = false;
    } else {
        path_.clear();
        views_.UpdateAllViews(HintRebuild);
    }
    views_.StateChanged();
}

bool CBrelix6Doc::Open(const std::string& path) {
    // Read aside, so that a document that cannot be read leaves this one, and its trace, as they are.
    CBatchList read;
    std::string error;
    std::vector<std::string> notices;
    if (!OpenDocument(path, read, error, &notices)) {
        views_.ShowMessage(error);
        return false;
    }
    EndTrace();
    builder_.Forget();
    batches_.Swap(read);
    batches_.selectedBatch = nullptr;
    path_ = path;
    modified_ = false;
    // The end of the read, then the end of the open.
    views_.RebuildTree();
    views_.RefreshFrame();
    views_.UpdateAllViews(HintRebuild);
    views_.RebuildTree();
    views_.RefreshFrame();
    views_.UpdateAllViews(HintRebuild);
    views_.StateChanged();
    if (!notices.empty()) views_.ShowMessage(Join(notices));
    return true;
}

bool CBrelix6Doc::Save(const std::string& path) {
    std::string error;
    if (!SaveDocument(path, batches_, error)) {
        views_.ShowMessage(error);
        return false;
    }
    // The end of the write, then the end of the save.
    path_ = path;
    views_.UpdateAllViews(HintRebuild);
    modified_ = false;
    views_.RebuildTree();
    views_.RefreshFrame();
    views_.UpdateAllViews(HintRebuild);
    views_.StateChanged();
    return true;
}

void CBrelix6Doc::Close() {
    EndTrace();
    builder_.Forget();
    batches_.Reset();
}

void CBrelix6Doc::ForgetBatch(const CBatch& batch) {
    if (tracedBatch_ == &batch) tracedBatch_ = nullptr;
}

bool CBrelix6Doc::CanStart() const {
    const CBatch& batch = batches_.Current();
    return batch.model.GetCount() > 0 && batch.tracing.load() == 0;
}

bool CBrelix6Doc::CanPauseOrStop() const {
    const CBatch& batch = batches_.Current();
    return batch.model.GetCount() > 0 && batch.tracing.load() != 0;
}

std::string CBrelix6Doc::StopAtText() const {
    return "Repeat After " + FormatInt(batches_.worker.stopAtCount.load()) + " Trace Ops";
}

void CBrelix6Doc::Start() {
    if (!CanStart()) return;
    CBatch& batch = batches_.Current();
    CThTrace& worker = batches_.worker;
    views_.TraceStarting();
    // Posted before the worker starts, so that it draws with these settings from its first line on.
    views_.PostRaySettings(batch.drawTools);
    batch.tracing = 1;
    worker.batchRequest = 1;
    worker.Start(&batch, &views_.RayLayer(), &views_.WorkerMessages());
    worker.Resume();
    tracedBatch_ = &batch;
    batch.tracedToEnd = false;
    views_.UpdateAllViews(HintRedraw);
    views_.SetTraceTimer(true);
    views_.StateChanged();
}

void CBrelix6Doc::PauseResume() {
    if (!CanPauseOrStop()) return;
    CThTrace& worker = batches_.worker;
    const bool paused = worker.IsSuspended();
    views_.SetTraceTimer(paused);
    if (paused)
        worker.Resume();
    else
        worker.Suspend();
    views_.StateChanged();
}

void CBrelix6Doc::Stop() {
    if (!CanPauseOrStop()) return;
    CBatch& batch = batches_.Current();
    // A worker that ended by itself just before is not interrupted by this.
    const bool interrupted = !WorkerEnded();
    batch.tracing = 0;
    batches_.worker.Stop();
    batch.tracing = 0;
    views_.SetTraceTimer(false);
    NoteTraceEnded(interrupted);
    views_.UpdateAllViews(HintRedraw);
    views_.StateChanged();
}

void CBrelix6Doc::Reseed() { batches_.Current().Reseed(); }

void CBrelix6Doc::ToggleStopWhenFinished() {
    SetModified(true);
    CThTrace& worker = batches_.worker;
    worker.stopWhenFinished = worker.stopWhenFinished.load() ? 0 : 1;
    worker.stopAtEnabled = worker.stopAtEnabled.load() ? 0 : 1;
    views_.StateChanged();
}

void CBrelix6Doc::ToggleStopAt() {
    CThTrace& worker = batches_.worker;
    worker.stopAtEnabled = worker.stopAtEnabled.load() ? 0 : 1;
    worker.stopWhenFinished = worker.stopWhenFinished.load() ? 0 : 1;
    if (worker.stopAtEnabled.load()) {
        uint32_t count = worker.stopAtCount.load();
        views_.EditStopAtCount(count);
        worker.stopAtCount = std::min(count, MaxStopAtCount);
    }
    views_.StateChanged();
}

void CBrelix6Doc::ExportResults() {
    if (!CanExport()) return;
    std::vector<uint32_t> which;
    std::string skipped;
    for (uint32_t n = 0; n < batches_.GetCount(); ++n) {
        const CBatch* batch = batches_.GetAt(n);
        if (batch->tracedToEnd) {
            which.push_back(n);
        } else {
            skipped += "\nBatch " + FormatInt(n) + " \"" + batch->name + "\"";
        }
    }
    if (which.empty()) {
        views_.ShowMessage("Nothing was exported: no batch has been traced to its end since the document was "
                           "opened. A stopped or partial trace is not exported, so that an incomplete table "
                           "never replaces a complete one.");
        return;
    }
    CCollectedMessages messages;
    brelix::ExportResults(batches_, which, path_, messages);
    if (!skipped.empty()) {
        messages.Show("These batches were not exported, as their last trace did not run to its end:" + skipped,
                      "");
    }
    if (!messages.all.empty()) views_.ShowMessage(messages.all);
}

void CBrelix6Doc::ShowModelView() {
    views_.ShowView(EView::Model);
    views_.UpdateAllViews(HintRedraw);
}

void CBrelix6Doc::ShowResultsView() {
    views_.ShowView(EView::Results);
    views_.UpdateAllViews(HintRedraw);
    CBatch& batch = batches_.Current();
    batch.viewFlags[0] = 0;
    batch.viewFlags[1] = 1;
    batch.viewFlags[2] = 0;
    SetModified(true);
}

void CBrelix6Doc::ShowGraphView(int kind) {
    views_.SetGraphKind(kind);
    views_.UpdateAllViews(HintGraphChanged);
    views_.ShowView(EView::Graph);
    views_.UpdateAllViews(HintRebuild);
}

void CBrelix6Doc::RequestBatch() {
    views_.PostRaySettings(batches_.Current().drawTools);
    batches_.worker.RequestBatch();
}

bool CBrelix6Doc::WorkerEnded() const {
    const CThTrace& worker = batches_.worker;
    // With "Stop When Finished" the thread ends; its last act clears the tracing flag, so Start is
    // enabled again once it is gone. Otherwise the worker waits, holding its batch, for the next request.
    if (!worker.IsAlive()) return true;
    return worker.finished.load() && !worker.stopWhenFinished.load() && !worker.batchRequest.load();
}

void CBrelix6Doc::NoteTraceEnded(bool stopped) {
    const CBatch* traced = tracedBatch_;
    tracedBatch_ = nullptr;
    const int64_t index = traced ? batches_.IndexOf(traced) : -1;
    if (index < 0) return;
    CBatch& batch = batches_[static_cast<uint32_t>(index)];
    if (!stopped && batches_.worker.failure.load() == CThTrace::NoFailure && batch.pendingRays.load() == 0)
        batch.tracedToEnd = true;
}

void CBrelix6Doc::TraceTimerTick() {
    if (WorkerEnded()) {
        views_.SetTraceTimer(false);
        NoteTraceEnded(false);
        views_.StateChanged();
    }
    const uint64_t traceOps = batches_.Current().traceOps.load();
    views_.SetProgress(static_cast<uint32_t>(traceOps / 1000 % 1000));
    views_.UpdateOtherViews(HintRedraw);
}

}  // namespace brelix
