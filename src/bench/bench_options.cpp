#include "bench/bench_options.h"

#include <getopt.h>

#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstdlib>

namespace {

enum : int {
    OPT_FRAMES = 1000,
    OPT_TAIL,
    OPT_ORDERS,
    OPT_NO_HASH,
    OPT_LAYER_STATE,
    OPT_LIVE_SYNC,
    OPT_LIVE_LOG,
    OPT_JSON,
    OPT_DATA_DIR,
    OPT_HELP
};

const option long_options[] = {
    {"frames", required_argument, nullptr, OPT_FRAMES},
    {"tail", required_argument, nullptr, OPT_TAIL},
    {"orders", required_argument, nullptr, OPT_ORDERS},
    {"no-hash", no_argument, nullptr, OPT_NO_HASH},
    {"layer-state", no_argument, nullptr, OPT_LAYER_STATE},
    {"live-sync", required_argument, nullptr, OPT_LIVE_SYNC},
    {"live-log", required_argument, nullptr, OPT_LIVE_LOG},
    {"json", required_argument, nullptr, OPT_JSON},
    {"data-dir", required_argument, nullptr, OPT_DATA_DIR},
    {"help", no_argument, nullptr, OPT_HELP},
    {nullptr, 0, nullptr, 0},
};

// The whole text as a base-10 integer in [lo, hi].
bool read_int(const char* text, long lo, long hi, int* value)
{
    errno = 0;
    char* end = nullptr;
    const long v = std::strtol(text, &end, 10);
    if (errno || end == text || *end || v < lo || v > hi) return false;
    *value = static_cast<int>(v);
    return true;
}

bool read_orders(const char* text, int* first, int* last)
{
    int a = 0, b = 0, used = 0;
    if (std::sscanf(text, "%d-%d%n", &a, &b, &used) != 2 || text[used] || a < 0 || b < a) return false;
    *first = a;
    *last = b;
    return true;
}

std::string bad(const char* option, const char* value, const char* wanted)
{
    return std::string("--") + option + " " + value + ": wanted " + wanted;
}

}  // namespace

const char* bench_usage()
{
    return "usage: drensolk-bench [--frames N] [--tail N] [--no-hash] [--layer-state] [--orders A-B] [--live-sync S "
           "[ORDER]] [--live-log FILE] [--json FILE] [--data-dir DIR]\n"
           "  --frames N     timed frames from the start of each order 0..20 (60)\n"
           "  --tail N       timed frames at the end of each walker order (5)\n"
           "  --orders A-B   time only orders A to B (the others only grow the walkers)\n"
           "  --no-hash      do not read frames back for the pixel hashes\n"
           "  --layer-state  also hash the OpenGL state each layer leaves (slower)\n"
           "  --live-sync S [ORDER]  instead: play the demo live on the real clock for S seconds\n"
           "                 from ORDER (16) and report the callback and frame-loop timing\n"
           "  --live-log FILE  instead: summarise a frame log the demo wrote with\n"
           "                 DRENSOLK_FRAME_LOG=FILE (frames over 16.7 ms and 6.9 ms, per order)\n"
           "  --json FILE    write the figures as JSON\n"
           "  --data-dir DIR the pictures and the module (the build's data folder)\n";
}

BenchParse parse_bench_options(int argc, char** argv, BenchOptions* o, std::string* error)
{
    *o = BenchOptions{};
    optind = 0;  // full reinitialisation: the parser may run more than once (tests)
    opterr = 0;
    int c;
    // "+": stop at the first word that is no option, so the optional order
    // after --live-sync stays where it is and a stray word is an error.
    while ((c = getopt_long(argc, argv, "+", long_options, nullptr)) != -1) {
        switch (c) {
            case OPT_FRAMES:
            case OPT_TAIL:
                if (!read_int(optarg, 1, 100000, c == OPT_FRAMES ? &o->frames : &o->tail))
                    return *error = bad(c == OPT_FRAMES ? "frames" : "tail", optarg, "a whole number from 1 to 100000"),
                           BenchParse::Error;
                break;
            case OPT_ORDERS:
                if (!read_orders(optarg, &o->first_order, &o->last_order))
                    return *error = bad("orders", optarg, "A-B with 0 <= A <= B"), BenchParse::Error;
                break;
            case OPT_NO_HASH:
                o->hash = false;
                break;
            case OPT_LAYER_STATE:
                o->layer_state = true;
                break;
            case OPT_LIVE_SYNC: {
                char* end = nullptr;
                o->live_seconds = std::strtod(optarg, &end);
                if (end == optarg || *end || !(o->live_seconds > 0) || o->live_seconds > 1e6)
                    return *error = bad("live-sync", optarg, "a positive number of seconds"), BenchParse::Error;
                if (optind < argc && argv[optind][0] != '-') {
                    if (!read_int(argv[optind], 0, INT_MAX, &o->live_order))
                        return *error = bad("live-sync", argv[optind], "an order (a whole number from 0)"),
                               BenchParse::Error;
                    ++optind;
                }
                break;
            }
            case OPT_LIVE_LOG:
                o->live_log = optarg;
                break;
            case OPT_JSON:
                o->json = optarg;
                break;
            case OPT_DATA_DIR:
                o->data_dir = optarg;
                break;
            case OPT_HELP:
                return BenchParse::Help;
            default: {
                const char* arg = argv[optind - 1];
                *error = optopt ? std::string("option needs a value: ") + arg : std::string("unknown option: ") + arg;
                return BenchParse::Error;
            }
        }
    }
    if (optind < argc) return *error = std::string("unexpected argument: ") + argv[optind], BenchParse::Error;
    return BenchParse::Ok;
}
