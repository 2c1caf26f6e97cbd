#pragma once

#include <atomic>
#include <cstdint>
#include <string>

#include "core/batch.h"
#include "optics/trace_context.h"

namespace brelix {

// Ends a ray's path after this many trace ops, as remainder: far beyond any physical need (a ray that
// bounces between two perfect reflectors, or inside a damaged geometry, would otherwise be traced for
// ever), and counted in the batch's expiredRays.
constexpr uint32_t kMaxPathInteractions = 100000;

// Rays weaker than this are not traced further: the minimum intensity shared out over the most a source
// ray can be divided (position, theta, xi and scatter subdivisions, and two ways per interface divide).
double TerminationThreshold(const CBatch& batch);

// Starts a batch afresh: empties the queue and the counters, clears the results, checks the batch
// (CheckBatch), generates the source rays, redraws the layers when drawing, and seeds the generator with
// the batch's seed. Returns false, with the reason, when the batch cannot be traced; nothing is generated
// then. A stop asked for through `stop` ends the generation early (the rays made so far stay queued).
// Drawing uses `tools` (the batch's own when null).
bool BeginBatch(CBatch& batch, CRandom& random, IDrawSurface* surface, std::string& error,
                const std::atomic<uint32_t>* stop = nullptr, const CDrawTools* tools = nullptr);

// Redraws every layer's edges and normals on the worker's surface.
void DrawLayers(const CBatch& batch, const CDrawTools& tools, IDrawSurface& surface);

// One trace op on the head ray: termination (below the threshold, or at the end of the path's lifetime),
// the search for the nearest plane of its layer, the layer step and the plane step. The queue must not
// be empty.
void TraceOp(CTraceContext& context, double threshold);

// The rays a stopped trace left queued.
struct CInFlight {
    uint64_t rays = 0;
    double intensity = 0;
};
// Ends every queued ray as remainder, so that each results row accounts for all the intensity launched
// under its key once a trace is given up. Only while no worker runs on the batch.
CInFlight EndQueuedRaysAsRemainder(CBatch& batch);

}  // namespace brelix
