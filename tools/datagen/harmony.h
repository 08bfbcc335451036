// Pitch helpers for the composition: note names, chords, and where each
// chord's notes sit for the bass, the pads and the arpeggios.
#pragma once

#include <array>
#include <string_view>
#include <vector>

namespace datagen {

// XM note number of a name such as "A4", "C#5" or "Bb3" (A4 = 440 Hz = 58).
int note_of(std::string_view name);

struct Chord {
    int root;  // pitch class, C = 0
    bool minor;
    // Pitch classes root, third, fifth.
    std::array<int, 3> tones() const { return {root, (root + (minor ? 3 : 4)) % 12, (root + 7) % 12}; }
};

// Named chords of the piece (it is in A minor).
namespace chord {
constexpr Chord Am{9, true}, C{0, false}, Dm{2, true}, E{4, false}, Em{4, true}, F{5, false}, G{7, false};
}

// The chord's root in the bass register, E1 to D#2.
int bass_note(const Chord& c);

// Three pad notes, one per chord tone, each placed in the octave from G3 up
// so that moving between chords moves every voice only a little.
std::array<int, 3> pad_voicing(const Chord& c);

// Chord tones upward from a note: `count` notes starting at the first chord
// tone at or above `from`.
std::vector<int> chord_run(const Chord& c, int from, int count);

}  // namespace datagen
