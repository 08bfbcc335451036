#include <gtest/gtest.h>

#include <cstring>
#include <set>

#include "core/base/random.h"
#include "core/base/stipple.h"

namespace {

TEST(DemoRand, FifteenBitsNeverSeededOneSequence)
{
    demo_rand_reset_for_test();
    int first[64];
    std::set<int> seen;
    bool high_bit_seen = false;
    for (int& v : first) {
        v = demo_rand();
        ASSERT_GE(v, 0);
        ASSERT_LE(v, kDemoRandMax);
        seen.insert(v);
    }
    for (int i = 0; i < 100000; ++i) high_bit_seen |= (demo_rand() & 0x4000) != 0;
    EXPECT_TRUE(high_bit_seen);
    EXPECT_GT(seen.size(), 60u);
    demo_rand_reset_for_test();
    for (int v : first) EXPECT_EQ(demo_rand(), v);
}

TEST(DemoRand, QueuedValuesComeFirstThenTheSequenceContinues)
{
    demo_rand_reset_for_test();
    const int a = demo_rand();
    const int b = demo_rand();
    demo_rand_reset_for_test();
    EXPECT_EQ(demo_rand(), a);
    demo_rand_queue_for_test({0, 32767, 40000});
    EXPECT_EQ(demo_rand(), 0);
    EXPECT_EQ(demo_rand(), 32767);
    EXPECT_EQ(demo_rand(), 40000 & 32767);
    EXPECT_EQ(demo_rand(), b);
    EXPECT_EQ(demo_rand_count(), 5u);
    demo_rand_reset_for_test();
}

TEST(DiagonalStipple, RowsRunEightyEightFortyFourTwentyTwoEleven)
{
    uint8_t p[128];
    std::memset(p, 0xAB, sizeof p);
    build_diagonal_stipple(p);
    const uint8_t rows[4] = {0x88, 0x44, 0x22, 0x11};
    for (int r = 0; r < 32; ++r)
        for (int c = 0; c < 4; ++c) ASSERT_EQ(p[r * 4 + c], rows[r % 4]) << r;
    // Bit (7 - x % 8) of row y lets pixel (x, y) through: x and y equal mod 4.
    for (int y = 0; y < 32; ++y)
        for (int x = 0; x < 32; ++x) {
            const bool on = (p[y * 4 + x / 8] >> (7 - x % 8)) & 1;
            EXPECT_EQ(on, x % 4 == y % 4) << x << "," << y;
        }
}


}  // namespace
