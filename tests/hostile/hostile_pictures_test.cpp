// The real demo with pictures it did not expect. A picture SDL_image can
// decode is converted to 24-bit RGB and the demo plays to its end; one it
// cannot ends start-up with the "error loading texture" line and status 1,
// before the music.
// Runs that play use the quick song, so the whole schedule (every layer,
// every picture drawn) passes in a few seconds.
#include <gtest/gtest.h>
#include <png.h>
#include <sys/stat.h>

#include <ostream>
#include <string>

#include "hostile/hostile_files.h"

namespace hostile {
namespace {

// Plays past the intro (3.1 s) and the quick song (about 4.5 s); the run
// ends by itself long before this.
constexpr double kPlayLimit = 90;

fs::path with_quick_song(const std::string& name)
{
    const fs::path dir = case_folder(name);
    write_file(dir / kModuleFile, quick_xm({}));
    return dir;
}

// The demo played to order 20, row 2 and ended as after a normal run.
void expect_played_to_end(const ProcessResult& r)
{
    EXPECT_FALSE(has_crash_report(r)) << describe(r);
    EXPECT_FALSE(r.timed_out) << describe(r);
    EXPECT_EQ(r.status, 0) << describe(r);
    EXPECT_EQ(r.out, "") << describe(r);
    EXPECT_EQ(r.err.find("error"), std::string::npos) << describe(r);
}

// Start-up stopped at `file` with its error line, before the music layer said
// anything. libpng's own error handler (inside SDL_image) may write its
// "libpng error: ..." line first; nothing else may.
void expect_picture_refused(const ProcessResult& r, const std::string& file, const std::string& reason = "")
{
    EXPECT_FALSE(has_crash_report(r)) << describe(r);
    EXPECT_FALSE(r.timed_out) << describe(r);
    EXPECT_EQ(r.status, 1) << describe(r);
    EXPECT_EQ(r.out, "") << describe(r);
    ASSERT_FALSE(r.err.empty()) << describe(r);
    ASSERT_EQ(r.err.back(), '\n') << describe(r);
    const size_t last = r.err.rfind('\n', r.err.size() - 2);
    const std::string line = r.err.substr(last == std::string::npos ? 0 : last + 1);
    const std::string head = "error loading texture '" + file + "': ";
    EXPECT_EQ(line.rfind(head, 0), 0u) << describe(r);
    // A failure always has a reason, and it is never the success errno 0 names.
    EXPECT_GT(line.size(), head.size() + 1) << describe(r);
    EXPECT_EQ(line.find("Success"), std::string::npos) << describe(r);
    if (!reason.empty()) {
        EXPECT_EQ(line, head + reason + "\n");
    }
    // Before it, only libpng's lines: no later picture was tried.
    const std::string before = r.err.substr(0, r.err.size() - line.size());
    for (size_t at = 0; at < before.size(); at = before.find('\n', at) + 1)
        EXPECT_EQ(before.compare(at, 8, "libpng e"), 0) << describe(r);
}

// --- pictures that cannot be decoded ---

class MissingPicture : public testing::TestWithParam<int> {};

TEST_P(MissingPicture, StopsWithItsNameAndNoSuchFile)
{
    const std::string file = kPictureFiles[GetParam()];
    const fs::path dir = case_folder("missing-" + std::to_string(GetParam()));
    fs::remove(dir / file);
    expect_picture_refused(run_demo(dir, {"19"}, kPlayLimit), file, "No such file or directory");
}

INSTANTIATE_TEST_SUITE_P(EveryPicture, MissingPicture, testing::Range(0, 7));

TEST(UndecodablePicture, EmptyFileIsRefused)
{
    const fs::path dir = case_folder("empty-picture");
    write_file(dir / "paintart1.PNG", {});
    expect_picture_refused(run_demo(dir, {"19"}, kPlayLimit), "paintart1.PNG");
}

TEST(UndecodablePicture, PngCutInsideItsHeaderIsRefused)
{
    const fs::path dir = case_folder("truncated-header");
    std::vector<uint8_t> png = read_file(dir / "paintart2.PNG");
    png.resize(20);  // signature and half of IHDR
    write_file(dir / "paintart2.PNG", png);
    expect_picture_refused(run_demo(dir, {"19"}, kPlayLimit), "paintart2.PNG");
}

// The reason is the chunk check's, which refuses before libpng reads (a
// chunk claiming a gigabyte held libpng for 20 s: png_chunks.h).
TEST(UndecodablePicture, PngCutInsideItsPixelsIsRefused)
{
    const fs::path dir = case_folder("truncated-pixels");
    std::vector<uint8_t> png = read_file(dir / "paintart6.PNG");
    png.resize(png.size() / 2);
    write_file(dir / "paintart6.PNG", png);
    expect_picture_refused(run_demo(dir, {"19"}, kPlayLimit), "paintart6.PNG", "the file ends inside its IDAT chunk");
}

TEST(UndecodablePicture, TextNamedPngIsRefused)
{
    const fs::path dir = case_folder("text-picture");
    const std::string text = "This is not a picture at all, only a line of text.\n";
    write_file(dir / "cow.PNG", std::vector<uint8_t>(text.begin(), text.end()));
    expect_picture_refused(run_demo(dir, {"19"}, kPlayLimit), "cow.PNG");
}

TEST(UndecodablePicture, DirectoryInItsPlaceIsRefused)
{
    const fs::path dir = case_folder("directory-picture");
    fs::remove(dir / "paintart4.png");
    fs::create_directory(dir / "paintart4.png");
    expect_picture_refused(run_demo(dir, {"19"}, kPlayLimit), "paintart4.png");
}

// A pipe with no writer would block a plain open for ever; a device would be
// read without end. Both are refused at once.
TEST(UndecodablePicture, NamedPipeOrDeviceInItsPlaceIsRefusedAtOnce)
{
    const fs::path pipe_dir = case_folder("picture-pipe");
    fs::remove(pipe_dir / "paintart3.PNG");
    ASSERT_EQ(mkfifo((pipe_dir / "paintart3.PNG").c_str(), 0600), 0);
    expect_picture_refused(run_demo(pipe_dir, {"19"}, kPlayLimit), "paintart3.PNG", "not a regular file");
    const fs::path dev_dir = case_folder("picture-device");
    fs::remove(dev_dir / "cow.PNG");
    fs::create_symlink("/dev/zero", dev_dir / "cow.PNG");
    expect_picture_refused(run_demo(dev_dir, {"19"}, kPlayLimit), "cow.PNG", "not a regular file");
}

// A well-formed PNG header that claims 65535 x 65535 pixels: SDL_image
// refuses it without a system error, so errno is still 0.
TEST(UndecodablePicture, HeaderClaimingAGiantPictureIsRefusedWithAReason)
{
    auto crc = [](const std::vector<uint8_t>& bytes, size_t from) {
        uint32_t c = 0xFFFFFFFFu;
        for (size_t i = from; i < bytes.size(); ++i) {
            c ^= bytes[i];
            for (int k = 0; k < 8; ++k) c = (c >> 1) ^ (0xEDB88320u & (0u - (c & 1u)));
        }
        return ~c;
    };
    auto be32 = [](std::vector<uint8_t>* out, uint32_t v) {
        for (int shift = 24; shift >= 0; shift -= 8) out->push_back(static_cast<uint8_t>(v >> shift));
    };
    std::vector<uint8_t> png = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
    be32(&png, 13);
    const size_t type_at = png.size();
    for (char c : {'I', 'H', 'D', 'R'}) png.push_back(static_cast<uint8_t>(c));
    be32(&png, 65535);                                   // width
    be32(&png, 65535);                                   // height
    for (uint8_t b : {8, 2, 0, 0, 0}) png.push_back(b);  // 8-bit RGB, no interlace
    be32(&png, crc(png, type_at));
    be32(&png, 0);
    const size_t end_at = png.size();
    for (char c : {'I', 'E', 'N', 'D'}) png.push_back(static_cast<uint8_t>(c));
    be32(&png, crc(png, end_at));
    const fs::path dir = case_folder("giant-picture");
    write_file(dir / "paintart1.PNG", png);
    expect_picture_refused(run_demo(dir, {"19"}, kPlayLimit), "paintart1.PNG");
}

TEST(UndecodablePicture, UnreadableFileIsRefused)
{
    const fs::path dir = case_folder("unreadable-picture");
    std::string why_not;
    const auto r = run_demo_with_unreadable(dir, "paintart5.png", {"19"}, kPlayLimit, &why_not);
    if (!r) GTEST_SKIP() << why_not;
    expect_picture_refused(*r, "paintart5.png", "Permission denied");
}

// --- pictures in layouts other than 8-bit RGB: converted, and the demo plays ---

struct OddPicture {
    const char* name;
    const char* file;  // which of the seven it replaces
    PngLayout layout;
};

// Test names carry the case's name instead of the struct's bytes.
void PrintTo(const OddPicture& c, std::ostream* os) { *os << c.name; }

class ConvertedPicture : public testing::TestWithParam<OddPicture> {};

TEST_P(ConvertedPicture, PlaysToTheEnd)
{
    const OddPicture& c = GetParam();
    const fs::path dir = with_quick_song(std::string("converted-") + c.name);
    write_file(dir / c.file, make_png(c.layout));
    expect_played_to_end(run_demo(dir, {}, kPlayLimit));
}

INSTANTIATE_TEST_SUITE_P(Layouts, ConvertedPicture,
                         testing::Values(OddPicture{"Paletted8", "cow.PNG", {PNG_COLOR_TYPE_PALETTE, 8, 64, 64}},
                                         OddPicture{"Paletted2", "paintart2.PNG", {PNG_COLOR_TYPE_PALETTE, 2, 33, 17}},
                                         OddPicture{"Grey8", "cow.PNG", {PNG_COLOR_TYPE_GRAY, 8, 64, 64}},
                                         OddPicture{"Grey1", "paintart6.PNG", {PNG_COLOR_TYPE_GRAY, 1, 31, 9}},
                                         OddPicture{"Grey16", "paintart2.PNG", {PNG_COLOR_TYPE_GRAY, 16, 64, 64}},
                                         OddPicture{"Rgb16", "cow.PNG", {PNG_COLOR_TYPE_RGB, 16, 64, 64}},
                                         OddPicture{
                                             "GreyAlpha8", "paintart1.PNG", {PNG_COLOR_TYPE_GRAY_ALPHA, 8, 64, 64}},
                                         OddPicture{"Rgba8", "cow.PNG", {PNG_COLOR_TYPE_RGB_ALPHA, 8, 64, 64}},
                                         OddPicture{"Rgba16", "paintart4.png", {PNG_COLOR_TYPE_RGB_ALPHA, 16, 64, 64}},
                                         OddPicture{"OnePixel", "cow.PNG", {PNG_COLOR_TYPE_RGB, 8, 1, 1}},
                                         OddPicture{"NotPowerOfTwo", "paintart2.PNG", {PNG_COLOR_TYPE_RGB, 8, 101, 37}},
                                         OddPicture{"Huge8192", "cow.PNG", {PNG_COLOR_TYPE_RGB, 8, 8192, 8192}}),
                         [](const testing::TestParamInfo<OddPicture>& info) { return std::string(info.param.name); });

TEST(ConvertedPicture, BitmapNamedPngPlaysToTheEnd)
{
    // SDL_image picks the decoder by the file's content, so a bitmap under a
    // PNG name is a picture like any other.
    const fs::path dir = with_quick_song("bitmap-picture");
    write_file(dir / "paintart6.PNG", make_bmp(45, 30));
    expect_played_to_end(run_demo(dir, {}, kPlayLimit));
}

TEST(ConvertedPicture, AllSevenOddAtOncePlayToTheEnd)
{
    const fs::path dir = with_quick_song("all-odd");
    const PngLayout layouts[7] = {{PNG_COLOR_TYPE_PALETTE, 4, 16, 16},   {PNG_COLOR_TYPE_GRAY, 8, 3, 5},
                                  {PNG_COLOR_TYPE_GRAY_ALPHA, 16, 8, 8}, {PNG_COLOR_TYPE_RGB, 16, 7, 7},
                                  {PNG_COLOR_TYPE_RGB_ALPHA, 8, 2, 130}, {PNG_COLOR_TYPE_GRAY, 2, 9, 1},
                                  {PNG_COLOR_TYPE_PALETTE, 1, 1, 1}};
    for (int i = 0; i < 7; ++i) write_file(dir / kPictureFiles[i], make_png(layouts[i]));
    expect_played_to_end(run_demo(dir, {}, kPlayLimit));
}

}  // namespace
}  // namespace hostile
