#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace brelix {

// printf-style number texts that do not depend on the process locale: the desktop application runs
// under the user's locale, but every text the system writes uses a decimal point.

// "%W.Pf"
std::string FormatFixed(double value, int width, int precision);
// Precisions of FormatGeneral and FormatExponent: 0 to 17 (more is taken as 17).
// "%.Pg": the shorter of the fixed and exponent forms, without trailing zeros ("1e-05", "0.25", "1e+06").
std::string FormatGeneral(double value, int precision = 6);
// "%.Pe": one digit before the point, then an exponent of at least two digits ("1e+02", "2.50e-07").
std::string FormatExponent(double value, int precision);
// "%.Pf" appended to `out`, for P from 0 to 3 quickly: a results table writes millions of them.
void AppendFixed(std::string& out, double value, int precision);
// "%Wd" (width 0 for plain "%d")
std::string FormatInt(int64_t value, int width = 0);
// "%Ws": right-aligned in a field of at least `width` characters.
std::string PadLeft(std::string_view text, size_t width);

}  // namespace brelix
