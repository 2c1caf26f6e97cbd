#pragma once

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <mutex>
#include <thread>

#include "core/batch.h"
#include "core/messages.h"
#include "view/draw_surface.h"

namespace brelix {

// The trace worker: runs the Monte Carlo trace of one batch on a thread of its own. The document drives
// it through flags: it asks for a batch to be generated, pauses and resumes, and asks it to stop; the
// worker leaves its progress in the batch's counters and its results in the batch's tallies.
//
// Every flag is an atomic written by one side. The worker never stops at an arbitrary point: a pause
// takes effect between two trace ops, where the worker waits on a condition variable, as it does when it
// has finished a batch and is not to end. Stop() joins the thread.
class CThTrace {
public:
    // Why the worker's last batch did not run to its end, besides a stop asked for.
    enum EFailure : uint32_t {
        NoFailure = 0,
        BatchRefused = 1,  // CheckBatch refused it: nothing was traced
        OutOfMemory = 2,   // memory ran out: the trace stopped, the results so far are kept
    };

    CThTrace() = default;
    CThTrace(const CThTrace&) = delete;
    CThTrace& operator=(const CThTrace&) = delete;
    ~CThTrace() { Stop(); }

    // Hands the worker a batch, the surface to draw on and where to send messages (which may arrive on the
    // worker's thread). Creates the thread, suspended, when none is alive. The caller sets the batch's
    // tracing flag and the batch request before, and calls Resume() after.
    void Start(CBatch* batch, IDrawSurface* surface, IMessages* messages);
    // Asks for the batch to be generated afresh (and wakes a worker that has finished).
    void RequestBatch();
    void Resume();
    // Pauses the worker after its current trace op.
    void Suspend();
    bool IsSuspended() const { return suspended.load() != 0; }
    // Asks the worker to end and waits until it has; then holds no batch, surface or messages.
    void Stop();
    bool IsAlive() const { return alive.load() != 0; }

    // Written by the worker. A stop asked for also ends long ray generations and splits early.
    std::atomic<uint32_t> alive{0};
    std::atomic<uint32_t> suspended{0};
    std::atomic<uint32_t> finished{1};
    std::atomic<uint32_t> failure{NoFailure};
    // Written by the document (the worker clears the requests as it takes them, and at its end).
    std::atomic<uint32_t> batchRequest{0};
    std::atomic<uint32_t> stopRequest{0};
    std::atomic<uint32_t> stopWhenFinished{1};
    std::atomic<uint32_t> stopAtCount{1000};
    std::atomic<uint32_t> stopAtEnabled{0};

private:
    struct CStartRecord {
        CBatch* batch = nullptr;
        IDrawSurface* surface = nullptr;
        IMessages* messages = nullptr;
    };

    void Run();
    // Sets a flag under the lock the waits use, then wakes the worker.
    void SetAndWake(std::atomic<uint32_t>& flag, uint32_t value);
    // Waits while paused; true when a stop was asked for instead.
    void WaitWhileSuspended();
    // Waits until a new batch or a stop is asked for.
    void WaitForRequest();
    void Show(const CStartRecord& record, const std::string& text) const;
    // Reports that memory ran out; the trace ends with its results and queue as they are.
    void RunOutOfMemory(const CStartRecord& record);

    std::thread thread_;
    mutable std::mutex mutex_;
    std::condition_variable wake_;
    CStartRecord record_;  // guarded by mutex_
    // The batch the worker runs on, guarded by mutex_: handing over another one leaves it marked as
    // tracing, since the worker clears its flag when it lets it go.
    CBatch* running_ = nullptr;
    // Set, under mutex_, once the worker has left its loop and takes no more requests.
    bool exiting_ = false;
};

}  // namespace brelix
