// The player core: one tracker module rendered by libopenmpt, with the row
// starts and instrument triggers found inside each rendered block, at the
// sample frame where they are heard.
//
// No threads, no SDL, no clock: whoever owns a core calls it from one thread
// at a time. The live driver calls it from the SDL audio callback; an offline
// driver (video capture) can call it from the main thread:
//
//   mcore_t core{};
//   if (int err = mcore_open(&core, bytes, size, 32000)) { ... an FMOD_ERRORS code ... }
//   mcore_event ev[4 * MCORE_MAX_EVENTS_PER_TICK];
//   int16_t pcm[2 * 1067];
//   size_t want = 1067, done = 0;               // one 30 fps video frame at 32 kHz
//   while (done < want) {
//       const uint64_t first = mcore_frames(&core);   // the frame written at pcm + 2 * done
//       int count = 0;
//       const size_t n = mcore_render(&core, pcm + 2 * done, want - done, ev, 4 * MCORE_MAX_EVENTS_PER_TICK, &count);
//       for (int i = 0; i < count; ++i) {            // in frame order
//           const size_t at = done + (ev[i].frame - first);   // where it sounds in pcm
//           if (ev[i].kind == MCORE_TRIGGER) hook(ev[i].instrument, at);
//           else { order = ev[i].order; row = ev[i].row; }
//       }
//       done += n;
//   }
//   mcore_close(&core);
//
// Frames count from mcore_open; mcore_frames() is the next frame to render.
#pragma once
#include <cstddef>
#include <cstdint>
#include <vector>

struct openmpt_module;

// Events of one tick: a row start and one trigger per channel at most.
enum { MCORE_MAX_CHANNELS = 64, MCORE_MAX_EVENTS_PER_TICK = MCORE_MAX_CHANNELS + 1 };
// Modules bigger than this are refused with FMOD_ERR_MEMORY.
constexpr size_t MCORE_MAX_FILE_BYTES = size_t(64) << 20;

enum mcore_event_kind : uint8_t {
    MCORE_ROW = 1,      // a row starts being played: order, row
    MCORE_TRIGGER = 2,  // instrument (0-based) starts a note in that row
};

struct mcore_event {
    uint64_t frame;  // the first frame that sounds it, counted from mcore_open
    mcore_event_kind kind;
    uint8_t instrument;  // MCORE_TRIGGER: the instrument written instrument + 1 in the cell
    uint8_t channel;     // MCORE_TRIGGER: the pattern channel
    int16_t order;       // the row it belongs to
    int16_t row;
};

// Per cell, what the trigger scan needs; built once from the patterns.
struct mcore_cell {
    uint8_t note_on;     // 1: a note that starts sounding (not key off, cut or fade)
    uint8_t instrument;  // 1-based, 0 = none
    uint8_t delay;       // EDx note delay in ticks (0 = none)
};

struct mcore_pattern {
    int rows = 0;
    std::vector<mcore_cell> cells;   // rows * channels
    std::vector<uint8_t> row_delay;  // EEx pattern delay per row (extra row repeats)
};

struct mcore_t {
    openmpt_module* mod;
    int rate;
    int channels;
    int num_orders;
    int num_instruments;
    std::vector<int> order_pattern;
    std::vector<mcore_pattern> patterns;
    uint8_t chan_instrument[MCORE_MAX_CHANNELS];  // each channel's current instrument, 1-based

    uint64_t frame;   // next frame to render
    int tick_left;    // frames left of the tick being rendered; 0 at a tick boundary
    int tick_frames;  // length of that tick
    int tick_in_row;  // 0 on the row's first tick
    int row_ticks;    // ticks the row lasts: speed * (1 + pattern delay)
    int speed;
    int order, row;    // the row being played; -1 before the first
    bool force_row;    // the next tick starts a row even at an unchanged position
    bool ended;        // libopenmpt stopped producing audio (renders silence after)
    uint32_t resyncs;  // a row change seen inside a tick: the tick model was off
};

// Loads a module from memory (libopenmpt copies what it keeps; `data` can go
// afterwards) into a zeroed or closed core, for output at
// `rate` Hz, positioned before row 0 of order 0, looping for ever to the
// restart position at the song's end. Returns 0 or an FMOD_ERRORS code:
//   FMOD_ERR_INVALID_PARAM  rate outside 8000..192000, or data null with size > 0
//   FMOD_ERR_FILE_FORMAT    size 0, or libopenmpt cannot read it, or more than
//                           MCORE_MAX_CHANNELS channels
//   FMOD_ERR_MEMORY         size above MCORE_MAX_FILE_BYTES, or out of memory
// On failure the core stays closed.
int mcore_open(mcore_t* core, const void* data, size_t size, int rate);
// Frees the module; the struct is zeroed and can be opened again.
void mcore_close(mcore_t* core);

// Renders up to `frames` interleaved signed 16-bit stereo frames into `out`,
// never more than one tick per libopenmpt call, and appends the events that
// start inside them to `events` (ascending frame, a row's MCORE_ROW before
// its triggers). `*count` is set to the number of events written. Stops early,
// at a tick boundary, when fewer than MCORE_MAX_EVENTS_PER_TICK slots are
// left; returns the frames rendered (0 when `capacity` is below that).
size_t mcore_render(mcore_t* core, int16_t* out, size_t frames, mcore_event* events, int capacity, int* count);

// Continues from row 0 of `order` with the next rendered frame; that row's
// triggers fire when it plays. Returns 0, or FMOD_ERR_INVALID_PARAM for an
// order outside 0..num_orders-1 (nothing changes then).
int mcore_set_order(mcore_t* core, int order);
// Back to row 0 of order 0 with empty channel instrument memory.
void mcore_restart(mcore_t* core);

inline uint64_t mcore_frames(const mcore_t* core) { return core->frame; }
// Frames per tick at the given tempo (BPM), as libopenmpt counts them for XM.
inline int mcore_tick_frames(int rate, int bpm) { return (rate * 5 + bpm) / (bpm * 2); }
