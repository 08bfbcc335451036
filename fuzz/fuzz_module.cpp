// libFuzzer target for the module path: any bytes through the player core as
// the live driver and the capture use it. Load (libopenmpt plus the trigger
// scan over every pattern cell), render a few hundred ticks with their
// events, jump to an order and render on. Besides the sanitizers it checks
// what player_core_render promises about its events.
#include <cstddef>
#include <cstdint>
#include <cstdlib>

#include "core/music/player_core.h"

namespace {

// The lowest rate the core takes: the same ticks in the fewest samples.
constexpr int kRate = 8000;
constexpr int kTicks = 300;
constexpr size_t kMaxFrames = 8000 * 30;  // samples: 30 s; a tick is at most about 78 ms
constexpr int kCapacity = 4 * kMaxEventsPerTick;

void check(bool ok)
{
    if (!ok) std::abort();
}

// Renders `ticks` ticks' worth of samples in blocks of the live driver's size.
void render_ticks(PlayerCore* core, int ticks)
{
    static int16_t pcm[2 * 512];
    static MusicEvent events[kCapacity];
    size_t rendered = 0;
    while (rendered < kMaxFrames &&
           rendered < static_cast<size_t>(ticks) * static_cast<size_t>(core->tick_samples + 1)) {
        const uint64_t first = player_core_sample(core);
        int count = -1;
        const size_t n = player_core_render(core, pcm, 512, events, kCapacity, &count);
        check(n == 512);
        check(count >= 0 && count <= kCapacity);
        check(player_core_sample(core) == first + n);
        uint64_t last = first;
        for (int i = 0; i < count; ++i) {
            const MusicEvent& e = events[i];
            check(e.sample >= last && e.sample < first + n);
            last = e.sample;
            check(e.kind == MusicEventKind::Row || e.kind == MusicEventKind::Trigger);
            if (e.kind == MusicEventKind::Trigger) check(e.channel < core->channels);
        }
        rendered += n;
    }
}

}  // namespace

extern "C" const char* __asan_default_options()
{
    // An allocation above 512 MiB fails as it would on a small machine, instead
    // of stopping the fuzzer as an out-of-memory crash.
    return "allocator_may_return_null=1:max_allocation_size_mb=512";
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    PlayerCore core{};
    if (player_core_open(&core, data, size, kRate) != 0) {
        check(core.mod == nullptr);
        return 0;
    }
    check(core.channels >= 1 && core.channels <= kMaxChannels && core.num_orders >= 1);
    render_ticks(&core, kTicks);
    // An order picked by the input, sometimes outside the list (refused).
    const int order = static_cast<int>(data[size - 1]) % (core.num_orders + 2) - 1;
    const bool inside = order >= 0 && order < core.num_orders;
    check((player_core_set_order(&core, order) == 0) == inside);
    render_ticks(&core, kTicks / 3);
    player_core_restart(&core);
    render_ticks(&core, kTicks / 10);
    player_core_close(&core);
    check(core.mod == nullptr);
    return 0;
}
