#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string_view>

#include "view/draw_surface.h"
#include "view/draw_tools.h"

namespace brelix {

struct CSize {
    int32_t cx = 0, cy = 0;
    bool operator==(const CSize&) const = default;
};

// A pixel rectangle; the right column and bottom row are outside it.
struct CRect {
    int32_t left = 0, top = 0, right = 0, bottom = 0;
    int32_t Width() const { return right - left; }
    int32_t Height() const { return bottom - top; }
    bool operator==(const CRect&) const = default;
};

// Where the reference point of a text lies, in the text's own direction (for a rotated text, "top" is the
// side its letters' tops face).
enum class EAlignX { Left, Center, Right };
enum class EAlignY { Top, Bottom };
struct CTextAlign {
    EAlignX x = EAlignX::Left;
    EAlignY y = EAlignY::Top;
    bool operator==(const CTextAlign&) const = default;
};

// A font of the face "Arial" (or, where it is missing, the platform's sans-serif face), weight 400,
// variable pitch. `pixelHeight` 0 is the surface's default font, whose face and size are the platform's.
// `escapement` is the text direction in tenths of a degree counter-clockwise: 0 (left to right) or 900
// (bottom to top).
struct CFont {
    int32_t pixelHeight = 0;
    int32_t escapement = 0;
    bool operator==(const CFont&) const = default;
};

struct CTextMetrics {
    int32_t height = 0;  // ascent plus descent
    int32_t ascent = 0;
    int32_t averageCharWidth = 0;
    bool operator==(const CTextMetrics&) const = default;
};

struct CBrush {
    CColor color;
    bool operator==(const CBrush&) const = default;
};

// How pen strokes meet the pixels under them: Copy paints the pen's colour; Not inverts each pixel the
// stroke covers and ignores the colour, so drawing the same shape twice restores the picture.
enum class ERasterOp { Copy, Not };

enum class EBackground { Opaque, Transparent };

// The surface the user interface draws on: a window's paint surface, an off-screen image or a printer
// page. The trace worker only needs IDrawSurface; everything here is for views, bars and printing.
//
// Text is UTF-8. Every Select/Set returns what it replaces, so that a caller can put it back. A new
// surface holds: no pen, no brush (shapes are not filled), the default font, text aligned left and top,
// black text on an opaque white background, raster operation Copy, no clip. Operations are whole pixels
// as in IDrawSurface; coordinates may lie outside the surface (what falls outside is not drawn).
class IViewSurface : public IDrawSurface {
  public:
    // Text out: draws the text with its reference point (per the alignment) at (x, y), in the current
    // font and text colour; behind the text, an opaque background fills the text's extent with white.
    virtual void TextOut(int x, int y, std::string_view text) = 0;
    virtual CTextAlign SetTextAlign(CTextAlign align) = 0;
    virtual CColor SetTextColor(CColor color) = 0;
    virtual EBackground SetBackground(EBackground mode) = 0;
    virtual CFont SelectFont(const CFont& font) = 0;
    // Width and height of a text in the current font, as TextOut would draw it unrotated.
    virtual CSize TextExtent(std::string_view text) const = 0;
    virtual CTextMetrics TextMetrics() const = 0;

    // Connected lines through the points in the current pen, as MoveTo to the first and LineTo to each
    // other; the current point is not used and does not move.
    virtual void Polyline(std::span<const CPoint> points) = 0;
    // Null selects no brush: shapes get their outline only.
    virtual const CBrush* SelectBrush(const CBrush* brush) = 0;
    // The outline of the rectangle in the current pen (on its left and top edges and one pixel inside its
    // right and bottom edges), its inside filled with the current brush.
    virtual void Rectangle(const CRect& rect) = 0;
    // The ellipse inscribed in the rectangle, outlined and filled as Rectangle.
    virtual void Ellipse(const CRect& rect) = 0;
    // Fills the rectangle with a colour: no outline, current pen, brush and raster operation unused.
    virtual void FillRect(const CRect& rect, CColor color) = 0;
    // Applies to the strokes of LineTo, Polyline, Rectangle and Ellipse.
    virtual ERasterOp SetRasterOp(ERasterOp op) = 0;

    // Draws only inside the rectangle from now on; no rectangle lifts the clip.
    virtual void SelectClipRect(const std::optional<CRect>& clip) = 0;
    // The drawable size in pixels: the window's client area, or the printer's page.
    virtual CSize DeviceSize() const = 0;
};

}  // namespace brelix
