#include "core/frame_loop.h"

#include <SDL/SDL.h>

#include "core/clock.h"
#include "core/key_poll.h"
#include "core/music/fmod_api.h"
#include "core/schedule.h"
#include "effects/intro_spinner.h"

void run_frame_loop(FMUSIC_MODULE* module)
{
    bool quit_requested = false;
    int layer_mask = 0;
    while (!quit_requested) {
        if (poll_key_press()) quit_requested = true;
        const int order = FMUSIC_GetOrder(module);
        const int row = FMUSIC_GetRow(module);
        const float t = static_cast<float>(now_seconds());
        draw_frame(order, t, layer_mask);
        step_layer_mask(layer_mask);
        SDL_GL_SwapBuffers();
        if (is_end_position(order, row)) break;
    }
}

void play_intro()
{
    run_intro_loop(now_seconds, poll_key_press, [] { SDL_GL_SwapBuffers(); });
}
