// The player core: one tracker module rendered by libopenmpt, with the row
// starts and instrument triggers found inside each rendered block, at the
// sample where they are heard.
//
// Words used throughout the music layer and its drivers:
//   sample        one stereo pair of 16-bit values at the mix rate; positions
//                 and lengths of audio are counted in samples ("sample 0" is
//                 the first one rendered after player_core_open)
//   video frame   one picture drawn and shown; the capture and the frame loop
//                 count these, never the music layer
//   tick, row     the tracker's own units: a row lasts speed ticks, a tick
//                 2.5 / BPM seconds
//
// No threads, no SDL, no clock: whoever owns a core calls it from one thread
// at a time. The live driver calls it from the SDL audio callback; an offline
// driver (video capture) can call it from the main thread:
//
//   PlayerCore core{};
//   if (int err = player_core_open(&core, bytes, size, 32000)) { ... an FMOD_ERRORS code ... }
//   int16_t pcm[2 * 1067];                         // one 30 fps video frame at 32 kHz
//   player_core_render_block(&core, pcm, 1067, [&](const MusicEvent& e, size_t at) {
//       if (e.kind == MusicEventKind::Trigger) hook(e.instrument, at);   // at: where it sounds in pcm
//       else { order = e.order; row = e.row; }
//   });
//   player_core_close(&core);
#pragma once
#include <cstddef>
#include <cstdint>
#include <vector>

struct openmpt_module;

constexpr int kMaxChannels = 64;
// Events of one tick: a row start and one trigger per channel at most.
constexpr int kMaxEventsPerTick = kMaxChannels + 1;
// Modules bigger than this are refused with FMOD_ERR_MEMORY.
constexpr size_t kMaxModuleBytes = size_t(64) << 20;

// What counts as a trigger: a note that is heard to start, at the first
// sample that sounds it. So none for
//   - a note with tone portamento (effect 3xx or 5xx, G or L in S3M/IT, or
//     tone portamento in the volume column): it bends the note playing, and
//     its instrument number does not become the channel's instrument;
//   - a note on an instrument number past the module's instruments (samples
//     in a module without instruments), named in the cell or remembered;
//   - a note delay (EDx) of the row's speed or more: it never plays;
//   - the repeats of a row held by pattern delay (EEx) for its undelayed
//     notes (a delayed note does play again on every repeat, and fires again);
//   - retrigger effects (E9x, Rxy): they restart the note already counted.
// A row event is at the first sample of the row's first tick.
enum class MusicEventKind : uint8_t {
    Row = 1,      // a row starts being played: order, row
    Trigger = 2,  // instrument (0-based) starts a note in that row
};

struct MusicEvent {
    uint64_t sample;  // the first sample that sounds it, counted from player_core_open
    MusicEventKind kind;
    uint8_t instrument;  // MusicEventKind::Trigger: the instrument written instrument + 1 in the cell
    uint8_t channel;     // MusicEventKind::Trigger: the pattern channel
    int16_t order;       // the row it belongs to
    int16_t row;
};

// Per cell, what the trigger scan needs; built once from the patterns.
struct CoreCell {
    uint8_t note_on;     // 1: a note that starts sounding (not key off, cut or fade)
    uint8_t instrument;  // 1-based, 0 = none
    uint8_t delay;       // EDx note delay in ticks (0 = none)
    uint8_t glide;       // 1: tone portamento, the note bends the one playing
};

struct CorePattern {
    int rows = 0;
    std::vector<CoreCell> cells;     // rows * channels
    std::vector<uint8_t> row_delay;  // EEx pattern delay per row (extra row repeats)
};

struct PlayerCore {
    openmpt_module* mod;
    int rate;
    int channels;
    int num_orders;
    int num_instruments;  // instruments, or samples in a module without instruments
    std::vector<int> order_pattern;
    std::vector<CorePattern> patterns;
    uint8_t chan_instrument[kMaxChannels];  // each channel's current instrument, 1-based

    uint64_t sample;   // next sample to render
    int tick_left;     // samples left of the tick being rendered; 0 at a tick boundary
    int tick_samples;  // length of that tick
    int tick_in_row;   // 0 on the row's first tick
    int row_ticks;     // ticks the row lasts: speed * (1 + pattern delay)
    int speed;
    int order, row;    // the row being played; -1 before the first
    bool force_row;    // the next tick starts a row even at an unchanged position
    bool ended;        // libopenmpt stopped producing audio (renders silence after)
    uint32_t resyncs;  // a row change seen inside a tick: the tick length was not
                       // libopenmpt's (0 for every module the tests cover)

    // >= 0: a row start outside this order plays its row 0 instead (-1: none).
    int loop_order = -1;
};

// Loads a module from memory (libopenmpt copies what it keeps; `data` can go
// afterwards) into a zeroed or closed core, for output at
// `rate` Hz, positioned before row 0 of order 0, looping for ever to the
// restart position at the song's end. Returns 0 or an FMOD_ERRORS code:
//   FMOD_ERR_INVALID_PARAM  rate outside 8000..192000, or data null with size > 0
//   FMOD_ERR_FILE_FORMAT    size 0, or libopenmpt cannot read it, or more than
//                           kMaxChannels channels
//   FMOD_ERR_MEMORY         size above kMaxModuleBytes, or out of memory
// On failure the core stays closed.
int player_core_open(PlayerCore* core, const void* data, size_t size, int rate);
// Frees the module; the struct is zeroed and can be opened again.
void player_core_close(PlayerCore* core);

// Renders up to `samples` interleaved signed 16-bit stereo samples into `out`,
// never more than one tick per libopenmpt call, and appends the events that
// start inside them to `events` (ascending sample, a row's Row event before
// its triggers). `*count` is set to the number of events written. Stops early,
// at a tick boundary, when fewer than kMaxEventsPerTick slots are left;
// returns the samples rendered (0 when `capacity` is below that).
size_t player_core_render(PlayerCore* core, int16_t* out, size_t samples, MusicEvent* events, int capacity, int* count);

// Renders exactly `samples` samples into `out` and calls
// on_event(const MusicEvent&, size_t at) for each event in sample order, `at`
// being its offset from `out` in samples; a closed core gives silence. The
// one loop every driver uses.
template <class OnEvent>
void player_core_render_block(PlayerCore* core, int16_t* out, size_t samples, OnEvent&& on_event)
{
    MusicEvent events[4 * kMaxEventsPerTick];
    size_t done = 0;
    while (done < samples) {
        const uint64_t first = core->sample;
        int count = 0;
        const size_t n =
            player_core_render(core, out + 2 * done, samples - done, events, 4 * kMaxEventsPerTick, &count);
        for (int i = 0; i < count; ++i) on_event(events[i], done + size_t(events[i].sample - first));
        if (n == 0) {  // a closed core: the rest stays silent
            for (size_t i = 2 * done; i < 2 * samples; ++i) out[i] = 0;
            return;
        }
        done += n;
    }
}

// Continues from row 0 of `order` with the next rendered sample; that row's
// triggers fire when it plays. Returns 0, or FMOD_ERR_INVALID_PARAM for an
// order outside 0..num_orders-1 (nothing changes then).
int player_core_set_order(PlayerCore* core, int order);
// Holds playback inside one order: from the next tick on, any row that would
// start outside `order` (the song moving on, or a jump) is replaced by row 0
// of `order`, one sample into its tick. -1 lets the song run on. Returns 0, or
// FMOD_ERR_INVALID_PARAM for an order outside -1..num_orders-1.
int player_core_loop_order(PlayerCore* core, int order);
// The song position libopenmpt has rendered up to, in seconds from the song's
// start as it counts them (a jump moves it).
double player_core_position_seconds(const PlayerCore* core);
// Back to row 0 of order 0 with empty channel instrument memory.
void player_core_restart(PlayerCore* core);

inline uint64_t player_core_sample(const PlayerCore* core) { return core->sample; }
// Samples per tick at the given tempo (BPM), as libopenmpt counts them in its
// classic tempo mode (MOD, S3M, XM, IT): 2.5 / BPM seconds, truncated. The
// tempo sweep test holds this against libopenmpt's own row starts for every
// tempo 32..255 at each mix rate the tests use; the core also checks it while
// rendering (resyncs).
inline int tick_samples(int rate, int bpm) { return rate * 5 / (bpm * 2); }
