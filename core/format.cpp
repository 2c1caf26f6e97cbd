#include "core/format.h"

#include <algorithm>
#include <bit>
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

namespace {

// std::to_chars with a precision writes exactly what printf writes in the "C" locale, for the general and
// the scientific forms alike, NaN and infinities included.
// Precisions beyond 17 would only add the binary value's decimal tail; none is asked for.
std::string ToChars(double value, std::chars_format format, int precision) {
    precision = std::clamp(precision, 0, 17);
    char buffer[400];
    const auto result = std::to_chars(buffer, buffer + sizeof buffer, value, format, precision);
    return std::string(buffer, result.ptr);
}

}  // namespace

std::string FormatGeneral(double value, int precision) {
    return ToChars(value, std::chars_format::general, precision);
}

std::string FormatExponent(double value, int precision) {
    return ToChars(value, std::chars_format::scientific, precision);
}

void AppendFixed(std::string& out, double value, int precision) {
    // value = m 2^e exactly, with m below 2^53; m 10^P stays below 2^63, so value 10^P = (m 10^P) 2^e is
    // an integer shifted, and the bits shifted out round it exactly, ties to even as printf and to_chars
    // round. Values too large for that (and NaN, infinities) take the general conversion.
    static constexpr uint64_t kScale[] = {1, 10, 100, 1000};
    const uint64_t bits = std::bit_cast<uint64_t>(value);
    const int biased = static_cast<int>(bits >> 52 & 0x7FF);
    const uint64_t fraction = bits & ((uint64_t{1} << 52) - 1);
    const int e = biased == 0 ? -1074 : biased - 1075;
    if (precision < 0 || precision > 3 || biased == 0x7FF || e > 0) {
        out += FormatFixed(value, 0, precision);
        return;
    }
    const uint64_t product = (biased == 0 ? fraction : fraction | uint64_t{1} << 52) * kScale[precision];
    const int shift = -e;
    uint64_t units = 0;
    if (shift == 0) {
        units = product;
    } else if (shift < 64) {
        units = product >> shift;
        const uint64_t rest = product & ((uint64_t{1} << shift) - 1), half = uint64_t{1} << (shift - 1);
        if (rest > half || (rest == half && units % 2 == 1)) ++units;
    }  // else below half a unit: rounds to 0

    char digits[32];
    char* const end = digits + sizeof digits;
    char* first = end;
    for (int d = 0; d < precision; ++d, units /= 10) *--first = static_cast<char>('0' + units % 10);
    if (precision > 0) *--first = '.';
    do {
        *--first = static_cast<char>('0' + units % 10);
        units /= 10;
    } while (units > 0);
    if (bits >> 63) *--first = '-';
    out.append(first, static_cast<size_t>(end - first));
}

std::string FormatInt(int64_t value, int width) {
    char buffer[32];
    auto result = std::to_chars(buffer, buffer + sizeof buffer, value);
    return PadLeft(std::string_view(buffer, static_cast<size_t>(result.ptr - buffer)),
                   width > 0 ? static_cast<size_t>(width) : 0);
}

}  // namespace brelix
