// When is an output sample heard? An estimate from what SDL's audio callback
// sees: how many samples it has been handed before each call, and when.
//
// The output plays samples at the output rate from some moment t0 on, and it
// cannot have played more than it had been handed before a callback, so each
// callback bounds t0 from below: t0 >= callback time - samples handed before /
// rate. The latest bound is kept, let slide back by 500 ppm of elapsed time so
// a device clock running a little fast is followed. With evenly spaced
// callbacks that means "a block starts sounding when it is handed"; with
// bursty ones (SDL converting rates in between) the estimate does not jump
// ahead. Latency the layer cannot see comes off the result.
#pragma once
#include <algorithm>
#include <cstddef>
#include <cstdint>

struct AudibleClock {
    int rate;
    int latency_samples;
    uint64_t handed;  // samples handed so far, the last block included
    int64_t t0_ns;    // when sample 0 was heard
    int64_t last_ns;  // the last callback
};

// A callback at `ns` hands the next `samples` samples.
inline void audible_clock_block(AudibleClock* c, int64_t ns, size_t samples)
{
    const int64_t bound = ns - int64_t(double(c->handed) * 1e9 / c->rate);
    c->t0_ns = c->handed == 0 ? bound : std::max(c->t0_ns - (ns - c->last_ns) / 2000, bound);
    c->last_ns = ns;
    c->handed += samples;
}

// The sample heard at `ns`; -1 before anything was handed. Never beyond what
// was handed (an underrun plays silence).
inline double audible_clock_sample(const AudibleClock* c, int64_t ns)
{
    if (c->handed == 0) return -1.0;
    const double played = double(ns - c->t0_ns) * 1e-9 * c->rate;
    return std::min(played, double(c->handed)) - c->latency_samples;
}
