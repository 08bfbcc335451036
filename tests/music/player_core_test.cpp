// The player core on small modules: which rows and triggers it reports, and
// at which sample. At 32 kHz and 125 BPM a tick is 640 samples; speed 3 makes a
// row 1920 samples.
#include <gtest/gtest.h>
#include <libopenmpt/libopenmpt.h>

#include <cstdio>
#include <string>

#include "core/music/fmod_api.h"
#include "music_test_support.h"

using namespace mt;

namespace {

// "row 0.1 @1920" / "ins 2 @3840 (1.0)": readable in failure messages.
std::string text(const MusicEvent& e)
{
    char buf[64];
    if (e.kind == MusicEventKind::Row)
        std::snprintf(buf, sizeof buf, "row %d.%d @%llu", e.order, e.row, (unsigned long long)e.sample);
    else
        std::snprintf(buf, sizeof buf, "ins %d @%llu (%d.%d)", e.instrument, (unsigned long long)e.sample, e.order,
                      e.row);
    return buf;
}
std::vector<std::string> texts(const std::vector<MusicEvent>& events)
{
    std::vector<std::string> out;
    for (const MusicEvent& e : events) out.push_back(text(e));
    return out;
}

struct Core {
    PlayerCore c{};
    explicit Core(const xm::Module& m)
    {
        const std::vector<uint8_t> bytes = xm::write_xm(m);
        EXPECT_EQ(player_core_open(&c, bytes.data(), bytes.size(), kRate), 0);
    }
    ~Core() { player_core_close(&c); }
    Rendered run(uint64_t samples, size_t block = 512)
    {
        Rendered r;
        render(&c, samples, &r, block);
        return r;
    }
};

using Strings = std::vector<std::string>;

}  // namespace

// --- triggers ---------------------------------------------------------------

TEST(PlayerCoreTriggers, NumbersInstrumentsFromZeroAtTheRowsFirstFrame)
{
    xm::Module m = module(2, 4, 1);
    m.patterns[0].at(0, 0) = hit(1);
    m.patterns[0].at(1, 1) = hit(3);
    m.patterns[0].at(3, 0) = hit(8);
    Core core(m);
    EXPECT_EQ(texts(only(core.run(4 * kRow).events, MusicEventKind::Trigger)),
              (Strings{"ins 0 @0 (0.0)", "ins 2 @1920 (0.1)", "ins 7 @5760 (0.3)"}));
}

TEST(PlayerCoreTriggers, NoteWithoutInstrumentUsesTheChannelsCurrentOne)
{
    xm::Module m = module(2, 8, 1);
    m.patterns[0].at(0, 0) = hit(2);
    m.patterns[0].at(1, 0) = xm::Cell{xm::note(5, 2), 0};  // no instrument: still 2
    m.patterns[0].at(2, 0) = xm::Cell{0, 5};               // instrument alone: no note, no trigger
    m.patterns[0].at(3, 0) = xm::Cell{xm::note(4, 0), 0};  // now 5
    m.patterns[0].at(4, 0) = xm::Cell{xm::key_off, 3};     // key off starts nothing
    m.patterns[0].at(5, 1) = xm::Cell{xm::note(4, 0), 0};  // channel 1 has no instrument yet
    m.patterns[0].at(6, 1) = hit(7);
    m.patterns[0].at(7, 0) = xm::Cell{xm::note(4, 0), 0};  // the key-off cell named 3
    Core core(m);
    EXPECT_EQ(texts(only(core.run(8 * kRow).events, MusicEventKind::Trigger)),
              (Strings{"ins 1 @0 (0.0)", "ins 1 @1920 (0.1)", "ins 4 @5760 (0.3)", "ins 6 @11520 (0.6)",
                       "ins 2 @13440 (0.7)"}));
}

TEST(PlayerCoreTriggers, NoteDelaySoundsOnTheDelayedTick)
{
    xm::Module m = module(2, 4, 1);
    m.patterns[0].at(1, 0) = hit(1, xm::fx::extended, 0xD2);  // tick 2 of row 1
    m.patterns[0].at(1, 1) = hit(2, xm::fx::extended, 0xD3);  // speed 3: never sounds
    m.patterns[0].at(2, 0) = hit(3, xm::fx::set_speed, 100);  // 100 BPM from row 2: 800-sample ticks
    m.patterns[0].at(2, 1) = hit(4, xm::fx::extended, 0xD1);
    Core core(m);
    EXPECT_EQ(texts(only(core.run(4 * kRow).events, MusicEventKind::Trigger)),
              (Strings{"ins 0 @3200 (0.1)", "ins 2 @3840 (0.2)", "ins 3 @4640 (0.2)"}));
}

TEST(PlayerCoreTriggers, PatternDelayPlaysTheRowLongerWithoutRetriggering)
{
    xm::Module m = module(1, 4, 1);
    m.patterns[0].at(1, 0) = hit(1, xm::fx::extended, 0xE2);  // row 1 lasts 3 x 3 ticks
    m.patterns[0].at(2, 0) = hit(2);
    Core core(m);
    const Rendered r = core.run(4 * kRow + 6 * kTick);
    EXPECT_EQ(texts(only(r.events, MusicEventKind::Trigger)), (Strings{"ins 0 @1920 (0.1)", "ins 1 @7680 (0.2)"}));
}

// --- rows heard -------------------------------------------------------------

TEST(PlayerCoreRows, ReportsEachRowAtItsFirstFrameInAnyBlockSize)
{
    xm::Module m = module(1, 2, 1);
    m.orders = {0, 0};
    m.patterns[0].at(0, 0) = hit(1);
    Core reference(m);
    const Rendered whole = reference.run(5 * kRow, 512);
    ASSERT_NE(whole.audio, std::vector<int16_t>(whole.audio.size(), 0));
    EXPECT_EQ(texts(only(whole.events, MusicEventKind::Row)),
              (Strings{"row 0.0 @0", "row 0.1 @1920", "row 1.0 @3840", "row 1.1 @5760", "row 0.0 @7680"}));
    // The offline driver renders a video sample's worth at a time: same events,
    // same audio.
    for (size_t block : {size_t(1), size_t(7), size_t(640), size_t(1067), size_t(4096)}) {
        Core other(m);
        const Rendered r = other.run(5 * kRow, block);
        EXPECT_EQ(texts(r.events), texts(whole.events)) << "block " << block;
        EXPECT_EQ(r.audio, whole.audio) << "block " << block;
        EXPECT_EQ(other.c.resyncs, 0u);
    }
}

TEST(PlayerCoreRows, PatternBreakSkipsToTheNamedRowOfTheNextOrder)
{
    xm::Module m = module(1, 4, 2);
    m.orders = {0, 1};
    m.patterns[0].at(0, 0) = hit(1, xm::fx::pattern_break, 0x02);
    m.patterns[0].at(1, 0) = hit(2);  // skipped: never heard
    m.patterns[1].at(0, 0) = hit(3);  // skipped
    m.patterns[1].at(2, 0) = hit(4);
    Core core(m);
    const Rendered r = core.run(3 * kRow);
    EXPECT_EQ(texts(r.events),
              (Strings{"row 0.0 @0", "ins 0 @0 (0.0)", "row 1.2 @1920", "ins 3 @1920 (1.2)", "row 1.3 @3840"}));
}

TEST(PlayerCoreRows, PositionJumpPlaysTheTargetRowAgainOncePerPass)
{
    xm::Module m = module(1, 2, 2);
    m.orders = {0, 1, 0};
    m.patterns[0].at(0, 0) = hit(1);
    m.patterns[1].at(1, 0) = hit(2, xm::fx::position_jump, 0x00);  // back to order 0
    Core core(m);
    const Rendered r = core.run(8 * kRow);
    EXPECT_EQ(texts(only(r.events, MusicEventKind::Row)),
              (Strings{"row 0.0 @0", "row 0.1 @1920", "row 1.0 @3840", "row 1.1 @5760", "row 0.0 @7680",
                       "row 0.1 @9600", "row 1.0 @11520", "row 1.1 @13440"}));
    EXPECT_EQ(texts(only(r.events, MusicEventKind::Trigger)),
              (Strings{"ins 0 @0 (0.0)", "ins 1 @5760 (1.1)", "ins 0 @7680 (0.0)", "ins 1 @13440 (1.1)"}));
}

TEST(PlayerCoreRows, SongLoopsToTheRestartPositionAndPlaysItOnce)
{
    xm::Module m = module(1, 2, 3);
    m.orders = {0, 1, 2};
    m.restart_position = 1;
    m.patterns[0].at(0, 0) = hit(1);
    m.patterns[1].at(0, 0) = hit(2);
    m.patterns[2].at(1, 0) = hit(3);
    Core core(m);
    const Rendered r = core.run(10 * kRow);
    EXPECT_EQ(texts(only(r.events, MusicEventKind::Trigger)),
              (Strings{"ins 0 @0 (0.0)", "ins 1 @3840 (1.0)", "ins 2 @9600 (2.1)", "ins 1 @11520 (1.0)",
                       "ins 2 @17280 (2.1)"}));
    EXPECT_EQ(only(r.events, MusicEventKind::Row).back().order, 2);
}

TEST(PlayerCoreRows, JumpOntoTheSameRowStartsItAgain)
{
    // One order, and row 1 breaks to row 1 of the next order, which is itself:
    // the position never changes, the row still starts every 3 ticks.
    xm::Module m = module(1, 2, 1);
    m.patterns[0].at(1, 0) = hit(1, xm::fx::pattern_break, 0x01);
    Core core(m);
    const Rendered r = core.run(4 * kRow);
    EXPECT_EQ(texts(only(r.events, MusicEventKind::Trigger)),
              (Strings{"ins 0 @1920 (0.1)", "ins 0 @3840 (0.1)", "ins 0 @5760 (0.1)"}));
}

// --- set-order --------------------------------------------------------------

namespace {
xm::Module three_orders()
{
    xm::Module m = module(1, 4, 3, 12);
    m.orders = {0, 1, 2};
    for (int p = 0; p < 3; ++p)
        for (int row = 0; row < 4; ++row)
            m.patterns[size_t(p)].at(row, 0) = hit(1 + p * 4 + row);  // ins = 4*order + row
    return m;
}
}  // namespace

TEST(PlayerCoreSetOrder, TheLandingRowPlaysFromTheNextFrameAndFiresOnce)
{
    Core core(three_orders());
    core.run(kRow + kTick + 100);  // inside row 1's second tick
    ASSERT_EQ(player_core_set_order(&core.c, 2), 0);
    const Rendered r = core.run(2 * kRow);
    const uint64_t at = kRow + kTick + 100;
    EXPECT_EQ(texts(r.events),
              (Strings{"row 2.0 @" + std::to_string(at), "ins 8 @" + std::to_string(at) + " (2.0)",
                       "row 2.1 @" + std::to_string(at + kRow), "ins 9 @" + std::to_string(at + kRow) + " (2.1)"}));
}

TEST(PlayerCoreSetOrder, ToTheCurrentOrderRestartsItsFirstRow)
{
    Core core(three_orders());
    core.run(kTick);  // order 0 row 0, second tick
    ASSERT_EQ(player_core_set_order(&core.c, 0), 0);
    EXPECT_EQ(texts(only(core.run(kRow).events, MusicEventKind::Trigger)), (Strings{"ins 0 @640 (0.0)"}));
}

TEST(PlayerCoreSetOrder, ARowReplacedBeforeItPlaysNeverFires)
{
    Core core(three_orders());
    core.run(kRow);
    ASSERT_EQ(player_core_set_order(&core.c, 2), 0);
    // libopenmpt already names the target as its position, before a sample of
    // it has been rendered.
    EXPECT_EQ(openmpt_module_get_current_order(core.c.mod), 2);
    ASSERT_EQ(player_core_set_order(&core.c, 1), 0);
    const Rendered r = core.run(kRow);
    EXPECT_EQ(texts(r.events), (Strings{"row 1.0 @1920", "ins 4 @1920 (1.0)"}));
}

TEST(PlayerCoreSetOrder, AnOrderOutsideTheListFailsAndChangesNothing)
{
    Core core(three_orders());
    Core reference(three_orders());
    core.run(kRow + 5);
    reference.run(kRow + 5);
    EXPECT_EQ(player_core_set_order(&core.c, 3), FMOD_ERR_INVALID_PARAM);
    EXPECT_EQ(player_core_set_order(&core.c, -1), FMOD_ERR_INVALID_PARAM);
    const Rendered a = core.run(3 * kRow);
    const Rendered b = reference.run(3 * kRow);
    EXPECT_EQ(texts(a.events), texts(b.events));
    EXPECT_EQ(a.audio, b.audio);
}

TEST(PlayerCoreSetOrder, ChannelInstrumentIsTheLastNamedBeforeTheTarget)
{
    xm::Module m = module(1, 2, 2);
    m.orders = {0, 1};
    m.patterns[0].at(1, 0) = hit(6);
    m.patterns[1].at(0, 0) = xm::Cell{xm::note(4, 0), 0};
    Core core(m);
    ASSERT_EQ(player_core_set_order(&core.c, 1), 0);
    EXPECT_EQ(texts(only(core.run(kRow).events, MusicEventKind::Trigger)), (Strings{"ins 5 @0 (1.0)"}));
}

// --- rendering and opening --------------------------------------------------

TEST(PlayerCoreRender, StopsAtATickBoundaryWhenTheEventArrayIsFull)
{
    xm::Module m = module(4, 4, 1);
    for (int ch = 0; ch < 4; ++ch) m.patterns[0].at(0, ch) = hit(ch + 1);
    Core core(m);
    std::vector<int16_t> pcm(2 * 4096);
    std::vector<MusicEvent> ev(kMaxEventsPerTick);
    int count = -1;
    EXPECT_EQ(player_core_render(&core.c, pcm.data(), 4096, ev.data(), kMaxEventsPerTick - 1, &count), 0u);
    EXPECT_EQ(count, 0);
    EXPECT_EQ(player_core_render(&core.c, pcm.data(), 4096, ev.data(), kMaxEventsPerTick, &count), size_t(kTick));
    EXPECT_EQ(count, 5);
    EXPECT_EQ(player_core_sample(&core.c), uint64_t(kTick));
    bool sound = false;
    for (int i = 0; i < 2 * kTick; ++i) sound |= pcm[size_t(i)] != 0;
    EXPECT_TRUE(sound);
}

TEST(PlayerCoreOpen, RefusesWhatIsNotAModule)
{
    PlayerCore c{};
    const char text[] = "this is not a tracker module, just some words";
    EXPECT_EQ(player_core_open(&c, text, sizeof text, kRate), FMOD_ERR_FILE_FORMAT);
    EXPECT_EQ(c.mod, nullptr);
    EXPECT_EQ(player_core_open(&c, text, 0, kRate), FMOD_ERR_FILE_FORMAT);
    EXPECT_EQ(player_core_open(&c, nullptr, 10, kRate), FMOD_ERR_INVALID_PARAM);
    // Refused on the size alone, before a byte is read.
    EXPECT_EQ(player_core_open(&c, text, kMaxModuleBytes + 1, kRate), FMOD_ERR_MEMORY);
    const std::vector<uint8_t> bytes = xm::write_xm(module(1, 4, 1));
    EXPECT_EQ(player_core_open(&c, bytes.data(), bytes.size(), 7999), FMOD_ERR_INVALID_PARAM);
    EXPECT_EQ(player_core_open(&c, bytes.data(), 40, kRate), FMOD_ERR_FILE_FORMAT);  // the header cut short
    ASSERT_EQ(player_core_open(&c, bytes.data(), bytes.size(), kRate), 0);
    EXPECT_EQ(c.num_orders, 1);
    player_core_close(&c);
}
