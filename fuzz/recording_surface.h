#pragma once

#include <cstdint>

#include "view/draw_surface.h"

namespace brelix::fuzz {

// Counts the lines the engine draws and copies the pen of each, so that a pen that no longer exists shows
// under AddressSanitizer as it would crash a painter.
class CRecordingSurface final : public IDrawSurface {
public:
    const CPen* SelectPen(const CPen* pen) override {
        if (pen == nullptr) return nullptr;
        const CPen* previous = pen_;
        pen_ = pen;
        return previous;
    }
    void MoveTo(int, int) override {}
    void LineTo(int, int) override {
        ++lines;
        if (pen_) lastPen = *pen_;
    }

    uint64_t lines = 0;
    CPen lastPen;

private:
    const CPen* pen_ = nullptr;
};

}  // namespace brelix::fuzz
