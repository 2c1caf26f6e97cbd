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
// (CheckBatch), generates the source rays (GenerateRays), redraws the layers when drawing, and seeds the
// generator with the batch's seed. Returns false, with the reason, when the batch cannot be traced;
// nothing is generated then. A stop asked for through `stop` ends the generation early (the rays laid out
// so far are traced).
// Drawing uses `tools` (the batch's own when null).
bool BeginBatch(CBatch& batch, CRandom& random, IDrawSurface* surface, std::string& error,
                const std::atomic<uint32_t>* stop = nullptr, const CDrawTools* tools = nullptr);

// Redraws every layer's edges and normals on the worker's surface.
void DrawLayers(const CBatch& batch, const CDrawTools& tools, IDrawSurface& surface);

// One trace op on the head ray, launching the next source ray when the queue is empty: termination
// (below the threshold, or at the end of the path's lifetime), the search for the nearest plane of its
// layer, the layer step and the plane step. The batch must have rays left.
void TraceOp(CTraceContext& context, double threshold);

// The rays still to trace: those in the queue and the source rays not launched yet.
uint64_t RaysLeft(const CBatch& batch);

// The rays a stopped trace left queued or never launched.
struct CInFlight {
    uint64_t rays = 0;
    double intensity = 0;
};
// Ends every queued ray, and every source ray not launched, as remainder, so that each results row accounts for all the intensity launched
// under its key once a trace is given up. Only while no worker runs on the batch.
CInFlight EndQueuedRaysAsRemainder(CBatch& batch);

}  // namespace brelix
