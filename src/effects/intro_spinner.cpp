#include "effects/intro_spinner.h"

#include <SDL/SDL.h>

#include "core/clock.h"
#include "core/key_poll.h"
#include "core/schedule.h"
#include "draw/shapes.h"

const Color3 intro_colours[INTRO_BAND_COUNT] = {
    Color3(0.5f, 0, 0.5f), Color3(0, 0, 0.5f), Color3(0, 0, 1), Color3(0, 1, 0),
    Color3(1, 1, 0),       Color3(1, 0.5f, 0), Color3(1, 0, 0),
};

void intro_band(int k, double now)
{
    arc_band(static_cast<float>(0.2 + k * 0.025), static_cast<float>(0.225 + k * 0.025), 0.5f, 0.65f, 20, 0.0f,
             static_cast<float>(-now));
}

void set_intro_projection() { set_projection(); }

void play_intro()
{
    run_intro_loop(now_seconds, poll_key_press, [] { SDL_GL_SwapBuffers(); });
}
