#pragma once

#include "core/model.h"
#include "optics/trace_context.h"

namespace brelix {

// True for a plane that does nothing to a ray: a type without behaviour, or a translate-across plane
// whose target is not a plane of its layer. The plane search passes such planes by: a ray goes on to the
// plane beyond, attenuated once over the real path.
bool IsPlaneWithoutEffect(const CPlane& plane, const CLayer& layer);

// Applies the plane's optical model to the head ray of the queue, which has just reached the plane (its
// step holds the distance, its last plane is this plane). The ray may be reflected, transmitted into
// another layer, partly absorbed, redirected, moved, or replaced by several rays pushed on the queue.
void InteractWithPlane(CTraceContext& context, CPlane& plane);

}  // namespace brelix
