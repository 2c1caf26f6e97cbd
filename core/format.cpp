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

std::string FormatInt(int64_t value, int width) {
    char buffer[32];
    auto result = std::to_chars(buffer, buffer + sizeof buffer, value);
    return PadLeft(std::string_view(buffer, static_cast<size_t>(result.ptr - buffer)),
                   width > 0 ? static_cast<size_t>(width) : 0);
}

}  // namespace brelix
