// How long the audio server holds what this process plays before it is
// heard, as the server itself reports it.
//
// SDL hides its PulseAudio stream, so a second, short-lived connection asks
// the server for this process's playback streams: the stream's buffer plus
// its sink's latency. That is what lies between the audio callback and the
// speaker; the block SDL asks for is only an upper bound of it (PulseAudio
// keeps about 70% of a 4096-sample request queued, and the sink a share of
// the rest). PipeWire's pipewire-pulse (0.3.65) lists the streams but
// reports 0 for both; there the answer comes from the buffer it keeps for
// the stream, which it publishes (pipewire_pulse_delay_ms). SDL's native
// PipeWire stream is not ours by pid there: -1.
#pragma once

// The median of `reads` reports, `gap_ms` apart, in milliseconds: the sink's
// part rises and falls with its own blocks, and for half a second or so
// after a stream starts the sink may still report hundreds of milliseconds
// (seen: 560 ms falling to 20), which a mean would count. -1 when no server
// answers within about a second, when this process has no playback stream there,
// or when the server reports none of its latency (0). Blocks the caller
// for the reads; never call it from the audio callback. Never starts a
// server.
double server_output_delay_ms(int reads = 16, int gap_ms = 20);

// What pipewire-pulse holds of a stream before it is heard, from the buffer
// attributes it publishes on the stream ("pulse.attr.tlength" and
// "pulse.attr.minreq", in bytes of `frame_bytes` a frame at `rate`): it
// tops its queue up to tlength after every graph cycle, and a writer that
// writes as it is asked (SDL) lands on average half a request short of the
// top. Measured on PipeWire 0.3.65 at 48 kHz, default quantum: tlength 62.7
// ms, minreq 20 ms, so 52.7 ms; the sync meter found 48 to 53. -1 when
// either is missing, not a whole positive number, or minreq is not under
// tlength.
double pipewire_pulse_delay_ms(const char* tlength, const char* minreq, int frame_bytes, int rate);

// The median of the positive reports in `ms` (non-positive ones are reads
// that failed), or -1 when there are none.
double median_reported_delay(const double* ms, int count);
