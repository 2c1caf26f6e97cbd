#pragma once

#include <cstdint>

namespace brelix {

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
// a recorder.
class IDrawSurface {
public:
    virtual ~IDrawSurface() = default;
    // Makes a pen current and returns the one it replaces (null when none was selected). Selecting no pen
    // (null) changes nothing and returns null.
    virtual const CPen* SelectPen(const CPen* pen) = 0;
    virtual void MoveTo(int x, int y) = 0;
    // A line in the current pen from the current point; the end point is not drawn; the current point moves.
    virtual void LineTo(int x, int y) = 0;
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
