#include "cli/progress_bar.h"

#include <gtest/gtest.h>

#include <cmath>
#include <sstream>
#include <string>

#include "core/utf8.h"

namespace brelix {
namespace {

using namespace std::chrono_literals;

const std::string kLabel = "batch 0 (\"Wafer\")";

TEST(ProgressLine, FillsTheWidthAndGivesUpTheLabelsEndThenTheTailThenTheLabel) {
    // 45% of 2.7M rays at 347k rays/s: 4.3 s left, shown as 5.
    const auto line = [](int width) { return ProgressLine(kLabel, 1'215'000, 2'700'000, 3.5, width); };
    EXPECT_EQ(line(100),
              "batch 0 (\"Wafer\") [###############....................]   45%  1.2M/2.7M rays  347k rays/s  "
              "5 s left");
    // The bar grows no longer than 40 places.
    EXPECT_EQ(line(200),
              "batch 0 (\"Wafer\") [##################......................]   45%  1.2M/2.7M rays  "
              "347k rays/s  5 s left");
    EXPECT_EQ(line(73), "batch 0 (\"Wa... [####......]   45%  1.2M/2.7M rays  347k rays/s  5 s left");
    EXPECT_EQ(line(60), "batch 0 (... [####......]   45%  1.2M/2.7M rays  347k rays/s");
    EXPECT_EQ(line(50), "batch 0 (\"Wa... [####......]   45%  1.2M/2.7M rays");
    EXPECT_EQ(line(40), "batch 0 (\"Wafer\") [######........]   45%");
    EXPECT_EQ(line(20), "[####......]   45%");
    EXPECT_EQ(line(5), "[####");
    EXPECT_EQ(line(0), "");
    EXPECT_EQ(line(-3), "");
    for (int width = 0; width <= 130; ++width)
        EXPECT_LE(line(width).size(), static_cast<size_t>(width)) << width;

    // A label is cut between characters, and counted in characters.
    const std::string wide = "batch 1 (\"Wafer \u00b5\u00b5\u00b5\u00b5\u00b5\u00b5\")";
    for (int width = 0; width <= 110; ++width) {
        const std::string cut = ProgressLine(wide, 5, 10, 1, width);
        EXPECT_LE(Utf8Length(cut), static_cast<size_t>(width)) << width;
        for (size_t i = cut.find('\xc2'); i != std::string::npos; i = cut.find('\xc2', i + 1))
            EXPECT_EQ(cut[i + 1], '\xb5') << cut;  // no character cut in two
    }
    EXPECT_EQ(ProgressLine(wide, 5, 10, 1, 100).rfind(wide + " [", 0), 0u);
}

TEST(ProgressLine, UnknownTotalsOvershootsAndMissingRates) {
    // No total: no percentage, no time left, an empty bar.
    EXPECT_EQ(ProgressLine(kLabel, 0, 0, 0, 100),
              "batch 0 (\"Wafer\") [........................................]  0 rays");
    EXPECT_EQ(ProgressLine(kLabel, 5000, 0, 2, 80),
              "batch 0 (\"Wafer\") [....................................]  5.0k rays  2.5k rays/s");
    // Past the total: a full bar at 100%, and nothing left to wait for.
    EXPECT_EQ(
        ProgressLine(kLabel, 3'000'000, 2'700'000, 2, 100),
        "batch 0 (\"Wafer\") [########################################]  100%  3.0M/2.7M rays  1.5M rays/s");
    EXPECT_EQ(ProgressLine(kLabel, 7, 7, 1, 80).find("left"), std::string::npos);
    // Short of the total the bar is never full, nor the percentage 100.
    const std::string almost = ProgressLine(kLabel, 999'999'999, 1'000'000'000, 1, 100);
    EXPECT_NE(almost.find("#.]   99%  1.0G/1.0G rays"), std::string::npos) << almost;
    // No time yet: no rate and no time left; no rays yet: a rate of 0 and no time left.
    EXPECT_EQ(ProgressLine(kLabel, 100, 2'700'000, 0, 100),
              "batch 0 (\"Wafer\") [........................................]    0%  100/2.7M rays  time "
              "left unknown");
    EXPECT_TRUE(ProgressLine(kLabel, 0, 10, 2, 100).ends_with("  0/10 rays  0 rays/s  time left unknown"));
    EXPECT_NE(ProgressLine(kLabel, 1, 10, std::nan(""), 100).find("time left unknown"), std::string::npos);

    // Counts and times in few characters, rounding up to the next unit rather than to 1000 of one.
    EXPECT_NE(ProgressLine("", 999'600, 9'960, 1, 100).find("1.0M/10k rays  1.0M rays/s"), std::string::npos);
    EXPECT_NE(ProgressLine("", 999, 9'940, 1, 100).find("999/9.9k rays"), std::string::npos);
    EXPECT_NE(ProgressLine("", 1, 76, 1, 100).find("1 min 15 s left"), std::string::npos);
    EXPECT_NE(ProgressLine("", 1, 11'000, 1, 100).find("3 h 3 min left"), std::string::npos);
    EXPECT_NE(ProgressLine("", 1, 1'000'000, 1, 100).find("over 99 h left"), std::string::npos);
}

TEST(ProgressBar, RedrawsInPlaceAtMostEveryQuarterSecondAndClearsItsLine) {
    std::ostringstream out;
    const auto start = CProgressBar::Clock::time_point{} + 1h;
    {
        CProgressBar bar(out, "b", 200, start);
        bar.Show(1, 10, start);
        const std::string first = "\r" + ProgressLine("b", 1, 10, 0, 199);
        EXPECT_EQ(out.str(), first);
        bar.Show(2, 10, start + 249ms);
        EXPECT_EQ(out.str(), first);

        // A shorter line blanks what the longer one before it left.
        bar.Show(5, 0, start + 250ms);
        const std::string second = ProgressLine("b", 5, 0, 0.25, 199);
        ASSERT_LT(second.size(), first.size() - 1);
        EXPECT_EQ(out.str(), first + "\r" + second + std::string(first.size() - 1 - second.size(), ' '));

        out.str("");
        bar.Clear();
        EXPECT_EQ(out.str(), "\r" + std::string(second.size(), ' ') + "\r");
        bar.Clear();
        EXPECT_EQ(out.str(), "\r" + std::string(second.size(), ' ') + "\r");

        // After a clear, the next line is drawn at once.
        out.str("");
        bar.Show(6, 10, start + 260ms);
        EXPECT_EQ(out.str(), "\r" + ProgressLine("b", 6, 10, 0.26, 199));
    }
    // The end clears the line; nothing ever starts a new one.
    const std::string text = out.str();
    EXPECT_TRUE(text.ends_with("\r" + std::string(ProgressLine("b", 6, 10, 0.26, 199).size(), ' ') + "\r"))
        << text;
    EXPECT_EQ(text.find('\n'), std::string::npos);
}

}  // namespace
}  // namespace brelix
