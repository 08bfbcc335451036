// The bench report: one row per order feeds the text table and the JSON.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <string>

#include "bench/bench_report.h"
#include "core/schedule.h"

namespace {

std::string printed(void (*write)(std::FILE*, const BenchReport&), const BenchReport& r)
{
    char* text = nullptr;
    size_t size = 0;
    std::FILE* out = open_memstream(&text, &size);
    write(out, r);
    std::fclose(out);
    std::string s(text, size);
    std::free(text);
    return s;
}

unsigned bit(const char* layer) { return 1u << schedule_row(layer); }

}  // namespace

TEST(BenchReport, LayerListNamesEachCodeOnceInDrawingOrder)
{
    EXPECT_EQ(layer_list(bit("flicker lines") | bit("petal rings")), "PR FL");
    // The three fixed panels share one code.
    EXPECT_EQ(layer_list(bit("fixed panel (late)") | bit("quad subdivision") | bit("fixed panel (grid)")), "FP QD");
    EXPECT_EQ(layer_list(0), "");
}

TEST(BenchReport, RowsAverageTheCountsAndBothFormsPrintTheSameFigures)
{
    BenchRun run;
    OrderFigures& five = run.orders[5];
    five.frame_ms = {4.0, 1.0, 3.0, 2.0};
    five.tail_ms = {9.0, 7.0, 8.0};
    five.begins = 40;
    five.vertices = 4000;
    five.state_changes = 6;
    five.walkers_at_end = 33;
    five.pixel_hash = 0x0123456789abcdefull;
    five.layers = bit("hex grid") | bit("branch walkers");
    run.floor_ms = {1.0, 2.0};
    run.timed_frames = 10;
    run.capture_ms = 100;
    run.all_hash = 0x318f44662aebb6b3ull;
    BenchOptions opt;
    opt.frames = 4;
    const BenchReport r = make_bench_report(run, opt, "llvmpipe", "1.00 1.00 1.00", "2.00 2.00 2.00", 150.0);

    ASSERT_EQ(r.orders.size(), 21u);
    const OrderRow& row = r.orders[5];
    EXPECT_EQ(row.order, 5);
    EXPECT_EQ(row.layers, "HX BW");
    EXPECT_EQ(row.median_ms, 2.0);
    EXPECT_EQ(row.p99_ms, 4.0);
    EXPECT_EQ(row.first_ms, 4.0);  // the first timed frame, not the smallest
    EXPECT_EQ(row.begins, 10.0);
    EXPECT_EQ(row.vertices, 1000.0);
    EXPECT_EQ(row.state_changes, 1.5);
    EXPECT_EQ(row.end_frame_median_ms, 8.0);
    EXPECT_EQ(r.orders[0].begins, 0.0);  // no frames: no division by zero
    EXPECT_EQ(r.capture_fps, 100.0);
    EXPECT_EQ(r.floor_median_ms, 1.0);

    const std::string table = printed(print_bench_table, r);
    EXPECT_NE(
        table.find(
            "    5  HX BW                        2.00    4.00      4.00             10            1000            0 "
            "       2                   0              0  0123456789abcdef\n"),
        std::string::npos)
        << table;
    EXPECT_NE(table.find("           5              33                 8.00\n"), std::string::npos) << table;
    EXPECT_NE(table.find("all timed frames: pixel hash 318f44662aebb6b3\n"), std::string::npos);
    EXPECT_EQ(table.find("layer state hash"), std::string::npos);  // not asked for

    const std::string json = printed(write_bench_json, r);
    EXPECT_NE(json.find("{\"order\": 5, \"layers\": \"HX BW\", \"median_ms\": 2.000, \"p99_ms\": 4.000, "
                        "\"first_ms\": 4.000, \"begins_per_frame\": 10.0, \"vertices_per_frame\": 1000.0, "
                        "\"state_calls_per_frame\": 0.0, "
                        "\"state_changes_per_frame\": 1.5, "),
              std::string::npos)
        << json;
    EXPECT_NE(
        json.find("\"walkers_at_end\": 33, \"end_frame_median_ms\": 8.000, \"pixel_hash\": \"0123456789abcdef\"},"),
        std::string::npos);
    EXPECT_NE(json.find("{\"order\": 20, "), std::string::npos);
    EXPECT_NE(json.find("\"all_frames_pixel_hash\": \"318f44662aebb6b3\"\n}\n"), std::string::npos);
}
