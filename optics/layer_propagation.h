#pragma once

#include "core/model.h"
#include "optics/trace_context.h"

namespace brelix {

enum class ELayerStep {
    ReachedPlane,  // the ray was attenuated over the whole distance; the plane step follows
    OpFinished,    // a scattering split or event took place; the rays concerned are on the queue
};

// What the layer does to the head ray on its way to the plane found (its step holds the distance):
// absorption or path-length tally, and in a scattering layer the split on entry and the scattering events
// with isotropic re-emission, possibly at a new wavelength.
ELayerStep PropagateInLayer(CTraceContext& context, CLayer& layer, const CPlane& plane);

// Attenuation over a length: the absorbed share is tallied on the layer and taken from the ray, or in
// path-length mode the intensity-weighted length is tallied and the intensity kept.
void Attenuate(CLayer& layer, CRay& ray, double length);

}  // namespace brelix
