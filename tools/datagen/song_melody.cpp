// The tunes: the lead's main theme and its echo, and the bell's second theme.
#include <vector>

#include "datagen/song_parts.h"

namespace datagen {
namespace {

struct Tone {
    int row;
    const char* name;
    int length;  // rows until the key off
};

// Main theme over Am F C G; the second version climbs into the next pass.
const std::vector<Tone> kMainA = {{0, "E5", 6},  {6, "D5", 2},  {8, "C5", 4},  {12, "D5", 2}, {14, "E5", 2},
                                  {16, "F5", 6}, {22, "E5", 2}, {24, "C5", 4}, {28, "A4", 4}, {32, "G5", 6},
                                  {38, "E5", 2}, {40, "C5", 4}, {44, "E5", 2}, {46, "G5", 2}, {48, "D5", 8},
                                  {56, "B4", 4}, {60, "D5", 4}};
const std::vector<Tone> kMainB = {{0, "E5", 6},  {6, "D5", 2},  {8, "C5", 4},  {12, "D5", 2}, {14, "E5", 2},
                                  {16, "F5", 6}, {22, "E5", 2}, {24, "C5", 4}, {28, "F5", 4}, {32, "E5", 6},
                                  {38, "C5", 2}, {40, "G4", 4}, {44, "C5", 2}, {46, "E5", 2}, {48, "D5", 4},
                                  {52, "G5", 4}, {56, "B5", 4}, {60, "A5", 4}};
// Second theme: over F G Em Am, then over Dm G C E.
const std::vector<Tone> kSecondA = {{0, "C5", 3},  {3, "A4", 3},  {6, "C5", 2},  {8, "F5", 4},  {12, "E5", 4},
                                    {16, "D5", 3}, {19, "B4", 3}, {22, "D5", 2}, {24, "G5", 4}, {28, "F5", 4},
                                    {32, "E5", 3}, {35, "B4", 3}, {38, "E5", 2}, {40, "G5", 4}, {44, "B5", 4},
                                    {48, "A5", 8}, {56, "G5", 4}, {60, "E5", 4}};
const std::vector<Tone> kSecondB = {{0, "F5", 3},   {3, "D5", 3},  {6, "A4", 2},   {8, "D5", 4},  {12, "F5", 4},
                                    {16, "G5", 3},  {19, "D5", 3}, {22, "B4", 2},  {24, "D5", 4}, {28, "G5", 4},
                                    {32, "E5", 3},  {35, "C5", 3}, {38, "G4", 2},  {40, "C5", 4}, {44, "E5", 4},
                                    {48, "G#5", 6}, {54, "B5", 2}, {56, "G#5", 4}, {60, "E5", 4}};
// The break's bells over F G Em E.
const std::vector<Tone> kBreakBells = {{0, "A5", 8},   {8, "G5", 4},  {12, "F5", 4}, {16, "D5", 8},
                                       {24, "G5", 8},  {32, "E5", 8}, {40, "B5", 4}, {44, "G5", 4},
                                       {48, "G#5", 4}, {52, "B5", 4}, {56, "E6", 8}};

// A tune on one channel, each note closed by a key off unless the next one
// starts right there; `shift` transposes by semitones.
void play(Writer& w, int channel, int role_slot, const std::vector<Tone>& tune, int volume, int delay = 0,
          int shift = 0)
{
    for (size_t i = 0; i < tune.size(); ++i) {
        const int row = tune[i].row + delay;
        if (row >= w.rows()) break;
        const int accent = tune[i].row % 16 == 0 ? 4 : 0;
        w.note(row, channel, role_slot, note_of(tune[i].name) + shift, volume + accent);
        const int end = row + tune[i].length;
        const bool legato = i + 1 < tune.size() && tune[i + 1].row + delay == end;
        if (!legato && end < w.rows()) w.off(end, channel);
    }
}

void lead_with_echo(Writer& w, const std::vector<Tone>& tune, int volume, int shift = 0)
{
    play(w, ch::lead, role::lead, tune, volume, 0, shift);
    // A dotted-eighth echo, quieter, on its own channel panned aside.
    play(w, ch::echo, role::lead, tune, volume * 2 / 5, 3, shift);
}

}  // namespace

void write_melody(const OrderPlan& plan, Writer& w)
{
    const bool second_pass = plan.step % 2 == 1;
    switch (plan.section) {
        case Section::main_theme:
            lead_with_echo(w, second_pass ? kMainB : kMainA, 58);
            break;
        case Section::finale:
            // The last two passes lift the tune an octave, the bell keeping its
            // old register underneath.
            if (plan.step < 2) {
                lead_with_echo(w, second_pass ? kMainB : kMainA, 60);
            } else {
                lead_with_echo(w, second_pass ? kMainB : kMainA, 52, 12);
                play(w, ch::bell, role::bell, second_pass ? kMainB : kMainA, 34);
            }
            break;
        case Section::second_theme:
            if (plan.step < 2) {
                play(w, ch::bell, role::bell, second_pass ? kSecondB : kSecondA, 44);
            } else {
                lead_with_echo(w, second_pass ? kSecondB : kSecondA, 56);
                play(w, ch::bell, role::bell, second_pass ? kSecondB : kSecondA, 22, 0, 12);
            }
            break;
        case Section::breakdown:
            play(w, ch::bell, role::bell, kBreakBells, 44);
            break;
        case Section::ending:
            w.note(0, ch::lead, role::lead, note_of("A4"), 50);
            w.off(24, ch::lead);
            w.note(0, ch::bell, role::bell, note_of("A5"), 40);
            break;
        default:
            break;
    }
}

}  // namespace datagen
