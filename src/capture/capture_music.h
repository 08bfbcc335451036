// The music of a capture: the player core rendered on the main thread ahead
// of each video frame. Triggers go to the sync state in sample order as they
// are rendered, and the position is the last row that started at or before
// the last sample rendered, so a video frame sees exactly what had been heard
// by then.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

#include "capture/event_map.h"
#include "capture/frame_clock.h"
#include "core/base/demo_data.h"
#include "core/music/module_file.h"
#include "core/music/player_core.h"

// The core renders in blocks of this many samples from the music's start, as
// the live driver's audio buffers ask for them: libopenmpt's rounding follows
// how its reads are cut, so equal cuts give equal samples whatever the video
// frame rate.
constexpr size_t kCaptureBlockSamples = 512;

struct CaptureMusic {
    PlayerCore core;
    std::vector<int16_t> pcm;       // interleaved stereo from `taken` to `rendered`
    std::vector<MusicEvent> ahead;  // rendered, past `heard`: for later video frames
    uint64_t rendered;              // samples the core has rendered (whole blocks)
    uint64_t heard;                 // samples whose events have been handed on
    uint64_t taken;                 // samples moved out by capture_music_take
    int order, row;                 // as FMUSIC_GetOrder/GetRow would read them: 0, 0 before the first row
    bool end_reached;               // the row at which the demo ends (order 20, row 2) has started
    EventMap* events;               // when set: every event handed on is written there too
};

// Opens the module for output at `rate` and moves it to `start_order` when
// that is one of its orders (anything else changes nothing, as the demo's
// set-order call). Returns 0 or the player core's error code.
int capture_music_open(CaptureMusic* music, const std::vector<uint8_t>& bytes, int rate, int start_order);
void capture_music_close(CaptureMusic* music);

// Start-up of the capture's music, with the demo's messages: reads kModuleFile
// from the working folder and opens it at kMixRate from `start_order` (-1:
// the first). Returns the module's bytes; on a failure prints the library's
// error text to the standard output and exits with status 1.
std::vector<uint8_t> capture_music_load(CaptureMusic* music, int start_order);

// Makes the first `end` samples heard (nothing when already there): renders
// as far as needed, hands each trigger of instruments 0 to 29 before `end` to
// sync_apply_instrument with its row, in sample order, and moves the position
// to the last row started before `end`. With `events` set, every row and
// trigger before `end` goes to that map as well.
void capture_music_render_to(CaptureMusic* music, uint64_t end);

// Renders what video frame `frame` may know: everything up to its first
// sample, that sample included, with the music started at video frame
// `music_frame`.
void capture_music_frame(CaptureMusic* music, FrameClock clock, int64_t music_frame, int64_t frame);

// Moves the audio heard since the last take out.
std::vector<int16_t> capture_music_take(CaptureMusic* music);
