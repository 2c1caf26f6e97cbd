#pragma once

#include <QPainter>

#include "view/draw_surface.h"

namespace brelix {

// The engine's drawing surface over a painter: a widget, an off-screen image or a printer page. Lines
// are one pixel wide, without smoothing, cut to the painter's device first, since a zoomed view puts
// points far outside it.
class CPainterSurface : public IDrawSurface {
public:
    explicit CPainterSurface(QPainter& painter);

    const CPen* SelectPen(const CPen* pen) override;
    void MoveTo(int x, int y) override { at_ = QPoint(x, y); }
    void LineTo(int x, int y) override;
    void FillRect(const QRect& rect, CColor color);

private:
    QPainter& painter_;
    const CPen* pen_ = nullptr;
    QPoint at_;
};

QColor ToQColor(CColor color);

}  // namespace brelix
