#include "core/base/sync_state.h"

#include "core/base/demo_data.h"
#include "core/base/trigger_record.h"
#include "core/music/fmod_api.h"
#include "draw/vec.h"

SyncState sync_state;

static_assert(std::atomic<float>::is_always_lock_free, "levels must be lock-free");
static_assert(std::atomic<int32_t>::is_always_lock_free, "counters must be lock-free");
static_assert(std::atomic<bool>::is_always_lock_free, "flags must be lock-free");

void decay_level(std::atomic<float>& level, float base, double dt)
{
    st(level, ld(level) * fpow(base, static_cast<float>(dt)));
}

namespace {

template <class T>
void add(std::atomic<T>& a, T v)
{
    st(a, static_cast<T>(ld(a) + v));
}

// Shared by the live hook and callers that already know the row. The row is
// only asked for when the stab needs it. Tests run one after the other: one
// trigger can match several.
template <class RowFn>
void apply_instrument(unsigned char n, RowFn row)
{
    SyncState& s = sync_state;
    if (n == role::kick) {
        st(s.pulse, 1.0f);
        add(s.beat_count, 1);
        st(s.grid_phase, static_cast<float>(static_cast<double>(ld(s.grid_phase)) + 0.4));
        st(s.beat_level, 1.0f);
    } else if (n == role::snare || n == role::tom || n == role::clap) {
        st(s.ring_level, 1.0f);
        add(s.ring_count, 1);
    }
    if (n == role::crash) {
        st(s.reposition_flag, true);
        add(s.jump_count, 1);
    }
    if (n == role::closed_hat || n == role::open_hat) {
        st(s.flicker_level, 1.0f);
        add(s.accent_count, 1);
    }
    if (n == role::rim) {
        st(s.pulse, 1.0f);
        st(s.flicker_level, 1.0f);
        add(s.accent_count, 1);
    } else if (n == role::open_hat) {
        add(s.petal_phase, 341.0f);
        add(s.accent_count, 1);
    } else if (n == role::pluck) {
        const int32_t cursor = ld(s.petal_cursor);
        st(s.petal_level[((cursor % 3) + 3) % 3], 1.0f);
        st(s.petal_cursor, cursor + 1);
    }
    if (n == role::stab) {
        add(s.accent_count, 1);
        if (row() < 28) st(s.walker_spawn, true);
    }
}

}  // namespace

void sync_on_instrument(FMUSIC_MODULE* module, unsigned char n)
{
    apply_instrument(n, [module] { return FMUSIC_GetRow(module); });
    trigger_record_add(n);
}

void sync_apply_instrument(unsigned char n, int row)
{
    apply_instrument(n, [row] { return row; });
}

void sync_reset_for_test()
{
    SyncState& s = sync_state;
    st(s.pulse, 0.0f);
    st(s.petal_phase, 0.0f);
    st(s.walker_spawn, false);
    for (auto& level : s.petal_level) st(level, 0.0f);
    st(s.petal_cursor, 0);
    st(s.grid_phase, 0.0f);
    st(s.flicker_level, 0.0f);
    st(s.accent_count, 0);
    st(s.reposition_flag, false);
    st(s.beat_level, 0.0f);
    st(s.ring_level, 0.0f);
    st(s.beat_count, 0);
    st(s.ring_count, 0);
    st(s.jump_count, 0);
}
