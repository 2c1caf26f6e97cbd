#include "trace/trace_op.h"

#include <algorithm>
#include <cmath>

#include "optics/formulas.h"
#include "optics/layer_propagation.h"
#include "optics/plane_models.h"
#include "trace/batch_check.h"
#include "trace/batch_memory.h"
#include "trace/ray_sources.h"

namespace brelix {

double TerminationThreshold(const CBatch& batch) {
    // A count of 0 (possible only in a hand-made document) divides nothing rather than making every ray a
    // remainder.
    auto factor = [](uint32_t n) { return static_cast<double>(std::max<uint32_t>(n, 1)); };
    return batch.minIntensity / (factor(batch.subdividePosition) * factor(batch.subdivideTheta) *
                                 factor(batch.subdivideXi) * factor(batch.subdivideScatter) *
                                 std::pow(2.0, static_cast<double>(batch.interfaceDivides)));
}

void DrawLayers(const CBatch& batch, const CDrawTools& tools, IDrawSurface& surface) {
    for (const CLayer& layer : batch.model) {
        tools.DrawLayerEdges(surface, tools.Pen(PenBlack), layer);
        tools.DrawLayerNormals(surface, tools.Pen(PenGreen), layer);
    }
}

bool BeginBatch(CBatch& batch, CRandom& random, IDrawSurface* surface, std::string& error,
                const std::atomic<uint32_t>* stop, const CDrawTools* tools) {
    // The old rays' memory goes back first: the check below measures what is free.
    batch.rayQueue.Release();
    batch.sources.Clear();
    batch.traceOps.store(0, std::memory_order_relaxed);
    batch.expiredRays.store(0, std::memory_order_relaxed);
    batch.model.ClearResults();
    batch.planeSearch.Build(batch.model);
    const bool traceable = CheckBatch(batch, error);
    if (traceable) GenerateRays(batch, surface, tools, QueueHeadroom(batch), stop);
    if (LoadShared(batch.drawOnRaytrace) && surface) DrawLayers(batch, tools ? *tools : batch.drawTools, *surface);
    random.Seed(batch.seed.load());
    return traceable;
}

void TraceOp(CTraceContext& context, double threshold) {
    CBatch& batch = context.batch;
    CRayQueue& queue = batch.rayQueue;
    if (!batch.planeSearch.IsBuilt()) batch.planeSearch.Build(batch.model);
    if (queue.IsEmpty() && !batch.sources.LaunchNext(queue.Push())) {
        queue.RemoveHead();  // nothing left to trace
        return;
    }
    batch.traceOps.store(batch.traceOps.load(std::memory_order_relaxed) + 1, std::memory_order_relaxed);
    CRay& ray = queue.Head();

    // Termination. A ray with no intensity left (or a NaN one from bad data) ends too, also when the
    // threshold is 0: otherwise it could bounce between two reflectors for ever.
    if (ray.intensity < threshold || !(ray.intensity > 0)) {
        batch.model.results.AddRemainder(ray, ray.intensity);
        queue.RemoveHead();
        return;
    }
    if (ray.interactions >= kMaxPathInteractions) {
        batch.model.results.AddRemainder(ray, ray.intensity);
        batch.expiredRays.store(batch.expiredRays.load(std::memory_order_relaxed) + 1, std::memory_order_relaxed);
        queue.RemoveHead();
        return;
    }
    ++ray.interactions;

    // The nearest front-side hit among the planes of the ray's layer, leaving out the plane it last met.
    CLayer* layer = batch.model.GetAt(static_cast<uint32_t>(ray.layer));
    CPlane* found = nullptr;
    if (layer) {
        double t = 0;
        found = batch.planeSearch.FindNearest(static_cast<uint32_t>(ray.layer), ray, ray.lastPlane, t);
        if (found) ray.step = t;
    }
    ray.lastPlane = found;

    if (!found) {
        if (context.Drawing()) {
            context.surface->SelectPen(context.tools.Pen(PenLostRay));
            context.tools.DrawRaySegment(*context.surface, nullptr, nullptr, ray, true);
        }
        batch.model.results.AddLost(ray, ray.intensity);
        queue.RemoveHead();
        return;
    }

    if (PropagateInLayer(context, *layer, *found) == ELayerStep::OpFinished) return;
    InteractWithPlane(context, *found);
}

uint64_t RaysLeft(const CBatch& batch) { return batch.rayQueue.GetCount() + batch.sources.Left(); }

CInFlight EndQueuedRaysAsRemainder(CBatch& batch) {
    CInFlight inFlight;
    for (CRayQueue& queue = batch.rayQueue; !queue.IsEmpty(); queue.RemoveHead()) {
        const CRay& ray = queue.Head();
        batch.model.results.AddRemainder(ray, ray.intensity);
        ++inFlight.rays;
        inFlight.intensity += ray.intensity;
    }
    for (CRay ray; batch.sources.LaunchNext(ray);) {
        batch.model.results.AddRemainder(ray, ray.intensity);
        ++inFlight.rays;
        inFlight.intensity += ray.intensity;
    }
    batch.pendingRays.store(0, std::memory_order_relaxed);
    return inFlight;
}

}  // namespace brelix
