#pragma once

// What the desktop application's tests share: an application without splash whose messages are
// collected instead of shown, and that never asks to save.

#include <QAction>
#include <QMessageBox>
#include <QSettings>
#include <QStandardPaths>
#include <QStringList>
#include <QTemporaryDir>
#include <QTest>
#include <memory>

#include "app/brelix_app.h"
#include "app/model_tree_bar.h"
#include "app/main_frame.h"
#include "app/model_view.h"
#include "document/brelix_doc.h"

namespace brelix::test {

inline const QString kExamples = BRELIX_EXAMPLES;

// Settings go to a folder of this test program's own, not the user's: test programs run side by
// side, and one program's recent files must not show up in another's menu.
inline void UseTestSettings() {
    static QTemporaryDir folder;
    QStandardPaths::setTestModeEnabled(true);
    QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, folder.path());
    QCoreApplication::setOrganizationName("BrelixTests");
    QCoreApplication::setApplicationName("Brelix6");
}

// Counts the paint events a widget gets from when it is made, after the ones already pending.
class CPaintCounter : public QObject {
public:
    explicit CPaintCounter(QWidget& widget) : widget_(widget) {
        QCoreApplication::processEvents();
        widget_.installEventFilter(this);
    }
    ~CPaintCounter() override { widget_.removeEventFilter(this); }
    bool eventFilter(QObject*, QEvent* event) override {
        paints += event->type() == QEvent::Paint;
        return false;
    }
    int paints = 0;

private:
    QWidget& widget_;
};

class CTestApp {
public:
    explicit CTestApp(bool splash = false) {
        CAppOptions options;
        options.splash = splash;
        app = std::make_unique<CBrelix6App>(options);
        Frame().showMessage = [this](const QString& text, const QString&) { messages << text; };
        app->askSave = [](const QString&) { return int(QMessageBox::Discard); };
    }

    CMainFrame& Frame() { return app->Frame(); }
    CBrelix6Doc& Doc() { return app->Doc(); }
    CBrelix6View& View() { return Frame().ModelView(); }
    CBatch& Batch() { return Doc().Batches().Current(); }
    QAction* Action(ECommand command) { return Frame().Action(command); }
    bool Enabled(ECommand command) { return Action(command)->isEnabled(); }
    void Trigger(ECommand command) { Action(command)->trigger(); }
    bool Open(const QString& name) { return app->OpenDocumentFile(kExamples + "/" + name); }
    // The textured cell with 5000 source rays, so that its trace runs long enough to be interrupted.
    bool OpenLongTrace() {
        if (!Open("textured_cell.brx")) return false;
        Batch().xSweep = {0, 9.99, 0.01, 0};
        return true;
    }

    std::unique_ptr<CBrelix6App> app;
    QStringList messages;
};

}  // namespace brelix::test
