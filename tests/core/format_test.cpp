#include "core/format.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <limits>

namespace brelix {
namespace {

std::string Appended(double value, int precision) {
    std::string out = "x";
    AppendFixed(out, value, precision);
    return out.substr(1);
}

// The quick "%.Pf" gives the text of the exact conversion: random values of every size, exact ties (which
// go to even), values a hair beside a tie, signed zeros, and what falls back.
TEST(AppendFixed, WritesWhatTheExactConversionWrites) {
    uint64_t state = 1;
    for (int n = 0; n < 200000; ++n) {
        state = state * 6364136223846793005u + 1442695040888963407u;
        double value;
        const uint64_t bits = (state >> 12) | (static_cast<uint64_t>(0x3C0 + n % 0x90) << 52);  // 2^-63 .. 2^80
        std::memcpy(&value, &bits, sizeof value);
        if (n % 3 == 0) value = static_cast<double>(state >> 40) / 1024;  // exact ties at 3 digits and more
        if (n % 5 == 0) value = -value;
        for (int precision = 0; precision <= 3; ++precision)
            ASSERT_EQ(Appended(value, precision), FormatFixed(value, 0, precision)) << value << " " << precision;
    }
    for (double value : {0.0, -0.0, 0.0625, 0.1875, 2.5e-4, 0.0005, 1e18, 1e300, double{INFINITY}, -double{INFINITY}, double{NAN},
                         std::numeric_limits<double>::denorm_min(), 999.9995, 0.9995})
        for (int precision = 0; precision <= 4; ++precision)
            EXPECT_EQ(Appended(value, precision), FormatFixed(value, 0, precision)) << value << " " << precision;
    EXPECT_EQ(Appended(0.0625, 3), "0.062");
    EXPECT_EQ(Appended(-0.0, 3), "-0.000");
}

}  // namespace
}  // namespace brelix
