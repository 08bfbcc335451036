// The capture's small parts: the virtual clock, the WAV writer, ffmpeg's
// command lines, the contact sheet and the progress line.
#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "capture/capture_output.h"
#include "capture/contact_sheet.h"
#include "capture/frame_clock.h"
#include "capture/progress.h"
#include "capture/wav_writer.h"

namespace fs = std::filesystem;

namespace {

std::vector<uint8_t> slurp(const fs::path& path)
{
    std::ifstream in(path, std::ios::binary);
    return std::vector<uint8_t>(std::istreambuf_iterator<char>(in), {});
}

uint32_t u32(const std::vector<uint8_t>& b, size_t at)
{
    return b[at] | b[at + 1] << 8 | b[at + 2] << 16 | uint32_t(b[at + 3]) << 24;
}
uint16_t u16(const std::vector<uint8_t>& b, size_t at) { return uint16_t(b[at] | b[at + 1] << 8); }

fs::path scratch(const std::string& name)
{
    const fs::path dir = fs::path(DRENSOLK_BINARY_DIR) / "capture-test";
    fs::create_directories(dir);
    return dir / name;
}

RgbImage solid(int w, int h, uint8_t r, uint8_t g, uint8_t b)
{
    RgbImage image{w, h, {}};
    for (int i = 0; i < w * h; ++i) image.pixels.insert(image.pixels.end(), {r, g, b});
    return image;
}

}  // namespace

// --- virtual clock -----------------------------------------------------------

TEST(FrameClock, FramesStartAtWholeSamplesThatNeverDrift)
{
    const FrameClock c{30, 32000};
    EXPECT_EQ(frame_sample(c, 0), 0);
    EXPECT_EQ(frame_sample(c, 1), 1066);
    EXPECT_EQ(frame_sample(c, 3), 3200);
    EXPECT_EQ(frame_sample(c, 30 * 3600), 32000LL * 3600);  // an hour in, still exact
    EXPECT_DOUBLE_EQ(frame_time(c, 45), 1.5);
}

TEST(FrameClock, FirstFrameAtIsTheInverseOfFrameSample)
{
    for (const FrameClock c :
         {FrameClock{60, 32000}, FrameClock{30, 32000}, FrameClock{7, 32000}, FrameClock{24, 44100}})
        for (int64_t s = 0; s < 20000; s += 37) {
            const int64_t k = first_frame_at(c, s);
            EXPECT_GE(frame_sample(c, k), s) << c.fps << " fps, sample " << s;
            if (k > 0) {
                EXPECT_LT(frame_sample(c, k - 1), s) << c.fps << " fps, sample " << s;
            }
        }
}

// --- WAV ---------------------------------------------------------------------

TEST(WavWriter, WritesACanonicalHeaderWithTheSizesOfWhatFollowed)
{
    const fs::path path = scratch("writer.wav");
    WavWriter w;
    ASSERT_TRUE(wav_open(&w, path.string(), 32000));
    const int16_t pcm[] = {1, -1, 300, -300, 32767, -32768};
    wav_write(&w, pcm, 3);
    wav_write_silence(&w, 2);
    EXPECT_EQ(w.samples, 5u);
    ASSERT_TRUE(wav_close(&w));

    const std::vector<uint8_t> b = slurp(path);
    ASSERT_EQ(b.size(), 44u + 5 * 4);
    EXPECT_EQ(std::string(b.begin(), b.begin() + 4), "RIFF");
    EXPECT_EQ(u32(b, 4), b.size() - 8);
    EXPECT_EQ(std::string(b.begin() + 8, b.begin() + 16), "WAVEfmt ");
    EXPECT_EQ(u32(b, 16), 16u);
    EXPECT_EQ(u16(b, 20), 1);  // PCM
    EXPECT_EQ(u16(b, 22), 2);  // stereo
    EXPECT_EQ(u32(b, 24), 32000u);
    EXPECT_EQ(u32(b, 28), 128000u);  // bytes per second
    EXPECT_EQ(u16(b, 32), 4);
    EXPECT_EQ(u16(b, 34), 16);
    EXPECT_EQ(std::string(b.begin() + 36, b.begin() + 40), "data");
    EXPECT_EQ(u32(b, 40), 20u);
    EXPECT_EQ(int16_t(u16(b, 44 + 8)), 32767);
    EXPECT_EQ(int16_t(u16(b, 44 + 10)), -32768);
    EXPECT_EQ(u32(b, 44 + 12), 0u);
    EXPECT_EQ(u32(b, 44 + 16), 0u);
}

TEST(WavWriter, ReportsAFolderThatCannotHoldIt)
{
    WavWriter w;
    EXPECT_FALSE(wav_open(&w, (scratch("no-such-folder") / "x.wav").string(), 32000));
    EXPECT_TRUE(wav_close(&w));  // nothing opened, nothing failed
}

// --- PNG output folder ---------------------------------------------------------

TEST(CaptureOutput, PngFolderDropsFramesOfAnEarlierCaptureAndLogsEachFrame)
{
    const fs::path dir = scratch("png-out");
    fs::remove_all(dir);
    fs::create_directories(dir);
    std::ofstream(dir / "frame_000007.png") << "old";
    std::ofstream(dir / "keep.txt") << "mine";
    CaptureOutput out;
    ASSERT_TRUE(output_open_png(&out, dir.string(), 32000)) << out.error;
    EXPECT_FALSE(fs::exists(dir / "frame_000007.png"));
    EXPECT_TRUE(fs::exists(dir / "keep.txt"));
    ASSERT_TRUE(output_frame(&out, solid(4, 2, 9, 8, 7), FrameInfo{0, 0.0, 0, -1, -1}));
    ASSERT_TRUE(output_frame(&out, solid(4, 2, 9, 8, 7), FrameInfo{1, 0.1, 3200, 19, 5}));
    output_silence(&out, 6400);
    ASSERT_TRUE(output_finish(&out)) << out.error;
    EXPECT_TRUE(fs::exists(dir / png_frame_name(1)));
    EXPECT_EQ(png_frame_name(42), "frame_000042.png");
    std::ifstream log(dir / "frames.tsv");
    std::string header, first, second;
    std::getline(log, header);
    std::getline(log, first);
    std::getline(log, second);
    EXPECT_EQ(header, "frame\ttime\tsample\torder\trow");
    EXPECT_EQ(first, "0\t0.000000\t0\t-1\t-1");
    EXPECT_EQ(second, "1\t0.100000\t3200\t19\t5");
    EXPECT_EQ(fs::file_size(dir / "audio.wav"), 44u + 6400 * 4);
}

TEST(CaptureOutput, Mp4RefusesOddSizesBeforeStartingAnything)
{
    CaptureOutput out;
    EXPECT_FALSE(output_open_mp4(&out, "/bin/false", scratch("odd.mp4").string(), 161, 120, 10, 32000));
    EXPECT_NE(out.error.find("even"), std::string::npos);
    EXPECT_FALSE(fs::exists(scratch("odd.mp4.audio-part.wav")));
}

// --- ffmpeg command lines ----------------------------------------------------

TEST(FfmpegPipe, ListsVideoEncodersFromTheTableBelowTheRuleOnly)
{
    const std::string listing =
        "Encoders:\n"
        " V..... = Video\n"
        " A..... = Audio\n"
        " ------\n"
        " V....D a64multi             Multicolor charset for Commodore 64 (codec a64_multi)\n"
        " V....D libx264              libx264 H.264 / AVC / MPEG-4 AVC / MPEG-4 part 10 (codec h264)\n"
        " V.S... mpeg4                MPEG-4 part 2\n"
        " A....D aac                  AAC (Advanced Audio Coding)\n"
        " S..... srt                  SubRip subtitle\n";
    EXPECT_EQ(parse_video_encoders(listing), (std::vector<std::string>{"a64multi", "libx264", "mpeg4"}));
    EXPECT_TRUE(parse_video_encoders("ffmpeg: not a listing\n V..... = Video\n").empty());
}

TEST(FfmpegPipe, CrfAndPresetReachX264AndX265OnlyAndEveryEncoderGets420)
{
    auto after = [](const std::vector<std::string>& args, const std::string& option) -> std::string {
        for (size_t k = 0; k + 1 < args.size(); ++k)
            if (args[k] == option) return args[k + 1];
        return "(absent)";
    };
    const VideoCodec x264{"libx264", 17, "veryfast"};
    const std::vector<std::string> a = ffmpeg_video_args("ffmpeg", "v.mp4", 320, 240, 30, x264);
    EXPECT_EQ(a.front(), "ffmpeg");
    EXPECT_EQ(a.back(), "v.mp4");
    EXPECT_EQ(after(a, "-c:v"), "libx264");
    EXPECT_EQ(after(a, "-crf"), "17");
    EXPECT_EQ(after(a, "-preset"), "veryfast");
    EXPECT_EQ(after(a, "-video_size"), "320x240");
    EXPECT_EQ(after(a, "-framerate"), "30");
    EXPECT_EQ(after(a, "-pix_fmt"), "yuv420p");

    const std::vector<std::string> h = ffmpeg_video_args("ffmpeg", "v.mp4", 320, 240, 30, {"libx265", 28, "fast"});
    EXPECT_EQ(after(h, "-crf"), "28");
    EXPECT_EQ(after(h, "-tag:v"), "hvc1");

    const std::vector<std::string> m = ffmpeg_video_args("ffmpeg", "v.mp4", 320, 240, 30, {"mpeg4", 20, "medium"});
    EXPECT_EQ(after(m, "-c:v"), "mpeg4");
    EXPECT_EQ(after(m, "-crf"), "(absent)");
    EXPECT_EQ(after(m, "-preset"), "(absent)");
    EXPECT_EQ(after(m, "-pix_fmt"), "yuv420p");
}

// --- contact sheet -----------------------------------------------------------

TEST(ContactSheet, SevenColumnsOfTilesShrunkByAWholeFactor)
{
    ContactSheet s;
    sheet_init(&s, 21, 640, 480, 160);
    EXPECT_EQ(s.factor, 4);
    EXPECT_EQ(s.tile_w, 160);
    EXPECT_EQ(s.tile_h, 120);
    EXPECT_EQ(s.image.width, 7 * 160 + 8 * kSheetGap);
    EXPECT_EQ(s.image.height, 3 * 120 + 4 * kSheetGap);
    sheet_init(&s, 21, 320, 240, 160);
    EXPECT_EQ(s.factor, 2);
    sheet_init(&s, 21, 700, 480, 160);  // 700 / 160 is not whole: the next factor keeps it within
    EXPECT_EQ(s.factor, 5);
    EXPECT_EQ(s.tile_w, 140);
}

TEST(ContactSheet, AveragesBlocksIntoTheTileOfItsIndexAndLeavesTheRest)
{
    ContactSheet s;
    sheet_init(&s, 21, 8, 4, 4);  // factor 2: 4x2 tiles
    RgbImage frame = solid(8, 4, 0, 0, 0);
    // Left half white, and one 2x2 block half grey: its tile pixel averages.
    for (int y = 0; y < 4; ++y)
        for (int x = 0; x < 4; ++x) frame.pixels[(y * 8 + x) * 3] = 255;
    frame.pixels[(0 * 8 + 4) * 3 + 1] = 100;
    frame.pixels[(1 * 8 + 5) * 3 + 1] = 100;
    sheet_place(&s, 8, frame);  // column 1, row 1
    const int x0 = kSheetGap + 1 * (4 + kSheetGap), y0 = kSheetGap + 1 * (2 + kSheetGap);
    EXPECT_EQ(s.image.at(x0, y0)[0], 255);
    EXPECT_EQ(s.image.at(x0 + 1, y0 + 1)[0], 255);
    EXPECT_EQ(s.image.at(x0 + 2, y0)[0], 0);
    EXPECT_EQ(s.image.at(x0 + 2, y0)[1], 50);
    EXPECT_EQ(s.image.at(x0 + 3, y0 + 1)[1], 0);
    // Tile 0 and the gaps keep the ground colour.
    EXPECT_EQ(s.image.at(kSheetGap, kSheetGap)[0], 32);
    EXPECT_EQ(s.image.at(x0 - 1, y0)[0], 32);
    sheet_place(&s, 21, frame);  // past the last tile: ignored
    sheet_place(&s, -1, frame);
}

TEST(ContactSheet, PicksTheFirstFrameAtTheMiddleOfEachPlayedOrder)
{
    MusicSurvey survey;
    std::fill(std::begin(survey.order_start), std::end(survey.order_start), kSurveyNone);
    std::fill(std::begin(survey.order_end), std::end(survey.order_end), kSurveyNone);
    survey.order_start[19] = 0;
    survey.order_end[19] = 6400;
    survey.order_start[20] = 6400;
    survey.order_end[20] = survey.end_sample = 7360;
    int64_t frames[kSurveyOrders];
    sheet_frames(survey, FrameClock{10, 32000}, 32, frames);
    EXPECT_EQ(frames[19], 32 + 1);  // middle 3200: exactly frame 1 of the music
    EXPECT_EQ(frames[20], 32 + 3);  // middle 6880: covered first by frame 3 (9600)
    EXPECT_EQ(frames[0], -1);
    EXPECT_EQ(frames[18], -1);
    EXPECT_EQ(survey_middle(survey, 21), kSurveyNone);
}

// --- progress ----------------------------------------------------------------

TEST(Progress, ShowsDoneOfTotalSpeedAndTimeLeft)
{
    EXPECT_EQ(progress_text(1000, 4000, 50.0), "  1000/4000 frames  25%    20.0 fps  2:30 left");
    EXPECT_EQ(progress_text(4000, 4000, 100.0), "  4000/4000 frames 100%    40.0 fps  0:00 left");
    EXPECT_EQ(progress_text(0, 4000, 0.0), "     0/4000 frames   0%     0.0 fps  ? left");
    EXPECT_EQ(progress_text(30, -1, 2.0), "    30 frames    15.0 fps");
}
