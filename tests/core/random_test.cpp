#include "core/random.h"

#include <gtest/gtest.h>

namespace brelix {
namespace {

TEST(CRandom, PinnedSequences) {
    CRandom one(1);
    EXPECT_EQ(one.Next(), 41);
    EXPECT_EQ(one.Next(), 18467);
    EXPECT_EQ(one.Next(), 6334);

    CRandom zero(0);
    EXPECT_EQ(zero.Next(), 38);
    EXPECT_EQ(zero.Next(), 7719);
    EXPECT_EQ(zero.Next(), 21238);

    // Re-seeding restarts the sequence.
    one.Seed(1);
    EXPECT_EQ(one.Next(), 41);
}

TEST(CRandom, StaysInRangeAndCoversIt) {
    CRandom random(12345);
    int low = CRandom::Max, high = 0;
    for (int i = 0; i < 1000000; ++i) {
        const int r = random.Next();
        ASSERT_GE(r, 0);
        ASSERT_LE(r, CRandom::Max);
        low = std::min(low, r);
        high = std::max(high, r);
    }
    EXPECT_EQ(low, 0);
    EXPECT_EQ(high, CRandom::Max);
}

}  // namespace
}  // namespace brelix
