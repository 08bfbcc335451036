// The real demo binary on real servers: an X server (Xvfb) and a PulseAudio
// server with a null sink, both started here, so the test needs neither a
// display nor a sound card. The sink's monitor is recorded while the demo
// plays from order 19 to its end.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <thread>
#include <vector>

#include "app/run_process.h"
#include "app/x_server.h"

namespace fs = std::filesystem;
using namespace std::chrono_literals;

namespace {

// A server or recorder running beside the test: started with its output
// streams in `log` (stdout in `out` when given), stopped with its process
// group when the object goes, failure or not.
class Background {
public:
    Background(const std::vector<std::string>& argv, const std::vector<std::string>& env, const fs::path& log,
               const fs::path& out = {})
    {
        std::vector<char*> args;
        for (const std::string& a : argv) args.push_back(const_cast<char*>(a.c_str()));
        args.push_back(nullptr);
        pid_ = fork();
        if (pid_ == 0) {
            setpgid(0, 0);  // its own children go with it
            const int logfd = open(log.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
            const int outfd = out.empty() ? logfd : open(out.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
            if (logfd < 0 || outfd < 0) _exit(126);
            dup2(outfd, 1);
            dup2(logfd, 2);
            for (const std::string& e : env) putenv(const_cast<char*>(e.c_str()));
            execvp(args[0], args.data());
            std::fprintf(stderr, "cannot run %s: %s\n", args[0], std::strerror(errno));
            _exit(127);
        }
    }
    Background(const Background&) = delete;
    Background& operator=(const Background&) = delete;
    ~Background() { stop(); }

    bool running() const { return pid_ > 0 && waitpid(pid_, nullptr, WNOHANG) == 0; }
    // SIGTERM, then SIGKILL after two seconds.
    void stop()
    {
        if (pid_ <= 0) return;
        kill(-pid_, SIGTERM);
        kill(pid_, SIGTERM);
        for (int i = 0; i < 200; ++i) {
            if (waitpid(pid_, nullptr, WNOHANG) == pid_) {
                pid_ = -1;
                return;
            }
            std::this_thread::sleep_for(10ms);
        }
        kill(-pid_, SIGKILL);
        kill(pid_, SIGKILL);
        waitpid(pid_, nullptr, 0);
        pid_ = -1;
    }

private:
    pid_t pid_ = -1;
};

// Polls `ok` every 50 ms for up to `seconds`.
template <class Ok>
bool wait_until(double seconds, Ok ok)
{
    for (auto end = std::chrono::steady_clock::now() + std::chrono::duration<double>(seconds);
         std::chrono::steady_clock::now() < end; std::this_thread::sleep_for(50ms))
        if (ok()) return true;
    return ok();
}

struct Sound {
    double seconds_heard = 0;  // samples that are not silent, in seconds
    int peak = 0;
    double rms = 0;  // over the heard span
};

// Signed 16-bit stereo at `rate`.
Sound measure(const fs::path& raw, int rate)
{
    std::ifstream f(raw, std::ios::binary);
    std::vector<int16_t> s;
    int16_t buf[4096];
    while (f.read(reinterpret_cast<char*>(buf), sizeof buf) || f.gcount() > 0)
        s.insert(s.end(), buf, buf + f.gcount() / 2);
    Sound out;
    size_t loud = 0;
    double sum = 0;
    for (size_t i = 0; i + 1 < s.size(); i += 2) {
        const int a = std::max(std::abs(int(s[i])), std::abs(int(s[i + 1])));
        out.peak = std::max(out.peak, a);
        if (a > 64) {
            ++loud;
            sum += double(s[i]) * s[i] + double(s[i + 1]) * s[i + 1];
        }
    }
    out.seconds_heard = double(loud) / rate;
    out.rms = loud ? std::sqrt(sum / (2.0 * double(loud))) : 0;
    return out;
}

}  // namespace

TEST(RealServers, DemoPlaysFromOrder19ToItsEndOnXvfbAndAPulseAudioNullSink)
{
    constexpr int kSinkRate = 44100;
    char tmpl[] = "/tmp/drensolk-servers-XXXXXX";
    ASSERT_NE(mkdtemp(tmpl), nullptr);
    const fs::path dir = tmpl;
    struct Remove {
        fs::path p;
        ~Remove() { fs::remove_all(p); }
    } remove_last{dir};        // declared first: goes after the servers, failure or not
    chmod(dir.c_str(), 0700);  // PulseAudio refuses a runtime folder others can read
    const std::string socket = (dir / "native").string();
    const std::vector<std::string> env = {"XDG_RUNTIME_DIR=" + dir.string(), "HOME=" + dir.string(),
                                          "PULSE_SERVER=unix:" + socket};

    // -n: no default configuration; as root PulseAudio needs --system=false
    // to run as a per-user server.
    Background pulse({"pulseaudio", "-n", "-F", "/dev/null", "--system=false", "--daemonize=no", "--use-pid-file=no",
                      "--exit-idle-time=-1", "--log-target=stderr", "-L",
                      "module-native-protocol-unix socket=" + socket + " auth-anonymous=1", "-L",
                      "module-null-sink sink_name=test rate=" + std::to_string(kSinkRate)},
                     env, dir / "pulse.log");
    const XServer x(1280, 720);
    ASSERT_FALSE(x.display().empty()) << x.error() << " (Xvfb is installed by scripts/install-deps.sh)";

    const bool pulse_up = wait_until(10, [&] {
        return fs::exists(socket) && run_process({"pactl", "info"}, dir.string(), env, 5).status == 0;
    });
    ASSERT_TRUE(pulse_up) << "PulseAudio did not start (installed by scripts/install-deps.sh):\n"
                          << read_text(dir / "pulse.log");
    ASSERT_EQ(run_process({"pactl", "set-default-sink", "test"}, dir.string(), env, 5).status, 0);

    const fs::path recording = dir / "monitor.raw";
    Background parec({"parec", "-d", "test.monitor", "--raw", "--format=s16le", "--channels=2",
                      "--rate=" + std::to_string(kSinkRate)},
                     env, dir / "parec.log", recording);
    ASSERT_TRUE(wait_until(5, [&] { return fs::exists(recording); })) << read_text(dir / "parec.log");

    std::vector<std::string> demo_env = env;
    for (const char* e : {"DRENSOLK_WINDOWED=1", "SDL_VIDEODRIVER=x11", "SDL_AUDIODRIVER=pulseaudio"})
        demo_env.push_back(e);
    demo_env.push_back("DISPLAY=" + x.display());
    const ProcessResult r =
        run_process({(fs::path(DRENSOLK_BINARY_DIR) / "drensolk").string(), "19"}, DRENSOLK_DATA_DIR, demo_env, 30);
    std::this_thread::sleep_for(300ms);  // the last buffers reach the monitor
    parec.stop();
    EXPECT_FALSE(r.timed_out);
    EXPECT_EQ(r.status, 0) << r.out << r.err;
    EXPECT_EQ(r.out, "");
    EXPECT_TRUE(pulse.running()) << read_text(dir / "pulse.log");

    // Orders 19 and 20 up to row 2 last about eight seconds of music.
    const Sound sound = measure(recording, kSinkRate);
    std::printf("[ sound    ] %.2f s heard, peak %d, rms %.0f\n", sound.seconds_heard, sound.peak, sound.rms);
    EXPECT_GT(sound.seconds_heard, 5.0);
    EXPECT_GT(sound.peak, 8000);
    EXPECT_GT(sound.rms, 1000);
}
