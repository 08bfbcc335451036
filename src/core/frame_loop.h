// The live frame loop: events, music position, clock, the frame's drawing,
// the layer mask step, the swap. Ends after the frame that read order 20,
// row 2, or after the frame in which a key was pressed.
#pragma once

struct FMUSIC_MODULE;

constexpr int END_ORDER = 20;
constexpr int END_ROW = 2;

void run_frame_loop(FMUSIC_MODULE* module);

// True when the frame that read (order, row) is the demo's last.
inline bool is_end_position(int order, int row) { return order == END_ORDER && row == END_ROW; }
