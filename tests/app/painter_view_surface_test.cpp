#include <QApplication>
#include <QFontInfo>
#include <QImage>
#include <QPainter>
#include <QtTest>

#include "app/painter_view_surface.h"
#include "graph/interactive_graph.h"

using namespace brelix;

// The view surface over a painter on an image: what engine code draws lands on the pixels the interface
// promises.
class TestPainterViewSurface : public QObject {
    Q_OBJECT

  private:
    static constexpr CColor kRed{255, 0, 0};
    static constexpr CPen kRedPen{EPenStyle::Solid, kRed};
    static constexpr CPen kBlackPen{EPenStyle::Solid, {0, 0, 0}};

    static QImage White(int width = 80, int height = 60) {
        QImage image(width, height, QImage::Format_RGB32);
        image.fill(Qt::white);
        return image;
    }
    // The box around every pixel that is not white.
    static QRect Inked(const QImage& image) {
        QRect box;
        for (int y = 0; y < image.height(); ++y)
            for (int x = 0; x < image.width(); ++x)
                if (image.pixel(x, y) != qRgb(255, 255, 255)) box |= QRect(x, y, 1, 1);
        return box;
    }
    static int Count(const QImage& image, QRgb colour) {
        int count = 0;
        for (int y = 0; y < image.height(); ++y)
            for (int x = 0; x < image.width(); ++x) count += image.pixel(x, y) == colour;
        return count;
    }

  private slots:
    // Lines leave their end point out, as the worker's surface does; a polyline covers its joins once.
    void linesWithoutTheirEndPoint() {
        QImage image = White();
        {
            QPainter painter(&image);
            CPainterViewSurface surface(painter, {80, 60});
            QCOMPARE(surface.DeviceSize(), (CSize{80, 60}));
            surface.MoveTo(10, 10);
            surface.LineTo(20, 10);  // no pen yet: nothing
            QCOMPARE(surface.SelectPen(&kRedPen), nullptr);
            surface.LineTo(30, 10);
            const CPoint corner[] = {{10, 20}, {20, 20}, {20, 30}};
            surface.Polyline(corner);
        }
        QCOMPARE(Count(image, qRgb(255, 0, 0)), 10 + 10 + 10);
        QCOMPARE(image.pixel(20, 10), qRgb(255, 0, 0));
        QCOMPARE(image.pixel(30, 10), qRgb(255, 255, 255));
        QCOMPARE(image.pixel(20, 20), qRgb(255, 0, 0));
        QCOMPARE(image.pixel(20, 30), qRgb(255, 255, 255));
    }

    // Outline on the left and top edges and one pixel inside the right and bottom ones, filled with the
    // brush; FillRect fills without outline.
    void rectanglesAndFills() {
        QImage image = White();
        const CBrush blue{{0, 0, 255}};
        {
            QPainter painter(&image);
            CPainterViewSurface surface(painter, {80, 60});
            surface.SelectPen(&kBlackPen);
            QCOMPARE(surface.SelectBrush(&blue), nullptr);
            surface.Rectangle({10, 10, 20, 15});
            QCOMPARE(surface.SelectBrush(nullptr), &blue);
            surface.FillRect({40, 40, 43, 42}, kRed);
        }
        QCOMPARE(Inked(image), QRect(10, 10, 33, 32));
        QCOMPARE(Count(image, qRgb(0, 0, 0)), 2 * 10 + 2 * 3);
        QCOMPARE(Count(image, qRgb(0, 0, 255)), 8 * 3);
        QCOMPARE(image.pixel(19, 14), qRgb(0, 0, 0));
        QCOMPARE(Count(image, qRgb(255, 0, 0)), 6);
    }

    // Not inverts each pixel under the outline once and ignores the pen's colour: twice restores the picture.
    void notTwiceRestores() {
        QImage image = White();
        {
            QPainter painter(&image);
            CPainterViewSurface surface(painter, {80, 60});
            surface.FillRect({0, 0, 40, 60}, {10, 200, 30});
        }
        const QImage before = image.copy();
        auto band = [&image] {
            QPainter painter(&image);
            CPainterViewSurface surface(painter, {80, 60});
            surface.SelectPen(&kRedPen);
            QCOMPARE(surface.SetRasterOp(ERasterOp::Not), ERasterOp::Copy);
            surface.Rectangle({20, 10, 61, 41});
        };
        band();
        QCOMPARE(image.pixel(20, 10), qRgb(245, 55, 225));
        QCOMPARE(image.pixel(60, 40), qRgb(0, 0, 0));
        QCOMPARE(image.pixel(40, 10), qRgb(0, 0, 0));
        QCOMPARE(image.pixel(30, 20), qRgb(10, 200, 30));  // inside: untouched
        int changed = 0;
        for (int y = 0; y < 60; ++y)
            for (int x = 0; x < 80; ++x) changed += image.pixel(x, y) != before.pixel(x, y);
        QCOMPARE(changed, 2 * 41 + 2 * 29);
        band();
        QCOMPARE(image, before);
    }

    // A clip keeps drawing inside it; no clip lifts it.
    void clipRectangle() {
        QImage image = White();
        {
            QPainter painter(&image);
            CPainterViewSurface surface(painter, {80, 60});
            surface.SelectClipRect(CRect{10, 10, 20, 20});
            surface.FillRect({0, 0, 80, 60}, kRed);
            surface.SelectClipRect(std::nullopt);
            surface.FillRect({70, 50, 71, 51}, kRed);
        }
        QCOMPARE(Count(image, qRgb(255, 0, 0)), 100 + 1);
        QCOMPARE(Inked(image), QRect(10, 10, 61, 41));
    }

    // Text lands where its alignment puts it, as wide and high as its extent; an opaque background fills the
    // extent with white, a transparent one leaves what is under it.
    void textAlignmentAndExtent() {
        const std::string text = "Wl 1.25";
        for (const auto& [align, where] :
             {std::pair(CTextAlign{EAlignX::Left, EAlignY::Top}, QPoint(0, 0)),
              std::pair(CTextAlign{EAlignX::Center, EAlignY::Top}, QPoint(-1, 0)),
              std::pair(CTextAlign{EAlignX::Right, EAlignY::Bottom}, QPoint(-2, -1))}) {
            QImage image = White(200, 100);
            CSize extent;
            CTextMetrics metrics;
            {
                QPainter painter(&image);
                CPainterViewSurface surface(painter, {200, 100});
                surface.SelectFont({20, 0});
                extent = surface.TextExtent(text);
                metrics = surface.TextMetrics();
                surface.SetTextAlign(align);
                QCOMPARE(surface.SetTextColor(kRed), (CColor{0, 0, 0}));
                surface.SetBackground(EBackground::Transparent);
                surface.TextOut(100, 50, text);
            }
            QVERIFY(extent.cx > 20 && extent.cy >= 20);
            QCOMPARE(metrics.height, extent.cy);
            QVERIFY(metrics.ascent > metrics.height / 2 && metrics.ascent < metrics.height);
            QVERIFY(metrics.averageCharWidth > 0);
            // The reference point's box: left, centred or right of x; from y down, or up to it.
            const QRect box(100 + where.x() * extent.cx / 2, 50 + where.y() * extent.cy, extent.cx,
                            extent.cy);
            const QRect inked = Inked(image);
            QVERIFY2(!inked.isEmpty() && box.adjusted(-1, -1, 1, 1).contains(inked),
                     qPrintable(QString("ink %1,%2 %3x%4 outside %5,%6 %7x%8")
                                    .arg(inked.x())
                                    .arg(inked.y())
                                    .arg(inked.width())
                                    .arg(inked.height())
                                    .arg(box.x())
                                    .arg(box.y())
                                    .arg(box.width())
                                    .arg(box.height())));
            QVERIFY(inked.width() > extent.cx * 2 / 3);
        }

        QImage image(200, 100, QImage::Format_RGB32);
        image.fill(Qt::black);
        {
            QPainter painter(&image);
            CPainterViewSurface surface(painter, {200, 100});
            surface.TextOut(10, 10, text);  // a new surface: black text on an opaque white background
        }
        QVERIFY(image.pixel(10, 10) == qRgb(255, 255, 255));
        QCOMPARE(image.pixel(9, 9), qRgb(0, 0, 0));
    }

    // Escapement 900 turns the text a quarter counter-clockwise: tall and narrow, its letters' tops to the
    // left, centred on y.
    void rotatedText() {
        QImage image = White(100, 300);
        CSize extent;
        {
            QPainter painter(&image);
            CPainterViewSurface surface(painter, {100, 300});
            surface.SelectFont({18, 0});
            extent = surface.TextExtent("Absorption (10^3  )");
            QCOMPARE(surface.SelectFont({18, 900}), (CFont{18, 0}));
            surface.SetTextAlign({EAlignX::Center, EAlignY::Top});
            surface.SetBackground(EBackground::Transparent);
            surface.TextOut(20, 150, "Absorption (10^3  )");
        }
        const QRect inked = Inked(image);
        QVERIFY(inked.height() > inked.width() * 3);
        QVERIFY(inked.left() >= 19 && inked.right() <= 20 + extent.cy);
        QVERIFY(std::abs(inked.center().y() - 150) <= 3);
        QVERIFY(inked.height() <= extent.cx + 1);
    }

    // Fonts by pixel height, weight 400, "Arial" or the platform's sans-serif face; 0 is the default font.
    void fonts() {
        const QFont base = QApplication::font();
        QCOMPARE(ToQFont({}, base), base);
        const QFont font = ToQFont({24, 900}, base);
        QCOMPARE(font.pixelSize(), 24);
        QCOMPARE(font.weight(), QFont::Normal);
        QCOMPARE(font.styleHint(), QFont::SansSerif);
        const QString family = QFontInfo(font).family();
        QVERIFY2(
            !family.contains("Serif", Qt::CaseInsensitive) || family.contains("Sans", Qt::CaseInsensitive),
            qPrintable(family));
    }

    // The interactive graph's band drawn on a plot: twice gives the plot back, pixel for pixel.
    void bandOnAPlot() {
        CInteractiveGraph graph;
        CGraphData data;
        data.x = {1, 2, 3, 4};
        data.series = {{SeriesLayer, "Wafer", {0.1, 0.4, 0.2, 0.3}}};
        graph.ShowGraph(CGraph(GraphWavelength), data);
        QImage image = White(400, 300);
        {
            QPainter painter(&image);
            CPainterViewSurface surface(painter, {400, 300});
            graph.Draw(surface, {0, 0, 400, 300});
        }
        const QImage plot = image.copy();
        const CRect p = graph.Frame()->plot;
        graph.LeftButtonDown({p.left + 10, p.top + 10});
        graph.MouseMove({p.right - 10, p.bottom - 10});
        for (int time = 1; time <= 2; ++time) {
            {
                QPainter painter(&image);
                CPainterViewSurface surface(painter, {400, 300});
                graph.DrawBand(surface);
            }
            QCOMPARE(image == plot, time == 2);
        }
    }
};

QTEST_MAIN(TestPainterViewSurface)
#include "painter_view_surface_test.moc"
