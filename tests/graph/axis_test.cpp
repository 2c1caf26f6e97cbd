#include "graph/axis.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

namespace brelix {
namespace {

TEST(CAxis, SetRangeFromTheData) {
    struct Case {
        double min, max;
        bool log;
        double low, high;
        int32_t exponent;
    };
    // clang-format off
    const Case cases[] = {
        {0, 0, false, -1, 1, 0},              // nothing to scale: -1 to 1
        {0.05, 20000, false, 0.00005, 20, 3},  // beyond 10000: thousands
        {5, 1, false, 1, 5, 0},               // swapped
        {0.1, 10000, false, 0.1, 10000, 0},   // the widest range shown as it is
        {0.01, 0.05, false, 10, 50, -3},      // wholly below 0.1
        {0, 0.05, false, 0, 50, -3},          // 0 takes no part in the exponent
        {-20000, 5, false, -20, 0.005, 3},    // the larger magnitude decides
        {0, 0, true, -6, 0, 0},               // logarithmic: 0 to 0 is taken as 0 to 1
        {-10, 100, true, -4, 2, 0},           // holding 0: six decades below the larger magnitude
        {1, 1000, true, 0, 3, 0},
        {-1000, -1, true, 0, 3, 0},           // magnitudes
        {std::numeric_limits<double>::quiet_NaN(), 1, false, -1, 1, 0},
        {0, 2e-150, false, 0, 2, -150},       // 0 takes no part, however small the other end
        {0, 3e-307, false, 0, 0.3, -306},    // the smallest exponent whose factor keeps its digits
        {0, 5e-324, false, 0, 5e-324 / 1e-306, -306},
    };
    // clang-format on
    for (const Case& c : cases) {
        CAxis axis;
        axis.SetRange(c.min, c.max, c.log);
        EXPECT_DOUBLE_EQ(axis.low, c.low) << c.min << ".." << c.max;
        EXPECT_DOUBLE_EQ(axis.high, c.high) << c.min << ".." << c.max;
        EXPECT_EQ(axis.exponent, c.exponent) << c.min << ".." << c.max;
        EXPECT_DOUBLE_EQ(axis.factor, std::pow(10.0, c.exponent)) << c.min << ".." << c.max;
        EXPECT_EQ(axis.logarithmic, c.log);
    }
}

TEST(CAxis, NiceScaleRoundsToSteps) {
    struct Case {
        double low, high;
        bool log;
        int32_t wanted;
        double niceLow, niceHigh, step;
        int32_t intervals, minor, decimals;
    };
    // clang-format off
    const Case cases[] = {
        {0, 1, false, 5, 0, 1, 0.2, 5, 4, 1},
        {0, 1.005, false, 2, 0, 1, 1, 1, 5, 0},    // past a step by less than a hundredth: stays
        {0, 1.02, false, 2, 0, 2, 1, 2, 5, 0},     // by more: rounds up
        {-1, 1, false, 4, -1, 1, 0.5, 4, 5, 1},
        {-3, -1.5, false, 3, -3, -1.5, 0.5, 3, 5, 1},
        {0.3, 0.7, false, 1, 0, 1, 0.5, 2, 5, 1},
        {0, 10000, false, 1, 0, 10000, 5000, 2, 5, 0},  // the largest step
        {0, 3, true, 3, 0, 3, 1, 3, 10, 0},             // decades, with minor ticks at 2 to 9
        {-6, 0, true, 2, -10, 0, 5, 2, 0, 0},           // five decades a step: no minor ticks
        {3, 3, true, 4, 2, 4, 1, 2, 10, 0},             // a single value: one step either side
    };
    // clang-format on
    for (const Case& c : cases) {
        CAxis axis;
        axis.low = c.low;
        axis.high = c.high;
        axis.logarithmic = c.log;
        axis.NiceScale(c.wanted);
        const std::string name = std::to_string(c.low) + ".." + std::to_string(c.high);
        EXPECT_DOUBLE_EQ(axis.low, c.niceLow) << name;
        EXPECT_DOUBLE_EQ(axis.high, c.niceHigh) << name;
        EXPECT_DOUBLE_EQ(axis.step, c.step) << name;
        EXPECT_EQ(axis.intervals, c.intervals) << name;
        EXPECT_EQ(axis.minor, c.minor) << name;
        EXPECT_EQ(axis.decimals, c.decimals) << name;
    }

    // 0 to 0 becomes -1 to 1 on a linear axis, whatever the axis was.
    CAxis flat;
    flat.low = flat.high = 0;
    flat.logarithmic = true;
    flat.NiceScale(2);
    EXPECT_FALSE(flat.logarithmic);
    EXPECT_EQ(flat.low, -1);
    EXPECT_EQ(flat.high, 1);
}

TEST(CAxis, TickLabelsAndMinorTicks) {
    CAxis linear;
    linear.SetRange(-1, 1, false);
    linear.NiceScale(4);
    std::vector<std::string> labels;
    for (int32_t i = 0; i <= linear.intervals; ++i) labels.push_back(linear.TickLabel(i));
    EXPECT_EQ(labels, (std::vector<std::string>{"-1.0", "-0.5", "0.0", "0.5", "1.0"}));
    const std::vector<double> minor = linear.MinorTicks(0);
    ASSERT_EQ(minor.size(), 4u);
    EXPECT_DOUBLE_EQ(minor[0], -0.9);
    EXPECT_DOUBLE_EQ(minor[3], -0.6);

    CAxis log;
    log.SetRange(0.01, 100, true);
    log.NiceScale(4);
    labels.clear();
    for (int32_t i = 0; i <= log.intervals; ++i) labels.push_back(log.TickLabel(i));
    EXPECT_EQ(labels, (std::vector<std::string>{"1e-02", "1e-01", "1e+00", "1e+01", "1e+02"}));
    const std::vector<double> decade = log.MinorTicks(2);
    ASSERT_EQ(decade.size(), 8u);
    EXPECT_DOUBLE_EQ(decade.front(), std::log10(2.0));
    EXPECT_DOUBLE_EQ(decade.back(), std::log10(9.0));

    CAxis scaled;
    scaled.SetRange(0.05, 20000, false);
    scaled.NiceScale(4);
    EXPECT_EQ(scaled.TickLabel(scaled.intervals), "20");
    EXPECT_DOUBLE_EQ(scaled.ToDisplay(15000), 15);
    EXPECT_DOUBLE_EQ(scaled.FromDisplay(15), 15000);
    EXPECT_TRUE(std::isnan(log.ToDisplay(0)));
    EXPECT_TRUE(std::isnan(log.ToDisplay(-1)));
    EXPECT_DOUBLE_EQ(log.FromDisplay(log.ToDisplay(250)), 250);
}

TEST(UnitText, PrefixOrPowerOfTen) {
    const std::tuple<const char*, int32_t, const char*> cases[] = {
        {"#nm", 3, "knm"},      {"#nm", 0, "nm"},      {"#um", -6, "µum"}, {"#", -3, "m"},
        {"#", 12, "T"},         {"#", -15, "f"},       {"#", 0, ""},       {"#nm", 15, "10^15  nm"},
        {"#", -18, "10^-18  "}, {"nm", 3, "10^3  nm"}, {"nm", 0, "nm"},    {"#m#", 6, "MmM"},
    };
    for (const auto& [unit, exponent, text] : cases)
        EXPECT_EQ(UnitText(unit, exponent), text) << unit << exponent;
}

}  // namespace
}  // namespace brelix
