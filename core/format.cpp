#include "core/format.h"

#include <charconv>
#include <cmath>

namespace brelix {

std::string PadLeft(std::string_view text, size_t width) {
    std::string out;
    if (text.size() < width) out.assign(width - text.size(), ' ');
    out.append(text);
    return out;
}

std::string FormatFixed(double value, int width, int precision) {
    char buffer[400];
    std::string_view text;
    if (std::isnan(value)) {
        text = std::signbit(value) ? "-nan" : "nan";
    } else {
        auto result = std::to_chars(buffer, buffer + sizeof buffer, value, std::chars_format::fixed, precision);
        text = std::string_view(buffer, static_cast<size_t>(result.ptr - buffer));
    }
    return PadLeft(text, width > 0 ? static_cast<size_t>(width) : 0);
}

void AppendFixed(std::string& out, double value, int precision) {
    // value * 10^P is exact in the 64-bit significand of a long double (53 bits times at most 10), so
    // its fraction tells the rounding exactly, ties to even as printf and to_chars round.
    static constexpr long double kScale[] = {1, 10, 100, 1000};
    const long double scaled = static_cast<long double>(std::fabs(value)) * kScale[precision >= 0 && precision <= 3 ? precision : 0];
    if (precision < 0 || precision > 3 || !(scaled < 1e18L)) {
        out += FormatFixed(value, 0, precision);
        return;
    }
    uint64_t units = static_cast<uint64_t>(scaled);
    const long double fraction = scaled - static_cast<long double>(units);
    if (fraction > 0.5L || (fraction == 0.5L && units % 2 == 1)) ++units;

    char digits[24];
    char* end = digits + sizeof digits;
    char* first = end;
    for (int d = 0; d < precision; ++d, units /= 10) *--first = static_cast<char>('0' + units % 10);
    if (precision > 0) *--first = '.';
    do {
        *--first = static_cast<char>('0' + units % 10);
        units /= 10;
    } while (units > 0);
    if (std::signbit(value)) *--first = '-';
    out.append(first, static_cast<size_t>(end - first));
}

std::string FormatInt(int64_t value, int width) {
    char buffer[32];
    auto result = std::to_chars(buffer, buffer + sizeof buffer, value);
    return PadLeft(std::string_view(buffer, static_cast<size_t>(result.ptr - buffer)),
                   width > 0 ? static_cast<size_t>(width) : 0);
}

}  // namespace brelix
