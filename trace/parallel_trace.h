#pragma once

#include <atomic>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "core/batch.h"

namespace brelix {

// The deterministic parallel trace of the runner (brelix-cli trace --threads N).
//
// Each source ray owns a generator, seeded from the batch's seed and the ray's index in the generation
// order by SourceRaySeed, and is traced with all its split rays before the next; so a source ray's tallies
// do not depend on which thread traced it, nor when. The source rays are cut into fixed chunks (a 256th of
// the batch, from 1 to 4096 rays: the cut depends on the batch alone); a thread traces a chunk into tallies
// of its own, and the chunks' tallies are added to the batch's results in chunk order. The results are
// therefore the same, bit for bit, for any number of threads. They are another sample than the single
// worker's, whose one generator runs through all rays in its last-in first-out order: as valid, not equal.
//
// The rows of the results are the single worker's, in the same order: the source keys in generation order,
// then the keys re-emission makes, in the order the chunks meet them.

// The generator seed of source ray `index`: the high 32 bits of splitmix64 of (seed * 2^32 + index).
// Consecutive raw seeds of the generator give strongly correlated first draws; mixed seeds do not.
uint32_t SourceRaySeed(uint32_t batchSeed, uint64_t index);

// What one chunk of source rays added to the results: per row it touched, the row in the batch (or
// kRowFoundByKey, for a row that re-emission made), its key, and its value in each tally column
// (TallyColumnCount), row after row.
struct CChunkTallies {
    std::vector<uint32_t> rows;
    std::vector<CResultKey> keys;
    std::vector<double> values;
    uint64_t traceOps = 0, expiredRays = 0;
    uint64_t raysInFlight = 0;
    double intensityInFlight = 0;
    bool halted = false;
};
constexpr uint32_t kRowFoundByKey = UINT32_MAX;

// The tally columns of a model, in the order of CChunkTallies::values: the model's lost and remainder,
// then each layer's absorbed and path length followed by each of its planes' absorbed.
uint32_t TallyColumnCount(const CModel& model);

// The source rays of a chunk: a 256th of the batch, from 1 to 4096 rays. The cut depends on the batch
// alone, never on the threads or the slices.
uint64_t ChunkRays(uint64_t sourceRays);
// The number of chunks of a batch of `sourceRays` source rays.
uint64_t ChunkCount(uint64_t sourceRays);

// The chunks of a slice: of a batch cut into chunks, slice `index` (from 0) of `count` holds chunks index,
// index + count, index + 2 count... Slices interleave so that each gets a fair share of every sweep.
struct CSlice {
    uint32_t index = 0;
    uint32_t count = 1;
};

// How a parallel trace ended.
struct CParallelTrace {
    enum EEnd { Complete, Refused, Stopped, OutOfMemory };
    EEnd end = Complete;
    std::string error;  // why it was refused
    // The rays a stop or a failure left untraced, ended as remainder.
    uint64_t raysInFlight = 0;
    double intensityInFlight = 0;
};

// Traces the batch to its end on `threads` threads (at least one), checking it first as BeginBatch does.
// A stop asked for through `stop` ends it early; so does running out of memory. Either way every source ray
// not traced to its end, and every split ray left, ends as remainder, so that each row accounts for all
// the intensity of its key. Nothing is drawn. The batch's counters (trace ops, expired rays) are kept up
// as chunks are added.
CParallelTrace TraceInParallel(CBatch& batch, unsigned threads, const std::atomic<uint32_t>* stop = nullptr);

// Hands a traced chunk's tallies on; called in chunk order, one call at a time.
using CChunkSink = std::function<void(uint64_t chunk, const CChunkTallies& tallies)>;

// Traces the chunks of one slice of the batch, as TraceInParallel traces them, and hands each chunk's
// tallies to `sink` in chunk order instead of adding them to the batch's results; the batch's results are
// left with its source rows only. Adding the tallies of every slice's chunks in chunk order
// (AddChunkTallies) gives the results of TraceInParallel, bit for bit. A stop or a failure ends the trace
// as it ends TraceInParallel; the chunk given up is handed on with `halted` set.
CParallelTrace TraceSliceInParallel(CBatch& batch, unsigned threads, CSlice slice, const CChunkSink& sink,
                                    const std::atomic<uint32_t>* stop = nullptr);

// Makes the batch ready for adding chunk tallies, as a trace makes it: checks it (false, with the reason in
// `error`, when refused) and creates the results rows of its source keys. `chunks` is the number of chunks
// of its source rays, `sourceRays` their number. A stop asked for through `stop` ends the making of rows.
bool PrepareChunkedBatch(CBatch& batch, uint64_t& sourceRays, uint64_t& chunks, std::string& error,
                         const std::atomic<uint32_t>* stop = nullptr);

// Adds one chunk's tallies to the batch's results and counters, as the parallel trace adds them.
void AddChunkTallies(CBatch& batch, const CChunkTallies& tallies);

}  // namespace brelix
