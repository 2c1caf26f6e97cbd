#include "trace/trace_worker.h"

#include <new>

#include "core/random.h"
#include "optics/trace_context.h"
#include "trace/trace_op.h"

namespace brelix {

void CThTrace::SetAndWake(std::atomic<uint32_t>& flag, uint32_t value) {
    {
        std::lock_guard lock(mutex_);
        flag.store(value);
    }
    wake_.notify_all();
}

void CThTrace::Start(CBatch* batch, IDrawSurface* surface, IMessages* messages) {
    {
        std::lock_guard lock(mutex_);
        record_ = {batch, surface, messages};
        if (alive.load() && !exiting_) {
            // A worker still in its loop takes the batch with the request.
            wake_.notify_all();
            return;
        }
    }
    if (thread_.joinable()) thread_.join();  // a worker that ended, or is ending, on its own
    exiting_ = false;
    alive.store(1);
    suspended.store(1);
    finished.store(0);
    stopRequest.store(0);
    thread_ = std::thread(&CThTrace::Run, this);
}

void CThTrace::RequestBatch() { SetAndWake(batchRequest, 1); }

void CThTrace::Resume() {
    if (alive.load() && suspended.load()) SetAndWake(suspended, 0);
}

void CThTrace::Suspend() {
    if (alive.load() && !suspended.load()) SetAndWake(suspended, 1);
}

void CThTrace::Stop() {
    if (alive.load()) {
        SetAndWake(stopRequest, 1);
        Resume();
    }
    if (thread_.joinable()) thread_.join();
}

void CThTrace::WaitWhileSuspended() {
    if (!suspended.load(std::memory_order_relaxed)) return;
    std::unique_lock lock(mutex_);
    wake_.wait(lock, [this] { return !suspended.load() || stopRequest.load(); });
}

void CThTrace::WaitForRequest() {
    std::unique_lock lock(mutex_);
    wake_.wait(lock, [this] { return batchRequest.load() || stopRequest.load(); });
}

void CThTrace::Show(const CStartRecord& record, const std::string& text) const {
    if (record.messages) record.messages->Show(text, "CThTrace Error");
}

void CThTrace::RunOutOfMemory(const CStartRecord& record) {
    failure.store(OutOfMemory);
    Show(record, "Not enough memory to go on tracing batch \"" + record.batch->name +
                     "\": the trace was stopped. The results so far are kept.");
}

void CThTrace::Run() {
    CRandom random;
    CStartRecord record;
    double threshold = 0;

    WaitWhileSuspended();  // created suspended
    {
        std::lock_guard lock(mutex_);
        record = record_;
    }
    bool failed = false;
    if (!record.batch) {
        Show(record, "Failed to find model in Trace");
        failed = true;
    } else if (!record.surface) {
        Show(record, "Failed to find device context in Trace");
        failed = true;
    }

    while (!failed) {
        WaitWhileSuspended();
        if (batchRequest.exchange(0)) {
            CStartRecord next;
            {
                std::lock_guard lock(mutex_);
                next = record_;
            }
            if (next.batch != record.batch && next.batch) {
                record.batch->tracing.store(0);
                record = next;
            }
            CBatch& batch = *record.batch;
            threshold = TerminationThreshold(batch);
            failure.store(NoFailure);
            std::string error;
            try {
                if (!BeginBatch(batch, random, record.surface, error, &stopRequest)) {
                    failure.store(BatchRefused);
                    Show(record, error);
                }
            } catch (const std::bad_alloc&) {
                RunOutOfMemory(record);
                break;
            }
            finished.store(0);
        }
        if (stopRequest.load()) break;

        CBatch& batch = *record.batch;
        const uint32_t pending = batch.rayQueue.GetCount();
        batch.pendingRays.store(pending, std::memory_order_relaxed);
        if (pending == 0 || (stopAtEnabled.load(std::memory_order_relaxed) &&
                             pending > stopAtCount.load(std::memory_order_relaxed))) {
            finished.store(1);
            if (!stopWhenFinished.load()) {
                WaitForRequest();
                continue;
            }
            // Finished and to end: unless a new batch was asked for meanwhile, leave now, under the lock
            // Start() looks at, so that a request is either served here or by a new thread.
            std::lock_guard lock(mutex_);
            if (batchRequest.load()) continue;
            exiting_ = true;
            break;
        }
        CTraceContext context(batch, random, record.surface, &stopRequest);
        try {
            TraceOp(context, threshold);
        } catch (const std::bad_alloc&) {
            RunOutOfMemory(record);
            break;
        }
    }

    {
        std::lock_guard lock(mutex_);
        exiting_ = true;
    }
    if (record.batch) {
        if (!failed && record.batch->drawOnRaytrace) DrawLayers(*record.batch, *record.surface);
        record.batch->tracing.store(0);
    }
    // A batch request that arrives now is left for the next Start(), which makes a new thread.
    std::lock_guard lock(mutex_);
    suspended.store(0);
    stopRequest.store(0);
    finished.store(1);
    alive.store(0);
}

}  // namespace brelix
