// drensolk-bench's command line.
#pragma once
#include <string>

#include "cli/option_parser.h"
#include "core/base/demo_data.h"

constexpr int kBenchOrders = kEndOrder + 1;  // orders 0 to 20: the demo's whole schedule

struct BenchOptions {
    int frames = 60;        // timed frames from the start of each order
    int tail = 5;           // timed frames at the end of each walker order
    int floor_frames = 60;  // clear-and-swap frames, half before and half after
    bool hash = true;
    bool layer_state = false;                            // also hash the GL state after every layer
    int first_order = 0, last_order = kBenchOrders - 1;  // orders timed (for profiling)
    std::string json;                                    // empty: no JSON
    std::string data_dir;                                // empty: the build's data folder
    double live_seconds = 0;                             // > 0: only the live sync measurement
    int live_order = 16;
    std::string live_log;  // not empty: only summarise this frame log
};

// Reads the command line (parse_options: its forms and messages). On Error,
// `error` holds one line saying what is wrong; on Help and Error the caller
// prints bench_usage(). Numbers must be whole (seconds: positive) and in
// range: --frames and --tail 1 to 100000, --orders A-B with 0 <= A <= B.
// --live-sync takes the order as an optional second word when that word does
// not start with '-'. --data-dir is a second spelling of --data.
ParseStatus parse_bench_options(int argc, char** argv, BenchOptions* options, std::string* error);

const char* bench_usage();
