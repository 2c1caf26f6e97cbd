#include "trace/trace_worker.h"

#include <algorithm>
#include <new>

#include "core/random.h"
#include "optics/trace_context.h"
#include "trace/thread_priority.h"
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
        // A batch handed over earlier that the worker has not taken yet will not be traced now.
        if (record_.batch && record_.batch != batch && record_.batch != running_) record_.batch->tracing.store(0);
        record_ = {batch, surface, messages};
        if (alive.load() && !exiting_) {
            // A worker still in its loop takes the batch with the request.
            wake_.notify_all();
            return;
        }
    }
    // A worker that ended, or is ending, on its own: its last act clears its batch's tracing flag, which
    // may be this batch's, so the flag is set again once it is gone.
    if (thread_.joinable()) thread_.join();
    if (batch) batch->tracing.store(1);
    exiting_ = false;
    alive.store(1);
    suspended.store(1);
    finished.store(0);
    stopRequest.store(0);
    thread_ = std::thread(&CThTrace::Run, this);
}

void CThTrace::RequestBatch() { SetAndWake(batchRequest, 1); }

// The worker clears its flags, under the lock, as its last act: a command that finds it alive under the
// lock is seen, or undone, by that act, so no flag outlives the worker.
void CThTrace::Resume() {
    {
        std::lock_guard lock(mutex_);
        if (!alive.load() || !suspended.load()) return;
        suspended.store(0);
    }
    wake_.notify_all();
}

void CThTrace::Suspend() {
    std::lock_guard lock(mutex_);
    if (alive.load()) suspended.store(1);
}

void CThTrace::Stop() {
    {
        std::lock_guard lock(mutex_);
        if (alive.load()) {
            stopRequest.store(1);
            suspended.store(0);
        }
    }
    wake_.notify_all();
    if (thread_.joinable()) thread_.join();
    // The batch handed over last may be deleted once the trace is stopped (a new or opened document):
    // the next Start must not look at it.
    std::lock_guard lock(mutex_);
    record_ = {};
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
    // The drawing settings this thread draws with, and the version of them it last collected.
    CDrawTools tools;
    uint64_t settingsVersion = 0;

    LowerThisThreadsPriority();
    WaitWhileSuspended();  // created suspended
    {
        std::lock_guard lock(mutex_);
        record = record_;
        running_ = record.batch;
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
        // Looked at before it is taken: taking it costs a locked instruction at every trace op.
        if (batchRequest.load(std::memory_order_relaxed) && batchRequest.exchange(0)) {
            {
                // The batch, surface and messages handed over last; a new surface replaces the old one,
                // which its owner may be about to destroy.
                std::lock_guard lock(mutex_);
                const CStartRecord& next = record_;
                if (next.batch) {
                    if (next.batch != record.batch) record.batch->tracing.store(0);
                    record.batch = next.batch;
                    if (next.surface) record.surface = next.surface;
                    record.messages = next.messages;
                    running_ = record.batch;
                }
            }
            CBatch& batch = *record.batch;
            threshold = TerminationThreshold(batch);
            failure.store(NoFailure);
            settingsVersion = 0;
            if (!record.surface->CollectSettings(tools, settingsVersion)) tools.CopyFrom(batch.drawTools);
            std::string error;
            try {
                if (!BeginBatch(batch, random, record.surface, error, &stopRequest, &tools)) {
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
        const uint32_t pending = static_cast<uint32_t>(std::min<uint64_t>(RaysLeft(batch), UINT32_MAX));
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
        if (LoadShared(batch.drawOnRaytrace)) record.surface->CollectSettings(tools, settingsVersion);
        CTraceContext context(batch, random, record.surface, &stopRequest, &tools);
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
        if (!failed && LoadShared(record.batch->drawOnRaytrace)) DrawLayers(*record.batch, tools, *record.surface);
        record.batch->tracing.store(0);
    }
    // A batch request that arrives now is left for the next Start(), which makes a new thread; a batch
    // handed over that this worker did not take is not traced.
    std::lock_guard lock(mutex_);
    if (record_.batch && record_.batch != record.batch) record_.batch->tracing.store(0);
    running_ = nullptr;
    suspended.store(0);
    stopRequest.store(0);
    finished.store(1);
    alive.store(0);
}

}  // namespace brelix
