#pragma once

#include <optional>
#include <string>
#include <vector>

#include "view/view_surface.h"

namespace brelix::test {

// A view surface with fixed text metrics that keeps every text, stroke and shape drawn on it, with the
// state it was drawn in, so that tests can measure layouts. The default font is 13 pixels high with an
// ascent of 10 and 7 pixels per character; a font of height h scales these to h, h * 10 / 13 and
// h * 7 / 13 (at least 1). Widths count characters, not bytes: "µm" is two characters wide.
class CViewRecorder : public IViewSurface {
  public:
    struct CText {
        int x, y;
        std::string text;
        CColor color;
        CTextAlign align;
        CFont font;
        EBackground background;
    };
    // A LineTo (two points) or a Polyline.
    struct CStroke {
        std::vector<CPoint> points;
        std::optional<CPen> pen;
        ERasterOp op;
        std::optional<CRect> clip;
    };
    enum class EShape { Rectangle, Ellipse, Fill };
    struct CShape {
        EShape kind;
        CRect rect;
        std::optional<CPen> pen;       // the outline; none for a fill
        std::optional<CColor> inside;  // the brush or the fill colour; none for a hollow shape
        ERasterOp op;
        std::optional<CRect> clip;
    };

    explicit CViewRecorder(CSize device = {800, 600}) : device_(device) {}

    const CPen* SelectPen(const CPen* pen) override;
    void MoveTo(int x, int y) override { at_ = {x, y}; }
    void LineTo(int x, int y) override;

    void TextOut(int x, int y, std::string_view text) override;
    CTextAlign SetTextAlign(CTextAlign align) override { return Exchange(align_, align); }
    CColor SetTextColor(CColor color) override { return Exchange(textColor_, color); }
    EBackground SetBackground(EBackground mode) override { return Exchange(background_, mode); }
    CFont SelectFont(const CFont& font) override { return Exchange(font_, font); }
    CSize TextExtent(std::string_view text) const override;
    CTextMetrics TextMetrics() const override;

    void Polyline(std::span<const CPoint> points) override;
    const CBrush* SelectBrush(const CBrush* brush) override { return Exchange(brush_, brush); }
    void Rectangle(const CRect& rect) override { Shape(EShape::Rectangle, rect); }
    void Ellipse(const CRect& rect) override { Shape(EShape::Ellipse, rect); }
    void FillRect(const CRect& rect, CColor color) override;
    ERasterOp SetRasterOp(ERasterOp op) override { return Exchange(op_, op); }
    void SelectClipRect(const std::optional<CRect>& clip) override { clip_ = clip; }
    CSize DeviceSize() const override { return device_; }

    // The texts drawn, in order, as "x y r g b text" lines.
    std::string TextLines() const;
    const std::optional<CRect>& Clip() const { return clip_; }
    const CFont& Font() const { return font_; }

    std::vector<CText> texts;
    std::vector<CStroke> strokes;
    std::vector<CShape> shapes;

  private:
    template <class T>
    static T Exchange(T& field, T value) {
        T previous = field;
        field = value;
        return previous;
    }
    std::optional<CPen> CurrentPen() const { return pen_ ? std::optional<CPen>(*pen_) : std::nullopt; }
    void Shape(EShape kind, const CRect& rect);

    CSize device_;
    const CPen* pen_ = nullptr;
    const CBrush* brush_ = nullptr;
    CPoint at_;
    CTextAlign align_;
    CColor textColor_;
    EBackground background_ = EBackground::Opaque;
    CFont font_;
    ERasterOp op_ = ERasterOp::Copy;
    std::optional<CRect> clip_;
};

}  // namespace brelix::test
