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

}  // namespace
}  // namespace brelix
