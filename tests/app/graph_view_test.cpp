#include <QClipboard>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QPrinter>
#include <QProcess>
#include <QSettings>
#include <QStatusBar>
#include <QTemporaryDir>
#include <QTimer>
#include <QTreeWidget>
#include <QtTest>
#include <clocale>

#include "app/interactive_graph_view.h"
#include "app/model_tree_bar.h"
#include "tests/app/app_fixture.h"

using namespace brelix;
using namespace brelix::test;

// The graph view driven as a user drives it: tree clicks check the layers, the View menu shows the graph,
// real mouse events (drags carry their buttons) and keys zoom it, the Edit menu, the context menu and Ctrl+C
// reach its commands.
class TestGraphView : public QObject {
    Q_OBJECT

  private:
    std::unique_ptr<CTestApp> t;
    QTemporaryDir dir_;

    CInteractiveGraphView& Graph() { return t->Frame().GraphView(); }
    const CInteractiveGraph& Logic() { return Graph().Graph(); }
    CPlotFrame Frame() { return *Logic().Frame(); }
    QString Status() { return t->Frame().statusBar()->findChildren<QLabel*>().first()->text(); }

    void ClickTree(CTreeCode code) {
        CModelTreeCtrl& tree = t->Frame().TreeBar().Tree();
        QTreeWidgetItem* item = tree.FindItem(code);
        QVERIFY(item);
        tree.scrollToItem(item);
        QTest::mouseClick(tree.viewport(), Qt::LeftButton, {}, tree.visualItemRect(item).center());
    }

    // The wavelength sweep with the given tree items clicked, traced, and its spectral graph shown.
    void ShowTracedGraph(std::vector<CTreeCode> clicks = {{0, 0, -1, false}, {0, 1, -1, false}}) {
        QVERIFY(t->Open("wavelength_sweep.brx"));
        t->Frame().TreeBar().Tree().expandAll();
        for (const CTreeCode& code : clicks) ClickTree(code);
        Trace();
        t->Trigger(ECommand::GraphSpectral);
        Painted();
    }
    void Trace() {
        t->Trigger(ECommand::Start);
        QTRY_VERIFY_WITH_TIMEOUT(!t->View().IsTraceTimerRunning(), 30000);
    }
    // The window paints what the graph now shows; later events map pixels through that picture.
    void Painted() {
        QApplication::processEvents();
        Graph().repaint();
    }
    QImage Picture() { return Graph().grab().toImage().convertToFormat(QImage::Format_RGB32); }

    void Mouse(QEvent::Type type, QPoint at, Qt::MouseButton button, Qt::MouseButtons buttons,
               Qt::KeyboardModifiers modifiers = Qt::NoModifier) {
        QMouseEvent event(type, QPointF(at), QPointF(Graph().mapToGlobal(at)), button, buttons, modifiers);
        QApplication::sendEvent(&Graph(), &event);
    }
    void Press(QPoint at) { Mouse(QEvent::MouseButtonPress, at, Qt::LeftButton, Qt::LeftButton); }
    void MoveTo(QPoint at) { Mouse(QEvent::MouseMove, at, Qt::NoButton, Qt::LeftButton); }
    void Release(QPoint at) { Mouse(QEvent::MouseButtonRelease, at, Qt::LeftButton, Qt::NoButton); }
    void Drag(QPoint from, QPoint to) {
        Press(from);
        MoveTo((from + to) / 2);
        MoveTo(to);
        Release(to);
        Painted();
    }
    // A point a fraction of the way across and down the plot.
    QPoint At(double fx, double fy) {
        const CRect p = Frame().plot;
        return QPoint(p.left + int(fx * p.Width()), p.top + int(fy * p.Height()));
    }
    void Key(int key, Qt::KeyboardModifiers modifiers = Qt::NoModifier) {
        QTest::keyClick(&Graph(), Qt::Key(key), modifiers);
        Painted();
    }

    // "Copy Graph Data" written independently of the graph: "%g" through Qt's own number formatting.
    QString ExpectedCopy(const std::string& title) {
        const CViewRange& r = Logic().Range();
        const CGraphData& data = Logic().Data();
        QString text = QString::fromStdString(title) + "\r\n\r\n";
        for (size_t i = 0; i < data.x.size(); ++i) {
            if (data.x[i] < r.xLow || data.x[i] > r.xHigh) continue;
            text += QString::number(data.x[i], 'g', 6);
            for (const CGraphSeries& series : data.series)
                text += "\t" + QString::number(series.y[i], 'g', 6);
            text += "\r\n";
        }
        return text;
    }
    static QString PdfText(const QString& path) {
        QProcess process;
        process.start("pdftotext", {path, "-"});
        if (!process.waitForFinished(30000) || process.exitCode() != 0) return {};
        return QString::fromUtf8(process.readAllStandardOutput());
    }

  private slots:
    void initTestCase() {
        UseTestSettings();
        QVERIFY(dir_.isValid());
    }
    void init() {
        QSettings().clear();
        t = std::make_unique<CTestApp>();
        t->Frame().resize(1000, 750);
    }
    void cleanup() { t.reset(); }

    // The checked layers and planes, in model order, are the series; their names go to the legend.
    void seriesOfTheCheckedItems() {
        ShowTracedGraph({{0, 1, -1, false}, {0, 0, -1, false}, {0, 1, 1, false}});
        QCOMPARE(t->Frame().ActiveView(), EView::Graph);
        const CGraphData& data = Logic().Data();
        QCOMPARE(data.x.size(), size_t(37));
        QCOMPARE(data.x.front(), 300.0);
        QCOMPARE(data.x.back(), 1200.0);
        QCOMPARE(data.series.size(), size_t(3));
        const std::vector<std::string> names = {"Air above", "Wafer", "Rear"};
        QCOMPARE(t->Frame().LegendBox().Names(), names);
        const CGraph& graph = Graph().CurrentGraph();
        QCOMPARE(graph.SeriesCount(), 3);
        QCOMPARE(graph.seriesTypes[1], int32_t(SeriesLayer));
        QCOMPARE(graph.seriesTypes[2], int32_t(SeriesPlane));
        // The wafer's absorption is the results table's.
        QCOMPARE(data.series[1].y[0], CResultRecord::Load(t->Batch().model[1].results[0].absorbed));
        QCOMPARE(Logic().Range().xLow, 300.0);
        QCOMPARE(Logic().Range().xHigh, 1200.0);

        // A click in the tree while the graph is shown adds the item's series, in the zoom the user chose.
        Drag(At(0.2, 0.2), At(0.8, 0.8));
        const CViewRange zoomed = Logic().Range();
        ClickTree({0, 2, -1, false});
        QCOMPARE(Logic().Data().series.size(), size_t(4));
        QCOMPARE(t->Frame().LegendBox().Names().back(), std::string("Air below"));
        QVERIFY(Logic().Range() == zoomed);
    }

    // The commands the graph view brings, and how they leave with it.
    void commandsWhileTheGraphIsShown() {
        ShowTracedGraph();
        QCOMPARE(t->Action(ECommand::Copy)->text(), QString("&Copy Graph Data"));
        QCOMPARE(t->Action(ECommand::Copy)->shortcut(), QKeySequence("Ctrl+C"));
        QVERIFY(t->Enabled(ECommand::Copy));
        QVERIFY(t->Enabled(ECommand::Print));
        QVERIFY(t->Enabled(ECommand::SaveGraphAs));
        QMenu* edit = nullptr;
        for (QAction* menu : t->Frame().menuBar()->actions())
            if (menu->text() == "&Edit") edit = menu->menu();
        QVERIFY(edit);
        QStringList shown;
        for (QAction* action : edit->actions())
            if (action->isVisible()) shown << (action->isSeparator() ? "-" : action->text());
        QCOMPARE(shown, QStringList({"&Copy Graph Data", "&Paste", "Paste w/ &Swaped Edges", "-",
                                     "Retain Zoom", "History"}));

        t->Trigger(ECommand::ModelGraphic);
        QCOMPARE(t->Action(ECommand::Copy)->text(), QString("&Copy"));
        QVERIFY(!t->Enabled(ECommand::SaveGraphAs));
        shown.clear();
        for (QAction* action : edit->actions())
            if (action->isVisible()) shown << action->text();
        QCOMPARE(shown, QStringList({"&Copy", "&Paste", "Paste w/ &Swaped Edges"}));
    }

    // A drag from A to B zooms to data(A)..data(B); the status line tells what a release will do.
    void dragZoomsToTheBand() {
        ShowTracedGraph();
        const CPlotFrame f = Frame();
        const QPoint a = At(0.2, 0.3), b = At(0.7, 0.8);
        Press(a);
        MoveTo(a + QPoint(2, 2));
        QCOMPARE(Status().left(35), QString("Release mouse button to cancel zoom"));
        MoveTo(b);
        QVERIFY2(Status().startsWith("Release mouse button to zoom into selected region    Selection:("),
                 qPrintable(Status()));
        Release(b);
        Painted();
        QCOMPARE(Status(), QString("Ready"));
        QCOMPARE(Logic().ZoomDepth(), 1);
        const CViewRange& r = Logic().Range();
        const double xPixel = f.DataX(1) - f.DataX(0), yPixel = f.DataY(0) - f.DataY(1);
        QVERIFY(std::abs(r.xLow - f.DataX(a.x())) <= xPixel);
        QVERIFY(std::abs(r.xHigh - f.DataX(b.x())) <= xPixel);
        QVERIFY(std::abs(r.yHigh - f.DataY(a.y())) <= yPixel);
        QVERIFY(std::abs(r.yLow - f.DataY(b.y())) <= yPixel);

        // A click without a drag does not zoom: it puts the cursor on the nearest point.
        Press(At(0.5, 0.5));
        Release(At(0.5, 0.5));
        QCOMPARE(Logic().ZoomDepth(), 1);
        QVERIFY(Logic().Cursor().has_value());
        QVERIFY2(Status().contains(":(") && Status().contains(QChar('.')), qPrintable(Status()));
    }

    // A band dragged past an edge reaches one percent beyond it.
    void aBandAtAnEdgeTakesTheMargin() {
        ShowTracedGraph();
        const CPlotFrame f = Frame();
        const CRect& p = f.plot;
        const QPoint inside = At(0.5, 0.5);
        Drag(inside, QPoint(p.right + 40, p.bottom + 40));
        const CViewRange& r = Logic().Range();
        const double xPixel = f.DataX(1) - f.DataX(0), yPixel = f.DataY(0) - f.DataY(1);
        QVERIFY(r.xHigh > f.DataX(p.right) + xPixel / 2);
        QVERIFY(std::abs(r.xHigh - f.DataX(p.right + p.Width() / 100)) <= xPixel);
        QVERIFY(std::abs(r.yLow - f.DataY(p.bottom + p.Height() / 100)) <= yPixel);
        QVERIFY(std::abs(r.xLow - f.DataX(inside.x())) <= xPixel);
    }

    // Eleven zooms still zoom; eleven Escapes step back to the first range, the last with nothing left to
    // undo.
    void elevenZoomsAndElevenEscapes() {
        ShowTracedGraph();
        const CViewRange first = Logic().Range();
        std::vector<CViewRange> ranges;
        for (int i = 0; i < 11; ++i) {
            Drag(At(0.25, 0.25), At(0.75, 0.75));
            ranges.push_back(Logic().Range());
            QVERIFY(!(ranges.back() == (i ? ranges[i - 1] : first)));
        }
        QCOMPARE(Logic().ZoomDepth(), 10);
        for (int i = 0; i < 11; ++i) Key(Qt::Key_Escape);
        QCOMPARE(Logic().ZoomDepth(), 0);
        QVERIFY(Logic().Range() == first);
        // The right button steps out as Escape does.
        Drag(At(0.1, 0.1), At(0.9, 0.9));
        Mouse(QEvent::MouseButtonPress, At(0.5, 0.5), Qt::RightButton, Qt::RightButton);
        Mouse(QEvent::MouseButtonRelease, At(0.5, 0.5), Qt::RightButton, Qt::NoButton);
        QVERIFY(Logic().Range() == first);
    }

    // The band inverts the pixels of its outline; drawn again (Escape) it leaves the picture as it was.
    void theBandDrawnTwiceRestoresThePicture() {
        ShowTracedGraph();
        const QImage before = Picture();
        const QPoint a = At(0.25, 0.25), b = At(0.75, 0.6);
        Press(a);
        MoveTo(b);
        const QImage during = Picture();
        int inverted = 0, other = 0;
        for (int y = 0; y < before.height(); ++y)
            for (int x = 0; x < before.width(); ++x) {
                const bool onOutline = ((x == a.x() || x == b.x()) && y >= a.y() && y <= b.y()) ||
                                       ((y == a.y() || y == b.y()) && x >= a.x() && x <= b.x());
                const QRgb was = before.pixel(x, y), is = during.pixel(x, y);
                if (onOutline)
                    inverted += is == (~was | 0xff000000);
                else
                    other += is != was;
            }
        QCOMPARE(inverted, 2 * (b.x() - a.x() + 1) + 2 * (b.y() - a.y() - 1));
        QCOMPARE(other, 0);
        Key(Qt::Key_Escape);
        QCOMPARE(Logic().ZoomDepth(), 0);
        QVERIFY(Picture() == before);
    }

    // "Copy Graph Data" through Ctrl+C while the graph is shown: the visible points as text.
    void copyGraphData() {
        ShowTracedGraph();
        Drag(At(0.3, 0.05), At(0.6, 0.95));
        QGuiApplication::clipboard()->clear();
        QTest::keyClick(&Graph(), Qt::Key_C, Qt::ControlModifier);
        const QString copied = QGuiApplication::clipboard()->text();
        QCOMPARE(copied, ExpectedCopy("Wavelength Dependent Absorption"));
        const int lines = int(copied.count("\r\n"));
        QVERIFY(lines > 4 && lines < 2 + 37);
        QVERIFY(copied.contains("\t0."));

        // No series checked: the title, a blank line and the wavelengths.
        t->Doc().New();
        ShowTracedGraph({});
        t->Trigger(ECommand::Copy);
        QString wavelengths = "Wavelength Dependent Absorption\r\n\r\n";
        for (int w = 300; w <= 1200; w += 25) wavelengths += QString::number(w) + "\r\n";
        QCOMPARE(QGuiApplication::clipboard()->text(), wavelengths);
    }

    // Under a locale with a decimal comma the copied numbers keep their decimal points.
    void copiedNumbersUnderAGermanLocale() {
        ShowTracedGraph();
        if (!std::setlocale(LC_ALL, "de_DE.UTF-8"))
            QSKIP(
                "The locale de_DE.UTF-8 is not installed (Debian: localedef -i de_DE -f UTF-8 de_DE.UTF-8)");
        t->Trigger(ECommand::Copy);
        Key(Qt::Key_Home);
        Key(Qt::Key_Up);
        const QString status = Status();
        std::setlocale(LC_ALL, "C");
        const QString copied = QGuiApplication::clipboard()->text();
        QCOMPARE(copied, ExpectedCopy("Wavelength Dependent Absorption"));
        QVERIFY(!copied.contains(','));
        QVERIFY2(QRegularExpression("^Wafer:\\(300,0\\.\\d+\\)$").match(status).hasMatch(),
                 qPrintable(status));
    }

    // The keyboard: cursor keys walk the points, Enter draws a band the cursor widens and zooms to it.
    void keyboardBand() {
        ShowTracedGraph();
        Key(Qt::Key_End);
        QVERIFY2(Status().startsWith("Air above:(1200,"), qPrintable(Status()));
        Key(Qt::Key_Up);
        QVERIFY2(Status().startsWith("Wafer:(1200,"), qPrintable(Status()));
        Key(Qt::Key_Home);
        Key(Qt::Key_Right, Qt::ControlModifier);
        QVERIFY2(Status().startsWith("Wafer:(550,"), qPrintable(Status()));
        Key(Qt::Key_Return);
        QCOMPARE(
            Status(),
            QString("Use cursor keys to select a region to zoom in    Selection:(") +
                Status().mid(int(strlen("Use cursor keys to select a region to zoom in    Selection:("))));
        for (int i = 0; i < 8; ++i) Key(Qt::Key_Right);
        Key(Qt::Key_Enter);
        QCOMPARE(Logic().ZoomDepth(), 1);
        QVERIFY(Logic().Range().xLow > 540 && Logic().Range().xHigh < 760);
    }

    // "Retain Zoom" is kept in the settings, written when changed and when the view goes, read when it is
    // made; on, a new graph of the same kind keeps the zoomed range.
    void retainZoomIsKept() {
        QVERIFY(!Graph().RetainZoom());
        ShowTracedGraph();
        Drag(At(0.2, 0.2), At(0.8, 0.8));
        const CViewRange zoomed = Logic().Range();
        t->Trigger(ECommand::GraphSpectral);
        QVERIFY(!(Logic().Range() == zoomed));

        Drag(At(0.2, 0.2), At(0.8, 0.8));
        const CViewRange again = Logic().Range();
        Graph().RetainZoomAction()->trigger();
        QVERIFY(Graph().RetainZoom());
        QCOMPARE(QSettings().value("Interactive Graph/Retain Zoom").toInt(), 1);
        t->Trigger(ECommand::GraphSpectral);
        QVERIFY(Logic().Range() == again);

        t.reset();
        QCOMPARE(QSettings().value("Interactive Graph/Retain Zoom").toInt(), 1);
        t = std::make_unique<CTestApp>();
        QVERIFY(Graph().RetainZoom());
        QVERIFY(Graph().RetainZoomAction()->isChecked());
        Graph().RetainZoomAction()->trigger();
        t.reset();
        QCOMPARE(QSettings().value("Interactive Graph/Retain Zoom").toInt(), 0);
        t = std::make_unique<CTestApp>();
        QVERIFY(!Graph().RetainZoom());
    }

    // A trace of the batch shown keeps the plot before it as "Previous simulation #N - NAME", newest first
    // in the History menu; choosing one shows it under that title until the next graph command.
    void historyOfEarlierResults() {
        ShowTracedGraph();
        QCOMPARE(Graph().History().Count(), size_t(0));
        const CGraphData first = Logic().Data();
        t->Batch().seed = 7;
        Trace();
        QCOMPARE(Graph().History().Count(), size_t(1));
        QCOMPARE(Graph().History()[0].data.series[1].y, first.series[1].y);
        t->Batch().name = "Second";
        Trace();
        QCOMPARE(Graph().History().Count(), size_t(2));

        std::unique_ptr<QMenu> menu(Graph().NewHistoryMenu(nullptr));
        emit menu->aboutToShow();
        QStringList titles;
        for (QAction* action : menu->actions()) titles << action->text();
        QCOMPARE(titles, QStringList({"Previous simulation #2 - Second", "Previous simulation #1 - Sweep"}));
        menu->actions()[1]->trigger();
        Painted();
        QVERIFY(Logic().CopyText().starts_with("Previous simulation #1 - Sweep\r\n\r\n"));
        QCOMPARE(Logic().Data().series[1].y, first.series[1].y);
        // The refresh of a trace's tick leaves it shown; the next graph command shows the batch again.
        Graph().OnUpdate(HintRedraw);
        QVERIFY(Logic().CopyText().starts_with("Previous simulation #1"));
        t->Trigger(ECommand::GraphSpectral);
        QVERIFY(Logic().CopyText().starts_with("Wavelength Dependent Absorption\r\n"));
    }

    // While a trace runs the tick refreshes the data; the range and zoom steps stay.
    void refreshKeepsTheZoom() {
        QVERIFY(t->OpenLongTrace());
        t->Frame().TreeBar().Tree().expandAll();
        ClickTree({0, 1, -1, false});
        t->Trigger(ECommand::GraphX);
        Painted();
        t->Trigger(ECommand::Start);
        QTRY_VERIFY_WITH_TIMEOUT(Logic().Data().x.size() > 10, 30000);
        Painted();
        Drag(At(0.1, 0.1), At(0.9, 0.9));
        const CViewRange zoomed = Logic().Range();
        const std::vector<double> before = Logic().Data().series[0].y;
        QTRY_VERIFY_WITH_TIMEOUT(Logic().Data().series[0].y != before, 30000);
        QVERIFY(t->Batch().tracing.load() != 0);
        QVERIFY(Logic().Range() == zoomed);
        QCOMPARE(Logic().ZoomDepth(), 1);
        t->Trigger(ECommand::Stop);
    }

    // The right button at the outermost range opens the context menu with the graph's commands.
    void contextMenu() {
        ShowTracedGraph();
        QStringList items;
        QTimer::singleShot(0, [&] {
            auto* menu = qobject_cast<QMenu*>(QApplication::activePopupWidget());
            QVERIFY(menu);
            for (QAction* action : menu->actions()) items << (action->isSeparator() ? "-" : action->text());
            menu->close();
        });
        Mouse(QEvent::MouseButtonPress, At(0.5, 0.5), Qt::RightButton, Qt::RightButton);
        Mouse(QEvent::MouseButtonRelease, At(0.5, 0.5), Qt::RightButton, Qt::NoButton);
        QCOMPARE(items, QStringList({"&Copy Graph Data", "Retain Zoom", "History", "-", "Save Graph &As...",
                                     "&Print..."}));
        // From the keyboard too.
        items.clear();
        QTimer::singleShot(0, [&] {
            auto* menu = qobject_cast<QMenu*>(QApplication::activePopupWidget());
            QVERIFY(menu);
            items << menu->actions().first()->text();
            menu->close();
        });
        QContextMenuEvent event(QContextMenuEvent::Keyboard, QPoint(10, 10),
                                Graph().mapToGlobal(QPoint(10, 10)));
        QApplication::sendEvent(&Graph(), &event);
        QCOMPARE(items, QStringList({"&Copy Graph Data"}));
    }

    // "Save Graph As...": a PNG of the size asked for, or a vector PDF page of its proportions; a file that
    // cannot be written, or a name of another kind, is refused with the reason.
    void savesFigures() {
        ShowTracedGraph();
        CFigureRequest request{dir_.filePath("graph.png"), QSize(640, 480)};
        t->Frame().askFigure = [&](QWidget*, QSize suggested) {
            if (suggested != Graph().size()) qWarning("the size offered is not the window's");
            return std::optional(request);
        };
        t->Trigger(ECommand::SaveGraphAs);
        QVERIFY(t->messages.isEmpty());
        const QImage png(request.path);
        QCOMPARE(png.size(), QSize(640, 480));
        int green = 0;
        for (int y = 0; y < png.height(); ++y)
            for (int x = 0; x < png.width(); ++x) green += png.pixel(x, y) == qRgb(0, 255, 0);
        QVERIFY(green > 100);  // the wafer's line

        request = {dir_.filePath("graph.pdf"), QSize(800, 600)};
        t->Trigger(ECommand::SaveGraphAs);
        QVERIFY(t->messages.isEmpty());
        QFile pdf(request.path);
        QVERIFY(pdf.open(QIODevice::ReadOnly));
        const QByteArray bytes = pdf.readAll();
        QVERIFY(bytes.startsWith("%PDF-"));
        QVERIFY(!bytes.contains("/Subtype /Image"));  // lines and text, not a picture of them
        QVERIFY(bytes.contains("/MediaBox [0 0 600.000000 450.000000]"));
        const QString text = PdfText(request.path);
        QVERIFY2(text.contains("Wavelength Dependent Absorption") && text.contains("Wavelength (nm)"),
                 qPrintable(text));

        const QDateTime written = QFileInfo(request.path).lastModified();
        request = {"/no/such/folder/graph.png", QSize(640, 480)};
        t->Trigger(ECommand::SaveGraphAs);
        QCOMPARE(t->messages.size(), 1);
        QVERIFY2(t->messages[0].startsWith("Could not write /no/such/folder/graph.png:\n"),
                 qPrintable(t->messages[0]));
        request = {dir_.filePath("graph.jpg"), QSize(640, 480)};
        t->Trigger(ECommand::SaveGraphAs);
        QCOMPARE(t->messages.value(1),
                 dir_.filePath("graph.jpg") +
                     " was not written: a graph is saved as a .png image or a .pdf document.");
        request = {dir_.filePath("graph.pdf"), QSize(20, 480)};
        t->Trigger(ECommand::SaveGraphAs);
        QVERIFY(t->messages.value(2).contains("100 to 10000 pixels"));
        QCOMPARE(QFileInfo(request.path).lastModified(), written);
        QVERIFY(!QFile::exists(dir_.filePath("graph.jpg")));
        QCOMPARE(t->Frame().ActiveView(), EView::Graph);
    }

    // "Print..." of the graph: one page with the plot.
    void printsTheGraph() {
        ShowTracedGraph();
        const QString path = dir_.filePath("printed-graph.pdf");
        t->Frame().runPrintDialog = [&](QPrinter& printer, QWidget*) {
            printer.setOutputFormat(QPrinter::PdfFormat);
            printer.setOutputFileName(path);
            return true;
        };
        t->Trigger(ECommand::Print);
        QVERIFY(t->messages.isEmpty());
        QFile file(path);
        QVERIFY(file.open(QIODevice::ReadOnly));
        QVERIFY(file.read(5) == "%PDF-");
        const QString text = PdfText(path);
        QVERIFY2(text.contains("Wavelength Dependent Absorption") && text.contains("Absorption") &&
                     text.count('\f') == 1,
                 qPrintable(text));
    }
};

QTEST_MAIN(TestGraphView)
#include "graph_view_test.moc"
