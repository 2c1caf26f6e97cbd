#include <QLabel>
#include <QPointer>
#include <QLineEdit>
#include <QMenuBar>
#include <QProgressBar>
#include <QPushButton>
#include <QStatusBar>
#include <QTimer>
#include <QToolBar>
#include <QtTest>
#include <sys/resource.h>

#include "app/interactive_graph_view.h"
#include "app/stop_at_dialog.h"
#include "tests/app/app_fixture.h"

using namespace brelix;
using namespace brelix::test;

class TestMainFrame : public QObject {
    Q_OBJECT

private:
    // The menu items as the user reads them: "&File/&New\tCtrl+N", separators as "-".
    static QStringList MenuLines(QMenu* menu, const QString& path) {
        QStringList lines;
        for (QAction* action : menu->actions()) {
            if (!action->isVisible()) continue;
            if (action->isSeparator()) {
                lines << path + "/-";
            } else if (action->menu()) {
                lines << MenuLines(action->menu(), path + "/" + action->text());
            } else {
                const QKeySequence key = action->shortcut();
                lines << path + "/" + action->text() + (key.isEmpty() ? "" : "\t" + key.toString());
            }
        }
        return lines;
    }

    std::unique_ptr<CTestApp> t;

private slots:
    void initTestCase() { UseTestSettings(); }
    void init() {
        QSettings().clear();
        t = std::make_unique<CTestApp>();
    }
    void cleanup() { t.reset(); }

    void commandTable() {
        QStringList lines;
        for (QAction* menu : t->Frame().menuBar()->actions()) lines << MenuLines(menu->menu(), menu->text());
        const QStringList expected = {
            "&File/&New\tCtrl+N", "&File/&Open...\tCtrl+O", "&File/&Save\tCtrl+S", "&File/Save &As...", "&File/-",
            "&File/Export Results", "&File/Save Graph &As...", "&File/-", "&File/&Print...\tCtrl+P", "&File/-",
            "&File/Recent File", "&File/-", "&File/E&xit",
            "&Edit/&Copy\tCtrl+C", "&Edit/&Paste\tCtrl+V", "&Edit/Paste w/ &Swaped Edges\tCtrl+B",
            "&View/&Model Graphic", "&View/&Graph (Under Construction)/&Spectral",
            "&View/&Graph (Under Construction)/&x Position", "&View/&Graph (Under Construction)/&y Position",
            "&View/-", "&View/&Results",
            "Draw/Draw on Raytrace", "Draw/Color Scale", "Draw/-", "Draw/Compress Z", "Draw/Compress X",
            "Draw/Compress Y",
            "Raytrace/Re-seed", "Raytrace/Stop When Finished", "Raytrace/Repeat After 1000 Trace Ops", "Raytrace/-",
            "Raytrace/Start", "Raytrace/Pause", "Raytrace/Stop",
            "Builders/Add Batch", "Builders/Edit Batch", "Builders/Delete Batch", "Builders/-",
            "Builders/Add Layer", "Builders/Edit Layer", "Builders/Delete Layer", "Builders/-",
            "Builders/Add Plane", "Builders/Edit Plane", "Builders/Delete Plane", "Builders/-",
            "Builders/Edit Edges",
            "&Help/Help &Topics", "&Help/-", "&Help/&About Brelix"};
        QCOMPARE(lines, expected);

        // Ctrl+Insert copies too; the accelerators of Cut, Undo and the panes exist and do nothing.
        QVERIFY(t->Action(ECommand::Copy)->shortcuts().contains(QKeySequence("Ctrl+Insert")));
        for (const char* key : {"Ctrl+X", "Shift+Del", "Ctrl+Z", "Alt+Backspace", "F6", "Shift+F6"}) {
            bool found = false;
            for (QAction* action : t->Frame().actions())
                if (action->shortcuts().contains(QKeySequence(key))) found = !action->isEnabled();
            QVERIFY2(found, key);
        }
        QCOMPARE(t->Action(ECommand::FileNew)->statusTip(), QString("Create a new document"));
        QCOMPARE(t->Action(ECommand::Paste)->toolTip(), QString("Paste"));

        // The toolbar: New, Open, Save | batches | layers | planes, with faces drawn by the program.
        QToolBar* toolBar = t->Frame().findChild<QToolBar*>("Toolbar");
        QStringList buttons;
        for (QAction* action : toolBar->actions()) {
            buttons << (action->isSeparator() ? "-" : action->text());
            if (!action->isSeparator()) QVERIFY(!action->icon().isNull());
        }
        QCOMPARE(buttons, QStringList({"&New", "&Open...", "&Save", "-", "Add Batch", "Delete Batch", "-",
                                       "Add Layer", "Delete Layer", "-", "Add Plane", "Delete Plane"}));
        QCOMPARE(t->Frame().toolBarArea(toolBar), Qt::TopToolBarArea);
        QCOMPARE(t->Frame().toolBarArea(t->Frame().ColorBar()), Qt::TopToolBarArea);
        QVERIFY(!t->Frame().toolBarBreak(t->Frame().ColorBar()));

        // The status bar: the message pane, the count and the progress bar of 0 to 1000.
        QVERIFY(t->Frame().statusBar()->findChild<QLabel*>() != nullptr);
        QCOMPARE(t->Frame().statusBar()->findChildren<QLabel*>().first()->text(), QString("Ready"));
        QCOMPARE(t->Frame().Progress()->maximum(), 1000);
        QCOMPARE(t->Frame().Progress()->value(), 0);
        QCOMPARE(t->Frame().TreeBar().width(), 200);
        QCOMPARE(t->Frame().dockWidgetArea(&t->Frame().TreeBar()), Qt::LeftDockWidgetArea);
        QCOMPARE(t->Frame().windowTitle(), QString("Untitled[*] - Brelix6"));
        QCOMPARE(InitialFrameGeometry(QRect(0, 0, 1600, 1200)), QRect(400, 200, 1000, 800));
        QCOMPARE(InitialFrameGeometry(QRect(0, 0, 500, 900)), QRect(125, 125, 700, 500));
    }

    // The enabling matrix after real state changes, with no menu opened in between.
    void enablingMatrix() {
        const ECommand run[] = {ECommand::Start, ECommand::Pause, ECommand::Stop};
        for (ECommand command : run) QVERIFY(!t->Enabled(command));
        QVERIFY(!t->Enabled(ECommand::ExportResults));
        QVERIFY(t->Enabled(ECommand::Reseed));
        QVERIFY(t->Enabled(ECommand::DrawOnRaytrace));
        QVERIFY(t->Action(ECommand::DrawOnRaytrace)->isChecked());
        QVERIFY(t->Action(ECommand::StopWhenFinished)->isChecked());
        // Handlers of later work: present and disabled.
        // Disabled with nothing selected, or without a handler.
        for (ECommand command : {ECommand::Copy, ECommand::EditEdges, ECommand::HelpTopics})
            QVERIFY(!t->Enabled(command));
        // Printing and figures belong to the results and graph views.
        QVERIFY(!t->Enabled(ECommand::Print));
        QVERIFY(!t->Enabled(ECommand::SaveGraphAs));
        QVERIFY(t->Enabled(ECommand::ColorScale));

        QVERIFY(t->OpenLongTrace());
        QCOMPARE(t->Frame().windowTitle(), QString("textured_cell.brx[*] - Brelix6"));
        QVERIFY(t->Enabled(ECommand::Start));
        QVERIFY(!t->Enabled(ECommand::Stop));
        QVERIFY(t->Enabled(ECommand::ExportResults));
        t->Trigger(ECommand::Start);
        QVERIFY(!t->Enabled(ECommand::Start));
        QVERIFY(t->Enabled(ECommand::Pause));
        QVERIFY(t->Enabled(ECommand::Stop));
        t->Trigger(ECommand::Pause);
        QCOMPARE(t->Action(ECommand::Pause)->text(), QString("Resume"));
        QVERIFY(!t->View().IsTraceTimerRunning());
        t->Trigger(ECommand::Pause);
        QCOMPARE(t->Action(ECommand::Pause)->text(), QString("Pause"));
        QVERIFY(t->View().IsTraceTimerRunning());
        t->Trigger(ECommand::Stop);
        QVERIFY(t->Enabled(ECommand::Start));

        // A trace that ends by itself enables Start again through the timer alone.
        QVERIFY(t->Open("planar_wafer.brx"));
        t->Trigger(ECommand::Start);
        QVERIFY(!t->Enabled(ECommand::Start));
        QTRY_VERIFY_WITH_TIMEOUT(t->Enabled(ECommand::Start), 30000);
        QVERIFY(!t->Enabled(ECommand::Stop));
        QVERIFY(!t->View().IsTraceTimerRunning());
        QCOMPARE(t->Frame().Progress()->value(), int(t->Batch().traceOps.load() / 1000 % 1000));
        QVERIFY(t->messages.isEmpty());
    }

    void viewSwitchingShowsAndHidesTheBars() {
        CMainFrame& frame = t->Frame();
        QVERIFY(frame.ColorBar()->isVisible());
        QVERIFY(!frame.LegendBar()->isVisible());
        QVERIFY(frame.ModelView().isVisible());

        t->Trigger(ECommand::Results);
        QCOMPARE(frame.ActiveView(), EView::Results);
        QVERIFY(!frame.ColorBar()->isVisible());
        QVERIFY(!frame.LegendBar()->isVisible());
        QVERIFY(frame.ViewWidget(EView::Results)->isVisible());
        QVERIFY(!frame.ModelView().isVisible());
        QVERIFY(t->Doc().IsModified());
        // The model view's commands do not reach another view.
        QVERIFY(!t->Enabled(ECommand::CompressX));
        QVERIFY(!t->Enabled(ECommand::DrawOnRaytrace));
        QVERIFY(t->Enabled(ECommand::Reseed));

        t->Trigger(ECommand::GraphX);
        QCOMPARE(frame.ActiveView(), EView::Graph);
        QVERIFY(!frame.ColorBar()->isVisible());
        QVERIFY(frame.LegendBar()->isVisible());
        QCOMPARE(frame.GraphView().CurrentGraph().kind, GraphXPosition);
        QCOMPARE(frame.GraphView().CurrentGraph().title, std::string("Position (x) Dependent Absorption"));

        t->Trigger(ECommand::ModelGraphic);
        QCOMPARE(frame.ActiveView(), EView::Model);
        QVERIFY(frame.ColorBar()->isVisible());
        QVERIFY(!frame.LegendBar()->isVisible());
        QVERIFY(frame.ModelView().isVisible());
        QVERIFY(t->Enabled(ECommand::CompressX));
        t->Trigger(ECommand::CompressX);
        QVERIFY(t->Action(ECommand::CompressX)->isChecked());
        QCOMPARE(t->Batch().drawTools.compressX, 1);
    }

    // "Stop At 1000" through the real dialog.
    void stopAtDialog() {
        QStringList warnings;
        bool stayedOpen = false;
        // Types `text` and presses OK; a refused value leaves a warning box, which is closed.
        auto answer = [&](const QString& text, bool ok) {
            QTimer::singleShot(0, [&, text, ok] {
                auto* dialog = qobject_cast<CStopAtDialog*>(QApplication::activeModalWidget());
                QVERIFY(dialog);
                QCOMPARE(dialog->windowTitle(), QString("Partial Trace Stopping Point"));
                if (!ok) {
                    dialog->reject();
                    return;
                }
                if (text == "10001") {
                    QTimer::singleShot(0, [&] {
                        auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
                        QVERIFY(box);
                        warnings << box->text();
                        box->accept();
                    });
                }
                dialog->Field()->setText(text);
                dialog->accept();
                if (text == "10001") {
                    stayedOpen = dialog->isVisible();
                    dialog->Field()->setText("500");
                    dialog->accept();
                }
            });
        };
        answer("10001", true);
        t->Trigger(ECommand::StopAt);
        QVERIFY(stayedOpen);
        QCOMPARE(warnings, QStringList({"Please enter an integer between 0 and 10000."}));
        QCOMPARE(t->Action(ECommand::StopAt)->text(), QString("Repeat After 500 Trace Ops"));
        QVERIFY(t->Action(ECommand::StopAt)->isChecked());
        QVERIFY(!t->Action(ECommand::StopWhenFinished)->isChecked());

        // Off again without a dialog; on again, and Cancel keeps the count.
        t->Trigger(ECommand::StopAt);
        QVERIFY(!t->Action(ECommand::StopAt)->isChecked());
        QVERIFY(t->Action(ECommand::StopWhenFinished)->isChecked());
        answer("7", false);
        t->Trigger(ECommand::StopAt);
        QCOMPARE(t->Action(ECommand::StopAt)->text(), QString("Repeat After 500 Trace Ops"));
        QVERIFY(t->Action(ECommand::StopAt)->isChecked());
    }

    void failedOpenKeepsTheDocument() {
        QVERIFY(t->Open("planar_wafer.brx"));
        t->Doc().SetModified(true);
        const QString title = t->Frame().windowTitle();
        const CBatch* batch = &t->Batch();
        const QString bad = QDir::temp().filePath("brelix-not-a-document.brx");
        {
            QFile file(bad);
            QVERIFY(file.open(QIODevice::WriteOnly));
            file.write("this is no document");
        }
        QVERIFY(!t->app->OpenDocumentFile(bad));
        QFile::remove(bad);
        QCOMPARE(t->messages.size(), 1);
        QVERIFY2(t->messages[0].contains("brelix-not-a-document.brx"), qPrintable(t->messages[0]));
        QCOMPARE(&t->Batch(), batch);
        QCOMPARE(QString::fromStdString(t->Doc().Path()), kExamples + "/planar_wafer.brx");
        QCOMPARE(t->Frame().windowTitle(), title);
        QVERIFY(t->Doc().IsModified());
        QVERIFY(t->Frame().isWindowModified());

        // The good file is in the recent list, the bad one is not; choosing it opens it.
        const QList<QAction*> recent = t->Frame().RecentFileActions();
        QVERIFY(recent[0]->isVisible());
        QVERIFY(!recent[1]->isVisible());
        t->Doc().New();
        recent[0]->trigger();
        QCOMPARE(t->Batch().name, std::string("Wafer"));
    }

    // A key pressed while the splash window shows closes it and does nothing else.
    void splashSwallowsTheFirstKey() {
        t.reset();
        t = std::make_unique<CTestApp>(true);
        QPointer<QWidget> splash;
        for (QWidget* widget : QApplication::topLevelWidgets())
            if (widget->windowType() == Qt::SplashScreen) splash = widget;
        QVERIFY(splash && splash->isVisible());
        QTest::keyClick(&t->View(), Qt::Key_Home);
        QVERIFY(!splash || !splash->isVisible());
        QCOMPARE(t->Batch().drawTools.rotation, 0.0);
        QTest::keyClick(&t->View(), Qt::Key_Home);
        QCOMPARE(t->Batch().drawTools.rotation, -0.08726666666666666);
    }

    void commandLine() {
        const CAppOptions plain = ParseCommandLine({"brelix", "cell.brx"});
        QVERIFY(plain.splash);
        QVERIFY(plain.open.isEmpty());  // a bare file name is not opened
        QVERIFY(plain.error.isEmpty());
        const CAppOptions all =
            ParseCommandLine({"brelix", "--no-splash", "--open", "a b.brx", "--screenshot", "x.png", "--trace"});
        QVERIFY(!all.splash);
        QCOMPARE(all.open, QString("a b.brx"));
        QCOMPARE(all.screenshot, QString("x.png"));
        QVERIFY(all.trace);
        QVERIFY(!ParseCommandLine({"brelix", "--open"}).error.isEmpty());
        QVERIFY(!ParseCommandLine({"brelix", "--trace"}).error.isEmpty());

        // The view a screenshot shows, and the layers it checks.
        const CAppOptions graph =
            ParseCommandLine({"brelix", "--screenshot", "g.png", "--view", "graph:2", "--check-layers"});
        QVERIFY(graph.error.isEmpty());
        QVERIFY(graph.checkLayers);
        QCOMPARE(ViewCommand(graph.view), std::optional(ECommand::GraphX));
        QCOMPARE(ViewCommand("results"), std::optional(ECommand::Results));
        QCOMPARE(ParseCommandLine({"brelix", "--screenshot", "g.png", "--view", "graph:4"}).error,
                 QString("--view graph:4: the views are model, results, graph:1, graph:2 and graph:3."));
        QCOMPARE(ParseCommandLine({"brelix", "--view", "results"}).error,
                 QString("--view goes with --screenshot."));
        QVERIFY(!ParseCommandLine({"brelix", "--screenshot", "g.png", "--view"}).error.isEmpty());
    }

    // With a document open and nothing running, the interface uses no processor time to speak of.
    void idleUsesNoProcessor() {
        QVERIFY(t->Open("textured_cell.brx"));
        QTest::qWait(100);
        auto cpu = [] {
            rusage usage{};
            getrusage(RUSAGE_SELF, &usage);
            return usage.ru_utime.tv_sec + usage.ru_stime.tv_sec +
                   (usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
        };
        const double before = cpu();
        QEventLoop loop;
        QTimer::singleShot(2000, &loop, &QEventLoop::quit);
        loop.exec();
        const double used = cpu() - before;
        QVERIFY2(used < 0.04, qPrintable(QString("%1 s of processor time in 2 s idle").arg(used)));
    }
};

QTEST_MAIN(TestMainFrame)
#include "frame_test.moc"
