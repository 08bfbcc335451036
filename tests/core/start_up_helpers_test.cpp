#include <gtest/gtest.h>

#include "core/demo_main.h"
#include "core/frame_loop.h"
#include "core/sound_errors.h"

namespace {

TEST(SoundErrorText, KnownCodesAndTheRest)
{
    EXPECT_STREQ(sound_error_text(0), "No errors");
    EXPECT_STREQ(sound_error_text(9), "File not found");
    EXPECT_STREQ(sound_error_text(12), "Not enough memory ");  // trailing blank kept
    EXPECT_STREQ(sound_error_text(18), "Required Mediaplayer codec is not installed");
    EXPECT_STREQ(sound_error_text(19), "Unknown error");
    EXPECT_STREQ(sound_error_text(-1), "Unknown error");
    EXPECT_STREQ(sound_error_text(-2147483647 - 1), "Unknown error");
}

TEST(StartOrder, ExactlyOneArgumentIsAtoiOfIt)
{
    char prog[] = "drensolk", seven[] = "7", abc[] = "abc", neg[] = "-1", big[] = "2147483648";
    char* one[] = {prog, seven, nullptr};
    EXPECT_EQ(start_order_from_args(2, one), 7);
    char* text[] = {prog, abc, nullptr};
    EXPECT_EQ(start_order_from_args(2, text), 0);
    char* minus[] = {prog, neg, nullptr};
    EXPECT_EQ(start_order_from_args(2, minus), -1);
    char* none[] = {prog, nullptr};
    EXPECT_FALSE(start_order_from_args(1, none).has_value());
    char* two[] = {prog, seven, seven, nullptr};
    EXPECT_FALSE(start_order_from_args(3, two).has_value());
    char* huge[] = {prog, big, nullptr};
    EXPECT_EQ(start_order_from_args(2, huge), 2147483647);  // clamped, not wrapped
}

// The live demo ends on the end row or, when its frames are slower than a
// row, on the first later row of the end order it reads; never before.
TEST(LiveEnd, EndRowOrALaterRowOfTheEndOrder)
{
    EXPECT_FALSE(live_end_reached(20, 1));
    EXPECT_TRUE(live_end_reached(20, 2));
    EXPECT_TRUE(live_end_reached(20, 3));  // row 2 skipped by a slow frame
    EXPECT_FALSE(live_end_reached(19, 63));
    EXPECT_FALSE(live_end_reached(0, 2));
    EXPECT_FALSE(is_end_position(20, 3));  // the capture ends on the row's start itself
}

}  // namespace
