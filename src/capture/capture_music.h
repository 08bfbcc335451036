// The music of a capture: the player core rendered on the main thread ahead
// of each frame. Triggers go to the sync state in sample order as they are
// rendered, and the position is the last row that started at or before the
// last sample rendered, so a frame sees exactly what had been heard by then.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

#include "core/music/player_core.h"

// The demo's mixing rate: captures sound as the demo does.
constexpr int CAPTURE_RATE = 32000;
// The demo hooks instruments 0 to 29; later ones never reach the sync state.
constexpr int CAPTURE_HOOKED_INSTRUMENTS = 30;

struct CaptureMusic {
    mcore_t core;
    std::vector<int16_t> pcm;  // interleaved stereo rendered and not yet taken
    uint64_t rendered;         // frames rendered since the start
    int order, row;            // as FMUSIC_GetOrder/GetRow would read them: 0, 0 before the first row
    bool end_reached;          // the row at which the demo ends (order 20, row 2) has started
};

// Reads a module file as the music layer's loader does. Returns 0 or the
// error code it would report (file not found, bad file, too large).
int read_module_file(const char* path, std::vector<uint8_t>* bytes);

// Opens the module for output at `rate` and moves it to `start_order` when
// that is one of its orders (anything else changes nothing, as the demo's
// set-order call). Returns 0 or the player core's error code.
int capture_music_open(CaptureMusic* music, const std::vector<uint8_t>& bytes, int rate, int start_order);
void capture_music_close(CaptureMusic* music);

// Renders until `end` frames have been rendered (nothing when already there).
// Each trigger of instruments 0 to 29 goes to sync_apply_instrument with its
// row, in sample order; row starts update the position.
void capture_music_render_to(CaptureMusic* music, uint64_t end);

// Moves the rendered audio out, leaving the buffer empty.
std::vector<int16_t> capture_music_take(CaptureMusic* music);
