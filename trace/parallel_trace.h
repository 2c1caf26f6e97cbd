#pragma once

#include <atomic>
#include <cstdint>
#include <string>

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

}  // namespace brelix
