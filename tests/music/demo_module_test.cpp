// The generated demo module through the player core and the live layer.
// Skipped until the data generator has written it.
#include <gtest/gtest.h>

#include <chrono>
#include <cstdio>
#include <string>
#include <thread>
#include <vector>

#include "core/music/fmod_api.h"
#include "core/music/music_live.h"
#include "core/music/player_core.h"

namespace {

const std::string kPath = std::string(DRENSOLK_DATA_DIR) + "/qx_demo_drensolk.xm";

std::vector<uint8_t> read_all(const std::string& path)
{
    std::vector<uint8_t> bytes;
    if (FILE* f = std::fopen(path.c_str(), "rb")) {
        uint8_t buf[65536];
        size_t n;
        while ((n = std::fread(buf, 1, sizeof buf, f)) > 0) bytes.insert(bytes.end(), buf, buf + n);
        std::fclose(f);
    }
    return bytes;
}

}  // namespace

TEST(DemoModule, PlaysToOrder20Row2WithEveryTriggerInsideItsRow)
{
    const std::vector<uint8_t> bytes = read_all(kPath);
    if (bytes.empty()) GTEST_SKIP() << "no generated module at " << kPath;
    PlayerCore core{};
    ASSERT_EQ(player_core_open(&core, bytes.data(), bytes.size(), 32000), 0);
    EXPECT_GE(core.num_orders, 21);

    std::vector<int16_t> pcm(2 * 4096);
    MusicEvent row{};
    bool first = true, reached = false, wrong_instrument = false, outside_row = false;
    int last_order = 0;
    bool order_went_back = false;
    // Ten minutes of audio at most: the demo ends at order 20 long before.
    while (!reached && player_core_sample(&core) < uint64_t(600) * 32000) {
        player_core_render_block(&core, pcm.data(), 4096, [&](const MusicEvent& e, size_t) {
            if (e.kind == MusicEventKind::Row) {
                if (first) {
                    EXPECT_EQ(e.sample, 0u);
                    EXPECT_EQ(e.order, 0);
                    EXPECT_EQ(e.row, 0);
                    first = false;
                }
                if (e.order < last_order) order_went_back = true;
                last_order = e.order;
                row = e;
                reached |= e.order == 20 && e.row == 2;
            } else {
                wrong_instrument |= e.instrument >= core.num_instruments;
                outside_row |= e.order != row.order || e.row != row.row || e.sample < row.sample;
            }
        });
    }
    EXPECT_TRUE(reached);
    EXPECT_FALSE(order_went_back);
    EXPECT_FALSE(wrong_instrument);
    EXPECT_FALSE(outside_row);
    EXPECT_EQ(core.resyncs, 0u);  // every row started where the tick count said
    player_core_close(&core);
}

TEST(DemoModule, LiveStartAtOrder19IsHeard)
{
    if (read_all(kPath).empty()) GTEST_SKIP() << "no generated module at " << kPath;
    setenv("SDL_AUDIODRIVER", "dummy", 0);
    ASSERT_TRUE(FSOUND_Init(32000, 64, 0));
    FMUSIC_MODULE* m = FMUSIC_LoadSong(kPath.c_str());
    ASSERT_NE(m, nullptr);
    ASSERT_TRUE(FMUSIC_PlaySong(m));
    ASSERT_TRUE(FMUSIC_SetOrder(m, 19));
    bool heard = false;
    for (int i = 0; i < 2000 && !heard; ++i) {
        heard = FMUSIC_GetOrder(m) == 19;
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    EXPECT_TRUE(heard);
    EXPECT_TRUE(FMUSIC_FreeSong(m));
    FSOUND_Close();
}
