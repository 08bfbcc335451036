#include "bench/live_sync.h"

#include <algorithm>
#include <atomic>
#include <chrono>
#include <vector>

#include "core/frame_loop.h"
#include "core/live_music.h"
#include "core/music/music_live.h"
#include "core/music/percentile.h"
#include "core/base/sync_state.h"

namespace {

using Clock = std::chrono::steady_clock;

// Delivery times of the callbacks, written by the music's dispatch thread.
constexpr int kMaxTriggers = 1 << 16;
std::atomic<int64_t> delivered_ns[kMaxTriggers];
std::atomic<int> delivered_count{0};
Clock::time_point epoch;

int64_t since_epoch_ns() { return std::chrono::duration_cast<std::chrono::nanoseconds>(Clock::now() - epoch).count(); }

void probe_callback(FMUSIC_MODULE* module, unsigned char n)
{
    sync_on_instrument(module, n);  // what the demo does, then the time it happened
    const int i = delivered_count.load(std::memory_order_relaxed);
    if (i < kMaxTriggers) {
        delivered_ns[i].store(since_epoch_ns(), std::memory_order_relaxed);
        delivered_count.store(i + 1, std::memory_order_release);
    }
}

double worst(const std::vector<double>& v) { return v.empty() ? 0 : *std::max_element(v.begin(), v.end()); }

}  // namespace

bool run_live_sync(double seconds, int order, LiveSyncFigures* out)
{
    epoch = Clock::now();
    FMUSIC_MODULE* module = start_live_music(probe_callback, order >= 0 ? std::optional<int>(order) : std::nullopt);

    // The demo's frame loop; each frame start is when it reads the sync state,
    // so a trigger is seen by the first frame after it.
    std::vector<int64_t> frame_start_ns;
    frame_start_ns.reserve(static_cast<size_t>(seconds * 2000) + 16);
    const int64_t end_ns = since_epoch_ns() + static_cast<int64_t>(seconds * 1e9);
    FrameLoopHooks hooks;
    hooks.frame_start = [&] { frame_start_ns.push_back(since_epoch_ns()); };
    hooks.stop = [&] { return since_epoch_ns() >= end_ns; };
    run_frame_loop(module, hooks);
    const LiveStats stats = music_live_get_stats();
    out->output_rate = music_live_output_rate();
    out->measured_rate = music_live_measured_rate();
    out->clock_resets = stats.clock_resets;
    FMUSIC_FreeSong(module);
    FSOUND_Close();

    const int n = std::min(delivered_count.load(std::memory_order_acquire), kMaxTriggers);
    std::vector<double> pickup;
    for (int i = 0; i < n; ++i) {
        const int64_t at = delivered_ns[i].load(std::memory_order_relaxed);
        const auto next = std::upper_bound(frame_start_ns.begin(), frame_start_ns.end(), at);
        if (next != frame_start_ns.end()) pickup.push_back((*next - at) / 1e6);
    }
    std::vector<double> frame_ms, settled_ms;
    for (size_t i = 1; i < frame_start_ns.size(); ++i) {
        const double ms = (frame_start_ns[i] - frame_start_ns[i - 1]) / 1e6;
        frame_ms.push_back(ms);
        if (frame_start_ns[i - 1] - frame_start_ns[0] >= 1000000000) settled_ms.push_back(ms);
    }
    out->frame_p99_after_first_s_ms = percentile(settled_ms, 99);
    out->frame_worst_after_first_s_ms = worst(settled_ms);

    out->triggers = n;
    out->callback_count = stats.trigger.count;
    out->callback_median_ms = stats.trigger.median_ms;
    out->callback_worst_ms = stats.trigger.worst_ms;
    out->position_median_ms = stats.position.median_ms;
    out->position_worst_ms = stats.position.worst_ms;
    out->pickup_median_ms = percentile(pickup, 50);
    out->pickup_p99_ms = percentile(pickup, 99);
    out->frame_p99_ms = percentile(frame_ms, 99);
    out->frame_worst_ms = worst(frame_ms);
    out->pickup_worst_ms = worst(pickup);
    out->frames = static_cast<int>(frame_start_ns.size());
    out->frame_median_ms = percentile(frame_ms, 50);
    out->display_lead_ms = music_live_display_lead();
    out->dropped = stats.dropped_events;
    out->resyncs = stats.resyncs;
    return true;
}
