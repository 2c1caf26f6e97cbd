#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QLabel>
#include <QPainter>
#include <QPushButton>
#include <QTabWidget>
#include <QTreeWidget>
#include <QtTest>

#include "app/batch_builder_dlg.h"
#include "app/plane_edges_dlg.h"
#include "app/property_pages.h"
#include "tests/app/app_fixture.h"
#include "tests/app/dialog_script.h"

using namespace brelix;
using namespace brelix::test;

using BF = CBatchBuilderForm;
using EF = CPlaneEdgesForm;

class TestBuilderDialogs : public QObject {
    Q_OBJECT

  private:
    std::unique_ptr<CTestApp> t;
    std::unique_ptr<CDialogScript> script;

    CModelTreeCtrl& Tree() { return t->Frame().TreeBar().Tree(); }
    QTreeWidgetItem* Item(CTreeCode code) {
        for (int level = 0; level < 3; ++level) {
            // Items below a collapsed one are not shown: open the way down.
            const CTreeCode parent = level == 0   ? CTreeCode{code.batch, -1, -1, false}
                                     : level == 1 ? CTreeCode{code.batch, code.layer, -1, false}
                                                  : CTreeCode{code.batch, code.layer, code.plane, false};
            if (parent == code) break;
            if (QTreeWidgetItem* item = Tree().FindItem(parent)) Tree().expandItem(item);
        }
        QTreeWidgetItem* item = Tree().FindItem(code);
        if (!item) qWarning("no tree item");
        return item;
    }
    void Click(CTreeCode code) {
        QTreeWidgetItem* item = Item(code);
        Tree().scrollToItem(item);
        QTest::mouseClick(Tree().viewport(), Qt::LeftButton, {}, Tree().visualItemRect(item).center());
    }
    void DoubleClick(CTreeCode code) {
        QTreeWidgetItem* item = Item(code);
        Tree().scrollToItem(item);
        QTest::mouseDClick(Tree().viewport(), Qt::LeftButton, {}, Tree().visualItemRect(item).center());
    }
    CPlane& WaferFront() { return t->Batch().model[1][0]; }

    // The frame with dialogs laid over it, each in a plain window frame with its title.
    static QImage Compose(QWidget& frame, std::vector<std::pair<QWidget*, QPoint>> dialogs) {
        QImage image = frame.grab().toImage();
        QPainter painter(&image);
        for (const auto& [dialog, at] : dialogs) {
            const QPixmap face = dialog->grab();
            const QRect title(at.x(), at.y(), face.width() + 2, 24);
            painter.fillRect(title, QColor(52, 80, 120));
            painter.setPen(Qt::white);
            QFont font = painter.font();
            font.setBold(true);
            painter.setFont(font);
            painter.drawText(title.adjusted(8, 0, 0, 0), Qt::AlignVCenter | Qt::AlignLeft,
                             dialog->windowTitle());
            painter.drawPixmap(at.x() + 1, title.bottom() + 1, face);
            painter.setPen(QColor(52, 80, 120));
            painter.drawRect(QRect(at.x(), at.y(), face.width() + 1, face.height() + title.height()));
        }
        return image;
    }

  private slots:
    void initTestCase() { UseTestSettings(); }
    void init() {
        t = std::make_unique<CTestApp>();
        script = std::make_unique<CDialogScript>(t->Frame());
        QVERIFY(t->Open("planar_wafer.brx"));
    }
    void cleanup() {
        QVERIFY(script->Done());
        script.reset();
        t.reset();
    }

    // The real actions follow a click on an "Edges" item.
    void edgesItemEnablesEditEdges() {
        Click({0, 1, 0, true});
        QCOMPARE(t->View().SelectionKind(), SelectEdges);
        QVERIFY(t->Enabled(ECommand::EditEdges));
        QVERIFY(!t->Enabled(ECommand::EditPlane));
        QVERIFY(!t->Enabled(ECommand::DeletePlane));
        QVERIFY(!t->Enabled(ECommand::Copy));
        Click({0, 1, 0, false});
        QVERIFY(!t->Enabled(ECommand::EditEdges));
        QVERIFY(t->Enabled(ECommand::EditPlane));
        QVERIFY(t->Enabled(ECommand::DeletePlane));
    }

    // Leaving Edge 2's "y" moves Edge 1's corner too, writes the plane and redraws the model at once;
    // the swap button turns the normal round; Cancel keeps the geometry and marks the document modified.
    void planeEdgesWorkLive() {
        Click({0, 1, 0, true});
        const CRay normal = WaferFront().normal;
        script->Then([&](QDialog& d) {
            auto& dialog = dynamic_cast<CPlaneEdgesDlg&>(d);
            QCOMPARE(dialog.windowTitle(), QString("Define Plane Edges"));
            QCOMPARE(dialog.NameField()->text(), QString("Front"));
            QCOMPARE(dialog.Shape()->currentText(), QString("Parallelpiped"));
            ShowActive(dialog);
            QLineEdit* y2 = dialog.Field(EF::Edge2y);
            y2->setFocus();
            Type(y2, "-3");
            QCOMPARE(dialog.Field(EF::Edge1y)->text(), QString("-5000000"));  // not before leaving
            QTest::keyClick(y2, Qt::Key_Tab);
            QVERIFY(!y2->hasFocus());
            QCOMPARE(dialog.Field(EF::Edge1y)->text(), QString("-3"));
            QCOMPARE(WaferFront().edge1.y, -3.0);
            QCOMPARE(WaferFront().edge2.y, -3.0);
            QCOMPARE(dialog.Field(EF::Normaly)->text(), QString("-3"));

            QCOMPARE(dialog.Field(EF::NormalZ)->text(), QString("1"));
            dialog.DrawEdge(0)->setCheckState(Qt::Unchecked);
            QTest::mouseClick(dialog.SwapButton(), Qt::LeftButton);
            QCOMPARE(dialog.Field(EF::NormalZ)->text(), QString("-1"));
            QCOMPARE(WaferFront().normal.dz, -normal.dz);
            QCOMPARE(dialog.DrawEdge(1)->checkState(), Qt::Unchecked);
            QCOMPARE(dialog.DrawEdge(0)->checkState(), Qt::Checked);
            Type(dialog.NameField(), "Renamed");
            dialog.reject();
        });
        QVERIFY(!t->Doc().IsModified());
        t->Trigger(ECommand::EditEdges);
        QCOMPARE(WaferFront().normal.dz, -normal.dz);  // Cancel keeps the geometry
        QCOMPARE(WaferFront().drawEdge[1], 1);         // and drops the flags
        QCOMPARE(WaferFront().name, std::string("Renamed"));
        QVERIFY(t->Doc().IsModified());
        QCOMPARE(Item({0, 1, 0, false})->text(0), QString("Renamed"));
    }

    // A Step of 1e-9 gives a "Plot:" list cut at its limit; "inf" is no number, and OK stays open.
    void batchBuilderCapsListsAndRefusesInfinity() {
        t->Batch().xSweep = {0, 1, 1e-9, 0};
        t->Batch().zSweep = {1e20, 2e20, 1, 0};
        script->Then([&](QDialog& d) {
            auto& dialog = dynamic_cast<CBatchBuilderDlg&>(d);
            QCOMPARE(dialog.windowTitle(), QString("Batch Builder"));
            ShowActive(dialog);
            QCOMPARE(dialog.PlotList(BF::X)->count(), int(BF::kPlotListLimit));
            QVERIFY(!dialog.PlotList(BF::X)->isEnabled());
            QCOMPARE(dialog.PlotList(BF::Z)->count(), 1);
            QCOMPARE(dialog.PlotList(BF::Wavelength)->itemText(0), QString("600.00"));
            QCOMPARE(dialog.PlotList(BF::Wavelength)->currentIndex(), -1);  // Step 0: no value chosen
            QVERIFY(dialog.Field(BF::PointCount)->isReadOnly());
            QVERIFY(dialog.Field(BF::SpectrumFile)->isReadOnly());

            Type(dialog.Field(BF::XStep), "inf");
            Type(dialog.Field(BF::Name), "Renamed");
            dialog.accept();
            QCOMPARE(t->messages, QStringList{"Please enter a number between 0 and 10000000."});
            QCOMPARE(dialog.result(), int(QDialog::Rejected));
            QCOMPARE(dialog.Field(BF::XStep)->text(), QString("inf"));  // left to be put right
            QCOMPARE(t->Batch().name, std::string("Wafer"));

            Type(dialog.Field(BF::XStep), "0.5");
            Type(dialog.Field(BF::SubdivideTheta), "0");
            dialog.accept();
            QCOMPARE(t->messages.last(), QString("Please enter an integer between 1 and 10000000."));
            QVERIFY(dialog.Field(BF::SubdivideTheta)->hasFocus());
            Type(dialog.Field(BF::SubdivideTheta), "3");
            Type(dialog.Field(BF::InterfaceDivides), "0");
            dialog.accept();
            QCOMPARE(dialog.result(), int(QDialog::Accepted));
        });
        DoubleClick({0, -1, -1, false});
        QCOMPARE(t->Batch().xSweep.step, 0.5);
        QCOMPARE(t->Batch().subdivideTheta, 3u);
        QCOMPARE(t->Batch().interfaceDivides, 0u);
        QCOMPARE(t->Batch().name, std::string("Renamed"));
        QCOMPARE(Item({0, -1, -1, false})->text(0), QString("Renamed"));  // the tree follows at once
        QVERIFY(t->Doc().IsModified());
    }

    // "Load Data" reads the spectrum at once: Cancel keeps it, and the document is modified.
    void loadDataThenCancelKeepsTheSpectrum() {
        Click({0, -1, -1, false});
        script->Then([&](QDialog& d) {
            auto& dialog = dynamic_cast<CBatchBuilderDlg&>(d);
            ShowActive(dialog);
            QTest::mouseClick(dialog.FileEnable(), Qt::LeftButton);
            QVERIFY(dialog.FileEnable()->isChecked());
            QVERIFY(!dialog.ConstantEnable()->isChecked());
            QVERIFY(dialog.Field(BF::ConstantIntensity)->isReadOnly());
            Type(dialog.Field(BF::SpectrumFile), kExamples + "/solar_like_spectrum.txt");
            QTest::mouseClick(dialog.LoadData(), Qt::LeftButton);
            QCOMPARE(dialog.Field(BF::PointCount)->text(), QString("181"));
            QTest::mouseClick(dialog.UseSpectrumFile(), Qt::LeftButton);
            QVERIFY(dialog.Field(BF::WavelengthStart)->isReadOnly());
            dialog.reject();
        });
        t->Trigger(ECommand::EditBatch);
        QCOMPARE(t->messages, QStringList{"Number of Points Loaded: 181 "});
        QCOMPARE(t->Batch().spectrum.GetCount(), 181u);
        QCOMPARE(t->Batch().fileSpectrum, 0);  // the box acts with OK only
        QCOMPARE(t->Batch().useSpectrumFile, 0);
        QVERIFY(t->Doc().IsModified());
    }

    // The plane page: its texts, the type rule, and "Edges" with the page's own name both ways.
    void planePageOpensTheEdgesWithItsName() {
        script->Then([&](QDialog& d) {
            QCOMPARE(d.windowTitle(), QString("Plane Optical Models/Properties"));
            auto& sheet = dynamic_cast<CPropertySheet&>(d);
            ShowActive(sheet);
            QCOMPARE(sheet.findChild<QTabWidget*>()->tabText(0), QString("Linear"));
            auto* page = dynamic_cast<CLinearPlanePropPage*>(sheet.Page());
            QVERIFY(page);
            QCOMPARE(page->LoadButton()->text(), QString("Load: \"W R\" Format"));
            QCOMPARE(page->PlaneType()->count(), 10);
            QCOMPARE(page->TransmitLabel()->text(), QString("Transmit into Layer?"));
            QCOMPARE(page->LayerList()->currentText(), QString("Air above"));
            Type(page->Field(CPlanePageForm::Name), "Typed");  // kept while the type changes
            page->PlaneType()->setCurrentIndex(PlanarReflector);
            QCOMPARE(page->TransmitLabel()->text(), QString(""));
            QVERIFY(page->LayerList()->isHidden() && page->PlaneList()->isHidden());
            page->PlaneType()->setCurrentIndex(TranslateAcrossProportional);
            QVERIFY(page->LayerList()->isHidden() && !page->PlaneList()->isHidden());
            QCOMPARE(page->TransmitLabel()->text(), QString("Transmit onto Plane?"));

            script->Then([&](QDialog& edges) {
                QCOMPARE(dynamic_cast<CPlaneEdgesDlg&>(edges).NameField()->text(), QString("Typed"));
                Type(dynamic_cast<CPlaneEdgesDlg&>(edges).NameField(), "From edges");
                edges.reject();
            });
            QTest::mouseClick(page->EdgesButton(), Qt::LeftButton);
            QCOMPARE(page->Field(CPlanePageForm::Name)->text(), QString("From edges"));
            sheet.accept();
        });
        DoubleClick({0, 1, 0, false});
        QCOMPARE(WaferFront().name, std::string("From edges"));
        QCOMPARE(WaferFront().planeType, uint32_t(TranslateAcrossProportional));
        QCOMPARE(Item({0, 1, 0, false})->text(0), QString("From edges"));
    }

    // The layer page: a refused field keeps the sheet open with what was read before it stored.
    void layerPageStoresBeforeItsCheck() {
        script->Then([&](QDialog& d) {
            auto& sheet = dynamic_cast<CPropertySheet&>(d);
            QCOMPARE(sheet.windowTitle(), QString("Layer Optical Models/Properties"));
            auto* page = dynamic_cast<CLinearLayerPropPage*>(sheet.Page());
            QCOMPARE(page->LoadButton(2)->text(), QString("Load: \"W N K\" WVaseFormat"));
            QVERIFY(page->ConstantEnable()->isChecked());
            QVERIFY(page->Field(CLayerPageForm::FileName)->isReadOnly());
            Type(page->Field(CLayerPageForm::Name), "Silicon");
            Type(page->Field(CLayerPageForm::Scattering), "1e999");
            sheet.accept();
            QCOMPARE(t->messages, QStringList{"Please enter a number."});
            QCOMPARE(t->Batch().model[1].name, std::string("Silicon"));
            sheet.reject();
        });
        DoubleClick({0, 1, -1, false});
        QVERIFY(t->Doc().IsModified());
        QCOMPARE(Item({0, 1, -1, false})->text(0), QString("Silicon"));
    }

    // No editor opens while the batch traces, from the menu or the tree.
    void nothingOpensDuringATrace() {
        QVERIFY(t->OpenLongTrace());
        Click({0, 1, -1, false});
        QVERIFY(t->Enabled(ECommand::EditLayer));
        t->Trigger(ECommand::Start);
        t->Frame().UpdateCommandStates();
        for (ECommand command : {ECommand::AddBatch, ECommand::AddLayer, ECommand::EditLayer,
                                 ECommand::DeleteLayer, ECommand::Copy, ECommand::Paste})
            QVERIFY(!t->Enabled(command));
        DoubleClick({0, 1, -1, false});  // the script has no step: a dialog would count as unexpected
        t->Trigger(ECommand::Stop);
        QVERIFY(t->Enabled(ECommand::EditLayer));
    }

    // The frame with the model tree, and the plane page with "Define Plane Edges" over it, in one
    // picture; written to the file BRELIX_SCREENSHOT names, if any (docs/screenshot-builders.png).
    void screenshotOfTheEditors() {
        // Opened as the README's command opens it, so that the tree's root shows the path a reader knows.
        QDir::setCurrent(kExamples + "/..");
        QVERIFY(t->app->OpenDocumentFile("examples/textured_cell.brx"));
        t->Frame().resize(1500, 900);
        // The picture to the left of the dialogs.
        t->View().setFocus();
        for (int i = 0; i < 24; ++i) QTest::keyClick(&t->View(), Qt::Key_Left);
        Item({0, 1, 0, false});
        Tree().expandItem(Item({0, 0, -1, false}));
        QImage picture;
        script->Then([&](QDialog& sheet) {
            ShowActive(sheet);
            auto* page = dynamic_cast<CLinearPlanePropPage*>(dynamic_cast<CPropertySheet&>(sheet).Page());
            script->Then([&](QDialog& edges) {
                ShowActive(edges);
                const QSize frame = t->Frame().size(), a = sheet.size(), b = edges.size();
                const QPoint sheetAt(frame.width() - a.width() - 12, 64);
                picture = Compose(
                    t->Frame(),
                    {{&sheet, sheetAt},
                     {&edges, QPoint(sheetAt.x() - b.width() - 16, frame.height() - b.height() - 64)}});
                edges.reject();
            });
            QTest::mouseClick(page->EdgesButton(), Qt::LeftButton);
            sheet.reject();
        });
        DoubleClick({0, 1, 0, false});
        QCOMPARE(picture.size(), QSize(1500, 900));
        if (const QString path = qEnvironmentVariable("BRELIX_SCREENSHOT"); !path.isEmpty())
            QVERIFY(picture.save(path, "PNG"));
    }
};

QTEST_MAIN(TestBuilderDialogs)
#include "builder_dialogs_test.moc"
