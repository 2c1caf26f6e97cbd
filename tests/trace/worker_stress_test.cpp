#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <cmath>
#include <condition_variable>
#include <cstdio>
#include <cstdlib>
#include <mutex>
#include <random>
#include <string>
#include <thread>
#include <vector>

#include "document/results_export.h"
#include "tests/support/trace_helpers.h"
#include "trace/trace_worker.h"

namespace brelix {
namespace {

using namespace test;

#if defined(__SANITIZE_THREAD__)
#define BRELIX_THREAD_SANITIZER 1
#elif defined(__has_feature)
#if __has_feature(thread_sanitizer)
#define BRELIX_THREAD_SANITIZER 1
#endif
#endif

// ThreadSanitizer slows every step tenfold or more: fewer steps keep the test well under a minute there.
#ifdef BRELIX_THREAD_SANITIZER
constexpr int kSteps = 1000;
#else
constexpr int kSteps = 2500;
#endif

// A hung worker would hang the whole test run: past the limit this ends the program, saying where the
// test was.
class CWatchdog {
public:
    explicit CWatchdog(std::chrono::seconds limit)
        : thread_([this, limit] {
              std::unique_lock lock(mutex_);
              if (!wake_.wait_for(lock, limit, [this] { return finished_; })) {
                  std::fprintf(stderr, "Worker stress test hung: seed %u, step %d, operation %d\n", seed.load(),
                               step.load(), operation.load());
                  std::abort();
              }
          }) {}
    ~CWatchdog() {
        {
            std::lock_guard lock(mutex_);
            finished_ = true;
        }
        wake_.notify_all();
        thread_.join();
    }

    std::atomic<uint32_t> seed{0};
    std::atomic<int> step{0};
    std::atomic<int> operation{-1};

private:
    std::mutex mutex_;
    std::condition_variable wake_;
    bool finished_ = false;
    std::thread thread_;
};

// The commands the document gives the worker, and a pause between commands.
enum EOperation { Start, Pause, Resume, Stop, Reseed, StopAt, StopWhenFinished, RequestBatch, Wait, Operations };

void BuildLambertian(CBatch& batch) {
    BuildLambertianSlab(batch, 3.5, 30, 100, 0.9);
    SetNormalIncidenceSources(batch, 8);
    batch.subdivideTheta = 2;
    batch.subdivideXi = 2;
}

void BuildCell(CBatch& batch) {
    BuildTexturedCell(batch, true);
    SetNormalIncidenceSources(batch, 4);
    batch.xOffset = 0.5;
    batch.yOffset = 5;
    batch.subdivideTheta = 2;
    batch.subdivideXi = 2;
}

// A stopped worker is not alive and has finished, no batch is marked as tracing, and each key's launched
// intensity (one source ray per key) is tallied or still queued.
testing::AssertionResult StoppedAndBalanced(const CThTrace& worker, const std::vector<CBatch*>& batches) {
    if (worker.IsAlive() || !worker.finished.load() || worker.IsSuspended() || worker.stopRequest.load())
        return testing::AssertionFailure() << "flags after Stop: alive " << worker.alive.load() << ", finished "
                                           << worker.finished.load() << ", suspended " << worker.suspended.load()
                                           << ", stop request " << worker.stopRequest.load();
    for (size_t i = 0; i < batches.size(); ++i) {
        CBatch& batch = *batches[i];
        if (batch.tracing.load()) return testing::AssertionFailure() << "batch " << i << " still marked as tracing";
        std::vector<double> launched;
        for (uint32_t k = 0; k < batch.model.results.GetSize(); ++k)
            launched.push_back(batch.model.results[k].key.sourceIntensity);
        const std::vector<CBalance> balance = Balance(batch, launched);
        for (size_t k = 0; k < balance.size(); ++k)
            if (!(std::fabs(balance[k].accounted - balance[k].launched) <= 1e-9 * balance[k].launched))
                return testing::AssertionFailure() << "batch " << i << " key " << k << ": launched "
                                                   << balance[k].launched << ", accounted " << balance[k].accounted;
    }
    return testing::AssertionSuccess();
}

// What the user interface reads while the worker runs, on a thread of its own: the counters, every
// tally and the results table, over and over until stopped.
class CInterfaceReader {
public:
    explicit CInterfaceReader(const std::vector<CBatch*>& batches)
        : thread_([this, batches] {
              do {
                  for (const CBatch* batch : batches) Read(*batch);
              } while (!done_.load());
          }) {}
    ~CInterfaceReader() { Stop(); }
    void Stop() {
        done_ = true;
        if (thread_.joinable()) thread_.join();
    }
    // What was read, summed: nonzero once anything was read.
    double seen = 0;

private:
    void Read(const CBatch& batch) {
        seen += static_cast<double>(batch.traceOps.load() + batch.pendingRays.load() + batch.tracing.load());
        const CModel& model = batch.model;
        for (uint32_t k = 0; k < model.results.GetSize(); ++k) seen += model.results[k].Snapshot().lost;
        for (const CLayer& layer : model) {
            for (uint32_t k = 0; k < layer.results.GetSize(); ++k) seen += layer.results[k].Snapshot().absorbed;
            for (const CPlane& plane : layer)
                for (uint32_t k = 0; k < plane.results.GetSize(); ++k) seen += plane.results[k].Snapshot().absorbed;
        }
        seen += static_cast<double>(FormatBatchResults(batch, 0).size());
    }

    std::atomic<bool> done_{false};
    std::thread thread_;
};

// Random interleavings of every command the document gives the worker, with two batches to switch
// between, while another thread reads the tallies and formats the results. After every Stop the flags and
// the balance are checked. The sequence of commands is reproducible from the seed; the timing is not.
TEST(CThTraceStress, RandomCommandsKeepTheFlagsAndTheBalance) {
    CWatchdog watchdog(std::chrono::seconds(120));
    for (uint32_t seed : {1u, 2u, 3u, 4u}) {
        watchdog.seed = seed;
        std::mt19937 random(seed);
        const auto draw = [&random](uint32_t n) { return static_cast<uint32_t>(random() % n); };
        CBatch lambertian, cell;
        BuildLambertian(lambertian);
        BuildCell(cell);
        const std::vector<CBatch*> batches = {&lambertian, &cell};
        CNullSurface surface;
        CNoMessages messages;
        CThTrace worker;
        CInterfaceReader reader(batches);

        for (int step = 0; step < kSteps; ++step) {
            watchdog.step = step;
            const int operation = static_cast<int>(draw(Operations));
            watchdog.operation = operation;
            switch (operation) {
                case Start: {
                    CBatch& batch = *batches[draw(2)];
                    batch.tracing = 1;
                    worker.batchRequest = 1;
                    worker.Start(&batch, &surface, &messages);
                    worker.Resume();
                    break;
                }
                case Pause:
                    worker.Suspend();
                    break;
                case Resume:
                    worker.Resume();
                    break;
                case Stop:
                    worker.Stop();
                    ASSERT_TRUE(StoppedAndBalanced(worker, batches)) << "seed " << seed << ", step " << step;
                    break;
                case Reseed:
                    batches[draw(2)]->Reseed(draw(100000));
                    break;
                case StopAt:
                    worker.stopAtEnabled = draw(2);
                    worker.stopAtCount = draw(100);
                    break;
                case StopWhenFinished:
                    worker.stopWhenFinished = draw(2);
                    break;
                case RequestBatch:
                    worker.RequestBatch();
                    break;
                case Wait:
                    std::this_thread::sleep_for(std::chrono::microseconds(draw(1000)));
                    break;
            }
            std::this_thread::sleep_for(std::chrono::microseconds(draw(50)));
        }
        worker.Stop();
        reader.Stop();
        ASSERT_TRUE(StoppedAndBalanced(worker, batches)) << "seed " << seed << ", at the end";
        EXPECT_GT(reader.seen, 0.0);
    }
}

}  // namespace
}  // namespace brelix
