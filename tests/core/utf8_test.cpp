#include "core/utf8.h"

#include <gtest/gtest.h>

namespace brelix {
namespace {

TEST(Utf8, CountsAndCutsWholeCharacters) {
    struct Case {
        const char* text;
        size_t length;
        size_t count;
        const char* prefix;
    };
    const Case cases[] = {
        {"", 0, 3, ""},
        {"Front", 5, 3, "Fro"},
        {"Front", 5, 9, "Front"},
        {"µm", 2, 1, "µ"},
        {"Oberfläche", 10, 8, "Oberfläc"},
        {"\xE2\x82\xAC"
         "5",
         2, 1, "\xE2\x82\xAC"},  // a three-byte character
        {"\x80\x80"
         "ab",
         2, 1,
         "\x80\x80"
         "a"},  // stray continuation bytes stay with what they follow
    };
    for (const Case& c : cases) {
        EXPECT_EQ(Utf8Length(c.text), c.length) << c.text;
        EXPECT_EQ(Utf8Prefix(c.text, c.count), c.prefix) << c.text;
    }
}

}  // namespace
}  // namespace brelix
