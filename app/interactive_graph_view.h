#pragma once

#include <QImage>
#include <QWidget>

#include "document/document_views.h"
#include "graph/graph.h"
#include "graph/graph_history.h"
#include "graph/interactive_graph.h"

class QAction;
class QMenu;

namespace brelix {

class CBatch;
class CBrelix6Doc;
class CMainFrame;

// The graph view: the interactive graph (graph/interactive_graph.h) of the current batch's absorption in
// the layers and planes checked in the model tree, against wavelength or position. The plot is drawn on an
// image, and the rubber band by inverting that image's pixels, so that drawing the band again erases it.
//
// Earlier results: when a trace of the batch the view shows is about to start, the batch's results as they
// stand then (the last trace's), plotted as the view plots them, become an entry of the history, "Previous
// simulation #N - BATCH", if they have points. The "History" menus (in the context menu and the Edit menu)
// list the entries newest first; choosing one shows it under its title until the next graph command or
// trace.
class CInteractiveGraphView : public QWidget {
    Q_OBJECT
  public:
    CInteractiveGraphView(CBrelix6Doc& doc, CMainFrame& frame);
    // Keeps "Retain Zoom" for the next start.
    ~CInteractiveGraphView() override;

    // "View" > "Graph": the kind of graph hint 5 builds.
    void SetGraphKind(int kind);
    // Hint 5 builds a new graph of the current batch; 1 (a document read, written or replaced) too, but
    // keeps the range of the batch shown; 0 refreshes the data, keeping the range and zoom steps.
    void OnUpdate(EUpdateHint hint);
    // A trace of the current batch is about to clear its results.
    void OnTraceStarting();

    const CInteractiveGraph& Graph() const { return graph_; }
    const CGraph& CurrentGraph() const { return current_; }
    const CGraphHistory& History() const { return history_; }
    // "Copy Graph Data": the visible points as text on the clipboard.
    void CopyGraphData();
    bool RetainZoom() const { return graph_.RetainZoom(); }
    void SetRetainZoom(bool retain);
    // Shows history entry `index` (oldest 0).
    void ShowHistoryEntry(size_t index);

    QAction* RetainZoomAction() const { return retainZoom_; }
    // A menu of the history's titles, filled when it opens; the Edit menu and the context menu hold one each.
    QMenu* NewHistoryMenu(QWidget* parent);
    // The context menu: "Copy Graph Data", "Retain Zoom", "History", "Save Graph As..." and "Print...".
    void FillContextMenu(QMenu& menu);

  protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void contextMenuEvent(QContextMenuEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

  private:
    CBatch& Batch();
    // A new graph of the current batch's checked layers and planes.
    void Build(bool keepRange);
    // The current batch's data now, into the graph shown.
    void Refresh();
    void ShowLegend();
    // Passes one event to the graph: the band is erased from the shown picture first and drawn again after,
    // unless the plot itself is to be drawn again.
    template <class Event>
    void Handle(Event event);
    void React(const CGraphReaction& reaction);
    void DrawBandOnPicture();
    void ShowStatus();
    void ShowContextMenu(const QPoint& at);

    CBrelix6Doc& doc_;
    CMainFrame& frame_;
    CGraph current_;
    CInteractiveGraph graph_;
    CGraphHistory history_;
    // The plot with the band drawn on it, while `pictureValid_`.
    QImage picture_;
    bool pictureValid_ = false;
    bool showingHistory_ = false;
    // The batch the graph was last built from: compared, never used.
    const CBatch* builtFrom_ = nullptr;
    // A right click that had nothing to step out of opens the context menu when released.
    bool menuOnRelease_ = false;
    QAction* retainZoom_;
};

}  // namespace brelix
