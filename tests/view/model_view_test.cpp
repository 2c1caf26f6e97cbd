#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

#include "core/batch.h"
#include "examples/sample_models.h"
#include "tests/support/draw_recorder.h"
#include "view/model_picture.h"
#include "view/model_view_input.h"

namespace brelix {
namespace {

// The model view's off-screen picture as a list: "clear", each line's pen, "rays".
class CCanvas : public IModelCanvas {
public:
    const CPen* SelectPen(const CPen* pen) override { return recorder.SelectPen(pen); }
    void MoveTo(int x, int y) override { recorder.MoveTo(x, y); }
    void LineTo(int x, int y) override {
        recorder.LineTo(x, y);
        const CPen* pen = recorder.lines.back().pen;
        events.push_back(pen ? Name(*pen) : "no pen");
    }
    void Clear(CColor background) override {
        events.push_back(background == CColor{255, 255, 255} ? "clear white" : "clear");
    }
    void DrawRays() override { events.push_back("rays"); }

    static std::string Name(const CPen& pen) {
        const CColor c = pen.color;
        const std::string colour = c == CColor{0, 0, 0}       ? "black"
                                   : c == CColor{255, 0, 0}   ? "red"
                                   : c == CColor{0, 255, 0}   ? "green"
                                   : c == CColor{0, 0, 255}   ? "blue"
                                   : c == CColor{255, 0, 255} ? "magenta"
                                                              : "other";
        return colour + (pen.style == EPenStyle::Dotted ? " dotted" : "");
    }
    int Count(const std::string& event) const {
        int n = 0;
        for (const std::string& e : events) n += e == event;
        return n;
    }

    test::CDrawRecorder recorder;
    std::vector<std::string> events;
};

TEST(DrawModelPicture, LayersThenSelectionsThenTheRays) {
    CBatch batch;
    samples::BuildSlab(batch, 3.5, 100, 100);  // three layers of two planes, every edge drawn
    CModel& model = batch.model;

    CCanvas plain;
    DrawModelPicture(plain, batch);
    ASSERT_GE(plain.events.size(), 2u);
    EXPECT_EQ(plain.events.front(), "clear white");
    EXPECT_EQ(plain.events.back(), "rays");
    EXPECT_EQ(plain.Count("black"), 6 * 4);
    EXPECT_EQ(plain.Count("green"), 6);
    EXPECT_EQ(plain.Count("red dotted") + plain.Count("blue dotted") + plain.Count("magenta dotted"), 0);

    model.selectedLayer = &model[1];
    model.selectedPlane = &model[0][1];
    model.selectedEdges = &model[2][0];
    CCanvas selected;
    DrawModelPicture(selected, batch);
    EXPECT_EQ(selected.Count("red dotted"), 2 * 4);
    EXPECT_EQ(selected.Count("green"), 6 + 2);
    EXPECT_EQ(selected.Count("blue dotted"), 4 + 1);     // outline and normal marker
    EXPECT_EQ(selected.Count("black"), 6 * 4 + 4 + 1);   // the edges plane's outline in black
    EXPECT_EQ(selected.Count("magenta dotted"), 2 + 1);  // its two edges and normal
    EXPECT_EQ(selected.events.back(), "rays");

    // References that name nothing of this model (a hand-made or stale state) draw nothing.
    CBatch other;
    samples::BuildSlab(other, 1.5, 0, 10);
    model.selectedLayer = &other.model[0];
    model.selectedPlane = &other.model[0][0];
    model.selectedEdges = &other.model[1][1];
    CCanvas stale;
    DrawModelPicture(stale, batch);
    EXPECT_EQ(stale.events, plain.events);
}

TEST(CModelViewInput, KeysTurnZoomAndPanThePicture) {
    CBatch batch;
    CDrawTools& tools = batch.drawTools;
    const CModelViewInput input;
    EXPECT_TRUE(input.Key(batch, EViewKey::Home, false).projection);
    EXPECT_EQ(tools.rotation, -0.08726666666666666);
    EXPECT_EQ(tools.sinTilt, std::sin(3.1416));  // recomputed after every key without Shift
    input.Key(batch, EViewKey::PageUp, false);
    EXPECT_EQ(tools.rotation, 0);
    input.Key(batch, EViewKey::End, false);
    EXPECT_EQ(tools.tilt, 3.1416 - 0.08726666666666666);
    EXPECT_EQ(tools.cosTilt, std::cos(tools.tilt));
    input.Key(batch, EViewKey::I, false);
    input.Key(batch, EViewKey::I, false);
    EXPECT_DOUBLE_EQ(tools.scale, 1.21);
    input.Key(batch, EViewKey::Down, false);
    EXPECT_DOUBLE_EQ(tools.originY, 300 + 5 * 1.21);
    input.Key(batch, EViewKey::Left, false);
    EXPECT_EQ(tools.originX, 290);
    tools.compressX = 1;
    tools.scaleByWavelength = 1;
    input.Key(batch, EViewKey::Clear, false);
    EXPECT_EQ(tools.scale, 1);
    EXPECT_EQ(tools.compressX, 0);
    EXPECT_EQ(tools.scaleByWavelength, 1);  // the colour scale stays
    EXPECT_EQ(tools.sinTilt, std::sin(3.1416));

    const CViewEffect escape = input.Key(batch, EViewKey::Escape, false);
    EXPECT_TRUE(escape.stop);
    EXPECT_FALSE(escape.redraw());
    EXPECT_FALSE(input.Key(batch, EViewKey::Other, false).redraw());
}

TEST(CModelViewInput, ShiftKeysMoveTheSourceOffsetsWithTheirWraps) {
    CBatch batch;
    const CModelViewInput input;
    batch.azimuthOffset = 359;
    EXPECT_TRUE(input.Key(batch, EViewKey::PageUp, true).offsets);
    EXPECT_EQ(batch.azimuthOffset, 0);
    input.Key(batch, EViewKey::Home, true);
    EXPECT_EQ(batch.azimuthOffset, 359);
    batch.declinationOffset = 0.5;
    input.Key(batch, EViewKey::End, true);
    EXPECT_EQ(batch.declinationOffset, 0);
    batch.declinationOffset = 88;
    input.Key(batch, EViewKey::PageDown, true);
    EXPECT_EQ(batch.declinationOffset, 89);
    input.Key(batch, EViewKey::Right, true);
    input.Key(batch, EViewKey::Up, true);
    EXPECT_EQ(batch.xOffset, 1);
    EXPECT_EQ(batch.yOffset, -1);
    EXPECT_EQ(batch.drawTools.rotation, 0);  // Shift keys leave the picture alone
    EXPECT_EQ(batch.drawTools.sinTilt, 0);
    EXPECT_FALSE(input.Key(batch, EViewKey::I, true).redraw());
}

TEST(CModelViewInput, DragsNeedTheirExactButtons) {
    CBatch batch;
    CDrawTools& tools = batch.drawTools;
    CModelViewInput input;
    input.MouseMove(batch, 100, 100, 0);
    EXPECT_TRUE(input.MouseMove(batch, 110, 95, MouseLeft).projection);
    EXPECT_EQ(tools.originX, 310);
    EXPECT_EQ(tools.originY, 295);
    // Two buttons, or a button with Control: no case matches, but the last point still moves.
    EXPECT_FALSE(input.MouseMove(batch, 200, 200, MouseLeft | MouseRight).redraw());
    EXPECT_FALSE(input.MouseMove(batch, 210, 210, MouseLeft | MouseControl).redraw());
    EXPECT_EQ(tools.originX, 310);
    input.MouseMove(batch, 246, 230, MouseRight);
    EXPECT_DOUBLE_EQ(tools.rotation, -2 * (36.0 / 360) * 3.1416);
    EXPECT_DOUBLE_EQ(tools.tilt, 3.1416 - 2 * (10.0 / 360) * 3.1416);
    EXPECT_EQ(tools.sinTilt, std::sin(tools.tilt));

    // Shift drags move the offsets; the azimuth wraps only beyond 359.
    input.MouseMove(batch, 266, 250, MouseLeft | MouseShift);
    EXPECT_EQ(batch.xOffset, 2);
    EXPECT_EQ(batch.yOffset, -2);
    batch.azimuthOffset = 359;
    input.MouseMove(batch, 266, 250, MouseRight | MouseShift);
    EXPECT_EQ(batch.azimuthOffset, 359);
    input.MouseMove(batch, 265, 200, MouseRight | MouseShift);
    EXPECT_EQ(batch.azimuthOffset, 0);
    EXPECT_EQ(batch.declinationOffset, 10);
    input.MouseMove(batch, 267, 300, MouseRight | MouseShift);
    EXPECT_EQ(batch.azimuthOffset, 359);
    EXPECT_EQ(batch.declinationOffset, 0);

    tools.compressZ = 1;
    tools.intensityStart = 0.5;
    EXPECT_TRUE(input.MiddleClick(batch).projection);
    EXPECT_EQ(tools.rotation, 0);
    EXPECT_EQ(tools.compressZ, 0);
    EXPECT_EQ(tools.intensityStart, 0.5);
}

}  // namespace
}  // namespace brelix
