// The estimate of the sample being heard, fed with made-up callback times.
#include <gtest/gtest.h>

#include "core/music/audible_clock.h"

namespace {

constexpr int64_t kMs = 1000000;  // ns

AudibleClock clock32k(int latency_samples = 0) { return AudibleClock{32000, latency_samples, 0, 0, 0}; }

}  // namespace

TEST(AudibleClock, EvenCallbacksPlayEachBlockFromItsHandOver)
{
    AudibleClock c = clock32k();
    EXPECT_EQ(audible_clock_sample(&c, 0), -1.0);
    for (int k = 0; k < 3; ++k) audible_clock_block(&c, 1000 * kMs + k * 16 * kMs, 512);
    EXPECT_DOUBLE_EQ(audible_clock_sample(&c, 1000 * kMs + 32 * kMs), 1024.0);
    EXPECT_DOUBLE_EQ(audible_clock_sample(&c, 1000 * kMs + 40 * kMs), 1280.0);
}

TEST(AudibleClock, BurstyCallbacksDoNotMoveItAhead)
{
    // Two blocks at once, then a pause: the second block is heard after the
    // first, not at its hand-over.
    AudibleClock c = clock32k();
    audible_clock_block(&c, 0, 512);
    audible_clock_block(&c, kMs / 4, 512);
    EXPECT_NEAR(audible_clock_sample(&c, kMs), 32.0, 0.01);  // give or take the 500 ppm slide
    EXPECT_NEAR(audible_clock_sample(&c, 20 * kMs), 640.0, 0.01);
    // A callback that comes late says the output waited for it.
    audible_clock_block(&c, 40 * kMs, 512);
    EXPECT_DOUBLE_EQ(audible_clock_sample(&c, 40 * kMs), 1024.0);
}

TEST(AudibleClock, NeverPastWhatWasHandedAndLatencyComesOff)
{
    AudibleClock c = clock32k();
    audible_clock_block(&c, 0, 512);
    EXPECT_DOUBLE_EQ(audible_clock_sample(&c, 100 * kMs), 512.0);
    AudibleClock late = clock32k(1280);  // 40 ms the layer cannot see
    for (int k = 0; k < 4; ++k) audible_clock_block(&late, k * 16 * kMs, 512);
    EXPECT_DOUBLE_EQ(audible_clock_sample(&late, 56 * kMs), 512.0);
}

TEST(AudibleClock, FollowsADeviceClockThatDrifts)
{
    // The device runs 300 ppm fast or slow against the system clock: after a
    // minute of blocks the estimate still meets each block at its hand-over.
    for (double period_ms : {15.9952, 16.0048}) {
        AudibleClock c = clock32k();
        double worst = 0;
        for (int k = 0; k < 4000; ++k) {
            const int64_t ns = int64_t(k * period_ms * kMs);
            const uint64_t before = c.handed;
            audible_clock_block(&c, ns, 512);
            worst = std::max(worst, std::abs(audible_clock_sample(&c, ns) - double(before)));
        }
        EXPECT_LT(worst, 2.0) << "period " << period_ms << " ms";
    }
}
