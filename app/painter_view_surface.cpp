#include "app/painter_view_surface.h"

#include <QFontMetrics>

namespace brelix {

namespace {

constexpr CColor kWhite{255, 255, 255};

QString ToQString(std::string_view text) {
    return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

}  // namespace

QRect ToQRect(const CRect& rect) {
    return QRect(rect.left, rect.top, rect.Width(), rect.Height());
}

QFont ToQFont(const CFont& font, const QFont& platform) {
    if (font.pixelHeight <= 0) return platform;
    QFont face("Arial");
    face.setStyleHint(QFont::SansSerif);
    face.setPixelSize(font.pixelHeight);
    face.setWeight(QFont::Normal);
    return face;
}

CPainterViewSurface::CPainterViewSurface(QPainter& painter, CSize device)
    : painter_(painter), device_(device), defaultFont_(painter.font()) {
    painter_.save();
    painter_.setRenderHint(QPainter::Antialiasing, false);
    painter_.setRenderHint(QPainter::TextAntialiasing, true);
    painter_.setBrush(Qt::NoBrush);
}

CPainterViewSurface::~CPainterViewSurface() {
    painter_.restore();
}

const CPen* CPainterViewSurface::SelectPen(const CPen* pen) {
    if (pen == nullptr) return nullptr;
    const CPen* previous = pen_;
    pen_ = pen;
    return previous;
}

bool CPainterViewSurface::BeginStroke() {
    if (!pen_) return false;
    QPen pen(ToQColor(pen_->color));
    pen.setWidth(0);  // one device pixel at any scale
    pen.setStyle(pen_->style == EPenStyle::Dotted ? Qt::DotLine : Qt::SolidLine);
    // A flat cap leaves a line's end point out, so that joined lines cover each pixel once.
    pen.setCapStyle(Qt::FlatCap);
    pen.setJoinStyle(Qt::MiterJoin);
    painter_.setPen(pen);
    painter_.setBrush(Qt::NoBrush);
    if (op_ == ERasterOp::Not) painter_.setCompositionMode(QPainter::RasterOp_NotDestination);
    return true;
}

void CPainterViewSurface::EndStroke() {
    painter_.setCompositionMode(QPainter::CompositionMode_SourceOver);
}

void CPainterViewSurface::LineTo(int x, int y) {
    const QPoint from = at_;
    at_ = QPoint(x, y);
    if (!BeginStroke()) return;
    painter_.drawLine(from, at_);
    EndStroke();
}

void CPainterViewSurface::Polyline(std::span<const CPoint> points) {
    if (points.size() < 2 || !BeginStroke()) return;
    QPolygon polygon;
    polygon.reserve(static_cast<qsizetype>(points.size()));
    for (const CPoint& p : points) polygon << QPoint(p.x, p.y);
    painter_.drawPolyline(polygon);
    EndStroke();
}

const CBrush* CPainterViewSurface::SelectBrush(const CBrush* brush) {
    const CBrush* previous = brush_;
    brush_ = brush;
    return previous;
}

void CPainterViewSurface::Rectangle(const CRect& rect) {
    if (rect.Width() <= 0 || rect.Height() <= 0) return;
    if (brush_) painter_.fillRect(ToQRect(rect), ToQColor(brush_->color));
    if (!BeginStroke()) return;
    // Closed through its first corner, whose pixel the last side leaves out: each pixel once.
    const int l = rect.left, t = rect.top, r = rect.right - 1, b = rect.bottom - 1;
    painter_.drawPolyline(QPolygon({QPoint(l, t), QPoint(r, t), QPoint(r, b), QPoint(l, b), QPoint(l, t)}));
    if (l == r || t == b) painter_.drawPoint(l, t);  // a line of a rectangle: its first pixel too
    EndStroke();
}

void CPainterViewSurface::Ellipse(const CRect& rect) {
    if (rect.Width() <= 0 || rect.Height() <= 0) return;
    const QRect box(rect.left, rect.top, rect.Width() - 1, rect.Height() - 1);
    if (brush_) {
        painter_.setPen(Qt::NoPen);
        painter_.setBrush(ToQColor(brush_->color));
        painter_.drawEllipse(ToQRect(rect));
        painter_.setBrush(Qt::NoBrush);
    }
    if (!BeginStroke()) return;
    painter_.drawEllipse(box);
    EndStroke();
}

void CPainterViewSurface::FillRect(const CRect& rect, CColor color) {
    painter_.fillRect(ToQRect(rect), ToQColor(color));
}

ERasterOp CPainterViewSurface::SetRasterOp(ERasterOp op) {
    const ERasterOp previous = op_;
    op_ = op;
    return previous;
}

void CPainterViewSurface::SelectClipRect(const std::optional<CRect>& clip) {
    if (clip)
        painter_.setClipRect(ToQRect(*clip));
    else
        painter_.setClipping(false);
}

CTextAlign CPainterViewSurface::SetTextAlign(CTextAlign align) {
    const CTextAlign previous = align_;
    align_ = align;
    return previous;
}

CColor CPainterViewSurface::SetTextColor(CColor color) {
    const CColor previous = textColor_;
    textColor_ = color;
    return previous;
}

EBackground CPainterViewSurface::SetBackground(EBackground mode) {
    const EBackground previous = background_;
    background_ = mode;
    return previous;
}

CFont CPainterViewSurface::SelectFont(const CFont& font) {
    const CFont previous = font_;
    font_ = font;
    painter_.setFont(ToQFont(font, defaultFont_));
    return previous;
}

CSize CPainterViewSurface::TextExtent(std::string_view text) const {
    const QFontMetrics metrics = painter_.fontMetrics();
    return {metrics.horizontalAdvance(ToQString(text)), metrics.height()};
}

CTextMetrics CPainterViewSurface::TextMetrics() const {
    const QFontMetrics metrics = painter_.fontMetrics();
    return {metrics.height(), metrics.ascent(), metrics.averageCharWidth()};
}

void CPainterViewSurface::TextOut(int x, int y, std::string_view text) {
    const QString string = ToQString(text);
    const QFontMetrics metrics = painter_.fontMetrics();
    const int width = metrics.horizontalAdvance(string), height = metrics.height();
    // The text's box relative to its reference point, in the text's own direction.
    const int left = align_.x == EAlignX::Left ? 0 : align_.x == EAlignX::Center ? -width / 2 : -width;
    const int top = align_.y == EAlignY::Top ? 0 : -height;
    painter_.save();
    painter_.translate(x, y);
    if (font_.escapement != 0) painter_.rotate(-font_.escapement / 10.0);
    if (background_ == EBackground::Opaque)
        painter_.fillRect(QRect(left, top, width, height), ToQColor(kWhite));
    painter_.setPen(ToQColor(textColor_));
    painter_.drawText(QPoint(left, top + metrics.ascent()), string);
    painter_.restore();
}

}  // namespace brelix
