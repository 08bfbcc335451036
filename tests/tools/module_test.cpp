// The generated module as the demo's player sees it: it loads cleanly, has
// the shape the schedule expects, and each instrument the pictures react to
// plays where and when the pictures need it.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <map>
#include <set>

#include "core/base/demo_data.h"
#include "data_files.h"
#include "openmpt_probe.h"

namespace {

constexpr int kFinalOrder = 20;
constexpr int kFinalRow = 2;

class GeneratedModule : public ::testing::Test {
protected:
    static void SetUpTestSuite()
    {
        bytes_ = new std::vector<uint8_t>(data_files::read("qx_demo_drensolk.xm"));
        loaded_ = probe::load(*bytes_).release();
        if (!loaded_->get()) return;
        scan();
    }
    static void TearDownTestSuite()
    {
        delete loaded_;
        delete bytes_;
        delete triggers_;
    }

    // triggers[order][instrument (0-based)] = rows where a note starts it.
    static void scan()
    {
        openmpt_module* m = loaded_->get();
        triggers_ = new std::map<int, std::map<int, std::vector<int>>>();
        const int channels = openmpt_module_get_num_channels(m);
        for (int o = 0; o < openmpt_module_get_num_orders(m); ++o) {
            const int p = openmpt_module_get_order_pattern(m, o);
            for (int r = 0; r < openmpt_module_get_pattern_num_rows(m, p); ++r)
                for (int c = 0; c < channels; ++c) {
                    const int note =
                        openmpt_module_get_pattern_row_channel_command(m, p, r, c, OPENMPT_MODULE_COMMAND_NOTE);
                    const int ins =
                        openmpt_module_get_pattern_row_channel_command(m, p, r, c, OPENMPT_MODULE_COMMAND_INSTRUMENT);
                    // Notes 1..120 start a sound; higher values are key off and note cut.
                    if (ins > 0 && note >= 1 && note <= 120) (*triggers_)[o][ins - 1].push_back(r);
                }
        }
    }

    static const std::vector<int>& rows_of(int order, int instrument)
    {
        static const std::vector<int> none;
        auto o = triggers_->find(order);
        if (o == triggers_->end()) return none;
        auto i = o->second.find(instrument);
        return i == o->second.end() ? none : i->second;
    }
    static bool plays(int order, int instrument) { return !rows_of(order, instrument).empty(); }
    // Row numbers counted from the start of the song, for gaps across patterns.
    static std::vector<int> song_rows(int first_order, int last_order, int instrument)
    {
        std::vector<int> out;
        int base = 0;
        openmpt_module* m = loaded_->get();
        for (int o = 0; o <= last_order; ++o) {
            if (o >= first_order)
                for (int r : rows_of(o, instrument)) out.push_back(base + r);
            base += openmpt_module_get_pattern_num_rows(m, openmpt_module_get_order_pattern(m, o));
        }
        return out;
    }
    static int largest_gap(const std::vector<int>& rows)
    {
        int gap = 0;
        for (size_t i = 1; i < rows.size(); ++i) gap = std::max(gap, rows[i] - rows[i - 1]);
        return gap;
    }

    static std::vector<uint8_t>* bytes_;
    static probe::Loaded* loaded_;
    static std::map<int, std::map<int, std::vector<int>>>* triggers_;
};

std::vector<uint8_t>* GeneratedModule::bytes_ = nullptr;
probe::Loaded* GeneratedModule::loaded_ = nullptr;
std::map<int, std::map<int, std::vector<int>>>* GeneratedModule::triggers_ = nullptr;

// libopenmpt reads the header the way FastTracker 2 would: an XM of version
// 1.04 (an older version or another format changes how it plays).
TEST_F(GeneratedModule, LoadsAsAFastTracker2Module)
{
    ASSERT_NE(loaded_->get(), nullptr) << loaded_->error;
    for (const auto& [key, want] :
         {std::pair<const char*, const char*>{"type", "xm"}, {"type_long", "FastTracker 2 v1.04"}}) {
        const char* got = openmpt_module_get_metadata(loaded_->get(), key);
        EXPECT_STREQ(got, want) << key;
        openmpt_free_string(got);
    }
}

TEST_F(GeneratedModule, HasTheOrdersRowsAndInstrumentsTheScheduleNeeds)
{
    openmpt_module* m = loaded_->get();
    ASSERT_NE(m, nullptr);
    EXPECT_GE(openmpt_module_get_num_orders(m), 21);
    EXPECT_GE(openmpt_module_get_num_instruments(m), 18);
    EXPECT_GE(openmpt_module_get_num_samples(m), 18);
    for (int o = 0; o < openmpt_module_get_num_orders(m); ++o) {
        const int rows = openmpt_module_get_pattern_num_rows(m, openmpt_module_get_order_pattern(m, o));
        if (o == kFinalOrder)
            EXPECT_GE(rows, kFinalRow + 1);
        else
            EXPECT_EQ(rows, 64) << "order " << o;
    }
}

TEST_F(GeneratedModule, TempoAndLengthToTheLastFrame)
{
    openmpt_module* m = loaded_->get();
    ASSERT_NE(m, nullptr);
    EXPECT_GE(openmpt_module_get_current_tempo(m), 120);
    EXPECT_LE(openmpt_module_get_current_tempo(m), 130);
    const double end = openmpt_module_set_position_order_row(m, kFinalOrder, kFinalRow);
    EXPECT_GE(end, 120.0);
    EXPECT_LE(end, 180.0);
}

TEST_F(GeneratedModule, FinalHitOpensTheLastOrder)
{
    ASSERT_NE(loaded_->get(), nullptr);
    for (int instrument : {1, 5}) {
        const auto& rows = rows_of(kFinalOrder, instrument);
        EXPECT_TRUE(std::find(rows.begin(), rows.end(), 0) != rows.end()) << "instrument " << instrument;
    }
    // Nothing new starts before the demo stops at row 2: the hit is the last word.
    for (const auto& [instrument, rows] : triggers_->at(kFinalOrder))
        for (int r : rows) EXPECT_TRUE(r == 0 || r > kFinalRow) << "instrument " << instrument << " row " << r;
}

TEST_F(GeneratedModule, KickOnEveryBeatFromOrderFourSparserBefore)
{
    ASSERT_NE(loaded_->get(), nullptr);
    for (int o = 4; o < kFinalOrder; ++o)
        for (int beat = 0; beat < 64; beat += 4) {
            const auto& rows = rows_of(o, role::kick);
            EXPECT_TRUE(std::find(rows.begin(), rows.end(), beat) != rows.end()) << "order " << o << " row " << beat;
        }
    for (int o = 0; o < 4; ++o) {
        EXPECT_TRUE(plays(o, role::kick)) << "order " << o;
        EXPECT_LT(rows_of(o, role::kick).size(), 16u) << "order " << o;
    }
}

TEST_F(GeneratedModule, RingHitsOnBackbeatsAndFills)
{
    ASSERT_NE(loaded_->get(), nullptr);
    for (int o = 4; o <= kFinalOrder; ++o)
        EXPECT_TRUE(plays(o, role::snare) || plays(o, role::tom) || plays(o, role::clap)) << "order " << o;
    for (int o = 4; o <= 6; ++o)
        for (int backbeat : {4, 12, 20, 28}) {
            bool hit = false;
            for (int n : {role::snare, role::tom, role::clap}) {
                const auto& rows = rows_of(o, n);
                hit = hit || std::find(rows.begin(), rows.end(), backbeat) != rows.end();
            }
            EXPECT_TRUE(hit) << "order " << o << " row " << backbeat;
        }
    bool fill = false;
    for (int o = 4; o <= 7; ++o) fill = fill || plays(o, role::tom);
    EXPECT_TRUE(fill) << "no tom fill in orders 4 to 7";
}

TEST_F(GeneratedModule, CrashAboutEverySixteenRowsDenserInThePeaks)
{
    ASSERT_NE(loaded_->get(), nullptr);
    const auto rows = song_rows(4, kFinalOrder, role::crash);
    ASSERT_FALSE(rows.empty());
    EXPECT_EQ(rows.front(), 4 * 64);
    EXPECT_LE(largest_gap(rows), 16);
    auto count = [&](int first, int last) {
        size_t n = 0;
        for (int o = first; o <= last; ++o) n += rows_of(o, role::crash).size();
        return static_cast<double>(n) / (last - first + 1);
    };
    EXPECT_GT(count(8, 11), count(4, 6));
    EXPECT_GT(count(16, 19), count(12, 15));
    EXPECT_TRUE(plays(kFinalOrder, role::crash));
}

TEST_F(GeneratedModule, IntroAccentsPlayWhereThePetalsAndFlickerNeedThem)
{
    ASSERT_NE(loaded_->get(), nullptr);
    for (int o = 1; o <= kFinalOrder; ++o) EXPECT_TRUE(plays(o, role::closed_hat)) << "closed hat, order " << o;
    for (int o = 0; o <= 3; ++o) {
        EXPECT_TRUE(plays(o, role::rim)) << "rim, order " << o;
        EXPECT_TRUE(plays(o, role::open_hat)) << "open hat, order " << o;
    }
    const auto open = song_rows(0, 3, role::open_hat);
    ASSERT_FALSE(open.empty());
    EXPECT_LE(open.front(), 16);
    for (size_t i = 1; i < open.size(); ++i) {
        EXPECT_GE(open[i] - open[i - 1], 8);
        EXPECT_LE(open[i] - open[i - 1], 16);
    }
    EXPECT_GE(4 * 64 - open.back(), 1);
    EXPECT_LE(4 * 64 - open.back(), 16);

    const auto plucks = song_rows(0, 3, role::pluck);
    ASSERT_FALSE(plucks.empty());
    EXPECT_LE(plucks.front(), 3);
    for (size_t i = 1; i < plucks.size(); ++i) {
        EXPECT_GE(plucks[i] - plucks[i - 1], 2);
        EXPECT_LE(plucks[i] - plucks[i - 1], 4);
    }
}

TEST_F(GeneratedModule, StabsOnlyInTheFirst28RowsFromOrderFour)
{
    ASSERT_NE(loaded_->get(), nullptr);
    for (int o = 4; o <= kFinalOrder; ++o) EXPECT_TRUE(plays(o, role::stab)) << "order " << o;
    for (const auto& [order, by_instrument] : *triggers_) {
        auto it = by_instrument.find(17);
        if (it == by_instrument.end()) continue;
        for (int r : it->second) EXPECT_LT(r, 28) << "order " << order;
    }
}

TEST_F(GeneratedModule, MusicOnlyInstrumentsAllPlay)
{
    ASSERT_NE(loaded_->get(), nullptr);
    for (int n : {0, 6, 7, 8, 9, 10, 11, 15}) {
        bool used = false;
        for (int o = 0; o <= kFinalOrder; ++o) used = used || plays(o, n);
        EXPECT_TRUE(used) << "instrument " << n;
    }
}

TEST_F(GeneratedModule, MixIsLoudButNeverClips)
{
    openmpt_module* m = loaded_->get();
    ASSERT_NE(m, nullptr);
    openmpt_module_set_position_seconds(m, 0.0);
    const int rate = 32000;
    const double end = openmpt_module_set_position_order_row(m, kFinalOrder, kFinalRow);
    openmpt_module_set_position_seconds(m, 0.0);
    const auto out = probe::render(m, rate, end);
    ASSERT_GT(out.left.size(), static_cast<size_t>(rate * 100));
    double peak = 0.0, sum = 0.0;
    // Loudness per 7.68 s pattern too: no section may drop out.
    const size_t per_order = static_cast<size_t>(rate * 7.68);
    std::vector<double> order_sum(out.left.size() / per_order + 1, 0.0);
    for (size_t i = 0; i < out.left.size(); ++i) {
        peak =
            std::max({peak, static_cast<double>(std::fabs(out.left[i])), static_cast<double>(std::fabs(out.right[i]))});
        const double e = 0.5 * (out.left[i] * out.left[i] + out.right[i] * out.right[i]);
        sum += e;
        order_sum[i / per_order] += e;
    }
    const double peak_db = 20 * std::log10(peak);
    const double rms_db = 10 * std::log10(sum / out.left.size());
    EXPECT_LT(peak_db, -0.5);
    EXPECT_GT(rms_db, -20.0);
    EXPECT_LT(rms_db, -10.0);
    for (size_t o = 0; o + 1 < order_sum.size(); ++o)
        EXPECT_GT(10 * std::log10(order_sum[o] / per_order), -32.0) << "order " << o;
}

}  // namespace

// The generator names each instrument for what it plays; the sync state reacts
// by slot. Both take the slots from core/base/demo_data.h, so a role moved there
// moves in the module too, and a voice put in the wrong slot shows here.
TEST_F(GeneratedModule, EveryRoleSitsInTheSlotTheSyncStateReactsTo)
{
    openmpt_module* m = loaded_->get();
    ASSERT_NE(m, nullptr);
    const std::pair<int, const char*> slots[] = {
        {role::kick, "kick"},
        {role::snare, "snare"},
        {role::tom, "tom"},
        {role::clap, "clap"},
        {role::crash, "crash"},
        {role::rim, "rim"},
        {role::closed_hat, "closed hat"},
        {role::open_hat, "open hat"},
        {role::pluck, "pluck"},
        {role::stab, "stab"},
    };
    ASSERT_EQ(openmpt_module_get_num_instruments(m), role::count);
    for (const auto& [slot, name] : slots) {
        const char* got = openmpt_module_get_instrument_name(m, slot);
        EXPECT_STREQ(got, name) << "slot " << slot;
        openmpt_free_string(got);
    }
}
