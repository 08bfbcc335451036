// What drensolk-bench prints: one report built from a run, written as the
// text table and, on request, as JSON with the same figures.
#pragma once
#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

#include "bench/bench_options.h"
#include "bench/bench_run.h"

// One order's line: the text table prints it in two tables (all orders, then
// the walker orders' ends), the JSON prints it whole.
struct OrderRow {
    int order = 0;
    std::string layers;  // codes of the layers drawn in its timed frames ("PR PS FL")
    double median_ms = 0, p99_ms = 0;
    double first_ms = 0;  // the order's first timed frame
    // Per timed frame of the first frames (sums over their count; 0 without frames):
    double begins = 0, vertices = 0, state_calls = 0, state_changes = 0, begin_changes = 0, mode_switches = 0;
    size_t walkers_at_end = 0;
    double end_frame_median_ms = 0;  // median of the last frames of a walker order
    uint64_t pixel_hash = kFnvStart;
};

struct BenchReport {
    std::string renderer;
    int width = kBenchWidth, height = kBenchHeight;
    int frames_per_order = 0, tail_frames = 0;
    std::string load_before, load_after;  // /proc/loadavg's first three fields
    double floor_median_ms = 0, floor_p99_ms = 0;
    std::vector<OrderRow> orders;  // orders 0 to 20, one row each
    double capture_fps = 0;        // timed frames per second of music + draw + read-back + swap
    int64_t frames = 0;
    int timed_frames = 0;
    double run_s = 0;
    double first_intro_frame_ms = 0, process_start_to_main_ms = 0, music_start_ms = 0;
    double peak_memory_mib = 0;
    bool hashed = true;  // all_hash is meaningful
    uint64_t all_hash = kFnvStart;
    bool layer_state = false;  // layer_state_hash is meaningful
    uint64_t layer_state_hash = kFnvStart;
};

// The layer codes of a set of schedule-row bits, in drawing order, each once.
std::string layer_list(unsigned layer_bits);

// The report of one run; the machine facts come from the caller.
BenchReport make_bench_report(const BenchRun& run, const BenchOptions& options, const std::string& renderer,
                              const std::string& load_before, const std::string& load_after, double peak_memory_mib);

void print_bench_table(std::FILE* out, const BenchReport& report);
void write_bench_json(std::FILE* out, const BenchReport& report);
