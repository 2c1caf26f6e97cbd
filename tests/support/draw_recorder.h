#pragma once

#include <string>
#include <vector>

#include "view/draw_tools.h"

namespace brelix::test {

// A drawing surface that keeps what a person would see: every line with its end points and the pen it is
// drawn in. Pen selections and moves that draw nothing leave no trace of their own.
class CDrawRecorder : public IDrawSurface {
  public:
    struct CLine {
        CPoint from, to;
        const CPen* pen;
    };

    const CPen* SelectPen(const CPen* pen) override;
    void MoveTo(int x, int y) override { at_ = {x, y}; }
    void LineTo(int x, int y) override;

    // One text line per line drawn: "x0 y0 x1 y1 r g b solid|dotted" ("no pen" before any is selected).
    std::string Text() const;
    const CPen* CurrentPen() const { return pen_; }

    std::vector<CLine> lines;

  private:
    const CPen* pen_ = nullptr;
    CPoint at_;
};

}  // namespace brelix::test
