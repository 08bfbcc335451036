// The maker's keys, as changes to one state that the maker loop then carries
// out on the music and the picture. No SDL calls, no music calls: a key and
// what the frame showed in, the new state out.
#pragma once
#include <SDL/SDL_keysym.h>

#include <cstddef>
#include <cstdint>

struct MakerState {
    int start_order = 0;    // Home goes here
    int order_count = 1;    // the song's orders: Right stops at the last
    bool quit = false;      // Escape
    bool overlay = true;    // H
    bool paused = false;    // Space
    int looped_order = -1;  // L: the order held, -1 none
    int solo_row = -1;      // 1-9: the schedule row shown alone, -1 all
    uint32_t muted = 0;     // Shift+1-9: schedule rows drawn without pixels
    bool save = false;      // S: save the picture this frame shows
    // For the music, taken (and reset) by the loop once per frame.
    int jump_to = -1;     // Left, Right, Home: the order to jump to
    int heading_to = -1;  // a jump made but not yet heard (the loop clears it)
    bool loop_changed = false;
    bool pause_changed = false;
};

// One key press. `order` is the order the frame showed, `rows` its schedule
// rows in drawing order (1-9 pick among them; a number past them does
// nothing). Left and Right step from the order last jumped to while that is
// not yet heard, and stop at the song's first and last orders.
void maker_key(MakerState* s, SDLKey key, SDLMod mod, int order, const uint8_t* rows, size_t row_count);

// Schedule rows to draw without pixels: every row but the solo one, and the
// muted ones.
uint32_t maker_hidden_rows(const MakerState& s);
