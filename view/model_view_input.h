#pragma once

#include <cstdint>

#include "view/draw_tools.h"

namespace brelix {

class CBatch;

// The keys the model view answers.
enum class EViewKey { Home, End, PageUp, PageDown, Left, Right, Up, Down, I, O, H, Clear, Escape, Other };

// Buttons and keys held during a mouse move; the button state must match a case exactly.
enum EMouseState : uint32_t {
    MouseLeft = 1,
    MouseRight = 2,
    MouseMiddle = 4,
    MouseShift = 8,
    MouseControl = 16,
};

// What the view does after an input.
struct CViewEffect {
    bool projection = false;  // the drawing tools changed: the worker's rays of the old picture go
    bool offsets = false;     // the batch's source offsets changed
    bool stop = false;        // Escape: the document's "Stop"
    bool redraw() const { return projection || offsets; }
};

// The model view's keys and drags on the current batch: without Shift they turn, tilt, zoom and pan the
// picture (the batch's drawing tools); with Shift they move the source offsets, which the worker may be
// reading, so those are written whole.
class CModelViewInput {
public:
    static constexpr double Step = 0.08726666666666666;  // 5 degrees taken as 3.1416 / 36

    CViewEffect Key(CBatch& batch, EViewKey key, bool shift) const;
    // A mouse move to (x, y); the last point is updated whatever the buttons.
    CViewEffect MouseMove(CBatch& batch, int x, int y, uint32_t state);
    // The middle button resets the view (not the colour scale).
    CViewEffect MiddleClick(CBatch& batch) const;

    CPoint lastMouse;
};

}  // namespace brelix
