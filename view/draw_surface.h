#pragma once

#include <cstdint>

namespace brelix {

class CDrawTools;

struct CColor {
    uint8_t r = 0, g = 0, b = 0;
    bool operator==(const CColor&) const = default;
};

enum class EPenStyle { Solid, Dotted };

// A pen of the drawing tools' fixed set: one pixel wide, solid or dotted.
struct CPen {
    EPenStyle style = EPenStyle::Solid;
    CColor color;
    bool operator==(const CPen&) const = default;
};

// What the engine draws on: whole pixels, x to the right, y downward. The desktop application implements
// it over its painter (window, off-screen image or printer); the runner and the tests use CNullSurface or
// a recorder. This is all the trace worker needs; views, bars and printing draw on the larger
// IViewSurface (view/view_surface.h).
class IDrawSurface {
public:
    virtual ~IDrawSurface() = default;
    // Makes a pen current and returns the one it replaces (null when none was selected). Selecting no pen
    // (null) changes nothing and returns null.
    virtual const CPen* SelectPen(const CPen* pen) = 0;
    virtual void MoveTo(int x, int y) = 0;
    // A line in the current pen from the current point; the end point is not drawn; the current point moves.
    virtual void LineTo(int x, int y) = 0;

    // For a surface the trace worker draws on while the user interface changes the drawing settings (turns
    // or zooms the picture): the settings the worker is to draw with. Called by the worker between trace
    // ops, it copies them into `tools` when they changed since `version` (which it then updates) and
    // returns true; a surface whose owner keeps no settings returns false, and the worker draws with the
    // batch's own. The owner changes the settings, and clears what was drawn with the old ones, under one
    // lock, so no ray of an old projection stays on the surface.
    virtual bool CollectSettings(CDrawTools& tools, uint64_t& version) {
        (void)tools;
        (void)version;
        return false;
    }
};

// Draws nothing: for traces nobody watches.
class CNullSurface final : public IDrawSurface {
public:
    const CPen* SelectPen(const CPen* pen) override {
        if (pen == nullptr) return nullptr;
        const CPen* previous = pen_;
        pen_ = pen;
        return previous;
    }
    void MoveTo(int, int) override {}
    void LineTo(int, int) override {}

private:
    const CPen* pen_ = nullptr;
};

}  // namespace brelix
