#pragma once

#include <atomic>
#include <cstdint>

#include "core/batch.h"
#include "core/random.h"
#include "view/draw_surface.h"
#include "view/draw_tools.h"

namespace brelix {

// What the plane and layer steps of a trace op work with: the batch being traced (its model, queue and
// controls), the worker's generator, the surface the worker draws on (null when nothing is drawn) with
// the drawing settings it draws with, and the flag that asks the trace to stop (null when nobody can
// ask), which long splits look at.
//
// The settings are the worker's own copy, not the batch's: the user interface turns and zooms the
// picture while a trace runs.
struct CTraceContext {
    CTraceContext(CBatch& batch, CRandom& random, IDrawSurface* surface, const std::atomic<uint32_t>* stop = nullptr,
                  const CDrawTools* tools = nullptr)
        : batch(batch),
          random(random),
          surface(LoadShared(batch.drawOnRaytrace) ? surface : nullptr),
          tools(tools ? *tools : batch.drawTools),
          stop(stop) {}

    bool Drawing() const { return surface != nullptr; }
    bool StopRequested() const { return stop && stop->load(std::memory_order_relaxed); }

    CBatch& batch;
    CRandom& random;
    IDrawSurface* surface;
    const CDrawTools& tools;
    const std::atomic<uint32_t>* stop;
};

}  // namespace brelix
