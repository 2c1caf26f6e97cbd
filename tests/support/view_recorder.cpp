#include "tests/support/view_recorder.h"

#include <algorithm>

#include "core/format.h"
#include "core/utf8.h"

namespace brelix::test {

namespace {

constexpr int kDefaultHeight = 13;

}  // namespace

const CPen* CViewRecorder::SelectPen(const CPen* pen) {
    if (pen == nullptr) return nullptr;
    return Exchange(pen_, pen);
}

void CViewRecorder::LineTo(int x, int y) {
    strokes.push_back({{at_, {x, y}}, CurrentPen(), op_, clip_});
    at_ = {x, y};
}

void CViewRecorder::TextOut(int x, int y, std::string_view text) {
    texts.push_back({x, y, std::string(text), textColor_, align_, font_, background_});
}

CTextMetrics CViewRecorder::TextMetrics() const {
    const int height = font_.pixelHeight > 0 ? font_.pixelHeight : kDefaultHeight;
    return {height, height * 10 / kDefaultHeight, std::max(1, height * 7 / kDefaultHeight)};
}

CSize CViewRecorder::TextExtent(std::string_view text) const {
    const CTextMetrics metrics = TextMetrics();
    return {static_cast<int32_t>(Utf8Length(text)) * metrics.averageCharWidth, metrics.height};
}

void CViewRecorder::Polyline(std::span<const CPoint> points) {
    strokes.push_back({std::vector<CPoint>(points.begin(), points.end()), CurrentPen(), op_, clip_});
}

void CViewRecorder::Shape(EShape kind, const CRect& rect) {
    shapes.push_back(
        {kind, rect, CurrentPen(), brush_ ? std::optional<CColor>(brush_->color) : std::nullopt, op_, clip_});
}

void CViewRecorder::FillRect(const CRect& rect, CColor color) {
    shapes.push_back({EShape::Fill, rect, std::nullopt, color, ERasterOp::Copy, clip_});
}

std::string CViewRecorder::TextLines() const {
    std::string lines;
    for (const CText& text : texts) {
        lines += FormatInt(text.x) + " " + FormatInt(text.y) + " " + FormatInt(text.color.r) + " " +
                 FormatInt(text.color.g) + " " + FormatInt(text.color.b) + " " + text.text + "\n";
    }
    return lines;
}

}  // namespace brelix::test
