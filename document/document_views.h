#pragma once

#include <cstdint>
#include <string>

namespace brelix {

class CDrawTools;
class IDrawSurface;
class IMessages;

// What the views are told after the document changed.
enum EUpdateHint : int {
    HintRedraw = 0,        // run state or shown view changed
    HintRebuild = 1,       // the document was replaced or reloaded: rebuild everything
    HintGraphChanged = 5,  // the graph's data kind changed
};

// The three views of the document; one is shown at a time.
enum class EView { Model, Graph, Results };

// What the document asks of the frame and the views around it. All calls come on the user-interface
// thread, except that the worker's messages go to WorkerMessages() from the worker's thread.
class IDocumentViews {
public:
    virtual ~IDocumentViews() = default;
    virtual void UpdateAllViews(EUpdateHint hint) = 0;
    // The timer tick's "every view but the model view".
    virtual void UpdateOtherViews(EUpdateHint hint) = 0;
    virtual void ShowView(EView view) = 0;
    virtual void SetGraphKind(int kind) = 0;
    virtual void RebuildTree() = 0;
    // The frame's bars and layout are refreshed.
    virtual void RefreshFrame() = 0;
    // The model view's 250 ms trace timer.
    virtual void SetTraceTimer(bool running) = 0;
    virtual void SetProgress(uint32_t position) = 0;
    // The surface the worker draws on, and the hand-over of the settings it is to draw with; posting
    // clears what the worker drew.
    virtual IDrawSurface& RayLayer() = 0;
    virtual void PostRaySettings(const CDrawTools& tools) = 0;
    // Where the worker's messages go; called on the worker's thread, must not block.
    virtual IMessages& WorkerMessages() = 0;
    // A message to the user, on the user-interface thread.
    virtual void ShowMessage(const std::string& text) = 0;
    // The "Partial Trace Stopping Point" dialog on `count`, which it changes only with a valid value.
    virtual void EditStopAtCount(uint32_t& count) = 0;
    // The path, modified flag or run state changed: title and command states follow.
    virtual void StateChanged() = 0;
    // A trace of the current batch is about to start: its results are still the last trace's, which the
    // worker clears as it begins (the graph view keeps them as an earlier result).
    virtual void TraceStarting() {}
};

}  // namespace brelix
