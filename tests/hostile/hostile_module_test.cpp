// The real demo with module files it did not expect. A module the music
// layer can read plays (and the demo ends at order 20, row 2 when the song
// has one); one it cannot ends start-up with the music layer's error text on
// the standard output and status 1, after every picture was loaded.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <cstdio>
#include <ostream>
#include <string>

#include "hostile/hostile_files.h"

namespace hostile {
namespace {

constexpr double kPlayLimit = 90;
// A song that never reaches order 20, row 2 plays until the time limit: long
// enough for the intro, the pictures and a few seconds of music.
constexpr double kEndlessLimit = 9;

fs::path with_module(const std::string& name, const std::vector<uint8_t>& module)
{
    const fs::path dir = case_folder(name);
    write_file(dir / kModuleFile, module);
    return dir;
}

void expect_refused(const ProcessResult& r, const std::string& line)
{
    EXPECT_FALSE(has_crash_report(r)) << describe(r);
    EXPECT_FALSE(r.timed_out) << describe(r);
    EXPECT_EQ(r.status, 1) << describe(r);
    EXPECT_EQ(r.out, line + "\n") << describe(r);
    EXPECT_EQ(r.err, "") << describe(r);
}

void expect_played_to_end(const ProcessResult& r)
{
    EXPECT_FALSE(has_crash_report(r)) << describe(r);
    EXPECT_FALSE(r.timed_out) << describe(r);
    EXPECT_EQ(r.status, 0) << describe(r);
    EXPECT_EQ(r.out, "") << describe(r);
}

void expect_still_playing(const ProcessResult& r)
{
    EXPECT_FALSE(has_crash_report(r)) << describe(r);
    EXPECT_TRUE(r.timed_out) << describe(r);
    EXPECT_EQ(r.out, "") << describe(r);
    EXPECT_EQ(r.err, "") << describe(r);
}

// --- files the music layer cannot read ---

TEST(UnreadableModule, EmptySaysUnknownFormat)
{
    expect_refused(run_demo(with_module("module-empty", {}), {"19"}, kPlayLimit), "Unknown file format");
}

TEST(UnreadableModule, RandomBytesSayUnknownFormat)
{
    std::vector<uint8_t> noise(8192);
    uint32_t x = 12345;
    for (uint8_t& b : noise) b = static_cast<uint8_t>((x = x * 1664525u + 1013904223u) >> 24);
    expect_refused(run_demo(with_module("module-random", noise), {"19"}, kPlayLimit), "Unknown file format");
}

TEST(UnreadableModule, DirectoryInItsPlaceSaysErrorLoadingFile)
{
    const fs::path dir = case_folder("module-directory");
    fs::remove(dir / kModuleFile);
    fs::create_directory(dir / kModuleFile);
    expect_refused(run_demo(dir, {"19"}, kPlayLimit), "Error loading file");
}

// Neither may block start-up: a pipe with no writer would wait for one for
// ever, a device would be read without end.
TEST(UnreadableModule, NamedPipeOrDeviceInItsPlaceSaysErrorLoadingFileAtOnce)
{
    const fs::path pipe_dir = case_folder("module-pipe");
    fs::remove(pipe_dir / kModuleFile);
    ASSERT_EQ(mkfifo((pipe_dir / kModuleFile).c_str(), 0600), 0);
    expect_refused(run_demo(pipe_dir, {"19"}, kPlayLimit), "Error loading file");
    for (const char* device : {"/dev/zero", "/dev/null"}) {
        const fs::path dir = case_folder(std::string("module-device") + device);
        fs::remove(dir / kModuleFile);
        fs::create_symlink(device, dir / kModuleFile);
        expect_refused(run_demo(dir, {"19"}, kPlayLimit), "Error loading file");
    }
}

TEST(UnreadableModule, UnreadableFileSaysErrorLoadingFile)
{
    const fs::path dir = case_folder("module-unreadable");
    std::string why_not;
    const auto r = run_demo_with_unreadable(dir, kModuleFile, {"19"}, kPlayLimit, &why_not);
    if (!r) GTEST_SKIP() << why_not;
    expect_refused(*r, "Error loading file");
}

TEST(UnreadableModule, LargerThan64MiBSaysNotEnoughMemory)
{
    // Sparse: the size is all that matters, nothing is read.
    const fs::path dir = case_folder("module-huge");
    fs::resize_file(dir / kModuleFile, (64u << 20) + 1);
    expect_refused(run_demo(dir, {"19"}, kPlayLimit), "Not enough memory ");
}

// --- cut short: refused while the header is incomplete; past it, libopenmpt
// is lenient (missing patterns are empty, missing samples silent), so the song
// may play, end at order 20 row 2, or keep going; none of it may harm ---

// Refused with the format error, or playing (to the end or to the limit)
// without a word.
void expect_refused_or_playing(const ProcessResult& r)
{
    EXPECT_FALSE(has_crash_report(r)) << describe(r);
    EXPECT_EQ(r.err, "") << describe(r);
    if (r.timed_out || r.status == 0) {
        EXPECT_EQ(r.out, "") << describe(r);
    } else {
        EXPECT_EQ(r.status, 1) << describe(r);
        EXPECT_EQ(r.out, "Unknown file format\n") << describe(r);
    }
    std::printf("outcome: %s\n", r.timed_out ? "still playing" : r.status == 0 ? "played to the end" : "refused");
}

struct Cut {
    const char* name;
    size_t keep;   // bytes kept; 0: half the file, 1: all but the last byte
    bool refused;  // the header is incomplete: must be refused
};

void PrintTo(const Cut& c, std::ostream* os) { *os << c.name; }

class TruncatedQuickSong : public testing::TestWithParam<Cut> {};

TEST_P(TruncatedQuickSong, RefusedOrPlayedWithoutHarm)
{
    std::vector<uint8_t> song = quick_xm({});
    const Cut& c = GetParam();
    ASSERT_LT(c.keep, song.size());
    song.resize(c.keep > 1 ? c.keep : c.keep == 1 ? song.size() - 1 : song.size() / 2);
    const ProcessResult r = run_demo(with_module(std::string("module-cut-") + c.name, song), {"19"}, kEndlessLimit);
    if (c.refused)
        expect_refused(r, "Unknown file format");
    else
        expect_refused_or_playing(r);
}

// The quick song's layout: 60-byte fixed header, 276-byte song header (ends
// at 336), three packed patterns, then the instrument and its sample.
INSTANTIATE_TEST_SUITE_P(Offsets, TruncatedQuickSong,
                         testing::Values(Cut{"InsideId", 10, true}, Cut{"BeforeHeaderSize", 60, true},
                                         Cut{"InsideOrderList", 100, true}, Cut{"AtFirstPattern", 336, false},
                                         Cut{"InsidePatterns", 360, false}, Cut{"Half", 0, false},
                                         Cut{"LastByteMissing", 1, false}),
                         [](const testing::TestParamInfo<Cut>& info) { return std::string(info.param.name); });

TEST(TruncatedModule, GeneratedModuleCutInHalfPlaysFromOrder19)
{
    const fs::path dir = case_folder("module-cut-generated");
    std::vector<uint8_t> song = read_file(dir / kModuleFile);
    song.resize(song.size() / 2);  // every pattern kept, the later samples lost
    write_file(dir / kModuleFile, song);
    expect_played_to_end(run_demo(dir, {"19"}, kPlayLimit));
}

// --- readable but not what the schedule assumes ---

TEST(OtherModule, ProTrackerModPlaysToTheEnd)
{
    expect_played_to_end(run_demo(with_module("module-mod", quick_mod({})), {}, kPlayLimit));
}

TEST(OtherModule, XmWithoutInstrumentsPlaysToTheEnd)
{
    expect_played_to_end(run_demo(with_module("module-no-instruments", quick_xm({21, false})), {}, kPlayLimit));
}

TEST(OtherModule, XmOfFiveOrdersLoopsWithoutEnding)
{
    // Order 20 never comes: the song loops and the demo plays until a key.
    expect_still_playing(run_demo(with_module("module-five-orders", quick_xm({5})), {}, kEndlessLimit));
}

TEST(OtherModule, XmOfFiveOrdersStartedAtOrder19PlaysFromTheStart)
{
    // The start order is past the order list: ignored, the song plays from 0.
    expect_still_playing(run_demo(with_module("module-five-orders-19", quick_xm({5})), {"19"}, kEndlessLimit));
}

}  // namespace
}  // namespace hostile
