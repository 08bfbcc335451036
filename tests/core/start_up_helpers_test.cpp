#include <gtest/gtest.h>

#include "core/demo_main.h"
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

}  // namespace
