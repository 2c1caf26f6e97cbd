#pragma once

#include <QObject>
#include <QString>
#include <functional>
#include <memory>
#include <optional>

#include "app/recent_files.h"
#include "document/command_router.h"

namespace brelix {

class CBrelix6Doc;
class CMainFrame;

// What the command line asks for.
struct CAppOptions {
    bool splash = true;
    QString open;        // --open FILE: opened at start
    QString screenshot;  // --screenshot FILE: the window as a PNG, then exit
    bool trace = false;  // --trace: with --screenshot, after the trace of the opened document
    // --view VIEW: with --screenshot, the view shown: "model", "results" or "graph:KIND" with KIND 1
    // (spectral), 2 (x position) or 3 (y position).
    QString view;
    bool checkLayers = false;  // --check-layers: every layer of the current batch checked, as a click does
    QString error;       // what is wrong with the command line, if anything
};
CAppOptions ParseCommandLine(const QStringList& arguments);
// The command that shows a --view, if it names one.
std::optional<ECommand> ViewCommand(const QString& view);

// The application: one document in one main frame. The options' splash switch is used here; the caller
// opens the document the command line names, once it has set up how messages are shown. It handles New, Open, the recent files, Exit and
// About, and asks before a modified document is dropped.
class CBrelix6App : public QObject {
    Q_OBJECT
public:
    explicit CBrelix6App(const CAppOptions& options);
    // The document goes first: its trace stops while the views it draws on still exist.
    ~CBrelix6App() override;

    CMainFrame& Frame() { return *frame_; }
    CBrelix6Doc& Doc() { return *doc_; }
    // Opens a document and puts it first in the recent files; false when it could not be read.
    bool OpenDocumentFile(const QString& path);
    // Grabs the main window to a PNG; false when it could not be written.
    bool SaveScreenshot(const QString& path);

    // Asked before a modified document is dropped: QMessageBox::Save, Discard or Cancel.
    std::function<int(const QString& title)> askSave;
    // The file dialogs of Open and Save As: the path chosen, or empty when cancelled.
    std::function<QString()> askOpenFileName;
    std::function<QString(const QString& start)> askSaveFileName;

private:
    void RegisterCommands();
    void OnFileNew();
    void OnFileOpen();
    bool OnFileSave();
    bool OnFileSaveAs();
    // Offers to save a modified document; false when the user cancels.
    bool SaveModified();
    void RecentFilesChanged();

    std::unique_ptr<CMainFrame> frame_;
    std::unique_ptr<CBrelix6Doc> doc_;
    CRecentFiles recent_;
};

// The file dialogs' filters: documents keep whatever name the user gives them.
inline constexpr const char* kDocumentFilter = "Brelix documents (*.brx);;All files (*)";

}  // namespace brelix
