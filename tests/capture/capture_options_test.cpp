// The capture's command line: defaults, every option, and the refusals.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "capture/capture_options.h"

namespace {

struct Parsed {
    ParseStatus status;
    CaptureOptions options;
    std::string error;
};

Parsed parse(std::vector<std::string> args)
{
    args.insert(args.begin(), "drensolk-capture");
    std::vector<char*> argv;
    for (std::string& a : args) argv.push_back(a.data());
    argv.push_back(nullptr);
    Parsed p;
    p.status = parse_capture_options(static_cast<int>(args.size()), argv.data(), &p.options, &p.error);
    return p;
}

}  // namespace

TEST(CaptureOptions, DefaultsAreTheDemoAtSixtyFramesToItsEnd)
{
    const Parsed p = parse({});
    ASSERT_EQ(p.status, ParseStatus::Ok);
    EXPECT_EQ(p.options.fps, 60);
    EXPECT_EQ(p.options.width, 640);
    EXPECT_EQ(p.options.height, 480);
    EXPECT_EQ(p.options.start_order, -1);
    EXPECT_EQ(p.options.max_frames, -1);
    EXPECT_TRUE(p.options.out.empty());
    EXPECT_TRUE(p.options.png_dir.empty());
    EXPECT_TRUE(p.options.contact_sheet.empty());
    EXPECT_FALSE(p.options.no_video);
}

TEST(CaptureOptions, ReadsEveryOption)
{
    const Parsed p = parse({"--fps", "25", "--size=320x200", "--start-order", "19", "--frames", "90", "--png", "frames",
                            "--contact-sheet", "sheet.png", "--tile-width", "96", "--data", "d", "--events", "e.tsv"});
    ASSERT_EQ(p.status, ParseStatus::Ok) << p.error;
    EXPECT_EQ(p.options.fps, 25);
    EXPECT_EQ(p.options.width, 320);
    EXPECT_EQ(p.options.height, 200);
    EXPECT_EQ(p.options.start_order, 19);
    EXPECT_EQ(p.options.max_frames, 90);
    EXPECT_EQ(p.options.png_dir, "frames");
    EXPECT_EQ(p.options.contact_sheet, "sheet.png");
    EXPECT_EQ(p.options.tile_width, 96);
    EXPECT_EQ(p.options.data_dir, "d");
    EXPECT_EQ(p.options.events, "e.tsv");
    EXPECT_EQ(parse({"--out", "x.mp4"}).options.out, "x.mp4");
    EXPECT_EQ(parse({"--data-dir", "old"}).options.data_dir, "old");
}

TEST(CaptureOptions, SecondsBecomeWholeFramesAtTheChosenRateInAnyArgumentOrder)
{
    EXPECT_EQ(parse({"--seconds", "2.5", "--fps", "10"}).options.max_frames, 25);
    EXPECT_EQ(parse({"--fps", "30", "--seconds", "1.01"}).options.max_frames, 31);  // covers at least 1.01 s
    EXPECT_EQ(parse({"--seconds", "0.001"}).options.max_frames, 1);
    // Both given: the shorter bound wins.
    EXPECT_EQ(parse({"--seconds", "10", "--frames", "7"}).options.max_frames, 7);
    EXPECT_EQ(parse({"--frames", "700", "--seconds", "1"}).options.max_frames, 60);
}

TEST(CaptureOptions, StartOrderTakesAnyWholeNumberAsTheDemoPassesItOn)
{
    EXPECT_EQ(parse({"--start-order", "0"}).options.start_order, 0);
    EXPECT_EQ(parse({"--start-order", "99"}).options.start_order, 99);  // the player refuses it later
    EXPECT_EQ(parse({"--start-order", "-3"}).options.start_order, -3);
    EXPECT_EQ(parse({"--start-order", "x"}).status, ParseStatus::Error);
}

TEST(CaptureOptions, RefusesBadValuesWithTheOptionNamed)
{
    const std::vector<std::vector<std::string>> bad = {
        {"--fps", "0"},       {"--fps", "241"},        {"--fps", "30fps"},     {"--size", "640"},  {"--size", "640x"},
        {"--size", "8x8"},    {"--size", "640x480x3"}, {"--size", "5000x480"}, {"--seconds", "0"}, {"--seconds", "-1"},
        {"--seconds", "abc"}, {"--frames", "0"},       {"--tile-width", "2"},
    };
    for (const auto& args : bad) {
        const Parsed p = parse(args);
        EXPECT_EQ(p.status, ParseStatus::Error) << args[0] << " " << args[1];
        EXPECT_NE(p.error.find(args[0]), std::string::npos) << p.error;
    }
}

TEST(CaptureOptions, RefusesClashes)
{
    EXPECT_EQ(parse({"--out", "a.mp4", "--png", "d"}).status, ParseStatus::Error);
    EXPECT_EQ(parse({"--no-video"}).status, ParseStatus::Error);
    EXPECT_EQ(parse({"--no-video", "--contact-sheet", "s.png", "--png", "d"}).status, ParseStatus::Error);
    EXPECT_EQ(parse({"--no-video", "--contact-sheet", "s.png"}).status, ParseStatus::Ok);
    EXPECT_EQ(parse({"--no-video", "--events", "e.tsv"}).status, ParseStatus::Ok);
    EXPECT_EQ(parse({"--no-video", "--events", "e.tsv", "--out", "a.mp4"}).status, ParseStatus::Error);
    EXPECT_EQ(parse({"--help"}).status, ParseStatus::Help);
}

TEST(CaptureOptions, ASecondParseStartsAfresh)
{
    ASSERT_EQ(parse({"--fps", "12", "--frames", "3"}).status, ParseStatus::Ok);
    const Parsed again = parse({"--size", "320x240"});
    EXPECT_EQ(again.options.fps, 60);
    EXPECT_EQ(again.options.max_frames, -1);
    EXPECT_EQ(again.options.width, 320);
}

// --- video encoder options ---------------------------------------------------

TEST(CaptureVideoOptions, DefaultIsH264AtCrf20MediumAndEveryValueInRangeIsTaken)
{
    const Parsed d = parse({});
    EXPECT_EQ(d.options.video.encoder, "libx264");
    EXPECT_EQ(d.options.video.crf, 20);
    EXPECT_EQ(d.options.video.preset, "medium");

    EXPECT_EQ(parse({"--crf", "0"}).options.video.crf, 0);
    EXPECT_EQ(parse({"--crf=51"}).options.video.crf, 51);
    for (const char* preset : kX264Presets) {
        const Parsed p = parse({"--preset", preset});
        ASSERT_EQ(p.status, ParseStatus::Ok) << preset << ": " << p.error;
        EXPECT_EQ(p.options.video.preset, preset);
    }
    const Parsed x265 = parse({"--encoder", "libx265", "--crf", "28", "--preset", "slow", "--out", "a.mp4"});
    ASSERT_EQ(x265.status, ParseStatus::Ok) << x265.error;
    EXPECT_EQ(x265.options.video.encoder, "libx265");
    EXPECT_EQ(x265.options.video.crf, 28);
    EXPECT_EQ(x265.options.video.preset, "slow");
    // Another encoder on its own is fine: it runs at its own defaults.
    EXPECT_EQ(parse({"--encoder", "libvpx-vp9"}).status, ParseStatus::Ok);
    EXPECT_EQ(parse({"--encoder", "h264_nvenc"}).options.video.encoder, "h264_nvenc");
}

TEST(CaptureVideoOptions, RefusesBadValuesNamingTheOptionAndWhatItTakes)
{
    for (const char* crf : {"-1", "52", "20.5", "", "twenty", "0x10"}) {
        const Parsed p = parse({"--crf", crf});
        EXPECT_EQ(p.status, ParseStatus::Error) << crf;
        EXPECT_NE(p.error.find("--crf"), std::string::npos) << p.error;
        EXPECT_NE(p.error.find("0 to 51"), std::string::npos) << p.error;
    }
    for (const char* preset : {"Medium", "quick", "", "medium "}) {
        const Parsed p = parse({"--preset", preset});
        EXPECT_EQ(p.status, ParseStatus::Error) << preset;
        EXPECT_NE(p.error.find("--preset"), std::string::npos) << p.error;
        for (const char* name : kX264Presets) EXPECT_NE(p.error.find(name), std::string::npos) << p.error;
    }
    // Names that ffmpeg would read as something other than an encoder name.
    for (const char* encoder : {"", "-y", "lib x264", "copy;rm", "../x"}) {
        const Parsed p = parse({"--encoder", encoder});
        EXPECT_EQ(p.status, ParseStatus::Error) << encoder;
        EXPECT_NE(p.error.find("--encoder"), std::string::npos) << p.error;
        EXPECT_NE(p.error.find("ffmpeg -encoders"), std::string::npos) << p.error;
    }
}

TEST(CaptureVideoOptions, CrfAndPresetOnlyWithX264OrX265AndNoneWithoutAnMp4)
{
    const Parsed crf = parse({"--encoder", "mpeg4", "--crf", "20"});
    EXPECT_EQ(crf.status, ParseStatus::Error);
    EXPECT_EQ(crf.error, "--crf applies to libx264 and libx265 only, not to mpeg4");
    // The order of the options does not matter.
    const Parsed preset = parse({"--preset", "fast", "--encoder", "libvpx-vp9"});
    EXPECT_EQ(preset.status, ParseStatus::Error);
    EXPECT_NE(preset.error.find("--preset applies to libx264 and libx265 only"), std::string::npos) << preset.error;

    EXPECT_EQ(parse({"--png", "d", "--crf", "20"}).status, ParseStatus::Error);
    EXPECT_EQ(parse({"--no-video", "--contact-sheet", "s.png", "--encoder", "mpeg4"}).status, ParseStatus::Error);
}

TEST(CaptureVideoOptions, EncoderIsCheckedAgainstWhatFfmpegHas)
{
    const std::vector<std::string> have = {"libx264", "libx265", "mpeg4"};
    EXPECT_EQ(check_encoder("libx264", have), "");
    EXPECT_EQ(check_encoder("mpeg4", have), "");
    const std::string refused = check_encoder("libx26", have);
    EXPECT_NE(refused.find("--encoder libx26"), std::string::npos) << refused;
    EXPECT_NE(refused.find("ffmpeg -encoders"), std::string::npos) << refused;
    // Nothing to check against (ffmpeg's listing could not be read): ffmpeg itself decides later.
    EXPECT_EQ(check_encoder("anything", {}), "");
}
