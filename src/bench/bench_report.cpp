#include "bench/bench_report.h"

#include <algorithm>

#include "core/music/percentile.h"
#include "core/schedule.h"

namespace {

OrderRow order_row(int order, const OrderFigures& g)
{
    OrderRow r;
    const double n = static_cast<double>(std::max<size_t>(g.frame_ms.size(), 1));
    r.order = order;
    r.layers = layer_list(g.layers);
    r.median_ms = percentile(g.frame_ms, 50);
    r.p99_ms = percentile(g.frame_ms, 99);
    r.first_ms = g.frame_ms.empty() ? 0.0 : g.frame_ms.front();
    r.begins = g.begins / n;
    r.vertices = g.vertices / n;
    r.state_calls = g.state_calls / n;
    r.state_changes = g.state_changes / n;
    r.begin_changes = g.begin_changes / n;
    r.mode_switches = g.mode_switches / n;
    r.walkers_at_end = g.walkers_at_end;
    r.end_frame_median_ms = percentile(g.tail_ms, 50);
    r.pixel_hash = g.pixel_hash;
    return r;
}

unsigned long long ull(uint64_t v) { return static_cast<unsigned long long>(v); }

}  // namespace

std::string layer_list(unsigned bits)
{
    std::string s;
    for (size_t row = 0; row < kScheduleRows; ++row) {
        if (!(bits & (1u << row))) continue;
        const std::string code = kSchedule[row].code;
        if (s.find(code) != std::string::npos) continue;
        if (!s.empty()) s += ' ';
        s += code;
    }
    return s;
}

BenchReport make_bench_report(const BenchRun& run, const BenchOptions& opt, const std::string& renderer,
                              const std::string& load_before, const std::string& load_after, double peak_memory_mib)
{
    BenchReport r;
    r.renderer = renderer;
    r.frames_per_order = opt.frames;
    r.tail_frames = opt.tail;
    r.load_before = load_before;
    r.load_after = load_after;
    r.floor_median_ms = percentile(run.floor_ms, 50);
    r.floor_p99_ms = percentile(run.floor_ms, 99);
    for (int o = 0; o < kBenchOrders; ++o) r.orders.push_back(order_row(o, run.orders[o]));
    r.capture_fps = run.capture_ms > 0 ? run.timed_frames * 1000.0 / run.capture_ms : 0.0;
    r.frames = run.frames;
    r.timed_frames = run.timed_frames;
    r.run_s = run.run_s;
    r.first_intro_frame_ms = run.first_intro_frame_ms;
    r.process_start_to_main_ms = run.process_start_to_main_ms;
    r.music_start_ms = run.music_start_ms;
    r.peak_memory_mib = peak_memory_mib;
    r.hashed = opt.hash;
    r.all_hash = run.all_hash;
    r.layer_state = opt.layer_state;
    for (const OrderFigures& g : run.orders)
        r.layer_state_hash = fnv(r.layer_state_hash, &g.state_hash, sizeof g.state_hash);
    return r;
}

void print_bench_table(std::FILE* out, const BenchReport& r)
{
    std::fprintf(out, "drensolk-bench: %dx%d on %s; %d timed frames per order, %d at the end of each walker order\n",
                 r.width, r.height, r.renderer.c_str(), r.frames_per_order, r.tail_frames);
    std::fprintf(out, "load average before %s, after %s\n\n", r.load_before.c_str(), r.load_after.c_str());
    std::fprintf(
        out,
        "order  layers                  median ms  p99 ms  first ms  glBegin/frame  vertices/frame  state calls  "
        "changes  changes at glBegin  mode switches  pixel hash\n");
    for (const OrderRow& o : r.orders)
        std::fprintf(out, "%5d  %-22s %10.2f %7.2f %9.2f %14.0f %15.0f %12.0f %8.0f %19.0f %14.0f  %016llx\n", o.order,
                     o.layers.c_str(), o.median_ms, o.p99_ms, o.first_ms, o.begins, o.vertices, o.state_calls,
                     o.state_changes, o.begin_changes, o.mode_switches, ull(o.pixel_hash));
    std::fprintf(out, "floor  (clear + swap)          %10.2f %7.2f\n\n", r.floor_median_ms, r.floor_p99_ms);
    std::fprintf(out, "walker order  walkers at end  end frame median ms\n");
    for (const OrderRow& o : r.orders)
        if (o.order >= kFirstWalkerOrder)
            std::fprintf(out, "%12d %15zu %20.2f\n", o.order, o.walkers_at_end, o.end_frame_median_ms);
    std::fprintf(out, "\ncapture render speed (music + draw + read-back + swap, timed frames): %.1f fps\n",
                 r.capture_fps);
    std::fprintf(out, "whole run: %lld frames (%d timed) in %.1f s\n", static_cast<long long>(r.frames), r.timed_frames,
                 r.run_s);
    std::fprintf(out,
                 "start-up: first intro frame %.1f ms after main (process start to main %.0f ms); "
                 "music starts %.1f ms after the intro\n",
                 r.first_intro_frame_ms, r.process_start_to_main_ms, r.music_start_ms);
    std::fprintf(out, "peak memory: %.1f MiB\n", r.peak_memory_mib);
    if (r.hashed) std::fprintf(out, "all timed frames: pixel hash %016llx\n", ull(r.all_hash));
    if (r.layer_state) std::fprintf(out, "layer state hash %016llx\n", ull(r.layer_state_hash));
}

void write_bench_json(std::FILE* j, const BenchReport& r)
{
    std::fprintf(j, "{\n  \"renderer\": \"%s\",\n  \"width\": %d,\n  \"height\": %d,\n", r.renderer.c_str(), r.width,
                 r.height);
    std::fprintf(j, "  \"frames_per_order\": %d,\n  \"tail_frames\": %d,\n", r.frames_per_order, r.tail_frames);
    std::fprintf(j, "  \"load_before\": \"%s\",\n  \"load_after\": \"%s\",\n", r.load_before.c_str(),
                 r.load_after.c_str());
    std::fprintf(j, "  \"floor_ms\": {\"median\": %.3f, \"p99\": %.3f},\n  \"orders\": [\n", r.floor_median_ms,
                 r.floor_p99_ms);
    for (size_t i = 0; i < r.orders.size(); ++i) {
        const OrderRow& o = r.orders[i];
        std::fprintf(j,
                     "    {\"order\": %d, \"layers\": \"%s\", \"median_ms\": %.3f, \"p99_ms\": %.3f, "
                     "\"first_ms\": %.3f, \"begins_per_frame\": %.1f, \"vertices_per_frame\": %.1f, "
                     "\"state_calls_per_frame\": %.1f, "
                     "\"state_changes_per_frame\": %.1f, "
                     "\"begin_state_changes_per_frame\": %.1f, \"mode_switches_per_frame\": %.1f, "
                     "\"walkers_at_end\": %zu, \"end_frame_median_ms\": %.3f, \"pixel_hash\": \"%016llx\"}%s\n",
                     o.order, o.layers.c_str(), o.median_ms, o.p99_ms, o.first_ms, o.begins, o.vertices, o.state_calls,
                     o.state_changes, o.begin_changes, o.mode_switches, o.walkers_at_end, o.end_frame_median_ms,
                     ull(o.pixel_hash), i + 1 < r.orders.size() ? "," : "");
    }
    std::fprintf(j, "  ],\n  \"capture_fps\": %.2f,\n", r.capture_fps);
    std::fprintf(j, "  \"first_intro_frame_ms\": %.2f,\n  \"process_start_to_main_ms\": %.1f,\n",
                 r.first_intro_frame_ms, r.process_start_to_main_ms);
    std::fprintf(j, "  \"music_start_after_intro_ms\": %.2f,\n  \"peak_memory_mib\": %.1f,\n", r.music_start_ms,
                 r.peak_memory_mib);
    std::fprintf(j, "  \"all_frames_pixel_hash\": \"%016llx\"\n}\n", ull(r.all_hash));
}
