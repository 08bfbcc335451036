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

TEST(CaptureOptions, RefusesUnknownOptionsStrayArgumentsAndClashes)
{
    EXPECT_EQ(parse({"--bogus"}).error, "unknown option: --bogus");
    EXPECT_EQ(parse({"--fps"}).error, "option needs a value: --fps");
    EXPECT_EQ(parse({"19"}).error, "unexpected argument: 19");
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
