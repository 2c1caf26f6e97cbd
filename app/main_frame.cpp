#include "app/main_frame.h"

#include <QApplication>
#include <QCloseEvent>
#include <QFileInfo>
#include <QLabel>
#include <QMenuBar>
#include <QMessageBox>
#include <QProgressBar>
#include <QScreen>
#include <QStackedWidget>
#include <QStatusBar>
#include <QToolBar>
#include <optional>

#include "app/artwork.h"
#include "app/interactive_graph_view.h"
#include "app/model_builders.h"
#include "app/model_tree_bar.h"
#include "app/model_view.h"
#include "app/results_view.h"
#include "app/stop_at_dialog.h"
#include "core/format.h"
#include "core/shared_value.h"
#include "document/brelix_doc.h"
#include "edit/model_tree.h"

namespace brelix {

namespace {

// One item of the command table: its text, accelerators, the prompt of a standard command (status-bar
// text, then the toolbar tip), its toolbar face, and whether a separator follows it.
struct CItem {
    ECommand command;
    const char* text;
    QList<QKeySequence> keys = {};
    const char* prompt = nullptr;
    std::optional<EToolbarIcon> icon = std::nullopt;
    bool separatorAfter = false;
};

struct CMenu {
    const char* title;
    std::vector<CItem> items;
};

// The menus, in order; "Recent File" stands in "&File" after "Print...", and the graph items form a
// submenu of "&View".
const std::vector<CMenu>& MenuTable() {
    static const std::vector<CMenu> table = {
        {"&File",
         {{ECommand::FileNew, "&New", {QKeySequence("Ctrl+N")}, "Create a new document\nNew", EToolbarIcon::New},
          {ECommand::FileOpen, "&Open...", {QKeySequence("Ctrl+O")}, "Open an existing document\nOpen",
           EToolbarIcon::Open},
          {ECommand::FileSave, "&Save", {QKeySequence("Ctrl+S")}, "Save the active document\nSave",
           EToolbarIcon::Save},
          {ECommand::FileSaveAs, "Save &As...", {}, "Save the active document with a new name\nSave As",
           std::nullopt, true},
          {ECommand::ExportResults, "Export Results"},
          {ECommand::SaveGraphAs, "Save Graph &As...", {}, nullptr, std::nullopt, true},
          {ECommand::Print, "&Print...", {QKeySequence("Ctrl+P")}, "Print the active document\nPrint",
           std::nullopt, true},
          {ECommand::Exit, "E&xit", {}, "Quit the application; prompts to save documents\nExit"}}},
        {"&Edit",
         {{ECommand::Copy, "&Copy", {QKeySequence("Ctrl+C"), QKeySequence("Ctrl+Insert")},
           "Copy the selection and put it on the Clipboard\nCopy"},
          {ECommand::Paste, "&Paste", {QKeySequence("Ctrl+V")}, "Insert Clipboard contents\nPaste"},
          {ECommand::PasteSwapped, "Paste w/ &Swaped Edges", {QKeySequence("Ctrl+B")}}}},
        {"&View",
         {{ECommand::ModelGraphic, "&Model Graphic"},
          {ECommand::GraphSpectral, "&Spectral"},
          {ECommand::GraphX, "&x Position"},
          {ECommand::GraphY, "&y Position"},
          {ECommand::Results, "&Results"}}},
        {"Draw",
         {{ECommand::DrawOnRaytrace, "Draw on Raytrace"},
          {ECommand::ColorScale, "Color Scale", {}, nullptr, std::nullopt, true},
          {ECommand::CompressZ, "Compress Z"},
          {ECommand::CompressX, "Compress X"},
          {ECommand::CompressY, "Compress Y"}}},
        {"Raytrace",
         {{ECommand::Reseed, "Re-seed"},
          {ECommand::StopWhenFinished, "Stop When Finished"},
          {ECommand::StopAt, "Stop At 1000", {}, nullptr, std::nullopt, true},
          {ECommand::Start, "Start"},
          {ECommand::Pause, "Pause"},
          {ECommand::Stop, "Stop"}}},
        {"Builders",
         {{ECommand::AddBatch, "Add Batch", {}, nullptr, EToolbarIcon::AddBatch},
          {ECommand::EditBatch, "Edit Batch"},
          {ECommand::DeleteBatch, "Delete Batch", {}, nullptr, EToolbarIcon::DeleteBatch, true},
          {ECommand::AddLayer, "Add Layer", {}, nullptr, EToolbarIcon::AddLayer},
          {ECommand::EditLayer, "Edit Layer"},
          {ECommand::DeleteLayer, "Delete Layer", {}, nullptr, EToolbarIcon::DeleteLayer, true},
          {ECommand::AddPlane, "Add Plane", {}, nullptr, EToolbarIcon::AddPlane},
          {ECommand::EditPlane, "Edit Plane"},
          {ECommand::DeletePlane, "Delete Plane", {}, nullptr, EToolbarIcon::DeletePlane, true},
          {ECommand::EditEdges, "Edit Edges"}}},
        {"&Help",
         {{ECommand::HelpTopics, "Help &Topics", {}, "List Help topics\nHelp Topics", std::nullopt, true},
          {ECommand::About, "&About Brelix", {}, "Display program information, version number and copyright\nAbout"}}},
    };
    return table;
}

// Accelerators of commands without a menu item; none has a handler, so they do nothing.
const std::vector<CItem>& HiddenAccelerators() {
    static const std::vector<CItem> items = {
        {ECommand::Cut, "Cut", {QKeySequence("Ctrl+X"), QKeySequence("Shift+Del")},
         "Cut the selection and put it on the Clipboard\nCut"},
        {ECommand::Undo, "Undo", {QKeySequence("Ctrl+Z"), QKeySequence("Alt+Backspace")}, "Undo the last action\nUndo"},
        {ECommand::NextPane, "Next Pane", {QKeySequence("F6")}, "Switch to the next window pane\nNext Pane"},
        {ECommand::PreviousPane, "Previous Pane", {QKeySequence("Shift+F6")},
         "Switch back to the previous window pane\nPrevious Pane"},
    };
    return items;
}

QString Blanks(int count) { return QString(count, ' '); }

}  // namespace

QRect InitialFrameGeometry(const QRect& screen) {
    const int h = std::min(2 * screen.height() / 3, screen.width());
    return QRect(screen.x() + screen.width() / 4, screen.y() + h / 4, h + 200, h);
}

CMainFrame::CMainFrame()
    : workerMessages_(*this, [this](const std::string& text, const std::string& caption) {
          showMessage(QString::fromStdString(text), QString::fromStdString(caption));
      }) {
    showMessage = [this](const QString& text, const QString& caption) {
        QMessageBox::warning(this, caption, text);
    };
    setWindowIcon(ApplicationIcon());
    if (const QScreen* screen = QGuiApplication::primaryScreen())
        setGeometry(InitialFrameGeometry(screen->availableGeometry()));
}

CMainFrame::~CMainFrame() = default;

void CMainFrame::Attach(CBrelix6Doc& doc) {
    doc_ = &doc;
    stack_ = new QStackedWidget(this);
    modelView_ = new CBrelix6View(doc, *this);
    graphView_ = new CInteractiveGraphView(doc, *this);
    resultsView_ = new CResultsView(doc);
    stack_->addWidget(modelView_);
    stack_->addWidget(graphView_);
    stack_->addWidget(resultsView_);
    setCentralWidget(stack_);

    treeBar_ = new CModelTreeBar(this);
    addDockWidget(Qt::LeftDockWidgetArea, treeBar_);
    treeBar_->Tree().onClick = [this](const CTreeCode& code) {
        modelView_->OnTreeClick(code);
        // The table and the graph follow the batch and the items checked.
        UpdateViewsExcept(EView::Model, HintRedraw);
    };
    treeBar_->Tree().onExpanded = [this](const CTreeCode& code, bool expanded) { OnTreeExpanded(code, expanded); };
    builders_ = std::make_unique<CModelBuilders>(doc, *this);
    treeBar_->Tree().onDoubleClick = [this](const CTreeCode& code) { builders_->OnTreeDoubleClick(code); };

    CreateActions();
    CreateMenus();
    CreateToolBars();
    CreateStatusBar();
    RegisterCommands();
    AttachResultCommands();
    modelView_->setFocus();
    StateChanged();
}

void CMainFrame::CreateActions() {
    auto make = [this](const CItem& item) {
        auto* action = new QAction(item.text, this);
        // A view may rename a command while it is active (Copy); the others show the table's text.
        action->setProperty("tableText", QString(item.text));
        action->setShortcuts(item.keys);
        action->setShortcutContext(Qt::WindowShortcut);
        if (item.prompt) {
            const QStringList parts = QString(item.prompt).split('\n');
            action->setStatusTip(parts[0]);
            action->setToolTip(parts.value(1, parts[0]));
        }
        if (item.icon) action->setIcon(ToolbarIcon(*item.icon));
        const ECommand command = item.command;
        connect(action, &QAction::triggered, this, [this, command] {
            router_.Run(command, activeView_);
            UpdateCommandStates();
        });
        actions_[static_cast<size_t>(command)] = action;
        return action;
    };
    for (const CMenu& menu : MenuTable())
        for (const CItem& item : menu.items) make(item);
    for (const CItem& item : HiddenAccelerators()) addAction(make(item));
    recentPlaceholder_ = new QAction("Recent File", this);
    recentPlaceholder_->setEnabled(false);
    for (int i = 0; i < 4; ++i) {
        auto* action = new QAction(this);
        action->setStatusTip("Open this document");
        connect(action, &QAction::triggered, this, [this, action] {
            if (onRecentFile) onRecentFile(action->data().toString());
        });
        recentActions_.push_back(action);
    }
}

void CMainFrame::CreateMenus() {
    for (const CMenu& table : MenuTable()) {
        QMenu* menu = menuBar()->addMenu(table.title);
        connect(menu, &QMenu::aboutToShow, this, &CMainFrame::UpdateCommandStates);
        QMenu* graph = nullptr;
        for (const CItem& item : table.items) {
            QAction* action = Action(item.command);
            const bool inGraph = item.command == ECommand::GraphSpectral || item.command == ECommand::GraphX ||
                                 item.command == ECommand::GraphY;
            if (inGraph && !graph) {
                graph = menu->addMenu("&Graph (Under Construction)");
                connect(graph, &QMenu::aboutToShow, this, &CMainFrame::UpdateCommandStates);
            }
            (inGraph ? graph : menu)->addAction(action);
            if (item.command == ECommand::GraphY) menu->addSeparator();
            if (item.separatorAfter) menu->addSeparator();
            if (item.command == ECommand::Print) {
                menu->addAction(recentPlaceholder_);
                menu->addActions(recentActions_);
                menu->addSeparator();
            }
        }
    }
}

void CMainFrame::CreateToolBars() {
    toolBar_ = new QToolBar("Toolbar", this);
    toolBar_->setObjectName("Toolbar");
    toolBar_->setIconSize(QSize(16, 15));
    toolBar_->setAllowedAreas(Qt::TopToolBarArea);
    const ECommand buttons[] = {ECommand::FileNew,  ECommand::FileOpen,    ECommand::FileSave,
                                ECommand::AddBatch, ECommand::DeleteBatch, ECommand::AddLayer,
                                ECommand::DeleteLayer, ECommand::AddPlane, ECommand::DeletePlane};
    for (ECommand command : buttons) {
        if (command == ECommand::AddBatch || command == ECommand::AddLayer || command == ECommand::AddPlane)
            toolBar_->addSeparator();
        toolBar_->addAction(Action(command));
    }
    addToolBar(Qt::TopToolBarArea, toolBar_);

    // The colour-scale and legend bars stand in the toolbar's row. The colour bar belongs to the model view,
    // the legend to the graph view.
    legendBar_ = new CLegendDlgBar(this);
    addToolBar(Qt::TopToolBarArea, legendBar_);
    auto tools = [this]() -> const CDrawTools& { return doc_->Batches().Current().drawTools; };
    colorBar_ = new CColorDlgBar(tools, this);
    addToolBar(Qt::TopToolBarArea, colorBar_);
    legendBar_->hide();
}

void CMainFrame::CreateStatusBar() {
    QStatusBar* bar = statusBar();
    messagePane_ = new QLabel("Ready");
    bar->addWidget(messagePane_, 1);
    const QFontMetrics metrics(bar->font());
    countPane_ = new QLabel;
    countPane_->setObjectName("CountPane");
    countPane_->setMinimumWidth(metrics.horizontalAdvance(Blanks(20)));
    bar->addPermanentWidget(countPane_);
    progress_ = new QProgressBar;
    progress_->setObjectName("Progress");
    progress_->setRange(0, 1000);
    progress_->setValue(0);
    progress_->setTextVisible(false);
    progress_->setFixedWidth(metrics.horizontalAdvance(Blanks(35)));
    bar->addPermanentWidget(progress_);
}

void CMainFrame::RegisterCommands() {
    CBrelix6Doc& doc = *doc_;
    // The document's commands.
    router_.Register(ECommand::ExportResults, ETarget::Document, [&doc] { doc.ExportResults(); },
                     [&doc] { return doc.CanExport(); });
    router_.Register(ECommand::ModelGraphic, ETarget::Document, [&doc] { doc.ShowModelView(); });
    router_.Register(ECommand::GraphSpectral, ETarget::Document, [&doc] { doc.ShowGraphView(1); });
    router_.Register(ECommand::GraphX, ETarget::Document, [&doc] { doc.ShowGraphView(2); });
    router_.Register(ECommand::GraphY, ETarget::Document, [&doc] { doc.ShowGraphView(3); });
    router_.Register(ECommand::Results, ETarget::Document, [&doc] { doc.ShowResultsView(); });
    router_.Register(ECommand::Reseed, ETarget::Document, [&doc] { doc.Reseed(); });
    router_.Register(ECommand::StopWhenFinished, ETarget::Document, [&doc] { doc.ToggleStopWhenFinished(); }, {},
                     [&doc] { return doc.StopWhenFinishedChecked(); });
    router_.Register(ECommand::StopAt, ETarget::Document, [&doc] { doc.ToggleStopAt(); }, {},
                     [&doc] { return doc.StopAtChecked(); }, [&doc] { return doc.StopAtText(); });
    router_.Register(ECommand::Start, ETarget::Document, [&doc] { doc.Start(); }, [&doc] { return doc.CanStart(); });
    router_.Register(ECommand::Pause, ETarget::Document, [&doc] { doc.PauseResume(); },
                     [&doc] { return doc.CanPauseOrStop(); }, {}, [&doc] { return doc.PauseText(); });
    router_.Register(ECommand::Stop, ETarget::Document, [&doc] { doc.Stop(); },
                     [&doc] { return doc.CanPauseOrStop(); });

    // The model view's.
    CBrelix6View& view = *modelView_;
    auto batch = [&doc]() -> CBatch& { return doc.Batches().Current(); };
    router_.Register(ECommand::DrawOnRaytrace, ETarget::ModelView, [&view] { view.ToggleDrawOnRaytrace(); }, {},
                     [batch] { return LoadShared(batch().drawOnRaytrace) != 0; });
    const std::pair<ECommand, int32_t CDrawTools::*> compress[] = {{ECommand::CompressX, &CDrawTools::compressX},
                                                                   {ECommand::CompressY, &CDrawTools::compressY},
                                                                   {ECommand::CompressZ, &CDrawTools::compressZ}};
    for (const auto& [command, field] : compress) {
        router_.Register(command, ETarget::ModelView, [&view, field] { view.ToggleCompress(field); }, {},
                         [batch, field] { return batch().drawTools.*field != 0; });
    }
    // The builders and the model view's Copy and Paste.
    builders_->Register(router_);

    for (size_t i = 0; i < actions_.size(); ++i)
        if (actions_[i]) actions_[i]->setCheckable(router_.IsCheckable(static_cast<ECommand>(i)));
}

void CMainFrame::SetRecentFiles(const QStringList& files) {
    for (int i = 0; i < recentActions_.size(); ++i) {
        QAction* action = recentActions_[i];
        action->setVisible(i < files.size());
        if (i < files.size()) {
            action->setText(QString("&%1 %2").arg(i + 1).arg(QFileInfo(files[i]).fileName()));
            action->setData(files[i]);
            action->setToolTip(files[i]);
        }
    }
    recentPlaceholder_->setVisible(files.isEmpty());
}

QWidget* CMainFrame::ViewWidget(EView view) const {
    switch (view) {
        case EView::Graph: return graphView_;
        case EView::Results: return resultsView_;
        case EView::Model: break;
    }
    return modelView_;
}

EView CMainFrame::SwitchView(EView view) {
    const EView old = activeView_;
    if (view == old) return old;
    stack_->setCurrentWidget(ViewWidget(view));
    activeView_ = view;
    ViewWidget(view)->update();
    OnViewSwitched(view);
    UpdateCommandStates();
    UpdateStatusPanes();
    return old;
}

void CMainFrame::ShowView(EView view) {
    colorBar_->setVisible(view == EView::Model);
    legendBar_->setVisible(view == EView::Graph);
    SwitchView(view);
}

void CMainFrame::UpdateCommandStates() {
    for (size_t i = 0; i < actions_.size(); ++i) {
        QAction* action = actions_[i];
        if (!action) continue;
        const CCommandState state = router_.State(static_cast<ECommand>(i), activeView_);
        action->setEnabled(state.enabled);
        if (action->isCheckable()) action->setChecked(state.checked);
        action->setText(state.text.empty() ? action->property("tableText").toString()
                                           : QString::fromStdString(state.text));
    }
}

void CMainFrame::UpdateStatusPanes() {
    countPane_->setText(activeView_ != EView::Graph
                            ? QString::fromStdString(FormatInt(doc_->Batches().Current().pendingRays.load()))
                            : QString());
}

void CMainFrame::RepaintColorBars() {
    ColorBox().update();
    LegendBox().update();
}

void CMainFrame::UpdateTitle() {
    setWindowTitle(QString::fromStdString(doc_->Title()) + "[*] - Brelix6");
    setWindowModified(doc_->IsModified());
}

void CMainFrame::OnTreeExpanded(const CTreeCode& code, bool expanded) {
    // While a trace runs the tree's shape is left to the next rebuild.
    if (doc_->Batches().Current().tracing.load()) return;
    if (QTreeWidgetItem* item = treeBar_->Tree().FindItem(code)) treeBar_->Tree().setCurrentItem(item);
    SetTreeItemExpanded(doc_->treeExpanded, doc_->Batches(), code, expanded);
}

void CMainFrame::UpdateAllViews(EUpdateHint hint) {
    modelView_->OnUpdate(hint);
    UpdateOtherViews(hint);
}

void CMainFrame::UpdateOtherViews(EUpdateHint hint) {
    graphView_->OnUpdate(hint);
    resultsView_->OnUpdate(hint);
}

void CMainFrame::SetGraphKind(int kind) { graphView_->SetGraphKind(kind); }

void CMainFrame::RebuildTree() {
    treeBar_->Tree().Rebuild(BuildModelTree(doc_->Path(), doc_->treeExpanded, doc_->Batches()));
}

void CMainFrame::RefreshFrame() {
    RepaintColorBars();
    UpdateStatusPanes();
}

void CMainFrame::SetTraceTimer(bool running) { modelView_->SetTraceTimer(running); }

void CMainFrame::SetProgress(uint32_t position) { progress_->setValue(static_cast<int>(position)); }

IDrawSurface& CMainFrame::RayLayer() { return modelView_->RayLayer(); }

void CMainFrame::PostRaySettings(const CDrawTools& tools) { modelView_->PostRaySettings(tools); }

void CMainFrame::ShowMessage(const std::string& text) { showMessage(QString::fromStdString(text), "Brelix6"); }

void CMainFrame::EditStopAtCount(uint32_t& count) {
    CStopAtDialog dialog(count, this);
    if (dialog.exec() == QDialog::Accepted) count = dialog.Count();
}

void CMainFrame::StateChanged() {
    UpdateTitle();
    UpdateCommandStates();
    UpdateStatusPanes();
}

void CMainFrame::closeEvent(QCloseEvent* event) {
    if (canClose && !canClose()) {
        event->ignore();
        return;
    }
    QMainWindow::closeEvent(event);
}

}  // namespace brelix
