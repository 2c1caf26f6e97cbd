#include "core/utf8.h"

namespace brelix {

namespace {

bool StartsCharacter(char byte) {
    return (static_cast<unsigned char>(byte) & 0xC0) != 0x80;
}

}  // namespace

size_t Utf8Length(std::string_view text) {
    size_t count = 0;
    for (char byte : text) count += StartsCharacter(byte) ? 1 : 0;
    return count;
}

std::string_view Utf8Prefix(std::string_view text, size_t count) {
    size_t started = 0;
    for (size_t i = 0; i < text.size(); ++i) {
        if (StartsCharacter(text[i]) && started++ == count) return text.substr(0, i);
    }
    return text;
}

}  // namespace brelix
