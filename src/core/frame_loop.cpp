#include "core/frame_loop.h"

#include <SDL/SDL.h>

#include <chrono>

#include "core/base/clock.h"
#include "core/display_lead.h"
#include "core/key_poll.h"
#include "core/music/fmod_api.h"
#include "core/music/music_live.h"
#include "core/schedule.h"
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
    int layer_mask = 0;
    DisplayLead lead{};
    const Clock::time_point origin = Clock::now();
    while (!quit_requested) {
        const Clock::time_point start = timed ? Clock::now() : Clock::time_point{};
        if (poll_key_press()) quit_requested = true;
        if (hooks.frame_start) hooks.frame_start();
        const Clock::time_point read = Clock::now();
        const int order = FMUSIC_GetOrder(module);
        const int row = FMUSIC_GetRow(module);
        const float t = static_cast<float>(now_seconds());
        const Clock::time_point draw_start = timed ? Clock::now() : Clock::time_point{};
        draw_frame(order, t, layer_mask);
        step_layer_mask(layer_mask);
        const Clock::time_point drawn = timed ? Clock::now() : Clock::time_point{};
        SDL_GL_SwapBuffers();
        const Clock::time_point swapped = Clock::now();
        display_lead_add(&lead, ms_between(origin, read), ms_between(origin, swapped));
        music_live_set_display_lead(display_lead_ms(lead));
        if (timed)
            hooks.frame_shown(ShownFrame{t, order, row, ms_between(draw_start, drawn), ms_between(drawn, swapped),
                                         ms_between(start, swapped)});
        if (is_end_position(order, row)) break;
        if (hooks.stop && hooks.stop()) break;
    }
}

void play_intro()
{
    run_intro_loop(now_seconds, poll_key_press, [] { SDL_GL_SwapBuffers(); });
}
