// The real demo binary, kHeadless: how it ends, and how each start-up failure
// is reported.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

#include "app/run_process.h"

namespace fs = std::filesystem;

namespace {

// A fresh working folder holding the data files except `left_out`.
fs::path data_copy(const std::string& name, const std::string& left_out = "")
{
    return demo_data_copy(fs::path(DRENSOLK_BINARY_DIR) / "app-test" / name, left_out);
}

TEST(DemoBinary, StartedAtOrder19EndsByItselfAfterOrder20Row2)
{
    const ProcessResult r = run_demo(data_copy("order19"), {"19"});
    EXPECT_FALSE(r.timed_out);
    EXPECT_EQ(r.status, 0) << r.out << r.err;
    EXPECT_EQ(r.out, "");
}

// With DRENSOLK_FRAME_LOG the same run leaves one line per shown frame.
TEST(DemoBinary, FrameLogHasAHeaderAndOneSaneLinePerFrame)
{
    const fs::path dir = data_copy("frame-log");
    const fs::path log = dir / "frames.tsv";
    std::vector<std::string> env = kHeadless;
    env.push_back("DRENSOLK_FRAME_LOG=" + log.string());
    const ProcessResult r = run_demo(dir, {"19"}, env);
    ASSERT_FALSE(r.timed_out);
    ASSERT_EQ(r.status, 0) << r.out << r.err;
    EXPECT_EQ(r.err, "");

    std::ifstream in(log);
    std::string line;
    ASSERT_TRUE(std::getline(in, line));
    EXPECT_EQ(line, "t_s\torder\trow\tdraw_ms\tswap_ms\tframe_ms");
    int frames = 0, last_order = -1, last_row = -1, music_frames = 0;
    double last_t = 0;
    while (std::getline(in, line)) {
        std::istringstream fields(line);
        double t = -1, draw = -1, swap = -1, whole = -1;
        int order = -1, row = -1;
        ASSERT_TRUE(fields >> t >> order >> row >> draw >> swap >> whole) << line;
        ++frames;
        EXPECT_GE(t, last_t) << line;
        EXPECT_GT(t, 0) << line;
        EXPECT_LT(t, 120) << line;  // the intro and a bit over one order
        // Before the first block is heard the position still reads 0, 0.
        if (order != 0 || row != 0 || music_frames > 0) {
            EXPECT_TRUE(order == 19 || order == 20) << line;
            ++music_frames;
        }
        EXPECT_GE(draw, 0) << line;
        EXPECT_GE(swap, 0) << line;
        EXPECT_GE(whole + 0.002, draw + swap) << line;  // each printed to 0.001 ms
        EXPECT_LT(whole, 10000) << line;
        last_t = t;
        last_order = order;
        last_row = row;
    }
    EXPECT_GT(music_frames, 10);
    EXPECT_EQ(last_order, 20);  // the loop ends after the frame that read order 20, row 2
    EXPECT_EQ(last_row, 2);
}

TEST(DemoBinary, UnwritableFrameLogIsOneLineAndTheDemoRunsOn)
{
    const fs::path dir = data_copy("frame-log-unwritable");
    std::vector<std::string> env = kHeadless;
    env.push_back("DRENSOLK_FRAME_LOG=" + (dir / "no-such-folder" / "frames.tsv").string());
    const ProcessResult r = run_demo(dir, {"19"}, env);
    EXPECT_FALSE(r.timed_out);
    EXPECT_EQ(r.status, 0) << r.out << r.err;
    EXPECT_EQ(r.err, "drensolk: cannot write the frame log '" + (dir / "no-such-folder" / "frames.tsv").string() +
                         "': No such file or directory; running without it\n");
}

TEST(DemoBinary, MissingPictureStopsBeforeTheMusicWithPerrorLine)
{
    const ProcessResult r = run_demo(data_copy("no-paintart3", "paintart3.PNG"), {"19"});
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.err.find("error loading texture 'paintart3.PNG': "), std::string::npos) << r.err;
    EXPECT_EQ(r.out, "");  // the music layer was never touched
}

TEST(DemoBinary, MissingModuleSaysFileNotFoundOnStandardOutput)
{
    const ProcessResult r = run_demo(data_copy("no-module", "qx_demo_drensolk.xm"), {});
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.out, "File not found\n");
}

TEST(DemoBinary, RefusedVideoModeEndsWithStatusZero)
{
    const ProcessResult r =
        run_demo(data_copy("no-video"), {}, {"SDL_VIDEODRIVER=no-such-driver", "SDL_AUDIODRIVER=dummy"});
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.err.rfind("Couldn't set GL mode: ", 0), 0u) << r.err;
}

}  // namespace
