// libFuzzer target for the module path: any bytes through the player core as
// the live driver and the capture use it. Load (libopenmpt plus the trigger
// scan over every pattern cell), render a few hundred ticks with their
// events, jump to an order and render on. Besides the sanitizers it checks
// what mcore_render promises about its events.
#include <cstddef>
#include <cstdint>
#include <cstdlib>

#include "core/music/player_core.h"

namespace {

// The lowest rate the core takes: the same ticks in the fewest frames.
constexpr int kRate = 8000;
constexpr int kTicks = 300;
constexpr size_t kMaxFrames = 8000 * 30;  // a tick is at most about 78 ms
constexpr int kCapacity = 4 * MCORE_MAX_EVENTS_PER_TICK;

void check(bool ok)
{
    if (!ok) std::abort();
}

// Renders `ticks` ticks' worth of frames in blocks of the live driver's size.
void render_ticks(mcore_t* core, int ticks)
{
    static int16_t pcm[2 * 512];
    static mcore_event events[kCapacity];
    size_t rendered = 0;
    while (rendered < kMaxFrames &&
           rendered < static_cast<size_t>(ticks) * static_cast<size_t>(core->tick_frames + 1)) {
        const uint64_t first = mcore_frames(core);
        int count = -1;
        const size_t n = mcore_render(core, pcm, 512, events, kCapacity, &count);
        check(n == 512);
        check(count >= 0 && count <= kCapacity);
        check(mcore_frames(core) == first + n);
        uint64_t last = first;
        for (int i = 0; i < count; ++i) {
            const mcore_event& e = events[i];
            check(e.frame >= last && e.frame < first + n);
            last = e.frame;
            check(e.kind == MCORE_ROW || e.kind == MCORE_TRIGGER);
            if (e.kind == MCORE_TRIGGER) check(e.channel < core->channels);
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
    mcore_t core{};
    if (mcore_open(&core, data, size, kRate) != 0) {
        check(core.mod == nullptr);
        return 0;
    }
    check(core.channels >= 1 && core.channels <= MCORE_MAX_CHANNELS && core.num_orders >= 1);
    render_ticks(&core, kTicks);
    // An order picked by the input, sometimes outside the list (refused).
    const int order = static_cast<int>(data[size - 1]) % (core.num_orders + 2) - 1;
    const bool inside = order >= 0 && order < core.num_orders;
    check((mcore_set_order(&core, order) == 0) == inside);
    render_ticks(&core, kTicks / 3);
    mcore_restart(&core);
    render_ticks(&core, kTicks / 10);
    mcore_close(&core);
    check(core.mod == nullptr);
    return 0;
}
