#include "core/frame_loop.h"

#include <SDL/SDL.h>

#include <chrono>

#include "core/base/clock.h"
#include "core/display_lead.h"
#include "core/driver_loop.h"
#include "core/key_poll.h"
#include "core/music/fmod_api.h"
#include "core/music/music_live.h"
#include "effects/intro_spinner.h"

namespace {

using Clock = std::chrono::steady_clock;

double ms_between(Clock::time_point a, Clock::time_point b)
{
    return std::chrono::duration<double, std::milli>(b - a).count();
}

}  // namespace

void run_frame_loop(FMUSIC_MODULE* module, const FrameLoopHooks& hooks)
{
    const bool timed = static_cast<bool>(hooks.frame_shown);
    bool quit_requested = false;
    DisplayLead lead{};
    const Clock::time_point origin = Clock::now();
    Clock::time_point start, read, draw_start, drawn;
    FrameDriver live;
    live.music = [&] {
        if (timed) start = Clock::now();
        if (poll_key_press()) quit_requested = true;
        if (hooks.frame_start) hooks.frame_start();
        read = Clock::now();
        return MusicPosition{FMUSIC_GetOrder(module), FMUSIC_GetRow(module)};
    };
    live.clock = [&] {
        const float t = static_cast<float>(now_seconds());
        if (timed) draw_start = Clock::now();
        return t;
    };
    live.present = [&](const FrameInputs& in) {
        if (timed) drawn = Clock::now();
        SDL_GL_SwapBuffers();
        const Clock::time_point swapped = Clock::now();
        display_lead_add(&lead, ms_between(origin, read), ms_between(origin, swapped));
        music_live_set_display_lead(display_lead_ms(lead));
        if (timed)
            hooks.frame_shown(ShownFrame{in.t, in.order, in.row, ms_between(draw_start, drawn),
                                         ms_between(drawn, swapped), ms_between(start, swapped)});
    };
    live.stop = [&](const FrameInputs& in) {
        if (live_end_reached(in.order, in.row)) return true;
        const bool asked = hooks.stop && hooks.stop();  // asked after each frame but the end one, a key press frame too
        return asked || quit_requested;
    };
    run_driver_loop(live);
}

void play_intro()
{
    run_intro_loop(now_seconds, poll_key_press, [] { SDL_GL_SwapBuffers(); });
}
