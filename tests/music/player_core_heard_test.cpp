// The player core against what libopenmpt plays (heard_reference.h): every
// row start and trigger at the very sample libopenmpt plays it, at each mix
// rate and whatever block size the caller renders in.
#include <gtest/gtest.h>

#include <cstdio>

#include "heard_reference.h"

using heard::Marks;
using heard::note;

namespace {

constexpr int kRates[] = {22050, 32000, 44100, 48000};
constexpr size_t kBlocks[] = {1, 512, 1067, 4096};

// The XM header's instrument count (little-endian 16 bits): lowering it drops
// the last instruments while cells still name them.
constexpr size_t kInstrumentCountOffset = 72;

// Renders `seconds` of the module at every rate and block size and expects
// the core's marks to be the reference's. Returns the reference at 32 kHz for
// the caller's own expectations.
Marks expect_as_heard(const std::vector<uint8_t>& bytes, double seconds)
{
    Marks at_32k;
    for (int rate : kRates) {
        const auto samples = static_cast<uint64_t>(seconds * rate);
        const Marks ref = heard::listen(bytes, rate, samples);
        if (rate == 32000) at_32k = ref;
        for (size_t block : kBlocks) {
            const Marks core = heard::core_marks(bytes, rate, samples, block);
            EXPECT_EQ(core.rows, ref.rows) << rate << " Hz, block " << block << "\ncore:" << heard::text(core.rows)
                                           << "\nheard:" << heard::text(ref.rows);
            EXPECT_EQ(core.notes, ref.notes) << rate << " Hz, block " << block << "\ncore:" << heard::text(core.notes)
                                             << "\nheard:" << heard::text(ref.notes);
        }
    }
    return at_32k;
}

// A little less than `ticks` ticks at `bpm`: the span of a song that ends
// before it loops back to its start.
double ticks_seconds(int ticks, int bpm) { return ticks * 2.5 / bpm - 0.005; }

std::vector<int> instruments(const std::vector<heard::Mark>& notes)
{
    std::vector<int> out;
    for (const heard::Mark& m : notes) out.push_back(m.instrument);
    return out;
}

// Two channels, eight rows, played round: a note on every row, delayed to the
// middle and to the last tick of the row at speeds above 1. Eight rows let a
// tick length that is off by a sample drift far enough to be seen.
xm::Module sweep_module(int bpm, int speed)
{
    xm::Module m = heard::burst_module(2, 8, speed, bpm, 2);
    xm::Pattern& p = m.patterns[0];
    for (int r = 0; r < 8; r += 4) {
        p.at(r, 0) = note(1);
        p.at(r + 1, 1) = speed > 1 ? note(2, xm::fx::extended, uint8_t(0xD0 | speed / 2)) : note(2);
        p.at(r + 2, 0) = speed > 1 ? note(1, xm::fx::extended, uint8_t(0xD0 | (speed - 1))) : note(1);
        p.at(r + 3, 1) = note(2);
    }
    return m;
}

struct Worst {
    int64_t rows = 0, notes = 0;
    int mismatched = 0;  // runs whose marks differ in more than their samples
};

void account(Worst* w, const Marks& core, const Marks& ref)
{
    const int64_t r = heard::worst_error(core.rows, ref.rows), n = heard::worst_error(core.notes, ref.notes);
    if (r < 0 || n < 0) ++w->mismatched;
    w->rows = std::max(w->rows, r);
    w->notes = std::max(w->notes, n);
}

}  // namespace

// Every tempo 32..255 at speeds 1 and 6 at 32 kHz, and every seventh tempo at
// the other rates, with the song's loop back to row 0. Prints the worst error
// per block size.
TEST(PlayerCoreHeard, TempoSweepEveryBpmAtTwoSpeeds)
{
    Worst worst[std::size(kBlocks)];
    int runs = 0;
    for (int rate : kRates) {
        for (int speed : {1, 6}) {
            for (int bpm = 32; bpm <= 255; bpm += rate == 32000 ? 1 : 7) {
                const std::vector<uint8_t> bytes = xm::write_xm(sweep_module(bpm, speed));
                // Eight and a half rows: the song loops back to row 0 in the ninth.
                const uint64_t samples = 17 * uint64_t(speed) * (uint64_t(rate) * 5 / (2 * bpm)) / 2;
                const Marks ref = heard::listen(bytes, rate, samples);
                ASSERT_EQ(ref.rows.size(), 9u) << bpm << " BPM";
                ASSERT_EQ(ref.notes.size(), 9u) << bpm << " BPM";
                for (size_t b = 0; b < std::size(kBlocks); ++b)
                    account(&worst[b], heard::core_marks(bytes, rate, samples, kBlocks[b]), ref);
                ++runs;
            }
        }
    }
    std::printf("[ sweep    ] %d modules; worst error in samples (row starts / triggers):\n", runs);
    for (size_t b = 0; b < std::size(kBlocks); ++b) {
        std::printf("[ sweep    ]   block %4zu: %lld / %lld, %d runs with other marks\n", kBlocks[b],
                    (long long)worst[b].rows, (long long)worst[b].notes, worst[b].mismatched);
        EXPECT_EQ(worst[b].rows, 0) << "block " << kBlocks[b];
        EXPECT_EQ(worst[b].notes, 0) << "block " << kBlocks[b];
        EXPECT_EQ(worst[b].mismatched, 0) << "block " << kBlocks[b];
    }
}

TEST(PlayerCoreHeard, ToneportamentoInEitherColumnStartsNothing)
{
    xm::Module m = heard::burst_module(2, 12, 3, 127);
    xm::Pattern& p = m.patterns[0];
    p.at(0, 0) = note(1);
    p.at(2, 0) = note(2, xm::fx::tone_porta, 0x10);   // its instrument number does not take either
    p.at(4, 0) = note(3, 0x5, 0x01);                  // 5xx: tone portamento and volume slide
    p.at(6, 0) = xm::Cell{xm::note(4, 7), 2, 0xF1};   // volume column tone portamento
    p.at(8, 0) = xm::Cell{xm::note(4, 0), 0};         // a plain note: the channel's instrument is still 1
    p.at(10, 1) = note(4, xm::fx::tone_porta, 0x10);  // on a channel that never played
    const Marks ref = expect_as_heard(xm::write_xm(m), ticks_seconds(12 * 3, 127));
    EXPECT_EQ(instruments(ref.notes), (std::vector<int>{0, 0}));
}

TEST(PlayerCoreHeard, InstrumentPastTheListIsSilentNamedOrRemembered)
{
    xm::Module m = heard::burst_module(2, 10, 3, 140, 5);
    xm::Pattern& p = m.patterns[0];
    p.at(0, 0) = note(5);                      // past the list once the count says 4
    p.at(1, 0) = xm::Cell{xm::note(4, 0), 0};  // remembers 5: silent
    p.at(2, 0) = note(1);
    p.at(3, 1) = xm::Cell{0, 5};               // an instrument alone, past the list
    p.at(4, 1) = xm::Cell{xm::note(4, 0), 0};  // silent
    p.at(5, 1) = note(2);
    p.at(6, 0) = xm::Cell{0, 3};  // an instrument alone takes for later notes
    p.at(8, 0) = xm::Cell{xm::note(4, 0), 0};
    std::vector<uint8_t> bytes = xm::write_xm(m);
    ASSERT_EQ(bytes[kInstrumentCountOffset], 5);
    bytes[kInstrumentCountOffset] = 4;
    const Marks ref = expect_as_heard(bytes, ticks_seconds(10 * 3, 140));
    EXPECT_EQ(instruments(ref.notes), (std::vector<int>{0, 1, 2}));
}

TEST(PlayerCoreHeard, NoteDelayWithinTheSpeedSoundsLaterAndBeyondItNever)
{
    xm::Module m = heard::burst_module(2, 6, 4, 131);
    xm::Pattern& p = m.patterns[0];
    p.at(0, 0) = note(1, xm::fx::extended, 0xD1);
    p.at(1, 1) = note(2, xm::fx::extended, 0xD3);  // the row's last tick
    p.at(2, 0) = note(3, xm::fx::extended, 0xD4);  // speed 4: never
    p.at(3, 1) = note(4, xm::fx::extended, 0xDF);  // never
    p.at(4, 0) = note(3, xm::fx::extended, 0xD0);  // no delay
    const Marks ref = expect_as_heard(xm::write_xm(m), ticks_seconds(6 * 4, 131));
    EXPECT_EQ(instruments(ref.notes), (std::vector<int>{0, 1, 2}));
}

// libopenmpt plays a delayed note again on every repeat of a held row, and an
// undelayed one once.
TEST(PlayerCoreHeard, PatternDelayRepeatsDelayedNotesOnly)
{
    xm::Module m = heard::burst_module(2, 8, 3, 127);
    xm::Pattern& p = m.patterns[0];
    p.at(1, 0) = note(1, xm::fx::extended, 0xE2);  // held three times as long, no delayed note
    p.at(3, 0) = note(2, xm::fx::extended, 0xD2);  // delayed note on a held row
    p.at(3, 1) = xm::Cell{0, 0, 0, xm::fx::extended, 0xE1};
    p.at(5, 0) = note(3, xm::fx::extended, 0xD1);
    p.at(5, 1) = xm::Cell{0, 0, 0, xm::fx::extended, 0xE3};
    p.at(6, 1) = note(4);
    const Marks ref = expect_as_heard(xm::write_xm(m), ticks_seconds((8 + 2 + 1 + 3) * 3, 127));
    EXPECT_EQ(instruments(ref.notes), (std::vector<int>{0, 1, 1, 2, 2, 2, 2, 3}));
}

TEST(PlayerCoreHeard, PatternLoopPlaysItsRowsAgain)
{
    xm::Module m = heard::burst_module(1, 6, 2, 150);
    xm::Pattern& p = m.patterns[0];
    p.at(0, 0) = note(1);
    p.at(1, 0) = note(2, xm::fx::extended, 0x60);  // loop start
    p.at(2, 0) = note(3);
    p.at(3, 0) = note(4, xm::fx::extended, 0x62);  // back to row 1, twice
    p.at(4, 0) = note(1);
    const Marks ref = expect_as_heard(xm::write_xm(m), ticks_seconds((6 + 6) * 2, 150));
    EXPECT_EQ(instruments(ref.notes), (std::vector<int>{0, 1, 2, 3, 1, 2, 3, 1, 2, 3, 0}));
}

TEST(PlayerCoreHeard, JumpBackwardsAndBreakToRowTen)
{
    xm::Module m = heard::burst_module(1, 2, 3, 97);
    m.patterns.push_back(xm::make_pattern(16, 1));
    m.patterns.push_back(xm::make_pattern(2, 1));
    m.orders = {0, 1, 2};
    m.patterns[0].at(0, 0) = note(1);
    m.patterns[0].at(1, 0) = note(2, xm::fx::pattern_break, 0x10);  // row 10 of order 1
    m.patterns[1].at(9, 0) = note(4);                               // skipped
    m.patterns[1].at(10, 0) = note(3);
    m.patterns[1].at(15, 0) = note(4);
    m.patterns[2].at(1, 0) = note(1, xm::fx::position_jump, 0x01);  // back to order 1, row 0
    const Marks ref = expect_as_heard(xm::write_xm(m), ticks_seconds((2 + 6 + 2 + 16) * 3, 97));
    EXPECT_EQ(instruments(ref.notes), (std::vector<int>{0, 1, 2, 3, 0, 3, 2, 3}));
    ASSERT_GE(ref.rows.size(), 12u);
    EXPECT_EQ(ref.rows[2].order, 1);
    EXPECT_EQ(ref.rows[2].row, 10);
    EXPECT_EQ(ref.rows[10].order, 1);  // the jump back
    EXPECT_EQ(ref.rows[10].row, 0);
}
