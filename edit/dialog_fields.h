#pragma once

#include <cstdint>
#include <iosfwd>
#include <optional>
#include <string>
#include <string_view>

namespace brelix {

// What a dialog's read of its fields refused: the first bad field and the message to show. The dialog
// shows the message, puts the focus on the field and stays open.
struct CFieldRefusal {
    int field;
    std::string message;
    bool operator==(const CFieldRefusal&) const = default;
};
std::ostream& operator<<(std::ostream& os, const CFieldRefusal& refusal);

// A number typed into a field: the whole text but for blanks around it, a finite decimal number read
// without the user's locale. "inf" and "nan" are no numbers here: nothing a dialog edits may be one.
std::optional<double> ParseFieldNumber(std::string_view text);
// A whole number 0 or above, read likewise.
std::optional<uint64_t> ParseFieldInteger(std::string_view text);

// A value as a field shows it: as few digits as read back to the same number.
std::string FieldText(double value);

// The messages of a refused field; those of a field with a range name it.
std::string NumberMessage();
std::string NumberRangeMessage(double low, double high);
std::string IntegerRangeMessage(uint64_t low, uint64_t high);

}  // namespace brelix
