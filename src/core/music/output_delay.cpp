#include "core/music/output_delay.h"

#include "core/music/percentile.h"

#ifdef DRENSOLK_HAVE_PULSE
#include <pulse/pulseaudio.h>
#include <unistd.h>
#endif

#include <chrono>
#include <cmath>
#include <cstdlib>
#include <string>
#include <thread>
#include <vector>

namespace {

// A whole positive number (a byte count, a rate), else -1.
long whole_positive(const char* text)
{
    if (!text || !*text) return -1;
    char* end = nullptr;
    const long n = std::strtol(text, &end, 10);
    return *end == '\0' && n > 0 ? n : -1;
}

}  // namespace

#ifdef DRENSOLK_HAVE_PULSE
namespace {

struct Query {
    std::string pid;             // ours, as the server's application.process.id
    double ms = -1;              // the largest of our streams (the music's, not a short click)
    PipeWirePulseStream stream;  // that stream's, where ms is pipewire-pulse's queue
    bool done = false;
};

void on_sink_input(pa_context*, const pa_sink_input_info* info, int eol, void* data)
{
    auto* q = static_cast<Query*>(data);
    if (eol) {
        q->done = true;
        return;
    }
    const char* pid = pa_proplist_gets(info->proplist, PA_PROP_APPLICATION_PROCESS_ID);
    if (!pid || q->pid != pid) return;
    double ms = double(info->buffer_usec + info->sink_usec) / 1000.0;
    PipeWirePulseStream stream;
    if (ms <= 0) {
        ms = pipewire_pulse_delay_ms(pa_proplist_gets(info->proplist, "pulse.attr.tlength"),
                                     int(pa_frame_size(&info->sample_spec)), int(info->sample_spec.rate));
        stream.cycle_ms = node_latency_ms(pa_proplist_gets(info->proplist, "node.latency"));
        const long node = whole_positive(pa_proplist_gets(info->proplist, "object.id"));
        if (node > 0 && node < long(UINT32_MAX)) stream.node = uint32_t(node);
    }
    if (ms > q->ms) {
        q->ms = ms;
        q->stream = stream;
    }
}

// Runs the main loop until `done` or about a second has passed.
template <class Done>
bool iterate_until(pa_mainloop* loop, Done done)
{
    const auto end = std::chrono::steady_clock::now() + std::chrono::seconds(1);
    while (!done()) {
        if (std::chrono::steady_clock::now() > end) return false;
        if (pa_mainloop_iterate(loop, 0, nullptr) < 0) return false;
        if (!done()) std::this_thread::sleep_for(std::chrono::milliseconds(2));
    }
    return true;
}

}  // namespace
#endif

double pipewire_pulse_delay_ms(const char* tlength, int frame_bytes, int rate)
{
    const long bytes = whole_positive(tlength);
    if (bytes < 0 || frame_bytes <= 0 || rate <= 0) return -1;
    return double(bytes) * 1000.0 / (double(frame_bytes) * rate);
}

double node_latency_ms(const char* text)
{
    if (!text) return -1;
    char* end = nullptr;
    const long frames = std::strtol(text, &end, 10);
    if (end == text || *end != '/' || frames <= 0) return -1;
    const long rate = whole_positive(end + 1);
    return rate > 0 ? double(frames) * 1000.0 / double(rate) : -1;
}

double pipewire_pulse_graph_delay_ms(double queue_ms, double stream_cycle_ms, double cycle_ms)
{
    return stream_cycle_ms > 0 && cycle_ms > 0 ? queue_ms - stream_cycle_ms + cycle_ms : queue_ms;
}

int delay_read_gap_ms(int read, int gap_ms)
{
    const double golden = 0.6180339887498949;  // its multiples mod 1 spread evenly
    return int(gap_ms * (0.5 + std::fmod(read * golden, 1.0)) + 0.5);
}

double native_pipewire_delay_ms(double cycle_ms) { return cycle_ms > 0 ? 1.5 * cycle_ms : -1; }

double median_reported_delay(const double* ms, int count)
{
    std::vector<double> answered;
    for (int i = 0; i < count; ++i)
        if (ms[i] > 0) answered.push_back(ms[i]);
    return answered.empty() ? -1.0 : percentile(answered, 50);
}

double server_output_delay_ms(int reads, int gap_ms, PipeWirePulseStream* stream)
{
    if (stream) *stream = PipeWirePulseStream{};
#ifndef DRENSOLK_HAVE_PULSE
    (void)reads;
    (void)gap_ms;
    return -1;
#else
    pa_mainloop* loop = pa_mainloop_new();
    if (!loop) return -1;
    pa_context* context = pa_context_new(pa_mainloop_get_api(loop), "drensolk latency query");
    double result = -1;
    if (context && pa_context_connect(context, nullptr, PA_CONTEXT_NOAUTOSPAWN, nullptr) >= 0 &&
        iterate_until(loop,
                      [&] {
                          const pa_context_state_t s = pa_context_get_state(context);
                          return s == PA_CONTEXT_READY || !PA_CONTEXT_IS_GOOD(s);
                      }) &&
        pa_context_get_state(context) == PA_CONTEXT_READY) {
        double ms[64];
        reads = reads < 1 ? 1 : reads > 64 ? 64 : reads;
        for (int i = 0; i < reads; ++i) {
            if (i) std::this_thread::sleep_for(std::chrono::milliseconds(delay_read_gap_ms(i, gap_ms)));
            Query q;
            q.pid = std::to_string(getpid());
            pa_operation* op = pa_context_get_sink_input_info_list(context, on_sink_input, &q);
            const bool answered = op && iterate_until(loop, [&] { return q.done; });
            if (op && !answered) pa_operation_cancel(op);
            if (op) pa_operation_unref(op);
            ms[i] = answered ? q.ms : -1;
            if (answered && stream && q.stream.cycle_ms > 0) *stream = q.stream;
        }
        result = median_reported_delay(ms, reads);
    }
    if (context) {
        pa_context_disconnect(context);
        pa_context_unref(context);
    }
    pa_mainloop_free(loop);
    return result;
#endif
}
