#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace brelix {

// printf-style number texts that do not depend on the process locale: the desktop application runs
// under the user's locale, but every text the system writes uses a decimal point.

// "%W.Pf"
std::string FormatFixed(double value, int width, int precision);
// "%.Pf" appended to `out`, for P from 0 to 3 quickly: a results table writes millions of them.
void AppendFixed(std::string& out, double value, int precision);
// "%Wd" (width 0 for plain "%d")
std::string FormatInt(int64_t value, int width = 0);
// "%Ws": right-aligned in a field of at least `width` characters.
std::string PadLeft(std::string_view text, size_t width);

}  // namespace brelix
