#pragma once

#include <optional>
#include <string>
#include <vector>

#include "graph/graph.h"
#include "graph/plot.h"
#include "graph/zoom_stack.h"

namespace brelix {

// Keys the graph answers; the window passes these and ignores the others.
enum class EGraphKey { Home, End, Left, Right, Up, Down, Enter, Escape };

// What the window does after an event.
struct CGraphReaction {
    enum ERepaint {
        None,
        Band,  // only the band changed: the plot as it was, then DrawBand
        Plot,  // the range or the cursor changed: Draw, then DrawBand
    };
    ERepaint repaint = None;
    // Escape with nothing to undo: the document updates its other views with this view's graph.
    bool updateOtherViews = false;
    bool operator==(const CGraphReaction&) const = default;
};

// The interactive graph: one x array against up to 16 series, which the user zooms into with a rubber band
// drawn with the mouse or the keyboard, steps back out of, walks with a cursor and copies as text. The
// window passes its mouse and key events here in pixels and paints with Draw and DrawBand; pixels are
// mapped to data through the layout of the last Draw, which is the picture the user sees.
class CInteractiveGraph {
  public:
    // A new graph: its texts and data. The view range is fitted to the data and the zoom steps dropped,
    // unless "Retain Zoom" is on and the graph is of the kind shown before. The band and cursor go.
    void ShowGraph(const CGraph& graph, CGraphData data);
    // New data of the graph shown (the refresh while a trace runs): the range, zoom steps, band and
    // cursor stay.
    void Refresh(CGraphData data);
    void SetLogarithmic(bool x, bool y);
    void SetRetainZoom(bool retain) { retainZoom_ = retain; }
    bool RetainZoom() const { return retainZoom_; }
    // The platform's double-click size: a band no larger than twice it, in either direction, is a click.
    void SetDoubleClickSize(CSize size) { doubleClick_ = size; }

    const CViewRange& Range() const { return setup_.range; }
    int ZoomDepth() const { return zoomStack_.Depth(); }
    const CGraphData& Data() const { return data_; }

    // Draws the plot and the cursor in the window's client rectangle and keeps the layout.
    void Draw(IViewSurface& surface, const CRect& client);
    // Draws the plot alone on a page (printing, or a figure saved to a file); the window's layout, band and
    // cursor are left as they are.
    void DrawPage(IViewSurface& surface, const CRect& page) const { DrawPlot(surface, page, setup_, data_); }
    // Draws the band, if one is shown, as a rectangle outline that inverts the pixels: drawing it twice
    // restores the picture.
    void DrawBand(IViewSurface& surface) const;
    // The layout of the last Draw, or null before the first.
    const CPlotFrame* Frame() const { return frame_ ? &*frame_ : nullptr; }

    CGraphReaction LeftButtonDown(CPoint point);
    CGraphReaction MouseMove(CPoint point);
    CGraphReaction LeftButtonUp(CPoint point);
    CGraphReaction RightButtonDown() { return KeyDown(EGraphKey::Escape, false); }
    CGraphReaction KeyDown(EGraphKey key, bool ctrl);

    // The status line: what to do with the band ("Release mouse button to zoom into selected region"), or
    // after a cursor move the cursor's point; empty when there is nothing to say.
    const std::string& Prompt() const { return prompt_; }
    // While a band is shown, its corners in data units: "Selection:(x0,y0)-(x1,y1)"; else empty.
    std::string SelectionText() const;
    // "Copy Graph Data": the title, a blank line, then a line for each visible point: x, then a tab and the
    // value of each series; lines end in "\r\n".
    std::string CopyText() const;

    struct CCursor {
        size_t point;
        size_t series;
        bool operator==(const CCursor&) const = default;
    };
    const std::optional<CCursor>& Cursor() const { return cursor_; }

  private:
    struct CBand {
        CPoint anchor, end;
        bool dragging = false;  // by the mouse; else by the keyboard
    };
    struct CVisible {
        size_t first, last;
    };

    void FitRange();
    CPoint ClampToPlot(CPoint point) const;
    bool IsSmall(const CBand& band) const;
    // Points whose x lies in the view range, which the x axis can show.
    std::optional<CVisible> Visible() const;
    CGraphReaction ZoomToBand();
    CGraphReaction MoveCursor(EGraphKey key, bool ctrl);
    CGraphReaction StartKeyboardBand();
    void PlaceCursorAt(CPoint click);
    // The series whose value at a point is next above (+1) or below (-1) the cursor's, if any.
    std::optional<size_t> NextSeries(size_t point, size_t series, int direction) const;
    // The cursor's point in pixels, inside the plot.
    std::optional<CPoint> CursorPixel() const;
    std::string CursorText() const;
    bool Shows(double x, double y) const;

    CPlotSetup setup_;
    CGraphData data_;
    std::optional<EGraphKind> kind_;
    bool retainZoom_ = false;
    CSize doubleClick_{4, 4};
    CZoomStack zoomStack_;
    std::optional<CPlotFrame> frame_;
    std::optional<CBand> band_;
    std::optional<CCursor> cursor_;
    std::string prompt_;
};

}  // namespace brelix
