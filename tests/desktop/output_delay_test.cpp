// The music layer counts the delay the audio server really has, not its own
// buffer, where the server says it (PulseAudio).
#include <gtest/gtest.h>

#include <sys/resource.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <memory>
#include <string>
#include <thread>

#include "core/music/fmod_api.h"
#include "core/music/music_live.h"
#include "core/music/output_delay.h"
#include "desktop/desktop_servers.h"

namespace fs = std::filesystem;

namespace {

// Sets NAME=value for this process until it goes.
class ScopedEnv {
public:
    explicit ScopedEnv(const std::string& entry) : name_(entry.substr(0, entry.find('=')))
    {
        const char* was = std::getenv(name_.c_str());
        had_ = was != nullptr;
        if (was) old_ = was;
        setenv(name_.c_str(), entry.substr(entry.find('=') + 1).c_str(), 1);
    }
    ~ScopedEnv() { had_ ? setenv(name_.c_str(), old_.c_str(), 1) : unsetenv(name_.c_str()); }

private:
    std::string name_, old_;
    bool had_ = false;
};

struct Counted {
    int latency = -1;  // samples the music layer counts from hand-over to heard
    int buffer = -1;   // samples per SDL buffer
    int rate = 0;
};

// Plays the song for three seconds in this process; what the music layer
// counts then.
Counted counted_latency(const std::vector<std::string>& env, double* server_ms_after = nullptr,
                        const std::function<void()>& while_playing = {})
{
    std::vector<std::unique_ptr<ScopedEnv>> set;
    for (const std::string& e : env) set.push_back(std::make_unique<ScopedEnv>(e));
    if (!FSOUND_Init(32000, 64, 0)) return {};
    FMUSIC_MODULE* m = FMUSIC_LoadSong((fs::path(DRENSOLK_DATA_DIR) / "qx_demo_drensolk.xm").c_str());
    if (m) FMUSIC_PlaySong(m);
    // The layer asks the server after 1.5 s of playing; a loaded machine
    // may take a while longer to answer.
    wait_for(10, [] { return music_live_latency_samples() != music_live_buffer_samples(); });
    const Counted out = {music_live_latency_samples(), music_live_buffer_samples(), music_live_output_rate()};
    if (while_playing) while_playing();
    if (server_ms_after) *server_ms_after = server_output_delay_ms();
    FSOUND_Close();
    if (m) FMUSIC_FreeSong(m);
    return out;
}

// Never more than the buffer nor a tenth of it; and where the server, asked
// right after, says it holds less than the buffer, that is what is counted.
void expect_server_delay(const Counted& got, double server_ms_after, int rate)
{
    const auto [latency, buffer, _] = got;
    std::printf("[ latency  ] %d samples counted, buffer %d; the server said %.1f ms after\n", latency, buffer,
                server_ms_after);
    ASSERT_GT(buffer, 0) << "the output did not open";
    EXPECT_LE(latency, buffer);
    EXPECT_GT(latency, buffer / 10);
    if (server_ms_after > 0 && server_ms_after * rate / 1000 < 0.9 * buffer) {
        EXPECT_LT(latency, buffer) << "still counting the whole buffer";
    }
}

TEST(OutputDelay, PulseAudioCountsWhatTheServerHolds)
{
    RuntimeDir dir("drensolk-pulse");
    const std::string socket = (dir.path() / "native").string();
    const std::vector<std::string> env = {"XDG_RUNTIME_DIR=" + dir.path().string(), "PULSE_SERVER=unix:" + socket};
    ServerGroup pulse({"pulseaudio", "-n", "-F", "/dev/null", "--system=false", "--daemonize=no", "--use-pid-file=no",
                       "--exit-idle-time=-1", "-L", "module-native-protocol-unix socket=" + socket, "-L",
                       "module-null-sink sink_name=test rate=44100"},
                      env, dir.path() / "pulse.log");
    ASSERT_TRUE(wait_for(10, [&] {
        return run_process({"pactl", "info"}, "/", env, 5).status == 0;
    })) << read_text(dir.path() / "pulse.log");
    std::vector<std::string> demo_env = env;
    demo_env.push_back("SDL_AUDIODRIVER=pulseaudio");
    double server_ms = -1;
    const Counted got = counted_latency(demo_env, &server_ms);
    expect_server_delay(got, server_ms, 44100);
}

// The nice value of this process's threads named `prefix`..., e.g. SDL's
// PipeWire thread loop "SDLAudioP0".
std::vector<int> thread_nice(const std::string& prefix)
{
    std::vector<int> out;
    for (const auto& task : fs::directory_iterator("/proc/self/task")) {
        const std::string name = read_text(task.path() / "comm");
        if (name.rfind(prefix, 0) != 0) continue;
        errno = 0;
        const int nice = getpriority(PRIO_PROCESS, id_t(std::stoi(task.path().filename().string())));
        if (errno == 0) out.push_back(nice);
    }
    return out;
}

// PipeWire (0.3.65) reports 0 latency for every stream. Through
// pipewire-pulse the layer counts the queue it keeps for the stream, held
// against the graph's quantum, here forced to 2048 samples (the queue
// published stays as it was); on SDL's native stream one and a half of the
// graph's quanta, here forced to 512 samples (16 ms). A server's 0 must
// never become a latency of 0 (events would then come a whole buffer early).
TEST(OutputDelay, PipeWireCountsPipeWirePulsesQueueOrOneAndAHalfQuanta)
{
    PipeWire pw(48000);
    ASSERT_EQ(pw.error(), "");
    std::vector<std::string> env;
    for (const std::string& e : pw.client_env())
        if (e.rfind("HOME=", 0) != 0) env.push_back(e);  // HOME stays this process's own
    for (const char* driver : {"pulseaudio", "pipewire"}) {
        const bool native = std::string(driver) == "pipewire";
        const ProcessResult forced =
            run_process({"pw-metadata", "-n", "settings", "0", "clock.force-quantum", native ? "512" : "2048"}, "/",
                        pw.client_env(), 5);
        ASSERT_EQ(forced.status, 0) << forced.err;
        std::vector<std::string> demo_env = env;
        demo_env.push_back(std::string("SDL_AUDIODRIVER=") + driver);
        // SDL's native driver calls back from PipeWire's thread loop; the
        // layer raises it as SDL raises its own audio thread (root may).
        std::vector<int> loop_nice;
        double queue_ms = -1;
        PipeWirePulseStream stream;
        const Counted got = counted_latency(demo_env, nullptr, [&] {
            loop_nice = thread_nice("SDLAudioP");
            if (!native) queue_ms = server_output_delay_ms(16, 20, &stream);
        });
        std::printf("[ latency  ] %s: %d samples counted at %d Hz, buffer %d\n", driver, got.latency, got.rate,
                    got.buffer);
        if (native && geteuid() == 0) {
            ASSERT_EQ(loop_nice.size(), 1u);
            EXPECT_LT(loop_nice[0], 0) << "the callback's thread runs at normal priority";
        }
        ASSERT_GT(got.buffer, 0) << driver << ": the output did not open";
        if (!native) {
            EXPECT_GT(got.latency, got.buffer / 10);
            EXPECT_LT(got.latency, got.buffer) << "still counting the whole buffer through pipewire-pulse";
            ASSERT_GT(queue_ms, 0) << "pipewire-pulse published no queue";
            ASSERT_GT(stream.cycle_ms, 0) << "pipewire-pulse published no node.latency";
            std::printf("[ latency  ] queue published %.1f ms, the stream asks for %.1f ms cycles\n", queue_ms,
                        stream.cycle_ms);
            EXPECT_NEAR(got.latency, (queue_ms - stream.cycle_ms + 2048 * 1000.0 / 48000) * got.rate / 1000, 2.0)
                << "not the queue held against the graph's 2048-sample quantum";
        } else {
            EXPECT_NEAR(got.latency, 1.5 * 512 / 48000 * got.rate, 1.0) << "not one and a half quanta";
        }
    }
}

}  // namespace
