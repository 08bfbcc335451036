// The real demo's command line. Exactly one argument is the start order, as
// atoi reads it; an order outside the song changes nothing. The song here
// loops at order 0 for ever, and order 19 leads to the end at once: a run that
// ends started at order 19, a run that keeps playing started at order 0.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "hostile/hostile_files.h"

namespace hostile {
namespace {

constexpr double kPlayLimit = 90;
// Intro, pictures and several seconds of music; a start at order 19 ends
// about two and a half seconds after the intro.
constexpr double kEndlessLimit = 12;

fs::path trap_folder(const std::string& name)
{
    const fs::path dir = case_folder("args-" + name);
    write_file(dir / kModuleFile, quick_xm({21, true, true}));
    return dir;
}

void expect_played_from_order_0(const std::string& name, const std::vector<std::string>& args)
{
    const ProcessResult r = run_demo(trap_folder(name), args, kEndlessLimit);
    EXPECT_FALSE(has_crash_report(r)) << describe(r);
    EXPECT_TRUE(r.timed_out) << "ended: it did not start at order 0\n" << describe(r);
    EXPECT_EQ(r.out, "") << describe(r);
    EXPECT_EQ(r.err, "") << describe(r);
}

TEST(Arguments, Order19StartsThereAndEnds)
{
    const ProcessResult r = run_demo(trap_folder("19"), {"19"}, kPlayLimit);
    EXPECT_FALSE(has_crash_report(r)) << describe(r);
    EXPECT_FALSE(r.timed_out) << describe(r);
    EXPECT_EQ(r.status, 0) << describe(r);
    EXPECT_EQ(r.out, "") << describe(r);
}

TEST(Arguments, NoneStartsAtOrder0) { expect_played_from_order_0("none", {}); }
TEST(Arguments, EmptyIsOrder0) { expect_played_from_order_0("empty", {""}); }
TEST(Arguments, TextIsOrder0) { expect_played_from_order_0("abc", {"abc"}); }
TEST(Arguments, MinusOneIsIgnored) { expect_played_from_order_0("minus-one", {"-1"}); }
TEST(Arguments, Order21PastTheSongIsIgnored) { expect_played_from_order_0("21", {"21"}); }
TEST(Arguments, TooLargeForIntIsIgnored) { expect_played_from_order_0("2147483648", {"2147483648"}); }
TEST(Arguments, TwoArgumentsAreIgnored) { expect_played_from_order_0("two", {"19", "19"}); }

}  // namespace
}  // namespace hostile
