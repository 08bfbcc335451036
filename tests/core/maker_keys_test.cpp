// The maker's keys as state changes: what each key asks of the music and the
// picture, given the frame the key was pressed over.
#include <gtest/gtest.h>

#include "core/maker_keys.h"

namespace {

const uint8_t kRows[] = {3, 5, 7};  // a frame drawing schedule rows 3, 5 and 7

MakerState at(int start_order, int order_count)
{
    MakerState s;
    s.start_order = start_order;
    s.order_count = order_count;
    return s;
}

void press(MakerState* s, SDLKey key, int order, SDLMod mod = KMOD_NONE) { maker_key(s, key, mod, order, kRows, 3); }

}  // namespace

TEST(MakerKeys, OrderKeysStepFromThePendingJumpAndStopAtTheEnds)
{
    MakerState s = at(4, 21);
    press(&s, SDLK_RIGHT, 9);
    EXPECT_EQ(s.jump_to, 10);
    s.heading_to = s.jump_to;  // as the loop does once the music took it
    s.jump_to = -1;
    press(&s, SDLK_RIGHT, 9);  // the music still plays 9: step on from 10
    EXPECT_EQ(s.jump_to, 11);
    press(&s, SDLK_HOME, 11);
    EXPECT_EQ(s.jump_to, 4);
    s = at(0, 21);
    press(&s, SDLK_LEFT, 0);
    EXPECT_EQ(s.jump_to, 0);
    press(&s, SDLK_RIGHT, 20);
    s.jump_to = -1;
    press(&s, SDLK_RIGHT, 20);
    EXPECT_EQ(s.jump_to, 20);
}

TEST(MakerKeys, LoopHoldsTheShownOrderAndFollowsJumps)
{
    MakerState s = at(0, 21);
    press(&s, SDLK_l, 6);
    EXPECT_EQ(s.looped_order, 6);
    EXPECT_TRUE(s.loop_changed);
    s.loop_changed = false;
    press(&s, SDLK_RIGHT, 6);
    EXPECT_EQ(s.looped_order, 7);
    EXPECT_TRUE(s.loop_changed);
    press(&s, SDLK_l, 7);
    EXPECT_EQ(s.looped_order, -1);
    s.loop_changed = false;
    press(&s, SDLK_LEFT, 7);  // no loop: a jump leaves it off
    EXPECT_EQ(s.looped_order, -1);
    EXPECT_FALSE(s.loop_changed);
}

TEST(MakerKeys, DigitsSoloOrMuteTheFramesNthLayer)
{
    MakerState s = at(0, 21);
    press(&s, SDLK_2, 0);
    EXPECT_EQ(s.solo_row, 5);
    EXPECT_EQ(maker_hidden_rows(s), ~(1u << 5));
    press(&s, SDLK_2, 0);  // again: all layers
    EXPECT_EQ(s.solo_row, -1);
    EXPECT_EQ(maker_hidden_rows(s), 0u);
    press(&s, SDLK_3, 0, KMOD_LSHIFT);
    press(&s, SDLK_1, 0, KMOD_RSHIFT);
    EXPECT_EQ(maker_hidden_rows(s), (1u << 7) | (1u << 3));
    press(&s, SDLK_3, 0, KMOD_LSHIFT);
    EXPECT_EQ(maker_hidden_rows(s), 1u << 3);
    press(&s, SDLK_4, 0);  // the frame drew three layers
    press(&s, SDLK_9, 0, KMOD_LSHIFT);
    EXPECT_EQ(s.solo_row, -1);
    EXPECT_EQ(maker_hidden_rows(s), 1u << 3);
}

TEST(MakerKeys, EscapeEndsAndOtherKeysToggleTheirOwnThing)
{
    MakerState s = at(0, 21);
    press(&s, SDLK_a, 3);  // not a maker key: nothing, and certainly no end
    EXPECT_FALSE(s.quit);
    EXPECT_EQ(s.jump_to, -1);
    press(&s, SDLK_SPACE, 3);
    EXPECT_TRUE(s.paused);
    EXPECT_TRUE(s.pause_changed);
    press(&s, SDLK_SPACE, 3);
    EXPECT_FALSE(s.paused);
    press(&s, SDLK_h, 3);
    EXPECT_FALSE(s.overlay);
    press(&s, SDLK_s, 3);
    EXPECT_TRUE(s.save);
    press(&s, SDLK_ESCAPE, 3);
    EXPECT_TRUE(s.quit);
}
