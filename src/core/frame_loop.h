// The live loops: the intro's, and the frame loop (events, music position,
// clock, the frame's drawing, the layer mask step, the swap), which ends after
// the frame that read order 20, row 2, or after the frame in which a key was
// pressed.
#pragma once

#include "core/demo_data.h"

struct FMUSIC_MODULE;

void run_frame_loop(FMUSIC_MODULE* module);

// The live intro: the rainbow arch on now_seconds, with SDL event polling and
// SDL_GL_SwapBuffers. A key press only shortens the intro; it is consumed here.
void play_intro();

// True when the frame that read (order, row) is the demo's last.
inline bool is_end_position(int order, int row) { return order == kEndOrder && row == kEndRow; }
