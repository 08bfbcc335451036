// The real demo binary, headless: how it ends, and how each start-up failure
// is reported.
#include <gtest/gtest.h>

#include <filesystem>
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
