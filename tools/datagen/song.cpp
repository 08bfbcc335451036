#include "datagen/song.h"

#include "datagen/instruments.h"
#include "datagen/song_parts.h"

namespace datagen {
namespace {

using namespace chord;

constexpr std::array<Chord, 4> kHome{Am, F, C, G};
constexpr std::array<Chord, 4> kBreak{F, G, Em, E};
constexpr std::array<Chord, 4> kSecondA{F, G, Em, Am};
constexpr std::array<Chord, 4> kSecondB{Dm, G, C, E};

OrderPlan plan_for(int order)
{
    struct Span {
        Section section;
        int first, last;
    };
    static const Span spans[] = {{Section::intro, 0, 3},          {Section::build, 4, 6},
                                 {Section::breakdown, 7, 7},      {Section::main_theme, 8, 11},
                                 {Section::second_theme, 12, 15}, {Section::finale, 16, 19},
                                 {Section::ending, 20, 20}};
    OrderPlan p;
    p.order = order;
    for (const Span& s : spans) {
        if (order < s.first || order > s.last) continue;
        p.section = s.section;
        p.step = order - s.first;
        p.last_of_section = order == s.last;
    }
    p.bars = kHome;
    if (p.section == Section::breakdown) p.bars = kBreak;
    if (p.section == Section::second_theme) p.bars = p.step % 2 ? kSecondB : kSecondA;
    if (p.section == Section::ending) p.bars = {Am, Am, Am, Am};
    return p;
}

// Stereo placement of each channel (0 left, 128 centre, 255 right). XM resets
// a channel's panning to the sample's on every new note, so the position is
// written next to each note as an 8xx effect.
constexpr uint8_t kPan[ch::count] = {
    128, 128, 128, 108, 150, 128, 128,   // kick snare hats (panned by their samples) clap crash riser bass
    72,  128, 184,                       // pads
    92,  128, 164,                       // keys
    128, 196, 80,  176, 104, 156, 112};  // lead echo arp pluck stab bell toms

void place_in_stereo(xm::Pattern& p)
{
    for (int r = 0; r < p.rows; ++r)
        for (int c = 0; c < p.channels; ++c) {
            xm::Cell& cell = p.at(r, c);
            if (cell.instrument && !cell.effect && kPan[c] != 128) {
                cell.effect = xm::fx::set_panning;
                cell.param = kPan[c];
            }
        }
}

xm::Pattern compose(const OrderPlan& plan)
{
    // The closing pattern is short: one hit left to ring.
    xm::Pattern p = xm::make_pattern(plan.section == Section::ending ? 32 : 64, ch::count);
    Writer w(p);
    write_drums(plan, w);
    write_harmony(plan, w);
    write_melody(plan, w);
    place_in_stereo(p);
    return p;
}

}  // namespace

xm::Module make_song()
{
    xm::Module m;
    m.name = "drensolk";
    m.channels = ch::count;
    m.speed = kSongSpeed;
    m.bpm = kSongBpm;
    m.linear_frequencies = true;
    for (int order = 0; order < kSongOrders; ++order) {
        m.patterns.push_back(compose(plan_for(order)));
        m.orders.push_back(static_cast<uint8_t>(order));
    }
    m.instruments = make_instruments();
    return m;
}

}  // namespace datagen
