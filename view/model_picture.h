#pragma once

#include "view/draw_surface.h"

namespace brelix {

class CBatch;

// The model view's picture of the current batch: every layer's edges and normals, the layer, plane and
// edges selected in the model tree, then the rays the worker drew.
inline constexpr CColor kModelBackground{255, 255, 255};

// An off-screen picture the size of the view, which can also be cleared and take the worker's rays.
class IModelCanvas : public IDrawSurface {
public:
    virtual void Clear(CColor background) = 0;
    virtual void DrawRays() = 0;
};

// Draws the whole picture with the batch's drawing tools. Selections that name no element of the model
// (a stale reference) draw nothing.
void DrawModelPicture(IModelCanvas& canvas, const CBatch& batch);

}  // namespace brelix
