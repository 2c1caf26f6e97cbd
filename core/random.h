#pragma once

#include <cstdint>

namespace brelix {

// The one pseudo-random generator of the system: integers 0..32767 from a 32-bit linear congruential
// step. Every formula scales its own draws (by 32767, 32768 or 32769), and the order of draws is part of
// the behaviour, so one seed reproduces a trace on any platform.
class CRandom {
public:
    static constexpr int Max = 32767;

    explicit CRandom(uint32_t seed = 1) : state_(seed) {}

    void Seed(uint32_t seed) { state_ = seed; }

    int Next() {
        state_ = state_ * 214013u + 2531011u;
        return static_cast<int>((state_ >> 16) & 0x7FFFu);
    }

private:
    uint32_t state_;
};

}  // namespace brelix
