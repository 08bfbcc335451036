#include <cmath>

#include "datagen/voices.h"

namespace datagen {
namespace {

using synth::Buffer;
using synth::kRate;

constexpr double kPi = 3.14159265358979323846;

// Six detuned square waves, the classic analogue-drum recipe for cymbals:
// their clashing overtones, band-passed high, read as metal.
class Metal {
public:
    explicit Metal(double scale)
    {
        const double base[6] = {205.3, 304.4, 369.6, 522.7, 540.0, 800.0};
        for (int i = 0; i < 6; ++i) osc_[i].set_hz(base[i] * scale);
    }
    double next()
    {
        double s = 0.0;
        for (auto& o : osc_) s += o.square();
        return s / 6.0;
    }

private:
    synth::Osc osc_[6];
};

Buffer cymbal(uint64_t seed, double seconds, double tau, double metal_mix, double hp_hz)
{
    Rng rng(seed);
    Metal metal(1.6);
    synth::Svf band;
    band.set(9000.0, 0.3);
    synth::HighPass hp1(hp_hz), hp2(hp_hz);
    Buffer b(synth::frames(seconds));
    for (size_t i = 0; i < b.size(); ++i) {
        const double t = i / kRate;
        const double raw = metal_mix * metal.next() + (1.0 - metal_mix) * rng.bipolar();
        const double x = hp2.process(hp1.process(band.process(raw).band * 0.6 + raw * 0.4));
        b[i] = x * synth::attack_decay(t, 0.0015, tau);
    }
    return b;
}

}  // namespace

Voice make_kick()
{
    Voice v{"kick", Buffer(synth::frames(0.6))};
    Rng rng(101);
    synth::Svf click;
    click.set(3500.0, 0.1);
    double phase = 0.0;
    for (size_t i = 0; i < v.audio.size(); ++i) {
        const double t = i / kRate;
        // A fast pitch drop gives the punch, the slow tail the body.
        const double hz = 46.0 + 120.0 * std::exp(-t / 0.028) + 30.0 * std::exp(-t / 0.12);
        phase += hz / kRate;
        const double body = std::sin(2.0 * kPi * phase) * synth::attack_decay(t, 0.001, 0.2);
        const double tick = click.process(rng.bipolar()).low * synth::decay(t, 0.004);
        v.audio[i] = synth::saturate(body * 1.1 + tick * 0.8, 1.6);
    }
    // Fade the last few milliseconds so the sample ends at zero.
    const size_t n = v.audio.size(), fade = synth::frames(0.02);
    for (size_t i = 0; i < fade; ++i) v.audio[n - fade + i] *= 1.0 - static_cast<double>(i) / fade;
    return v;
}

Voice make_snare()
{
    Voice v{"snare", Buffer(synth::frames(0.4))};
    Rng rng(202);
    synth::Svf band;
    band.set(4200.0, 0.2);
    synth::HighPass hp(900.0);
    double phase1 = 0.0, phase2 = 0.0;
    for (size_t i = 0; i < v.audio.size(); ++i) {
        const double t = i / kRate;
        const double drop = 1.0 + 0.5 * std::exp(-t / 0.01);
        phase1 += 185.0 * drop / kRate;
        phase2 += 330.0 * drop / kRate;
        const double tone = (std::sin(2 * kPi * phase1) + 0.6 * std::sin(2 * kPi * phase2)) * synth::decay(t, 0.055);
        const double n = rng.bipolar();
        const double noise = hp.process(band.process(n).band * 1.5 + n * 0.5) * synth::attack_decay(t, 0.001, 0.13);
        v.audio[i] = synth::saturate(0.55 * tone + 0.9 * noise, 1.3);
    }
    v.audio = synth::with_room(v.audio, 0.3, 0.5, 0.6);
    return v;
}

Voice make_tom()
{
    Voice v{"tom", Buffer(synth::frames(0.6))};
    Rng rng(303);
    synth::Svf soft;
    soft.set(1500.0, 0.1);
    double phase = 0.0;
    for (size_t i = 0; i < v.audio.size(); ++i) {
        const double t = i / kRate;
        phase += (110.0 + 70.0 * std::exp(-t / 0.05)) / kRate;
        const double body = std::sin(2 * kPi * phase) * synth::attack_decay(t, 0.001, 0.22);
        const double skin = soft.process(rng.bipolar()).low * synth::decay(t, 0.02);
        v.audio[i] = synth::saturate(body + 0.4 * skin, 1.2);
    }
    return v;
}

Voice make_clap()
{
    Voice v{"clap", Buffer(synth::frames(0.45))};
    Rng rng(404);
    synth::Svf band;
    band.set(1300.0, 0.45);
    synth::HighPass hp(500.0);
    for (size_t i = 0; i < v.audio.size(); ++i) {
        const double t = i / kRate;
        // Several hands a few milliseconds apart, then the room.
        double env = 0.0;
        for (double start : {0.0, 0.011, 0.022, 0.031})
            env = std::max(env, synth::attack_decay(t - start, 0.0008, 0.0045));
        env = std::max(env, 0.75 * synth::attack_decay(t - 0.031, 0.001, 0.11));
        v.audio[i] = hp.process(band.process(rng.bipolar()).band) * env;
    }
    v.audio = synth::with_room(v.audio, 0.4, 0.6, 0.7);
    return v;
}

Voice make_crash()
{
    Voice v{"crash", cymbal(505, 2.4, 0.75, 0.45, 3500.0)};
    return v;
}

Voice make_closed_hat() { return Voice{"closed hat", cymbal(1212, 0.16, 0.028, 0.6, 7000.0)}; }

Voice make_open_hat() { return Voice{"open hat", cymbal(1414, 0.8, 0.22, 0.6, 6500.0)}; }

Voice make_rim()
{
    Voice v{"rim", Buffer(synth::frames(0.12))};
    Rng rng(1313);
    synth::Svf band;
    band.set(3000.0, 0.6);
    double p1 = 0.0, p2 = 0.0;
    for (size_t i = 0; i < v.audio.size(); ++i) {
        const double t = i / kRate;
        p1 += 1720.0 / kRate;
        p2 += 480.0 / kRate;
        const double ring =
            std::sin(2 * kPi * p1) * synth::decay(t, 0.010) + 0.8 * std::sin(2 * kPi * p2) * synth::decay(t, 0.018);
        const double snap = band.process(rng.bipolar()).band * synth::decay(t, 0.004);
        v.audio[i] = synth::saturate(ring + 1.2 * snap, 1.5);
    }
    v.audio = synth::with_room(v.audio, 0.3, 0.3, 0.4);
    return v;
}

Voice make_sweep()
{
    // A noise riser: a resonant band-pass climbing from 200 Hz to 10 kHz over one bar.
    const double seconds = 1.92;
    Voice v{"riser", Buffer(synth::frames(seconds))};
    Rng rng(1010);
    synth::Svf band;
    for (size_t i = 0; i < v.audio.size(); ++i) {
        const double t = i / kRate;
        const double x = t / seconds;
        band.set(200.0 * std::pow(50.0, x), 0.75);
        const double out_fade = x > 0.97 ? (1.0 - x) / 0.03 : 1.0;
        v.audio[i] = band.process(rng.bipolar()).band * (0.15 + 0.85 * x * x) * out_fade;
    }
    return v;
}

}  // namespace datagen
