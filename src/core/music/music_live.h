// Figures from the live driver behind fmod_api.h, for tests and measurements.
#pragma once
#include <cstdint>

struct FMUSIC_MODULE;
struct PlayerCore;

// The module's player core. Only while the module is not playing: the audio
// thread owns it then.
PlayerCore* music_live_core(FMUSIC_MODULE* module);

// The output sample being heard now (samples count over everything handed to
// SDL since FSOUND_Init), estimated from the samples handed before each audio
// callback and the time since, less DRENSOLK_AUDIO_LATENCY_MS. -1 before the
// first callback or without FSOUND_Init.
double music_live_audible_sample();
// Samples per SDL buffer, and the extra latency in samples (0 before FSOUND_Init).
int music_live_buffer_samples();
int music_live_latency_samples();

// How late each delivery was against the estimate: the audible sample at the
// moment of delivery minus the event's sample, in milliseconds (negative is
// early). Kept for the last 8192 deliveries of each kind since FSOUND_Init.
struct LiveTiming {
    int count;
    double median_ms;
    double worst_ms;  // largest absolute error
    int over_5ms;     // how many were more than 5 ms off
};
struct LiveStats {
    LiveTiming trigger;       // instrument callbacks
    LiveTiming position;      // FMUSIC_GetOrder/GetRow changes
    uint32_t dropped_events;  // the dispatch queue was full
    uint32_t resyncs;         // player core tick-model corrections
};
LiveStats music_live_get_stats();
