#include "app/artwork.h"

#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>

namespace brelix {

namespace {

const QColor kInk(40, 40, 40);
const QColor kPaper(255, 255, 255);
const QColor kSlab(120, 150, 200);
const QColor kAdd(0, 150, 0);
const QColor kDelete(200, 0, 0);

QPixmap Blank(int width, int height) {
    QPixmap pixmap(width, height);
    pixmap.fill(Qt::transparent);
    return pixmap;
}

// A batch: a stack of three sheets.
void PaintBatch(QPainter& p, QColor fill) {
    p.setPen(kInk);
    for (int k = 2; k >= 0; --k) {
        p.setBrush(k == 0 ? fill : fill.darker(110 + 15 * k));
        p.drawRect(1 + 2 * k, 5 - 2 * k, 8, 8);
    }
}

// A layer: a slab seen from above and the side.
void PaintLayer(QPainter& p, QColor fill) {
    p.setPen(kInk);
    p.setBrush(fill.lighter(130));
    p.drawPolygon(QPolygon({{1, 6}, {5, 3}, {14, 3}, {10, 6}}));
    p.setBrush(fill);
    p.drawRect(1, 6, 9, 5);
    p.setBrush(fill.darker(130));
    p.drawPolygon(QPolygon({{10, 6}, {14, 3}, {14, 8}, {10, 11}}));
}

// A plane: a parallelogram with its normal.
void PaintPlane(QPainter& p, QColor fill) {
    p.setPen(kInk);
    p.setBrush(fill);
    p.drawPolygon(QPolygon({{1, 12}, {5, 6}, {14, 6}, {10, 12}}));
    p.setPen(QColor(0, 160, 0));
    p.drawLine(8, 9, 8, 1);
}

void PaintEdges(QPainter& p, QColor colour) {
    p.setPen(QPen(colour, 1, Qt::DotLine));
    p.drawPolygon(QPolygon({{1, 12}, {5, 5}, {14, 5}, {10, 12}}));
    p.setPen(QPen(colour, 2));
    p.drawLine(1, 12, 5, 5);
    p.drawLine(1, 12, 10, 12);
}

void PaintDocument(QPainter& p, QColor fill) {
    p.setPen(kInk);
    p.setBrush(fill);
    p.drawPolygon(QPolygon({{3, 1}, {10, 1}, {13, 4}, {13, 14}, {3, 14}}));
    p.drawLine(10, 1, 10, 4);
    p.drawLine(10, 4, 13, 4);
    p.setPen(kSlab);
    for (int y = 6; y <= 12; y += 2) p.drawLine(5, y, 11, y);
}

void PaintSign(QPainter& p, bool add) {
    p.setPen(QPen(add ? kAdd : kDelete, 2));
    if (add) {
        p.drawLine(12, 9, 12, 15);
        p.drawLine(9, 12, 15, 12);
    } else {
        p.drawLine(10, 10, 15, 15);
        p.drawLine(15, 10, 10, 15);
    }
}

QPixmap Toolbar(EToolbarIcon icon) {
    QPixmap pixmap = Blank(16, 15);
    QPainter p(&pixmap);
    switch (icon) {
        case EToolbarIcon::New: PaintDocument(p, kPaper); break;
        case EToolbarIcon::Open:
            p.setPen(kInk);
            p.setBrush(QColor(230, 190, 80));
            p.drawPolygon(QPolygon({{1, 3}, {5, 3}, {6, 5}, {13, 5}, {13, 13}, {1, 13}}));
            p.setBrush(QColor(250, 220, 120));
            p.drawPolygon(QPolygon({{1, 13}, {4, 7}, {15, 7}, {13, 13}}));
            break;
        case EToolbarIcon::Save:
            p.setPen(kInk);
            p.setBrush(QColor(60, 80, 160));
            p.drawRect(1, 1, 13, 13);
            p.setBrush(kPaper);
            p.drawRect(4, 1, 7, 5);
            p.setBrush(QColor(200, 200, 200));
            p.drawRect(4, 9, 7, 5);
            break;
        case EToolbarIcon::AddBatch:
        case EToolbarIcon::DeleteBatch: PaintBatch(p, QColor(250, 230, 150)); break;
        case EToolbarIcon::AddLayer:
        case EToolbarIcon::DeleteLayer: PaintLayer(p, kSlab); break;
        case EToolbarIcon::AddPlane:
        case EToolbarIcon::DeletePlane: PaintPlane(p, QColor(200, 200, 200)); break;
    }
    if (icon >= EToolbarIcon::AddBatch)
        PaintSign(p, icon == EToolbarIcon::AddBatch || icon == EToolbarIcon::AddLayer || icon == EToolbarIcon::AddPlane);
    return pixmap;
}

}  // namespace

QIcon ToolbarIcon(EToolbarIcon icon) { return QIcon(Toolbar(icon)); }

QPixmap TreeImage(int index) {
    QPixmap pixmap = Blank(16, 16);
    QPainter p(&pixmap);
    const bool selected = index >= 5;
    const int level = index % 5;
    if (selected) {
        p.setPen(Qt::NoPen);
        p.setBrush(QColor(255, 230, 120));
        p.drawRoundedRect(0, 0, 16, 16, 3, 3);
    }
    switch (level) {
        case 0: PaintDocument(p, kPaper); break;
        case 1: PaintBatch(p, selected ? QColor(255, 200, 80) : QColor(250, 230, 150)); break;
        case 2: PaintLayer(p, selected ? QColor(220, 60, 60) : kSlab); break;
        case 3: PaintPlane(p, selected ? QColor(90, 90, 255) : QColor(200, 200, 200)); break;
        default: PaintEdges(p, selected ? QColor(255, 0, 255) : kInk); break;
    }
    return pixmap;
}

QIcon ApplicationIcon() {
    QPixmap pixmap = Blank(32, 32);
    QPainter p(&pixmap);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(Qt::NoPen);
    p.setBrush(kSlab);
    p.drawRect(2, 14, 28, 10);
    p.setPen(QPen(QColor(255, 0, 0), 2));
    p.drawLine(6, 2, 12, 14);
    p.drawLine(12, 14, 16, 24);
    p.setPen(QPen(QColor(255, 128, 0), 2));
    p.drawLine(12, 14, 20, 2);
    return QIcon(pixmap);
}

void PaintSplash(QPainter& p) {
    const QRect all(0, 0, kSplashWidth, kSplashHeight);
    QLinearGradient sky(0, 0, 0, kSplashHeight);
    sky.setColorAt(0, QColor(20, 30, 70));
    sky.setColorAt(1, QColor(60, 90, 150));
    p.fillRect(all, sky);
    p.setRenderHint(QPainter::Antialiasing);

    // A textured cell: pyramids on a wafer, and rays that refract into it and bounce off its rear.
    const int top = 120, bottom = 185, left = 300, right = 580;
    QPainterPath wafer;
    wafer.moveTo(left, bottom);
    for (int x = left; x < right; x += 40) {
        wafer.lineTo(x, top + 15);
        wafer.lineTo(x + 20, top - 10);
    }
    wafer.lineTo(right, top + 15);
    wafer.lineTo(right, bottom);
    wafer.closeSubpath();
    p.setPen(QPen(QColor(200, 210, 230), 1));
    p.setBrush(QColor(70, 80, 110));
    p.drawPath(wafer);
    p.fillRect(QRect(left, bottom, right - left, 6), QColor(190, 190, 200));

    const QColor rays[] = {QColor(255, 0, 0), QColor(255, 128, 0), QColor(223, 223, 0), QColor(0, 191, 0),
                           QColor(0, 191, 191)};
    for (int k = 0; k < 5; ++k) {
        const int x = 340 + 45 * k;
        const int hit = top + (k % 2 ? 12 : 0);
        p.setPen(QPen(rays[k], 2));
        p.drawLine(x - 30, 10, x, hit);
        p.setPen(QPen(rays[k].darker(130), 1.5));
        p.drawLine(x, hit, x + 12, bottom);
        p.drawLine(x + 12, bottom, x + 30, hit + 18);
        p.setPen(QPen(rays[k].lighter(120), 1, Qt::DotLine));
        p.drawLine(x, hit, x + 35, 20);
    }

    p.setPen(QColor(255, 255, 255));
    QFont title("DejaVu Sans", 40, QFont::Bold);
    p.setFont(title);
    p.drawText(QRect(30, 40, 280, 60), Qt::AlignLeft | Qt::AlignVCenter, "Brelix");
    QFont subtitle("DejaVu Sans", 11);
    p.setFont(subtitle);
    p.setPen(QColor(200, 215, 240));
    p.drawText(QRect(32, 105, 270, 60), Qt::AlignLeft | Qt::TextWordWrap,
               "Monte Carlo ray tracing of layered,\ntextured optical structures");
    p.setPen(QColor(150, 170, 210));
    p.drawText(QRect(32, 175, 270, 20), Qt::AlignLeft, "Version " BRELIX_VERSION);
}

}  // namespace brelix
