// The FMOD-style calls: their errors, and the live layer playing through the
// dummy SDL audio driver in real time. Live tests assert progress and
// callbacks, never how fast they come.
#include <SDL.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <thread>

#include "core/music/fmod_api.h"
#include "core/music/music_live.h"
#include "core/music/percentile.h"
#include "music_test_support.h"

using namespace mt;
using namespace std::chrono_literals;

namespace {

// Never real hardware: the dummy driver unless the runner chose one.
const int kDummyAudio = setenv("SDL_AUDIODRIVER", "dummy", 0);

std::string write_temp(const std::string& name, const std::vector<uint8_t>& bytes)
{
    const std::string path = ::testing::TempDir() + "drensolk_" + std::to_string(getpid()) + "_" + name;
    FILE* f = std::fopen(path.c_str(), "wb");
    EXPECT_NE(f, nullptr);
    if (f) {
        if (!bytes.empty()) std::fwrite(bytes.data(), 1, bytes.size(), f);
        std::fclose(f);
    }
    return path;
}

// Three orders of four rows; the cell of (order, row) plays instrument
// 4 * order + row (0-based), so a callback names the row it belongs to.
std::string three_order_song()
{
    xm::Module m = module(1, 4, 3, 12);
    m.orders = {0, 1, 2};
    for (int p = 0; p < 3; ++p)
        for (int row = 0; row < 4; ++row) m.patterns[size_t(p)].at(row, 0) = hit(1 + 4 * p + row);
    return write_temp("three.xm", xm::write_xm(m));
}

// What the instrument callback saw; written on the dispatch thread.
struct Seen {
    std::atomic<int> calls[12];
    std::atomic<int> wrong_position;  // GetOrder/GetRow inside disagreed with the trigger
    std::atomic<int> on_main_thread;
    std::atomic<std::thread::id> main_id;
    std::atomic<FMUSIC_MODULE*> first, second;  // calls counted per module
    std::atomic<int> first_calls, second_first_row;
};
Seen seen;

void on_instrument(FMUSIC_MODULE* module, unsigned char n)
{
    if (n < 12) seen.calls[n].fetch_add(1);
    if (module == seen.first.load()) seen.first_calls.fetch_add(1);
    if (module == seen.second.load() && n == 0) seen.second_first_row.fetch_add(1);
    if (FMUSIC_GetOrder(module) != n / 4 || FMUSIC_GetRow(module) != n % 4) seen.wrong_position.fetch_add(1);
    if (std::this_thread::get_id() == seen.main_id.load()) seen.on_main_thread.fetch_add(1);
}

void reset_seen()
{
    for (auto& c : seen.calls) c.store(0);
    seen.wrong_position.store(0);
    seen.on_main_thread.store(0);
    seen.main_id.store(std::this_thread::get_id());
    seen.first.store(nullptr);
    seen.second.store(nullptr);
    seen.first_calls.store(0);
    seen.second_first_row.store(0);
}

class FmodApi : public ::testing::Test {
protected:
    void TearDown() override { FSOUND_Close(); }
};

}  // namespace

// --- errors -----------------------------------------------------------------

TEST_F(FmodApi, CallsBeforeInitFailWithUninitialized)
{
    const std::string path = three_order_song();
    EXPECT_EQ(FMUSIC_LoadSong(path.c_str()), nullptr);
    EXPECT_EQ(FSOUND_GetError(), FMOD_ERR_UNINITIALIZED);
    // A module loaded while initialised cannot play once the output is closed.
    ASSERT_TRUE(FSOUND_Init(32000, 64, 0));
    FMUSIC_MODULE* m = FMUSIC_LoadSong(path.c_str());
    ASSERT_NE(m, nullptr);
    FSOUND_Close();
    EXPECT_FALSE(FMUSIC_PlaySong(m));
    EXPECT_EQ(FSOUND_GetError(), FMOD_ERR_UNINITIALIZED);
    EXPECT_TRUE(FMUSIC_FreeSong(m));
}

TEST_F(FmodApi, LoadSongReportsMissingUnreadableAndForeignFiles)
{
    ASSERT_TRUE(FSOUND_Init(32000, 64, 0));
    EXPECT_EQ(FMUSIC_LoadSong("/nonexistent/qx_demo_drensolk.xm"), nullptr);
    EXPECT_EQ(FSOUND_GetError(), FMOD_ERR_FILE_NOTFOUND);

    const std::string text = write_temp("notes.txt", std::vector<uint8_t>(200, 'x'));
    EXPECT_EQ(FMUSIC_LoadSong(text.c_str()), nullptr);
    EXPECT_EQ(FSOUND_GetError(), FMOD_ERR_FILE_FORMAT);

    const std::string empty = write_temp("empty.xm", {});
    EXPECT_EQ(FMUSIC_LoadSong(empty.c_str()), nullptr);
    EXPECT_EQ(FSOUND_GetError(), FMOD_ERR_FILE_FORMAT);

    EXPECT_EQ(FMUSIC_LoadSong(::testing::TempDir().c_str()), nullptr);  // a directory
    EXPECT_EQ(FSOUND_GetError(), FMOD_ERR_FILE_BAD);
}

TEST_F(FmodApi, InitFailsWhenTheOutputCannotOpen)
{
    const char* old = std::getenv("SDL_AUDIODRIVER");
    const std::string keep = old ? old : "";
    setenv("SDL_AUDIODRIVER", "no_such_driver", 1);
    EXPECT_FALSE(FSOUND_Init(32000, 64, 0));
    EXPECT_EQ(FSOUND_GetError(), FMOD_ERR_INIT);
    if (old)
        setenv("SDL_AUDIODRIVER", keep.c_str(), 1);
    else
        unsetenv("SDL_AUDIODRIVER");
    EXPECT_FALSE(FSOUND_Init(1000, 64, 0));
    EXPECT_EQ(FSOUND_GetError(), FMOD_ERR_INVALID_PARAM);
    EXPECT_TRUE(FSOUND_Init(32000, 64, 0));
}

TEST_F(FmodApi, InvalidArgumentsFailWith14AndChangeNothing)
{
    ASSERT_TRUE(FSOUND_Init(32000, 64, 0));
    FMUSIC_MODULE* m = FMUSIC_LoadSong(three_order_song().c_str());
    ASSERT_NE(m, nullptr);
    ASSERT_TRUE(FMUSIC_SetOrder(m, 1));
    EXPECT_FALSE(FMUSIC_SetOrder(m, 3));
    EXPECT_EQ(FSOUND_GetError(), FMOD_ERR_INVALID_PARAM);
    EXPECT_FALSE(FMUSIC_SetOrder(m, -1));
    EXPECT_FALSE(FMUSIC_SetInstCallback(m, on_instrument, 256));
    EXPECT_FALSE(FMUSIC_SetInstCallback(nullptr, on_instrument, 0));
    EXPECT_FALSE(FMUSIC_PlaySong(nullptr));
    EXPECT_EQ(FMUSIC_GetOrder(nullptr), -1);
    EXPECT_EQ(FSOUND_GetError(), FMOD_ERR_INVALID_PARAM);
    // The stopped module kept order 1: its first row is (1, 0).
    MusicEvent ev[kMaxEventsPerTick];
    int16_t pcm[2];
    int count = 0;
    PlayerCore* core = music_live_core(m);
    ASSERT_EQ(player_core_render(core, pcm, 1, ev, kMaxEventsPerTick, &count), 1u);
    ASSERT_GE(count, 1);
    EXPECT_EQ(ev[0].order, 1);
    EXPECT_TRUE(FMUSIC_FreeSong(m));
}

// --- live playback ----------------------------------------------------------

TEST_F(FmodApi, PlaysThroughTheSongAndCallsBackWithTheHeardPosition)
{
    reset_seen();
    ASSERT_TRUE(FSOUND_Init(32000, 64, 0));
    FMUSIC_MODULE* m = FMUSIC_LoadSong(three_order_song().c_str());
    ASSERT_NE(m, nullptr);
    for (int n = 0; n < 12; ++n) ASSERT_TRUE(FMUSIC_SetInstCallback(m, on_instrument, n));
    ASSERT_TRUE(FMUSIC_PlaySong(m));
    EXPECT_EQ(FMUSIC_GetOrder(m), 0);
    EXPECT_EQ(FMUSIC_GetRow(m), 0);
    // The position only moves forward until the last row is heard.
    int last = 0;
    bool backwards = false;
    EXPECT_TRUE(mt::wait_for([&] {
        const int pos = FMUSIC_GetOrder(m) * 4 + FMUSIC_GetRow(m);
        if (pos < last && last != 11) backwards = true;
        last = std::max(last, pos);
        return seen.calls[11].load() > 0;
    }));
    EXPECT_FALSE(backwards);
    EXPECT_EQ(last, 11);
    for (int n = 0; n < 12; ++n) EXPECT_GE(seen.calls[n].load(), 1) << "instrument " << n;
    EXPECT_EQ(seen.wrong_position.load(), 0);
    EXPECT_EQ(seen.on_main_thread.load(), 0);
    EXPECT_TRUE(FMUSIC_FreeSong(m));
}

TEST_F(FmodApi, SetOrderIsHeardAndItsFirstRowFiresOnce)
{
    reset_seen();
    ASSERT_TRUE(FSOUND_Init(32000, 64, 0));
    FMUSIC_MODULE* m = FMUSIC_LoadSong(three_order_song().c_str());
    ASSERT_NE(m, nullptr);
    for (int n = 0; n < 12; ++n) FMUSIC_SetInstCallback(m, on_instrument, n);
    ASSERT_TRUE(FMUSIC_PlaySong(m));
    ASSERT_TRUE(FMUSIC_SetOrder(m, 2));
    ASSERT_TRUE(mt::wait_for([&] { return FMUSIC_GetOrder(m) == 2; }));
    // Until the song loops back to order 0, row (2, 0) fired exactly once.
    ASSERT_TRUE(mt::wait_for([&] { return FMUSIC_GetOrder(m) == 0; }));
    EXPECT_TRUE(FMUSIC_FreeSong(m));
    EXPECT_EQ(seen.calls[8].load(), 1);
    EXPECT_EQ(seen.calls[11].load(), 1);
    EXPECT_EQ(seen.wrong_position.load(), 0);
}

TEST_F(FmodApi, NoCallbackAfterFreeSongReturns)
{
    reset_seen();
    ASSERT_TRUE(FSOUND_Init(32000, 64, 0));
    FMUSIC_MODULE* m = FMUSIC_LoadSong(three_order_song().c_str());
    ASSERT_NE(m, nullptr);
    for (int n = 0; n < 12; ++n) FMUSIC_SetInstCallback(m, on_instrument, n);
    ASSERT_TRUE(FMUSIC_PlaySong(m));
    ASSERT_TRUE(mt::wait_for([&] { return seen.calls[1].load() > 0; }));
    EXPECT_TRUE(FMUSIC_FreeSong(m));
    int total = 0;
    for (auto& c : seen.calls) total += c.load();
    std::this_thread::sleep_for(150ms);
    int after = 0;
    for (auto& c : seen.calls) after += c.load();
    EXPECT_EQ(after, total);
}

TEST_F(FmodApi, PlayingAnotherSongStopsTheFirstAndStartsAtItsFirstRow)
{
    reset_seen();
    ASSERT_TRUE(FSOUND_Init(32000, 64, 0));
    const std::string path = three_order_song();
    FMUSIC_MODULE* a = FMUSIC_LoadSong(path.c_str());
    FMUSIC_MODULE* b = FMUSIC_LoadSong(path.c_str());
    ASSERT_TRUE(a && b);
    seen.first.store(a);
    seen.second.store(b);
    for (int n = 0; n < 12; ++n) {
        FMUSIC_SetInstCallback(a, on_instrument, n);
        FMUSIC_SetInstCallback(b, on_instrument, n);
    }
    ASSERT_TRUE(FMUSIC_PlaySong(a));
    ASSERT_TRUE(mt::wait_for([] { return seen.first_calls.load() >= 2; }));
    ASSERT_TRUE(FMUSIC_PlaySong(b));
    const int a_calls = seen.first_calls.load();
    EXPECT_TRUE(mt::wait_for([] { return seen.second_first_row.load() == 1; }));
    std::this_thread::sleep_for(100ms);
    EXPECT_EQ(seen.first_calls.load(), a_calls);
    EXPECT_TRUE(FMUSIC_FreeSong(b));
    EXPECT_TRUE(FMUSIC_FreeSong(a));
}

// FSOUND_Init's rate is what the demo asks for; the music plays at the
// device's (the dummy driver tells none: 44.1 kHz, the least sdl12-compat
// opens), the core renders at it and the estimate counts in it. The run's
// report says so, and how long the audio thread waited between callbacks
// (the dummy driver calls back once a buffer's time).
TEST_F(FmodApi, PlaysAtTheDeviceRateWhateverRateWasAsked)
{
    EXPECT_EQ(music_live_output_rate(), 0);
    EXPECT_EQ(music_live_report(), "");
    ASSERT_TRUE(FSOUND_Init(32000, 64, 0));
    EXPECT_EQ(music_live_output_rate(), 44100);
    EXPECT_EQ(music_live_buffer_samples(), 4096);
    EXPECT_EQ(music_live_latency_samples(), 4096);
    FMUSIC_MODULE* m = FMUSIC_LoadSong(three_order_song().c_str());
    ASSERT_NE(m, nullptr);
    EXPECT_EQ(music_live_core(m)->rate, 44100);
    ASSERT_TRUE(FMUSIC_PlaySong(m));
    // Heard only once more than the one buffer of latency was handed.
    ASSERT_TRUE(mt::wait_for([] { return music_live_audible_sample() > 0; }));
    EXPECT_GT(music_live_measured_rate(), 0.0);
    ASSERT_TRUE(mt::wait_for([] { return music_live_get_stats().longest_callback_gap_ms > 0; }));
    const LiveStats s = music_live_get_stats();
    EXPECT_GT(s.longest_callback_gap_ms, 0.8 * 4096 * 1000.0 / 44100);
    EXPECT_LT(s.longest_callback_ms, s.longest_callback_gap_ms);
    const std::string report = music_live_report();
    EXPECT_NE(report.find("audio: dummy at 44100 Hz"), std::string::npos) << report;
    EXPECT_NE(report.find("buffer 4096, latency counted 92.9 ms"), std::string::npos) << report;
    EXPECT_TRUE(FMUSIC_FreeSong(m));
}

// With a display lead, every callback comes that much before its row is
// heard: against each row's own delivery with no lead, the audible sample at
// delivery moves back by the lead.
TEST_F(FmodApi, ADisplayLeadDeliversThatMuchBeforeTheRowIsHeard)
{
    ASSERT_TRUE(FSOUND_Init(32000, 64, 0));
    xm::Module mod = module(1, 64, 1, 1);
    mod.speed = 1;  // a row per tick: 20 ms at 125 BPM
    for (int row = 0; row < 64; ++row) mod.patterns[0].at(row, 0) = hit(1);
    FMUSIC_MODULE* m = FMUSIC_LoadSong(write_temp("lead.xm", xm::write_xm(mod)).c_str());
    ASSERT_NE(m, nullptr);
    static std::atomic<double> heard_at[64];
    for (auto& a : heard_at) a.store(-1.0);
    FMUSIC_SetInstCallback(
        m,
        [](FMUSIC_MODULE* mm, unsigned char) { heard_at[FMUSIC_GetRow(mm) & 63].store(music_live_audible_sample()); },
        0);
    constexpr double kLeadMs = 50.0;
    music_live_set_display_lead(0.0);
    ASSERT_TRUE(FMUSIC_PlaySong(m));
    ASSERT_TRUE(mt::wait_for([] { return heard_at[20].load() >= 0; }));
    music_live_set_display_lead(kLeadMs);
    EXPECT_EQ(music_live_display_lead(), kLeadMs);
    ASSERT_TRUE(mt::wait_for([] { return heard_at[60].load() >= 0; }));
    EXPECT_TRUE(FMUSIC_FreeSong(m));
    music_live_set_display_lead(0.0);

    // Where each row would be heard, from the rows delivered with no lead:
    // row r's first sample is base + r * row_samples.
    const double row_samples = 0.020 * music_live_output_rate();
    std::vector<double> base, shift;
    for (int r = 2; r <= 18; ++r) base.push_back(heard_at[r].load() - r * row_samples);
    const double base_sample = percentile(base, 50);
    for (int r = 30; r <= 60; ++r)
        shift.push_back((heard_at[r].load() - r * row_samples - base_sample) * 1000.0 / music_live_output_rate());
    const double shift_ms = percentile(shift, 50);
    std::printf("[ lead     ] delivered %.2f ms against the row's sound with a %.0f ms lead\n", shift_ms, kLeadMs);
    EXPECT_NEAR(shift_ms, -kLeadMs, 10.0);
}

// Prints how late callbacks and position changes come against the audible
// estimate. Figures only: a busy machine makes them worse, not wrong.
// DRENSOLK_TIMING_SECONDS plays longer (default 1.5).
TEST_F(FmodApi, TimingAgainstTheAudibleEstimate)
{
    ASSERT_TRUE(FSOUND_Init(32000, 64, 0));
    xm::Module mod = module(2, 16, 1, 2);
    mod.speed = 1;  // a row per tick: 20 ms
    for (int row = 0; row < 16; ++row) mod.patterns[0].at(row, row % 2) = hit(1 + row % 2);
    FMUSIC_MODULE* m = FMUSIC_LoadSong(write_temp("fast.xm", xm::write_xm(mod)).c_str());
    ASSERT_NE(m, nullptr);
    std::atomic<int> calls{0};
    static std::atomic<int>* counter;
    counter = &calls;
    FMUSIC_SetInstCallback(
        m, [](FMUSIC_MODULE*, unsigned char) { counter->fetch_add(1); }, 0);
    FMUSIC_SetInstCallback(
        m, [](FMUSIC_MODULE*, unsigned char) { counter->fetch_add(1); }, 1);
    ASSERT_TRUE(FMUSIC_PlaySong(m));
    const char* secs = std::getenv("DRENSOLK_TIMING_SECONDS");
    std::this_thread::sleep_for(std::chrono::duration<double>(secs ? std::atof(secs) : 1.5));
    EXPECT_TRUE(FMUSIC_FreeSong(m));  // no delivery after this: the counts below agree
    const LiveStats s = music_live_get_stats();
    std::printf("[ timing   ] output %d Hz (measured %.1f), buffer %d samples, latency %d samples\n",
                music_live_output_rate(), music_live_measured_rate(), music_live_buffer_samples(),
                music_live_latency_samples());
    std::printf("[ timing   ] callbacks: %d, median %.3f ms, worst %.3f ms late, %d over 5 ms\n", s.trigger.count,
                s.trigger.median_ms, s.trigger.worst_ms, s.trigger.over_5ms);
    std::printf("[ timing   ] positions: %d, median %.3f ms, worst %.3f ms late, %d over 5 ms\n", s.position.count,
                s.position.median_ms, s.position.worst_ms, s.position.over_5ms);
    std::printf("[ timing   ] dropped %u, resyncs %u\n", s.dropped_events, s.resyncs);
    EXPECT_GT(calls.load(), 10);
    EXPECT_EQ(s.trigger.count, calls.load());
    EXPECT_EQ(s.dropped_events, 0u);
}

// The demo never calls FSOUND_Close: it quits SDL and returns from main with
// the song playing and the dispatch thread alive.
TEST(FmodApiExit, EndingTheProcessWhilePlayingExitsCleanly)
{
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    const std::string path = three_order_song();
    EXPECT_EXIT(
        {
            FSOUND_Init(32000, 64, 0);
            FMUSIC_PlaySong(FMUSIC_LoadSong(path.c_str()));
            std::this_thread::sleep_for(100ms);
            SDL_Quit();
            std::exit(0);
        },
        ::testing::ExitedWithCode(0), "");
}
