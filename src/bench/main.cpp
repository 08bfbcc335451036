// drensolk-bench: how long every order's frames take to draw on this machine's
// OpenGL, on the capture's virtual clock, so every run draws the same frames.
// The music runs from its start through the player core as in a capture (real
// triggers, real sync state); the first --frames frames of each order and the
// last --tail frames of each walker order are drawn in full and timed, the
// frames between only run the walkers (so their count grows as in the demo).
// Each timed frame is read back and hashed: equal hashes before and after a
// change to the drawing code prove it draws the same pictures.
// Not a test: it prints figures and fails on nothing but a missing display.
#include <SDL/SDL.h>
#include <sys/resource.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "bench/gl_count.h"
#include "bench/live_sync.h"
#include "capture/capture_music.h"
#include "capture/frame_clock.h"
#include "capture/music_survey.h"
#include "core/display.h"
#include "core/frame_image.h"
#include "core/music/module_file.h"
#include "core/schedule.h"
#include "core/textures.h"
#include "draw/gl.h"
#include "effects/branch_walkers.h"
#include "effects/intro_spinner.h"

namespace {

constexpr int kWidth = 640;
constexpr int kHeight = 480;
constexpr int kOrders = kSurveyOrders;
constexpr int kFirstWalkerOrder = 4;

struct Options {
    int frames = 60;        // timed frames from the start of each order
    int tail = 5;           // timed frames at the end of each walker order
    int floor_frames = 60;  // clear-and-swap frames, half before and half after
    bool hash = true;
    bool layer_state = false;                             // also hash the GL state after every layer
    int first_order = 0, last_order = kSurveyOrders - 1;  // orders timed (for profiling)
    std::string json;
    std::string data_dir = DRENSOLK_DATA_DIR;
    double live_seconds = 0;  // > 0: only the live sync measurement
    int live_order = 16;
};

using Clock = std::chrono::steady_clock;
double ms_since(Clock::time_point a, Clock::time_point b)
{
    return std::chrono::duration<double, std::milli>(b - a).count();
}

struct OrderFigures {
    std::vector<double> frame_ms;  // draw + glFinish + swap of the first frames
    std::vector<double> tail_ms;   // the same for the last frames (walker orders)
    uint64_t begins = 0, vertices = 0, state_calls = 0, state_changes = 0, begin_changes = 0,
             mode_switches = 0;  // sums over frame_ms's frames
    unsigned layers = 0;         // bit per Layer value, every layer drawn in a timed frame
    int max_layers = 0;
    size_t walkers_at_end = 0;
    uint64_t pixel_hash = 1469598103934665603ull;
    uint64_t state_hash = 1469598103934665603ull;
    bool visited = false;
    bool head_done = false;  // the first frames are behind
};

uint64_t fnv(uint64_t h, const void* data, size_t n)
{
    const auto* p = static_cast<const uint8_t*>(data);
    for (size_t i = 0; i < n; ++i) h = (h ^ p[i]) * 1099511628211ull;
    return h;
}

double percentile(std::vector<double> v, double p)
{
    if (v.empty()) return 0;
    std::sort(v.begin(), v.end());
    // Nearest rank: with 60 frames the 99th percentile is the slowest frame.
    size_t rank = static_cast<size_t>(p / 100.0 * static_cast<double>(v.size()) + 0.999999);
    rank = std::clamp<size_t>(rank, 1, v.size());
    return v[rank - 1];
}

const char* layer_code(Layer l)
{
    switch (l) {
        case Layer::PetalRings:
            return "PR";
        case Layer::PulsingSquares:
            return "PS";
        case Layer::FlickerLines:
            return "FL";
        case Layer::RedBars:
            return "RB";
        case Layer::SlidingDashes:
            return "SD";
        case Layer::HexGrid:
            return "HX";
        case Layer::BranchWalkers:
            return "BW";
        case Layer::ArcRings:
            return "AR";
        case Layer::PanelScene:
            return "PN";
        case Layer::GridScene:
            return "GS";
        case Layer::FixedPanelGrid:
        case Layer::FixedPanelTriangle:
        case Layer::FixedPanelLate:
            return "FP";
        case Layer::TriangleLayer:
            return "TR";
        case Layer::QuadLayer:
            return "QD";
    }
    return "?";
}

constexpr Layer kAllLayers[] = {
    Layer::PetalRings,     Layer::PulsingSquares, Layer::FlickerLines,       Layer::RedBars,    Layer::SlidingDashes,
    Layer::HexGrid,        Layer::BranchWalkers,  Layer::ArcRings,           Layer::PanelScene, Layer::GridScene,
    Layer::FixedPanelGrid, Layer::TriangleLayer,  Layer::FixedPanelTriangle, Layer::QuadLayer,  Layer::FixedPanelLate};

std::string layer_list(unsigned bits)
{
    std::string s;
    for (Layer l : kAllLayers) {
        if (!(bits & (1u << static_cast<unsigned>(l)))) continue;
        const std::string code = layer_code(l);
        if (s.find(code) != std::string::npos) continue;
        if (!s.empty()) s += ' ';
        s += code;
    }
    return s;
}

// The GL state a layer leaves that the next one may see.
uint64_t probe_state(uint64_t h)
{
    const GLenum caps[] = {GL_BLEND,          GL_POLYGON_STIPPLE, GL_LINE_SMOOTH,
                           GL_POLYGON_SMOOTH, GL_TEXTURE_2D,      GL_DEPTH_TEST};
    for (GLenum c : caps) {
        const uint8_t on = glIsEnabled(c);
        h = fnv(h, &on, 1);
    }
    GLint blend[2];
    glGetIntegerv(GL_BLEND_SRC, &blend[0]);
    glGetIntegerv(GL_BLEND_DST, &blend[1]);
    GLfloat colour[4];
    glGetFloatv(GL_CURRENT_COLOR, colour);
    GLint texture = 0;
    glGetIntegerv(GL_TEXTURE_BINDING_2D, &texture);
    h = fnv(h, blend, sizeof blend);
    h = fnv(h, colour, sizeof colour);
    return fnv(h, &texture, sizeof texture);
}

// draw_frame, one layer at a time, with the state probed after each layer.
void draw_frame_probed(int order, float t, int mask, uint64_t* state_hash)
{
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    set_projection();
    Layer layers[kMaxScheduledLayers];
    const size_t n = scheduled_layers(order, mask, layers);
    for (size_t i = 0; i < n; ++i) {
        draw_layer(layers[i], static_cast<double>(t), order);
        *state_hash = probe_state(*state_hash);
    }
}

double now_since_boot_ms()
{
    timespec ts{};
    clock_gettime(CLOCK_BOOTTIME, &ts);
    return ts.tv_sec * 1000.0 + ts.tv_nsec / 1e6;
}

// Process start in milliseconds since boot (/proc/self/stat, clock ticks).
double process_start_ms()
{
    std::ifstream f("/proc/self/stat");
    std::string line;
    std::getline(f, line);
    const size_t close = line.rfind(')');
    if (close == std::string::npos) return -1;
    // Fields after the command name start with field 3; starttime is field 22.
    std::istringstream rest(line.substr(close + 2));
    std::string field;
    unsigned long long value = 0;
    for (int i = 3; i <= 22 && rest >> field; ++i)
        if (i == 22) value = std::strtoull(field.c_str(), nullptr, 10);
    return static_cast<double>(value) * 1000.0 / static_cast<double>(sysconf(_SC_CLK_TCK));
}

std::string loadavg()
{
    std::ifstream f("/proc/loadavg");
    std::string a, b, c;
    f >> a >> b >> c;
    return a + " " + b + " " + c;
}

void usage()
{
    std::puts(
        "usage: drensolk-bench [--frames N] [--tail N] [--no-hash] [--layer-state] [--orders A-B] [--live-sync S "
        "[ORDER]] [--json FILE] [--data-dir DIR]\n"
        "  --frames N     timed frames from the start of each order 0..20 (60)\n"
        "  --tail N       timed frames at the end of each walker order (5)\n"
        "  --orders A-B   time only orders A to B (the others only grow the walkers)\n"
        "  --no-hash      do not read frames back for the pixel hashes\n"
        "  --layer-state  also hash the OpenGL state each layer leaves (slower)\n"
        "  --live-sync S [ORDER]  instead: play the demo live on the real clock for S seconds\n"
        "                 from ORDER (16) and report the callback and frame-loop timing\n"
        "  --json FILE    write the figures as JSON\n"
        "  --data-dir DIR the pictures and the module (the build's data folder)");
}

bool parse(int argc, char** argv, Options* o)
{
    for (int i = 1; i < argc; ++i) {
        const std::string a = argv[i];
        auto value = [&]() -> const char* { return i + 1 < argc ? argv[++i] : nullptr; };
        if (a == "--frames" || a == "--tail") {
            const char* v = value();
            if (!v) return false;
            (a == "--frames" ? o->frames : o->tail) = std::max(1, std::atoi(v));
        } else if (a == "--orders") {
            const char* v = value();
            if (!v || std::sscanf(v, "%d-%d", &o->first_order, &o->last_order) != 2) return false;
        } else if (a == "--live-sync") {
            const char* v = value();
            if (!v) return false;
            o->live_seconds = std::atof(v);
            if (i + 1 < argc && argv[i + 1][0] != '-') o->live_order = std::atoi(argv[++i]);
        } else if (a == "--no-hash") {
            o->hash = false;
        } else if (a == "--layer-state") {
            o->layer_state = true;
        } else if (a == "--json" || a == "--data-dir") {
            const char* v = value();
            if (!v) return false;
            (a == "--json" ? o->json : o->data_dir) = v;
        } else {
            return false;
        }
    }
    return true;
}

}  // namespace

int main(int argc, char** argv)
{
    const Clock::time_point main_entry = Clock::now();
    const double main_entry_boot_ms = now_since_boot_ms();
    Options opt;
    if (!parse(argc, argv, &opt)) {
        usage();
        return 2;
    }
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
    if (!open_gl_display(kWidth, kHeight, false)) {
        std::fprintf(stderr, "drensolk-bench: no OpenGL display: %s\n", SDL_GetError());
        return 1;
    }
    const char* renderer = reinterpret_cast<const char*>(glGetString(GL_RENDERER));
    const std::string renderer_name = renderer ? renderer : "?";

    if (opt.live_seconds > 0) {
        // The demo's audio on SDL's dummy output unless the caller chose one.
        setenv("SDL_AUDIODRIVER", "dummy", 0);
        upload_pictures();
        LiveSyncFigures s;
        if (!run_live_sync(opt.live_seconds, opt.live_order, &s)) {
            std::fprintf(stderr, "drensolk-bench: the sound did not start\n");
            return 1;
        }
        std::printf(
            "live sync, %.0f s from order %d, audio driver %s: %d frames, frame median %.2f ms, p99 %.2f ms, worst "
            "%.2f ms\n",
            opt.live_seconds, opt.live_order, std::getenv("SDL_AUDIODRIVER"), s.frames, s.frame_median_ms,
            s.frame_p99_ms, s.frame_worst_ms);
        std::printf("frames after the first second: p99 %.2f ms, worst %.2f ms\n", s.frame_p99_after_first_s_ms,
                    s.frame_worst_after_first_s_ms);
        std::printf("callbacks against the output (negative: ahead): median %.2f ms, worst %.2f ms (%d callbacks)\n",
                    s.callback_median_ms, s.callback_worst_ms, s.callback_count);
        std::printf("order/row changes against the output: median %.2f ms, worst %.2f ms\n", s.position_median_ms,
                    s.position_worst_ms);
        std::printf("callback to the next frame start: median %.2f ms, p99 %.2f ms, worst %.2f ms (%d triggers)\n",
                    s.pickup_median_ms, s.pickup_p99_ms, s.pickup_worst_ms, s.triggers);
        std::printf("dropped events %u, resyncs %u\n", s.dropped, s.resyncs);
        return 0;
    }

    // Start-up: the intro on the virtual clock, its first frame timed from the
    // process start; then what the demo does before its music plays.
    const FrameClock clock{60, kMixRate};
    int64_t frame = 0;
    double first_intro_frame_ms = 0;
    run_intro_loop([&] { return frame_time(clock, frame); }, [] { return false; },
                   [&] {
                       if (frame == 0) {
                           glFinish();
                           SDL_GL_SwapBuffers();
                           first_intro_frame_ms = ms_since(main_entry, Clock::now());
                       } else {
                           SDL_GL_SwapBuffers();
                       }
                       ++frame;
                   });
    const double exec_to_main_ms = main_entry_boot_ms - process_start_ms();
    const Clock::time_point intro_end = Clock::now();
    upload_pictures();
    CaptureMusic music{};
    const std::vector<uint8_t> module_bytes = capture_music_load(&music, -1);
    const int64_t music_frame = frame;
    capture_music_frame(&music, clock, music_frame, frame);
    const double music_start_ms = ms_since(intro_end, Clock::now());

    // Where each order ends, for the walker orders' last frames.
    const MusicSurvey survey = survey_music(module_bytes, kMixRate, -1, 20ull * 60 * kMixRate);
    int64_t order_end_frame[kOrders];
    for (int o = 0; o < kOrders; ++o) {
        order_end_frame[o] =
            survey.order_end[o] == kSurveyNone
                ? -1
                : first_frame_at(clock, frame_sample(clock, music_frame) + static_cast<int64_t>(survey.order_end[o]));
    }

    // The floor: a frame that only clears and swaps.
    std::vector<double> floor_ms;
    auto measure_floor = [&](int n) {
        for (int i = 0; i < n; ++i) {
            const Clock::time_point a = Clock::now();
            glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
            set_projection();
            glFinish();
            SDL_GL_SwapBuffers();
            floor_ms.push_back(ms_since(a, Clock::now()));
        }
    };
    measure_floor(opt.floor_frames / 2);

    OrderFigures fig[kOrders];
    int layer_mask = 0;
    int current_order = -1;
    int timed_total = 0;
    double capture_ms = 0;  // music + draw + read-back + swap of the timed frames
    uint64_t all_hash = 1469598103934665603ull;
    const Clock::time_point run_start = Clock::now();
    while (true) {
        const Clock::time_point frame_start = Clock::now();
        capture_music_frame(&music, clock, music_frame, frame);
        capture_music_take(&music);
        const int order = music.order;
        const float t = static_cast<float>(frame_time(clock, frame));
        const bool in_table = order >= opt.first_order && order <= opt.last_order && order < kOrders;
        if (in_table && order != current_order && !fig[order].visited) fig[order].visited = true;
        current_order = order;
        OrderFigures* f = in_table ? &fig[order] : nullptr;
        const bool head = f && static_cast<int>(f->frame_ms.size()) < opt.frames && !f->head_done;
        const bool tail = f && order >= kFirstWalkerOrder && order_end_frame[order] >= 0 &&
                          frame >= order_end_frame[order] - opt.tail && frame < order_end_frame[order];
        if (head || tail) {
            Layer layers[kMaxScheduledLayers];
            const size_t n = scheduled_layers(order, layer_mask, layers);
            for (size_t i = 0; i < n; ++i) f->layers |= 1u << static_cast<unsigned>(layers[i]);
            f->max_layers = std::max(f->max_layers, static_cast<int>(n));

            gl_counts_reset();
            const Clock::time_point a = Clock::now();
            if (opt.layer_state)
                draw_frame_probed(order, t, layer_mask, &f->state_hash);
            else
                draw_frame(order, t, layer_mask);
            step_layer_mask(layer_mask);
            glFinish();
            const Clock::time_point b = Clock::now();
            const GlCounts c = gl_counts();
            if (opt.hash) {
                const RgbImage image = read_frame(kWidth, kHeight);
                const uint64_t h = fnv(1469598103934665603ull, image.pixels.data(), image.pixels.size());
                f->pixel_hash = fnv(f->pixel_hash, &h, sizeof h);
                all_hash = fnv(all_hash, &h, sizeof h);
            }
            const Clock::time_point c0 = Clock::now();
            SDL_GL_SwapBuffers();
            const Clock::time_point d = Clock::now();
            const double ms = ms_since(a, b) + ms_since(c0, d);
            if (head) {
                f->frame_ms.push_back(ms);
                f->begins += c.begins;
                f->vertices += c.vertices;
                f->state_calls += c.state_calls;
                f->state_changes += c.state_changes;
                f->begin_changes += c.begin_changes;
                f->mode_switches += c.mode_switches;
            }
            if (tail) {
                f->tail_ms.push_back(ms);
                f->walkers_at_end = drawn_walkers.size();
            }
            capture_ms += ms_since(frame_start, d);
            ++timed_total;
        } else {
            if (f) f->head_done = true;
            // Untimed: only what later frames depend on (walker spawns, the mask).
            if (order >= kFirstWalkerOrder) draw_branch_walkers(static_cast<double>(t), order);
            step_layer_mask(layer_mask);
        }
        ++frame;
        if (music.end_reached) break;
    }
    const double run_s = ms_since(run_start, Clock::now()) / 1000.0;
    measure_floor(opt.floor_frames - opt.floor_frames / 2);
    capture_music_close(&music);

    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    const double peak_mib = usage.ru_maxrss / 1024.0;
    const double floor_median = percentile(floor_ms, 50);
    const double floor_p99 = percentile(floor_ms, 99);
    const std::string load_after = loadavg();

    std::printf("drensolk-bench: %dx%d on %s; %d timed frames per order, %d at the end of each walker order\n", kWidth,
                kHeight, renderer_name.c_str(), opt.frames, opt.tail);
    std::printf("load average before %s, after %s\n\n", load_before.c_str(), load_after.c_str());
    std::printf(
        "order  layers                  median ms  p99 ms  glBegin/frame  vertices/frame  state calls  changes  "
        "changes at glBegin  mode switches  pixel hash\n");
    for (int o = 0; o < kOrders; ++o) {
        const OrderFigures& g = fig[o];
        const double n = std::max<size_t>(g.frame_ms.size(), 1);
        std::printf("%5d  %-22s %10.2f %7.2f %14.0f %15.0f %12.0f %8.0f %19.0f %14.0f  %016llx\n", o,
                    layer_list(g.layers).c_str(), percentile(g.frame_ms, 50), percentile(g.frame_ms, 99), g.begins / n,
                    g.vertices / n, g.state_calls / n, g.state_changes / n, g.begin_changes / n, g.mode_switches / n,
                    static_cast<unsigned long long>(g.pixel_hash));
    }
    std::printf("floor  (clear + swap)          %10.2f %7.2f\n\n", floor_median, floor_p99);
    std::printf("walker order  walkers at end  end frame median ms\n");
    for (int o = kFirstWalkerOrder; o < kOrders; ++o)
        std::printf("%12d %15zu %20.2f\n", o, fig[o].walkers_at_end, percentile(fig[o].tail_ms, 50));
    std::printf("\ncapture render speed (music + draw + read-back + swap, timed frames): %.1f fps\n",
                capture_ms > 0 ? timed_total * 1000.0 / capture_ms : 0.0);
    std::printf("whole run: %lld frames (%d timed) in %.1f s\n", static_cast<long long>(frame), timed_total, run_s);
    std::printf(
        "start-up: first intro frame %.1f ms after main (process start to main %.0f ms); "
        "music starts %.1f ms after the intro\n",
        first_intro_frame_ms, exec_to_main_ms, music_start_ms);
    std::printf("peak memory: %.1f MiB\n", peak_mib);
    if (opt.hash) std::printf("all timed frames: pixel hash %016llx\n", static_cast<unsigned long long>(all_hash));
    if (opt.layer_state) {
        uint64_t s = 1469598103934665603ull;
        for (const OrderFigures& g : fig) s = fnv(s, &g.state_hash, sizeof g.state_hash);
        std::printf("layer state hash %016llx\n", static_cast<unsigned long long>(s));
    }

    if (!opt.json.empty()) {
        FILE* j = std::fopen(opt.json.c_str(), "w");
        if (!j) {
            std::perror(opt.json.c_str());
            return 1;
        }
        std::fprintf(j, "{\n  \"renderer\": \"%s\",\n  \"width\": %d,\n  \"height\": %d,\n", renderer_name.c_str(),
                     kWidth, kHeight);
        std::fprintf(j, "  \"frames_per_order\": %d,\n  \"tail_frames\": %d,\n", opt.frames, opt.tail);
        std::fprintf(j, "  \"load_before\": \"%s\",\n  \"load_after\": \"%s\",\n", load_before.c_str(),
                     load_after.c_str());
        std::fprintf(j, "  \"floor_ms\": {\"median\": %.3f, \"p99\": %.3f},\n  \"orders\": [\n", floor_median,
                     floor_p99);
        for (int o = 0; o < kOrders; ++o) {
            const OrderFigures& g = fig[o];
            const double n = std::max<size_t>(g.frame_ms.size(), 1);
            std::fprintf(j,
                         "    {\"order\": %d, \"layers\": \"%s\", \"median_ms\": %.3f, \"p99_ms\": %.3f, "
                         "\"begins_per_frame\": %.1f, \"vertices_per_frame\": %.1f, \"state_calls_per_frame\": %.1f, "
                         "\"state_changes_per_frame\": %.1f, "
                         "\"begin_state_changes_per_frame\": %.1f, \"mode_switches_per_frame\": %.1f, "
                         "\"walkers_at_end\": %zu, \"end_frame_median_ms\": %.3f, \"pixel_hash\": \"%016llx\"}%s\n",
                         o, layer_list(g.layers).c_str(), percentile(g.frame_ms, 50), percentile(g.frame_ms, 99),
                         g.begins / n, g.vertices / n, g.state_calls / n, g.state_changes / n, g.begin_changes / n,
                         g.mode_switches / n, g.walkers_at_end, percentile(g.tail_ms, 50),
                         static_cast<unsigned long long>(g.pixel_hash), o + 1 < kOrders ? "," : "");
        }
        std::fprintf(j, "  ],\n  \"capture_fps\": %.2f,\n", capture_ms > 0 ? timed_total * 1000.0 / capture_ms : 0.0);
        std::fprintf(j, "  \"first_intro_frame_ms\": %.2f,\n  \"process_start_to_main_ms\": %.1f,\n",
                     first_intro_frame_ms, exec_to_main_ms);
        std::fprintf(j, "  \"music_start_after_intro_ms\": %.2f,\n  \"peak_memory_mib\": %.1f,\n", music_start_ms,
                     peak_mib);
        std::fprintf(j, "  \"all_frames_pixel_hash\": \"%016llx\"\n}\n", static_cast<unsigned long long>(all_hash));
        std::fclose(j);
    }
    return 0;
}
