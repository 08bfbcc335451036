// What the music tells the pictures. The instrument callback writes these
// fields from the music layer's thread when a trigger is due (live, one
// display lead before it is heard); the layers read and decay them on the
// main thread. Each field is one lock-free value accessed relaxed: no field relies
// on another's order.
#pragma once
#include <atomic>
#include <cstdint>

struct FMUSIC_MODULE;

struct SyncState {
    std::atomic<float> pulse{0.0f};
    std::atomic<float> petal_phase{0.0f};
    std::atomic<bool> walker_spawn{false};
    std::atomic<float> petal_level[3] = {0.0f, 0.0f, 0.0f};
    std::atomic<int32_t> petal_cursor{0};
    std::atomic<float> grid_phase{0.0f};
    std::atomic<float> flicker_level{0.0f};
    std::atomic<int32_t> accent_count{0};
    std::atomic<bool> reposition_flag{false};
    std::atomic<float> beat_level{0.0f};
    std::atomic<float> ring_level{0.0f};
    std::atomic<int32_t> beat_count{0};
    std::atomic<int32_t> ring_count{0};
    std::atomic<int32_t> jump_count{0};
};

extern SyncState sync_state;

// Relaxed access: a whole value at a time, no ordering between fields.
template <class T>
inline T ld(const std::atomic<T>& a)
{
    return a.load(std::memory_order_relaxed);
}
template <class T>
inline void st(std::atomic<T>& a, T v)
{
    a.store(v, std::memory_order_relaxed);
}

// level *= base^dt, stored back as a float (fpow of base and dt as floats).
void decay_level(std::atomic<float>& level, float base, double dt);

// The instrument hook: called by the music layer once per trigger of instrument n.
void sync_on_instrument(FMUSIC_MODULE* module, unsigned char n);
// The same, with the current row given instead of asked for (tests, capture).
void sync_apply_instrument(unsigned char n, int row);

// Tests only: every field back to zero.
void sync_reset_for_test();
