// Figures from the live driver behind fmod_api.h, for tests and measurements,
// and the display lead the frame loop tells it.
#pragma once
#include <cstdint>
#include <string>

struct FMUSIC_MODULE;
struct PlayerCore;

// The module's player core. Only while the module is not playing: the audio
// thread owns it then.
PlayerCore* music_live_core(FMUSIC_MODULE* module);

// The output sample being heard now (samples at music_live_output_rate(),
// counted over everything handed to SDL since FSOUND_Init), from the audible
// clock's fit of the audio callback times, less the latency. -1 before the
// first callback or without FSOUND_Init.
double music_live_audible_sample();
// The rate the core renders at and SDL was opened at, whatever FSOUND_Init
// was given; and the rate the output is measured to consume samples at
// (0 before the first callback). 0 without FSOUND_Init.
int music_live_output_rate();
double music_live_measured_rate();
// Samples per SDL buffer, and the latency in samples from hand-over to being
// heard: one buffer, or from 1.5 s of playing on what the server says it
// holds where it says (core/music/output_delay.h), plus
// DRENSOLK_AUDIO_LATENCY_MS (0 before FSOUND_Init).
int music_live_buffer_samples();
int music_live_latency_samples();

// How long a picture takes from the moment its drawing reads the music to
// the moment it is shown: events are delivered (callbacks called, the heard
// position moved) that much before their first sample is heard, so the
// picture that shows them comes up as they sound. Kept between 0 (the start
// value: delivery when heard) and 100 ms; any thread may set it at any time.
void music_live_set_display_lead(double ms);
double music_live_display_lead();

// How late each delivery was against the estimate: the sample audible one
// display lead after the moment of delivery minus the event's sample, in
// milliseconds (negative is early). Kept for the last 8192 deliveries of
// each kind since FSOUND_Init.
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
    uint32_t clock_resets;    // the output stalled or restarted: the audible clock jumped
    // The audio thread: the longest wait from one callback to the next (a
    // dropout the output's queue could not cover shows here, or not at all
    // when the stall was the server's), and the longest callback.
    double longest_callback_gap_ms;
    double longest_callback_ms;
};
LiveStats music_live_get_stats();

// One line on how the output went, for a run's log: the driver, rate and
// buffer, the latency counted (milliseconds), and the callbacks' figures
// above. Empty without FSOUND_Init.
std::string music_live_report();
