#include <QtTest>
#include <set>

#include "core/shared_value.h"
#include "tests/app/app_fixture.h"

using namespace brelix;
using namespace brelix::test;

class TestModelView : public QObject {
    Q_OBJECT

private:
    std::unique_ptr<CTestApp> t;

    QImage Picture() { return t->View().grab().toImage().convertToFormat(QImage::Format_RGB32); }

    static bool HasColourNear(const QImage& image, CPoint at, QColor colour) {
        for (int dy = -1; dy <= 1; ++dy)
            for (int dx = -1; dx <= 1; ++dx) {
                const QPoint p(at.x + dx, at.y + dy);
                if (image.rect().contains(p) && image.pixelColor(p) == colour) return true;
            }
        return false;
    }

    // The four corners of a parallelogram plane, projected.
    static std::vector<CPoint> Corners(const CDrawTools& tools, const CPlane& plane) {
        const CRay &e1 = plane.edge1, &e2 = plane.edge2;
        const double v1[3] = {e1.dx * e1.step, e1.dy * e1.step, e1.dz * e1.step};
        const double v2[3] = {e2.dx * e2.step, e2.dy * e2.step, e2.dz * e2.step};
        return {tools.ProjectPoint(e1.x, e1.y, e1.z),
                tools.ProjectPoint(e1.x + v1[0], e1.y + v1[1], e1.z + v1[2]),
                tools.ProjectPoint(e2.x + v2[0], e2.y + v2[1], e2.z + v2[2]),
                tools.ProjectPoint(e1.x + v1[0] + v2[0], e1.y + v1[1] + v2[1], e1.z + v1[2] + v2[2])};
    }

    // Pixels in the colours of the intensity bands that neither the model's lines nor the background use.
    static int RayPixels(const QImage& image, std::set<QRgb>* colours = nullptr) {
        static const std::set<QRgb> bands = {qRgb(255, 0, 0),   qRgb(191, 0, 0), qRgb(255, 128, 0), qRgb(223, 223, 0),
                                             qRgb(0, 191, 0),   qRgb(0, 255, 255), qRgb(0, 191, 191), qRgb(0, 0, 255),
                                             qRgb(0, 0, 191),   qRgb(255, 0, 255), qRgb(191, 0, 191)};
        int count = 0;
        for (int y = 0; y < image.height(); ++y)
            for (int x = 0; x < image.width(); ++x) {
                const QRgb pixel = image.pixel(x, y) | 0xff000000;
                if (bands.count(pixel)) {
                    ++count;
                    if (colours) colours->insert(pixel);
                }
            }
        return count;
    }

private slots:
    void initTestCase() { UseTestSettings(); }
    void init() {
        t = std::make_unique<CTestApp>();
        QVERIFY(t->Open("planar_wafer.brx"));
        t->View().setFocus();
    }
    void cleanup() { t.reset(); }

    // The planar example's planes are 1e7 wide: zoomed out, their corners are drawn where they project,
    // and "I" moves them.
    void planeCornersFollowTheProjection() {
        CDrawTools& tools = t->Batch().drawTools;
        tools.scale = 2.5e-5;
        const CPlane& front = t->Batch().model[0][0];
        const std::vector<CPoint> before = Corners(tools, front);
        QImage image = Picture();
        for (const CPoint& corner : before) {
            QVERIFY(image.rect().contains(corner.x, corner.y));
            QVERIFY2(HasColourNear(image, corner, Qt::black), qPrintable(QString("%1 %2").arg(corner.x).arg(corner.y)));
        }
        QTest::keyClick(&t->View(), Qt::Key_I);
        QCOMPARE(tools.scale, 2.5e-5 * 1.1);
        const std::vector<CPoint> after = Corners(tools, front);
        image = Picture();
        for (size_t k = 0; k < after.size(); ++k) {
            QVERIFY(after[k] != before[k]);
            QVERIFY(HasColourNear(image, after[k], Qt::black));
            QVERIFY(!HasColourNear(image, before[k], Qt::black));
        }
    }

    // After a trace the rays show in the colours of their intensity bands; a new projection (Home)
    // clears them, so none stays drawn in the old one.
    void raysShowUntilTheProjectionChanges() {
        CDrawTools& tools = t->Batch().drawTools;
        tools.scale = 0.5;
        tools.tilt = 1.2;
        tools.UpdateTilt();
        tools.originX = 50;
        tools.originY = 200;
        QCOMPARE(RayPixels(Picture()), 0);
        t->Trigger(ECommand::Start);
        QTRY_VERIFY_WITH_TIMEOUT(t->Enabled(ECommand::Start), 30000);
        std::set<QRgb> colours;
        QVERIFY(RayPixels(Picture(), &colours) > 100);
        QVERIFY(colours.count(qRgb(255, 0, 0)));
        QVERIFY(colours.size() >= 3);

        QTest::keyClick(&t->View(), Qt::Key_Home);
        QCOMPARE(tools.rotation, -0.08726666666666666);
        QCOMPARE(RayPixels(Picture()), 0);
    }

    void keysReachTheBatch() {
        CBatch& batch = t->Batch();
        batch.azimuthOffset = 359;
        QTest::keyClick(&t->View(), Qt::Key_PageUp, Qt::ShiftModifier);
        QCOMPARE(LoadShared(batch.azimuthOffset), 0.0);
        QCOMPARE(batch.drawTools.rotation, 0.0);
        QTest::keyClick(&t->View(), Qt::Key_End);
        QCOMPARE(batch.drawTools.tilt, 3.1416 - 0.08726666666666666);
        QTest::keyClick(&t->View(), Qt::Key_H);
        QCOMPARE(batch.drawTools.tilt, 3.1416);
        QCOMPARE(batch.drawTools.sinTilt, std::sin(3.1416));

        // A left drag pans; a middle click resets the view.
        QWidget& view = t->View();
        QTest::mouseMove(&view, QPoint(100, 100));
        QMouseEvent move(QEvent::MouseMove, QPointF(130, 90), view.mapToGlobal(QPointF(130, 90)), Qt::NoButton,
                         Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(&view, &move);
        QCOMPARE(batch.drawTools.originX, 330.0);
        QCOMPARE(batch.drawTools.originY, 290.0);
        QTest::mouseClick(&view, Qt::MiddleButton);
        QCOMPARE(batch.drawTools.originX, 300.0);
    }
};

QTEST_MAIN(TestModelView)
#include "model_view_test.moc"
