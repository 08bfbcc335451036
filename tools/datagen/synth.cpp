#include "datagen/synth.h"

#include <algorithm>
#include <cmath>

namespace datagen::synth {
namespace {

constexpr double kPi = 3.14159265358979323846;

// PolyBLEP residual: smooths the step of a discontinuity one sample either side.
double blep(double t, double dt)
{
    if (t < dt) {
        t /= dt;
        return t + t - t * t - 1.0;
    }
    if (t > 1.0 - dt) {
        t = (t - 1.0) / dt;
        return t * t + t + t + 1.0;
    }
    return 0.0;
}

}  // namespace

void Osc::advance()
{
    phase_ += inc_;
    phase_ -= std::floor(phase_);
}

double Osc::sine()
{
    const double v = std::sin(2.0 * kPi * phase_);
    advance();
    return v;
}

double Osc::saw()
{
    double v = 2.0 * phase_ - 1.0;
    v -= blep(phase_, inc_);
    advance();
    return v;
}

double Osc::square(double width)
{
    double v = phase_ < width ? 1.0 : -1.0;
    v += blep(phase_, inc_);
    double shifted = phase_ + (1.0 - width);
    shifted -= std::floor(shifted);
    v -= blep(shifted, inc_);
    advance();
    return v;
}

double Osc::triangle()
{
    const double v = phase_ < 0.5 ? 4.0 * phase_ - 1.0 : 3.0 - 4.0 * phase_;
    advance();
    return v;
}

void Svf::set(double cutoff_hz, double resonance)
{
    const double fc = std::clamp(cutoff_hz, 10.0, kRate * 0.45);
    g_ = std::tan(kPi * fc / kRate);
    k_ = 2.0 - 2.0 * std::clamp(resonance, 0.0, 0.98);
    a1_ = 1.0 / (1.0 + g_ * (g_ + k_));
    a2_ = g_ * a1_;
    a3_ = g_ * a2_;
}

Svf::Out Svf::process(double x)
{
    const double v3 = x - ic2_;
    const double v1 = a1_ * ic1_ + a2_ * v3;
    const double v2 = ic2_ + a2_ * ic1_ + a3_ * v3;
    ic1_ = 2.0 * v1 - ic1_;
    ic2_ = 2.0 * v2 - ic2_;
    return {v2, v1, x - k_ * v1 - v2};
}

HighPass::HighPass(double cutoff_hz) : a_(1.0 / (1.0 + 2.0 * kPi * cutoff_hz / kRate)) {}

double HighPass::process(double x)
{
    prev_y_ = a_ * (prev_y_ + x - prev_x_);
    prev_x_ = x;
    return prev_y_;
}

double decay(double t, double tau) { return t < 0.0 ? 0.0 : std::exp(-t / tau); }

double attack_decay(double t, double attack, double tau)
{
    if (t < 0.0) return 0.0;
    if (t < attack) return t / attack;
    return std::exp(-(t - attack) / tau);
}

Buffer with_room(const Buffer& dry, double wet, double tail, double size)
{
    // Delay lengths (at 44.1 kHz) from the classic Freeverb tuning: mutually
    // prime, so the echoes never line up into a pitch.
    static constexpr size_t kCombs[4] = {1116, 1277, 1422, 1557};
    static constexpr size_t kAllpasses[2] = {556, 341};
    const double feedback = 0.7 + 0.28 * std::clamp(size, 0.0, 1.0);
    const double damp = 0.35;
    Buffer out(dry.size() + frames(tail), 0.0);
    std::vector<std::vector<double>> comb(4), allpass(2);
    for (int i = 0; i < 4; ++i) comb[i].assign(kCombs[i], 0.0);
    for (int i = 0; i < 2; ++i) allpass[i].assign(kAllpasses[i], 0.0);
    double lowpass[4] = {0, 0, 0, 0};
    size_t cpos[4] = {0, 0, 0, 0}, apos[2] = {0, 0};
    for (size_t n = 0; n < out.size(); ++n) {
        const double x = n < dry.size() ? dry[n] : 0.0;
        double sum = 0.0;
        for (int i = 0; i < 4; ++i) {
            const double y = comb[i][cpos[i]];
            lowpass[i] = y * (1.0 - damp) + lowpass[i] * damp;
            comb[i][cpos[i]] = x * 0.25 + lowpass[i] * feedback;
            cpos[i] = (cpos[i] + 1) % kCombs[i];
            sum += y;
        }
        for (int i = 0; i < 2; ++i) {
            const double buffered = allpass[i][apos[i]];
            allpass[i][apos[i]] = sum + buffered * 0.5;
            sum = buffered - sum;
            apos[i] = (apos[i] + 1) % kAllpasses[i];
        }
        out[n] = x + wet * sum;
    }
    // Let the tail reach silence rather than stop on a step.
    const size_t fade = std::min(out.size(), frames(0.08));
    for (size_t i = 0; i < fade; ++i) out[out.size() - fade + i] *= 1.0 - static_cast<double>(i) / (fade - 1);
    return out;
}

double saturate(double x, double drive) { return std::tanh(x * drive) / std::tanh(drive); }

double peak(const Buffer& b)
{
    double p = 0.0;
    for (double v : b) p = std::max(p, std::fabs(v));
    return p;
}

std::vector<int16_t> to_pcm16(const Buffer& b, double target_peak)
{
    const double p = peak(b);
    const double scale = p > 0.0 ? target_peak * 32767.0 / p : 0.0;
    std::vector<int16_t> out(b.size());
    for (size_t i = 0; i < b.size(); ++i)
        out[i] = static_cast<int16_t>(std::lround(std::clamp(b[i] * scale, -32768.0, 32767.0)));
    return out;
}

void crossfade_loop(Buffer& b, size_t loop_start, size_t fade)
{
    fade = std::min({fade, loop_start, b.size() - loop_start});
    const size_t end = b.size();
    // The values before loop_start are what the player hears just before it
    // jumps back; blending the loop's tail into them hides the seam.
    for (size_t i = 0; i < fade; ++i) {
        const double w = static_cast<double>(i) / static_cast<double>(fade);
        const size_t head = loop_start - fade + i;
        const size_t tail = end - fade + i;
        b[tail] = b[tail] * (1.0 - w) + b[head] * w;
    }
}

Tuning tuning_for(double hz)
{
    // Played on A-4 (note 58), a sample runs at 8363 * 2^((9 + t) / 12) Hz; we
    // want that rate to turn `hz` into 440 Hz.
    const double t = 12.0 * std::log2(440.0 * kRate / (hz * 8363.0)) - 9.0;
    int rel = static_cast<int>(std::lround(t));
    int fine = static_cast<int>(std::lround((t - rel) * 128.0));
    if (fine > 127) {
        fine -= 128;
        ++rel;
    }
    return {static_cast<int8_t>(rel), static_cast<int8_t>(fine)};
}

Tuning natural_tuning()
{
    // 8363 Hz * 2^(t / 12) = kRate on C-4.
    const double t = 12.0 * std::log2(kRate / 8363.0);
    const int rel = static_cast<int>(std::lround(t));
    return {static_cast<int8_t>(rel), static_cast<int8_t>(std::lround((t - rel) * 128.0))};
}

double note_hz(int xm_note) { return 440.0 * std::pow(2.0, (xm_note - 58) / 12.0); }

}  // namespace datagen::synth
