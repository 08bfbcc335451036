// The estimate of the sample being heard, fed with callback times from a
// simulated output whose true position is known at every moment.
#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <random>
#include <vector>

#include "core/music/audible_clock.h"

namespace {

constexpr int64_t kMs = 1000000;  // ns

// An output that plays `rate_at(t)` samples per second of system time and
// asks for a block of `block` samples whenever it holds fewer than
// `ahead` blocks beyond the sample being heard; the callback comes
// `lateness()` ns after that moment. It starts by asking for `ahead` blocks
// at once at t = 0, and the first sample is heard from t = 0.
struct Output {
    std::function<double(double)> rate_at;  // samples per second at time t (s)
    int block = 2048;
    int ahead = 2;
    std::function<int64_t()> lateness = [] { return int64_t(0); };
    std::vector<std::pair<int64_t, int64_t>> gaps;  // (at ns, length ns): the output stalls
};

struct SimRun {
    double worst_after_settle = 0;  // samples, |estimate - truth|
    double mean_after_settle = 0;   // signed
    double mean_last_10s = 0;       // signed, over the last 10 s
    double rms_wander = 0;          // root mean square of the error around its mean
    double measured_rate = 0;
    uint32_t resets = 0;
};

// Feeds `seconds` of callbacks to a clock and compares, 1000 times a second
// after `settle_s`, what it says is heard with what the output plays.
SimRun simulate(const Output& out, int nominal_rate, double seconds, double settle_s)
{
    AudibleClock c = audible_clock_start(nominal_rate, out.ahead * out.block);
    // The true position, integrated in 0.1 ms steps, with the stalls.
    const int64_t step = kMs / 10;
    const int64_t end = int64_t(seconds * 1e9);
    std::vector<double> position;  // at k * step
    double pos = 0;
    for (int64_t t = 0; t <= end + step; t += step) {
        position.push_back(pos);
        bool stalled = false;
        for (auto [at, len] : out.gaps) stalled |= t >= at && t < at + len;
        if (!stalled) pos += out.rate_at(double(t) * 1e-9) * double(step) * 1e-9;
    }
    auto truth = [&](int64_t t) { return position[size_t(t / step)]; };

    SimRun r;
    double sum = 0, sum_last = 0, sum_sq = 0;
    int n = 0, n_last = 0;
    uint64_t handed = 0;
    int64_t next_probe = int64_t(settle_s * 1e9);
    size_t k = 0;  // index into position: the next moment the output is looked at
    int64_t last_cb = 0;
    for (;;) {
        // The next callback: the moment the output holds fewer than `ahead`
        // blocks, to the tenth of a step.
        const double target = double(handed) - double(out.ahead * out.block);
        while (k < position.size() && position[k] < target) ++k;
        if (k >= position.size()) break;
        int64_t t_cb = int64_t(k) * step;
        if (k > 0 && position[k] > position[k - 1] && target > position[k - 1])
            t_cb -= int64_t(double(step) * (position[k] - target) / (position[k] - position[k - 1]));
        t_cb = std::max(t_cb + out.lateness(), last_cb);  // one after the other
        last_cb = t_cb;
        // Probe the estimate up to the callback.
        for (; next_probe < t_cb && next_probe <= end; next_probe += kMs) {
            const double err = audible_clock_sample(&c, next_probe) - truth(next_probe);
            r.worst_after_settle = std::max(r.worst_after_settle, std::abs(err));
            sum += err;
            sum_sq += err * err;
            ++n;
            if (next_probe > end - 10'000 * kMs) {
                sum_last += err;
                ++n_last;
            }
        }
        if (t_cb > end) break;
        audible_clock_block(&c, t_cb, size_t(out.block));
        handed += uint64_t(out.block);
    }
    r.mean_after_settle = n ? sum / n : 0;
    r.rms_wander = n ? std::sqrt(std::max(sum_sq / n - r.mean_after_settle * r.mean_after_settle, 0.0)) : 0;
    r.mean_last_10s = n_last ? sum_last / n_last : 0;
    r.measured_rate = audible_clock_rate(&c);
    r.resets = c.resets;
    return r;
}

auto steady(double rate)
{
    return [rate](double) { return rate; };
}

}  // namespace

TEST(AudibleClock, NothingHeardBeforeTheFirstBlockAndNeverPastWhatWasHanded)
{
    AudibleClock c = audible_clock_start(44100, 0);
    EXPECT_EQ(audible_clock_sample(&c, 5 * kMs), -1.0);
    audible_clock_block(&c, 1000 * kMs, 2048);
    EXPECT_NEAR(audible_clock_sample(&c, 1000 * kMs), 0.0, 1e-6);
    EXPECT_NEAR(audible_clock_sample(&c, 1010 * kMs), 441.0, 1e-6);
    // Nothing more handed: the output plays silence after the block.
    EXPECT_DOUBLE_EQ(audible_clock_sample(&c, 2000 * kMs), 2048.0);
    // Latency: what is handed is heard that much later, and still never
    // beyond what was handed.
    AudibleClock late = audible_clock_start(44100, 4096);
    audible_clock_block(&late, 0, 2048);
    EXPECT_NEAR(audible_clock_sample(&late, 10 * kMs), 441.0 - 4096, 1e-6);
    EXPECT_NEAR(audible_clock_sample(&late, 100 * kMs), 4410.0 - 4096, 1e-6);
    EXPECT_DOUBLE_EQ(audible_clock_sample(&late, 200 * kMs), 2048.0);
}

TEST(AudibleClock, EvenCallbacksAtTheNominalRateAreFollowedExactly)
{
    Output out;
    out.rate_at = steady(44100);
    const SimRun r = simulate(out, 44100, 60, 1.5);
    EXPECT_LT(r.worst_after_settle, 1.0);  // samples
    EXPECT_NEAR(r.measured_rate, 44100, 0.05);
    EXPECT_EQ(r.resets, 0u);
}

TEST(AudibleClock, FollowsOutputClocksHundredsOfPpmOffForAWholeSong)
{
    // A device clock 500 ppm either way against the system clock, and a
    // converter that plays 850 ppm fast on top of a 318 ppm fast clock:
    // after a few seconds the estimate stays within a tenth of a millisecond
    // and does not drift over ten minutes.
    for (double ppm : {-500.0, 500.0, 1168.0}) {
        Output out;
        out.rate_at = steady(48000 * (1 + ppm * 1e-6));
        const SimRun r = simulate(out, 48000, 600, 5.0);
        EXPECT_LT(r.worst_after_settle, 4.8) << ppm << " ppm";  // 0.1 ms
        EXPECT_LT(std::abs(r.mean_last_10s), 0.5) << ppm << " ppm";
        EXPECT_NEAR(r.measured_rate, 48000 * (1 + ppm * 1e-6), 0.2) << ppm << " ppm";
    }
}

TEST(AudibleClock, JitteredCallbacksAverageOut)
{
    // Callbacks 0 to 4 ms late at random (a loaded machine; the output's
    // buffer covers it). The estimate runs behind by the mean lateness and
    // wanders less than half as much as the callbacks do.
    std::mt19937 rng(12);
    std::uniform_int_distribution<int64_t> late(0, 4 * kMs);
    Output out;
    out.rate_at = steady(44100 * (1 + 300e-6));
    out.lateness = [&] { return late(rng); };
    const SimRun r = simulate(out, 44100, 300, 5.0);
    const double mean_late = -2.0 * 44.1;  // samples: 2 ms behind
    EXPECT_NEAR(r.mean_after_settle, mean_late, 0.3 * 44.1);
    EXPECT_LT(r.rms_wander, 0.5 * 1.15 * 44.1);  // under half the callbacks' own 1.15 ms
    EXPECT_LT(r.worst_after_settle, std::abs(mean_late) + 2.5 * 44.1);
    EXPECT_NEAR(r.mean_last_10s, mean_late, 0.3 * 44.1);  // no drift
}

TEST(AudibleClock, BurstyCallbacksFromARateConverterDoNotDrift)
{
    // 512-sample blocks at 32 kHz pulled by a 44.1 kHz output in 512-sample
    // device blocks: one or two callbacks per device period, back to back.
    // The estimate is good to within half a device period and does not drift.
    const double device_period = 512.0 / 44100;
    const double content_rate = 32000 * (1 + 850e-6);
    std::vector<int64_t> times;
    double converted = 0;  // app samples the converter holds
    for (int d = 0; d * device_period < 120; ++d) {
        const int64_t t = int64_t(d * device_period * 1e9);
        const double needed = content_rate * device_period;  // app samples per device block
        while (converted < needed) {
            times.push_back(t + int64_t(times.size() % 3) * 20000);  // a few µs apart
            converted += 512;
        }
        converted -= needed;
    }
    AudibleClock c = audible_clock_start(32000, 0);
    double worst = 0, first_mean = 0, last_mean = 0;
    int first_n = 0, last_n = 0;
    for (size_t k = 0; k < times.size(); ++k) {
        audible_clock_block(&c, times[k], 512);
        const int64_t t = times[k];
        if (t < 5'000 * kMs || k + 1 == times.size()) continue;
        // Truth: the converter's input is consumed at the content rate;
        // block k is wanted when it is needed, which the bursts straddle.
        for (int64_t p = t; p < times[k + 1]; p += kMs) {
            const double err = audible_clock_sample(&c, p) - double(p) * 1e-9 * content_rate;
            worst = std::max(worst, std::abs(err));
            if (p < 15'000 * kMs) first_mean += err, ++first_n;
            if (p > 110'000 * kMs) last_mean += err, ++last_n;
        }
    }
    EXPECT_LT(worst, device_period * 32000);
    EXPECT_NEAR(last_mean / last_n, first_mean / first_n, 0.05 * 32);  // under 0.05 ms of drift
    EXPECT_NEAR(audible_clock_rate(&c), content_rate, 1.0);            // 30 ppm
    EXPECT_EQ(c.resets, 0u);
}

TEST(AudibleClock, SettlesAfterTheRateChangesUnderIt)
{
    // The output is 0.5% fast from 20 s on (a converter changed), and a
    // clock that believed 44.1 kHz finds an output running at 48 kHz.
    Output shift;
    shift.rate_at = [](double t) { return t < 20 ? 44100.0 : 44100 * 1.005; };
    const SimRun a = simulate(shift, 44100, 80, 30.0);
    EXPECT_LT(a.worst_after_settle, 0.1 * 44.1);
    EXPECT_NEAR(a.measured_rate, 44100 * 1.005, 0.5);
    Output other;
    other.rate_at = steady(48000);
    const SimRun b = simulate(other, 44100, 60, 10.0);
    EXPECT_LT(b.worst_after_settle, 0.1 * 48);
    EXPECT_NEAR(b.measured_rate, 48000, 0.5);
}

TEST(AudibleClock, AnOutputThatStallsIsFollowedAtOnce)
{
    // The output stops for 300 ms (an underrun or a suspend) at 20 s: the
    // estimate jumps with it rather than running ahead of the sound.
    Output out;
    out.rate_at = steady(44100 * (1 - 200e-6));
    out.gaps = {{20'000 * kMs, 300 * kMs}};
    const SimRun before = simulate(out, 44100, 19.9, 5.0);
    const SimRun after = simulate(out, 44100, 40, 20.4);
    EXPECT_EQ(before.resets, 0u);
    EXPECT_EQ(after.resets, 1u);
    // Within one block right after, within a tenth of a millisecond at the end.
    EXPECT_LT(after.worst_after_settle, 2048);
    EXPECT_LT(std::abs(after.mean_last_10s), 0.1 * 44.1);
}
