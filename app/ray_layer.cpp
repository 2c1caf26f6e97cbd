#include "app/ray_layer.h"

#include <QPainter>

#include "view/line_raster.h"

namespace brelix {

void CRayLayer::Resize(const QSize& size, const CDrawTools& tools) {
    auto lock = Lock();
    image_ = QImage(size, QImage::Format_ARGB32_Premultiplied);
    PostLocked(tools);
}

void CRayLayer::DrawOn(QPainter& painter) const {
    auto lock = Lock();
    if (!image_.isNull()) painter.drawImage(0, 0, image_);
}

void CRayLayer::ClearLocked() { image_.fill(Qt::transparent); }

void CRayLayer::DrawLineLocked(CPoint from, CPoint to, const CPen& pen) {
    // Pixels are set directly: a painter per line would cost more than the trace op that drew it.
    const QRgb colour = qRgb(pen.color.r, pen.color.g, pen.color.b);
    QImage& image = image_;
    RasterLine(from, to, image.width(), image.height(), pen.style == EPenStyle::Dotted,
               [&](int x, int y) { reinterpret_cast<QRgb*>(image.scanLine(y))[x] = colour; });
}

}  // namespace brelix
