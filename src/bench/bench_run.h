// One bench run: the intro and start-up timed as the demo does them, then the
// whole music on the capture's virtual clock with the chosen frames of every
// order drawn in full, timed, counted and hashed.
#pragma once
#include <chrono>
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "bench/bench_options.h"

constexpr uint64_t kFnvStart = 1469598103934665603ull;

// FNV-1a over bytes, continuing from h.
inline uint64_t fnv(uint64_t h, const void* data, size_t n)
{
    const auto* p = static_cast<const uint8_t*>(data);
    for (size_t i = 0; i < n; ++i) h = (h ^ p[i]) * 1099511628211ull;
    return h;
}

constexpr int kFirstWalkerOrder = 4;

// What the timed frames of one order gave.
struct OrderFigures {
    std::vector<double> frame_ms;  // draw + glFinish + swap of the first frames
    std::vector<double> tail_ms;   // the same for the last frames (walker orders)
    uint64_t begins = 0, vertices = 0, state_calls = 0, state_changes = 0, begin_changes = 0,
             mode_switches = 0;  // sums over frame_ms's frames
    unsigned layers = 0;         // bit per schedule row, every layer drawn in a timed frame
    size_t walkers_at_end = 0;
    uint64_t pixel_hash = kFnvStart;
    uint64_t state_hash = kFnvStart;
    bool head_done = false;  // the first frames are behind
};

struct BenchRun {
    OrderFigures orders[kBenchOrders];
    std::vector<double> floor_ms;  // clear + projection + glFinish + swap
    int64_t frames = 0;            // every frame of the run, timed or not (intro included)
    int timed_frames = 0;
    double capture_ms = 0;  // music + draw + read-back + swap of the timed frames
    double run_s = 0;       // the music part of the run
    double first_intro_frame_ms = 0, process_start_to_main_ms = 0, music_start_ms = 0;
    uint64_t all_hash = kFnvStart;  // over the timed frames of every order
};

// The process's start marks, taken first thing in main.
struct StartMarks {
    std::chrono::steady_clock::time_point main_entry;
    double main_entry_boot_ms = 0;  // CLOCK_BOOTTIME at main entry
};
StartMarks start_marks_now();

// Needs the display (640x480), the GL counter and the data folder as the
// working directory; draws to the back buffer and swaps.
BenchRun run_bench(const BenchOptions& options, const StartMarks& marks);

// The bench's display size.
constexpr int kBenchWidth = 640;
constexpr int kBenchHeight = 480;
