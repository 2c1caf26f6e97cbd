#include "view/model_picture.h"

#include "core/batch.h"

namespace brelix {

namespace {

// The plane, when it is one of the model's.
const CPlane* FindPlane(const CModel& model, const CPlane* plane) {
    if (!plane) return nullptr;
    for (const CLayer& layer : model)
        if (layer.IndexOf(plane) >= 0) return plane;
    return nullptr;
}

}  // namespace

void DrawModelPicture(IModelCanvas& canvas, const CBatch& batch) {
    const CDrawTools& tools = batch.drawTools;
    const CModel& model = batch.model;
    canvas.Clear(kModelBackground);
    for (const CLayer& layer : model) {
        tools.DrawLayerEdges(canvas, tools.Pen(PenBlack), layer);
        tools.DrawLayerNormals(canvas, tools.Pen(PenGreen), layer);
    }
    if (model.IndexOf(model.selectedLayer) >= 0) {
        tools.DrawLayerEdges(canvas, tools.Pen(PenRedDotted), *model.selectedLayer);
        tools.DrawLayerNormals(canvas, tools.Pen(PenGreen), *model.selectedLayer);
    }
    if (const CPlane* plane = FindPlane(model, model.selectedPlane)) {
        canvas.SelectPen(tools.Pen(PenBlueDotted));
        tools.DrawPlaneOutline(canvas, *plane);
    }
    if (const CPlane* plane = FindPlane(model, model.selectedEdges)) {
        canvas.SelectPen(tools.Pen(PenBlack));
        tools.DrawPlaneOutline(canvas, *plane);
        canvas.SelectPen(tools.Pen(PenMagentaDotted));
        tools.DrawPlaneEdges(canvas, *plane);
    }
    canvas.DrawRays();
}

}  // namespace brelix
