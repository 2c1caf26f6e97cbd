#include "trace/trace_worker.h"

#include <gtest/gtest.h>

#include <chrono>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "tests/support/trace_helpers.h"
#include "view/draw_tools.h"

namespace brelix {
namespace {

using namespace std::chrono_literals;
using namespace test;

class CCollected : public IMessages {
public:
    void Show(const std::string& text, const std::string& caption) override {
        std::lock_guard lock(mutex);
        shown.push_back(caption + ": " + text);
    }
    std::mutex mutex;
    std::vector<std::string> shown;
};

// What the document does for "Start".
void Start(CThTrace& worker, CBatch& batch, IDrawSurface* surface, IMessages* messages) {
    batch.tracing = 1;
    worker.batchRequest = 1;
    worker.Start(&batch, surface, messages);
    worker.Resume();
}

void WaitUntilEnded(const CThTrace& worker) {
    for (int i = 0; i < 60000 && worker.IsAlive(); ++i) std::this_thread::sleep_for(1ms);
    ASSERT_FALSE(worker.IsAlive());
}

void BuildCell(CBatch& batch) {
    BuildTexturedCell(batch, true);
    SetNormalIncidenceSources(batch, 10);
    batch.xOffset = 0.5;
    batch.yOffset = 5;
    batch.wavelengthSweep = {600, 900, 300, 0};
    batch.declinationSweep = {0, 40, 40, 0};
    batch.seed = 77;
}

TEST(CThTrace, EmptyBatchFinishesAndTheThreadEnds) {
    CBatch batch;
    batch.model.Append();
    batch.xSweep = {1, 0, 1, 0};
    CThTrace worker;
    CNullSurface surface;
    Start(worker, batch, &surface, nullptr);
    WaitUntilEnded(worker);
    EXPECT_EQ(worker.finished.load(), 1u);
    EXPECT_EQ(batch.tracing.load(), 0u);
    EXPECT_EQ(batch.pendingRays.load(), 0u);
    EXPECT_EQ(batch.traceOps.load(), 0u);
    worker.Stop();
}

TEST(CThTrace, WorkerMatchesTheSynchronousTraceAndRunsAgain) {
    CBatch reference;
    BuildCell(reference);
    TraceSynchronously(reference);

    CBatch batch;
    BuildCell(batch);
    CThTrace worker;
    CNullSurface surface;
    for (int run = 0; run < 2; ++run) {
        Start(worker, batch, &surface, nullptr);
        WaitUntilEnded(worker);
        EXPECT_EQ(Tallies(batch.model), Tallies(reference.model));
        EXPECT_EQ(batch.traceOps.load(), reference.traceOps.load());
    }
}

// Rays between two facing perfect mirrors bounce until their paths' interaction limit: a trace far longer
// than any polling here, ended by Stop.
void BuildLongTrace(CBatch& batch) {
    CLayer& layer = batch.model.Append();
    SetHorizontal(AddPlane(layer, "Floor", PlanarReflector), -10, false, 100);
    SetHorizontal(AddPlane(layer, "Ceiling", PlanarReflector), 10, true, 100);
    for (CPlane& mirror : layer) mirror.SetConstants(0, 0, 1.0);
    SetNormalIncidenceSources(batch, 1000);
    batch.minIntensity = 0;
}

// Polls `done` every millisecond for up to a minute.
template <class Done>
bool WaitFor(Done&& done) {
    for (int i = 0; i < 60000; ++i) {
        if (done()) return true;
        std::this_thread::sleep_for(1ms);
    }
    return done();
}

TEST(CThTrace, ASecondRequestedTraceIsUnfinishedAndAPauseHoldsIt) {
    CBatch first, second;
    BuildCell(first);
    BuildLongTrace(second);
    CThTrace worker;
    worker.stopWhenFinished = 0;
    CNullSurface surface;
    Start(worker, first, &surface, nullptr);
    ASSERT_TRUE(WaitFor([&] { return worker.finished.load() == 1; }));
    EXPECT_TRUE(worker.IsAlive());

    // The document hands the waiting worker another batch and asks for it.
    second.tracing = 1;
    worker.Start(&second, &surface, nullptr);
    worker.RequestBatch();
    ASSERT_TRUE(WaitFor([&] { return second.traceOps.load() > 1000; }));
    EXPECT_EQ(worker.finished.load(), 0u);

    // Paused, the count stands still for as long as anyone looks, with the rays still pending.
    worker.Suspend();
    uint64_t ops = 0;
    bool stood = false;
    for (int tries = 0; tries < 100 && !stood; ++tries) {
        ops = second.traceOps.load();
        std::this_thread::sleep_for(10ms);
        stood = second.traceOps.load() == ops;
    }
    EXPECT_TRUE(stood) << "paused";
    for (int look = 0; look < 5; ++look) {
        std::this_thread::sleep_for(10ms);
        EXPECT_EQ(second.traceOps.load(), ops);
    }
    EXPECT_GT(second.pendingRays.load(), 0u);
    EXPECT_EQ(worker.finished.load(), 0u);
    worker.Resume();
    EXPECT_TRUE(WaitFor([&] { return second.traceOps.load() > ops; }));
    worker.Stop();
    EXPECT_FALSE(worker.IsAlive());
}

TEST(CThTrace, StopAtLimitFinishesEarlyAndKeepsPolling) {
    CBatch batch;
    BuildLambertianSlab(batch, 3.5, 30, 100, 0.9);
    SetNormalIncidenceSources(batch, 990);  // the first Lambertian split passes 1000 queued rays
    CThTrace worker;
    // "Stop At": both flags inverted together.
    worker.stopAtEnabled = 1;
    worker.stopWhenFinished = 0;
    worker.stopAtCount = 1000;
    CNullSurface surface;
    Start(worker, batch, &surface, nullptr);
    for (int i = 0; i < 20000 && !worker.finished.load(); ++i) std::this_thread::sleep_for(1ms);
    ASSERT_EQ(worker.finished.load(), 1u);
    EXPECT_TRUE(worker.IsAlive()) << "finished without stop-when-finished: waits for work";
    EXPECT_EQ(batch.tracing.load(), 1u);
    EXPECT_GT(batch.pendingRays.load(), 1000u);
    // The rays still queued are not tallied: with them every source ray's intensity is accounted for.
    for (const CBalance& b : Balance(batch, std::vector<double>(batch.model.results.GetSize(), 1.0)))
        EXPECT_NEAR(b.accounted, b.launched, 1e-12);
    const uint64_t ops = batch.traceOps.load();
    std::this_thread::sleep_for(20ms);
    EXPECT_EQ(batch.traceOps.load(), ops);

    // A new request while it waits generates the batch again.
    worker.stopAtEnabled = 0;
    worker.RequestBatch();
    worker.Start(&batch, &surface, nullptr);
    for (int i = 0; i < 60000 && (batch.pendingRays.load() != 0 || !worker.finished.load()); ++i)
        std::this_thread::sleep_for(1ms);
    EXPECT_EQ(batch.pendingRays.load(), 0u);
    EXPECT_GT(batch.traceOps.load(), ops);
    worker.Stop();
    EXPECT_FALSE(worker.IsAlive());
    EXPECT_EQ(batch.tracing.load(), 0u);
    EXPECT_EQ(worker.stopRequest.load(), 0u);
}

TEST(CThTrace, MissingSurfaceIsReportedAndEndsCleanly) {
    CBatch batch;
    BuildCell(batch);
    CThTrace worker;
    CCollected messages;
    Start(worker, batch, nullptr, &messages);
    WaitUntilEnded(worker);
    worker.Stop();
    ASSERT_EQ(messages.shown.size(), 1u);
    EXPECT_EQ(messages.shown[0], "CThTrace Error: Failed to find device context in Trace");
    EXPECT_EQ(batch.traceOps.load(), 0u);
    EXPECT_EQ(batch.tracing.load(), 0u);
    EXPECT_EQ(worker.finished.load(), 1u);

    CThTrace noBatch;
    noBatch.batchRequest = 1;
    noBatch.Start(nullptr, nullptr, &messages);
    noBatch.Resume();
    noBatch.Stop();
    EXPECT_EQ(messages.shown.back(), "CThTrace Error: Failed to find model in Trace");
}

TEST(CThTrace, StopEndsARunningTraceAndLeavesItsQueue) {
    CBatch batch;
    BuildCell(batch);
    batch.subdivideTheta = 40;  // plenty of work
    CThTrace worker;
    CNullSurface surface;
    Start(worker, batch, &surface, nullptr);
    std::this_thread::sleep_for(10ms);
    worker.Suspend();
    worker.Stop();  // resumes a paused worker so that it sees the request
    EXPECT_FALSE(worker.IsAlive());
    EXPECT_EQ(batch.tracing.load(), 0u);
    EXPECT_FALSE(worker.IsSuspended());
}

// Another thread reads the counters and every tally while the worker writes them and appends records
// (re-emission at new wavelengths makes new keys during the trace). ThreadSanitizer checks this in CI.
TEST(CThTrace, TalliesCanBeReadWhileTheWorkerWrites) {
    CBatch batch;
    BuildScatteringBox(batch, true);
    SetNormalIncidenceSources(batch, 6, 600);
    batch.subdivideTheta = 2;
    batch.subdivideXi = 2;
    CThTrace worker;
    CNullSurface surface;
    std::atomic<bool> done{false};
    double seen = 0;
    std::thread reader([&] {
        while (!done.load()) {
            seen += static_cast<double>(batch.traceOps.load() + batch.pendingRays.load());
            const CModel& model = batch.model;
            for (uint32_t k = 0; k < model.results.GetSize(); ++k) {
                seen += model.results[k].Snapshot().lost;
                for (const CLayer& layer : model) {
                    if (k < layer.results.GetSize()) seen += layer.results[k].Snapshot().absorbed;
                    for (const CPlane& plane : layer)
                        if (k < plane.results.GetSize()) seen += plane.results[k].Snapshot().absorbed;
                }
            }
        }
    });
    Start(worker, batch, &surface, nullptr);
    WaitUntilEnded(worker);
    done = true;
    reader.join();
    EXPECT_GE(seen, 0.0);
    EXPECT_GT(batch.model.results.GetSize(), 6u);
}

// A surface whose owner turns the picture during the trace: every point it receives must come from the
// settings it hands out, never from the batch's own, which the user interface is changing.
class CTurningSurface : public IDrawSurface {
public:
    const CPen* SelectPen(const CPen*) override { return nullptr; }
    void MoveTo(int x, int y) override { Point(x, y); }
    void LineTo(int x, int y) override { Point(x, y); }
    bool CollectSettings(CDrawTools& tools, uint64_t& version) override {
        const uint64_t current = points < 500 ? 1 : 2;  // the owner pans after 500 points
        if (version != current) {
            tools.ResetView(true);
            tools.scale = 0;  // every model point lands on the origin
            tools.originX = current == 1 ? 100 : 700;
            version = current;
        }
        return true;
    }
    int points = 0, wrong = 0, afterPan = 0;

private:
    void Point(int x, int y) {
        const int expected = points < 500 ? 100 : 700;
        // A point already being drawn when the owner pans may still use the old settings.
        if ((x != expected && !(points >= 500 && points < 510 && x == 100)) || y != 300) ++wrong;
        if (x == 700) ++afterPan;
        ++points;
    }
};

TEST(CThTrace, DrawsWithTheSettingsItsSurfaceHandsOver) {
    CBatch batch;
    BuildLambertianSlab(batch, 3.5, 30, 100, 0.9);
    SetNormalIncidenceSources(batch, 20);
    batch.drawTools.scale = 3;  // the batch's own settings, which the worker must not use
    CThTrace worker;
    CTurningSurface surface;
    Start(worker, batch, &surface, nullptr);
    WaitUntilEnded(worker);
    worker.Stop();
    EXPECT_GT(surface.points, 1000);
    EXPECT_GT(surface.afterPan, 0);
    EXPECT_EQ(surface.wrong, 0);
}

// A new or opened document deletes its batches once the trace is stopped; the next Start must not look
// at the batch handed over before (AddressSanitizer shows it if it does).
TEST(CThTrace, AStoppedWorkerForgetsItsBatch) {
    auto first = std::make_unique<CBatch>();
    BuildSlab(*first, 3.5, 100, 100);
    SetNormalIncidenceSources(*first, 5);
    CThTrace worker;
    CNullSurface surface;
    Start(worker, *first, &surface, nullptr);
    WaitUntilEnded(worker);
    worker.Stop();
    first.reset();

    CBatch second;
    BuildSlab(second, 3.5, 100, 100);
    SetNormalIncidenceSources(second, 5);
    Start(worker, second, &surface, nullptr);
    WaitUntilEnded(worker);
    worker.Stop();
    EXPECT_GT(second.traceOps.load(), 0u);
    EXPECT_EQ(second.tracing.load(), 0u);
}

}  // namespace
}  // namespace brelix
