// The maker's calls: holding an order in the player core, and pause and jump
// in the live driver on the dummy SDL audio driver, in real time. Live tests
// check the sequence of what was delivered, never how fast it came.
#include <SDL.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <thread>
#include <vector>

#include "core/music/fmod_api.h"
#include "core/music/music_live.h"
#include "core/music/music_maker.h"
#include "music_test_support.h"

using namespace mt;
using namespace std::chrono_literals;

namespace {

const int kDummyAudio = setenv("SDL_AUDIODRIVER", "dummy", 0);

constexpr int kOrders = 4, kRows = 8;

// Four orders of eight rows; the cell of (order, row) plays instrument
// 8 * order + row (0-based), so each trigger names its own place.
xm::Module place_song()
{
    xm::Module m = module(1, kRows, kOrders, kOrders * kRows);
    m.orders = {0, 1, 2, 3};
    for (int p = 0; p < kOrders; ++p)
        for (int row = 0; row < kRows; ++row) m.patterns[size_t(p)].at(row, 0) = hit(1 + kRows * p + row);
    return m;
}

std::string write_song(const xm::Module& m)
{
    const std::string path = ::testing::TempDir() + "drensolk_maker_" + std::to_string(getpid()) + ".xm";
    const std::vector<uint8_t> bytes = xm::write_xm(m);
    FILE* f = std::fopen(path.c_str(), "wb");
    EXPECT_NE(f, nullptr);
    if (f) {
        std::fwrite(bytes.data(), 1, bytes.size(), f);
        std::fclose(f);
    }
    return path;
}

// Every trigger delivered, in order; written on the dispatch thread.
struct Log {
    std::atomic<int> count{0};
    std::atomic<int> places[4096];
    std::atomic<int> wrong_position{0};
};
Log seen;

void on_instrument(FMUSIC_MODULE* module, unsigned char n)
{
    const int i = seen.count.load();
    if (i < 4096) seen.places[i].store(n);
    seen.count.store(i + 1);
    if (FMUSIC_GetOrder(module) * kRows + FMUSIC_GetRow(module) != n) seen.wrong_position.fetch_add(1);
}

std::vector<int> delivered()
{
    std::vector<int> v;
    for (int i = 0; i < std::min(seen.count.load(), 4096); ++i) v.push_back(seen.places[i].load());
    return v;
}

int heard(FMUSIC_MODULE* m) { return FMUSIC_GetOrder(m) * kRows + FMUSIC_GetRow(m); }

class MusicMaker : public ::testing::Test {
protected:
    void SetUp() override
    {
        seen.count.store(0);
        seen.wrong_position.store(0);
        ASSERT_TRUE(FSOUND_Init(32000, 64, 0));
        m = FMUSIC_LoadSong(write_song(place_song()).c_str());
        ASSERT_NE(m, nullptr);
        for (int n = 0; n < kOrders * kRows; ++n) FMUSIC_SetInstCallback(m, on_instrument, n);
    }
    void TearDown() override
    {
        if (m) FMUSIC_FreeSong(m);
        FSOUND_Close();
    }
    FMUSIC_MODULE* m = nullptr;
};

}  // namespace

// Offline: the core holds an order, goes back to its row 0 at its end with
// the row's triggers again, and runs on once let go.
TEST(PlayerCoreLoop, AHeldOrderReturnsToItsRowZeroUntilLetGo)
{
    const std::vector<uint8_t> bytes = xm::write_xm(place_song());
    PlayerCore core{};
    ASSERT_EQ(player_core_open(&core, bytes.data(), bytes.size(), kRate), 0);
    EXPECT_EQ(player_core_loop_order(&core, kOrders), FMOD_ERR_INVALID_PARAM);
    ASSERT_EQ(player_core_loop_order(&core, 1), 0);
    Rendered run;
    render(&core, uint64_t(3 * kRows + 2) * kRow, &run);  // three passes and two rows
    std::vector<int> rows, triggers;
    for (const MusicEvent& e : run.events)
        (e.kind == MusicEventKind::Row ? rows : triggers).push_back(e.order * kRows + e.row);
    // From the start, order 0's first row is already outside: straight to (1, 0).
    ASSERT_GE(rows.size(), size_t(3 * kRows));
    for (size_t i = 0; i < rows.size(); ++i) EXPECT_EQ(rows[i], kRows + int(i % kRows)) << "row event " << i;
    EXPECT_EQ(rows, triggers);  // each row's trigger once, none of another order
    // Let go: after the current pass the song runs on into order 2.
    ASSERT_EQ(player_core_loop_order(&core, -1), 0);
    Rendered on;
    render(&core, uint64_t(kRows) * kRow, &on);
    bool reached_two = false;
    for (const MusicEvent& e : on.events) reached_two |= e.kind == MusicEventKind::Row && e.order == 2;
    EXPECT_TRUE(reached_two);
    player_core_close(&core);
}

TEST_F(MusicMaker, CallsRefuseANullModuleAndOrdersOutsideTheList)
{
    EXPECT_FALSE(music_maker_set_paused(nullptr, true));
    EXPECT_EQ(FSOUND_GetError(), FMOD_ERR_INVALID_PARAM);
    EXPECT_FALSE(music_maker_jump(m, kOrders));
    EXPECT_FALSE(music_maker_jump(m, -1));
    EXPECT_FALSE(music_maker_loop_order(m, -2));
    EXPECT_FALSE(music_maker_loop_order(m, kOrders));
    EXPECT_EQ(music_maker_looped_order(m), -1);
    EXPECT_FALSE(music_maker_paused(m));
}

// Paused, the heard position and the callbacks stand still for a second; on
// resuming the song goes on from the next place: across the pause every
// trigger arrives exactly once, in song order.
TEST_F(MusicMaker, PauseHoldsThePositionAndResumesWithNoTriggerLostOrDoubled)
{
    ASSERT_TRUE(FMUSIC_PlaySong(m));
    ASSERT_TRUE(mt::wait_for([&] { return heard(m) >= 4; }));
    ASSERT_TRUE(music_maker_set_paused(m, true));
    EXPECT_TRUE(music_maker_paused(m));
    // What was already handed to the output plays out first.
    std::this_thread::sleep_for(400ms);
    const int held = heard(m), held_count = seen.count.load();
    std::this_thread::sleep_for(1000ms);
    EXPECT_EQ(heard(m), held);
    EXPECT_EQ(seen.count.load(), held_count);
    ASSERT_TRUE(music_maker_set_paused(m, false));
    ASSERT_TRUE(mt::wait_for([&] { return seen.count.load() >= kOrders * kRows; }));
    const std::vector<int> got = delivered();
    for (int i = 0; i < kOrders * kRows; ++i) EXPECT_EQ(got[size_t(i)], i) << "delivery " << i;
    EXPECT_EQ(seen.wrong_position.load(), 0);
}

// A jump drops what was queued from the old place: after it, the heard
// position and the callbacks go straight to (order, 0) and on from there.
// A second of output latency keeps a second of rows queued (all of order 1
// and more) at the moment of the jump, none of which may come through.
TEST_F(MusicMaker, JumpGoesStraightToRowZeroOfTheOrder)
{
    FMUSIC_FreeSong(m);
    setenv("DRENSOLK_AUDIO_LATENCY_MS", "1000", 1);
    const bool init = FSOUND_Init(32000, 64, 0);
    unsetenv("DRENSOLK_AUDIO_LATENCY_MS");
    ASSERT_TRUE(init);
    m = FMUSIC_LoadSong(write_song(place_song()).c_str());
    ASSERT_NE(m, nullptr);
    for (int n = 0; n < kOrders * kRows; ++n) FMUSIC_SetInstCallback(m, on_instrument, n);
    ASSERT_TRUE(FMUSIC_PlaySong(m));
    ASSERT_TRUE(mt::wait_for([&] { return heard(m) >= 1; }));
    ASSERT_TRUE(music_maker_jump(m, 3));
    bool passed_between = false;
    ASSERT_TRUE(mt::wait_for([&] {
        const int at = heard(m);
        passed_between |= at >= kRows && at < 3 * kRows;
        return at == 3 * kRows + 4;
    }));
    EXPECT_FALSE(passed_between);
    const std::vector<int> got = delivered();
    size_t i = 0;
    while (i < got.size() && got[i] < kRows) ++i;  // order 0, up to where the jump landed
    for (int k = 0; i < got.size() && k < 5; ++i, ++k) EXPECT_EQ(got[i], 3 * kRows + k) << "delivery " << i;
    EXPECT_EQ(seen.wrong_position.load(), 0);
    // The heard row's song position: row (3, 4) starts 28 rows of 60 ms in.
    EXPECT_NEAR(music_maker_heard_seconds(m), 28 * 3 * 0.02, 0.005);
}

// Paused, a jump shows its row 0 at once; its triggers come on resuming.
TEST_F(MusicMaker, JumpWhilePausedShowsRowZeroAndFiresItOnResuming)
{
    ASSERT_TRUE(FMUSIC_PlaySong(m));
    ASSERT_TRUE(mt::wait_for([&] { return heard(m) >= 1; }));
    ASSERT_TRUE(music_maker_set_paused(m, true));
    std::this_thread::sleep_for(400ms);
    ASSERT_TRUE(music_maker_jump(m, 2));
    ASSERT_TRUE(mt::wait_for([&] { return heard(m) == 2 * kRows; }));
    const int before = seen.count.load();
    std::this_thread::sleep_for(200ms);
    EXPECT_EQ(seen.count.load(), before);
    ASSERT_TRUE(music_maker_set_paused(m, false));
    ASSERT_TRUE(mt::wait_for([&] { return seen.count.load() >= before + 2; }));
    const std::vector<int> got = delivered();
    EXPECT_EQ(got[size_t(before)], 2 * kRows);
    EXPECT_EQ(got[size_t(before) + 1], 2 * kRows + 1);
}
