// Figures from the live driver behind fmod_api.h, for tests and measurements.
#pragma once
#include <cstdint>

struct FMUSIC_MODULE;
struct mcore_t;

// The module's player core. Only while the module is not playing: the audio
// thread owns it then.
mcore_t* music_live_core(FMUSIC_MODULE* module);

// The output frame being heard now (frames count over everything handed to
// SDL since FSOUND_Init), estimated from the frames handed before each audio
// callback and the time since, less DRENSOLK_AUDIO_LATENCY_MS. -1 before the
// first callback or without FSOUND_Init.
double music_live_audible_frame();
// Frames per SDL buffer, and the extra latency in frames (0 before FSOUND_Init).
int music_live_buffer_frames();
int music_live_latency_frames();

// How late each delivery was against the estimate: the audible frame at the
// moment of delivery minus the event's frame, in milliseconds (negative is
// early). Kept for the last 8192 deliveries of each kind since FSOUND_Init.
struct music_live_timing {
    int count;
    double median_ms;
    double worst_ms;  // largest absolute error
    int over_5ms;     // how many were more than 5 ms off
};
struct music_live_stats {
    music_live_timing trigger;   // instrument callbacks
    music_live_timing position;  // FMUSIC_GetOrder/GetRow changes
    uint32_t dropped_events;     // the dispatch queue was full
    uint32_t resyncs;            // player core tick-model corrections
};
music_live_stats music_live_get_stats();
