#include "core/demo_main.h"

#include <SDL/SDL.h>

#include <algorithm>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "core/display.h"
#include "core/frame_log.h"
#include "core/frame_loop.h"
#include "core/live_music.h"
#include "core/maker_loop.h"
#include "core/music/music_live.h"
#include "core/platform.h"
#include "core/base/sync_state.h"
#include "core/base/textures.h"
#include "core/start_up.h"
#include "core/video_driver.h"
#include "effects/intro_spinner.h"

namespace {

// Full screen unless the viewer asked for a window.
bool fullscreen()
{
    const char* windowed = std::getenv("DRENSOLK_WINDOWED");
    return !(windowed && *windowed && *windowed != '0');
}

}  // namespace

std::optional<int> start_order_from_args(int argc, char** argv)
{
    if (argc != 2) return std::nullopt;
    const long value = std::strtol(argv[1], nullptr, 10);
    return static_cast<int>(std::clamp<long>(value, INT_MIN, INT_MAX));
}

int demo_main(int argc, char** argv)
{
    // A seatless Wayland compositor would crash SDL's video start-up.
    if (const std::string error = prepare_video_driver(); !error.empty()) {
        std::fprintf(stderr, "%s\n", error.c_str());
        std::exit(1);
    }
    SDL_Init(SDL_INIT_VIDEO);
    if (!open_gl_display(640, 480, fullscreen())) {
        std::fprintf(stderr, "Couldn't set GL mode: %s\n", SDL_GetError());
        SDL_Quit();
        return 0;
    }
    hide_mouse_pointer();
    FrameLog log;
    frame_log_open(std::getenv("DRENSOLK_FRAME_LOG"), &log);

    // A demo maker comes to look at a place in the song: no intro.
    const bool maker = maker_mode_requested();
    if (!maker) play_intro();

    load_pictures();
    const std::optional<int> start_order = start_order_from_args(argc, argv);
    FMUSIC_MODULE* music_module = start_live_music(sync_on_instrument, start_order);
    if (maker) {
        run_maker_loop(music_module, start_order.value_or(0));
        SDL_Quit();
        return 0;
    }

    FrameLoopHooks hooks;  // none unless the frame log is on
    if (log.file) {
        hooks.frame_shown = [&log](const ShownFrame& f) { log.frames.push_back(f); };
        hooks.stop = frame_log_signal_seen;
        frame_log_catch_signals();
    }
    run_frame_loop(music_module, hooks);
    frame_log_write(&log);
    if (const char* report = std::getenv("DRENSOLK_AUDIO_REPORT"); report && *report && *report != '0')
        std::fprintf(stderr, "drensolk: %s\n", music_live_report().c_str());
    SDL_Quit();
    return 0;
}
