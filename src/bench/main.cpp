// drensolk-bench: how long every order's frames take to draw on this machine's
// OpenGL, on the capture's virtual clock, so every run draws the same frames.
// The music runs from its start through the player core as in a capture (real
// triggers, real sync state); the first --frames frames of each order and the
// last --tail frames of each walker order are drawn in full and timed, the
// frames between only run the walkers (so their count grows as in the demo).
// Each timed frame is read back and hashed: equal hashes before and after a
// change to the drawing code prove it draws the same pictures.
// Not a test: it prints figures and fails on nothing but a missing display.
// bench_options reads the command line, bench_run runs, bench_report prints;
// live_sync and live_log are the two other modes.
#include <SDL/SDL.h>
#include <sys/resource.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <string>

#include "bench/bench_options.h"
#include "bench/bench_report.h"
#include "bench/bench_run.h"
#include "bench/gl_count.h"
#include "bench/live_log.h"
#include "bench/live_sync.h"
#include "core/base/textures.h"
#include "core/display.h"
#include "core/start_up.h"
#include "draw/gl.h"

namespace {

std::string loadavg()
{
    std::ifstream f("/proc/loadavg");
    std::string a, b, c;
    f >> a >> b >> c;
    return a + " " + b + " " + c;
}

int summarise_live_log(const std::string& path)
{
    std::ifstream in(path);
    if (!in) {
        std::perror(path.c_str());
        return 1;
    }
    std::vector<LoggedFrame> frames;
    std::string error;
    if (!read_frame_log(in, &frames, &error)) {
        std::fprintf(stderr, "drensolk-bench: %s: %s\n", path.c_str(), error.c_str());
        return 1;
    }
    print_live_log_summary(stdout, path, summarise_frame_log(frames));
    return 0;
}

int live_sync(const BenchOptions& opt)
{
    // The demo's audio on SDL's dummy output unless the caller chose one.
    setenv("SDL_AUDIODRIVER", "dummy", 0);
    load_pictures();
    LiveSyncFigures s;
    if (!run_live_sync(opt.live_seconds, opt.live_order, &s)) {
        std::fprintf(stderr, "drensolk-bench: the sound did not start\n");
        return 1;
    }
    std::printf(
        "live sync, %.0f s from order %d, audio driver %s: %d frames, frame median %.2f ms, p99 %.2f ms, worst "
        "%.2f ms\n",
        opt.live_seconds, opt.live_order, std::getenv("SDL_AUDIODRIVER"), s.frames, s.frame_median_ms, s.frame_p99_ms,
        s.frame_worst_ms);
    std::printf("frames after the first second: p99 %.2f ms, worst %.2f ms\n", s.frame_p99_after_first_s_ms,
                s.frame_worst_after_first_s_ms);
    std::printf("display lead at the end %.2f ms: callbacks and order/row changes are due that much before heard\n",
                s.display_lead_ms);
    std::printf("callbacks against when due (negative: ahead): median %.2f ms, worst %.2f ms (%d callbacks)\n",
                s.callback_median_ms, s.callback_worst_ms, s.callback_count);
    std::printf("order/row changes against when due: median %.2f ms, worst %.2f ms\n", s.position_median_ms,
                s.position_worst_ms);
    std::printf("callback to the next frame start: median %.2f ms, p99 %.2f ms, worst %.2f ms (%d triggers)\n",
                s.pickup_median_ms, s.pickup_p99_ms, s.pickup_worst_ms, s.triggers);
    std::printf("dropped events %u, resyncs %u\n", s.dropped, s.resyncs);
    std::printf("output %d Hz, measured %.1f Hz, audible clock resets %u\n", s.output_rate, s.measured_rate,
                s.clock_resets);
    return 0;
}

}  // namespace

int main(int argc, char** argv)
{
    const StartMarks marks = start_marks_now();
    BenchOptions opt;
    std::string error;
    const ParseStatus parsed = parse_bench_options(argc, argv, &opt, &error);
    if (const int status = answer_parse(parsed, "drensolk-bench", error, bench_usage()); status >= 0) return status;
    if (!opt.live_log.empty()) return summarise_live_log(opt.live_log);
    if (opt.data_dir.empty()) opt.data_dir = DRENSOLK_DATA_DIR;
    if (!opt.json.empty() && opt.json[0] != '/') {
        char cwd[4096];
        if (getcwd(cwd, sizeof cwd)) opt.json = std::string(cwd) + "/" + opt.json;
    }
    if (chdir(opt.data_dir.c_str()) != 0) {
        std::perror(opt.data_dir.c_str());
        return 1;
    }
    const std::string load_before = loadavg();
    setenv("SDL_VIDEODRIVER", "offscreen", 0);
    std::atexit(SDL_Quit);
    SDL_Init(SDL_INIT_VIDEO);
    // The counter forwards to libGL from the first GL call on, the display's
    // own (viewport and scissor) included.
    if (!gl_count_init()) {
        std::fprintf(stderr, "drensolk-bench: libGL lacks an entry point the counter forwards to\n");
        return 1;
    }
    if (!open_gl_display(kBenchWidth, kBenchHeight, false)) {
        std::fprintf(stderr, "drensolk-bench: no OpenGL display: %s\n", SDL_GetError());
        return 1;
    }
    const char* renderer = reinterpret_cast<const char*>(glGetString(GL_RENDERER));
    const std::string renderer_name = renderer ? renderer : "?";

    if (opt.live_seconds > 0) return live_sync(opt);

    const BenchRun run = run_bench(opt, marks);
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    const BenchReport report =
        make_bench_report(run, opt, renderer_name, load_before, loadavg(), usage.ru_maxrss / 1024.0);
    print_bench_table(stdout, report);
    if (!opt.json.empty()) {
        FILE* j = std::fopen(opt.json.c_str(), "w");
        if (!j) {
            std::perror(opt.json.c_str());
            return 1;
        }
        write_bench_json(j, report);
        std::fclose(j);
    }
    return 0;
}
