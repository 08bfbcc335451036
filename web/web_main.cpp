// The demo in a web browser: the same drawing and player core, driven one
// frame at a time by the browser (emscripten_set_main_loop) instead of the
// desktop's loops, with the music in Web Audio. The page (index.html) starts
// it, feeds the audio output and says which sample is being heard.
//
// Stages: waiting for the page's start (a user gesture unless the browser
// allows sound at once), the intro, then the frames of the demo until the
// frame that read order 20, row 2, or a key press.
#include <SDL/SDL.h>
#include <emscripten.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <deque>
#include <vector>

#include "core/base/clock.h"
#include "core/base/demo_data.h"
#include "core/base/sync_state.h"
#include "core/base/textures.h"
#include "core/display.h"
#include "core/driver_loop.h"
#include "core/frame_loop.h"
#include "core/music/module_file.h"
#include "core/music/player_core.h"
#include "core/schedule.h"
#include "core/sound_errors.h"
#include "effects/intro_spinner.h"
#include "effects/warm_up.h"
#include "web_fail.h"

namespace {

enum class Stage { Waiting, Intro, Playing, Ended };

constexpr size_t kMaxAudioBlock = 8192;

struct WebDemo {
    Stage stage = Stage::Waiting;
    int start_order = -1;  // -1: none asked for
    double intro_start = 0;
    bool key_pressed = false;
    PlayerCore core{};
    bool music_open = false;
    std::deque<MusicEvent> pending;  // rendered, not yet heard
    int order = 0, row = 0;          // the position heard
    DriverState loop{};
    uint64_t rows_heard = 0, triggers_heard = 0;
    int16_t pcm[2 * kMaxAudioBlock];
};

WebDemo demo;

[[noreturn]] void fail_sound(int code)
{
    std::printf("%s\n", sound_error_text(code));
    web_fail();
}

// The pictures, the module and the warm-up, after the intro as on the desktop.
void start_demo()
{
    set_picture_failure_end([](int) { web_fail(); });
    upload_pictures(nullptr);
    warm_up_drawing();
    std::vector<uint8_t> bytes;
    if (const int err = read_module_file(kModuleFile, &bytes)) fail_sound(err);
    if (const int err = player_core_open(&demo.core, bytes.data(), bytes.size(), kMixRate)) fail_sound(err);
    demo.music_open = true;
    if (demo.start_order >= 0) player_core_set_order(&demo.core, demo.start_order);
    demo.stage = Stage::Playing;
    EM_ASM(Module.webMusicStarted(););
}

// Hands on what the browser says is being heard now.
void deliver_heard_events()
{
    const double heard = EM_ASM_DOUBLE(return Module.webHeardSample(););
    while (!demo.pending.empty() && static_cast<double>(demo.pending.front().sample) <= heard) {
        const MusicEvent e = demo.pending.front();
        demo.pending.pop_front();
        if (e.kind == MusicEventKind::Row) {
            demo.order = e.order;
            demo.row = e.row;
            ++demo.rows_heard;
        } else if (e.instrument < kHookedInstruments) {
            sync_apply_instrument(e.instrument, e.row);
            ++demo.triggers_heard;
        }
    }
}

void end_demo()
{
    demo.stage = Stage::Ended;
    EM_ASM(Module.webDemoEnded(););
    emscripten_cancel_main_loop();
}

void frame()
{
    // Keys reach the page's own handlers; SDL's queue is only emptied here.
    SDL_Event event;
    while (SDL_PollEvent(&event)) {}
    switch (demo.stage) {
        case Stage::Waiting:
        case Stage::Ended:
            return;
        case Stage::Intro: {
            const double start = demo.intro_start;
            draw_intro_frame([start] { return now_seconds() - start; });
            EM_ASM(Module.webIntroFrame(););
            if (demo.key_pressed || now_seconds() - start >= kIntroEndSeconds) {
                demo.key_pressed = false;
                start_demo();
            }
            return;
        }
        case Stage::Playing: {
            // The same frame as every driver's: the position heard, the
            // clock, draw_frame, the layer mask; the browser shows it when
            // this callback returns.
            static const FrameDriver driver{
                [] {
                    EM_ASM(Module.webAudioTopUp(););
                    deliver_heard_events();
                    return MusicPosition{demo.order, demo.row};
                },
                [] { return static_cast<float>(now_seconds()); },
                {},
                [](const FrameInputs& in) { EM_ASM({ Module.webFrameShown($0, $1); }, in.order, in.row); },
                [](const FrameInputs& in) { return demo.key_pressed || live_end_reached(in.order, in.row); },
            };
            if (!driver_frame(&demo.loop, driver)) end_demo();
            return;
        }
    }
}

}  // namespace

extern "C" {

// The page's calls.
EMSCRIPTEN_KEEPALIVE void web_start(int start_order)
{
    if (demo.stage != Stage::Waiting) return;
    demo.start_order = start_order;
    demo.intro_start = now_seconds();
    set_intro_projection();
    demo.stage = Stage::Intro;
}

// A key other than the full-screen key: shortens the intro, ends the demo.
EMSCRIPTEN_KEEPALIVE void web_key_press() { demo.key_pressed = true; }

// Renders `samples` (at most kMaxAudioBlock) and returns the interleaved
// 16-bit stereo block; its events wait until the browser says they are heard.
EMSCRIPTEN_KEEPALIVE const int16_t* web_render_audio(int samples)
{
    if (samples <= 0 || samples > static_cast<int>(kMaxAudioBlock) || !demo.music_open) return nullptr;
    player_core_render_block(&demo.core, demo.pcm, static_cast<size_t>(samples),
                             [](const MusicEvent& e, size_t) { demo.pending.push_back(e); });
    return demo.pcm;
}

EMSCRIPTEN_KEEPALIVE int web_rate() { return kMixRate; }
// What the tests read: the position heard and how many rows and triggers
// were handed on so far.
EMSCRIPTEN_KEEPALIVE int web_order() { return demo.order; }
EMSCRIPTEN_KEEPALIVE int web_row() { return demo.row; }
EMSCRIPTEN_KEEPALIVE double web_rows_heard() { return static_cast<double>(demo.rows_heard); }
EMSCRIPTEN_KEEPALIVE double web_triggers_heard() { return static_cast<double>(demo.triggers_heard); }

}  // extern "C"

int main()
{
    SDL_Init(SDL_INIT_VIDEO);
    if (!open_gl_display(640, 480, false)) {
        std::fprintf(stderr, "Couldn't set GL mode: %s\n", SDL_GetError());
        web_fail();
    }
    EM_ASM(Module.webReady(););
    emscripten_set_main_loop(frame, 0, 1);
    return 0;
}
