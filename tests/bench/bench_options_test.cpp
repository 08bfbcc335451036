// drensolk-bench's command line.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "bench/bench_options.h"

namespace {

ParseStatus parse(std::vector<std::string> words, BenchOptions* o, std::string* error)
{
    words.insert(words.begin(), "drensolk-bench");
    std::vector<char*> argv;
    for (std::string& w : words) argv.push_back(w.data());
    argv.push_back(nullptr);
    return parse_bench_options(static_cast<int>(words.size()), argv.data(), o, error);
}

}  // namespace

TEST(BenchOptions, DefaultsAndEveryOption)
{
    BenchOptions o;
    std::string error;
    ASSERT_EQ(parse({}, &o, &error), ParseStatus::Ok);
    EXPECT_EQ(o.frames, 60);
    EXPECT_EQ(o.first_order, 0);
    EXPECT_EQ(o.last_order, 20);
    EXPECT_TRUE(o.hash);

    ASSERT_EQ(parse({"--frames", "300", "--tail", "20", "--orders", "16-18", "--no-hash", "--layer-state", "--json",
                     "b.json", "--data", "/d"},
                    &o, &error),
              ParseStatus::Ok)
        << error;
    EXPECT_EQ(o.frames, 300);
    EXPECT_EQ(o.tail, 20);
    EXPECT_EQ(o.first_order, 16);
    EXPECT_EQ(o.last_order, 18);
    EXPECT_FALSE(o.hash);
    EXPECT_TRUE(o.layer_state);
    EXPECT_EQ(o.json, "b.json");
    EXPECT_EQ(o.data_dir, "/d");
    EXPECT_EQ(o.live_seconds, 0);
    // The spelling older scripts use.
    ASSERT_EQ(parse({"--data-dir", "/old"}, &o, &error), ParseStatus::Ok) << error;
    EXPECT_EQ(o.data_dir, "/old");
}

TEST(BenchOptions, LiveSyncTakesTheOrderOnlyWhenTheNextWordIsNoOption)
{
    BenchOptions o;
    std::string error;
    ASSERT_EQ(parse({"--live-sync", "15", "12"}, &o, &error), ParseStatus::Ok) << error;
    EXPECT_EQ(o.live_seconds, 15);
    EXPECT_EQ(o.live_order, 12);

    ASSERT_EQ(parse({"--live-sync", "2.5", "--json", "x"}, &o, &error), ParseStatus::Ok) << error;
    EXPECT_EQ(o.live_seconds, 2.5);
    EXPECT_EQ(o.live_order, 16);
    EXPECT_EQ(o.json, "x");

    ASSERT_EQ(parse({"--live-log", "run.tsv"}, &o, &error), ParseStatus::Ok) << error;
    EXPECT_EQ(o.live_log, "run.tsv");
}

TEST(BenchOptions, ErrorsSayWhatIsWrong)
{
    BenchOptions o;
    std::string error;
    const std::vector<std::vector<std::string>> bad = {
        {"--frames", "0"},   {"--frames", "ten"},  {"--tail", "100001"}, {"--orders", "5"},
        {"--orders", "9-3"}, {"--live-sync", "0"}, {"--live-sync", "x"}, {"--live-sync", "5", "a"}};
    for (const auto& words : bad) {
        error.clear();
        EXPECT_EQ(parse(words, &o, &error), ParseStatus::Error) << words[0];
        EXPECT_EQ(error.rfind(words[0] + " ", 0), 0u) << error;
    }
    parse({"--orders", "9-3"}, &o, &error);
    EXPECT_EQ(error, "--orders 9-3: wanted A-B with 0 <= A <= B");
    parse({"--live-sync", "5", "a"}, &o, &error);
    EXPECT_EQ(error, "--live-sync 5 a: wanted an order (a whole number from 0) after the seconds");
    EXPECT_EQ(parse({"--help"}, &o, &error), ParseStatus::Help);
}
