// The real demo on the desktops people use: Weston (through SDL's Wayland
// driver and through XWayland) and PipeWire (through SDL's PipeWire driver
// and through pipewire-pulse), every server private to the test.
//
// Weston's headless backend offers no seat, which SDL's Wayland driver
// cannot start without; Weston's X11 backend on a private Xvfb has a seat
// (keyboard and pointer from that X server) and shows its output there, so
// a screenshot and a key press go through Xvfb.
#include <gtest/gtest.h>
#include <signal.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "app/letterbox_check.h"
#include "app/run_process.h"
#include "app/x_server.h"
#include "desktop/desktop_servers.h"

namespace fs = std::filesystem;

namespace {

const fs::path kDemo = fs::path(DRENSOLK_BINARY_DIR) / "drensolk";

std::vector<std::string> with(std::vector<std::string> env, const std::vector<std::string>& more)
{
    env.insert(env.end(), more.begin(), more.end());
    return env;
}

fs::path work_dir(const std::string& name)
{
    const fs::path out = fs::path(DRENSOLK_BINARY_DIR) / "desktop-test" / name;
    fs::remove_all(out);
    fs::create_directories(out);
    return out;
}

// One frame-log line: the frame time and the position it read.
struct Reading {
    double t;
    int order, row;
};

std::vector<Reading> read_frame_log(const fs::path& path)
{
    std::ifstream in(path);
    std::string line;
    std::vector<Reading> out;
    std::getline(in, line);  // header
    while (std::getline(in, line)) {
        Reading r{};
        if (std::sscanf(line.c_str(), "%lf\t%d\t%d", &r.t, &r.order, &r.row) == 3) out.push_back(r);
    }
    return out;
}

// Where the heard position stalls or jumps: empty when it only moves on, row
// by row, holding each row about as long as the others (never over 2.5
// times the median hold, and never skipping more rows than the frame's own
// length explains). Orders are taken as 64-row patterns, the song's only
// length.
std::string position_gaps(const std::vector<Reading>& frames)
{
    std::vector<std::pair<double, long>> changes;  // frame time, row counted from the song's start
    for (const Reading& f : frames) {
        if (f.order < 19) continue;  // the intro and the start
        const long at = long(f.order) * 64 + f.row;
        if (changes.empty() || at != changes.back().second) changes.push_back({f.t, at});
    }
    if (changes.size() < 20) return "only " + std::to_string(changes.size()) + " positions read";
    std::vector<double> holds;
    for (size_t i = 1; i < changes.size(); ++i) holds.push_back(changes[i].first - changes[i - 1].first);
    std::vector<double> sorted = holds;
    std::nth_element(sorted.begin(), sorted.begin() + sorted.size() / 2, sorted.end());
    const double median = sorted[sorted.size() / 2];
    std::ostringstream bad;
    for (size_t i = 1; i < changes.size(); ++i) {
        const long step = changes[i].second - changes[i - 1].second;
        const double hold = holds[i - 1];
        if (step < 0) bad << "back " << -step << " rows at " << changes[i].first << " s; ";
        if (hold > 2.5 * median) bad << "held " << hold * 1e3 << " ms at " << changes[i - 1].first << " s; ";
        if (step > 1 && step > long(hold / median) + 1)
            bad << "skipped " << step - 1 << " rows at " << changes[i].first << " s; ";
    }
    return bad.str();
}

TEST(PositionGaps, SteadyRowsPassAStallOrAJumpIsNamed)
{
    std::vector<Reading> steady;
    for (int i = 0; i < 200; ++i) steady.push_back({i * 0.030, 19 + (i / 4) / 64, (i / 4) % 64});
    EXPECT_EQ(position_gaps(steady), "");

    std::vector<Reading> stall = steady;
    for (size_t i = 100; i < stall.size(); ++i) stall[i].t += 0.5;  // the sound stopped half a second
    EXPECT_NE(position_gaps(stall).find("held"), std::string::npos);

    std::vector<Reading> jump = steady;
    for (size_t i = 100; i < jump.size(); ++i) jump[i].row += 5;
    EXPECT_NE(position_gaps(jump).find("skipped"), std::string::npos);

    EXPECT_NE(position_gaps({}).find("only"), std::string::npos);
}

TEST(Weston, HeadlessWithoutASeatTheWaylandDriverFailsWithAMessageAndXWaylandPlays)
{
    Weston weston({"--backend=headless-backend.so"}, {});
    ASSERT_EQ(weston.error(), "");

    // SDL's Wayland driver would crash here: start-up says so and exits 1.
    const ProcessResult refused =
        run_process({kDemo.string(), "19"}, DRENSOLK_DATA_DIR,
                    with(weston.client_env(), {"SDL_VIDEODRIVER=wayland", "SDL_AUDIODRIVER=dummy", "DISPLAY="}), 30);
    EXPECT_EQ(refused.status, 1) << "-1: killed by a signal\n" << refused.err;
    EXPECT_NE(refused.err.find("no seat"), std::string::npos) << refused.err;

    // With XWayland there, the same request plays on X, full screen, to its end.
    const ProcessResult fell_back =
        run_process({kDemo.string(), "19"}, DRENSOLK_DATA_DIR,
                    with(weston.client_env(),
                         {"SDL_VIDEODRIVER=wayland", "SDL_AUDIODRIVER=dummy", "DISPLAY=" + weston.x_display()}),
                    60);
    EXPECT_FALSE(fell_back.timed_out);
    EXPECT_EQ(fell_back.status, 0) << fell_back.err;
    EXPECT_EQ(fell_back.out, "");
}

// Weston's X11 backend on Xvfb: a compositor with a seat, its output the
// whole X screen.
struct SeatedWeston {
    XServer x{kScreenWidth, kScreenHeight};
    std::unique_ptr<Weston> weston;
    SeatedWeston()
    {
        if (!x.display().empty())
            weston = std::make_unique<Weston>(std::vector<std::string>{"--backend=x11-backend.so", "--use-pixman"},
                                              std::vector<std::string>{"DISPLAY=" + x.display()});
    }
    std::string error() const { return x.display().empty() ? x.error() : weston->error(); }
    // xdotool on the X server under Weston: what a user's keyboard and mouse do.
    int xdotool(const std::vector<std::string>& args) const
    {
        std::vector<std::string> argv = {"xdotool"};
        argv.insert(argv.end(), args.begin(), args.end());
        return run_process(argv, "/", {"DISPLAY=" + x.display()}, 10).status;
    }
};

TEST(Weston, WaylandDriverFullScreenLetterboxedPointerHiddenEndsByItself)
{
    SeatedWeston desk;
    ASSERT_EQ(desk.error(), "");
    const fs::path out = work_dir("wayland-full-screen");
    const ProcessResult capture =
        run_process({(fs::path(DRENSOLK_BINARY_DIR) / "drensolk-capture").string(), "--start-order", "19", "--size",
                     "1280x720", "--fps", "10", "--frames", "40", "--png", (out / "reference").string()},
                    DRENSOLK_DATA_DIR, {}, 60);
    ASSERT_EQ(capture.status, 0) << capture.err;
    ScreenShot reference;
    ASSERT_TRUE(read_png((out / "reference" / "frame_000039.png").string(), &reference));

    // The pointer rests in the left bar, over the demo's surface: a pointer
    // shown there would light the bar.
    ASSERT_EQ(desk.xdotool({"mousemove", "40", "360"}), 0) << "xdotool is installed by scripts/check.sh";
    BackgroundProcess demo =
        start_process({kDemo.string(), "19"}, DRENSOLK_DATA_DIR,
                      with(desk.weston->client_env(),
                           {"SDL_VIDEODRIVER=wayland", "SDL_AUDIODRIVER=dummy", "DRENSOLK_WINDOWED=0", "DISPLAY="}),
                      (out / "demo.log").string());
    ASSERT_GT(demo.pid, 0);
    int shots = 0, shots_with_strip = 0, status = -1, tick = 0;
    double best = 1e9;
    std::string grab_error;
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(120);
    while (!process_ended(&demo, &status)) {
        if (std::chrono::steady_clock::now() > deadline) {
            finish_process(&demo, 0);
            FAIL() << "the demo did not end within 120 s";
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(250));
        // A motion each time, so a new surface under the pointer gets its enter.
        desk.xdotool({"mousemove", std::to_string(40 + tick++ % 2), "360"});
        ScreenShot shot;
        if (!grab_screen(desk.x.display(), &shot, &grab_error)) continue;
        const double d = mean_difference(shot, reference, strip_interior());
        if (d >= 1.0) continue;  // not the demo's picture yet (the intro, or Weston's desktop)
        ++shots;
        ++shots_with_strip;
        best = std::min(best, d);
        EXPECT_EQ(bar_reach(shot), 0) << "shot " << shots << ": bars (and the pointer over them) must stay black";
    }
    EXPECT_EQ(status, 0) << read_text(out / "demo.log");
    EXPECT_GT(shots_with_strip, 0) << "the strip was never where the capture puts it: " << grab_error;
}

TEST(Weston, WaylandDriverWindowedIs640x480AndAKeyPressEndsIt)
{
    SeatedWeston desk;
    ASSERT_EQ(desk.error(), "");
    const fs::path out = work_dir("wayland-windowed");
    // From the start the song runs for minutes: only the key can end it soon.
    BackgroundProcess demo =
        start_process({kDemo.string()}, DRENSOLK_DATA_DIR,
                      with(desk.weston->client_env(), {"SDL_VIDEODRIVER=wayland", "SDL_AUDIODRIVER=dummy",
                                                       "DRENSOLK_WINDOWED=1", "DISPLAY=", "WAYLAND_DEBUG=1"}),
                      (out / "demo.log").string());
    ASSERT_GT(demo.pid, 0);
    // A key during the intro only shortens it, so one goes every second
    // (after the pointer, which gives Weston's window the X focus).
    int status = -1;
    bool ended = false;
    for (int i = 0; i < 40 && !ended; ++i) {
        std::this_thread::sleep_for(std::chrono::seconds(1));
        desk.xdotool({"mousemove", "640", "360"});
        desk.xdotool({"key", "space"});
        ended = process_ended(&demo, &status);
    }
    if (!ended) status = finish_process(&demo, 0);
    EXPECT_TRUE(ended) << "no key press ended the demo in 40 s";
    EXPECT_EQ(status, 0);
    // Its buffers are what the compositor shows: 640 x 480.
    const std::string log = read_text(out / "demo.log");
    EXPECT_NE(log.find(", 640, 480, 2560, "), std::string::npos) << "no 640x480 buffer created";
}

// Signed 16-bit stereo: seconds not silent, and the peak.
std::pair<double, int> heard(const fs::path& raw, int rate)
{
    const std::string bytes = read_text(raw);
    const auto* p = reinterpret_cast<const int16_t*>(bytes.data());
    const size_t n = bytes.size() / 4;
    size_t loud = 0;
    int peak = 0;
    for (size_t i = 0; i < n; ++i) {
        const int a = std::max(std::abs(int(p[2 * i])), std::abs(int(p[2 * i + 1])));
        peak = std::max(peak, a);
        loud += a > 64;
    }
    return {double(loud) / rate, peak};
}

class OnPipeWire : public testing::TestWithParam<const char*> {};

TEST_P(OnPipeWire, DemoFromOrder19IsHeardAndItsPositionHasNoGap)
{
    constexpr int kRate = 48000;
    PipeWire pw(kRate);
    ASSERT_EQ(pw.error(), "");
    const fs::path out = work_dir(std::string("pipewire-") + GetParam());
    const fs::path recording = out / "monitor.raw";
    ServerGroup parec({"sh", "-c",
                       "exec parec -d test.monitor --raw --format=s16le --channels=2 --rate=" + std::to_string(kRate) +
                           " >'" + recording.string() + "'"},
                      pw.client_env(), out / "parec.log");
    ASSERT_TRUE(wait_for(5, [&] { return fs::exists(recording); })) << read_text(out / "parec.log");
    const ProcessResult r = run_process({kDemo.string(), "19"}, DRENSOLK_DATA_DIR,
                                        with(pw.client_env(), {"SDL_VIDEODRIVER=offscreen", "DRENSOLK_WINDOWED=1",
                                                               std::string("SDL_AUDIODRIVER=") + GetParam(),
                                                               "DRENSOLK_FRAME_LOG=" + (out / "frames.tsv").string()}),
                                        60);
    std::this_thread::sleep_for(std::chrono::milliseconds(300));  // the last buffers reach the monitor
    parec.stop();
    EXPECT_FALSE(r.timed_out);
    EXPECT_EQ(r.status, 0) << r.out << r.err;
    EXPECT_EQ(r.out, "");
    EXPECT_TRUE(pw.running()) << pw.log();
    // Orders 19 and 20 up to row 2 last about eight seconds of music.
    const auto [seconds, peak] = heard(recording, kRate);
    EXPECT_GT(seconds, 5.0);
    EXPECT_GT(peak, 8000);
    EXPECT_EQ(position_gaps(read_frame_log(out / "frames.tsv")), "");
}

INSTANTIATE_TEST_SUITE_P(SdlDrivers, OnPipeWire, testing::Values("pipewire", "pulseaudio"));

}  // namespace
