// How long one cycle of the PipeWire graph that plays this process lasts:
// its quantum, in milliseconds.
//
// SDL's native PipeWire stream hands the graph a whole buffer per callback
// and the graph takes one quantum of it a cycle, so what lies between a
// callback and the speaker goes with the quantum, not the buffer; through
// pipewire-pulse, the share of it beyond the queue published does. The
// quantum is the graph's own choice (the smallest latency any stream asks
// for, clamped to the server's limits, or forced) and no stream or node
// publishes it; the server's profiler (libpipewire-module-profiler, loaded
// by PipeWire's default configuration, read by pw-top) reports it for every
// cycle it runs.
#pragma once
#include <cstdint>
#include <vector>

struct spa_pod;

// The median quantum of up to `cycles` profiled cycles that ran a node of
// this process or node `also_node` (pipewire-pulse's node for a stream of
// ours: the server names its own process on it, not ours), in
// milliseconds. -1 when no PipeWire server answers within about a second,
// when it has no profiler, or when none of its cycles runs such a node in
// that time. Blocks the caller; never call it from the audio callback.
// Never starts a server. Linux builds with libpipewire only; elsewhere
// always -1.
double pipewire_cycle_ms(int cycles = 16, uint32_t also_node = UINT32_MAX);

// From one profiler report (a struct of Profiler objects, one per driver
// cycle): the first cycle's length in milliseconds whose driver or
// followers include one of `nodes`, else -1.
double profiled_cycle_ms(const spa_pod* report, const std::vector<uint32_t>& nodes);
