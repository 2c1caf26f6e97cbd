#pragma once

#include <cstdio>
#include <cstdlib>

namespace brelix::fuzz {

// Ends the run with a crash libFuzzer records, saying which rule the input broke.
inline void Require(bool holds, const char* rule) {
    if (holds) return;
    std::fprintf(stderr, "Broken: %s\n", rule);
    std::abort();
}

}  // namespace brelix::fuzz
