// Sound building blocks for the instruments: band-limited oscillators, noise,
// a state-variable filter, envelopes and the step from float audio to the
// 16-bit sample data an XM instrument stores.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "datagen/rng.h"

namespace datagen::synth {

// Every sample is synthesised at this rate; the instrument's tuning makes up
// the difference to the tracker's C-4 = 8363 Hz convention.
constexpr double kRate = 44100.0;

using Buffer = std::vector<double>;

// `seconds` of one voice's mono waveform, in values at kRate.
inline size_t frames(double seconds) { return static_cast<size_t>(seconds * kRate); }

// Oscillator with a running phase in cycles; saw and square use PolyBLEP so
// that high notes do not alias into a metallic mess.
class Osc {
public:
    explicit Osc(double hz = 0.0, double phase = 0.0) : phase_(phase) { set_hz(hz); }
    void set_hz(double hz) { inc_ = hz / kRate; }
    double sine();
    double saw();
    double square(double width = 0.5);
    double triangle();

private:
    void advance();
    double phase_ = 0.0;
    double inc_ = 0.0;
};

// Chamberlin-style state-variable filter (the "TPT" form, stable at any cutoff).
class Svf {
public:
    struct Out {
        double low, band, high;
    };
    void set(double cutoff_hz, double resonance);  // resonance 0 (soft) .. ~0.95 (ringing)
    Out process(double x);

private:
    double g_ = 0.0, k_ = 2.0, a1_ = 0.0, a2_ = 0.0, a3_ = 0.0;
    double ic1_ = 0.0, ic2_ = 0.0;
};

// First-order high-pass, to take DC and rumble off noise and drums.
class HighPass {
public:
    explicit HighPass(double cutoff_hz);
    double process(double x);

private:
    double a_, prev_x_ = 0.0, prev_y_ = 0.0;
};

// exp(-t / tau): the decay shape of every struck sound here.
double decay(double t, double tau);

// Linear attack over `attack` seconds, then exponential decay.
double attack_decay(double t, double attack, double tau);

// Adds a room to a one-shot sound: a small Schroeder reverb (parallel damped
// combs into series all-passes) mixed in at `wet`, the sample lengthened by
// `tail` seconds so the room can ring out.
Buffer with_room(const Buffer& dry, double wet, double tail, double size = 0.8);

// Soft saturation that keeps small signals linear.
double saturate(double x, double drive);

// The loudest absolute value.
double peak(const Buffer& b);

// Scales to the given peak (fraction of full scale) and rounds to 16 bits.
std::vector<int16_t> to_pcm16(const Buffer& b, double target_peak = 0.97);

// Makes b[loop_start, end) loop seamlessly by blending the last `fade` values
// of the loop into the values just before loop_start.
void crossfade_loop(Buffer& b, size_t loop_start, size_t fade);

// Relative note and finetune that make a sample whose fundamental is `hz`
// (at kRate) sound at concert pitch when played on its key.
struct Tuning {
    int8_t relative_note;
    int8_t finetune;
};
Tuning tuning_for(double hz);

// Tuning for unpitched sounds: played on C-4 the sample runs at kRate.
Tuning natural_tuning();

// Concert pitch of an XM note number (1 = C-0, 58 = A-4 = 440 Hz).
double note_hz(int xm_note);

}  // namespace datagen::synth
