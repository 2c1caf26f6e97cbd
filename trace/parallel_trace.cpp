#include "trace/parallel_trace.h"

#include <algorithm>
#include <condition_variable>
#include <map>
#include <mutex>
#include <new>
#include <system_error>
#include <thread>
#include <unordered_map>
#include <vector>

#include "optics/trace_context.h"
#include "trace/batch_check.h"
#include "trace/batch_memory.h"
#include "trace/ray_sources.h"
#include "trace/trace_op.h"

namespace brelix {

namespace {

constexpr uint64_t kChunksPerBatch = 256;
constexpr uint64_t kMaxChunkRays = 4096;

// The tallies of a model's result lists, in a fixed order: the model's lost and remainder, each layer's
// absorbed and path length, each plane's absorbed.
enum class ETally { Lost, Remainder, Absorbed, PathLength };
struct CColumn {
    CResultList* list;
    ETally tally;

    double Get(uint32_t row) const {
        switch (tally) {
            case ETally::Lost: return list->Lost(row);
            case ETally::Remainder: return list->Remainder(row);
            case ETally::Absorbed: return list->Absorbed(row);
            case ETally::PathLength: return list->PathLength(row);
        }
        return 0;
    }
    void Add(uint32_t row, double value) const {
        switch (tally) {
            case ETally::Lost: return list->AddLost(row, value);
            case ETally::Remainder: return list->AddRemainder(row, value);
            case ETally::Absorbed: return list->AddAbsorbed(row, value);
            case ETally::PathLength: return list->AddPathLength(row, value);
        }
    }
};

std::vector<CColumn> ColumnsOf(CModel& model) {
    std::vector<CColumn> columns{{&model.results, ETally::Lost}, {&model.results, ETally::Remainder}};
    for (CLayer& layer : model) {
        columns.push_back({&layer.results, ETally::Absorbed});
        columns.push_back({&layer.results, ETally::PathLength});
        for (CPlane& plane : layer) columns.push_back({&plane.results, ETally::Absorbed});
    }
    return columns;
}

// One thread's tracer: a copy of the batch's model and controls with a queue and tallies of its own.
class CChunkTracer {
public:
    CChunkTracer(const CBatch& batch, const std::atomic<uint32_t>* stop, std::atomic<uint32_t>& failed)
        : sources_(batch.sources), seed_(batch.seed.load()), stop_(stop), failed_(failed) {
        local_.CopyFrom(batch);
        local_.drawOnRaytrace = 0;
        local_.planeSearch.Build(local_.model);
        local_.rayQueue.Reserve(QueueHeadroom(batch));
        threshold_ = TerminationThreshold(batch);
        columns_ = ColumnsOf(local_.model);
    }

    // Traces source rays [first, end) into `tallies`.
    void Trace(uint64_t first, uint64_t end, CChunkTallies& tallies) {
        CModel& model = local_.model;
        CRayQueue& queue = local_.rayQueue;
        model.ClearResults();
        local_.traceOps.store(0, std::memory_order_relaxed);
        local_.expiredRays.store(0, std::memory_order_relaxed);
        CRandom random;
        CTraceContext context(local_, random, nullptr, stop_);
        // The chunk's rows first, in the order its rays meet them, all made at once.
        std::vector<uint32_t>& rows = tallies.rows;
        localRows_.clear();
        for (uint64_t index = first; index < end; ++index) {
            const uint32_t row = static_cast<uint32_t>(sources_.RowOf(index));
            if (localRows_.try_emplace(row, static_cast<int32_t>(rows.size())).second) {
                rows.push_back(row);
                model.AppendNewResult(sources_.RowKey(row));
            }
        }
        model.ShareResults();
        for (uint64_t index = first; index < end; ++index) {
            CRay& ray = queue.Push();
            sources_.Make(index, ray);
            ray.resultIndex = localRows_.find(static_cast<uint32_t>(ray.resultIndex))->second;
            if (!Halted()) {
                random.Seed(SourceRaySeed(seed_, index));
                try {
                    while (!queue.IsEmpty() && !Halted()) TraceOp(context, threshold_);
                } catch (const std::bad_alloc&) {
                    failed_.store(1);
                }
            }
            if (!queue.IsEmpty()) {
                // Given up: this ray's split rays, and the source ray itself if it never started, end
                // as remainder.
                tallies.halted = true;
                const CInFlight left = EndQueuedRaysAsRemainder(local_);
                tallies.raysInFlight += left.rays;
                tallies.intensityInFlight += left.intensity;
            }
            rows.resize(model.results.GetSize(), kRowFoundByKey);
        }

        const uint32_t count = model.results.GetSize();
        tallies.keys.resize(count);
        tallies.values.resize(uint64_t{count} * columns_.size());
        for (uint32_t r = 0; r < count; ++r) {
            tallies.keys[r] = model.results.Key(r);
            for (size_t c = 0; c < columns_.size(); ++c) tallies.values[r * columns_.size() + c] = columns_[c].Get(r);
        }
        tallies.traceOps = local_.traceOps.load(std::memory_order_relaxed);
        tallies.expiredRays = local_.expiredRays.load(std::memory_order_relaxed);
    }

private:
    bool Halted() const { return failed_.load(std::memory_order_relaxed) || (stop_ && stop_->load(std::memory_order_relaxed)); }

    CBatch local_;
    const CSourceRays& sources_;
    const uint32_t seed_;
    const std::atomic<uint32_t>* stop_;
    std::atomic<uint32_t>& failed_;
    double threshold_ = 0;
    std::vector<CColumn> columns_;
    // A chunk's rows of the batch -> its own rows.
    std::unordered_map<uint32_t, int32_t> localRows_;
};

// Hands the chunks' tallies on in chunk order, whichever thread finishes which chunk first, and hands
// out chunks no further ahead of the next to hand on than a few per thread. The chunks are those of a
// slice: `first`, `first + stride`... below `chunks`.
class CChunkMerger {
public:
    CChunkMerger(CBatch& batch, uint64_t rays, uint64_t chunkRays, CSlice slice, uint64_t window, const CChunkSink& sink)
        : batch_(batch),
          rays_(rays),
          chunkRays_(chunkRays),
          first_(slice.index),
          stride_(slice.count),
          count_(ChunksOfSlice((rays + chunkRays - 1) / chunkRays, slice)),
          window_(window),
          sink_(sink) {
        for (uint64_t n = 0; n < count_; ++n) left_ += ChunkSize(Chunk(n));
        batch.pendingRays.store(static_cast<uint32_t>(std::min<uint64_t>(left_, UINT32_MAX)), std::memory_order_relaxed);
    }

    uint64_t Chunks() const { return count_; }

    // The first and end source ray of the next chunk to trace, or false when none is left; waits while
    // too far ahead.
    bool Take(uint64_t& n, uint64_t& first, uint64_t& end) {
        std::unique_lock lock(mutex_);
        added_.wait(lock, [&] { return next_ >= count_ || next_ < merged_ + window_; });
        if (next_ >= count_) return false;
        n = next_++;
        first = Chunk(n) * chunkRays_;
        end = first + ChunkSize(Chunk(n));
        return true;
    }

    void Finish(uint64_t n, CChunkTallies tallies) {
        std::lock_guard lock(mutex_);
        waiting_.emplace(n, std::move(tallies));
        for (auto at = waiting_.find(merged_); at != waiting_.end(); at = waiting_.find(merged_)) {
            const CChunkTallies& done = at->second;
            sink_(Chunk(merged_), done);
            outcome.raysInFlight += done.raysInFlight;
            outcome.intensityInFlight += done.intensityInFlight;
            if (done.halted) outcome.end = CParallelTrace::Stopped;
            left_ -= ChunkSize(Chunk(merged_));
            waiting_.erase(at);
            ++merged_;
        }
        // The source rays of the chunks not handed on yet, for the progress line.
        batch_.pendingRays.store(static_cast<uint32_t>(std::min<uint64_t>(left_, UINT32_MAX)), std::memory_order_relaxed);
        added_.notify_all();
    }

    CParallelTrace outcome;

private:
    static uint64_t ChunksOfSlice(uint64_t chunks, CSlice slice) {
        return chunks > slice.index ? (chunks - slice.index + slice.count - 1) / slice.count : 0;
    }
    uint64_t Chunk(uint64_t n) const { return first_ + n * stride_; }
    uint64_t ChunkSize(uint64_t chunk) const { return std::min(rays_, (chunk + 1) * chunkRays_) - chunk * chunkRays_; }

    CBatch& batch_;
    const uint64_t rays_, chunkRays_, first_, stride_, count_, window_;
    const CChunkSink& sink_;
    std::mutex mutex_;
    std::condition_variable added_;
    uint64_t next_ = 0, merged_ = 0, left_ = 0;
    std::map<uint64_t, CChunkTallies> waiting_;
};

// Traces the chunks of a slice of a prepared batch on `threads` threads, handing their tallies to `sink`.
CParallelTrace TraceChunks(CBatch& batch, unsigned threads, CSlice slice, const CChunkSink& sink,
                           const std::atomic<uint32_t>* stop) {
    const uint64_t rays = batch.sources.Left();
    CChunkMerger merger(batch, rays, ChunkRays(batch.sources.GetCount()), slice, 4 * uint64_t{std::max(threads, 1u)}, sink);
    threads = static_cast<unsigned>(std::clamp<uint64_t>(merger.Chunks(), 1, std::max(threads, 1u)));
    std::atomic<uint32_t> failed{0};
    const auto work = [&] {
        try {
            CChunkTracer tracer(batch, stop, failed);
            for (uint64_t n, first, end; merger.Take(n, first, end);) {
                CChunkTallies tallies;
                try {
                    tracer.Trace(first, end, tallies);
                } catch (const std::bad_alloc&) {
                    // The chunk is still handed back, or the chunks after it would wait for it for ever.
                    failed.store(1);
                    tallies = CChunkTallies();
                    tallies.halted = true;
                }
                merger.Finish(n, std::move(tallies));
            }
        } catch (const std::bad_alloc&) {
            // A tracer that cannot be made leaves its chunks to the others.
            failed.store(1);
        }
    };
    std::vector<std::thread> pool;
    try {
        for (unsigned t = 1; t < threads; ++t) pool.emplace_back(work);
    } catch (const std::system_error&) {
        // Fewer threads than asked for trace the same results.
    }
    work();
    for (std::thread& thread : pool) thread.join();

    batch.sources.SetLeft(0);
    batch.pendingRays.store(0, std::memory_order_relaxed);
    CParallelTrace outcome = merger.outcome;
    if (failed.load()) outcome.end = CParallelTrace::OutOfMemory;
    return outcome;
}

}  // namespace

uint32_t SourceRaySeed(uint32_t batchSeed, uint64_t index) {
    uint64_t z = (uint64_t{batchSeed} << 32 | (index & 0xFFFFFFFFu)) + 0x9e3779b97f4a7c15u;
    z = (z ^ (z >> 30)) * 0xbf58476d1ce4e5b9u;
    z = (z ^ (z >> 27)) * 0x94d049bb133111ebu;
    z ^= z >> 31;
    return static_cast<uint32_t>(z >> 32);
}

uint32_t TallyColumnCount(const CModel& model) {
    uint32_t columns = 2;
    for (const CLayer& layer : model) columns += 2 + layer.GetCount();
    return columns;
}

uint64_t ChunkRays(uint64_t sourceRays) { return std::clamp<uint64_t>(sourceRays / kChunksPerBatch, 1, kMaxChunkRays); }

uint64_t ChunkCount(uint64_t sourceRays) { return (sourceRays + ChunkRays(sourceRays) - 1) / ChunkRays(sourceRays); }

bool PrepareChunkedBatch(CBatch& batch, uint64_t& sourceRays, uint64_t& chunks, std::string& error,
                         const std::atomic<uint32_t>* stop) {
    batch.rayQueue.Release();
    batch.sources.Clear();
    batch.traceOps.store(0, std::memory_order_relaxed);
    batch.expiredRays.store(0, std::memory_order_relaxed);
    batch.model.ClearResults();
    if (!CheckBatch(batch, error)) return false;
    GenerateRays(batch, nullptr, nullptr, 0, stop);
    sourceRays = batch.sources.GetCount();
    chunks = ChunkCount(sourceRays);
    return true;
}

void AddChunkTallies(CBatch& batch, const CChunkTallies& tallies) {
    const std::vector<CColumn> columns = ColumnsOf(batch.model);
    const size_t width = columns.size();
    for (size_t r = 0; r < tallies.rows.size(); ++r) {
        uint32_t row = tallies.rows[r];
        if (row == kRowFoundByKey) row = static_cast<uint32_t>(batch.model.FindOrAddResult(tallies.keys[r]));
        for (size_t c = 0; c < width; ++c)
            if (const double value = tallies.values[r * width + c]; value != 0) columns[c].Add(row, value);
    }
    batch.traceOps.store(batch.traceOps.load(std::memory_order_relaxed) + tallies.traceOps, std::memory_order_relaxed);
    batch.expiredRays.store(batch.expiredRays.load(std::memory_order_relaxed) + tallies.expiredRays,
                            std::memory_order_relaxed);
}

CParallelTrace TraceInParallel(CBatch& batch, unsigned threads, const std::atomic<uint32_t>* stop) {
    CParallelTrace refused;
    uint64_t rays = 0, chunks = 0;
    if (!PrepareChunkedBatch(batch, rays, chunks, refused.error, stop)) {
        refused.end = CParallelTrace::Refused;
        return refused;
    }
    return TraceChunks(batch, threads, CSlice{}, [&batch](uint64_t, const CChunkTallies& tallies) { AddChunkTallies(batch, tallies); }, stop);
}

CParallelTrace TraceSliceInParallel(CBatch& batch, unsigned threads, CSlice slice, const CChunkSink& sink,
                                    const std::atomic<uint32_t>* stop) {
    CParallelTrace refused;
    uint64_t rays = 0, chunks = 0;
    if (!PrepareChunkedBatch(batch, rays, chunks, refused.error, stop)) {
        refused.end = CParallelTrace::Refused;
        return refused;
    }
    return TraceChunks(batch, threads, slice, sink, stop);
}

}  // namespace brelix
