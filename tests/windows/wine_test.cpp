// drensolk.exe, as it goes into the Windows zip, under Wine on a private X
// server (Xvfb) and a private PulseAudio server with a null sink: it plays to
// its end windowed and full screen while the sink's monitor is recorded, the
// full-screen picture is letterboxed where the Linux capture has it, bad data
// files end start-up with Linux's messages and exit codes, without a console
// the message waits in a box, and the cross-built unit tests pass. One Wine
// prefix for the whole program, in a private folder removed at the end.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "app/letterbox_check.h"
#include "app/run_process.h"
#include "app/x_server.h"

namespace fs = std::filesystem;
using namespace std::chrono_literals;

namespace {

constexpr int kSinkRate = 44100;
// Intro, pictures and orders 19 to 20 row 2 take about 12 s; Wine's start and
// a loaded machine add to it, a hang does not end.
constexpr double kPlayLimit = 90;

// Polls `ok` every 50 ms for up to `seconds`.
template <class Ok>
bool wait_until(double seconds, Ok ok)
{
    for (auto end = std::chrono::steady_clock::now() + std::chrono::duration<double>(seconds);
         std::chrono::steady_clock::now() < end; std::this_thread::sleep_for(50ms))
        if (ok()) return true;
    return ok();
}

// The servers and the Wine prefix every case shares, in one private folder.
struct Session {
    fs::path dir;
    std::unique_ptr<XServer> x;
    BackgroundProcess pulse;
    std::vector<std::string> env;  // what Wine and the sound tools run with
    std::string error;             // why the session could not start
};
Session* session = nullptr;

class Wine : public testing::Test {
protected:
    static void SetUpTestSuite()
    {
        session = new Session;
        char tmpl[] = "/tmp/drensolk-wine-XXXXXX";
        if (!mkdtemp(tmpl)) {
            session->error = "mkdtemp failed";
            return;
        }
        Session& s = *session;
        s.dir = tmpl;
        chmod(tmpl, 0700);  // PulseAudio refuses a runtime folder others can read
        const std::string socket = (s.dir / "native").string();
        s.x = std::make_unique<XServer>(kScreenWidth, kScreenHeight);
        if (s.x->display().empty()) {
            s.error = s.x->error() + " (Xvfb is installed by scripts/install-deps.sh)";
            return;
        }
        s.env = {"XDG_RUNTIME_DIR=" + s.dir.string(), "HOME=" + s.dir.string(), "PULSE_SERVER=unix:" + socket,
                 "DISPLAY=" + s.x->display(), "WINEPREFIX=" + (s.dir / "prefix").string(), "WINEDEBUG=-all",
                 // No Mono or Gecko installer dialog that would wait for a click.
                 "WINEDLLOVERRIDES=mscoree,mshtml=", "DRENSOLK_NO_MESSAGE_BOX=1"};
        // Windows' own drivers, not the headless ones the test main sets: the
        // classic SDL takes an empty name as a driver's name and finds none.
        unsetenv("SDL_VIDEODRIVER");
        unsetenv("SDL_AUDIODRIVER");
        s.pulse = start_process({"pulseaudio", "-n", "-F", "/dev/null", "--system=false", "--daemonize=no",
                                 "--use-pid-file=no", "--exit-idle-time=-1", "--log-target=stderr", "-L",
                                 "module-native-protocol-unix socket=" + socket + " auth-anonymous=1", "-L",
                                 "module-null-sink sink_name=test rate=" + std::to_string(kSinkRate)},
                                s.dir.string(), s.env, (s.dir / "pulse.log").string());
        const bool pulse_up = wait_until(10, [&] {
            return fs::exists(socket) && run_process({"pactl", "info"}, s.dir.string(), s.env, 5).status == 0;
        });
        if (!pulse_up || run_process({"pactl", "set-default-sink", "test"}, s.dir.string(), s.env, 5).status != 0) {
            s.error = "PulseAudio did not start:\n" + read_text(s.dir / "pulse.log");
            return;
        }
        const auto start = std::chrono::steady_clock::now();
        const ProcessResult boot = run_process({"wine", "wineboot", "-i"}, s.dir.string(), s.env, 180);
        run_process({"wineserver", "-w"}, s.dir.string(), s.env, 60);
        const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
        std::printf("[ wine     ] a new prefix took %.1f s\n", seconds);
        if (boot.status != 0) s.error = "wineboot failed (wine is installed by scripts/check.sh):\n" + boot.err;
    }

    static void TearDownTestSuite()
    {
        Session& s = *session;
        if (!s.dir.empty()) {
            run_process({"wineserver", "-k"}, s.dir.string(), s.env, 30);
            if (s.pulse.pid > 0) {
                kill(s.pulse.pid, SIGTERM);
                finish_process(&s.pulse, 5);
            }
            s.x.reset();
            fs::remove_all(s.dir);
        }
        delete session;
        session = nullptr;
    }

    void SetUp() override { ASSERT_EQ(session->error, "") << "the Wine session did not start"; }

    // A copy of the zip's folder without `left_out`, for one case.
    static fs::path folder_without(const std::string& name, const std::string& left_out)
    {
        const fs::path dir = session->dir / name;
        fs::copy(DRENSOLK_WINDOWS_DIR, dir, fs::copy_options::recursive);
        if (!left_out.empty()) fs::remove(dir / left_out);
        return dir;
    }

    static std::vector<std::string> demo_env(bool windowed)
    {
        std::vector<std::string> env = session->env;
        env.push_back(std::string("DRENSOLK_WINDOWED=") + (windowed ? "1" : "0"));
        return env;
    }
};

struct Sound {
    double seconds_heard = 0;  // samples that are not silent, in seconds
    int peak = 0;
};

// Signed 16-bit stereo at kSinkRate.
Sound measure(const fs::path& raw)
{
    std::ifstream f(raw, std::ios::binary);
    Sound out;
    int16_t buf[4096];
    size_t loud = 0;
    while (f.read(reinterpret_cast<char*>(buf), sizeof buf) || f.gcount() > 0) {
        const size_t n = static_cast<size_t>(f.gcount()) / 2;
        for (size_t i = 0; i + 1 < n; i += 2) {
            const int a = std::max(std::abs(int(buf[i])), std::abs(int(buf[i + 1])));
            out.peak = std::max(out.peak, a);
            if (a > 64) ++loud;
        }
    }
    out.seconds_heard = double(loud) / kSinkRate;
    return out;
}

// Records the null sink's monitor while it lives.
class Recorder {
public:
    explicit Recorder(const fs::path& raw) : raw_(raw)
    {
        process_ = start_process({"parec", "-d", "test.monitor", "--raw", "--format=s16le", "--channels=2",
                                  "--rate=" + std::to_string(kSinkRate), raw.string()},
                                 session->dir.string(), session->env, raw.string() + ".log");
        wait_until(5, [&] { return fs::exists(raw); });
    }
    ~Recorder() { stop(); }
    Sound stop()
    {
        if (process_.pid > 0) {
            std::this_thread::sleep_for(300ms);  // the last buffers reach the monitor
            kill(process_.pid, SIGTERM);
            finish_process(&process_, 5);
        }
        return measure(raw_);
    }

private:
    fs::path raw_;
    BackgroundProcess process_;
};

std::string describe(const ProcessResult& r)
{
    return "status " + std::to_string(r.status) + (r.timed_out ? " (timed out)" : "") + "\nstdout: " + r.out +
           "\nstderr: " + r.err;
}

TEST_F(Wine, WindowedPlaysOrder19ToItsEndAndTheSinkHearsMusic)
{
    const fs::path dir = folder_without("windowed", "");
    Recorder recorder(session->dir / "windowed.raw");
    const ProcessResult r = run_process({"wine", "drensolk.exe", "19"}, dir.string(), demo_env(true), kPlayLimit);
    const Sound sound = recorder.stop();
    std::printf("[ sound    ] %.2f s heard, peak %d\n", sound.seconds_heard, sound.peak);
    EXPECT_FALSE(r.timed_out) << describe(r);
    EXPECT_EQ(r.status, 0) << describe(r);
    EXPECT_EQ(r.out, "") << describe(r);
    // Orders 19 and 20 up to row 2 last about eight seconds of music.
    EXPECT_GT(sound.seconds_heard, 5.0);
    EXPECT_GT(sound.peak, 8000);
}

TEST_F(Wine, FullScreenIsLetterboxedWhereTheCaptureHasThePictureAndPlaysToItsEnd)
{
    // The reference: the Linux capture at the same size; the strip neither
    // moves nor changes after the intro, so any later frame has it.
    const fs::path reference_dir = session->dir / "reference";
    const ProcessResult capture =
        run_process({(fs::path(DRENSOLK_BINARY_DIR) / "drensolk-capture").string(), "--start-order", "19", "--size",
                     "1280x720", "--fps", "10", "--frames", "40", "--png", reference_dir.string()},
                    DRENSOLK_DATA_DIR, {}, 60);
    ASSERT_EQ(capture.status, 0) << capture.err;
    ScreenShot reference;
    ASSERT_TRUE(read_png((reference_dir / "frame_000039.png").string(), &reference));

    const fs::path dir = folder_without("fullscreen", "");
    Recorder recorder(session->dir / "fullscreen.raw");
    BackgroundProcess demo = start_process({"wine", "drensolk.exe", "19"}, dir.string(), demo_env(false),
                                           (session->dir / "fullscreen.log").string());
    ASSERT_GT(demo.pid, 0);
    const Box strip = strip_interior();
    int shots = 0, shots_with_strip = 0, shots_with_bars_lit = 0, status = -1;
    double best = 1e9;
    std::string grab_error;
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::duration<double>(kPlayLimit);
    while (!process_ended(&demo, &status)) {
        if (std::chrono::steady_clock::now() > deadline) {
            finish_process(&demo, 0);
            FAIL() << "drensolk.exe did not end within " << kPlayLimit << " s";
        }
        std::this_thread::sleep_for(250ms);
        ScreenShot shot;
        if (!grab_screen(session->x->display(), &shot, &grab_error)) continue;
        ASSERT_EQ(shot.width, kScreenWidth);
        ++shots;
        const double d = mean_difference(shot, reference, strip);
        best = std::min(best, d);
        if (d < 2.0) ++shots_with_strip;
        if (d < 2.0 && bar_reach(shot) != 0) ++shots_with_bars_lit;
    }
    const Sound sound = recorder.stop();
    std::printf("[ screen   ] %d shots, %d with the strip (best mean difference %.2f of 255)\n", shots,
                shots_with_strip, best);
    EXPECT_EQ(status, 0) << read_text(session->dir / "fullscreen.log");
    EXPECT_GT(shots_with_strip, 0) << "the strip was never where the whole picture puts it; best mean difference "
                                   << best << " of 255 (" << shots << " shots; " << grab_error << ")";
    EXPECT_EQ(shots_with_bars_lit, 0) << "the bars beside the 4:3 picture must stay black";
    EXPECT_GT(sound.seconds_heard, 5.0);
}

TEST_F(Wine, MissingPictureEndsStartUpWithTheTextureMessageAndStatus1)
{
    const fs::path dir = folder_without("no-picture", "paintart1.PNG");
    const ProcessResult r = run_process({"wine", "drensolk.exe", "19"}, dir.string(), demo_env(true), kPlayLimit);
    EXPECT_FALSE(r.timed_out) << describe(r);
    EXPECT_EQ(r.status, 1) << describe(r);
    EXPECT_EQ(r.out, "") << describe(r);
    const std::string head = "error loading texture 'paintart1.PNG': ";
    ASSERT_EQ(r.err.rfind(head, 0), 0u) << describe(r);
    EXPECT_GT(r.err.size(), head.size() + 1) << "the message gives no reason: " << describe(r);
    EXPECT_EQ(r.err.back(), '\n') << describe(r);
}

TEST_F(Wine, MissingModuleEndsStartUpWithTheMusicLayersMessageAndStatus1)
{
    const fs::path dir = folder_without("no-module", "qx_demo_drensolk.xm");
    const ProcessResult r = run_process({"wine", "drensolk.exe", "19"}, dir.string(), demo_env(true), kPlayLimit);
    EXPECT_FALSE(r.timed_out) << describe(r);
    EXPECT_EQ(r.status, 1) << describe(r);
    // Windows' C library writes a text stream's newline as CR LF.
    EXPECT_TRUE(r.out == "File not found\n" || r.out == "File not found\r\n") << describe(r);
    EXPECT_EQ(r.err, "") << describe(r);
}

// Started from Explorer the program has no console and no output streams;
// Wine's `start` starts it so too. A start-up failure's text then waits in a
// message box titled "drensolk" (the box is on here); Enter closes it, and
// the exit status is still 1. Every wait is bounded: a box that never comes,
// or a program that does not end after it, fails the case.
TEST_F(Wine, WithoutAConsoleAStartUpFailureWaitsInAMessageBoxThenEndsWithStatus1)
{
    const fs::path dir = folder_without("message-box", "paintart1.PNG");
    std::vector<std::string> env = demo_env(true);
    env.push_back("DRENSOLK_NO_MESSAGE_BOX=");  // later entries win: the box is on
    BackgroundProcess demo = start_process({"wine", "start", "/wait", "/unix", (dir / "drensolk.exe").string()},
                                           dir.string(), env, (session->dir / "message-box.log").string());
    ASSERT_GT(demo.pid, 0);
    std::string box;
    const bool shown = wait_until(kPlayLimit, [&] {
        const ProcessResult r =
            run_process({"xdotool", "search", "--name", "^drensolk$"}, dir.string(), session->env, 10);
        box = r.out.substr(0, r.out.find('\n'));
        return !box.empty();
    });
    int status = -1;
    if (!shown) {
        finish_process(&demo, 0);
        FAIL() << "no message box appeared within " << kPlayLimit << " s\n"
               << read_text(session->dir / "message-box.log");
    }
    EXPECT_FALSE(process_ended(&demo, &status)) << "the program ended without waiting for the box";
    run_process({"xdotool", "key", "--window", box, "Return"}, dir.string(), session->env, 10);
    const bool ended = wait_until(30, [&] { return process_ended(&demo, &status); });
    if (!ended) finish_process(&demo, 0);
    EXPECT_TRUE(ended) << "the program did not end after the box was closed";
    EXPECT_EQ(status, 1) << read_text(session->dir / "message-box.log");
}

// The drawing kit's and the music core's unit tests, cross-built
// (tests/windows/CMakeLists.txt), pass as Windows programs.
TEST_F(Wine, TheDrawingKitsAndTheMusicCoresUnitTestsPass)
{
    const std::string folder = DRENSOLK_WINDOWS_TEST_DIR;
    if (folder.empty()) GTEST_SKIP() << "configured without DRENSOLK_WINDOWS_TEST_DIR (scripts/check.sh sets it)";
    for (const char* program : {"draw_tests.exe", "music_core_tests.exe"}) {
        ASSERT_TRUE(fs::exists(fs::path(folder) / program)) << program;
        const ProcessResult r = run_process({"wine", program}, folder, session->env, 300);
        EXPECT_FALSE(r.timed_out) << program;
        EXPECT_EQ(r.status, 0) << program << "\n" << r.out << r.err;
        EXPECT_NE(r.out.find("[  PASSED  ]"), std::string::npos) << program << "\n" << r.out;
        EXPECT_EQ(r.out.find("[  FAILED  ]"), std::string::npos) << program << "\n" << r.out;
    }
}

}  // namespace
