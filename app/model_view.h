#pragma once

#include <QBasicTimer>
#include <QImage>
#include <QWidget>

#include "app/ray_layer.h"
#include "document/document_views.h"
#include "edit/selection_kind.h"
#include "edit/tree_code.h"
#include "view/model_view_input.h"

namespace brelix {

class CBatch;
class CBrelix6Doc;
class CMainFrame;

// The model view: the wire picture of the current batch with the rays the worker draws laid over it;
// its keys and drags turn, zoom and pan the picture or move the source offsets; its 250 ms timer shows
// the trace's progress. It has no scroll bars: panning moves the picture's origin.
class CBrelix6View : public QWidget {
    Q_OBJECT
public:
    CBrelix6View(CBrelix6Doc& doc, CMainFrame& frame);

    // An update of all views: the tree is rebuilt and the picture redrawn.
    void OnUpdate(EUpdateHint hint);
    // The redraw routine: with "Stop At" on, the partial trace is run again; then the picture is redrawn.
    void Redraw();
    void SetTraceTimer(bool running);
    bool IsTraceTimerRunning() const { return timer_.isActive(); }
    CRayLayer& RayLayer() { return layer_; }
    // The worker draws with these settings from now on, on a cleared layer.
    void PostRaySettings(const CDrawTools& tools);
    // A click in the model tree.
    void OnTreeClick(const CTreeCode& code);
    ESelectionKind SelectionKind() const;

    // "Draw" menu.
    void ToggleDrawOnRaytrace();
    void ToggleCompress(int32_t CDrawTools::*which);

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void timerEvent(QTimerEvent* event) override;

private:
    CBatch& Batch();
    void Apply(const CViewEffect& effect);
    // The current batch changed (a tree click): the worker's layer takes its settings.
    void FollowCurrentBatch();

    CBrelix6Doc& doc_;
    CMainFrame& frame_;
    CRayLayer layer_;
    CModelViewInput input_;
    QBasicTimer timer_;
    QImage picture_;
    const CBatch* postedBatch_ = nullptr;  // compared only
};

}  // namespace brelix
