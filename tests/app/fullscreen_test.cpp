// Full screen on a bare X server (no window manager): the whole picture,
// letterboxed 4:3 and centred, nothing magnified or cut. Starts its own Xvfb.
#include <gtest/gtest.h>

#include <chrono>
#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <thread>

#include "app/letterbox_check.h"
#include "app/run_process.h"
#include "app/x_server.h"

namespace fs = std::filesystem;

namespace {

TEST(FullScreen, BareXServerShowsTheWholePictureLetterboxedNothingCut)
{
    const fs::path bin(DRENSOLK_BINARY_DIR);
    const fs::path out = bin / "app-test" / "fullscreen";
    fs::remove_all(out);
    fs::create_directories(out);

    // The reference: the capture draws the same view at the same size, and
    // the strip neither moves nor changes, so any frame after the intro has it.
    const ProcessResult capture =
        run_process({(bin / "drensolk-capture").string(), "--start-order", "19", "--size", "1280x720", "--fps", "10",
                     "--frames", "40", "--png", (out / "reference").string()},
                    DRENSOLK_DATA_DIR, {}, 60);
    ASSERT_EQ(capture.status, 0) << capture.err;
    ScreenShot reference;
    ASSERT_TRUE(read_png((out / "reference" / "frame_000039.png").string(), &reference));
    ASSERT_EQ(reference.width, kScreenWidth);
    ASSERT_EQ(reference.height, kScreenHeight);

    XServer x(kScreenWidth, kScreenHeight);
    ASSERT_FALSE(x.display().empty()) << x.error();
    // DRENSOLK_WINDOWED=0 asks for full screen whatever the caller's setting.
    BackgroundProcess demo =
        start_process({(bin / "drensolk").string(), "19"}, DRENSOLK_DATA_DIR,
                      {"DISPLAY=" + x.display(), "SDL_VIDEODRIVER=x11", "SDL_AUDIODRIVER=dummy", "DRENSOLK_WINDOWED=0"},
                      (out / "demo.log").string());
    ASSERT_GT(demo.pid, 0);

    // Screens are read until the demo ends by itself: the first second or
    // three are the intro, the strip comes with the music.
    const Box strip = strip_interior();
    int shots = 0, shots_with_strip = 0, status = -1;
    double best = 1e9;
    std::string grab_error;
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(120);
    while (!process_ended(&demo, &status)) {
        if (std::chrono::steady_clock::now() > deadline) {
            finish_process(&demo, 0);
            FAIL() << "the demo did not end within 120 s";
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(250));
        ScreenShot shot;
        // xwd fails now and then when a window goes while it reads (at the
        // demo's end); only a run with too few good shots fails for it.
        if (!grab_screen(x.display(), &shot, &grab_error)) continue;
        ASSERT_EQ(shot.width, kScreenWidth);
        ASSERT_EQ(shot.height, kScreenHeight);
        ++shots;
        EXPECT_EQ(bar_reach(shot), 0) << "shot " << shots << ": the bars beside the 4:3 picture must stay black";
        const double d = mean_difference(shot, reference, strip);
        best = std::min(best, d);
        if (d < 1.0) ++shots_with_strip;
    }
    if (demo.pid > 0) status = finish_process(&demo, 10);
    EXPECT_EQ(status, 0) << read_text(out / "demo.log");
    EXPECT_GE(shots, 4) << grab_error;
    // Magnified or moved, the strip's pixels would be other parts of the picture.
    EXPECT_GT(shots_with_strip, 0) << "the strip was never where the whole picture puts it; best mean difference "
                                   << best << " of 255";
}

}  // namespace
