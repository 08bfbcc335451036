// The live driver: the intro's loop, and the driver loop (core/driver_loop.h)
// on the wall clock, the playing music, SDL's events and swap, which ends after
// the first frame that read order 20 at row 2 or later, or after the frame in
// which a key was pressed.
#pragma once

#include <functional>

#include "core/base/demo_data.h"

struct FMUSIC_MODULE;

// One frame as it was shown: its music position and clock as the layers saw
// them, and how long its parts took on the wall clock (steady clock).
struct ShownFrame {
    float t = 0;  // the frame time the layers were given
    int order = 0, row = 0;
    double draw_ms = 0;   // draw_frame and the layer mask step
    double swap_ms = 0;   // SDL_GL_SwapBuffers
    double frame_ms = 0;  // the whole pass: events, position, draw, swap
};

// What a measurement adds to the loop; the demo passes none. An empty hook is
// never called and costs one test a frame.
struct FrameLoopHooks {
    std::function<void()> frame_start;                   // after the events, before the position is read
    std::function<void(const ShownFrame&)> frame_shown;  // after each swap
    std::function<bool()> stop;                          // after each frame: true ends the loop there
};

// Runs until the end position, a key press or `hooks.stop`; every frame it
// starts is drawn and shown before the loop ends. Each frame tells the music
// layer the display lead its recent frames measured (core/display_lead.h).
void run_frame_loop(FMUSIC_MODULE* module, const FrameLoopHooks& hooks = {});

// The live intro: the rainbow arch on now_seconds, with SDL event polling and
// SDL_GL_SwapBuffers. A key press only shortens the intro; it is consumed here.
void play_intro();

// True at the end position itself: the row whose start ends the capture.
inline bool is_end_position(int order, int row) { return order == kEndOrder && row == kEndRow; }

// True when the live frame that read (order, row) is the demo's last: the end
// row or a later row of its order. A frame slower than a row (a busy
// machine) can read the row after the end row without ever reading it; the
// demo then ends there instead of playing on forever.
inline bool live_end_reached(int order, int row) { return order == kEndOrder && row >= kEndRow; }
