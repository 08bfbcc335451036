// Pads, keys, bass lines, arpeggios, plucks and stabs: everything that
// follows the chord of the bar.
#include <algorithm>

#include "datagen/song_parts.h"

namespace datagen {
namespace {

bool pumps(Section s)
{
    return s == Section::build || s == Section::main_theme || s == Section::second_theme || s == Section::finale;
}

// Ducks a sustained channel on every kick and lets it swell back over the
// next two rows, the "side-chained" pulse of dance music.
void pump(Writer& w, int channel, int volume)
{
    const int low = volume * 2 / 5;
    const int step = std::clamp((volume - low + 9) / 10, 1, 15);
    for (int r = 0; r < w.rows(); r += 4) {
        w.volume_column(r, channel, xm::volume(low));
        if (r + 1 < w.rows()) w.volume_column(r + 1, channel, static_cast<uint8_t>(0x70 + step));
        if (r + 2 < w.rows()) w.volume_column(r + 2, channel, static_cast<uint8_t>(0x70 + step));
    }
}

void pads(const OrderPlan& plan, Writer& w)
{
    const Section s = plan.section;
    int volume = 48;
    if (s == Section::intro) volume = 34 + plan.step * 5;
    if (s == Section::breakdown) volume = 52;
    if (s == Section::second_theme) volume = 44;
    if (s == Section::ending) {
        const auto v = pad_voicing(plan.bars[0]);
        for (int i = 0; i < 3; ++i) {
            w.note(0, ch::pad + i, role::pad, v[i], 40);
            w.off(20, ch::pad + i);
        }
        return;
    }
    for (int bar = 0; bar < 4; ++bar) {
        const auto v = pad_voicing(plan.bars[bar]);
        // The pad is struck once per section and then only changes pitch, so it
        // swells in and holds; pumped pads start ducked like every other beat.
        const int level = pumps(s) ? volume * 2 / 5 : volume;
        for (int i = 0; i < 3; ++i) {
            if (bar == 0 && plan.step == 0)
                w.note(0, ch::pad + i, role::pad, v[i], level);
            else
                w.glide(bar * kRowsPerBar, ch::pad + i, v[i], level);
        }
    }
    if (pumps(s))
        for (int i = 0; i < 3; ++i) pump(w, ch::pad + i, volume);
}

void keys(const OrderPlan& plan, Writer& w)
{
    const Section s = plan.section;
    if (s != Section::second_theme && s != Section::breakdown && s != Section::ending) return;
    if (s == Section::ending) {
        const auto v = pad_voicing(plan.bars[0]);
        for (int i = 0; i < 3; ++i) w.note(0, ch::keys + i, role::keys, v[i] + 12, 34);
        return;
    }
    // Syncopated comping in the second theme, two soft chords a bar in the break.
    const int second_rows[4] = {0, 3, 6, 10};
    const int break_rows[2] = {0, 8};
    for (int bar = 0; bar < 4; ++bar) {
        const auto v = pad_voicing(plan.bars[bar]);
        const int* rows = s == Section::second_theme ? second_rows : break_rows;
        const int n = s == Section::second_theme ? 4 : 2;
        for (int k = 0; k < n; ++k)
            for (int i = 0; i < 3; ++i)
                w.note(bar * kRowsPerBar + rows[k], ch::keys + i, role::keys, v[i] + 12, k == 0 ? 40 : 30);
    }
}

void bass(const OrderPlan& plan, Writer& w)
{
    const Section s = plan.section;
    if (s == Section::ending) {
        w.note(0, ch::bass, role::bass, bass_note(plan.bars[0]), 48);
        w.off(24, ch::bass);
        return;
    }
    for (int r = 0; r < w.rows(); ++r) {
        const Chord& c = plan.bars[r / kRowsPerBar];
        const int root = bass_note(c);
        const int q = r % 4, in_bar = r % kRowsPerBar;
        switch (s) {
            case Section::intro:
                if (plan.step >= 2 && in_bar == 0) w.note(r, ch::bass, role::bass, root, 36 + plan.step * 4);
                if (plan.step >= 2 && in_bar == 14) w.off(r, ch::bass);
                break;
            case Section::build:
                if (q == 2) w.note(r, ch::bass, role::bass, root, 50);
                if (q == 3 && plan.step == 2) w.note(r, ch::bass, role::bass, root + 12, 36);
                if (q == 0) w.off(r, ch::bass);
                break;
            case Section::main_theme:
            case Section::finale: {
                // The rolling bass: three sixteenths between the kicks.
                static const int shape[4] = {0, 0, 12, 0};
                static const int level[4] = {0, 40, 54, 46};
                if (q == 0)
                    w.off(r, ch::bass);
                else
                    w.note(r, ch::bass, role::bass, root + shape[q], level[q]);
                break;
            }
            case Section::second_theme: {
                // Acid line: -1 rests, otherwise semitones above the root.
                static const int line[16] = {0, -1, 12, 0, -1, 0, 12, -1, 0, 7, -1, 12, 0, -1, 12, 7};
                if (line[in_bar] >= 0)
                    w.note(r, ch::bass, role::acid, root + line[in_bar], line[in_bar] == 12 ? 54 : 42);
                break;
            }
            default:
                break;
        }
    }
}

void arp(const OrderPlan& plan, Writer& w)
{
    const Section s = plan.section;
    const bool on = (s == Section::build && plan.step == 2) || s == Section::main_theme || s == Section::finale ||
                    (s == Section::second_theme && plan.step >= 2);
    if (!on) return;
    static const int order[16] = {0, 2, 1, 3, 2, 4, 3, 5, 0, 2, 1, 3, 2, 4, 3, 5};
    for (int r = 0; r < w.rows(); ++r) {
        const auto run = chord_run(plan.bars[r / kRowsPerBar], note_of("E4"), 6);
        w.note(r, ch::arp, role::arp, run[static_cast<size_t>(order[r % 16])], r % 4 == 0 ? 34 : r % 2 ? 20 : 26);
    }
}

void plucks(const OrderPlan& plan, Writer& w)
{
    const Section s = plan.section;
    int every = 0;
    if (s == Section::intro) every = 2;
    if (s == Section::breakdown || s == Section::second_theme) every = 4;
    if (s == Section::build) every = 2;
    if (!every) return;
    static const int order[8] = {0, 2, 3, 4, 5, 4, 3, 1};
    static const int level[8] = {42, 26, 32, 26, 38, 26, 32, 24};
    for (int r = s == Section::second_theme ? 2 : 0; r < w.rows(); r += every) {
        const auto run = chord_run(plan.bars[r / kRowsPerBar], note_of("G3"), 6);
        const int k = (r / 2) % 8;
        w.note(r, ch::pluck, role::pluck, run[static_cast<size_t>(order[k])], level[k] - (s == Section::build ? 8 : 0));
    }
}

void stabs(const OrderPlan& plan, Writer& w)
{
    const Section s = plan.section;
    if (s == Section::intro) return;
    if (s == Section::ending) {
        w.note(0, ch::stab, role::stab, note_of("A4"), 44);
        return;
    }
    // The stabs stay in the first 28 rows of each pattern: they answer the
    // downbeat, and the second half belongs to the lead.
    std::vector<int> rows;
    if (s == Section::build) rows = {2, 10, 18, 26};
    if (s == Section::breakdown) rows = {0, 8, 16, 24};
    if (s == Section::main_theme || s == Section::finale) rows = {2, 6, 10, 14, 18, 22, 26};
    if (s == Section::second_theme) rows = {3, 6, 11, 14, 19, 22, 27};
    int k = 0;
    for (int r : rows) {
        const auto run = chord_run(plan.bars[r / kRowsPerBar], note_of("A4"), 3);
        const int volume = s == Section::breakdown ? 34 : (k % 2 ? 46 : 60);
        w.note(r, ch::stab, role::stab, run[static_cast<size_t>(k % 2 ? 2 : 0)], volume);
        ++k;
    }
}

}  // namespace

void write_harmony(const OrderPlan& plan, Writer& w)
{
    pads(plan, w);
    keys(plan, w);
    bass(plan, w);
    arp(plan, w);
    plucks(plan, w);
    stabs(plan, w);
}

}  // namespace datagen
