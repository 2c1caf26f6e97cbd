#include "view/worker_surface.h"

#include <gtest/gtest.h>

#include <atomic>
#include <set>
#include <thread>
#include <utility>
#include <vector>

#include "tests/support/recording_layer.h"
#include "view/line_raster.h"

namespace brelix {
namespace {

using test::CRecordingLayer;
using Pixels = std::vector<std::pair<int, int>>;

Pixels Raster(CPoint from, CPoint to, int width, int height, bool dotted = false) {
    Pixels pixels;
    RasterLine(from, to, width, height, dotted, [&](int x, int y) { pixels.push_back({x, y}); });
    return pixels;
}

TEST(RasterLine, LeavesOutTheEndPointAndStaysInsideThePicture) {
    EXPECT_EQ(Raster({0, 0}, {4, 0}, 10, 10), (Pixels{{0, 0}, {1, 0}, {2, 0}, {3, 0}}));
    EXPECT_EQ(Raster({3, 3}, {0, 0}, 10, 10), (Pixels{{3, 3}, {2, 2}, {1, 1}}));
    EXPECT_EQ(Raster({0, 0}, {6, 0}, 10, 10, true), (Pixels{{0, 0}, {2, 0}, {4, 0}}));
    EXPECT_TRUE(Raster({2, 2}, {2, 2}, 10, 10).empty());
    // A line the picture cuts keeps its last pixel inside; one outside draws nothing.
    EXPECT_EQ(Raster({7, 1}, {100, 1}, 10, 10), (Pixels{{7, 1}, {8, 1}, {9, 1}}));
    EXPECT_TRUE(Raster({-5, -5}, {-1, 20}, 10, 10).empty());
    EXPECT_TRUE(Raster({0, 0}, {5, 5}, 0, 0).empty());
    // The far-off points of a zoomed view are cut, not walked.
    const Pixels far = Raster({INT32_MIN, 5}, {INT32_MAX, 5}, 10, 10);
    ASSERT_EQ(far.size(), 10u);
    EXPECT_EQ(far.front(), std::make_pair(0, 5));
    EXPECT_EQ(far.back(), std::make_pair(9, 5));
    for (const auto& [x, y] : Raster({-1000000, -999990}, {1000000, 1000010}, 30, 30)) {
        EXPECT_EQ(y, x + 10);
        EXPECT_TRUE(x >= 0 && x < 30);
    }
}

TEST(CWorkerSurface, DrawsOnlyWithTheSettingsPostedLast) {
    CRecordingLayer layer;
    CDrawTools tools;
    uint64_t version = 0;
    EXPECT_FALSE(layer.CollectSettings(tools, version));

    CDrawTools posted;
    posted.originX = 42;
    layer.Post(posted);
    EXPECT_EQ(layer.Clears(), 1);
    ASSERT_TRUE(layer.CollectSettings(tools, version));
    EXPECT_EQ(tools.originX, 42);
    layer.SelectPen(tools.Pen(PenRed));
    layer.MoveTo(0, 0);
    layer.LineTo(5, 5);
    ASSERT_EQ(layer.Lines().size(), 1u);
    EXPECT_EQ(layer.Lines()[0].pen, *tools.Pen(PenRed));

    // A post clears, and lines drawn before the worker has collected the new settings are dropped.
    posted.originX = 7;
    layer.Post(posted);
    layer.LineTo(9, 9);
    EXPECT_TRUE(layer.Lines().empty());
    tools.originX = 1000;  // the worker's copy is replaced only by a newer version
    EXPECT_TRUE(layer.CollectSettings(tools, version));
    EXPECT_EQ(tools.originX, 7);
    tools.originX = 1000;
    EXPECT_TRUE(layer.CollectSettings(tools, version));
    EXPECT_EQ(tools.originX, 1000);
    layer.LineTo(1, 1);
    EXPECT_EQ(layer.Lines().size(), 1u);
    // No pen selected: nothing to draw with (the lost-ray slot).
    CRecordingLayer fresh;
    fresh.Post(posted);
    fresh.CollectSettings(tools, version = 0);
    fresh.MoveTo(0, 0);
    fresh.LineTo(3, 3);
    EXPECT_TRUE(fresh.Lines().empty());
}

// The interface pans while a worker draws: whatever the interleaving, what the layer holds was drawn with
// the settings posted last (ThreadSanitizer checks the hand-off).
TEST(CWorkerSurface, NoLineOfAnOldProjectionSurvivesAPost) {
    CRecordingLayer layer;
    CDrawTools posted;
    posted.originX = 0;
    layer.Post(posted);
    std::atomic<bool> done{false};
    std::thread worker([&] {
        CDrawTools tools;
        uint64_t version = 0;
        layer.SelectPen(tools.Pen(PenBlue));
        for (int op = 0; !done.load(); ++op) {
            layer.CollectSettings(tools, version);
            // One trace op: a few lines, all at the worker's origin.
            for (int k = 0; k < 3; ++k) {
                const int x = static_cast<int>(tools.originX);
                layer.MoveTo(x, k);
                layer.LineTo(x, k + 1);
            }
        }
    });
    for (int i = 1; i <= 300; ++i) {
        posted.originX = i;
        layer.Post(posted);
        std::this_thread::yield();
    }
    // Until the worker has drawn with the last settings.
    for (int i = 0; i < 10000000 && layer.Lines().empty(); ++i) std::this_thread::yield();
    done = true;
    worker.join();
    const auto lines = layer.Lines();
    EXPECT_FALSE(lines.empty());
    for (const auto& line : lines) ASSERT_EQ(line.from.x, 300);
}

}  // namespace
}  // namespace brelix
