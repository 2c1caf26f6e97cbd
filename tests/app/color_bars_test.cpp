#include <QCheckBox>
#include <QDialogButtonBox>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QTimer>
#include <QTreeWidget>
#include <QtTest>

#include "app/color_bars.h"
#include "app/color_scale_dialog.h"
#include "app/interactive_graph_view.h"
#include "app/model_tree_bar.h"
#include "tests/app/app_fixture.h"
#include "view/color_bar.h"
#include "view/draw_tools.h"

using namespace brelix;
using namespace brelix::test;

// The colour-scale and legend bars grabbed at fixed sizes, and the Color Scale dialog driven through its
// widgets.
class TestColorBars : public QObject {
    Q_OBJECT

  private:
    std::unique_ptr<CTestApp> t;

    // A bar 410 pixels wide: its blocks share the 400 pixels from x = 0, on the rows 3 to 22.
    static constexpr int kWidth = 410, kBlocksWidth = 400, kFirstRow = 3, kLastRow = 22;

    static QImage Grab(QWidget& box) {
        box.setFixedSize(kWidth, BarHeight);
        return box.grab().toImage().convertToFormat(QImage::Format_RGB32);
    }
    static QRgb Rgb(CColor c) { return qRgb(c.r, c.g, c.b); }
    static int NearWhite(const QImage& image, int left, int right) {
        int count = 0;
        for (int y = 5; y < kLastRow; ++y)
            for (int x = left; x < right; ++x)
                count += qRed(image.pixel(x, y)) > 200 && qBlue(image.pixel(x, y)) > 200;
        return count;
    }
    // Checks that block [left, right) is filled with `colour` at its edges on its first and last rows, and
    // that the rows above and below are not.
    static void CheckBlock(const QImage& image, int left, int right, QRgb colour, int index) {
        for (int x : {left, right - 1})
            for (int y : {kFirstRow, kLastRow})
                QVERIFY2(image.pixel(x, y) == colour, qPrintable(QString("block %1 at %2,%3: %4")
                                                                     .arg(index)
                                                                     .arg(x)
                                                                     .arg(y)
                                                                     .arg(image.pixel(x, y), 0, 16)));
        QVERIFY(image.pixel(left, kFirstRow - 1) != colour || colour == image.pixel(left, kLastRow + 1));
        QVERIFY(image.pixel(left, kLastRow + 1) != colour || colour == image.pixel(left, kFirstRow - 1));
    }

    // A click on a check box's indicator (the box may be wider than its text).
    static void Check(QCheckBox* box) {
        QTest::mouseClick(box, Qt::LeftButton, {}, QPoint(6, box->height() / 2));
    }

    void ClickTree(CTreeCode code) {
        CModelTreeCtrl& tree = t->Frame().TreeBar().Tree();
        tree.expandAll();
        QTreeWidgetItem* item = tree.FindItem(code);
        QVERIFY(item);
        tree.scrollToItem(item);
        QTest::mouseClick(tree.viewport(), Qt::LeftButton, {}, tree.visualItemRect(item).center());
    }

  private slots:
    void initTestCase() { UseTestSettings(); }
    void init() { t = std::make_unique<CTestApp>(); }
    void cleanup() { t.reset(); }

    // By intensity: sixteen blocks, block i in band pen i's colour; the black and dark grey blocks carry
    // white labels.
    void intensityBlocks() {
        CDrawTools tools;
        tools.stepFactor = 0.5;
        CStaticCB box([&]() -> const CDrawTools& { return tools; });
        const QImage image = Grab(box);
        const CColor bands[16] = {{255, 0, 0}, {191, 0, 0},     {255, 128, 0},   {223, 223, 0},
                                  {0, 255, 0}, {0, 191, 0},     {0, 255, 255},   {0, 191, 191},
                                  {0, 0, 255}, {0, 0, 191},     {255, 0, 255},   {191, 0, 191},
                                  {0, 0, 0},   {102, 102, 102}, {153, 153, 153}, {204, 204, 204}};
        for (int i = 0; i < 16; ++i) {
            QCOMPARE(tools.Pen(CDrawTools::BandPen(i))->color, bands[i]);
            CheckBlock(image, 25 * i, 25 * i + 25, Rgb(bands[i]), i);
        }
        QVERIFY(image.pixel(kBlocksWidth, kFirstRow) != Rgb(bands[15]));
        QVERIFY(NearWhite(image, 300, 350) > 5);  // "0.0" on black and dark grey
        QCOMPARE(NearWhite(image, 0, 25), 0);     // "0.5" on red, in black
    }

    // By wavelength: fourteen blocks, grey below the start and above the stop, the twelve colours between.
    void wavelengthBlocks() {
        CDrawTools tools;
        tools.scaleByIntensity = 0;
        tools.scaleByWavelength = 1;
        tools.wavelengthStart = 400;
        tools.wavelengthStop = 1000;
        CStaticCB box([&]() -> const CDrawTools& { return tools; });
        const QImage image = Grab(box);
        const CColor blocks[14] = {{153, 153, 153}, {191, 0, 191},  {255, 0, 255}, {0, 0, 191},
                                   {0, 0, 255},     {0, 191, 191},  {0, 255, 255}, {0, 191, 0},
                                   {0, 255, 0},     {223, 223, 0},  {255, 128, 0}, {191, 0, 0},
                                   {255, 0, 0},     {153, 153, 153}};
        const double w = kBlocksWidth / 14.0;
        for (int i = 0; i < 14; ++i) CheckBlock(image, int(i * w), int((i + 1) * w), Rgb(blocks[i]), i);

        // Neither: no blocks.
        tools.scaleByWavelength = 0;
        const QImage empty = Grab(box);
        for (int x = 0; x < kBlocksWidth; x += 7) QVERIFY(empty.pixel(x, 10) == empty.pixel(kWidth - 1, 0));
    }

    // The legend of three checked items: their colours in order on the grey area, the blue one's name in
    // white.
    void legendOfThreeSeries() {
        QVERIFY(t->Open("wavelength_sweep.brx"));
        ClickTree({0, 0, -1, false});
        ClickTree({0, 1, -1, false});
        ClickTree({0, 2, -1, false});
        t->Trigger(ECommand::Start);
        QTRY_VERIFY_WITH_TIMEOUT(!t->View().IsTraceTimerRunning(), 30000);
        t->Trigger(ECommand::GraphSpectral);
        QVERIFY(t->Frame().LegendBar()->isVisible());
        QCOMPARE(t->Frame().LegendBox().Names(),
                 (std::vector<std::string>{"Air above", "Wafer", "Air below"}));
        const QImage image = Grab(t->Frame().LegendBox());
        const QRgb colours[3] = {qRgb(255, 0, 0), qRgb(0, 255, 0), qRgb(0, 0, 255)};
        for (int i = 0; i < 3; ++i) {
            // Block i spans from i * 400 / 3 + 0.5, truncated.
            const int left = int(i * kBlocksWidth / 3.0 + 0.5),
                      right = int((i + 1) * kBlocksWidth / 3.0 + 0.5);
            CheckBlock(image, left, right, colours[i], i);
        }
        QCOMPARE(image.pixel(5, kLastRow + 1), qRgb(208, 208, 208));
        QVERIFY(NearWhite(image, 267, 400) > 5);
        QCOMPARE(NearWhite(image, 0, 133), 0);

        // Another graph command with nothing checked empties the legend.
        t->Doc().New();
        t->Trigger(ECommand::GraphSpectral);
        QVERIFY(t->Frame().LegendBox().Names().empty());
        QCOMPARE(Grab(t->Frame().LegendBox()).pixel(100, 10), qRgb(208, 208, 208));
    }

    // A click on another batch in the tree repaints the colour bar with that batch's scale.
    void colourBarFollowsTheCurrentBatch() {
        QVERIFY(t->Open("wavelength_sweep.brx"));
        CBatch& second = t->Doc().Batches().Append();
        second.drawTools.scaleByIntensity = 0;
        second.drawTools.scaleByWavelength = 1;
        t->Doc().Batches().SetCurrent(0);
        t->Frame().RebuildTree();
        QVERIFY(t->Frame().ColorBar()->isVisible());
        {
            CPaintCounter counter(t->Frame().ColorBox());
            ClickTree({1, -1, -1, false});
            QCOMPARE(&t->Batch(), &second);
            QTRY_VERIFY(counter.paints > 0);
        }
        QCOMPARE(Grab(t->Frame().ColorBox()).pixel(0, kFirstRow), qRgb(153, 153, 153));
        ClickTree({0, -1, -1, false});
        QCOMPARE(Grab(t->Frame().ColorBox()).pixel(0, kFirstRow), qRgb(255, 0, 0));
    }

    // "Color Scale" through its widgets: the Enable boxes act as a pair and set the read-only edits, a click
    // writes the held values back, a bad step factor is refused and keeps the dialog open, OK changes the
    // tools and marks the document modified; Cancel changes nothing.
    void colorScaleDialog() {
        QVERIFY(t->Open("wavelength_sweep.brx"));
        QVERIFY(!t->Doc().IsModified());
        using F = CColorScaleForm;
        QStringList warnings;
        bool stayedOpen = false;
        bool pairing = false, readOnly = false, writtenBack = false;
        QTimer::singleShot(0, [&] {
            auto* dialog = qobject_cast<CColorScaleDialog*>(QApplication::activeModalWidget());
            QVERIFY(dialog);
            QCOMPARE(dialog->windowTitle(), QString("Color Scale"));
            QVERIFY(dialog->IntensityEnable()->isChecked());
            QVERIFY(!dialog->WavelengthEnable()->isChecked());
            QCOMPARE(dialog->Field(F::StepFactor)->text(), QString("0.9"));
            QVERIFY(dialog->Field(F::WavelengthStart)->isReadOnly());

            Check(dialog->WavelengthEnable());
            pairing = dialog->WavelengthEnable()->isChecked() && !dialog->IntensityEnable()->isChecked();
            readOnly = dialog->Field(F::StepFactor)->isReadOnly() &&
                       dialog->Field(F::IntensityStart)->isReadOnly() &&
                       !dialog->Field(F::WavelengthStart)->isReadOnly() &&
                       !dialog->Field(F::WavelengthStop)->isReadOnly();
            QLineEdit* start = dialog->Field(F::WavelengthStart);
            start->selectAll();
            QTest::keyClicks(start, "450");
            Check(dialog->IntensityEnable());
            writtenBack = start->text() == "0" && start->isReadOnly() &&
                          dialog->IntensityEnable()->isChecked() && !dialog->WavelengthEnable()->isChecked();

            QLineEdit* step = dialog->Field(F::StepFactor);
            step->selectAll();
            QTest::keyClicks(step, "1.5");
            QTimer::singleShot(0, [&] {
                auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
                QVERIFY(box);
                warnings << box->text();
                box->accept();
            });
            QPushButton* ok = dialog->findChild<QDialogButtonBox*>()->button(QDialogButtonBox::Ok);
            QTest::mouseClick(ok, Qt::LeftButton);
            stayedOpen = dialog->isVisible() && dialog->focusWidget() == step;
            step->selectAll();
            QTest::keyClicks(step, "0.7");
            QTest::mouseClick(ok, Qt::LeftButton);
        });
        t->Trigger(ECommand::ColorScale);
        QVERIFY(pairing);
        QVERIFY(readOnly);
        QVERIFY(writtenBack);
        QCOMPARE(warnings, QStringList({"Please enter a number between 0.1 and 1."}));
        QVERIFY(stayedOpen);
        const CDrawTools& tools = t->Batch().drawTools;
        QCOMPARE(tools.stepFactor, 0.7);
        QCOMPARE(tools.scaleByIntensity, 1);
        QCOMPARE(tools.scaleByWavelength, 0);
        QVERIFY(t->Doc().IsModified());
        QVERIFY(t->Frame().isWindowModified());

        // Cancel after changes: the tools and the modified flag stay.
        t->Doc().SetModified(false);
        QTimer::singleShot(0, [&] {
            auto* dialog = qobject_cast<CColorScaleDialog*>(QApplication::activeModalWidget());
            QVERIFY(dialog);
            Check(dialog->WavelengthEnable());
            dialog->Field(F::StepFactor)->setText("0.2");
            dialog->reject();
        });
        t->Trigger(ECommand::ColorScale);
        QCOMPARE(tools.stepFactor, 0.7);
        QCOMPARE(tools.scaleByWavelength, 0);
        QVERIFY(!t->Doc().IsModified());
    }
};

QTEST_MAIN(TestColorBars)
#include "color_bars_test.moc"
