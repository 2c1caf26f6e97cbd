#pragma once

#include <QMainWindow>
#include <array>
#include <functional>
#include <memory>

#include "app/color_bars.h"
#include "app/printing.h"
#include "app/queued_messages.h"
#include "document/command_router.h"
#include "document/document_views.h"
#include "edit/tree_code.h"

class QAction;
class QLabel;
class QProgressBar;
class QStackedWidget;
class QToolBar;

namespace brelix {

class CBrelix6Doc;
class CBrelix6View;
class CInteractiveGraphView;
class CModelBuilders;
class CModelTreeBar;
class CResultsView;

// The main window: the menus and accelerators of the command table, the toolbar, the colour-scale and
// legend bars in the toolbar's row, the model tree bar on the left, the status bar with its message,
// count and progress panes, and the three views of which one is shown. It is the document's frame:
// the document reaches the views through it.
class CMainFrame : public QMainWindow, public IDocumentViews {
    Q_OBJECT
public:
    CMainFrame();
    ~CMainFrame() override;

    // Creates the views, bars and commands for the document; once, right after the document exists.
    void Attach(CBrelix6Doc& doc);

    CCommandRouter& Router() { return router_; }
    QAction* Action(ECommand command) const { return actions_[static_cast<size_t>(command)]; }
    QList<QAction*> RecentFileActions() const { return recentActions_; }
    void SetRecentFiles(const QStringList& files);
    std::function<void(const QString& path)> onRecentFile;
    // Asked before the window closes; false keeps it open.
    std::function<bool()> canClose;
    // Shows a message to the user (a message box; tests collect them instead).
    std::function<void(const QString& text, const QString& caption)> showMessage;

    EView ActiveView() const { return activeView_; }
    CBrelix6View& ModelView() { return *modelView_; }
    QWidget* ViewWidget(EView view) const;
    CModelTreeBar& TreeBar() { return *treeBar_; }
    CModelBuilders& Builders() { return *builders_; }
    QToolBar* ColorBar() const { return colorBar_; }
    QToolBar* LegendBar() const { return legendBar_; }
    QProgressBar* Progress() const { return progress_; }
    QLabel* CountPane() const { return countPane_; }

    // Shows a view and returns the one shown before.
    EView SwitchView(EView view);
    // Enabling, checks and texts of every command, as the active view sees them.
    void UpdateCommandStates();
    void UpdateStatusPanes();
    void RepaintColorBars();

    // The results and graph views, the bars' boxes, the status line and printing (main_frame_results.cpp).
    CResultsView& ResultsView() { return *resultsView_; }
    CInteractiveGraphView& GraphView() { return *graphView_; }
    CStaticCB& ColorBox() const { return *colorBar_->Box(); }
    CStaticLB& LegendBox() const { return *legendBar_->Box(); }
    // The status line shows a view's prompt, or "Ready" when it has none.
    void ShowPrompt(const QString& text);
    void UpdateViewsExcept(EView except, EUpdateHint hint);
    // How "Print..." and "Save Graph As..." ask the user; tests answer without dialogs.
    PrintDialogRunner runPrintDialog = ExecPrintDialog;
    FigureDialogRunner askFigure = ExecFigureDialogs;

    // IDocumentViews
    void UpdateAllViews(EUpdateHint hint) override;
    void UpdateOtherViews(EUpdateHint hint) override;
    void ShowView(EView view) override;
    void SetGraphKind(int kind) override;
    void RebuildTree() override;
    void RefreshFrame() override;
    void SetTraceTimer(bool running) override;
    void SetProgress(uint32_t position) override;
    IDrawSurface& RayLayer() override;
    void PostRaySettings(const CDrawTools& tools) override;
    IMessages& WorkerMessages() override { return workerMessages_; }
    void ShowMessage(const std::string& text) override;
    void EditStopAtCount(uint32_t& count) override;
    void StateChanged() override;
    void TraceStarting() override;

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    void CreateActions();
    void CreateMenus();
    void CreateToolBars();
    void CreateStatusBar();
    void RegisterCommands();
    void UpdateTitle();
    void OnTreeExpanded(const CTreeCode& code, bool expanded);
    // main_frame_results.cpp
    void AttachResultCommands();
    void OnViewSwitched(EView view);
    void PrintActiveView();
    void SaveGraphAs();
    void EditColorScale();

    CBrelix6Doc* doc_ = nullptr;
    CCommandRouter router_;
    CQueuedMessages workerMessages_;
    std::array<QAction*, static_cast<size_t>(ECommand::Count)> actions_{};
    QList<QAction*> recentActions_;
    QAction* recentPlaceholder_ = nullptr;
    QStackedWidget* stack_ = nullptr;
    CBrelix6View* modelView_ = nullptr;
    CInteractiveGraphView* graphView_ = nullptr;
    CResultsView* resultsView_ = nullptr;
    // The graph view's entries of the Edit menu, shown while it is active.
    QList<QAction*> graphEditEntries_;
    EView activeView_ = EView::Model;
    QToolBar* toolBar_ = nullptr;
    CColorDlgBar* colorBar_ = nullptr;
    CLegendDlgBar* legendBar_ = nullptr;
    CModelTreeBar* treeBar_ = nullptr;
    std::unique_ptr<CModelBuilders> builders_;
    QLabel* messagePane_ = nullptr;
    QLabel* countPane_ = nullptr;
    QProgressBar* progress_ = nullptr;
};

// The frame's size: h = min(2/3 of the screen's height, its width); h + 200 wide, h high.
QRect InitialFrameGeometry(const QRect& screen);

}  // namespace brelix
