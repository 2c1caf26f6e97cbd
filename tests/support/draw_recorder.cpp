#include "tests/support/draw_recorder.h"

#include "core/format.h"

namespace brelix::test {

const CPen* CDrawRecorder::SelectPen(const CPen* pen) {
    if (pen == nullptr) return nullptr;
    const CPen* previous = pen_;
    pen_ = pen;
    return previous;
}

void CDrawRecorder::LineTo(int x, int y) {
    lines.push_back({at_, {x, y}, pen_});
    at_ = {x, y};
}

std::string CDrawRecorder::Text() const {
    std::string text;
    for (const CLine& line : lines) {
        text += FormatInt(line.from.x) + " " + FormatInt(line.from.y) + " " + FormatInt(line.to.x) + " " +
                FormatInt(line.to.y);
        if (line.pen) {
            const CColor& c = line.pen->color;
            text += " " + FormatInt(c.r) + " " + FormatInt(c.g) + " " + FormatInt(c.b) +
                    (line.pen->style == EPenStyle::Solid ? " solid" : " dotted");
        } else {
            text += " no pen";
        }
        text += "\n";
    }
    return text;
}

}  // namespace brelix::test
