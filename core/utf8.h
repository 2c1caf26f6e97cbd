#pragma once

#include <cstddef>
#include <string_view>

namespace brelix {

// Names are UTF-8; where a text is cut to a number of characters, a character must not be cut in two.
// Every byte that is not a continuation byte (10xxxxxx) starts a character, so text that is not valid
// UTF-8 is still cut between bytes it holds, never past its end.

// The number of characters.
size_t Utf8Length(std::string_view text);
// The first `count` characters (the whole text when it has fewer).
std::string_view Utf8Prefix(std::string_view text, size_t count);

}  // namespace brelix
