// The rainbow arch shown before the pictures load.
#pragma once
#include "draw/gl.h"
#include "draw/vec.h"
#include "draw/view.h"

constexpr int kIntroBandCount = 7;
// The intro ends on the first frame whose after-swap clock reads at least this
// (deliberately not pi).
constexpr double kIntroEndSeconds = 3.141516;

// Band colours, innermost (purple) to outermost (red).
extern const Color3 intro_colours[kIntroBandCount];

// GL_QUADS of band k (0..6) from angle 0 to -now: 20 segments around (0.5, 0.65).
// Only adds vertices; the caller opens and closes the primitive.
void intro_band(int k, double now);

// One intro frame's drawing: clear, then the seven bands, each reading `clock()`
// anew after its glBegin, as the live intro reads now_seconds. No swap.
template <class Clock>
void draw_intro_frame(Clock&& clock)
{
    clear_frame();
    for (int k = 0; k < kIntroBandCount; ++k) {
        intro_colours[k].emit_color();
        glBegin(GL_QUADS);
        intro_band(k, clock());
        glEnd();
    }
}

// The projection the main loop also uses: x 0..1, y 0.125..0.875 downward.
void set_intro_projection();

// The intro's own loop: projection once, then frames of (key poll, drawing,
// swap) until the clock read after a swap reaches kIntroEndSeconds or a poll
// saw a key press; that frame is still drawn and shown. `key_pressed()` takes
// every pending event and says whether one was a key press. Returns the number
// of frames shown.
template <class Clock, class KeyPressed, class Swap>
int run_intro_loop(Clock&& clock, KeyPressed&& key_pressed, Swap&& swap)
{
    set_intro_projection();
    bool stop = false;
    int frames = 0;
    while (!stop) {
        if (key_pressed()) stop = true;
        draw_intro_frame(clock);
        swap();
        ++frames;
        if (clock() >= kIntroEndSeconds) break;
    }
    return frames;
}
