// The frame loop's display lead: read-to-shown time plus half the frame
// period, robust to single slow frames.
#include <gtest/gtest.h>

#include "core/display_lead.h"

namespace {

// Frames every `period` ms, each shown `shown` ms after its read.
void run(DisplayLead* lead, int frames, double period, double shown, double start = 0)
{
    for (int i = 0; i < frames; ++i) display_lead_add(lead, start + i * period, start + i * period + shown);
}

TEST(DisplayLead, StartsAtZeroThenTakesShownTimeThenHalfThePeriod)
{
    DisplayLead lead{};
    EXPECT_EQ(display_lead_ms(lead), 0.0);
    display_lead_add(&lead, 100.0, 104.0);
    EXPECT_DOUBLE_EQ(display_lead_ms(lead), 4.0);  // no period yet
    display_lead_add(&lead, 110.0, 114.0);
    EXPECT_DOUBLE_EQ(display_lead_ms(lead), 4.0 + 10.0 / 2);
}

TEST(DisplayLead, FollowsTheRecentFramesAndIgnoresASlowOne)
{
    DisplayLead lead{};
    run(&lead, 40, 5.0, 4.0);
    EXPECT_DOUBLE_EQ(display_lead_ms(lead), 4.0 + 2.5);
    // One 60 ms hitch: the medians do not move.
    display_lead_add(&lead, 200.0, 260.0);
    display_lead_add(&lead, 265.0, 269.0);
    EXPECT_DOUBLE_EQ(display_lead_ms(lead), 4.0 + 2.5);
    // A heavier scene: after a ring's worth of its frames, the lead is its own.
    run(&lead, kLeadFrames, 16.0, 12.0, 300.0);
    EXPECT_DOUBLE_EQ(display_lead_ms(lead), 12.0 + 8.0);
}

}  // namespace
