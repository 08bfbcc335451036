// The real drensolk-capture, headless: a short capture from order 19 to the
// demo's end at 10 fps, run twice, checked against the player core; the
// contact sheet; early stops; and the start-up failures.
#include <SDL/SDL.h>
#include <SDL/SDL_image.h>
#include <fcntl.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "app/run_process.h"
#include "capture/capture_music.h"
#include "capture/capture_output.h"
#include "capture/ffmpeg_pipe.h"
#include "music/music_test_support.h"

namespace fs = std::filesystem;

namespace {

constexpr int kFps = 10;
constexpr int kSamplesPerFrame = kMixRate / kFps;

const fs::path kWork = fs::path(DRENSOLK_BINARY_DIR) / "capture-test";

struct FrameRow {
    long long frame, sample;
    int order, row;
};

struct Capture {
    ProcessResult result;
    fs::path dir;
    std::vector<FrameRow> log;  // frames.tsv
    std::vector<int16_t> wav;   // interleaved stereo
    int wav_rate = 0, wav_channels = 0;
    std::vector<uint64_t> frame_hashes;
    double seconds = 0;
};

std::string slurp(const fs::path& path)
{
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

uint64_t fnv1a(const std::string& bytes)
{
    uint64_t h = 1469598103934665603ull;
    for (unsigned char c : bytes) h = (h ^ c) * 1099511628211ull;
    return h;
}

uint32_t le32(const std::string& b, size_t at)
{
    return uint8_t(b[at]) | uint8_t(b[at + 1]) << 8 | uint8_t(b[at + 2]) << 16 | uint32_t(uint8_t(b[at + 3])) << 24;
}

ProcessResult run_capture(const fs::path& workdir, std::vector<std::string> args, double limit = 120)
{
    args.insert(args.begin(), (fs::path(DRENSOLK_BINARY_DIR) / "drensolk-capture").string());
    return run_process(args, workdir.string(), {}, limit);
}

// Runs a capture into kWork/name with --png and reads back what it wrote.
Capture capture(const std::string& name, std::vector<std::string> args)
{
    Capture c;
    c.dir = kWork / name;
    fs::remove_all(c.dir);
    args.insert(args.end(), {"--data", DRENSOLK_DATA_DIR, "--png", c.dir.string()});
    const auto start = std::chrono::steady_clock::now();
    c.result = run_capture(DRENSOLK_BINARY_DIR, args);
    c.seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    std::istringstream log(slurp(c.dir / "frames.tsv"));
    std::string line;
    std::getline(log, line);  // header
    FrameRow r;
    double time;
    while (log >> r.frame >> time >> r.sample >> r.order >> r.row) c.log.push_back(r);
    const std::string wav = slurp(c.dir / "audio.wav");
    if (wav.size() >= 44 && wav.compare(36, 4, "data") == 0) {
        c.wav_channels = uint8_t(wav[22]);
        c.wav_rate = static_cast<int>(le32(wav, 24));
        c.wav.resize(le32(wav, 40) / 2);
        std::memcpy(c.wav.data(), wav.data() + 44, std::min(c.wav.size() * 2, wav.size() - 44));
    }
    for (int64_t k = 0; fs::exists(c.dir / png_frame_name(k)); ++k)
        c.frame_hashes.push_back(fnv1a(slurp(c.dir / png_frame_name(k))));
    return c;
}

size_t intro_frames(const Capture& c)
{
    size_t n = 0;
    while (n < c.log.size() && c.log[n].order < 0) ++n;
    return n;
}

// The short capture of the demo's last order, shared by the checks below when
// they run in one process. CTest runs each check in a process of its own, in
// parallel, so the folder is named after the check that made it.
const Capture& order19()
{
    static const std::string name =
        std::string("order19-") + testing::UnitTest::GetInstance()->current_test_info()->name();
    static const Capture c = capture(
        name, {"--start-order", "19", "--fps", "10", "--size", "160x120", "--contact-sheet",
               (kWork / (name + "-sheet.png")).string(), "--events", (kWork / (name + "-events.tsv")).string()});
    return c;
}

fs::path order19_sheet() { return order19().dir.string() + "-sheet.png"; }
fs::path order19_events() { return order19().dir.string() + "-events.tsv"; }

// What the player core itself renders of the generated module from order 19,
// in the capture's 512-sample blocks: the reference for the capture's audio
// and its event map. Empty when the module cannot be read or opened.
mt::Rendered core_from_order19(uint64_t samples)
{
    mt::Rendered out;
    std::vector<uint8_t> bytes;
    PlayerCore core{};
    if (read_module_file((fs::path(DRENSOLK_DATA_DIR) / kModuleFile).c_str(), &bytes) != 0 ||
        player_core_open(&core, bytes.data(), bytes.size(), kMixRate) != 0 || player_core_set_order(&core, 19) != 0)
        return out;
    mt::render(&core, samples, &out, 512);
    player_core_close(&core);
    return out;
}

// A working folder with the data files except `left_out`.
fs::path data_copy(const std::string& name, const std::string& left_out)
{
    return demo_data_copy(kWork / name, left_out);
}

// 3-byte RGB pixels of a PNG, top-down.
struct Picture {
    int w = 0, h = 0;
    std::vector<uint8_t> rgb;
    const uint8_t* at(int x, int y) const { return &rgb[(size_t(y) * w + x) * 3]; }
};

Picture load(const fs::path& path)
{
    Picture p;
    SDL_Surface* s = IMG_Load(path.c_str());
    if (!s) return p;
    SDL_Surface* rgb = SDL_CreateRGBSurface(SDL_SWSURFACE, s->w, s->h, 24, 0x0000FF, 0x00FF00, 0xFF0000, 0);
    SDL_BlitSurface(s, nullptr, rgb, nullptr);
    p.w = s->w;
    p.h = s->h;
    for (int y = 0; y < p.h; ++y) {
        const uint8_t* row = static_cast<const uint8_t*>(rgb->pixels) + y * rgb->pitch;
        p.rgb.insert(p.rgb.end(), row, row + 3 * p.w);
    }
    SDL_FreeSurface(rgb);
    SDL_FreeSurface(s);
    return p;
}

}  // namespace

TEST(CaptureBinary, ShortCaptureFromOrder19EndsAtOrder20Row2WithMatchingFramesAndSamples)
{
    const Capture& c = order19();
    ASSERT_EQ(c.result.status, 0) << c.result.out << c.result.err;
    std::printf("[ figures  ] %zu frames at 160x120 from order 19 in %.1f s\n", c.log.size(), c.seconds);
    ASSERT_FALSE(c.log.empty());
    EXPECT_EQ(c.log.back().order, 20);
    EXPECT_EQ(c.log.back().row, 2);
    for (size_t k = 0; k + 1 < c.log.size(); ++k)
        EXPECT_FALSE(c.log[k].order == 20 && c.log[k].row >= 2) << "frame " << k << " is already at the end";
    const size_t intro = intro_frames(c);
    EXPECT_EQ(intro, 32u);  // the intro's 3.14 s, to the first frame after them
    EXPECT_EQ(c.log[intro].order, 19);
    EXPECT_EQ(c.log[intro].row, 0);
    EXPECT_EQ(c.frame_hashes.size(), c.log.size());
    for (size_t k = 0; k < c.log.size(); ++k) {
        EXPECT_EQ(c.log[k].frame, static_cast<long long>(k));
        EXPECT_EQ(c.log[k].sample, static_cast<long long>(k) * kSamplesPerFrame);
    }
    EXPECT_EQ(c.wav_rate, kMixRate);
    EXPECT_EQ(c.wav_channels, 2);
    EXPECT_EQ(c.wav.size() / 2, c.log.size() * kSamplesPerFrame);
    EXPECT_NE(c.result.err.find("last frame at order 20, row 2"), std::string::npos) << c.result.err;
}

TEST(CaptureBinary, TwoRunsGiveIdenticalFramesAndAudio)
{
    const Capture& first = order19();
    const Capture second = capture("order19-again", {"--start-order", "19", "--fps", "10", "--size", "160x120"});
    ASSERT_EQ(second.result.status, 0) << second.result.err;
    ASSERT_FALSE(first.frame_hashes.empty());
    EXPECT_EQ(first.frame_hashes, second.frame_hashes);
    EXPECT_EQ(first.wav, second.wav);
    // Frames differ from each other: the hashes compare pictures, not blanks.
    EXPECT_NE(first.frame_hashes[40], first.frame_hashes[80]);
}

TEST(CaptureBinary, AudioIsSilentThroughTheIntroThenThePlayerCoresRenderSampleForSample)
{
    const Capture& c = order19();
    ASSERT_EQ(c.result.status, 0);
    const size_t intro_samples = intro_frames(c) * kSamplesPerFrame;
    ASSERT_GT(c.wav.size() / 2, intro_samples);
    for (size_t i = 0; i < 2 * intro_samples; ++i) ASSERT_EQ(c.wav[i], 0) << "sample " << i / 2;

    const mt::Rendered reference = core_from_order19(c.wav.size() / 2 - intro_samples);
    const std::vector<int16_t> music(c.wav.begin() + static_cast<std::ptrdiff_t>(2 * intro_samples), c.wav.end());
    ASSERT_EQ(music.size(), reference.audio.size());
    size_t first_difference = 0;
    while (first_difference < music.size() && music[first_difference] == reference.audio[first_difference])
        ++first_difference;
    EXPECT_EQ(first_difference, music.size())
        << "first differing sample " << first_difference / 2 << " of " << music.size() / 2;

    // Each frame read the last row the core had started at its first sample.
    const std::vector<MusicEvent> rows = mt::only(reference.events, MusicEventKind::Row);
    for (size_t k = intro_frames(c); k < c.log.size(); ++k) {
        const uint64_t at = static_cast<uint64_t>(c.log[k].sample) - intro_samples;
        const MusicEvent* last = nullptr;
        for (const MusicEvent& e : rows)
            if (e.sample <= at) last = &e;
        ASSERT_NE(last, nullptr);
        EXPECT_EQ(c.log[k].order, last->order) << "frame " << k;
        EXPECT_EQ(c.log[k].row, last->row) << "frame " << k;
    }
}

// The sync map holds every row and trigger of the music the capture rendered,
// counted from the music's first sample, and the same with no video.
TEST(CaptureBinary, EventMapListsEveryRowAndTriggerHeardFromTheMusicsStart)
{
    const Capture& c = order19();
    ASSERT_EQ(c.result.status, 0);
    const std::string map = slurp(order19_events());
    const uint64_t music_samples = c.wav.size() / 2 - intro_frames(c) * kSamplesPerFrame;

    const mt::Rendered reference = core_from_order19(music_samples);
    std::string expected = "sample\tseconds\torder\trow\tkind\tinstrument\tchannel\n";
    size_t rows = 0, triggers = 0;
    for (const MusicEvent& e : reference.events) {
        char line[128];
        if (e.kind == MusicEventKind::Row) {
            std::snprintf(line, sizeof line, "%llu\t%.6f\t%d\t%d\trow\t\t\n", (unsigned long long)e.sample,
                          e.sample / double(kMixRate), e.order, e.row);
            ++rows;
        } else {
            std::snprintf(line, sizeof line, "%llu\t%.6f\t%d\t%d\ttrigger\t%d\t%d\n", (unsigned long long)e.sample,
                          e.sample / double(kMixRate), e.order, e.row, e.instrument, e.channel);
            ++triggers;
        }
        expected += line;
    }
    EXPECT_GT(rows, 64u);  // order 19 whole and order 20 up to its row 2
    EXPECT_GT(triggers, rows);
    EXPECT_EQ(map, expected);
    const std::string head = "sample\tseconds\torder\trow\tkind\tinstrument\tchannel\n0\t0.000000\t19\t0\trow\t\t\n";
    EXPECT_EQ(map.compare(0, head.size(), head), 0) << map.substr(0, 200);

    const fs::path alone = kWork / "events-no-video.tsv";
    fs::remove(alone);
    const ProcessResult r = run_capture(DRENSOLK_BINARY_DIR, {"--data", DRENSOLK_DATA_DIR, "--start-order", "19",
                                                              "--fps", "10", "--no-video", "--events", alone.string()});
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(slurp(alone), map);
}

TEST(CaptureBinary, ContactSheetHoldsTheMiddleFramesOfThePlayedOrdersOnly)
{
    const Capture& c = order19();
    ASSERT_EQ(c.result.status, 0);
    const Picture sheet = load(order19_sheet());
    ASSERT_EQ(sheet.w, 7 * 160 + 8 * 2);
    ASSERT_EQ(sheet.h, 3 * 120 + 4 * 2);
    auto tile_matches = [&](int index, const Picture& frame) {
        const int x0 = 2 + (index % 7) * 162, y0 = 2 + (index / 7) * 122;
        for (int y = 0; y < 120; ++y)
            if (std::memcmp(sheet.at(x0, y0 + y), frame.at(0, y), 160 * 3) != 0) return false;
        return true;
    };
    // Orders 0 to 18 were not played: their tiles keep the ground.
    Picture ground;
    ground.w = 160;
    ground.h = 120;
    ground.rgb.assign(160 * 120 * 3, 32);
    for (int o = 0; o < 19; ++o) EXPECT_TRUE(tile_matches(o, ground)) << "order " << o;
    // Orders 19 and 20 show one of their frames from the middle of the order.
    for (int o : {19, 20}) {
        std::vector<size_t> frames;
        for (size_t k = 0; k < c.log.size(); ++k)
            if (c.log[k].order == o) frames.push_back(k);
        ASSERT_FALSE(frames.empty());
        int found = -1;
        for (size_t i = 0; i < frames.size() && found < 0; ++i)
            if (tile_matches(o, load(c.dir / png_frame_name(static_cast<int64_t>(frames[i])))))
                found = static_cast<int>(i);
        ASSERT_GE(found, 0) << "order " << o << ": no frame of it matches its tile";
        EXPECT_NEAR(found, (frames.size() - 1) / 2.0, 1.0 + frames.size() / 10.0) << "order " << o;
    }
}

TEST(CaptureBinary, FramesAndSecondsStopEarlyWithAudioToTheLastFramesEnd)
{
    const Capture in_intro = capture("frames20", {"--fps", "10", "--size", "32x24", "--frames", "20"});
    ASSERT_EQ(in_intro.result.status, 0) << in_intro.result.err;
    EXPECT_EQ(in_intro.frame_hashes.size(), 20u);
    EXPECT_EQ(in_intro.wav.size(), 2u * 20 * kSamplesPerFrame);

    const Capture seconds = capture("seconds4", {"--fps", "10", "--size", "32x24", "--seconds", "4"});
    ASSERT_EQ(seconds.result.status, 0) << seconds.result.err;
    ASSERT_EQ(seconds.log.size(), 40u);
    EXPECT_EQ(seconds.log.back().order, 0);  // from the first order, 0.8 s into the music
    EXPECT_EQ(seconds.wav.size(), 2u * 40 * kSamplesPerFrame);
}

TEST(CaptureBinary, StartUpFailuresReportAsTheDemoDoes)
{
    const std::vector<std::string> small = {"--fps", "10", "--size", "16x16", "--png", (kWork / "fail-out").string()};
    const ProcessResult picture = run_capture(data_copy("no-paintart3", "paintart3.PNG"), small);
    EXPECT_EQ(picture.status, 1);
    EXPECT_NE(picture.err.find("error loading texture 'paintart3.PNG': "), std::string::npos) << picture.err;
    EXPECT_EQ(picture.out, "");

    const ProcessResult module = run_capture(data_copy("no-module", "qx_demo_drensolk.xm"), small);
    EXPECT_EQ(module.status, 1);
    EXPECT_EQ(module.out, "File not found\n");

    const ProcessResult option = run_capture(kWork, {"--fps", "0"});
    EXPECT_EQ(option.status, 2);
    EXPECT_NE(option.err.find("--fps 0"), std::string::npos) << option.err;
    EXPECT_NE(option.err.find("usage: drensolk-capture"), std::string::npos);
}

TEST(CaptureBinary, CtrlCStopsAfterTheFrameInHandWithTheFilesComplete)
{
    const fs::path dir = kWork / "interrupted";
    fs::remove_all(dir);
    const std::string exe = (fs::path(DRENSOLK_BINARY_DIR) / "drensolk-capture").string();
    const pid_t pid = fork();
    if (pid == 0) {
        const int null_fd = open("/dev/null", O_WRONLY);
        dup2(null_fd, 2);
        execl(exe.c_str(), exe.c_str(), "--fps", "10", "--size", "32x24", "--data", DRENSOLK_DATA_DIR, "--png",
              dir.c_str(), static_cast<char*>(nullptr));
        _exit(127);
    }
    ASSERT_GT(pid, 0);
    // Interrupt once the music is under way: 40 frames logged (32 intro).
    int status = 0;
    bool exited = false;
    for (int tries = 0; tries < 3000 && !exited; ++tries) {
        std::istringstream log(slurp(dir / "frames.tsv"));
        size_t lines = 0;
        for (std::string line; std::getline(log, line);) ++lines;
        if (lines > 40) break;
        exited = waitpid(pid, &status, WNOHANG) == pid;
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    ASSERT_FALSE(exited) << "the capture ended before it could be interrupted";
    kill(pid, SIGINT);
    ASSERT_EQ(waitpid(pid, &status, 0), pid);
    ASSERT_TRUE(WIFEXITED(status)) << "killed by the signal instead of stopping";
    EXPECT_EQ(WEXITSTATUS(status), 130);

    size_t frames = 0;
    while (fs::exists(dir / png_frame_name(static_cast<int64_t>(frames)))) ++frames;
    std::istringstream log(slurp(dir / "frames.tsv"));
    size_t lines = 0;
    for (std::string line; std::getline(log, line);) ++lines;
    EXPECT_GE(frames, 40u);
    EXPECT_EQ(lines, frames + 1);  // the header
    const std::string wav = slurp(dir / "audio.wav");
    ASSERT_GE(wav.size(), 44u);
    EXPECT_EQ(le32(wav, 40), frames * kSamplesPerFrame * 4);  // the header was finished too
    EXPECT_EQ(wav.size(), 44 + frames * kSamplesPerFrame * 4);
}

TEST(CaptureBinary, WithFfmpegWritesOneMp4AndRemovesItsPartFiles)
{
    if (find_ffmpeg().empty()) GTEST_SKIP() << "no ffmpeg on PATH";
    const fs::path out = kWork / "mp4" / "short.mp4";
    fs::remove_all(out.parent_path());
    const ProcessResult r = run_capture(DRENSOLK_BINARY_DIR, {"--data", DRENSOLK_DATA_DIR, "--fps", "10", "--size",
                                                              "64x48", "--seconds", "4", "--out", out.string()});
    ASSERT_EQ(r.status, 0) << r.err;
    const std::string mp4 = slurp(out);
    ASSERT_GT(mp4.size(), 1000u);
    EXPECT_EQ(mp4.compare(4, 4, "ftyp"), 0);
    // Both streams are in it: the H.264 video and the AAC audio added after.
    EXPECT_NE(mp4.find("avc1"), std::string::npos);
    EXPECT_NE(mp4.find("mp4a"), std::string::npos);
    // The defaults: x264 at CRF 20, medium (CABAC on, as in every preset but ultrafast).
    EXPECT_NE(mp4.find("crf=20.0"), std::string::npos);
    EXPECT_NE(mp4.find("cabac=1"), std::string::npos);
    std::vector<std::string> left;
    for (const auto& entry : fs::directory_iterator(out.parent_path())) left.push_back(entry.path().filename());
    EXPECT_EQ(left, std::vector<std::string>{"short.mp4"});
}

TEST(CaptureBinary, BadVideoOptionsAreRefusedBeforeAnythingIsWritten)
{
    const fs::path dir = kWork / "bad-video";
    fs::remove_all(dir);
    const std::vector<std::string> out = {"--data", DRENSOLK_DATA_DIR, "--frames",
                                          "3",      "--out",           (dir / "v.mp4").string()};
    struct Case {
        std::vector<std::string> args;
        std::string says;
    };
    std::vector<Case> cases = {
        {{"--crf", "52"}, "--crf 52: wanted a whole number from 0 to 51"},
        {{"--preset", "quick"}, "--preset quick: wanted one of ultrafast superfast veryfast faster fast medium slow"},
        {{"--encoder", "mpeg4", "--crf", "20"}, "--crf applies to libx264 and libx265 only"},
    };
    // Only an ffmpeg can say which encoders exist.
    if (!find_ffmpeg().empty())
        cases.push_back({{"--encoder", "nosuch264"}, "--encoder nosuch264: ffmpeg has no such video encoder"});
    for (Case& c : cases) {
        c.args.insert(c.args.end(), out.begin(), out.end());
        const ProcessResult r = run_capture(DRENSOLK_BINARY_DIR, c.args);
        EXPECT_EQ(r.status, 2) << c.args[0] << ": " << r.err;
        EXPECT_NE(r.err.find(c.says), std::string::npos) << r.err;
        // The output folder is made just before the first frame.
        EXPECT_FALSE(fs::exists(dir)) << c.args[0];
    }
}

TEST(CaptureBinary, CrfAndPresetReachTheH264Encoder)
{
    if (find_ffmpeg().empty()) GTEST_SKIP() << "no ffmpeg on PATH";
    const fs::path out = kWork / "crf" / "crf31.mp4";
    fs::remove_all(out.parent_path());
    const ProcessResult r =
        run_capture(DRENSOLK_BINARY_DIR, {"--data", DRENSOLK_DATA_DIR, "--fps", "10", "--size", "64x48", "--frames",
                                          "5", "--crf", "31", "--preset", "ultrafast", "--out", out.string()});
    ASSERT_EQ(r.status, 0) << r.err;
    // x264 writes its settings into the stream: ultrafast is the one preset without CABAC.
    const std::string mp4 = slurp(out);
    EXPECT_NE(mp4.find("crf=31.0"), std::string::npos);
    EXPECT_NE(mp4.find("cabac=0"), std::string::npos);
}

// A video asked for without ffmpeg is refused before a frame, with what to
// do; PNG frames and --no-video need no ffmpeg.
TEST(CaptureBinary, WithoutFfmpegAVideoIsRefusedAndPngFramesAreWritten)
{
    const fs::path dir = kWork / "no-ffmpeg";
    fs::remove_all(dir);
    fs::create_directories(dir);
    const std::vector<std::string> base = {(fs::path(DRENSOLK_BINARY_DIR) / "drensolk-capture").string(),
                                           "--data",
                                           DRENSOLK_DATA_DIR,
                                           "--size",
                                           "32x24",
                                           "--frames",
                                           "5"};
    auto run_without_ffmpeg = [&base, &dir](std::vector<std::string> extra) {
        std::vector<std::string> args = base;
        args.insert(args.end(), extra.begin(), extra.end());
        return run_process(args, dir.string(), {"PATH=/nonexistent"}, 60);
    };
    for (const std::vector<std::string>& asked :
         {std::vector<std::string>{"--out", (dir / "video" / "demo.mp4").string()}, std::vector<std::string>{}}) {
        const ProcessResult r = run_without_ffmpeg(asked);
        EXPECT_EQ(r.status, 2) << r.err;
        EXPECT_NE(r.err.find("no ffmpeg on PATH"), std::string::npos) << r.err;
        EXPECT_NE(r.err.find("install ffmpeg"), std::string::npos) << r.err;
        EXPECT_NE(r.err.find("--png DIR"), std::string::npos) << r.err;
    }
    // Nothing was made before the refusal: no folder, no default drensolk.mp4.
    EXPECT_TRUE(fs::is_empty(dir));

    const ProcessResult png = run_without_ffmpeg({"--png", (dir / "frames").string()});
    ASSERT_EQ(png.status, 0) << png.err;
    EXPECT_TRUE(fs::exists(dir / "frames" / "frame_000004.png"));
    EXPECT_FALSE(fs::exists(dir / "frames" / "frame_000005.png"));
    EXPECT_EQ(fs::file_size(dir / "frames" / "audio.wav"), 44u + 5 * kMixRate / 60 * 4);  // 5 frames at 60 fps
    const ProcessResult none = run_without_ffmpeg({"--no-video", "--events", (dir / "events.tsv").string()});
    EXPECT_EQ(none.status, 0) << none.err;
    EXPECT_TRUE(fs::exists(dir / "events.tsv"));
}
