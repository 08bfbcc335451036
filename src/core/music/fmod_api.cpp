// The live driver: SDL audio pulls blocks from the player core of the playing
// module; a dispatch thread hands row changes and instrument triggers on when
// the output is estimated to sound them.
//
// Threads:
//  - main thread: every FSOUND_/FMUSIC_ call. It touches a playing module's
//    core only under SDL_LockAudio, and only in calls that start or stop
//    playback; FMUSIC_SetOrder goes through an atomic instead.
//  - SDL audio thread: renders, pushes events onto a lock-free ring, publishes
//    the audible clock after each block. It never waits.
//  - dispatch thread: pops events when their first sample becomes audible,
//    stores the heard position and calls the instrument callbacks. With a
//    display lead set, "audible" means audible that much later: the picture
//    drawn from the event then comes up as it sounds.
//
// The output: SDL 1.2 here is sdl12-compat over SDL2, which opens the real
// device at 44.1 kHz or more whatever is asked and hides the rate it got
// (the obtained spec is always the one asked for), converting in between.
// Its converter is off by hundreds of ppm, so the core renders at the
// device's own rate instead (libopenmpt resamples well) and asks SDL for
// exactly that: the default device's rate as SDL2 reports it, else 44.1 kHz.
// The rate the output really consumes samples at is measured anyway, by the
// audible clock.
//
// The latency: at first the SDL buffer, an upper bound of what the server
// holds. Through a PulseAudio-speaking server a probe thread asks, once the
// stream has settled, how long it really holds the stream (buffer plus sink;
// core/music/output_delay.h), and the clock counts that instead where the
// server says: PulseAudio reports it; pipewire-pulse reports nothing but
// publishes the queue it keeps, which is counted; for SDL's native PipeWire
// stream the graph's profiler says how long a cycle is, and one and a half
// cycles are counted (core/music/pipewire_cycle.h).
#include "core/music/fmod_api.h"
#include "core/music/loaded_sdl2.h"
#include "core/music/module_file.h"

#include <SDL.h>
#include <pthread.h>
#include <sched.h>
#include <sys/stat.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <mutex>
#include <new>
#include <semaphore>
#include <string>
#include <thread>
#include <vector>

#include "core/music/audible_clock.h"
#include "core/music/music_live.h"
#include "core/music/music_maker.h"
#include "core/music/output_delay.h"
#include "core/music/percentile.h"
#include "core/music/pipewire_cycle.h"
#include "core/music/player_core.h"
#include "core/music/spsc_queue.h"

struct FMUSIC_MODULE {
    PlayerCore core{};   // see the thread rules above
    int num_orders = 0;  // fixed at load, read by the main thread
    std::atomic<FMUSIC_CALLBACK> callbacks[256] = {};
    std::atomic<int> pending_order{-1};  // a set-order for the audio thread, -1 = none
    std::atomic<uint32_t> heard{0};      // order << 16 | row, as last delivered (heard one display lead on)
    // The maker's calls (music_maker.h); untouched in the demo's own run.
    std::atomic<bool> paused{false};
    std::atomic<int> pending_jump{-1};     // like pending_order, dropping what was queued
    std::atomic<int> loop_order{-1};       // handed to the core each block
    std::atomic<uint32_t> epoch{0};        // events queued under an older one are dropped
    std::atomic<bool> maker{false};        // a maker call was made: rows carry their seconds
    std::atomic<double> heard_seconds{0};  // the song position of the heard row
};

namespace {

// 4096 samples per SDL buffer at 44.1 or 48 kHz (93 or 85 ms). SDL2 asks
// PulseAudio for one buffer of total latency, which the server splits into
// about two thirds queued in the stream and a third in the sink: that queue
// is what plays on while the audio thread, or the server's own, waits for a
// core; a busy machine starves those for tens of milliseconds at a time.
// The render itself is cheap (a few ms of CPU per second of music), so it
// stays in the callback. The latency, one buffer, comes off the audible
// estimate, so the sync does not pay for it.
constexpr double kBufferSeconds = 0.080;
constexpr int kMinDeviceRate = 44100;  // sdl12-compat never opens below
constexpr int kStatsKept = 8192;
// A picture that takes longer than this to come up is a slide show, not a
// frame to aim at: the lead stops there.
constexpr double kMaxDisplayLeadMs = 100.0;
// The server is asked after the stream has played this long (its buffer
// and the sink's have settled to their steady sizes), and again every
// second while its answer is out of range, up to ten times.
constexpr int kDelayProbeAfterMs = 1500;
constexpr int kDelayProbeAgainMs = 1000;
constexpr int kDelayProbeAttempts = 10;

struct QueuedEvent {
    uint64_t sample;  // output sample, counted over everything handed to SDL
    FMUSIC_MODULE* mod;
    MusicEventKind kind;
    uint8_t instrument;
    int16_t order, row;
    uint32_t epoch;  // the module's jump count when it was queued
    float seconds;   // Row, after a maker call: its song position
};

struct StatsRing {
    double ms[kStatsKept];
    int count;  // total recorded; the last kStatsKept are kept
    void add(double v) { ms[count++ % kStatsKept] = v; }
    std::vector<double> kept() const { return std::vector<double>(ms, ms + std::min(count, kStatsKept)); }
    // Sorting happens outside the lock, so a reader never holds up delivery.
    static LiveTiming summary(std::vector<double> v)
    {
        LiveTiming t{};
        const int n = static_cast<int>(v.size());
        if (n == 0) return t;
        std::sort(v.begin(), v.end());
        t.count = n;
        t.median_ms = percentile(v, 50);
        t.worst_ms = std::max(std::abs(v.front()), std::abs(v.back()));
        for (double x : v) t.over_5ms += std::abs(x) > 5.0;
        return t;
    }
};

struct LiveState {
    std::atomic<int> error;
    // main thread only
    bool initialised;
    int asked_rate;  // what FSOUND_Init was given
    int rate;        // what the core renders and SDL plays
    std::thread dispatcher;
    std::thread delay_probe;
    // shared
    std::atomic<FMUSIC_MODULE*> playing;  // changed under SDL_LockAudio
    std::atomic<int> buffer_samples;      // block size SDL asks for
    std::atomic<int> latency_samples;     // from hand-over to being heard; the probe may lower it
    std::atomic<uint32_t> clock_seq;      // seqlock over the audible clock's copy below
    std::atomic<uint64_t> clock_handed, clock_at_sample;
    std::atomic<int64_t> clock_origin_ns;
    std::atomic<double> clock_at_ns, clock_ns_per_sample;
    std::atomic<uint32_t> clock_resets;
    std::atomic<int64_t> display_lead_ns;  // events are due this much before they are heard
    std::atomic<bool> quit;
    std::atomic<uint32_t> flush_req, flush_ack;
    std::atomic<uint32_t> dropped;
    std::atomic<uint32_t> resyncs;
    std::atomic<int64_t> longest_gap_ns, longest_callback_ns;
    std::atomic<bool> raise_callback_thread;  // SDL's driver calls back from a thread it did not raise
    std::atomic<std::thread::id> dispatcher_id;
    // audio thread only
    AudibleClock clock;
    int64_t last_called_ns;
    // dispatcher only, read under stats_mutex
    std::mutex stats_mutex;
    StatsRing trigger_stats, position_stats;
    SpscQueue<QueuedEvent, 4096> queue;
};

// Never destroyed: the demo exits with the song playing and the dispatch
// thread waiting, and a destroyed std::thread that still runs would abort.
LiveState& g = *new LiveState();
std::counting_semaphore<1 << 20> g_wake{0};  // audio thread / callers -> dispatcher

int fail(int code)
{
    g.error.store(code, std::memory_order_relaxed);
    return 0;
}

int64_t now_ns()
{
    return std::chrono::duration_cast<std::chrono::nanoseconds>(std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

void publish_clock(const AudibleClock& c)
{
    g.clock_seq.fetch_add(1, std::memory_order_acq_rel);  // odd: being written
    g.clock_handed.store(c.handed, std::memory_order_relaxed);
    g.clock_at_sample.store(c.at_sample, std::memory_order_relaxed);
    g.clock_origin_ns.store(c.origin_ns, std::memory_order_relaxed);
    g.clock_at_ns.store(c.at_ns, std::memory_order_relaxed);
    g.clock_ns_per_sample.store(c.ns_per_sample, std::memory_order_relaxed);
    g.clock_resets.store(c.resets, std::memory_order_relaxed);
    g.clock_seq.fetch_add(1, std::memory_order_release);
}

// The audible clock as the audio thread last published it.
AudibleClock published_clock()
{
    AudibleClock c = audible_clock_start(g.rate, g.latency_samples.load(std::memory_order_relaxed));
    for (;;) {
        const uint32_t s1 = g.clock_seq.load(std::memory_order_acquire);
        if (s1 & 1) continue;
        c.handed = g.clock_handed.load(std::memory_order_acquire);
        c.at_sample = g.clock_at_sample.load(std::memory_order_acquire);
        c.origin_ns = g.clock_origin_ns.load(std::memory_order_acquire);
        c.at_ns = g.clock_at_ns.load(std::memory_order_acquire);
        c.ns_per_sample = g.clock_ns_per_sample.load(std::memory_order_acquire);
        c.resets = g.clock_resets.load(std::memory_order_acquire);
        if (g.clock_seq.load(std::memory_order_acquire) == s1) break;
    }
    return c;
}

// The sample heard at `ns`, from the clock the audio thread last published.
double audible_sample_at(int64_t ns)
{
    const AudibleClock c = published_clock();
    return audible_clock_sample(&c, ns);
}

// The sample that will be heard when a picture started now is shown.
double due_sample_now() { return audible_sample_at(now_ns() + g.display_lead_ns.load(std::memory_order_relaxed)); }

void hand_block(int64_t ns, size_t samples)
{
    audible_clock_block(&g.clock, ns, samples);
    publish_clock(g.clock);
}

// Audio thread: a maker's jump, if one waits, moves the core and starts a new
// epoch, so what was queued before it is dropped; the loop order follows too.
uint32_t take_jump(FMUSIC_MODULE* m)
{
    const int jump = m->pending_jump.exchange(-1, std::memory_order_acq_rel);
    if (jump >= 0) {
        player_core_set_order(&m->core, jump);
        m->epoch.fetch_add(1, std::memory_order_acq_rel);
    }
    player_core_loop_order(&m->core, m->loop_order.load(std::memory_order_relaxed));
    return m->epoch.load(std::memory_order_relaxed);
}

// Audio thread, paused: a jump moves the core without rendering, and its row
// 0 is queued at once so the held picture shows where the music will resume
// (the row starts again, with its triggers, on resuming). True if queued.
bool paused_jump(FMUSIC_MODULE* m, uint64_t base)
{
    const int order = m->pending_jump.exchange(-1, std::memory_order_acq_rel);
    if (order < 0) return false;
    player_core_set_order(&m->core, order);
    const uint32_t epoch = m->epoch.fetch_add(1, std::memory_order_acq_rel) + 1;
    const float seconds = float(player_core_position_seconds(&m->core));
    const QueuedEvent row{base, m, MusicEventKind::Row, 0, int16_t(order), 0, epoch, seconds};
    if (g.queue.push(row)) return true;
    g.dropped.fetch_add(1, std::memory_order_relaxed);
    return false;
}

// Audio thread: the song position of a row event just rendered, from where
// libopenmpt stands now, less the samples rendered since the row.
float row_seconds(FMUSIC_MODULE* m, const MusicEvent& e)
{
    if (e.kind != MusicEventKind::Row) return 0.0f;
    const double since = double(m->core.sample - e.sample) / m->core.rate;
    return float(std::max(player_core_position_seconds(&m->core) - since, 0.0));
}

// Audio thread: the callback that began at `called` ends now.
void time_callback(int64_t called)
{
    const auto longest = [](std::atomic<int64_t>& kept, int64_t ns) {
        if (ns > kept.load(std::memory_order_relaxed)) kept.store(ns, std::memory_order_relaxed);
    };
    if (g.last_called_ns) longest(g.longest_gap_ns, called - g.last_called_ns);
    g.last_called_ns = called;
    longest(g.longest_callback_ns, now_ns() - called);
}

// Audio thread: renders the block SDL asks for at `called` and hands it to
// the audible clock.
void fill_block(int64_t called, Uint8* stream, int len)
{
    int16_t* out = reinterpret_cast<int16_t*>(stream);
    const size_t samples = static_cast<size_t>(len) / 4;
    g.buffer_samples.store(static_cast<int>(samples), std::memory_order_relaxed);
    const uint64_t base = g.clock.handed;
    FMUSIC_MODULE* m = g.playing.load(std::memory_order_acquire);
    if (!m) {
        std::memset(stream, 0, static_cast<size_t>(len));
    } else if (m->paused.load(std::memory_order_acquire)) {
        std::memset(stream, 0, static_cast<size_t>(len));
        if (paused_jump(m, base)) {
            hand_block(called, samples);
            g_wake.release();
            return;
        }
    } else {
        const int order = m->pending_order.exchange(-1, std::memory_order_acq_rel);
        if (order >= 0) player_core_set_order(&m->core, order);
        const uint32_t epoch = take_jump(m);
        const bool maker = m->maker.load(std::memory_order_relaxed);
        bool pushed = false;
        player_core_render_block(&m->core, out, samples, [&](const MusicEvent& e, size_t at) {
            const float seconds = maker ? row_seconds(m, e) : 0.0f;
            if (g.queue.push(QueuedEvent{base + at, m, e.kind, e.instrument, e.order, e.row, epoch, seconds}))
                pushed = true;
            else
                g.dropped.fetch_add(1, std::memory_order_relaxed);
        });
        g.resyncs.store(m->core.resyncs, std::memory_order_relaxed);
        if (pushed) {
            hand_block(called, samples);
            g_wake.release();  // after the clock, so the dispatcher sees both
            return;
        }
    }
    hand_block(called, samples);
}

// SDL runs its callback on its own audio thread at its audio priority (nice
// -20 where allowed); its native PipeWire driver calls back from PipeWire's
// thread loop instead, which it leaves at normal priority, sharing the cores
// with whatever else runs. So that thread is raised the same way, once.
void raise_callback_thread()
{
    thread_local bool raised = false;
    if (raised) return;
    raised = true;
    using SetThreadPriority = int (*)(int);
    if (const auto set = reinterpret_cast<SetThreadPriority>(loaded_sdl2_symbol("SDL_SetThreadPriority")))
        set(3);  // SDL_THREAD_PRIORITY_TIME_CRITICAL
}

void audio_callback(void*, Uint8* stream, int len)
{
    const int64_t called = now_ns();
    if (g.raise_callback_thread.load(std::memory_order_relaxed)) raise_callback_thread();
    fill_block(called, stream, len);
    time_callback(called);
}

void deliver(const QueuedEvent& e)
{
    const double late_ms = (due_sample_now() - double(e.sample)) * 1000.0 / g.rate;
    {
        std::lock_guard<std::mutex> lock(g.stats_mutex);
        (e.kind == MusicEventKind::Row ? g.position_stats : g.trigger_stats).add(late_ms);
    }
    if (e.kind == MusicEventKind::Row) {
        // Seconds first: whoever sees the new row sees its seconds.
        e.mod->heard_seconds.store(e.seconds, std::memory_order_relaxed);
        e.mod->heard.store(uint32_t(uint16_t(e.order)) << 16 | uint16_t(e.row), std::memory_order_release);
    } else if (FMUSIC_CALLBACK cb = e.mod->callbacks[e.instrument].load(std::memory_order_relaxed)) {
        cb(e.mod, e.instrument);
    }
}

void drain_queue()
{
    QueuedEvent e;
    while (g.queue.peek(&e)) g.queue.pop();
}

void dispatch_main()
{
    g.dispatcher_id.store(std::this_thread::get_id());
    // Wake-ups on time matter more than throughput here, as for SDL's own
    // audio thread. Best effort: without the right, plain scheduling stays.
    sched_param prio{};
    prio.sched_priority = 1;
    (void)pthread_setschedparam(pthread_self(), SCHED_FIFO, &prio);
    while (!g.quit.load(std::memory_order_acquire)) {
        const uint32_t req = g.flush_req.load(std::memory_order_acquire);
        if (req != g.flush_ack.load(std::memory_order_relaxed)) {
            drain_queue();
            g.flush_ack.store(req, std::memory_order_release);
        }
        QueuedEvent e;
        if (!g.queue.peek(&e)) {
            (void)g_wake.try_acquire_for(std::chrono::milliseconds(50));
            continue;
        }
        if (e.epoch != e.mod->epoch.load(std::memory_order_acquire)) {
            g.queue.pop();  // queued before a maker's jump: never heard as such
            continue;
        }
        const double ahead = double(e.sample) - due_sample_now();
        if (ahead > 0) {
            // Woken early by a new block or a flush: the loop looks again.
            (void)g_wake.try_acquire_for(std::chrono::nanoseconds(int64_t(ahead * 1e9 / g.rate) + 1));
            continue;
        }
        g.queue.pop();
        deliver(e);
    }
}

// Forgets every queued event, so no module that stopped playing is called
// back again. From a callback it drains at once; elsewhere it waits for the
// dispatcher.
void flush_dispatch()
{
    if (!g.dispatcher.joinable()) return;
    if (std::this_thread::get_id() == g.dispatcher_id.load()) {
        drain_queue();
        return;
    }
    const uint32_t req = g.flush_req.fetch_add(1, std::memory_order_acq_rel) + 1;
    g_wake.release();
    while (g.flush_ack.load(std::memory_order_acquire) != req)
        std::this_thread::sleep_for(std::chrono::microseconds(200));
}

// Detaches m from the audio thread if it is playing; true if it was.
bool stop_if_playing(FMUSIC_MODULE* m)
{
    if (!g.initialised || g.playing.load(std::memory_order_relaxed) != m) return false;
    SDL_LockAudio();
    g.playing.store(nullptr, std::memory_order_release);
    SDL_UnlockAudio();
    flush_dispatch();
    return true;
}

int latency_from_env(int rate)
{
    const char* s = std::getenv("DRENSOLK_AUDIO_LATENCY_MS");
    if (!s) return 0;
    const double ms = std::strtod(s, nullptr);
    return ms > 0 && ms < 10000 ? int(ms * rate / 1000.0 + 0.5) : 0;
}

// The default output device's own rate, asked of the SDL2 that sdl12-compat
// runs on (after SDL's audio is initialised); 0 when there is no SDL2 or it
// cannot tell (the dummy driver, older versions). Only an SDL2 that is
// already loaded is asked.
int default_device_rate()
{
    using GetDefaultAudioInfo = int (*)(char** name, SDL_AudioSpec* spec, int iscapture);
    // SDL2's SDL_AudioSpec has SDL 1.2's layout: freq comes first in both.
    const auto get = reinterpret_cast<GetDefaultAudioInfo>(loaded_sdl2_symbol("SDL_GetDefaultAudioInfo"));
    SDL_AudioSpec spec{};
    const int rate = get && get(nullptr, &spec, 0) == 0 ? spec.freq : 0;
    return rate >= 8000 && rate <= 192000 ? rate : 0;
}

// What the server says lies between the callback and the speaker, or -1.
// pipewire-pulse's queue is held against the graph's quantum when the graph
// can be asked (a forced one moves the delay, not the queue).
double reported_delay_ms(bool native_pipewire)
{
    if (native_pipewire) return native_pipewire_delay_ms(pipewire_cycle_ms());
    PipeWirePulseStream stream;
    const double ms = server_output_delay_ms(16, 20, &stream);
    if (ms <= 0 || stream.cycle_ms <= 0 || stream.node == UINT32_MAX) return ms;
    return pipewire_pulse_graph_delay_ms(ms, stream.cycle_ms, pipewire_cycle_ms(16, stream.node));
}

// The server's own word on the output's delay replaces the buffer's, once
// the stream has settled, where it is less: SDL asks PulseAudio for one
// buffer of total latency, so more than that is a passing state (seen on a
// loaded machine: 150 to 300 ms 1.5 s into a stream whose steady report is
// 72 to 85 ms) and under a tenth of it a misreading; then it asks again.
// On SDL's native PipeWire stream the graph's quantum stands in for the
// server's word; a small forced quantum may put that under a tenth.
void probe_delay(bool native_pipewire)
{
    int wait_ms = kDelayProbeAfterMs;
    for (int attempt = 0; attempt < kDelayProbeAttempts; ++attempt, wait_ms = kDelayProbeAgainMs) {
        for (int waited = 0; waited < wait_ms; waited += 50) {
            if (g.quit.load(std::memory_order_acquire)) return;
            std::this_thread::sleep_for(std::chrono::milliseconds(50));
        }
        const double ms = reported_delay_ms(native_pipewire);
        if (ms < 0) return;  // no server to ask, or it says nothing
        const int buffer = g.buffer_samples.load(std::memory_order_relaxed);
        const int samples = int(ms * g.rate / 1000.0 + 0.5);
        if (samples <= buffer && (samples >= buffer / 10 || (native_pipewire && samples > 0))) {
            g.latency_samples.store(samples + latency_from_env(g.rate), std::memory_order_relaxed);
            return;
        }
    }
}

// SDL's audio driver: "pulseaudio" and "pipewire" play through a server
// probe_delay can ask. Empty when SDL cannot say.
std::string audio_driver()
{
    char name[32] = {};
    return SDL_AudioDriverName(name, sizeof name) ? name : "";
}

// What the core renders at and SDL is asked for: a rate sdl12-compat passes
// to the device unchanged, the device's own when it is known.
int output_rate() { return std::max(default_device_rate(), kMinDeviceRate); }

// A power of two near kBufferSeconds at `rate`.
int buffer_samples_for(int rate)
{
    int n = 256;
    while (n < int(rate * kBufferSeconds)) n *= 2;
    return n;
}

}  // namespace

float FSOUND_GetVersion() { return 3.75f; }

int FSOUND_GetError() { return g.error.load(std::memory_order_relaxed); }

signed char FSOUND_Init(int mixrate, int maxsoftwarechannels, unsigned int flags)
{
    (void)maxsoftwarechannels;  // libopenmpt mixes as many voices as the module needs
    (void)flags;
    if (g.initialised) FSOUND_Close();
    if (mixrate < 8000 || mixrate > 192000) return static_cast<signed char>(fail(FMOD_ERR_INVALID_PARAM));
    if (SDL_InitSubSystem(SDL_INIT_AUDIO) < 0) return static_cast<signed char>(fail(FMOD_ERR_INIT));
    // Everything the dispatch thread reads is set before it starts.
    g.asked_rate = mixrate;
    const int rate = output_rate();
    g.dropped.store(0);
    g.resyncs.store(0);
    g.longest_gap_ns.store(0);
    g.longest_callback_ns.store(0);
    g.last_called_ns = 0;  // the audio thread starts below
    {
        std::lock_guard<std::mutex> lock(g.stats_mutex);
        g.trigger_stats.count = g.position_stats.count = 0;
    }
    SDL_AudioSpec want{};
    want.freq = rate;
    want.format = AUDIO_S16SYS;
    want.channels = 2;
    want.samples = static_cast<Uint16>(buffer_samples_for(rate));
    want.callback = audio_callback;
    // The callback gets what `got` says (sdl12-compat always gives what was
    // asked and converts behind it); it starts paused.
    SDL_AudioSpec got{};
    if (SDL_OpenAudio(&want, &got) < 0) {
        SDL_QuitSubSystem(SDL_INIT_AUDIO);
        return static_cast<signed char>(fail(FMOD_ERR_INIT));
    }
    // The device's thread exists from here on, paused; the audio lock (which
    // every callback holds) hands it the clock that depends on what opened.
    SDL_LockAudio();
    g.rate = got.freq >= 8000 ? got.freq : rate;
    const int buffer = got.samples ? got.samples : want.samples;
    g.latency_samples.store(buffer + latency_from_env(g.rate));
    g.clock = audible_clock_start(g.rate, g.latency_samples.load());
    g.buffer_samples.store(buffer);
    publish_clock(g.clock);
    SDL_UnlockAudio();
    g.quit.store(false);
    g.dispatcher = std::thread(dispatch_main);
    g.initialised = true;
    const std::string driver = audio_driver();
    g.raise_callback_thread.store(driver == "pipewire");
    SDL_PauseAudio(0);
    if (driver == "pulseaudio" || driver == "pipewire") g.delay_probe = std::thread(probe_delay, driver == "pipewire");
    return 1;
}

void FSOUND_Close()
{
    if (!g.initialised) return;
    SDL_CloseAudio();  // no callback runs after this returns
    g.playing.store(nullptr);
    g.quit.store(true, std::memory_order_release);
    g_wake.release();
    g.dispatcher.join();
    if (g.delay_probe.joinable()) g.delay_probe.join();
    drain_queue();
    SDL_QuitSubSystem(SDL_INIT_AUDIO);
    g.initialised = false;
}

FMUSIC_MODULE* FMUSIC_LoadSong(const char* name)
{
    if (!g.initialised) return fail(FMOD_ERR_UNINITIALIZED), nullptr;
    if (!name) return fail(FMOD_ERR_INVALID_PARAM), nullptr;
    std::vector<uint8_t> bytes;
    if (int code = read_module_file(name, &bytes)) return fail(code), nullptr;

    FMUSIC_MODULE* m = new (std::nothrow) FMUSIC_MODULE;
    if (!m) return fail(FMOD_ERR_MEMORY), nullptr;
    if (int code = player_core_open(&m->core, bytes.data(), bytes.size(), g.rate); code != FMOD_ERR_NONE) {
        delete m;
        return fail(code), nullptr;
    }
    m->num_orders = m->core.num_orders;
    return m;
}

signed char FMUSIC_FreeSong(FMUSIC_MODULE* m)
{
    if (!m) return static_cast<signed char>(fail(FMOD_ERR_INVALID_PARAM));
    if (!stop_if_playing(m)) flush_dispatch();  // events of an earlier play may wait
    player_core_close(&m->core);
    delete m;
    return 1;
}

signed char FMUSIC_PlaySong(FMUSIC_MODULE* m)
{
    if (!m) return static_cast<signed char>(fail(FMOD_ERR_INVALID_PARAM));
    if (!g.initialised) return static_cast<signed char>(fail(FMOD_ERR_UNINITIALIZED));
    // Whatever played (this module too) stops first, and what it queued is
    // dropped before the new start can queue anything.
    if (FMUSIC_MODULE* previous = g.playing.load(std::memory_order_relaxed)) stop_if_playing(previous);
    SDL_LockAudio();
    m->core.rate = g.rate;  // FSOUND_Init may have changed it since the load
    player_core_restart(&m->core);
    m->pending_order.store(-1);
    m->heard.store(0);
    g.playing.store(m, std::memory_order_release);
    SDL_UnlockAudio();
    return 1;
}

signed char FMUSIC_SetInstCallback(FMUSIC_MODULE* m, FMUSIC_CALLBACK callback, int instrument)
{
    if (!m || instrument < 0 || instrument > 255) return static_cast<signed char>(fail(FMOD_ERR_INVALID_PARAM));
    m->callbacks[instrument].store(callback, std::memory_order_relaxed);
    return 1;
}

signed char FMUSIC_SetOrder(FMUSIC_MODULE* m, int order)
{
    if (!m || order < 0 || order >= m->num_orders) return static_cast<signed char>(fail(FMOD_ERR_INVALID_PARAM));
    if (g.initialised && g.playing.load(std::memory_order_relaxed) == m) {
        m->pending_order.store(order, std::memory_order_release);
    } else {
        player_core_set_order(&m->core, order);  // nobody else touches a stopped module
    }
    return 1;
}

int FMUSIC_GetOrder(FMUSIC_MODULE* m)
{
    if (!m) return fail(FMOD_ERR_INVALID_PARAM), -1;
    return int(m->heard.load(std::memory_order_relaxed) >> 16);
}

int FMUSIC_GetRow(FMUSIC_MODULE* m)
{
    if (!m) return fail(FMOD_ERR_INVALID_PARAM), -1;
    return int(m->heard.load(std::memory_order_relaxed) & 0xFFFF);
}

PlayerCore* music_live_core(FMUSIC_MODULE* m) { return m ? &m->core : nullptr; }

double music_live_audible_sample() { return g.initialised ? audible_sample_at(now_ns()) : -1.0; }
int music_live_output_rate() { return g.initialised ? g.rate : 0; }
double music_live_measured_rate()
{
    if (!g.initialised) return 0;
    const AudibleClock c = published_clock();
    return c.handed ? audible_clock_rate(&c) : 0;
}
int music_live_buffer_samples() { return g.initialised ? g.buffer_samples.load(std::memory_order_relaxed) : 0; }
int music_live_latency_samples() { return g.initialised ? g.latency_samples.load(std::memory_order_relaxed) : 0; }

void music_live_set_display_lead(double ms)
{
    const double kept = std::clamp(ms, 0.0, kMaxDisplayLeadMs);
    g.display_lead_ns.store(int64_t(kept * 1e6), std::memory_order_relaxed);
}

double music_live_display_lead() { return double(g.display_lead_ns.load(std::memory_order_relaxed)) / 1e6; }

LiveStats music_live_get_stats()
{
    LiveStats s{};
    std::vector<double> trigger, position;
    {
        std::lock_guard<std::mutex> lock(g.stats_mutex);
        trigger = g.trigger_stats.kept();
        position = g.position_stats.kept();
    }
    s.trigger = StatsRing::summary(std::move(trigger));
    s.position = StatsRing::summary(std::move(position));
    s.dropped_events = g.dropped.load(std::memory_order_relaxed);
    s.resyncs = g.resyncs.load(std::memory_order_relaxed);
    s.clock_resets = g.initialised ? published_clock().resets : 0;
    s.longest_callback_gap_ms = double(g.longest_gap_ns.load(std::memory_order_relaxed)) / 1e6;
    s.longest_callback_ms = double(g.longest_callback_ns.load(std::memory_order_relaxed)) / 1e6;
    return s;
}

std::string music_live_report()
{
    if (!g.initialised) return "";
    const LiveStats s = music_live_get_stats();
    const std::string driver = audio_driver();
    const int latency = g.latency_samples.load(std::memory_order_relaxed);
    char line[256];
    std::snprintf(line, sizeof line,
                  "audio: %s at %d Hz (measured %.1f), buffer %d, latency counted %.1f ms; callbacks: longest gap "
                  "%.1f ms, longest %.1f ms; clock resets %u",
                  driver.empty() ? "unknown driver" : driver.c_str(), g.rate, music_live_measured_rate(),
                  g.buffer_samples.load(std::memory_order_relaxed), latency * 1000.0 / g.rate,
                  s.longest_callback_gap_ms, s.longest_callback_ms, s.clock_resets);
    return line;
}

// --- the maker's calls (music_maker.h) ---------------------------------------

namespace {

FMUSIC_MODULE* maker_module(FMUSIC_MODULE* m)
{
    if (!m) return fail(FMOD_ERR_INVALID_PARAM), nullptr;
    m->maker.store(true, std::memory_order_relaxed);
    return m;
}

}  // namespace

signed char music_maker_set_paused(FMUSIC_MODULE* m, bool paused)
{
    if (!maker_module(m)) return 0;
    m->paused.store(paused, std::memory_order_release);
    return 1;
}

bool music_maker_paused(const FMUSIC_MODULE* m) { return m && m->paused.load(std::memory_order_relaxed); }

signed char music_maker_jump(FMUSIC_MODULE* m, int order)
{
    if (!maker_module(m)) return 0;
    if (order < 0 || order >= m->num_orders) return static_cast<signed char>(fail(FMOD_ERR_INVALID_PARAM));
    if (g.initialised && g.playing.load(std::memory_order_relaxed) == m) {
        m->pending_jump.store(order, std::memory_order_release);
    } else {
        player_core_set_order(&m->core, order);  // nobody else touches a stopped module
        m->epoch.fetch_add(1, std::memory_order_acq_rel);
    }
    return 1;
}

signed char music_maker_loop_order(FMUSIC_MODULE* m, int order)
{
    if (!maker_module(m)) return 0;
    if (order < -1 || order >= m->num_orders) return static_cast<signed char>(fail(FMOD_ERR_INVALID_PARAM));
    m->loop_order.store(order, std::memory_order_relaxed);
    return 1;
}

int music_maker_looped_order(const FMUSIC_MODULE* m) { return m ? m->loop_order.load(std::memory_order_relaxed) : -1; }

double music_maker_heard_seconds(const FMUSIC_MODULE* m)
{
    return m ? m->heard_seconds.load(std::memory_order_relaxed) : 0.0;
}

int music_maker_order_count(const FMUSIC_MODULE* m) { return m ? m->num_orders : 0; }
