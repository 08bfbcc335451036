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
// the stream, which it publishes (pipewire_pulse_delay_ms), held against the
// graph's quantum (pipewire_pulse_graph_delay_ms). SDL's native PipeWire
// stream is not ours by pid there: -1; its delay goes with the graph's
// quantum instead (native_pipewire_delay_ms).
#pragma once
#include <cstdint>

// What pipewire-pulse publishes of a stream besides its queue.
struct PipeWirePulseStream {
    double cycle_ms = -1;        // "node.latency": the cycle it asks the graph for; -1 unknown
    uint32_t node = UINT32_MAX;  // "object.id": its node in the graph; UINT32_MAX unknown
};

// The median of `reads` reports, `gap_ms` apart, in milliseconds: the sink's
// part rises and falls with its own blocks, and for half a second or so
// after a stream starts the sink may still report hundreds of milliseconds
// (seen: 560 ms falling to 20), which a mean would count. -1 when no server
// answers within about a second, when this process has no playback stream
// there, or when the server reports none of its latency (0) and publishes
// no queue. Where the answer is pipewire-pulse's published queue, `stream`
// (when not null) gets what it publishes of the stream behind it; elsewhere
// it is left unknown. Blocks the caller for the reads; never call it from
// the audio callback. Never starts a server.
double server_output_delay_ms(int reads = 16, int gap_ms = 20, PipeWirePulseStream* stream = nullptr);

// The wait before read `read` (from 1) of server_output_delay_ms: from half
// to one and a half `gap_ms`, in a low-discrepancy sequence. The sink's
// sawtooth has a period of its own near the gap (its blocks); evenly spaced
// reads would catch it near one phase for the whole probe, and its median
// would then move by 10 ms from one run to the next.
int delay_read_gap_ms(int read, int gap_ms);

// What pipewire-pulse holds of a stream before it is heard, from the buffer
// attribute it publishes on the stream ("pulse.attr.tlength", in bytes of
// `frame_bytes` a frame at `rate`): the queue it keeps topped up, one
// graph cycle at a time. For SDL's 4096-sample stream at 48 kHz on
// PipeWire 0.3.65 that is 3008 frames, 62.7 ms; the sync meter, proven
// there to about 3 ms, puts the pictures within 5 ms of the sound with it
// at the quantum the stream gets by itself (1024). -1 when the attribute is
// missing or not a whole positive number.
double pipewire_pulse_delay_ms(const char* tlength, int frame_bytes, int rate);

// A node's "node.latency" ("1088/48000": frames over rate) in milliseconds:
// the cycle a stream asks the graph for. -1 when it is missing or not two
// whole positive numbers.
double node_latency_ms(const char* text);

// What a pipewire-pulse stream holds before it is heard when the graph runs
// cycles of `cycle_ms` (pipewire_cycle.h) and the stream asked for
// `stream_cycle_ms`: its published queue `queue_ms` less the cycle it asked
// for, plus the one the graph runs. The queue published stays the same at
// a forced quantum; the delay does not: counted as the queue alone, the
// pictures came 21 ms early at 2048 and about 20 ms late at 256. Measured,
// not derived (the sync meter's figures: docs/live-sync-desktops.md). A
// likely reading: the server keeps the queue with one of the stream's own
// cycles already taken out of it, and the graph holds one cycle of its own.
// `queue_ms` as it is when either cycle is not positive (no graph to ask).
double pipewire_pulse_graph_delay_ms(double queue_ms, double stream_cycle_ms, double cycle_ms);

// What SDL's native PipeWire stream holds before it is heard, from the
// graph's quantum `cycle_ms` (pipewire_cycle.h): one and a half quanta,
// whatever SDL's buffer. Measured, not derived: with it the sync meter
// (48 kHz graph, the stream at 44.1 kHz; proven there to about 3 ms) puts
// the pictures within 8 ms of the sound at 2048 samples a cycle, the
// quantum SDL's stream gets by itself, and within 5 ms at a forced 1024
// (32 ms counted); at 256 the meter cannot tell. A likely reading: SDL
// hands a whole buffer over in the cycle that runs out of the last one,
// part way into it, and the block plays from the next cycle on; one cycle,
// plus half of one on average. -1 for a cycle that is not positive.
double native_pipewire_delay_ms(double cycle_ms);

// The median of the positive reports in `ms` (non-positive ones are reads
// that failed), or -1 when there are none.
double median_reported_delay(const double* ms, int count);
