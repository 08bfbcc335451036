#include <cmath>

#include "datagen/voices.h"

namespace datagen {
namespace {

using synth::Buffer;
using synth::kRate;

constexpr double kPi = 3.14159265358979323846;

// Sustained sounds loop over `loop_seconds` at the end of the sample. Every
// oscillator runs at a whole number of cycles per loop and the filters have
// settled by then, so the loop is seamless; a short crossfade covers the rest.
Voice looped(std::string name, Buffer audio, double base_hz, double loop_seconds)
{
    Voice v{std::move(name), std::move(audio), base_hz, true, 0};
    v.loop_start = v.audio.size() - synth::frames(loop_seconds);
    synth::crossfade_loop(v.audio, v.loop_start, 256);
    return v;
}

void fade_tail(Buffer& b, double seconds)
{
    const size_t fade = std::min(b.size(), synth::frames(seconds));
    for (size_t i = 0; i < fade; ++i) b[b.size() - fade + i] *= 1.0 - static_cast<double>(i) / fade;
}

}  // namespace

Voice make_bass()
{
    // Two saws half a hertz apart plus a sine sub, under a low-pass that closes
    // after the attack: a round, slightly moving bass. Loop: 2 s (55 and 55.5 Hz
    // both fit whole cycles).
    Buffer b(synth::frames(2.5));
    synth::Osc saw1(55.0), saw2(55.5, 0.3), sub(55.0);
    synth::Svf lp;
    for (size_t i = 0; i < b.size(); ++i) {
        const double t = i / kRate;
        const double open = t < 0.35 ? std::pow(1.0 - t / 0.35, 3.0) : 0.0;
        lp.set(420.0 + 2600.0 * open, 0.35);
        const double raw = 0.5 * saw1.saw() + 0.5 * saw2.saw();
        b[i] = synth::saturate(lp.process(raw).low + 0.7 * sub.sine(), 1.4);
    }
    // The saturated saws sit slightly off centre; a constant shift keeps the loop intact.
    double mean = 0.0;
    for (double v : b) mean += v;
    mean /= static_cast<double>(b.size());
    for (double& v : b) v -= mean;
    return looped("bass", std::move(b), 55.0, 2.0);
}

Voice make_pad()
{
    // Seven saws spread over 3 Hz around A3, gently filtered: a wide string pad.
    Buffer b(synth::frames(2.3));
    std::vector<synth::Osc> saws;
    Rng rng(606);
    for (int k = -3; k <= 3; ++k) saws.emplace_back(220.0 + 0.5 * k, rng.uniform());
    synth::Svf lp1, lp2;
    lp1.set(2200.0, 0.15);
    lp2.set(3200.0, 0.0);
    for (size_t i = 0; i < b.size(); ++i) {
        double s = 0.0;
        for (auto& o : saws) s += o.saw();
        b[i] = lp2.process(lp1.process(s / 7.0).low).low;
    }
    return looped("pad", std::move(b), 220.0, 2.0);
}

Voice make_keys()
{
    // Two-operator FM electric piano: a bright knock that mellows as it decays.
    const double hz = synth::note_hz(49);  // C-4
    Buffer b(synth::frames(1.6));
    double pc = 0.0, pm = 0.0, pt = 0.0;
    for (size_t i = 0; i < b.size(); ++i) {
        const double t = i / kRate;
        pc += hz / kRate;
        pm += hz / kRate;
        pt += 14.0 * hz / kRate;
        const double index = 0.3 + 1.8 * synth::decay(t, 0.25);
        const double tone = std::sin(2 * kPi * pc + index * std::sin(2 * kPi * pm));
        const double tine = 0.15 * std::sin(2 * kPi * pt) * synth::decay(t, 0.03);
        b[i] = (tone + tine) * synth::attack_decay(t, 0.002, 0.6);
    }
    fade_tail(b, 0.1);
    return Voice{"keys", synth::with_room(b, 0.2, 0.5), hz};
}

Voice make_lead()
{
    // Two saws 1 Hz apart and a square an octave down, moderately filtered. Loop: 1 s.
    Buffer b(synth::frames(1.3));
    synth::Osc saw1(440.0), saw2(441.0, 0.5), sq(220.0);
    synth::Svf lp;
    lp.set(4200.0, 0.25);
    for (size_t i = 0; i < b.size(); ++i) {
        const double raw = 0.45 * saw1.saw() + 0.45 * saw2.saw() + 0.3 * sq.square(0.5);
        b[i] = lp.process(raw).low;
    }
    return looped("lead", std::move(b), 440.0, 1.0);
}

Voice make_arp()
{
    // Narrow pulse through a closing filter: short and glassy.
    Buffer b(synth::frames(0.45));
    synth::Osc osc(440.0);
    synth::Svf lp;
    for (size_t i = 0; i < b.size(); ++i) {
        const double t = i / kRate;
        lp.set(1200.0 + 6000.0 * synth::decay(t, 0.06), 0.4);
        // +0.4 takes out the DC of a 30% pulse.
        b[i] = lp.process(osc.square(0.3) + 0.4).low * synth::attack_decay(t, 0.002, 0.12);
    }
    fade_tail(b, 0.05);
    return Voice{"arp", std::move(b), 440.0};
}

Voice make_bell()
{
    // FM with an inharmonic 3.5 ratio: a struck metal bar.
    const double hz = synth::note_hz(61);  // C-5
    Buffer b(synth::frames(2.2));
    double pc = 0.0, pm = 0.0;
    for (size_t i = 0; i < b.size(); ++i) {
        const double t = i / kRate;
        pc += hz / kRate;
        pm += 3.5 * hz / kRate;
        const double index = 2.2 * synth::decay(t, 0.35);
        b[i] = std::sin(2 * kPi * pc + index * std::sin(2 * kPi * pm)) * synth::attack_decay(t, 0.001, 0.7);
    }
    fade_tail(b, 0.2);
    return Voice{"bell", std::move(b), hz};
}

Voice make_acid()
{
    // A saw through a resonant low-pass snapping shut: the squelchy bass.
    Buffer b(synth::frames(0.42));
    synth::Osc saw(55.0);
    synth::Svf lp;
    synth::HighPass dc(20.0);  // saturation leaves a little DC
    for (size_t i = 0; i < b.size(); ++i) {
        const double t = i / kRate;
        lp.set(260.0 + 2400.0 * synth::decay(t, 0.07), 0.85);
        b[i] = dc.process(synth::saturate(lp.process(saw.saw()).low, 2.0)) * synth::attack_decay(t, 0.002, 0.2);
    }
    fade_tail(b, 0.04);
    return Voice{"acid", std::move(b), 55.0};
}

Voice make_pluck()
{
    // Karplus-Strong string: a burst of filtered noise circulating in a
    // 200-sample delay line (220.5 Hz), losing its highs on every pass.
    const size_t period = 200;
    Buffer b(synth::frames(1.2));
    Rng rng(1616);
    std::vector<double> line(period);
    synth::Svf lp;
    lp.set(5000.0, 0.0);
    for (auto& s : line) s = lp.process(rng.bipolar()).low;
    size_t pos = 0;
    double prev = 0.0;
    for (size_t i = 0; i < b.size(); ++i) {
        const double out = line[pos];
        line[pos] = 0.996 * 0.5 * (out + prev);
        prev = out;
        pos = (pos + 1) % period;
        b[i] = out;
    }
    fade_tail(b, 0.15);
    return Voice{"pluck", synth::with_room(b, 0.3, 0.5), kRate / period};
}

Voice make_stab()
{
    // Five detuned saws with a snapping filter: the short supersaw stab.
    Buffer b(synth::frames(0.5));
    std::vector<synth::Osc> saws;
    for (double detune : {-0.012, -0.005, 0.0, 0.006, 0.011})
        saws.emplace_back(440.0 * (1.0 + detune), 0.2 + detune * 30);
    synth::Svf lp;
    for (size_t i = 0; i < b.size(); ++i) {
        const double t = i / kRate;
        lp.set(900.0 + 7000.0 * synth::decay(t, 0.06), 0.3);
        double s = 0.0;
        for (auto& o : saws) s += o.saw();
        b[i] = lp.process(s / 5.0).low * synth::attack_decay(t, 0.002, 0.14);
    }
    fade_tail(b, 0.05);
    return Voice{"stab", synth::with_room(b, 0.3, 0.4), 440.0};
}

}  // namespace datagen
