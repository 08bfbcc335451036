#include <gtest/gtest.h>

#include "core/base/demo_data.h"
#include "core/base/sync_state.h"

namespace {

class SyncStateTest : public ::testing::Test {
protected:
    void SetUp() override { sync_reset_for_test(); }
    void TearDown() override { sync_reset_for_test(); }
    SyncState& s = sync_state;
};

TEST_F(SyncStateTest, KickDrivesPulseBeatAndGrid)
{
    sync_apply_instrument(role::kick, 0);
    sync_apply_instrument(role::kick, 0);
    EXPECT_EQ(ld(s.pulse), 1.0f);
    EXPECT_EQ(ld(s.beat_level), 1.0f);
    EXPECT_EQ(ld(s.beat_count), 2);
    EXPECT_FLOAT_EQ(ld(s.grid_phase), 0.8f);
    EXPECT_EQ(ld(s.ring_count), 0);
    EXPECT_EQ(ld(s.accent_count), 0);
}

TEST_F(SyncStateTest, SnareTomsAndClapFireRings)
{
    for (int n : {role::snare, role::tom, role::clap}) sync_apply_instrument(static_cast<unsigned char>(n), 0);
    EXPECT_EQ(ld(s.ring_level), 1.0f);
    EXPECT_EQ(ld(s.ring_count), 3);
    EXPECT_EQ(ld(s.beat_count), 0);
}

TEST_F(SyncStateTest, CrashTwiceRaisesOneRepositionAndCountsTwoJumps)
{
    sync_apply_instrument(role::crash, 0);
    sync_apply_instrument(role::crash, 0);
    EXPECT_TRUE(ld(s.reposition_flag));
    EXPECT_EQ(ld(s.jump_count), 2);
}

TEST_F(SyncStateTest, OpenHatAlone)
{
    sync_apply_instrument(role::open_hat, 0);
    EXPECT_EQ(ld(s.accent_count), 2);
    EXPECT_EQ(ld(s.flicker_level), 1.0f);
    EXPECT_EQ(ld(s.petal_phase), 341.0f);
    EXPECT_EQ(ld(s.pulse), 0.0f);
}

TEST_F(SyncStateTest, ClapAlone)
{
    sync_apply_instrument(role::rim, 0);
    EXPECT_EQ(ld(s.pulse), 1.0f);
    EXPECT_EQ(ld(s.flicker_level), 1.0f);
    EXPECT_EQ(ld(s.accent_count), 1);
    EXPECT_EQ(ld(s.petal_phase), 0.0f);
}

TEST_F(SyncStateTest, ClosedHatFlickers)
{
    sync_apply_instrument(role::closed_hat, 0);
    EXPECT_EQ(ld(s.flicker_level), 1.0f);
    EXPECT_EQ(ld(s.accent_count), 1);
    EXPECT_EQ(ld(s.pulse), 0.0f);
}

TEST_F(SyncStateTest, PluckSetsPetalLevelsInRotation)
{
    for (int i = 0; i < 3; ++i) {
        sync_apply_instrument(role::pluck, 0);
        for (int e = 0; e < 3; ++e) EXPECT_EQ(ld(s.petal_level[e]), e <= i ? 1.0f : 0.0f) << i << e;
    }
    st(s.petal_level[0], 0.25f);
    sync_apply_instrument(role::pluck, 0);  // wraps to entry 0
    EXPECT_EQ(ld(s.petal_level[0]), 1.0f);
    EXPECT_EQ(ld(s.petal_cursor), 4);
}

TEST_F(SyncStateTest, BlipSpawnsWalkersOnlyBelowRow28)
{
    sync_apply_instrument(role::stab, 27);
    EXPECT_TRUE(ld(s.walker_spawn));
    EXPECT_EQ(ld(s.accent_count), 1);
    st(s.walker_spawn, false);
    sync_apply_instrument(role::stab, 28);
    sync_apply_instrument(role::stab, 63);
    EXPECT_FALSE(ld(s.walker_spawn));
    EXPECT_EQ(ld(s.accent_count), 3);
}

TEST_F(SyncStateTest, MusicOnlyInstrumentsChangeNothing)
{
    for (unsigned char n : {0, 6, 7, 8, 9, 10, 11, 15, 18, 20, 29, 255}) sync_apply_instrument(n, 0);
    EXPECT_EQ(ld(s.pulse), 0.0f);
    EXPECT_EQ(ld(s.accent_count), 0);
    EXPECT_EQ(ld(s.beat_count) + ld(s.ring_count) + ld(s.jump_count) + ld(s.petal_cursor), 0);
    EXPECT_FALSE(ld(s.walker_spawn) || ld(s.reposition_flag));
    EXPECT_EQ(ld(s.flicker_level) + ld(s.ring_level) + ld(s.beat_level) + ld(s.grid_phase), 0.0f);
}

TEST_F(SyncStateTest, DecayFallsToATenthInHalfASecondAndHoldsAtZeroTime)
{
    st(s.beat_level, 1.0f);
    decay_level(s.beat_level, 0.01f, 0.0);
    EXPECT_EQ(ld(s.beat_level), 1.0f);
    decay_level(s.beat_level, 0.01f, 0.5);
    EXPECT_NEAR(ld(s.beat_level), 0.1f, 1e-6);
}

}  // namespace
