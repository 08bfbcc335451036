// The capture's music on small modules written here: which video frame a
// trigger reaches the sync state in, the position each video frame reads, the
// end row, the dry pass, and the audio against the player core's own render.
// At 32 kHz and 125 BPM a tick is 640 samples; speed 3 makes a row 1920.
#include <gtest/gtest.h>

#include <vector>

#include "capture/capture_music.h"
#include "capture/music_survey.h"
#include "core/base/sync_state.h"
#include "music/music_test_support.h"

using namespace mt;

namespace {

constexpr int kIntroFrames = 32;  // music starts after these, as after the intro

struct Music {
    CaptureMusic m{};
    explicit Music(const xm::Module& module, int start_order = -1) : Music(xm::write_xm(module), start_order) {}
    explicit Music(const std::vector<uint8_t>& bytes, int start_order = -1)
    {
        sync_reset_for_test();
        EXPECT_EQ(capture_music_open(&m, bytes, kRate, start_order), 0);
    }
    ~Music() { capture_music_close(&m); }
    void frame(FrameClock c, int64_t k) { capture_music_frame(&m, c, kIntroFrames, k); }
};

// Orders of one `rows`-row pattern each, nothing played.
xm::Module silent_orders(int orders, int rows)
{
    xm::Module m = module(1, rows, 1);
    m.orders.assign(static_cast<size_t>(orders), 0);
    return m;
}

// The samples at which the player core itself reports triggers in the
// first `frames` samples of `module`.
std::vector<uint64_t> trigger_frames(const xm::Module& module, uint64_t frames)
{
    PlayerCore core{};
    const std::vector<uint8_t> bytes = xm::write_xm(module);
    EXPECT_EQ(player_core_open(&core, bytes.data(), bytes.size(), kRate), 0);
    Rendered r;
    render(&core, frames, &r);
    player_core_close(&core);
    std::vector<uint64_t> out;
    for (const MusicEvent& e : only(r.events, MusicEventKind::Trigger)) out.push_back(e.sample);
    return out;
}

}  // namespace

TEST(CaptureMusicTriggers, ReachTheSyncStateInTheFrameWhoseTimeFirstCoversTheirSample)
{
    // Kick (instrument 1, written 2) on rows 5 and 6. At 25 fps a frame is 1280
    // samples: row 5 (9600) falls inside music frame 8's span, row 6 (11520)
    // exactly on music frame 9's first sample.
    xm::Module module = mt::module(1, 16, 1);
    module.patterns[0].at(5, 0) = hit(2);
    module.patterns[0].at(6, 0) = hit(2);
    ASSERT_EQ(trigger_frames(module, 8 * kRow), (std::vector<uint64_t>{5 * kRow, 6 * kRow}));

    const FrameClock clock{25, kRate};
    Music music(module);
    std::vector<int> beats;
    for (int64_t k = kIntroFrames; k < kIntroFrames + 12; ++k) {
        music.frame(clock, k);
        beats.push_back(ld(sync_state.beat_count));
    }
    EXPECT_EQ(beats, (std::vector<int>{0, 0, 0, 0, 0, 0, 0, 0, 1, 2, 2, 2}));
    EXPECT_FLOAT_EQ(ld(sync_state.beat_level), 1.0f);
}

TEST(CaptureMusicTriggers, CarryTheirOwnRowEvenWhenTheFrameReadsALaterOne)
{
    // Instrument 17 spawns walkers only on rows below 28. At 2 fps one frame
    // covers rows 27 and 28 at once: the trigger of row 27 must still spawn.
    xm::Module module = mt::module(1, 64, 1, 18);
    module.patterns[0].at(27, 0) = hit(18);
    Music music(module);
    const FrameClock clock{2, kRate};
    for (int64_t k = kIntroFrames; music.m.row < 27; ++k) music.frame(clock, k);
    EXPECT_GT(music.m.row, 28);
    EXPECT_TRUE(ld(sync_state.walker_spawn));
    EXPECT_EQ(ld(sync_state.accent_count), 1);

    xm::Module late = mt::module(1, 64, 1, 18);
    late.patterns[0].at(28, 0) = hit(18);
    Music late_music(late);
    for (int64_t j = kIntroFrames; late_music.m.row < 28; ++j) late_music.frame(clock, j);
    EXPECT_FALSE(ld(sync_state.walker_spawn));
    EXPECT_EQ(ld(sync_state.accent_count), 1);
}

TEST(CaptureMusicPosition, EachFrameReadsTheLastRowStartedAtOrBeforeItsSample)
{
    const FrameClock clock{30, kRate};  // 1066.67 samples a frame: rows start between frames
    Music music(silent_orders(5, 8));
    EXPECT_EQ(music.m.order, 0);  // before anything is heard, as the live layer reads
    EXPECT_EQ(music.m.row, 0);
    for (int64_t k = kIntroFrames; k < kIntroFrames + 60; ++k) {
        music.frame(clock, k);
        const int64_t sample = frame_sample(clock, k) - frame_sample(clock, kIntroFrames);
        const int64_t row = sample / kRow;
        ASSERT_EQ(music.m.order, row / 8) << "frame " << k;
        ASSERT_EQ(music.m.row, row % 8) << "frame " << k;
        ASSERT_EQ(music.m.heard, static_cast<uint64_t>(sample) + 1);
    }
}

TEST(CaptureMusicPosition, StartOrderMovesThereAndAnOrderOutsideTheListChangesNothing)
{
    const FrameClock clock{25, kRate};
    Music moved(silent_orders(4, 8), 2);
    moved.frame(clock, kIntroFrames);
    EXPECT_EQ(moved.m.order, 2);
    EXPECT_EQ(moved.m.row, 0);
    Music refused(silent_orders(4, 8), 4);
    refused.frame(clock, kIntroFrames);
    EXPECT_EQ(refused.m.order, 0);
}

TEST(CaptureMusicEnd, IsReachedInTheFrameThatReadsOrder20Row2)
{
    const FrameClock clock{25, kRate};
    Music music(silent_orders(22, 4));
    const int64_t end_sample = (20 * 4 + 2) * kRow;
    for (int64_t k = kIntroFrames;; ++k) {
        music.frame(clock, k);
        const int64_t sample = frame_sample(clock, k) - frame_sample(clock, kIntroFrames);
        ASSERT_EQ(music.m.end_reached, sample >= end_sample) << "frame " << k;
        if (music.m.end_reached) {
            EXPECT_EQ(music.m.order, 20);
            EXPECT_EQ(music.m.row, 2);
            break;
        }
    }
}

TEST(CaptureMusicEnd, IsAlsoReachedByAFrameThatPassesTheEndRowWithoutReadingIt)
{
    const FrameClock clock{1, kRate};  // a frame lasts 16 rows of 1920 samples
    Music music(silent_orders(22, 4));
    // Music frames 4 and 5 start at 128000 and 160000 samples: rows 66 and 83,
    // either side of the end row (row 82 of the song, order 20 row 2).
    int64_t k = kIntroFrames;
    for (; k < kIntroFrames + 5; ++k) {
        music.frame(clock, k);
        EXPECT_FALSE(music.m.end_reached) << "frame " << k;
    }
    music.frame(clock, k);
    EXPECT_TRUE(music.m.end_reached);
    EXPECT_EQ(music.m.order, 20);
    EXPECT_EQ(music.m.row, 3);
}

namespace {

// Busy enough that rounding differences would show: four instruments on two
// channels, three orders.
xm::Module busy_module()
{
    xm::Module module = mt::module(2, 16, 1);
    for (int r = 0; r < 16; r += 3) module.patterns[0].at(r, r % 2) = hit(1 + r % 4);
    module.orders = {0, 0, 0};
    return module;
}

// Frame by frame at `fps`, then to `total` frames: what a capture writes.
std::vector<int16_t> capture_audio(const std::vector<uint8_t>& bytes, int start_order, int fps, int frames,
                                   uint64_t total)
{
    const FrameClock clock{fps, kRate};
    Music music(bytes, start_order);
    std::vector<int16_t> out;
    for (int64_t k = kIntroFrames; k < kIntroFrames + frames; ++k) {
        music.frame(clock, k);
        const std::vector<int16_t> pcm = capture_music_take(&music.m);
        EXPECT_EQ(pcm.size(), 2 * (music.m.heard - out.size() / 2));
        out.insert(out.end(), pcm.begin(), pcm.end());
    }
    capture_music_render_to(&music.m, total);
    const std::vector<int16_t> tail = capture_music_take(&music.m);
    out.insert(out.end(), tail.begin(), tail.end());
    return out;
}

}  // namespace

TEST(CaptureMusicAudio, EqualsThePlayerCoresRenderSampleForSample)
{
    const xm::Module module = busy_module();
    const std::vector<int16_t> captured = capture_audio(xm::write_xm(module), -1, 30, 90, 4 * kRate);
    ASSERT_EQ(captured.size(), 2u * 4 * kRate);

    PlayerCore core{};
    const std::vector<uint8_t> bytes = xm::write_xm(module);
    ASSERT_EQ(player_core_open(&core, bytes.data(), bytes.size(), kRate), 0);
    Rendered reference;
    render(&core, 4 * kRate, &reference, kCaptureBlockSamples);
    player_core_close(&core);
    int nonzero = 0;
    for (int16_t v : reference.audio) nonzero += v != 0;
    EXPECT_GT(nonzero, 1000);  // the comparison is about real sound
    EXPECT_EQ(captured, reference.audio);
}

TEST(CaptureMusicAudio, IsTheSameAtEveryFrameRate)
{
    // The demo's own module: libopenmpt rounds its mix by where reads are cut,
    // so frame-sized reads would differ in the last bit within a second here.
    std::vector<uint8_t> bytes;
    ASSERT_EQ(read_module_file(DRENSOLK_DATA_DIR "/qx_demo_drensolk.xm", &bytes), 0);
    const std::vector<int16_t> at30 = capture_audio(bytes, 19, 30, 80, 3 * kRate);
    ASSERT_EQ(at30.size(), 2u * 3 * kRate);
    EXPECT_TRUE(capture_audio(bytes, 19, 7, 20, 3 * kRate) == at30);
    EXPECT_TRUE(capture_audio(bytes, 19, 240, 700, 3 * kRate) == at30);
}

TEST(MusicSurvey, FindsEachOrdersSpanAndTheEndRow)
{
    const std::vector<uint8_t> bytes = xm::write_xm(silent_orders(22, 4));
    const MusicSurvey s = survey_music(bytes, kRate, -1, 60 * kRate);
    for (int o = 0; o < kSurveyOrders; ++o) EXPECT_EQ(s.order_start[o], uint64_t(o * 4 * kRow)) << o;
    for (int o = 0; o < 20; ++o) EXPECT_EQ(s.order_end[o], uint64_t((o + 1) * 4 * kRow)) << o;
    EXPECT_EQ(s.end_sample, uint64_t(82 * kRow));
    EXPECT_EQ(s.order_end[20], s.end_sample);
    EXPECT_EQ(survey_middle(s, 3), uint64_t(14 * kRow));
    EXPECT_EQ(survey_middle(s, 20), uint64_t(81 * kRow));
}

TEST(MusicSurvey, FromAStartOrderLeavesEarlierOrdersOutAndCountsFromThere)
{
    const std::vector<uint8_t> bytes = xm::write_xm(silent_orders(22, 4));
    const MusicSurvey s = survey_music(bytes, kRate, 19, 60 * kRate);
    EXPECT_EQ(s.order_start[18], kSurveyNone);
    EXPECT_EQ(survey_middle(s, 0), kSurveyNone);
    EXPECT_EQ(s.order_start[19], 0u);
    EXPECT_EQ(s.end_sample, uint64_t(6 * kRow));
}

TEST(MusicSurvey, GivesUpAtTheLimitWhenTheEndRowNeverPlays)
{
    const std::vector<uint8_t> bytes = xm::write_xm(silent_orders(5, 4));  // loops over orders 0 to 4
    const MusicSurvey s = survey_music(bytes, kRate, -1, 10 * kRate);
    EXPECT_EQ(s.end_sample, kSurveyNone);
    EXPECT_EQ(s.order_start[4], uint64_t(16 * kRow));
    EXPECT_EQ(s.order_start[5], kSurveyNone);
}
