#include "core/format.h"

#include <algorithm>
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

std::string FormatInt(int64_t value, int width) {
    char buffer[32];
    auto result = std::to_chars(buffer, buffer + sizeof buffer, value);
    return PadLeft(std::string_view(buffer, static_cast<size_t>(result.ptr - buffer)),
                   width > 0 ? static_cast<size_t>(width) : 0);
}

}  // namespace brelix
