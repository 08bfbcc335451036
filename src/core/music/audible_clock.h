// When is an output sample heard? An estimate from what SDL's audio callback
// sees: how many samples it has been handed before each call, and when.
//
// The output consumes samples at its own pace, which is neither the nominal
// rate nor the system clock's idea of it (a device clock hundreds of ppm off,
// a converter in between that is off by more). So the rate is measured, not
// assumed: a delay-locked loop (F. Adriaensen, "Using a DLL to filter time")
// fits a line "sample n is handed at time T(n)" through the callback times,
// following both the phase and the period of the callbacks while filtering
// out their jitter. Every sample handed is heard latency_samples later, the
// buffering the output keeps between a callback and the listener.
//
// An output starts by asking for several blocks at once to fill its
// buffers; the later, steady callbacks are the ones the latency is counted
// from. So in the first second a callback that comes earlier than the line
// says moves the line back to it at once (callbacks come late, never early,
// from scheduling); after that the loop alone follows.
//
// Callbacks far off the line (more than kStallNs, or four blocks) mean the
// output stalled, underran or restarted: the line is moved to the new
// callback at once, keeping the period it had learnt.
#pragma once
#include <algorithm>
#include <cmath>
#include <cstddef>
#include <cstdint>

struct AudibleClock {
    int rate = 0;                   // the output's nominal rate, samples per second
    int latency_samples = 0;        // from hand-over to being heard
    uint64_t handed = 0;            // samples handed so far, the last block included
    int64_t origin_ns = 0;          // the first callback; times below count from it
    double at_ns = 0;               // the line's time for sample at_sample
    uint64_t at_sample = 0;         // samples handed before the last callback
    double ns_per_sample = 0;       // the line's slope: how fast the output consumes
    double mean_ns_per_sample = 0;  // the slope averaged over about 5 s, for reports
    double seconds = 0;             // playing time followed so far (gain schedule)
    uint32_t resets = 0;            // times the line jumped to a far-off callback
};

// Loop bandwidth: narrow enough to average out scheduling jitter (its phase
// noise is about 0.4 of the jitter with 46 ms blocks, 0.55 with 93 ms), wide
// enough to settle a 0.1% rate error within a few seconds with well under
// 1 ms of phase error. The first second runs four times wider to settle fast.
constexpr double kClockBandwidthHz = 0.5;
constexpr double kClockStartBandwidthHz = 2.0;
constexpr double kClockStartSeconds = 1.0;
constexpr int64_t kStallNs = 100'000'000;

inline AudibleClock audible_clock_start(int rate, int latency_samples)
{
    AudibleClock c;
    c.rate = rate;
    c.latency_samples = latency_samples;
    c.ns_per_sample = c.mean_ns_per_sample = 1e9 / rate;
    return c;
}

// A callback at `ns` hands the next `samples` samples.
inline void audible_clock_block(AudibleClock* c, int64_t ns, size_t samples)
{
    if (c->handed == 0) {
        c->origin_ns = ns;
        c->at_ns = 0;
        c->at_sample = 0;
        c->handed = samples;
        return;
    }
    const double t = double(ns - c->origin_ns);
    const double step = double(c->handed - c->at_sample) * c->ns_per_sample;  // since the last callback
    const double predicted = c->at_ns + step;
    const double e = t - predicted;
    const double stall = std::max(double(kStallNs), 4.0 * double(samples) * c->ns_per_sample);
    c->seconds += step * 1e-9;
    const bool starting = c->seconds < kClockStartSeconds;
    if (std::abs(e) > stall) {
        c->at_ns = t;
        ++c->resets;
    } else if (starting && e < 0) {
        c->at_ns = t;
    } else {
        const double bandwidth = starting ? kClockStartBandwidthHz : kClockBandwidthHz;
        const double w = std::min(2 * M_PI * bandwidth * step * 1e-9, 0.7);  // per step; stable below 1
        c->at_ns = predicted + std::sqrt(2.0) * w * e;
        // The slope takes the error spread over the samples of this step, and
        // never strays more than 10% from nominal (44.1 kHz taken for 48 kHz).
        const double nominal = 1e9 / c->rate;
        c->ns_per_sample =
            std::clamp(c->ns_per_sample + w * w * e / double(c->handed - c->at_sample), 0.9 * nominal, 1.1 * nominal);
    }
    // The slope moves with every callback's jitter; its average does not.
    const double a = std::min(step * 1e-9 / 5.0, 1.0);
    c->mean_ns_per_sample += a * (c->ns_per_sample - c->mean_ns_per_sample);
    c->at_sample = c->handed;
    c->handed += samples;
}

// The sample heard at `ns`; -1 before anything was handed. Never beyond what
// was handed (an underrun plays silence).
inline double audible_clock_sample(const AudibleClock* c, int64_t ns)
{
    if (c->handed == 0) return -1.0;
    const double line = double(c->at_sample) + (double(ns - c->origin_ns) - c->at_ns) / c->ns_per_sample;
    return std::min(line - c->latency_samples, double(c->handed));
}

// The rate the output is measured to consume samples at, averaged over the
// last five seconds or so.
inline double audible_clock_rate(const AudibleClock* c) { return 1e9 / c->mean_ns_per_sample; }
