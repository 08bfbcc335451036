// The live driver's timing on the dummy audio output: the demo's music, its
// callbacks and its frame loop on the real clock for a while, then how early
// the callbacks came against the output and how long each trigger waited for
// the frame loop to see it.
#pragma once
#include <cstdio>

struct LiveSyncFigures {
    int triggers = 0;
    double callback_median_ms = 0, callback_worst_ms = 0;  // delivery - due time (negative: ahead)
    double display_lead_ms = 0;  // due = heard less this, as the frame loop measured it at the end
    int callback_count = 0;
    double pickup_median_ms = 0, pickup_p99_ms = 0, pickup_worst_ms = 0;  // callback -> start of the next frame
    double frame_median_ms = 0, frame_p99_ms = 0, frame_worst_ms = 0;
    double frame_p99_after_first_s_ms = 0;  // the same without the first second (shader compiles)
    double frame_worst_after_first_s_ms = 0;
    int frames = 0;
    double position_median_ms = 0, position_worst_ms = 0;  // order/row changes against the output
    unsigned dropped = 0, resyncs = 0;
    int output_rate = 0;        // what the music played at
    double measured_rate = 0;   // what the output was measured to consume
    unsigned clock_resets = 0;  // the output stalled: the audible clock jumped
};

// Needs the display and the textures; plays from `order` through the demo's
// frame loop for `seconds` (or to the demo's end position, if sooner).
// False when the sound cannot start.
bool run_live_sync(double seconds, int order, LiveSyncFigures* out);
