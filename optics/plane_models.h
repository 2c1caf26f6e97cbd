#pragma once

#include "core/model.h"
#include "optics/trace_context.h"

namespace brelix {

// Why a plane does nothing to a ray, or null when it acts: a type without behaviour, or a translate-across
// plane whose target is not another plane of its layer (moving a ray onto the plane it stands on would
// meet that plane again at once, for ever). The plane search passes such planes by: a ray goes on to the
// plane beyond, attenuated once over the real path.
const char* NoEffectReason(const CPlane& plane, const CLayer& layer);
inline bool IsPlaneWithoutEffect(const CPlane& plane, const CLayer& layer) {
    return NoEffectReason(plane, layer) != nullptr;
}

// Applies the plane's optical model to the head ray of the queue, which has just reached the plane (its
// step holds the distance, its last plane is this plane). The ray may be reflected, transmitted into
// another layer, partly absorbed, redirected, moved, or replaced by several rays pushed on the queue.
void InteractWithPlane(CTraceContext& context, CPlane& plane);

}  // namespace brelix
