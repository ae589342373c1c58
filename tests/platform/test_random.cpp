// The seeded pseudo-random source.
#include "Random.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

std::vector<double> Draw(int32_t seed, int n) {
    SetRandSeed(seed);
    std::vector<double> v;
    for (int i = 0; i < n; ++i) v.push_back(Random());
    return v;
}

TEST(RandomTest, SameSeedSameSequence) {
    EXPECT_EQ(Draw(12345, 50), Draw(12345, 50));
    EXPECT_NE(Draw(12345, 50), Draw(12346, 50));
    SetRandSeed(7);
    std::vector<int32_t> a, b;
    for (int i = 0; i < 20; ++i) a.push_back(Random(1000));
    SetRandSeed(7);
    for (int i = 0; i < 20; ++i) b.push_back(Random(1000));
    EXPECT_EQ(a, b);
}

TEST(RandomTest, KnownSequenceOfTheGenerator) {
    // seed' = seed * 0x08088405 + 1 (mod 2^32); Random(n) = seed' * n / 2^32.
    SetRandSeed(0);
    EXPECT_EQ(Random(100), 0);  // seed 1
    EXPECT_EQ(RandSeed(), 1);
    EXPECT_EQ(Random(1 << 16), 0x0808);  // seed 0x08088406
    EXPECT_EQ(uint32_t(RandSeed()), 0x08088406u);
}

TEST(RandomTest, RangesAreRespected) {
    SetRandSeed(99);
    std::vector<int> hits(10, 0);
    for (int i = 0; i < 10000; ++i) {
        const double x = Random();
        ASSERT_GE(x, 0.0);
        ASSERT_LT(x, 1.0);
        const int32_t r = Random(10);
        ASSERT_GE(r, 0);
        ASSERT_LT(r, 10);
        ++hits[r];
    }
    for (int h : hits) EXPECT_GT(h, 800);  // roughly uniform
    EXPECT_EQ(Random(0), 0);
    EXPECT_EQ(Random(-5), 0);
    EXPECT_EQ(Random(1), 0);
    SetRandSeed(-1);
    EXPECT_LT(Random(INT32_MAX), INT32_MAX);
}

TEST(RandomTest, RandomizeChangesTheSeed) {
    SetRandSeed(0);
    Randomize();
    const int32_t s1 = RandSeed();
    EXPECT_NE(s1, 0);  // the clock is never exactly 0 in both halves
}

}  // namespace
