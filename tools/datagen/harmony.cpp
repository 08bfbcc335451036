#include "datagen/harmony.h"

#include <algorithm>
#include <stdexcept>
#include <string>

namespace datagen {

int note_of(std::string_view name)
{
    static constexpr int letters[7] = {9, 11, 0, 2, 4, 5, 7};  // A B C D E F G
    if (name.size() < 2 || name[0] < 'A' || name[0] > 'G') throw std::invalid_argument("bad note name");
    int pc = letters[name[0] - 'A'];
    size_t i = 1;
    if (name[i] == '#') {
        ++pc;
        ++i;
    } else if (name[i] == 'b') {
        --pc;
        ++i;
    }
    if (i + 1 != name.size() || name[i] < '0' || name[i] > '7') throw std::invalid_argument("bad note octave");
    const int n = (name[i] - '0') * 12 + pc + 1;
    if (n < 1 || n > 96) throw std::invalid_argument("note out of range");
    return n;
}

int bass_note(const Chord& c)
{
    // E1 is XM note 17.
    return 17 + (c.root - 4 + 12) % 12;
}

std::array<int, 3> pad_voicing(const Chord& c)
{
    const int g3 = note_of("G3");
    std::array<int, 3> out{};
    const auto tones = c.tones();
    for (int i = 0; i < 3; ++i) out[i] = g3 + (tones[i] - 7 + 12) % 12;
    std::sort(out.begin(), out.end());
    return out;
}

std::vector<int> chord_run(const Chord& c, int from, int count)
{
    std::vector<int> out;
    const auto tones = c.tones();
    for (int n = from; static_cast<int>(out.size()) < count && n <= 96; ++n) {
        const int pc = (n - 1) % 12;
        if (std::find(tones.begin(), tones.end(), pc) != tones.end()) out.push_back(n);
    }
    return out;
}

}  // namespace datagen
