#include "graph/interactive_graph.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>

#include "core/format.h"

namespace brelix {

namespace {

constexpr CPen kCursorPen{EPenStyle::Solid, {0, 0, 0}};

// The smallest and largest finite values, if any.
struct CExtent {
    double low = INFINITY, high = -INFINITY;
    void Add(double v) {
        if (!std::isfinite(v)) return;
        low = std::min(low, v);
        high = std::max(high, v);
    }
    bool Empty() const { return low > high; }
};

// Every series gets one value per point (NaN where it had none), so that a point's values are there to read.
CGraphData Complete(CGraphData data) {
    for (CGraphSeries& series : data.series) series.y.resize(data.x.size(), std::nan(""));
    return data;
}

}  // namespace

void CInteractiveGraph::ShowGraph(const CGraph& graph, CGraphData data) {
    setup_.title = graph.title;
    setup_.xLabel = graph.xLabel;
    setup_.xUnits = graph.xDescriptor.unit;
    setup_.yLabel = graph.yLabel;
    setup_.yUnits = graph.seriesDescriptors[0].unit;
    setup_.markPoints = graph.options[0] != 0;
    data_ = Complete(std::move(data));
    const bool keepRange = retainZoom_ && kind_ == graph.kind;
    kind_ = graph.kind;
    if (!keepRange) FitRange();
    band_.reset();
    cursor_.reset();
    prompt_.clear();
}

void CInteractiveGraph::Refresh(CGraphData data) {
    data_ = Complete(std::move(data));
    if (cursor_ && (cursor_->point >= data_.x.size() || cursor_->series >= data_.series.size()))
        cursor_.reset();
}

void CInteractiveGraph::SetLogarithmic(bool x, bool y) {
    setup_.xLogarithmic = x;
    setup_.yLogarithmic = y;
}

void CInteractiveGraph::FitRange() {
    zoomStack_.Clear();
    CExtent x, y;
    for (double v : data_.x) x.Add(v);
    for (const CGraphSeries& series : data_.series)
        for (double v : series.y) y.Add(v);
    const CViewRange defaults;
    setup_.range.xLow = x.Empty() ? defaults.xLow : x.low;
    setup_.range.xHigh = x.Empty() ? defaults.xHigh : x.high;
    setup_.range.yLow = y.Empty() ? defaults.yLow : y.low;
    setup_.range.yHigh = y.Empty() ? defaults.yHigh : y.high;
}

void CInteractiveGraph::Draw(IViewSurface& surface, const CRect& client) {
    const CPlotFrame frame = DrawPlot(surface, client, setup_, data_);
    // A band drawn on another layout (the window was resized while it was shown) would no longer match.
    if (band_ && frame_ && frame_->plot != frame.plot) band_.reset();
    frame_ = frame;
    if (const std::optional<CPoint> at = CursorPixel()) {
        const CRect& p = frame.plot;
        surface.SelectClipRect(CRect{p.left + 1, p.top + 1, p.right, p.bottom});
        const CPen* pen = surface.SelectPen(&kCursorPen);
        const CBrush* brush = surface.SelectBrush(nullptr);
        surface.Rectangle({at->x - 5, at->y - 5, at->x + 6, at->y + 6});
        surface.SelectBrush(brush);
        surface.SelectPen(pen);
        surface.SelectClipRect(std::nullopt);
    }
}

void CInteractiveGraph::DrawBand(IViewSurface& surface) const {
    if (!band_) return;
    const ERasterOp op = surface.SetRasterOp(ERasterOp::Not);
    const CPen* pen = surface.SelectPen(&kCursorPen);
    const CBrush* brush = surface.SelectBrush(nullptr);
    const CPoint a = band_->anchor, b = band_->end;
    surface.Rectangle(
        {std::min(a.x, b.x), std::min(a.y, b.y), std::max(a.x, b.x) + 1, std::max(a.y, b.y) + 1});
    surface.SelectBrush(brush);
    surface.SelectPen(pen);
    surface.SetRasterOp(op);
}

CPoint CInteractiveGraph::ClampToPlot(CPoint point) const {
    const CRect& p = frame_->plot;
    return {std::clamp(point.x, p.left, p.right), std::clamp(point.y, p.top, p.bottom)};
}

bool CInteractiveGraph::IsSmall(const CBand& band) const {
    return !(std::abs(band.end.x - band.anchor.x) > 2 * doubleClick_.cx &&
             std::abs(band.end.y - band.anchor.y) > 2 * doubleClick_.cy);
}

CGraphReaction CInteractiveGraph::LeftButtonDown(CPoint point) {
    if (!frame_) return {};
    const CPoint at = ClampToPlot(point);
    band_ = CBand{at, at, true};
    prompt_ = "Release mouse button to cancel zoom";
    return {CGraphReaction::Band};
}

CGraphReaction CInteractiveGraph::MouseMove(CPoint point) {
    if (!band_ || !band_->dragging) return {};
    band_->end = ClampToPlot(point);
    prompt_ = IsSmall(*band_) ? "Release mouse button to cancel zoom"
                              : "Release mouse button to zoom into selected region";
    return {CGraphReaction::Band};
}

CGraphReaction CInteractiveGraph::LeftButtonUp(CPoint point) {
    if (!band_ || !band_->dragging) return {};
    band_->end = ClampToPlot(point);
    prompt_.clear();
    if (!IsSmall(*band_)) return ZoomToBand();
    band_.reset();
    PlaceCursorAt(ClampToPlot(point));
    return {CGraphReaction::Plot};
}

CGraphReaction CInteractiveGraph::KeyDown(EGraphKey key, bool ctrl) {
    switch (key) {
        case EGraphKey::Escape:
            prompt_.clear();
            if (band_) {
                band_.reset();
                return {CGraphReaction::Band};
            }
            if (zoomStack_.Pop(setup_.range)) return {CGraphReaction::Plot};
            return {CGraphReaction::None, true};
        case EGraphKey::Enter:
            if (!band_) return StartKeyboardBand();
            // A keyboard band not yet moved has no width to zoom into.
            if (band_->anchor.x == band_->end.x || band_->anchor.y == band_->end.y) {
                band_.reset();
                prompt_.clear();
                return {CGraphReaction::Band};
            }
            prompt_.clear();
            return ZoomToBand();
        default:
            return MoveCursor(key, ctrl);
    }
}

CGraphReaction CInteractiveGraph::ZoomToBand() {
    const CPlotFrame& frame = *frame_;
    const CRect& p = frame.plot;
    zoomStack_.Push(setup_.range);
    // A corner on or past an edge goes one percent further, so that a band dragged to the edge keeps the
    // points on it inside.
    const int32_t mx = p.Width() / 100, my = p.Height() / 100;
    auto widen = [&](CPoint c) {
        if (c.x <= p.left) c.x -= mx;
        if (c.x >= p.right) c.x += mx;
        if (c.y <= p.top) c.y -= my;
        if (c.y >= p.bottom) c.y += my;
        return c;
    };
    const CPoint a = widen(band_->anchor), b = widen(band_->end);
    const double x0 = frame.DataX(a.x), x1 = frame.DataX(b.x);
    const double y0 = frame.DataY(a.y), y1 = frame.DataY(b.y);
    setup_.range = {std::min(x0, x1), std::max(x0, x1), std::min(y0, y1), std::max(y0, y1)};
    band_.reset();
    return {CGraphReaction::Plot};
}

std::optional<CInteractiveGraph::CVisible> CInteractiveGraph::Visible() const {
    const std::vector<double>& x = data_.x;
    double low = setup_.range.xLow;
    if (setup_.xLogarithmic) low = std::max(low, std::nextafter(0.0, 1.0));
    const auto first = std::lower_bound(x.begin(), x.end(), low);
    const auto end = std::upper_bound(first, x.end(), setup_.range.xHigh);
    if (first == end) return std::nullopt;
    return CVisible{static_cast<size_t>(first - x.begin()), static_cast<size_t>(end - x.begin()) - 1};
}

bool CInteractiveGraph::Shows(double x, double y) const {
    if (!std::isfinite(x) || !std::isfinite(y)) return false;
    return (!setup_.xLogarithmic || x > 0) && (!setup_.yLogarithmic || y > 0);
}

std::optional<size_t> CInteractiveGraph::NextSeries(size_t point, size_t series, int direction) const {
    // Series ordered by their value at the point, ties by their order.
    auto key = [&](size_t k) { return std::pair(data_.series[k].y[point], k); };
    std::optional<size_t> best;
    for (size_t k = 0; k < data_.series.size(); ++k) {
        if (k == series || !Shows(data_.x[point], data_.series[k].y[point])) continue;
        const bool beyond = direction > 0 ? key(k) > key(series) : key(k) < key(series);
        if (!beyond) continue;
        if (!best || (direction > 0 ? key(k) < key(*best) : key(k) > key(*best))) best = k;
    }
    return best;
}

CGraphReaction CInteractiveGraph::MoveCursor(EGraphKey key, bool ctrl) {
    const std::optional<CVisible> visible = Visible();
    if (!visible) return {};
    CCursor cursor = cursor_.value_or(CCursor{visible->first, 0});
    cursor.point = std::clamp(cursor.point, visible->first, visible->last);
    const size_t step = ctrl ? 10 : 1;
    switch (key) {
        case EGraphKey::Home:
            cursor.point = visible->first;
            break;
        case EGraphKey::End:
            cursor.point = visible->last;
            break;
        case EGraphKey::Left:
            cursor.point = cursor.point - std::min(step, cursor.point - visible->first);
            break;
        case EGraphKey::Right:
            cursor.point = std::min(cursor.point + step, visible->last);
            break;
        case EGraphKey::Up:
        case EGraphKey::Down:
            if (cursor_ && !data_.series.empty()) {
                cursor.series = NextSeries(cursor.point, cursor.series, key == EGraphKey::Up ? 1 : -1)
                                    .value_or(cursor.series);
            }
            break;
        default:
            break;
    }
    cursor_ = cursor;
    // A keyboard band follows the cursor; its prompt stays until it zooms.
    if (band_ && !band_->dragging) {
        if (const std::optional<CPoint> at = CursorPixel()) band_->end.x = at->x;
    } else {
        prompt_ = CursorText();
    }
    return {CGraphReaction::Plot};
}

CGraphReaction CInteractiveGraph::StartKeyboardBand() {
    if (!frame_) return {};
    const std::optional<CVisible> visible = Visible();
    if (!visible) return {};
    if (!cursor_) cursor_ = CCursor{visible->first, 0};
    const CRect& p = frame_->plot;
    int32_t x = (p.left + p.right) / 2;
    if (const std::optional<CPoint> at = CursorPixel()) x = at->x;
    band_ = CBand{{x, p.top}, {x, p.bottom}, false};
    prompt_ = "Use cursor keys to select a region to zoom in";
    return {CGraphReaction::Plot};
}

void CInteractiveGraph::PlaceCursorAt(CPoint click) {
    const std::optional<CVisible> visible = Visible();
    if (!visible) return;
    const CPlotFrame& frame = *frame_;
    const double cx = frame.DataX(click.x), cy = frame.DataY(click.y);
    const std::vector<double>& x = data_.x;
    const auto first = x.begin() + static_cast<std::ptrdiff_t>(visible->first);
    const auto last = x.begin() + static_cast<std::ptrdiff_t>(visible->last);
    size_t point = static_cast<size_t>(std::min(std::lower_bound(first, last, cx), last) - x.begin());
    // Nearer as the axis shows it: on a logarithmic axis by ratio, not difference.
    const double dx = frame.x.ToDisplay(cx);
    auto xDistance = [&](size_t i) { return std::fabs(frame.x.ToDisplay(x[i]) - dx); };
    if (point > visible->first && xDistance(point - 1) < xDistance(point)) --point;

    // The nearest series above the click and the nearest below, then the nearer of the two.
    const double dy = frame.y.ToDisplay(cy);
    std::optional<size_t> above, below;
    auto value = [&](size_t k) { return frame.y.ToDisplay(data_.series[k].y[point]); };
    for (size_t k = 0; k < data_.series.size(); ++k) {
        if (!Shows(x[point], data_.series[k].y[point])) continue;
        if (value(k) >= dy) {
            if (!above || value(k) < value(*above)) above = k;
        } else if (!below || value(k) > value(*below)) {
            below = k;
        }
    }
    size_t series = cursor_ ? cursor_->series : 0;
    if (above && below)
        series = value(*above) - dy <= dy - value(*below) ? *above : *below;
    else if (above || below)
        series = above ? *above : *below;
    cursor_ = CCursor{point, series};
    prompt_ = CursorText();
}

std::optional<CPoint> CInteractiveGraph::CursorPixel() const {
    if (!cursor_ || !frame_ || cursor_->point >= data_.x.size()) return std::nullopt;
    const double x = data_.x[cursor_->point];
    const double y = cursor_->series < data_.series.size() ? data_.series[cursor_->series].y[cursor_->point]
                                                           : frame_->DataY(frame_->plot.bottom);
    const double px = frame_->PixelX(x), py = frame_->PixelY(y);
    if (!std::isfinite(px) || !std::isfinite(py)) return std::nullopt;
    const CRect& p = frame_->plot;
    return CPoint{static_cast<int32_t>(std::lround(std::clamp(px, double(p.left), double(p.right)))),
                  static_cast<int32_t>(std::lround(std::clamp(py, double(p.top), double(p.bottom))))};
}

std::string CInteractiveGraph::CursorText() const {
    if (!cursor_ || cursor_->point >= data_.x.size()) return {};
    std::string text = FormatGeneral(data_.x[cursor_->point]);
    if (cursor_->series >= data_.series.size()) return "(" + text + ")";
    const CGraphSeries& series = data_.series[cursor_->series];
    return series.name + ":(" + text + "," + FormatGeneral(series.y[cursor_->point]) + ")";
}

std::string CInteractiveGraph::SelectionText() const {
    if (!band_ || !frame_) return {};
    const CPlotFrame& f = *frame_;
    return "Selection:(" + FormatGeneral(f.DataX(band_->anchor.x)) + "," +
           FormatGeneral(f.DataY(band_->anchor.y)) + ")-(" + FormatGeneral(f.DataX(band_->end.x)) + "," +
           FormatGeneral(f.DataY(band_->end.y)) + ")";
}

std::string CInteractiveGraph::CopyText() const {
    std::string text = setup_.title + "\r\n\r\n";
    const std::optional<CVisible> visible = Visible();
    if (!visible) return text;
    for (size_t i = visible->first; i <= visible->last; ++i) {
        text += FormatGeneral(data_.x[i]);
        for (const CGraphSeries& series : data_.series) text += "\t" + FormatGeneral(series.y[i]);
        text += "\r\n";
    }
    return text;
}

}  // namespace brelix
