#pragma once

#include <string>

#include "core/batch.h"
#include "optics/trace_context.h"

namespace brelix {

// Rays weaker than this are not traced further: the minimum intensity shared out over the most a source
// ray can be divided (position, theta, xi and scatter subdivisions, and two ways per interface divide).
double TerminationThreshold(const CBatch& batch);

// Starts a batch afresh: empties the queue and the counters, clears the results, generates the source
// rays, redraws the layers when drawing, and seeds the generator with the batch's seed. Returns false,
// with the reason, when the rays could not be generated.
bool BeginBatch(CBatch& batch, CRandom& random, IDrawSurface* surface, std::string& error);

// Redraws every layer's edges and normals on the worker's surface.
void DrawLayers(const CBatch& batch, IDrawSurface& surface);

// One trace op on the head ray: termination, the search for the nearest plane of its layer, the layer
// step and the plane step. The queue must not be empty.
void TraceOp(CTraceContext& context, double threshold);

}  // namespace brelix
