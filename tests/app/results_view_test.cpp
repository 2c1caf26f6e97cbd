#include <QLabel>
#include <QPrinter>
#include <QProcess>
#include <QScrollBar>
#include <QTemporaryDir>
#include <QtTest>
#include <clocale>
#include <cstdio>

#include "app/model_tree_bar.h"
#include "app/results_view.h"
#include "document/results_export.h"
#include "tests/app/app_fixture.h"
#include "tests/support/view_recorder.h"
#include "view/results_table.h"
#include "view/table_pages.h"

using namespace brelix;
using namespace brelix::test;

// The results view over the real document: its rows, scrolling while a trace adds records, its pixels, and
// printing through the real printing path into PDF files that are read back as text.
class TestResultsView : public QObject {
    Q_OBJECT

  private:
    std::unique_ptr<CTestApp> t;

    CResultsView& View() { return t->Frame().ResultsView(); }

    void TraceToItsEnd(const QString& example) {
        QVERIFY(t->Open(example));
        t->Trigger(ECommand::Start);
        QTRY_VERIFY_WITH_TIMEOUT(!t->View().IsTraceTimerRunning(), 30000);
        QVERIFY(t->Enabled(ECommand::Start));
    }

    // The texts the view draws now, by their row in the window.
    std::map<int, QStringList> VisibleRows() {
        CViewRecorder recorder;
        View().DrawVisible(recorder);
        std::map<int, QStringList> rows;
        for (const CViewRecorder::CText& text : recorder.texts) {
            if (text.x != 10 + 80 * rows[text.y / 20].size())
                rows[text.y / 20] << "(missing)";  // a skipped cell keeps its place
            rows[text.y / 20] << QString::fromStdString(text.text).trimmed();
        }
        return rows;
    }

    // The export's record and totals lines as the cells a row shows, blanks dropped.
    static QStringList ExportCells(const std::string& line) {
        QStringList cells;
        for (const QString& cell : QString::fromStdString(line).split('\t'))
            if (!cell.trimmed().isEmpty()) cells << cell.trimmed();
        return cells;
    }
    std::vector<std::string> ExportLines() {
        const std::string text = FormatBatchResults(t->Batch(), 0);
        std::vector<std::string> lines;
        size_t start = 0;
        for (size_t end; (end = text.find('\n', start)) != std::string::npos; start = end + 1)
            lines.push_back(text.substr(start, end - start));
        return lines;
    }

    // Prints the active view into a PDF file of a page size and returns the file; the page in pixels too.
    QString PrintToPdf(const QString& name, QPageSize::PageSizeId size, QPageLayout::Orientation orientation,
                       CSize* page = nullptr) {
        const QString path = dir_.filePath(name);
        t->Frame().runPrintDialog = [&](QPrinter& printer, QWidget*) {
            printer.setOutputFormat(QPrinter::PdfFormat);
            printer.setOutputFileName(path);
            printer.setPageSize(QPageSize(size));
            printer.setPageOrientation(orientation);
            if (page) *page = {printer.width(), printer.height()};
            return true;
        };
        t->Trigger(ECommand::Print);
        return path;
    }

    // The text of a PDF, laid out as on its pages; pages end in a form feed.
    static QString PdfText(const QString& path) {
        QProcess process;
        process.start("pdftotext", {"-layout", path, "-"});
        if (!process.waitForFinished(30000) || process.exitCode() != 0) {
            qWarning("pdftotext (poppler-utils, installed by scripts/install-deps) could not read %s",
                     qPrintable(path));
            return {};
        }
        return QString::fromUtf8(process.readAllStandardOutput());
    }
    static QString Collapsed(const QString& line) { return line.simplified(); }

    QTemporaryDir dir_;

  private slots:
    void initTestCase() {
        UseTestSettings();
        QVERIFY(dir_.isValid());
    }
    void init() {
        t = std::make_unique<CTestApp>();
        t->Frame().resize(900, 700);
    }
    void cleanup() { t.reset(); }

    void aBatchWithoutResults() {
        t->Trigger(ECommand::Results);
        QCOMPARE(t->Frame().ActiveView(), EView::Results);
        const std::map<int, QStringList> rows = VisibleRows();
        QCOMPARE(rows.size(), size_t(2));
        QCOMPARE(rows.at(0), QStringList({"Batch 0:  (0.00 Million Trace Ops)"}));
        QCOMPARE(rows.at(1), QStringList({"No Results"}));
        QCOMPARE(View().verticalScrollBar()->maximum(), 0);
        // "No Results" in black in the second row's first cell.
        const QImage pixels = View().viewport()->grab().toImage().convertToFormat(QImage::Format_RGB32);
        int black = 0;
        for (int y = 20; y < 40; ++y)
            for (int x = 10; x < 90; ++x) black += qGray(pixels.pixel(x, y)) < 80;
        QVERIFY(black > 20);
    }

    // Every row the window shows holds the export's cells of its record, from wherever it is scrolled.
    void cellsAreTheExportsCells() {
        TraceToItsEnd("wavelength_sweep.brx");
        t->Trigger(ECommand::Results);
        const std::vector<std::string> lines = ExportLines();
        const int records = int(t->Batch().model.results.GetSize());
        QCOMPARE(records, 37);
        const int shown = int(View().VisibleRows());
        QVERIFY(shown > 5 && shown < records);
        QCOMPARE(View().verticalScrollBar()->maximum(), records + 6 - shown);
        QCOMPARE(View().verticalScrollBar()->pageStep(), shown);

        for (int scroll : {0, 10, View().verticalScrollBar()->maximum()}) {
            View().verticalScrollBar()->setValue(scroll);
            const std::map<int, QStringList> rows = VisibleRows();
            QVERIFY(rows.size() <= size_t(shown + 1));
            for (const auto& [row, cells] : rows) {
                const int tableRow = scroll + row;
                if (tableRow >= 3 && tableRow < 3 + records)
                    QCOMPARE(cells, ExportCells(lines[size_t(tableRow - 1)]));
                if (tableRow == records + 4) {
                    QStringList totals = ExportCells(lines.back());
                    totals.insert(1, "(missing)");  // the wavelength column is left out
                    QCOMPARE(cells, totals);
                }
            }
        }
        // At the end of the scroll range the totals are the last row shown.
        QVERIFY(VisibleRows().rbegin()->second.startsWith("Totals"));

        // The pixels: the wafer's cell of the first record shown in red, its sweep value in purple.
        View().verticalScrollBar()->setValue(0);
        const QImage pixels = View().viewport()->grab().toImage().convertToFormat(QImage::Format_RGB32);
        // Pixels of the text's own colour, or nearly: the edges of letters are blended with the white.
        auto inkOf = [&](int column, int row, QRgb colour) {
            int count = 0;
            for (int y = 20 * row; y < 20 * row + 20; ++y)
                for (int x = 10 + 80 * column; x < 80 + 80 * column; ++x) {
                    const QRgb p = pixels.pixel(x, y);
                    count += std::abs(qRed(p) - qRed(colour)) + std::abs(qGreen(p) - qGreen(colour)) +
                                 std::abs(qBlue(p) - qBlue(colour)) <
                             90;
                }
            return count;
        };
        QVERIFY(inkOf(5, 3, qRgb(255, 0, 0)) > 5);
        QVERIFY(inkOf(1, 3, qRgb(192, 0, 192)) > 5);
        QCOMPARE(inkOf(5, 3, qRgb(192, 0, 192)), 0);

        // A click on another batch in the tree shows its table.
        t->Doc().Batches().Append().name = "Empty";
        t->Doc().Batches().SetCurrent(0);
        t->Frame().RebuildTree();
        CModelTreeCtrl& tree = t->Frame().TreeBar().Tree();
        QTest::mouseClick(tree.viewport(), Qt::LeftButton, {},
                          tree.visualItemRect(tree.FindItem({1, -1, -1, false})).center());
        QCOMPARE(VisibleRows().at(0), QStringList({"Batch 1: Empty (0.00 Million Trace Ops)"}));
        QCOMPARE(View().verticalScrollBar()->maximum(), 0);
        QTest::mouseClick(tree.viewport(), Qt::LeftButton, {},
                          tree.visualItemRect(tree.FindItem({0, -1, -1, false})).center());
        QCOMPARE(View().verticalScrollBar()->maximum(), records + 6 - shown);

        // Scrolled sideways, the first cell shown is further right.
        View().horizontalScrollBar()->setValue(160);
        const QImage moved = View().viewport()->grab().toImage().convertToFormat(QImage::Format_RGB32);
        QCOMPARE(moved.copy(10, 60, 200, 20), pixels.copy(170, 60, 200, 20));
    }

    // A long trace: records appear while it runs, and the scroll range follows them without shrinking.
    void scrollRangeGrowsDuringATrace() {
        QVERIFY(t->OpenLongTrace());
        t->Trigger(ECommand::Results);
        QScrollBar* bar = View().verticalScrollBar();
        QCOMPARE(bar->maximum(), 0);
        t->Trigger(ECommand::Start);
        int last = 0;
        bool shrank = false;
        QTRY_VERIFY_WITH_TIMEOUT((shrank |= bar->maximum() < last, last = bar->maximum(), last > 100), 30000);
        QVERIFY(t->Batch().tracing.load() != 0);
        QVERIFY(!shrank);
        // The count pane shows the rays still queued while the results view is active.
        QTRY_VERIFY(!t->Frame().CountPane()->text().isEmpty());
        t->Trigger(ECommand::Stop);
        View().OnUpdate(HintRedraw);
        QCOMPARE(uint64_t(bar->maximum()),
                 t->Frame().ResultsView().Table().RowCount() - View().VisibleRows());
        QCOMPARE(t->Frame().CountPane()->text(), QString::number(t->Batch().pendingRays.load()));
    }

    // A left click repaints the table.
    void aClickRepaints() {
        t->Trigger(ECommand::Results);
        QVERIFY(QTest::qWaitForWindowExposed(&t->Frame()));
        CPaintCounter counter(*View().viewport());
        QTest::mouseClick(View().viewport(), Qt::LeftButton, {}, QPoint(50, 50));
        QTRY_VERIFY(counter.paints > 0);
    }

    // "Print..." of the results view: a PDF with the table's rows as the view shows them; a page too small
    // for the table splits it, down the rows then across the cells.
    void printsTheTable() {
        TraceToItsEnd("wavelength_sweep.brx");
        QVERIFY(!t->Enabled(ECommand::Print));  // the model view prints nothing
        t->Trigger(ECommand::Results);
        QVERIFY(t->Enabled(ECommand::Print));
        QCOMPARE(t->Action(ECommand::Print)->shortcut(), QKeySequence("Ctrl+P"));

        const QString whole = PrintToPdf("whole.pdf", QPageSize::A3, QPageLayout::Landscape);
        QFile file(whole);
        QVERIFY(file.open(QIODevice::ReadOnly));
        QVERIFY(file.read(5) == "%PDF-");
        const QString text = PdfText(whole);
        QVERIFY2(!text.isEmpty(), "no text from pdftotext");
        QCOMPARE(text.count('\f'), 1);
        QStringList lines;
        for (const QString& line : text.split('\n'))
            if (!Collapsed(line).isEmpty()) lines << Collapsed(line);
        const std::vector<std::string> exported = ExportLines();
        QCOMPARE(lines.value(0), QString("Batch 0: Sweep (0.00 Million Trace Ops)"));
        QCOMPARE(lines.value(1), QString("Ray # Wlen Air abov Front Top catc Wafer Front Rear Air belo Rear "
                                         "Bottom c Remndr Lost Total"));
        for (size_t i = 2; i + 2 < exported.size(); ++i)
            QCOMPARE(lines.value(int(i)), ExportCells(exported[i]).join(' '));
        QCOMPARE(lines.value(int(exported.size()) - 2), ExportCells(exported.back()).join(' '));
        QVERIFY(t->messages.isEmpty());

        CSize page;
        const QString split = PrintToPdf("split.pdf", QPageSize::A5, QPageLayout::Portrait, &page);
        const CResultsTable table = View().Table();
        const std::vector<CTablePage> pages = PageTable(table.RowCount(), table.Width() / 80, page);
        QVERIFY(pages.size() >= 4);
        QVERIFY(pages[1].firstRow > 0 && pages.back().firstCell > 0);
        const QStringList printed = PdfText(split).split('\f', Qt::SkipEmptyParts);
        QCOMPARE(printed.size(), int(pages.size()));
        for (size_t i = 0; i < pages.size(); ++i) {
            // A page of the first cells starts with the "Ray" of its first record; the title, headings and
            // totals are where their rows fall.
            const QString& onPage = printed[int(i)];
            const uint64_t first = pages[i].firstRow, end = first + pages[i].rowCount;
            if (pages[i].firstCell == 0 && first >= 3 && first < 3 + 37)
                QVERIFY2(onPage.trimmed().startsWith(QString("Ray %1:").arg(first - 3)), qPrintable(onPage));
            QCOMPARE(onPage.contains("Batch 0: Sweep"), first == 0 && pages[i].firstCell == 0);
            QCOMPARE(onPage.contains("Totals"), pages[i].firstCell == 0 && first <= 41 && 41 < end);
            const int32_t lastCell = pages[i].firstCell + (page.cx - 10) / 80 - 1;
            QCOMPARE(onPage.contains("Remndr"),
                     first <= 1 && 1 < end && pages[i].firstCell <= 11 && 11 <= lastCell);
        }
    }

    // A PDF that cannot be written says so and nothing else changes.
    void anUnwritablePdfSaysWhy() {
        TraceToItsEnd("wavelength_sweep.brx");
        t->Trigger(ECommand::Results);
        t->Frame().runPrintDialog = [](QPrinter& printer, QWidget*) {
            printer.setOutputFormat(QPrinter::PdfFormat);
            printer.setOutputFileName("/no/such/folder/table.pdf");
            return true;
        };
        t->Trigger(ECommand::Print);
        QCOMPARE(t->messages, QStringList({"Could not print to /no/such/folder/table.pdf: the file cannot be "
                                           "written."}));
        QCOMPARE(t->Frame().ActiveView(), EView::Results);
        QCOMPARE(View().Table().RowCount(), uint64_t(43));

        // A cancelled dialog prints nothing.
        t->messages.clear();
        t->Frame().runPrintDialog = [](QPrinter&, QWidget*) { return false; };
        t->Trigger(ECommand::Print);
        QVERIFY(t->messages.isEmpty());
    }

    // Under a locale with a decimal comma the table still shows decimal points.
    void decimalPointsUnderAGermanLocale() {
        TraceToItsEnd("wavelength_sweep.brx");
        t->Trigger(ECommand::Results);
        if (!std::setlocale(LC_ALL, "de_DE.UTF-8"))
            QSKIP(
                "The locale de_DE.UTF-8 is not installed (Debian: localedef -i de_DE -f UTF-8 de_DE.UTF-8)");
        char buffer[16];
        std::snprintf(buffer, sizeof buffer, "%.1f", 0.5);
        const bool comma = QString(buffer) == "0,5";
        QStringList cells;
        for (const auto& [row, texts] : VisibleRows()) cells << texts;
        std::setlocale(LC_ALL, "C");
        QVERIFY2(comma, buffer);
        QVERIFY(cells.contains("300.0"));
        QVERIFY(cells.contains("0.257"));
        for (const QString& cell : cells) QVERIFY2(!cell.contains(','), qPrintable(cell));
    }
};

QTEST_MAIN(TestResultsView)
#include "results_view_test.moc"
