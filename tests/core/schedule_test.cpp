#include <gtest/gtest.h>

#include <vector>

#include "core/base/random.h"
#include "core/schedule.h"

namespace {

using L = Layer;

std::vector<Layer> layers(int order, int mask)
{
    Layer out[kMaxScheduledLayers];
    const size_t n = scheduled_layers(order, mask, out);
    return std::vector<Layer>(out, out + n);
}

// The storyboard by order range, written independently of the step table:
// optional layers before the scene, flicker lines late.
std::vector<Layer> expected(int o, int mask)
{
    if (o <= 3) return {L::PetalRings, L::PulsingSquares, L::FlickerLines};
    std::vector<Layer> v;
    const bool bars_allowed = o < 12 && o != 7;
    if ((mask & 1) && bars_allowed) v.push_back(L::RedBars);
    if (mask & 2) v.push_back(L::SlidingDashes);
    if (mask & 4) v.push_back(L::PulsingSquares);
    if (o <= 6) {
        v.insert(v.end(), {L::HexGrid, L::BranchWalkers, L::PanelScene});
    } else if (o == 7) {
        v.insert(v.end(), {L::BranchWalkers, L::GridScene, L::FixedPanelGrid});
    } else if (o <= 11) {
        v.insert(v.end(), {L::BranchWalkers, L::TriangleLayer, L::FixedPanelTriangle});
    } else if (o <= 15) {
        v.insert(v.end(), {L::BranchWalkers, L::ArcRings});
    } else {
        v.insert(v.end(), {L::BranchWalkers, L::QuadLayer});
    }
    if (mask & 8) v.push_back(L::FlickerLines);
    if (o >= 12) v.push_back(L::FixedPanelLate);
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
