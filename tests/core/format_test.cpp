#include "core/format.h"

#include <gtest/gtest.h>

#include <clocale>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <limits>

namespace brelix {
namespace {

std::string Printf(const char* format, int precision, double value) {
    char text[512];
    std::snprintf(text, sizeof text, format, precision, value);
    return text;
}

// Values where the printf forms switch between fixed and exponent, round half to even, need a third
// exponent digit, or are not numbers at all.
constexpr double kValues[] = {0.0,
                              -0.0,
                              1.0,
                              -2.5,
                              0.5,
                              1.5,
                              100.0,
                              0.0001,
                              0.00001234,
                              123456.0,
                              1234567.0,
                              999999.5,
                              9.9999996,
                              3.14159265358979,
                              1e21,
                              1e100,
                              1e-300,
                              5e-324,
                              std::numeric_limits<double>::max(),
                              std::numeric_limits<double>::infinity(),
                              -std::numeric_limits<double>::infinity(),
                              std::numeric_limits<double>::quiet_NaN(),
                              -std::numeric_limits<double>::quiet_NaN()};

TEST(FormatGeneralAndExponent, EqualPrintfInTheCLocale) {
    ASSERT_NE(std::setlocale(LC_ALL, "C"), nullptr);
    for (double value : kValues) {
        for (int precision : {0, 1, 2, 6, 15, 17}) {
            EXPECT_EQ(FormatGeneral(value, precision), Printf("%.*g", precision, value)) << value;
            EXPECT_EQ(FormatExponent(value, precision), Printf("%.*e", precision, value)) << value;
        }
    }
}

TEST(FormatGeneralAndExponent, TextsTheGraphShows) {
    // Tick labels of a logarithmic axis, the copied data and the selection in the status line.
    EXPECT_EQ(FormatExponent(100.0, 0), "1e+02");
    EXPECT_EQ(FormatExponent(1e-5, 0), "1e-05");
    EXPECT_EQ(FormatExponent(1e120, 0), "1e+120");
    EXPECT_EQ(FormatGeneral(1e-5), "1e-05");
    EXPECT_EQ(FormatGeneral(600.0), "600");
    EXPECT_EQ(FormatGeneral(0.123456789), "0.123457");
    EXPECT_EQ(FormatGeneral(1234567.0), "1.23457e+06");
    EXPECT_EQ(FormatGeneral(0.1, 25), FormatGeneral(0.1, 17));  // more digits than a double holds
}

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
