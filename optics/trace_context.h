#pragma once

#include "core/batch.h"
#include "core/random.h"
#include "view/draw_surface.h"

namespace brelix {

// What the plane and layer steps of a trace op work with: the batch being traced (its model, queue,
// controls and drawing tools), the worker's generator, and the surface the worker draws on (null when
// nothing is drawn).
struct CTraceContext {
    CTraceContext(CBatch& batch, CRandom& random, IDrawSurface* surface)
        : batch(batch), random(random), surface(batch.drawOnRaytrace ? surface : nullptr) {}

    bool Drawing() const { return surface != nullptr; }

    CBatch& batch;
    CRandom& random;
    IDrawSurface* surface;
};

}  // namespace brelix
