// The main frame's part in showing results: the commands of the results and graph views, the Color
// Scale dialog, printing and figures, and the graph view's entries of the Edit menu.
#include <QDialog>
#include <QLabel>
#include <QMenu>
#include <QPrinter>

#include "app/color_scale_dialog.h"
#include "app/interactive_graph_view.h"
#include "app/main_frame.h"
#include "app/model_view.h"
#include "app/results_view.h"
#include "document/brelix_doc.h"
#include "view/results_table.h"

namespace brelix {

void CMainFrame::AttachResultCommands() {
    router_.Register(
        ECommand::Copy, ETarget::GraphView, [this] { graphView_->CopyGraphData(); }, {}, {},
        [] { return std::string("&Copy Graph Data"); });
    router_.Register(ECommand::Print, ETarget::ResultsView, [this] { PrintActiveView(); });
    router_.Register(ECommand::Print, ETarget::GraphView, [this] { PrintActiveView(); });
    router_.Register(ECommand::SaveGraphAs, ETarget::GraphView, [this] { SaveGraphAs(); });
    router_.Register(ECommand::ColorScale, ETarget::ModelView, [this] { EditColorScale(); });

    // "Retain Zoom" and the history stand in the Edit menu under its commands while the graph is shown.
    for (QObject* object : Action(ECommand::Copy)->associatedObjects()) {
        auto* edit = qobject_cast<QMenu*>(object);
        if (!edit) continue;
        QAction* separator = edit->addSeparator();
        edit->addAction(graphView_->RetainZoomAction());
        QAction* history = edit->addMenu(graphView_->NewHistoryMenu(edit));
        graphEditEntries_ = {separator, graphView_->RetainZoomAction(), history};
        break;
    }
    OnViewSwitched(activeView_);
}

void CMainFrame::OnViewSwitched(EView view) {
    for (QAction* entry : graphEditEntries_) entry->setVisible(view == EView::Graph);
    ShowPrompt(QString());
    ViewWidget(view)->setFocus();
}

void CMainFrame::TraceStarting() {
    graphView_->OnTraceStarting();
}

void CMainFrame::ShowPrompt(const QString& text) {
    messagePane_->setText(text.isEmpty() ? "Ready" : text);
}

void CMainFrame::UpdateViewsExcept(EView except, EUpdateHint hint) {
    if (except != EView::Model) modelView_->OnUpdate(hint);
    if (except != EView::Graph) graphView_->OnUpdate(hint);
    if (except != EView::Results) resultsView_->OnUpdate(hint);
}

void CMainFrame::PrintActiveView() {
    if (activeView_ == EView::Model) return;
    QPrinter printer(QPrinter::ScreenResolution);
    SetUpPrinter(printer, QString::fromStdString(doc_->Title()));
    if (!runPrintDialog(printer, this)) return;
    QString error;
    const bool printed = activeView_ == EView::Results
                             ? PrintResultsTable(printer, resultsView_->Table(), error)
                             : PrintGraph(printer, graphView_->Graph(), error);
    if (!printed) showMessage(error, "Brelix6");
}

void CMainFrame::SaveGraphAs() {
    const std::optional<CFigureRequest> request = askFigure(this, graphView_->size());
    if (!request) return;
    QString error;
    if (!SaveGraphFigure(graphView_->Graph(), request->path, request->size, error))
        showMessage(error, "Brelix6");
}

void CMainFrame::EditColorScale() {
    CBatch& batch = doc_->Batches().Current();
    CColorScaleDialog dialog(batch.drawTools, this);
    if (dialog.exec() == QDialog::Accepted) {
        doc_->SetModified(true);
        // Rays drawn from now on take the new colours; those drawn in the old ones go.
        modelView_->PostRaySettings(batch.drawTools);
    }
    RepaintColorBars();
    modelView_->update();
}

}  // namespace brelix
