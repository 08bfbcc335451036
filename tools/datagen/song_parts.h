// What the song's part writers share: the channel layout, the plan of each
// order (its section and chords) and a small helper that writes cells.
#pragma once

#include <array>

#include "core/base/demo_data.h"
#include "datagen/harmony.h"
#include "xm/xm_writer.h"

namespace datagen {

namespace ch {
constexpr int kick = 0, snare = 1, hats = 2, clap = 3, crash = 4, riser = 5, bass = 6;
constexpr int pad = 7;    // 7, 8, 9
constexpr int keys = 10;  // 10, 11, 12
constexpr int lead = 13, echo = 14, arp = 15, pluck = 16, stab = 17, bell = 18, toms = 19;
constexpr int count = 20;
}  // namespace ch

enum class Section { intro, build, breakdown, main_theme, second_theme, finale, ending };

struct OrderPlan {
    int order = 0;
    Section section = Section::intro;
    int step = 0;  // index of this order within its section
    bool last_of_section = false;
    std::array<Chord, 4> bars{};  // one chord per 16-row bar
};

constexpr int kRowsPerBar = 16;

class Writer {
public:
    explicit Writer(xm::Pattern& p) : p_(p) {}
    int rows() const { return p_.rows; }
    bool has_note(int row, int channel) const { return p_.at(row, channel).note != 0; }

    // A note of a role's instrument; volume 0..64, or -1 for the sample's own.
    void note(int row, int channel, int role, int note, int volume = -1)
    {
        xm::Cell& c = p_.at(row, channel);
        c.note = static_cast<uint8_t>(note);
        c.instrument = static_cast<uint8_t>(role + 1);
        c.volume = volume < 0 ? 0 : xm::volume(volume);
    }
    // Moves a sounding note to a new pitch at once (tone portamento at full
    // speed, no instrument): no new attack, so held chords change smoothly.
    void glide(int row, int channel, int note, int volume = -1)
    {
        xm::Cell& c = p_.at(row, channel);
        c.note = static_cast<uint8_t>(note);
        c.instrument = 0;
        c.volume = volume < 0 ? 0 : xm::volume(volume);
        c.effect = xm::fx::tone_porta;
        c.param = 0xFF;
    }
    // Unpitched sounds play at their own rate on C-4; other keys shift them.
    void hit(int row, int channel, int role, int volume = -1, int note = 49)
    {
        this->note(row, channel, role, note, volume);
    }
    void off(int row, int channel)
    {
        xm::Cell& c = p_.at(row, channel);
        if (!c.note) c.note = xm::key_off;
    }
    void volume_column(int row, int channel, uint8_t byte)
    {
        xm::Cell& c = p_.at(row, channel);
        if (!c.volume) c.volume = byte;
    }
    void effect(int row, int channel, uint8_t fx, uint8_t param)
    {
        xm::Cell& c = p_.at(row, channel);
        c.effect = fx;
        c.param = param;
    }

private:
    xm::Pattern& p_;
};

// Part writers, one per instrument family.
void write_drums(const OrderPlan& plan, Writer& w);
void write_harmony(const OrderPlan& plan, Writer& w);
void write_melody(const OrderPlan& plan, Writer& w);

}  // namespace datagen
