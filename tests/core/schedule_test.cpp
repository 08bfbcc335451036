#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "core/base/random.h"
#include "core/schedule.h"

namespace {

using Names = std::vector<std::string>;

Names layers(int order, int mask)
{
    uint8_t out[kMaxScheduledLayers];
    const size_t n = scheduled_layers(order, mask, out);
    Names names;
    for (size_t i = 0; i < n; ++i) names.push_back(kSchedule[out[i]].name);
    return names;
}

// The storyboard by order range, written independently of the step table:
// optional layers before the scene, flicker lines late.
Names expected(int o, int mask)
{
    if (o <= 3) return {"petal rings", "pulsing squares", "flicker lines"};
    Names v;
    const bool bars_allowed = o < 12 && o != 7;
    if ((mask & 1) && bars_allowed) v.push_back("red bars");
    if (mask & 2) v.push_back("sliding dashes");
    if (mask & 4) v.push_back("pulsing squares");
    if (o <= 6) {
        v.insert(v.end(), {"hex grid", "branch walkers", "panel scene"});
    } else if (o == 7) {
        v.insert(v.end(), {"branch walkers", "grid scene", "fixed panel (grid)"});
    } else if (o <= 11) {
        v.insert(v.end(), {"branch walkers", "triangle subdivision", "fixed panel (triangles)"});
    } else if (o <= 15) {
        v.insert(v.end(), {"branch walkers", "arc rings"});
    } else {
        v.insert(v.end(), {"branch walkers", "quad subdivision"});
    }
    if (mask & 8) v.push_back("flicker lines");
    if (o >= 12) v.push_back("fixed panel (late)");
    return v;
}

TEST(Schedule, EveryOrderAndMaskDrawsTheStoryboardInOrder)
{
    for (int order = 0; order <= 20; ++order)
        for (int mask = 0; mask <= 15; ++mask)
            EXPECT_EQ(layers(order, mask), expected(order, mask)) << "order " << order << " mask " << mask;
}

TEST(Schedule, OnlyTheLowFourMaskBitsMatter)
{
    for (int order : {0, 5, 7, 9, 13, 18})
        for (int mask : {0, 3, 9, 15}) EXPECT_EQ(layers(order, mask + 16 * 37), layers(order, mask));
}

TEST(Schedule, OrdersPastTwentyKeepTheFinale) { EXPECT_EQ(layers(25, 15), expected(16, 15)); }

// A layer's rows share one name, code and drawing function, so the bench and
// people see one layer however often the mask brings it back.
TEST(Schedule, RowsOfOneNameAreOneLayer)
{
    for (size_t a = 0; a < kScheduleRows; ++a) {
        EXPECT_EQ(std::string(kSchedule[a].code).size(), 2u) << kSchedule[a].name;
        const size_t first = static_cast<size_t>(schedule_row(kSchedule[a].name));
        EXPECT_STREQ(kSchedule[first].code, kSchedule[a].code) << kSchedule[a].name;
    }
    EXPECT_EQ(schedule_row("no such layer"), -1);
}

TEST(LayerMask, StepsOnlyWhenTheFirstDrawIsFiveModHundred)
{
    demo_rand_reset_for_test();
    int mask = 0;
    demo_rand_queue_for_test({104});
    step_layer_mask(mask);
    EXPECT_EQ(mask, 0);
    EXPECT_EQ(demo_rand_count(), 1u);

    demo_rand_queue_for_test({205, 0x7ff3});
    step_layer_mask(mask);
    EXPECT_EQ(mask, 3);  // adds s & 15
    demo_rand_queue_for_test({5, 15});
    step_layer_mask(mask);
    EXPECT_EQ(mask, 18);  // addition carries into bit 4
    EXPECT_EQ(demo_rand_count(), 5u);
    demo_rand_reset_for_test();
}

}  // namespace
