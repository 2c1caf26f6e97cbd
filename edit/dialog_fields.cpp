#include "edit/dialog_fields.h"

#include <charconv>
#include <cmath>
#include <ostream>

#include "core/format.h"

namespace brelix {

namespace {

std::string_view Trimmed(std::string_view text) {
    const size_t first = text.find_first_not_of(" \t");
    if (first == std::string_view::npos) return {};
    return text.substr(first, text.find_last_not_of(" \t") - first + 1);
}

}  // namespace

std::ostream& operator<<(std::ostream& os, const CFieldRefusal& refusal) {
    return os << "CFieldRefusal{field " << refusal.field << ": " << refusal.message << "}";
}

std::optional<double> ParseFieldNumber(std::string_view text) {
    text = Trimmed(text);
    if (!text.empty() && text.front() == '+') text.remove_prefix(1);
    if (text.empty()) return std::nullopt;
    double value = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (error != std::errc() || end != text.data() + text.size() || !std::isfinite(value))
        return std::nullopt;
    return value;
}

std::optional<uint64_t> ParseFieldInteger(std::string_view text) {
    text = Trimmed(text);
    if (!text.empty() && text.front() == '+') text.remove_prefix(1);
    if (text.empty()) return std::nullopt;
    uint64_t value = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (error != std::errc() || end != text.data() + text.size()) return std::nullopt;
    return value;
}

std::string FieldText(double value) {
    const std::string shortText = FormatGeneral(value, 15);
    double back = 0;
    std::from_chars(shortText.data(), shortText.data() + shortText.size(), back);
    return back == value ? shortText : FormatGeneral(value, 17);
}

std::string NumberMessage() {
    return "Please enter a number.";
}

std::string NumberRangeMessage(double low, double high) {
    return "Please enter a number between " + FormatGeneral(low, 15) + " and " + FormatGeneral(high, 15) +
           ".";
}

std::string IntegerRangeMessage(uint64_t low, uint64_t high) {
    return "Please enter an integer between " + FormatInt(static_cast<int64_t>(low)) + " and " +
           FormatInt(static_cast<int64_t>(high)) + ".";
}

}  // namespace brelix
