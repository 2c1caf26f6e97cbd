#pragma once

#include <QFont>
#include <QPainter>

#include "app/painter_surface.h"
#include "view/view_surface.h"

namespace brelix {

// The view surface over a painter: a window, an off-screen image or a printer page. The painter's
// coordinates are the surface's (a view may translate the painter to scroll); `device` is what the
// surface reports as its size. Lines are one device pixel wide, unsmoothed, without their end point;
// outlines under ERasterOp::Not invert each pixel once, which needs a raster painter (an image), so the
// rubber band is drawn on an image of the plot.
class CPainterViewSurface : public IViewSurface {
  public:
    CPainterViewSurface(QPainter& painter, CSize device);
    // The painter's pen, brush, font and clip are put back.
    ~CPainterViewSurface() override;
    CPainterViewSurface(const CPainterViewSurface&) = delete;
    CPainterViewSurface& operator=(const CPainterViewSurface&) = delete;

    const CPen* SelectPen(const CPen* pen) override;
    void MoveTo(int x, int y) override { at_ = QPoint(x, y); }
    void LineTo(int x, int y) override;

    void TextOut(int x, int y, std::string_view text) override;
    CTextAlign SetTextAlign(CTextAlign align) override;
    CColor SetTextColor(CColor color) override;
    EBackground SetBackground(EBackground mode) override;
    CFont SelectFont(const CFont& font) override;
    CSize TextExtent(std::string_view text) const override;
    CTextMetrics TextMetrics() const override;

    void Polyline(std::span<const CPoint> points) override;
    const CBrush* SelectBrush(const CBrush* brush) override;
    void Rectangle(const CRect& rect) override;
    void Ellipse(const CRect& rect) override;
    void FillRect(const CRect& rect, CColor color) override;
    ERasterOp SetRasterOp(ERasterOp op) override;

    void SelectClipRect(const std::optional<CRect>& clip) override;
    CSize DeviceSize() const override { return device_; }

  private:
    // Sets the painter up for an outline in the current pen and raster operation; false with no pen.
    bool BeginStroke();
    void EndStroke();

    QPainter& painter_;
    CSize device_;
    const CPen* pen_ = nullptr;
    const CBrush* brush_ = nullptr;
    QPoint at_;
    CTextAlign align_;
    CColor textColor_;
    EBackground background_ = EBackground::Opaque;
    CFont font_;
    QFont defaultFont_;
    ERasterOp op_ = ERasterOp::Copy;
};

QRect ToQRect(const CRect& rect);
// The font of a CFont on a painter: "Arial" of its pixel height, falling back to the platform's sans-serif
// face, weight 400; pixel height 0 gives `platform`.
QFont ToQFont(const CFont& font, const QFont& platform);

}  // namespace brelix
