#pragma once

#include <atomic>
#include <cstdint>

#include "core/batch.h"
#include "core/random.h"
#include "view/draw_surface.h"

namespace brelix {

// What the plane and layer steps of a trace op work with: the batch being traced (its model, queue,
// controls and drawing tools), the worker's generator, the surface the worker draws on (null when
// nothing is drawn), and the flag that asks the trace to stop (null when nobody can ask), which long
// splits look at.
struct CTraceContext {
    CTraceContext(CBatch& batch, CRandom& random, IDrawSurface* surface, const std::atomic<uint32_t>* stop = nullptr)
        : batch(batch), random(random), surface(batch.drawOnRaytrace ? surface : nullptr), stop(stop) {}

    bool Drawing() const { return surface != nullptr; }
    bool StopRequested() const { return stop && stop->load(std::memory_order_relaxed); }

    CBatch& batch;
    CRandom& random;
    IDrawSurface* surface;
    const std::atomic<uint32_t>* stop;
};

}  // namespace brelix
