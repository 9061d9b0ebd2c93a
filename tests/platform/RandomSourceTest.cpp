// The random source repeats itself under a fixed seed and stays inside its range.
#include <gtest/gtest.h>

#include "platform/RandomSource.h"

using tavolux::CRandomSource;

TEST(RandomSource, FixedSeedRepeatsAndRangeHolds)
{
    CRandomSource a(1234);
    CRandomSource b(1234);
    bool sawHigh = false;
    for (int i = 0; i < 10000; ++i) {
        int x = a.Rand();
        ASSERT_EQ(x, b.Rand());
        ASSERT_GE(x, 0);
        ASSERT_LE(x, CRandomSource::kRandMax);
        sawHigh = sawHigh || x > CRandomSource::kRandMax / 2;
    }
    EXPECT_TRUE(sawHigh);
    a.Seed(5);
    b.Seed(6);
    EXPECT_NE(a.Next32(), b.Next32());
}
