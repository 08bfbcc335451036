#include "datagen/instruments.h"

#include <stdexcept>

#include "core/base/demo_data.h"
#include "datagen/voices.h"

namespace datagen {
namespace {

struct Shape {
    uint8_t level;                            // 0..64: the instrument's place in the mix
    std::vector<xm::EnvelopePoint> envelope;  // empty: none (one-shots play out)
    int sustain_point = -1;
    uint16_t fadeout = 0;  // release speed after key off
    uint8_t vibrato_depth = 0;
    uint8_t panning = 128;  // where every note of it starts, 128 = centre
};

xm::Instrument build(const Voice& v, const Shape& shape)
{
    xm::Instrument ins;
    ins.name = v.name;
    xm::Sample s;
    s.name = v.name;
    // The level is baked into the sample data: pattern cells set their own
    // volume, which replaces the sample's default volume rather than scaling it.
    s.data = synth::to_pcm16(v.audio, 0.97 * shape.level / 64.0);
    if (v.looped) {
        s.loop = xm::LoopType::forward;
        s.loop_start = static_cast<uint32_t>(v.loop_start);
        s.loop_length = static_cast<uint32_t>(v.audio.size() - v.loop_start);
    }
    const synth::Tuning t = v.base_hz > 0.0 ? synth::tuning_for(v.base_hz) : synth::natural_tuning();
    s.relative_note = t.relative_note;
    s.finetune = t.finetune;
    ins.samples.push_back(std::move(s));
    ins.samples.back().panning = shape.panning;
    if (!shape.envelope.empty()) {
        ins.volume_envelope.enabled = true;
        ins.volume_envelope.points = shape.envelope;
        if (shape.sustain_point >= 0) {
            ins.volume_envelope.sustain = true;
            ins.volume_envelope.sustain_point = shape.sustain_point;
        }
    }
    ins.fadeout = shape.fadeout;
    if (shape.vibrato_depth) {
        // A slow-starting sine vibrato for held notes.
        ins.vibrato_type = 0;
        ins.vibrato_sweep = 40;
        ins.vibrato_depth = shape.vibrato_depth;
        ins.vibrato_rate = 12;
    }
    return ins;
}

}  // namespace

std::vector<xm::Instrument> make_instruments()
{
    std::vector<xm::Instrument> out(role::count);
    out[role::bass] = build(make_bass(), {64, {{0, 64}, {6, 52}, {30, 44}}, 2, 0x900});
    out[role::kick] = build(make_kick(), {64, {}});
    out[role::snare] = build(make_snare(), {64, {}});
    out[role::tom] = build(make_tom(), {64, {}});
    out[role::clap] = build(make_clap(), {64, {}});
    out[role::crash] = build(make_crash(), {64, {}});
    out[role::pad] = build(make_pad(), {64, {{0, 0}, {24, 64}, {60, 54}}, 2, 0x180});
    out[role::keys] = build(make_keys(), {64, {}});
    out[role::lead] = build(make_lead(), {64, {{0, 0}, {1, 64}, {10, 52}}, 2, 0x500, 4});
    out[role::arp] = build(make_arp(), {64, {}});
    out[role::sweep] = build(make_sweep(), {64, {}});
    out[role::bell] = build(make_bell(), {64, {}});
    out[role::closed_hat] = build(make_closed_hat(), {64, {}, -1, 0, 0, 168});
    out[role::rim] = build(make_rim(), {64, {}});
    out[role::open_hat] = build(make_open_hat(), {64, {}, -1, 0, 0, 168});
    out[role::acid] = build(make_acid(), {64, {}});
    out[role::pluck] = build(make_pluck(), {64, {}});
    out[role::stab] = build(make_stab(), {64, {}});
    for (size_t i = 0; i < out.size(); ++i)
        if (out[i].samples.empty()) throw std::logic_error("instrument slot without a sound");
    return out;
}

}  // namespace datagen
