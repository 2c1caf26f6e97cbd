#include <QTreeWidget>
#include <QtTest>

#include "app/model_builders.h"
#include "app/model_tree_bar.h"
#include "document/document_file.h"
#include "tests/app/app_fixture.h"

using namespace brelix;
using namespace brelix::test;

class TestModelTree : public QObject {
    Q_OBJECT

private:
    std::unique_ptr<CTestApp> t;

    CModelTreeCtrl& Tree() { return t->Frame().TreeBar().Tree(); }
    QTreeWidgetItem* Item(CTreeCode code) {
        QTreeWidgetItem* item = Tree().FindItem(code);
        if (!item) qWarning("no tree item");
        return item;
    }
    void Click(QTreeWidgetItem* item) {
        Tree().scrollToItem(item);
        QTest::mouseClick(Tree().viewport(), Qt::LeftButton, {}, Tree().visualItemRect(item).center());
    }
    std::vector<uint32_t> Flags() {
        std::vector<uint32_t> flags = {t->Doc().treeExpanded, t->Batch().model.treeExpanded};
        for (const CLayer& layer : t->Batch().model) {
            flags.push_back(layer.treeExpanded);
            for (const CPlane& plane : layer) flags.push_back(plane.treeExpanded);
        }
        return flags;
    }

private slots:
    void initTestCase() { UseTestSettings(); }
    void init() {
        t = std::make_unique<CTestApp>();
        QVERIFY(t->Open("planar_wafer.brx"));
    }
    void cleanup() { t.reset(); }

    void rebuildKeepsTheShape() {
        QCOMPARE(Tree().topLevelItem(0)->text(0), kExamples + "/planar_wafer.brx");
        QVERIFY(Tree().topLevelItem(0)->isExpanded());
        Tree().expandItem(Item({0, -1, -1, false}));
        Tree().expandItem(Item({0, 1, -1, false}));
        Tree().expandItem(Item({0, 1, 0, false}));
        Tree().collapseItem(Item({0, 1, 0, false}));
        const std::vector<uint32_t> flags = Flags();
        QCOMPARE(flags, (std::vector<uint32_t>{1, 1, 0, 0, 0, 1, 0, 0, 0, 0, 0}));
        for (int i = 0; i < 2; ++i) {
            t->Frame().RebuildTree();
            QCOMPARE(Flags(), flags);
        }
        QVERIFY(Item({0, -1, -1, false})->isExpanded());
        QVERIFY(Item({0, 1, -1, false})->isExpanded());
        QVERIFY(!Item({0, 0, -1, false})->isExpanded());
        QCOMPARE(Item({0, 1, -1, false})->toolTip(0), QString::fromStdString(t->Batch().model[1].Describe()));
    }

    // The keyboard collapses the current item: its own flag follows, no other.
    void keyboardCollapseTogglesTheRightLayer() {
        Tree().expandItem(Item({0, -1, -1, false}));
        for (int j = 0; j < 3; ++j) Tree().expandItem(Item({0, j, -1, false}));
        Tree().setFocus();
        Tree().setCurrentItem(Item({0, 1, -1, false}));
        QTest::keyClick(&Tree(), Qt::Key_Left);
        const CModel& model = t->Batch().model;
        QCOMPARE(model[1].treeExpanded, 0u);
        QCOMPARE(model[0].treeExpanded, 1u);
        QCOMPARE(model[2].treeExpanded, 1u);
        t->Frame().RebuildTree();
        QVERIFY(!Item({0, 1, -1, false})->isExpanded());
        QVERIFY(Item({0, 2, -1, false})->isExpanded());
    }

    // Clicks select on release, also while a trace runs; a double click selects, opens the editor and
    // never expands.
    void clicksSelect() {
        Tree().expandItem(Item({0, -1, -1, false}));
        Click(Item({0, 2, -1, false}));
        QCOMPARE(t->View().SelectionKind(), SelectLayer);
        QCOMPARE(t->Batch().model.selectedLayer, &t->Batch().model[2]);

        QVERIFY(t->OpenLongTrace());
        t->Trigger(ECommand::Start);
        Tree().expandItem(Item({0, -1, -1, false}));
        Click(Item({0, 1, -1, false}));
        QCOMPARE(t->View().SelectionKind(), SelectLayer);
        QCOMPARE(t->Batch().model.selectedLayer, &t->Batch().model[1]);
        QVERIFY(t->Doc().Batches().worker.IsAlive());
        t->Trigger(ECommand::Stop);

        QTreeWidgetItem* layer = Item({0, 0, -1, false});
        QVERIFY(!layer->isExpanded());
        Tree().scrollToItem(layer);
        QString opened;
        t->Frame().Builders().runDialog = [&opened](QDialog& dialog) {
            opened = dialog.windowTitle();
            return int(QDialog::Rejected);
        };
        QTest::mouseDClick(Tree().viewport(), Qt::LeftButton, {}, Tree().visualItemRect(layer).center());
        QCOMPARE(opened, QString("Layer Optical Models/Properties"));
        layer = Item({0, 0, -1, false});  // the tree was rebuilt after the editor
        QVERIFY(!layer->isExpanded());
        QCOMPARE(t->Batch().model.selectedLayer, &t->Batch().model[0]);
    }

    // Documents have no count limit: 300 planes in a layer open, and their items select their planes.
    void threeHundredPlanes() {
        CBatchList list;
        list[0].name = "Many";
        CLayer& layer = list[0].model.Append();
        layer.name = "Layer";
        for (int k = 0; k < 300; ++k) layer.Append().name = "Plane " + std::to_string(k);
        const std::string path = QDir::temp().filePath("brelix-300-planes.brx").toStdString();
        std::string error;
        QVERIFY2(SaveDocument(path, list, error), error.c_str());
        QVERIFY(t->app->OpenDocumentFile(QString::fromStdString(path)));
        QFile::remove(QString::fromStdString(path));

        Tree().expandItem(Item({0, -1, -1, false}));
        Tree().expandItem(Item({0, 0, -1, false}));
        Tree().expandItem(Item({0, 0, 299, false}));
        QCOMPARE(Item({0, 0, 299, false})->text(0), QString("Plane 299"));
        Click(Item({0, 0, 299, false}));
        QCOMPARE(t->View().SelectionKind(), SelectPlane);
        QCOMPARE(t->Batch().model.selectedPlane, &t->Batch().model[0][299]);
        Click(Item({0, 0, 299, true}));
        QCOMPARE(t->View().SelectionKind(), SelectEdges);
        QCOMPARE(t->Batch().model.selectedEdges, &t->Batch().model[0][299]);
        t->Frame().RebuildTree();
        QCOMPARE(Tree().currentItem(), Item({0, 0, 299, true}));
    }
};

QTEST_MAIN(TestModelTree)
#include "model_tree_test.moc"
