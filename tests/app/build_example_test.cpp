#include <QComboBox>
#include <QDir>
#include <QPushButton>
#include <QTreeWidget>
#include <QtTest>
#include <sstream>

#include "app/batch_builder_dlg.h"
#include "app/plane_edges_dlg.h"
#include "app/property_pages.h"
#include "cli/runner.h"
#include "document/document_file.h"
#include "document/file_reading.h"
#include "document/results_export.h"
#include "tests/app/app_fixture.h"
#include "tests/app/dialog_script.h"

using namespace brelix;
using namespace brelix::test;

using BF = CBatchBuilderForm;
using EF = CPlaneEdgesForm;
using LF = CLayerPageForm;
using PF = CPlanePageForm;

namespace {

// A plane as the example sets it: its corner, its two edge vectors, its optical model.
struct CPlaneInput {
    const char* name;
    int type;
    int transmitLayer;
    double z;
    bool facingUp;
};

constexpr double kHalf = 5e6, kWidth = 1e7;

}  // namespace

// examples/planar_wafer.brx built again from a new document with the mouse and the keyboard only:
// tree clicks and double clicks, the Builders and Edit commands, and typing into their dialogs.
class TestBuildExample : public QObject {
    Q_OBJECT

  private:
    std::unique_ptr<CTestApp> t;
    std::unique_ptr<CDialogScript> script;

    CModelTreeCtrl& Tree() { return t->Frame().TreeBar().Tree(); }
    QTreeWidgetItem* Item(CTreeCode code) {
        if (code.layer >= 0) Tree().expandItem(Tree().FindItem({code.batch, -1, -1, false}));
        QTreeWidgetItem* item = Tree().FindItem(code);
        if (item) Tree().scrollToItem(item);
        return item;
    }
    void Click(CTreeCode code) {
        QTest::mouseClick(Tree().viewport(), Qt::LeftButton, {}, Tree().visualItemRect(Item(code)).center());
    }
    void DoubleClick(CTreeCode code) {
        QTest::mouseDClick(Tree().viewport(), Qt::LeftButton, {}, Tree().visualItemRect(Item(code)).center());
    }
    // Types into a field and leaves it with Tab, as a user moves on to the next.
    static void TypeAndLeave(QLineEdit* edit, const QString& text) {
        edit->setFocus();
        Type(edit, text);
        QTest::keyClick(edit, Qt::Key_Tab);
    }

    // "Edit Layer" on the layer's tree item, by double click.
    void EditLayer(int layer, const char* name, const char* index, const char* alpha) {
        script->Then([=](QDialog& d) {
            auto* page = dynamic_cast<CLinearLayerPropPage*>(dynamic_cast<CPropertySheet&>(d).Page());
            QVERIFY(page);
            Type(page->Field(LF::Name), name);
            Type(page->Field(LF::RefractiveIndex), index);
            Type(page->Field(LF::Absorption), alpha);
            d.accept();
        });
        DoubleClick({0, layer, -1, false});
        QCOMPARE(Item({0, layer, -1, false})->text(0), QString(name));
    }

    // The edges of a horizontal square of the example's width, as its corner and edge vectors.
    void SetEdges(CPlaneEdgesDlg& dialog, double z, bool facingUp) {
        ShowActive(dialog);
        // The corner is shared: Edge 1's values reach Edge 2 as each field is left.
        TypeAndLeave(dialog.Field(EF::Edge1x), QString::number(-kHalf, 'g', 17));
        TypeAndLeave(dialog.Field(EF::Edge1y), QString::number(-kHalf, 'g', 17));
        TypeAndLeave(dialog.Field(EF::Edge1z), QString::number(z, 'g', 17));
        QCOMPARE(dialog.Field(EF::Edge2z)->text(), QString::number(z, 'g', 17));
        const QString w = QString::number(kWidth, 'g', 17);
        const QString e1[] = {facingUp ? "0" : w, facingUp ? w : "0", "0"};
        const QString e2[] = {facingUp ? w : "0", facingUp ? "0" : w, "0"};
        for (int i = 0; i < 3; ++i) TypeAndLeave(dialog.Field(EF::EField(EF::Edge1X + i)), e1[i]);
        for (int i = 0; i < 3; ++i) TypeAndLeave(dialog.Field(EF::EField(EF::Edge2X + i)), e2[i]);
        QCOMPARE(dialog.Field(EF::NormalZ)->text(), QString(facingUp ? "1" : "-1"));
        dialog.accept();
    }

    // "Edit Plane" from the menu: name, type, target layer and, through "Edges", the geometry.
    void EditPlane(const CPlaneInput& input, bool withEdges) {
        script->Then([=, this](QDialog& d) {
            auto* page = dynamic_cast<CLinearPlanePropPage*>(dynamic_cast<CPropertySheet&>(d).Page());
            QVERIFY(page);
            ShowActive(d);
            Type(page->Field(PF::Name), input.name);
            page->PlaneType()->setCurrentIndex(input.type);
            page->LayerList()->setCurrentIndex(input.transmitLayer);
            if (withEdges) {
                script->Then([=, this](QDialog& edges) {
                    auto& dialog = dynamic_cast<CPlaneEdgesDlg&>(edges);
                    QCOMPARE(dialog.NameField()->text(), QString(input.name));
                    SetEdges(dialog, input.z, input.facingUp);
                });
                QTest::mouseClick(page->EdgesButton(), Qt::LeftButton);
            }
            d.accept();
        });
        t->Trigger(ECommand::EditPlane);
    }

    void AddPlane(const CPlaneInput& input) {
        QVERIFY(t->Enabled(ECommand::AddPlane));
        t->Trigger(ECommand::AddPlane);
        EditPlane(input, true);
    }

    // The document's bytes with the example's view settings.
    static std::vector<uint8_t> Bytes(const std::string& path, const CDrawTools& view) {
        CBatchList list;
        std::string error;
        if (!OpenDocument(path, list, error)) qWarning("%s", error.c_str());
        for (CBatch& batch : list) batch.drawTools.CopyFrom(view);
        return WriteDocument(list);
    }

  private slots:
    void initTestCase() { UseTestSettings(); }
    void init() {
        t = std::make_unique<CTestApp>();
        script = std::make_unique<CDialogScript>(t->Frame());
    }
    void cleanup() {
        QVERIFY(script->Done());
        script.reset();
        t.reset();
    }

    void planarWafer() {
        // The batch: its name, 1000 source rays along x at 600 nm, random splitting.
        Click({0, -1, -1, false});
        script->Then([](QDialog& d) {
            auto& dialog = dynamic_cast<CBatchBuilderDlg&>(d);
            Type(dialog.Field(BF::Name), "Wafer");
            Type(dialog.Field(BF::XStop), "999");
            Type(dialog.Field(BF::XStep), "1");
            Type(dialog.Field(BF::WavelengthStart), "600");
            Type(dialog.Field(BF::WavelengthStop), "600");
            Type(dialog.Field(BF::InterfaceDivides), "0");
            dialog.accept();
        });
        t->Trigger(ECommand::EditBatch);

        // Three layers after the batch, each named by a double click on it.
        for (int i = 0; i < 3; ++i) t->Trigger(ECommand::AddLayer);
        QVERIFY(!t->Doc().Batches().Current().model.IsEmpty());
        EditLayer(0, "Air above", "1", "0");
        EditLayer(1, "Slab", "3.5", "100");
        EditLayer(2, "Air below", "1", "0");

        // Air above: the front faces down into the slab; the catcher above faces up. The front is copied
        // while it is selected, to become the slab's front with its edges swapped.
        Click({0, 0, -1, false});
        AddPlane({"Front", PlanarBare, 1, -50, false});
        t->Trigger(ECommand::Copy);
        AddPlane({"Top catcher", PlanarReflector, 0, 50, true});

        Click({0, 1, -1, false});
        t->Trigger(ECommand::AddPlane);
        QVERIFY(t->Enabled(ECommand::PasteSwapped));
        t->Trigger(ECommand::PasteSwapped);
        QCOMPARE(t->Batch().model[1][0].name, std::string("!Front"));
        EditPlane({"Front", PlanarBare, 0, 0, true}, false);
        AddPlane({"Rear", PlanarBare, 2, -150, false});
        t->Trigger(ECommand::Copy);

        Click({0, 2, -1, false});
        t->Trigger(ECommand::AddPlane);
        t->Trigger(ECommand::PasteSwapped);
        EditPlane({"Rear", PlanarBare, 1, 0, true}, false);
        AddPlane({"Bottom catcher", PlanarReflector, 0, -250, false});
        QVERIFY(t->messages.isEmpty());

        // Saved through "Save As" with its file dialog answered, then read back beside the example.
        const QString saved = QDir::temp().filePath("brelix-built-planar-wafer.brx");
        QString offered;
        t->app->askSaveFileName = [&](const QString& start) {
            offered = start;
            return saved;
        };
        t->Trigger(ECommand::FileSaveAs);
        QCOMPARE(offered, QString("Brelix"));
        QVERIFY(!t->Doc().IsModified());
        const std::string example = (kExamples + "/planar_wafer.brx").toStdString();
        CBatchList read;
        std::string error;
        QVERIFY2(OpenDocument(example, read, error), error.c_str());
        const std::vector<uint8_t> built = Bytes(saved.toStdString(), read[0].drawTools);
        const std::vector<uint8_t> expected = Bytes(example, read[0].drawTools);
        QCOMPARE(built.size(), expected.size());
        QVERIFY2(built == expected,
                 qPrintable(QString("first difference at byte %1")
                                .arg(std::mismatch(built.begin(), built.end(), expected.begin()).first -
                                     built.begin())));

        // "Start" on the built document gives the runner's tallies for the example at the same seed.
        t->Batch().seed = 5;
        t->Trigger(ECommand::Start);
        QTRY_VERIFY_WITH_TIMEOUT(!t->View().IsTraceTimerRunning(), 60000);
        std::ostringstream out, err;
        CCliEnvironment environment{out, err};
        QCOMPARE(RunCli({"trace", example, "--seed", "5", "--threads", "0", "--quiet"}, environment), int(ExitOk));
        QCOMPARE(FormatBatchResults(t->Batch(), 0), out.str());
        QFile::remove(saved);
    }
};

QTEST_MAIN(TestBuildExample)
#include "build_example_test.moc"
