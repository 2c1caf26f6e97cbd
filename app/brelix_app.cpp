#include "app/brelix_app.h"

#include <QApplication>
#include <QFileDialog>
#include <QMessageBox>
#include <QScreen>

#include "app/main_frame.h"
#include "app/splash_window.h"
#include "app/model_view.h"
#include "document/brelix_doc.h"

namespace brelix {

CAppOptions ParseCommandLine(const QStringList& arguments) {
    CAppOptions options;
    for (int i = 1; i < arguments.size(); ++i) {
        const QString& arg = arguments[i];
        if (arg == "--no-splash") {
            options.splash = false;
        } else if (arg == "--trace") {
            options.trace = true;
        } else if (arg == "--check-layers") {
            options.checkLayers = true;
        } else if (arg == "--open" || arg == "--screenshot" || arg == "--view") {
            if (i + 1 == arguments.size()) {
                options.error = arg + (arg == "--view" ? " needs a view." : " needs a file name.");
                break;
            }
            QString& value = arg == "--open" ? options.open : arg == "--view" ? options.view : options.screenshot;
            value = arguments[++i];
        }
        // Anything else, a bare file name too, is not used: documents are opened with --open.
    }
    if (options.error.isEmpty() && !options.view.isEmpty() && !ViewCommand(options.view))
        options.error =
            "--view " + options.view + ": the views are model, results, graph:1, graph:2 and graph:3.";
    const std::pair<bool, const char*> needScreenshot[] = {
        {options.trace, "--trace"}, {!options.view.isEmpty(), "--view"}, {options.checkLayers, "--check-layers"}};
    for (const auto& [set, name] : needScreenshot) {
        if (set && options.screenshot.isEmpty() && options.error.isEmpty())
            options.error = QString(name) + " goes with --screenshot.";
    }
    return options;
}

std::optional<ECommand> ViewCommand(const QString& view) {
    if (view == "model") return ECommand::ModelGraphic;
    if (view == "results") return ECommand::Results;
    if (view == "graph:1") return ECommand::GraphSpectral;
    if (view == "graph:2") return ECommand::GraphX;
    if (view == "graph:3") return ECommand::GraphY;
    return std::nullopt;
}

CBrelix6App::CBrelix6App(const CAppOptions& options) {
    // Dialogs in light grey with black text.
    QPalette dialogs = QApplication::palette();
    dialogs.setColor(QPalette::Window, QColor(192, 192, 192));
    dialogs.setColor(QPalette::WindowText, Qt::black);
    QApplication::setPalette(dialogs, "QDialog");
    frame_ = std::make_unique<CMainFrame>();
    doc_ = std::make_unique<CBrelix6Doc>(*frame_);
    frame_->Attach(*doc_);
    askSave = [this](const QString& title) {
        return QMessageBox::question(frame_.get(), "Brelix6", "Save changes to " + title + "?",
                                     QMessageBox::Save | QMessageBox::Discard | QMessageBox::Cancel);
    };
    askOpenFileName = [this] {
        return QFileDialog::getOpenFileName(frame_.get(), "Open", QString(), kDocumentFilter);
    };
    askSaveFileName = [this](const QString& start) {
        return QFileDialog::getSaveFileName(frame_.get(), "Save As", start, kDocumentFilter);
    };
    frame_->canClose = [this] {
        if (!SaveModified()) return false;
        doc_->Close();
        return true;
    };
    frame_->onRecentFile = [this](const QString& path) {
        if (SaveModified()) OpenDocumentFile(path);
    };
    RegisterCommands();
    RecentFilesChanged();
    doc_->New();
    frame_->RebuildTree();
    frame_->show();
    if (options.splash) {
        // Deletes itself when dismissed.
        auto* splash = new CSplashWindow(frame_.get());
        splash->show();
    }
    if (const QScreen* screen = frame_->screen()) {
        QRect frame = frame_->frameGeometry();
        frame.moveCenter(screen->availableGeometry().center());
        frame_->move(frame.topLeft());
    }
}

CBrelix6App::~CBrelix6App() {
    doc_.reset();
    frame_.reset();
}

void CBrelix6App::RegisterCommands() {
    CCommandRouter& router = frame_->Router();
    router.Register(ECommand::FileNew, ETarget::Application, [this] { OnFileNew(); });
    router.Register(ECommand::FileOpen, ETarget::Application, [this] { OnFileOpen(); });
    router.Register(ECommand::FileSave, ETarget::Document, [this] { OnFileSave(); });
    router.Register(ECommand::FileSaveAs, ETarget::Document, [this] { OnFileSaveAs(); });
    router.Register(ECommand::Exit, ETarget::Application, [this] { frame_->close(); });
    router.Register(ECommand::About, ETarget::Application, [this] {
        QMessageBox::about(frame_.get(), "About Brelix",
                           "<b>Brelix6</b><br>Version " BRELIX_VERSION
                           "<br><br>Monte Carlo ray tracing of layered, textured optical structures.");
    });
}

bool CBrelix6App::SaveModified() {
    if (!doc_->IsModified()) return true;
    switch (askSave(QString::fromStdString(doc_->Title()))) {
        case QMessageBox::Save: return OnFileSave();
        case QMessageBox::Discard: return true;
        default: return false;
    }
}

void CBrelix6App::OnFileNew() {
    if (SaveModified()) doc_->New();
}

void CBrelix6App::OnFileOpen() {
    if (!SaveModified()) return;
    const QString path = askOpenFileName();
    if (!path.isEmpty()) OpenDocumentFile(path);
}

bool CBrelix6App::OpenDocumentFile(const QString& path) {
    if (!doc_->Open(path.toStdString())) {
        recent_.Remove(path);
        RecentFilesChanged();
        return false;
    }
    recent_.Add(path);
    RecentFilesChanged();
    return true;
}

bool CBrelix6App::OnFileSave() {
    if (doc_->Path().empty()) return OnFileSaveAs();
    return doc_->Save(doc_->Path());
}

bool CBrelix6App::OnFileSaveAs() {
    const QString start = doc_->Path().empty() ? QString("Brelix") : QString::fromStdString(doc_->Path());
    const QString path = askSaveFileName(start);
    if (path.isEmpty() || !doc_->Save(path.toStdString())) return false;
    recent_.Add(path);
    RecentFilesChanged();
    return true;
}

void CBrelix6App::RecentFilesChanged() { frame_->SetRecentFiles(recent_.List()); }

bool CBrelix6App::SaveScreenshot(const QString& path) { return frame_->grab().save(path, "PNG"); }

}  // namespace brelix
