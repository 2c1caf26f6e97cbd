#include "app/painter_surface.h"

#include <QPaintDevice>

#include "view/line_raster.h"

namespace brelix {

QColor ToQColor(CColor color) { return QColor(color.r, color.g, color.b); }

CPainterSurface::CPainterSurface(QPainter& painter) : painter_(painter) {
    painter_.setRenderHint(QPainter::Antialiasing, false);
}

const CPen* CPainterSurface::SelectPen(const CPen* pen) {
    if (pen == nullptr) return nullptr;
    const CPen* previous = pen_;
    pen_ = pen;
    QPen qpen(ToQColor(pen->color));
    qpen.setWidth(0);  // one device pixel at any scale
    qpen.setStyle(pen->style == EPenStyle::Dotted ? Qt::DotLine : Qt::SolidLine);
    painter_.setPen(qpen);
    return previous;
}

void CPainterSurface::LineTo(int x, int y) {
    const QPoint from = at_;
    at_ = QPoint(x, y);
    if (!pen_) return;
    const QPaintDevice* device = painter_.device();
    // A margin keeps the cut away from the device's edge, so dotted lines keep their pattern there.
    const int margin = 16;
    CSegment s{double(from.x() + margin), double(from.y() + margin), double(x + margin), double(y + margin)};
    if (!ClipSegment(s, device->width() + 2 * margin, device->height() + 2 * margin)) return;
    painter_.drawLine(QLineF(s.x0 - margin, s.y0 - margin, s.x1 - margin, s.y1 - margin));
}

void CPainterSurface::FillRect(const QRect& rect, CColor color) { painter_.fillRect(rect, ToQColor(color)); }

}  // namespace brelix
