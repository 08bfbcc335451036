#include "bench/bench_run.h"

#include <SDL/SDL.h>
#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <ctime>
#include <fstream>
#include <sstream>

#include "bench/gl_count.h"
#include "capture/capture_music.h"
#include "capture/frame_clock.h"
#include "capture/music_survey.h"
#include "core/base/textures.h"
#include "core/driver_loop.h"
#include "core/frame_image.h"
#include "core/schedule.h"
#include "core/start_up.h"
#include "draw/gl.h"
#include "effects/branch_walkers.h"
#include "effects/intro_spinner.h"

static_assert(kBenchOrders == kSurveyOrders, "the bench times the orders the survey finds");

namespace {

using Clock = std::chrono::steady_clock;
double ms_since(Clock::time_point a, Clock::time_point b)
{
    return std::chrono::duration<double, std::milli>(b - a).count();
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
    clear_frame();
    set_projection();
    uint8_t rows[kMaxScheduledLayers];
    const size_t n = scheduled_layers(order, mask, rows);
    for (size_t i = 0; i < n; ++i) {
        kSchedule[rows[i]].draw(static_cast<double>(t), order);
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

// The floor: frames that only clear and swap.
void measure_floor(int n, std::vector<double>* floor_ms)
{
    for (int i = 0; i < n; ++i) {
        const Clock::time_point a = Clock::now();
        clear_frame();
        set_projection();
        glFinish();
        SDL_GL_SwapBuffers();
        floor_ms->push_back(ms_since(a, Clock::now()));
    }
}

}  // namespace

StartMarks start_marks_now() { return StartMarks{Clock::now(), now_since_boot_ms()}; }

BenchRun run_bench(const BenchOptions& opt, const StartMarks& marks)
{
    BenchRun run;

    // Start-up: the intro on the virtual clock, its first frame timed from the
    // process start; then what the demo does before its music plays.
    const FrameClock clock{60, kMixRate};
    int64_t frame = 0;
    run_intro_loop([&] { return frame_time(clock, frame); }, [] { return false; },
                   [&] {
                       if (frame == 0) {
                           glFinish();
                           SDL_GL_SwapBuffers();
                           run.first_intro_frame_ms = ms_since(marks.main_entry, Clock::now());
                       } else {
                           SDL_GL_SwapBuffers();
                       }
                       ++frame;
                   });
    run.process_start_to_main_ms = marks.main_entry_boot_ms - process_start_ms();
    const Clock::time_point intro_end = Clock::now();
    load_pictures();
    CaptureMusic music{};
    const std::vector<uint8_t> module_bytes = capture_music_load(&music, -1);
    const int64_t music_frame = frame;
    capture_music_frame(&music, clock, music_frame, frame);
    run.music_start_ms = ms_since(intro_end, Clock::now());

    // Where each order ends, for the walker orders' last frames.
    const MusicSurvey survey = survey_music(module_bytes, kMixRate, -1, 20ull * 60 * kMixRate);
    int64_t order_end_frame[kBenchOrders];
    for (int o = 0; o < kBenchOrders; ++o) {
        order_end_frame[o] =
            survey.order_end[o] == kSurveyNone
                ? -1
                : first_frame_at(clock, frame_sample(clock, music_frame) + static_cast<int64_t>(survey.order_end[o]));
    }

    measure_floor(opt.floor_frames / 2, &run.floor_ms);

    // Per frame, what the drawing decided for the present: which figures the
    // frame feeds, and when its timed drawing began.
    struct Timed {
        OrderFigures* f = nullptr;
        bool head = false, tail = false;
        Clock::time_point frame_start, draw_start;
    } now;
    const Clock::time_point run_start = Clock::now();
    FrameDriver bench;
    bench.music = [&] {
        now.frame_start = Clock::now();
        capture_music_frame(&music, clock, music_frame, frame);
        capture_music_take(&music);
        return MusicPosition{music.order, music.row};
    };
    bench.clock = [&] { return static_cast<float>(frame_time(clock, frame)); };
    bench.draw = [&](const FrameInputs& in) {
        const int order = in.order;
        const bool in_table = order >= opt.first_order && order <= opt.last_order && order < kBenchOrders;
        now.f = in_table ? &run.orders[order] : nullptr;
        OrderFigures* f = now.f;
        now.head = f && static_cast<int>(f->frame_ms.size()) < opt.frames && !f->head_done;
        now.tail = f && order >= kFirstWalkerOrder && order_end_frame[order] >= 0 &&
                   frame >= order_end_frame[order] - opt.tail && frame < order_end_frame[order];
        if (now.head || now.tail) {
            uint8_t rows[kMaxScheduledLayers];
            const size_t n = scheduled_layers(order, in.layer_mask, rows);
            for (size_t i = 0; i < n; ++i) f->layers |= 1u << rows[i];
            gl_counts_reset();
            now.draw_start = Clock::now();
            if (opt.layer_state)
                draw_frame_probed(order, in.t, in.layer_mask, &f->state_hash);
            else
                draw_frame(order, in.t, in.layer_mask);
        } else {
            if (f) f->head_done = true;
            // Untimed: only what later frames depend on (walker spawns; the
            // loop steps the mask).
            if (order >= kFirstWalkerOrder) draw_branch_walkers(static_cast<double>(in.t), order);
        }
    };
    bench.present = [&](const FrameInputs&) {
        ++frame;
        if (!now.head && !now.tail) return;
        OrderFigures* f = now.f;
        glFinish();
        const Clock::time_point b = Clock::now();
        const GlCounts c = gl_counts();
        if (opt.hash) {
            const RgbImage image = read_frame(kBenchWidth, kBenchHeight);
            const uint64_t h = fnv(kFnvStart, image.pixels.data(), image.pixels.size());
            f->pixel_hash = fnv(f->pixel_hash, &h, sizeof h);
            run.all_hash = fnv(run.all_hash, &h, sizeof h);
        }
        const Clock::time_point c0 = Clock::now();
        SDL_GL_SwapBuffers();
        const Clock::time_point d = Clock::now();
        const double ms = ms_since(now.draw_start, b) + ms_since(c0, d);
        if (now.head) {
            f->frame_ms.push_back(ms);
            f->begins += c.begins;
            f->vertices += c.vertices;
            f->state_calls += c.state_calls;
            f->state_changes += c.state_changes;
            f->begin_changes += c.begin_changes;
            f->mode_switches += c.mode_switches;
        }
        if (now.tail) {
            f->tail_ms.push_back(ms);
            f->walkers_at_end = drawn_walkers.size();
        }
        run.capture_ms += ms_since(now.frame_start, d);
        ++run.timed_frames;
    };
    bench.stop = [&](const FrameInputs&) { return music.end_reached; };
    run_driver_loop(bench);
    run.run_s = ms_since(run_start, Clock::now()) / 1000.0;
    run.frames = frame;
    measure_floor(opt.floor_frames - opt.floor_frames / 2, &run.floor_ms);
    capture_music_close(&music);
    return run;
}
