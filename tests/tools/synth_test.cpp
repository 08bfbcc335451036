// The sound building blocks: tuning maths and loops, checked by measuring.
#include <gtest/gtest.h>

#include <cmath>

#include "datagen/synth.h"
#include "datagen/voices.h"

namespace {

using namespace datagen;

// Playback rate of a sample on an XM note with linear frequencies.
double rate_on(int note, synth::Tuning t)
{
    return 8363.0 * std::pow(2.0, (note - 49 + t.relative_note + t.finetune / 128.0) / 12.0);
}

TEST(Synth, TuningPlaysTheFundamentalAtConcertPitch)
{
    for (double hz : {55.0, 220.0, 261.63, 440.0, 220.5}) {
        const auto t = synth::tuning_for(hz);
        // On A-4 the sample's fundamental must come out at 440 Hz, within 2 cents.
        const double out = hz * rate_on(58, t) / synth::kRate;
        EXPECT_NEAR(1200 * std::log2(out / 440.0), 0.0, 2.0) << hz;
    }
    const auto natural = synth::natural_tuning();
    EXPECT_NEAR(rate_on(49, natural) / synth::kRate, 1.0, 0.002);
}

TEST(Synth, LowPassPassesLowsAndCutsHighs)
{
    auto level = [](double hz) {
        synth::Svf f;
        f.set(1000.0, 0.0);
        synth::Osc o(hz);
        double peak = 0;
        for (int i = 0; i < 20000; ++i) {
            const double y = f.process(o.sine()).low;
            if (i > 10000) peak = std::max(peak, std::fabs(y));
        }
        return peak;
    };
    EXPECT_GT(level(100.0), 0.9);
    EXPECT_LT(level(8000.0), 0.05);
}

TEST(Synth, Pcm16ScalesToTheTargetPeak)
{
    const auto pcm = synth::to_pcm16({0.0, 0.25, -0.5}, 0.5);
    EXPECT_EQ(pcm[0], 0);
    EXPECT_EQ(pcm[2], -16384);
    EXPECT_EQ(pcm[1], 8192);
}

TEST(Synth, RoomKeepsTheDrySoundAndRingsOutToSilence)
{
    synth::Buffer click(1000, 0.0);
    click[0] = 1.0;
    const auto out = synth::with_room(click, 0.5, 1.0);
    ASSERT_EQ(out.size(), click.size() + synth::frames(1.0));
    EXPECT_DOUBLE_EQ(out[0], 1.0);  // the first echo comes later
    auto energy = [&](double from, double to) {
        double e = 0;
        for (size_t i = synth::frames(from); i < synth::frames(to); ++i) e += out[i] * out[i];
        return e;
    };
    EXPECT_GT(energy(0.02, 0.1), 0.0);
    EXPECT_GT(energy(0.02, 0.1), 10 * energy(0.5, 0.58));
    EXPECT_EQ(out.back(), 0.0);
}

TEST(Voices, SustainedSoundsLoopWithoutAClick)
{
    for (const Voice& v : {make_bass(), make_pad(), make_lead()}) {
        ASSERT_TRUE(v.looped) << v.name;
        ASSERT_LT(v.loop_start + 1000, v.audio.size()) << v.name;
        // The jump from the last value back to the loop start must be no bigger
        // than an ordinary step inside the loop.
        double biggest_step = 0;
        for (size_t i = v.loop_start + 1; i < v.audio.size(); ++i)
            biggest_step = std::max(biggest_step, std::fabs(v.audio[i] - v.audio[i - 1]));
        const double seam = std::fabs(v.audio[v.loop_start] - v.audio.back());
        EXPECT_LE(seam, biggest_step * 1.05) << v.name;
    }
}

TEST(Voices, StruckSoundsDieAway)
{
    for (const Voice& v : {make_kick(), make_snare(), make_closed_hat(), make_crash(), make_pluck(), make_stab()}) {
        ASSERT_FALSE(v.looped) << v.name;
        const double p = synth::peak(v.audio);
        ASSERT_GT(p, 0.0) << v.name;
        double tail = 0;
        for (size_t i = v.audio.size() - v.audio.size() / 50; i < v.audio.size(); ++i)
            tail = std::max(tail, std::fabs(v.audio[i]));
        EXPECT_LT(tail, 0.1 * p) << v.name;
    }
}

}  // namespace
