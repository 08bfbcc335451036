// The frame-log summary: a log as the demo writes it, read back and counted.
#include <gtest/gtest.h>

#include <cstdio>
#include <sstream>

#include "bench/live_log.h"
#include "core/frame_log.h"

namespace {

LoggedFrame frame(int order, double frame_ms, double t = 1.0)
{
    LoggedFrame f;
    f.t = t;
    f.order = order;
    f.frame_ms = frame_ms;
    return f;
}

const FrameTimes* find_order(const LiveLogSummary& s, int order)
{
    for (const FrameTimes& t : s.orders)
        if (t.order == order) return &t;
    return nullptr;
}

}  // namespace

TEST(LiveLogSummary, CountsFramesOverEachBudgetPerOrderAndOverall)
{
    // Order 4 first (a hitch at its first frame), then order 0 seen late:
    // the rows come out by order number, and the budgets are strict limits.
    const std::vector<LoggedFrame> log = {frame(4, 30.0), frame(4, 16.7), frame(4, 16.8), frame(4, 7.0), frame(4, 6.9),
                                          frame(4, 2.0),  frame(0, 5.0),  frame(0, 8.0),  frame(12, 3.0)};
    const LiveLogSummary s = summarise_frame_log(log);
    ASSERT_EQ(s.orders.size(), 3u);
    EXPECT_EQ(s.orders[0].order, 0);
    EXPECT_EQ(s.orders[1].order, 4);
    EXPECT_EQ(s.orders[2].order, 12);

    const FrameTimes& four = *find_order(s, 4);
    EXPECT_EQ(four.frames, 6);
    EXPECT_EQ(four.over_60hz, 2);   // 30 and 16.8; 16.7 itself is in time
    EXPECT_EQ(four.over_144hz, 4);  // 30, 16.7, 16.8 and 7; 6.9 itself is in time
    EXPECT_EQ(four.first_ms, 30.0);
    EXPECT_EQ(four.worst_ms, 30.0);
    EXPECT_EQ(four.median_ms, 7.0);  // sorted 2, 6.9, 7, 16.7, 16.8, 30: rank 3
    EXPECT_EQ(four.p99_ms, 30.0);

    const FrameTimes& zero = *find_order(s, 0);
    EXPECT_EQ(zero.frames, 2);
    EXPECT_EQ(zero.over_60hz, 0);
    EXPECT_EQ(zero.over_144hz, 1);
    EXPECT_EQ(zero.first_ms, 5.0);

    EXPECT_EQ(s.whole.order, -1);
    EXPECT_EQ(s.whole.frames, 9);
    EXPECT_EQ(s.whole.over_60hz, 2);
    EXPECT_EQ(s.whole.over_144hz, 5);
    EXPECT_EQ(s.whole.first_ms, 30.0);
    EXPECT_EQ(s.whole.worst_ms, 30.0);
}

TEST(LiveLogSummary, AnEmptyLogHasNoOrdersAndZeroes)
{
    const LiveLogSummary s = summarise_frame_log({});
    EXPECT_TRUE(s.orders.empty());
    EXPECT_EQ(s.whole.frames, 0);
    EXPECT_EQ(s.whole.worst_ms, 0);
}

TEST(FrameLogFile, WhatTheDemoWritesReadsBackFieldForField)
{
    char* text = nullptr;
    size_t size = 0;
    FrameLog log;
    log.file = open_memstream(&text, &size);
    ASSERT_NE(log.file, nullptr);
    log.frames.push_back(ShownFrame{3.346f, 0, 0, 75.25, 131.5, 206.75});
    log.frames.push_back(ShownFrame{12.443f, 20, 2, 1.5, 2.25, 4.0});
    ASSERT_TRUE(frame_log_write(&log));
    EXPECT_EQ(log.file, nullptr);
    std::istringstream in(std::string(text, size));
    std::free(text);

    std::vector<LoggedFrame> frames;
    std::string error;
    ASSERT_TRUE(read_frame_log(in, &frames, &error)) << error;
    ASSERT_EQ(frames.size(), 2u);
    EXPECT_NEAR(frames[0].t, 3.346, 1e-6);
    EXPECT_EQ(frames[0].order, 0);
    EXPECT_EQ(frames[0].draw_ms, 75.25);
    EXPECT_EQ(frames[0].swap_ms, 131.5);
    EXPECT_EQ(frames[0].frame_ms, 206.75);
    EXPECT_EQ(frames[1].order, 20);
    EXPECT_EQ(frames[1].row, 2);
    EXPECT_EQ(frames[1].frame_ms, 4.0);
}

TEST(FrameLogFile, RejectsAWrongHeaderAndNamesABadLine)
{
    std::vector<LoggedFrame> frames;
    std::string error;
    std::istringstream no_header("1.0\t0\t0\t1\t1\t2\n");
    EXPECT_FALSE(read_frame_log(no_header, &frames, &error));
    EXPECT_NE(error.find("line 1"), std::string::npos) << error;

    const std::string head = std::string(kFrameLogHeader) + "\n";
    std::istringstream short_line(head + "1.0\t0\t0\t1\t1\t2\n2.0\t0\t1\t1\t1\n");
    EXPECT_FALSE(read_frame_log(short_line, &frames, &error));
    EXPECT_NE(error.find("line 3"), std::string::npos) << error;
    EXPECT_EQ(frames.size(), 1u);  // what came before the bad line

    std::istringstream negative(head + "1.0\t0\t0\t1\t-1\t2\n");
    EXPECT_FALSE(read_frame_log(negative, &frames, &error));
    std::istringstream text(head + "1.0\tfour\t0\t1\t1\t2\n");
    EXPECT_FALSE(read_frame_log(text, &frames, &error));

    std::istringstream trailing_blank(head + "1.0\t0\t0\t1\t1\t2\n\n");
    EXPECT_TRUE(read_frame_log(trailing_blank, &frames, &error)) << error;
    EXPECT_EQ(frames.size(), 1u);
}

TEST(LiveLogSummary, PrintsOneLinePerOrderAndTheWholeLog)
{
    char* text = nullptr;
    size_t size = 0;
    std::FILE* out = open_memstream(&text, &size);
    ASSERT_NE(out, nullptr);
    print_live_log_summary(out, "x.tsv", summarise_frame_log({frame(4, 20.0, 5.0), frame(5, 3.0, 6.5)}));
    std::fclose(out);
    const std::string printed(text, size);
    std::free(text);
    EXPECT_NE(printed.find("frame log x.tsv: 2 frames, t 5.00 to 6.50 s"), std::string::npos) << printed;
    EXPECT_NE(printed.find("    4       1      20.00   20.00     20.00     20.00             1            1\n"),
              std::string::npos)
        << printed;
    EXPECT_NE(printed.find("  all       2       3.00   20.00     20.00     20.00             1            1\n"),
              std::string::npos)
        << printed;
}
