#include "bench/bench_options.h"

#include <climits>
#include <cstdio>

namespace {

bool read_orders(const std::string& text, int* first, int* last)
{
    int a = 0, b = 0, used = 0;
    if (std::sscanf(text.c_str(), "%d-%d%n", &a, &b, &used) != 2 || text[used] || a < 0 || b < a) return false;
    *first = a;
    *last = b;
    return true;
}

}  // namespace

const char* bench_usage()
{
    return "usage: drensolk-bench [options]\n"
           "Times every order's frames on a virtual clock and prints the pixel hashes.\n"
           "\n"
           "  --frames N            timed frames from the start of each order 0..20 (60)\n"
           "  --tail N              timed frames at the end of each walker order (5)\n"
           "  --orders A-B          time only orders A to B (the others only grow the\n"
           "                        walkers)\n"
           "  --no-hash             do not read frames back for the pixel hashes\n"
           "  --layer-state         also hash the OpenGL state each layer leaves (slower)\n"
           "  --live-sync S [ORDER] instead: play the demo live on the real clock for S\n"
           "                        seconds from ORDER (16) and report the callback and\n"
           "                        frame-loop timing\n"
           "  --live-log FILE       instead: summarise a frame log the demo wrote with\n"
           "                        DRENSOLK_FRAME_LOG=FILE (frames over 16.7 ms and\n"
           "                        6.9 ms, per order)\n"
           "  --json FILE           write the figures as JSON\n"
           "  --data DIR            read the data files from DIR (default: the build's\n"
           "                        data folder)\n"
           "  --help                this text\n";
}

ParseStatus parse_bench_options(int argc, char** argv, BenchOptions* o, std::string* error)
{
    *o = BenchOptions{};
    using Words = std::vector<std::string>;
    const std::vector<CliOption> options = {
        int_option("frames", &o->frames, 1, 100000),
        int_option("tail", &o->tail, 1, 100000),
        {"orders", 1, 1,
         [o](const Words& w) -> std::string {
             return read_orders(w[0], &o->first_order, &o->last_order) ? "" : "A-B with 0 <= A <= B";
         }},
        flag_option("no-hash", &o->hash, false),
        flag_option("layer-state", &o->layer_state, true),
        // The order is a second word, taken when it does not start with '-'.
        {"live-sync", 1, 2,
         [o](const Words& w) -> std::string {
             if (!read_positive(w[0], &o->live_seconds)) return "a positive number of seconds";
             int64_t order = 0;
             if (w.size() > 1 && !read_whole(w[1], 0, INT_MAX, &order))
                 return "an order (a whole number from 0) after the seconds";
             if (w.size() > 1) o->live_order = static_cast<int>(order);
             return "";
         }},
        text_option("live-log", &o->live_log),
        text_option("json", &o->json),
        text_option("data,data-dir", &o->data_dir),
    };
    return parse_options(argc, argv, options, error);
}
