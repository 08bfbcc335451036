// Reading picture files: whole regular files only, and nothing that waits.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "core/base/picture_file.h"

namespace fs = std::filesystem;

namespace {

fs::path fresh_folder(const std::string& name)
{
    const fs::path dir = fs::path(::testing::TempDir()) / ("drensolk_picture_file_" + std::to_string(getpid())) / name;
    fs::remove_all(dir);
    fs::create_directories(dir);
    return dir;
}

TEST(ReadPictureFile, ReadsARegularFileWhole)
{
    const fs::path path = fresh_folder("regular") / "p.png";
    const std::vector<uint8_t> written = {0x89, 'P', 'N', 'G', 0, 255, 7};
    std::ofstream(path, std::ios::binary).write(reinterpret_cast<const char*>(written.data()), written.size());
    std::vector<uint8_t> bytes;
    EXPECT_EQ(read_picture_file(path.c_str(), &bytes), "");
    EXPECT_EQ(bytes, written);
}

// A named pipe with no writer would block a plain open for ever; this test
// hangs (and the suite times it out) if the open waits.
TEST(ReadPictureFile, RefusesWhatIsNotARegularFileAtOnce)
{
    const fs::path dir = fresh_folder("not-regular");
    ASSERT_EQ(mkfifo((dir / "pipe.png").c_str(), 0600), 0);
    struct Case {
        fs::path path;
        std::string reason;
    };
    for (const Case& c : {Case{dir / "pipe.png", "not a regular file"}, Case{"/dev/null", "not a regular file"},
                          Case{dir, "Is a directory"}, Case{dir / "missing.png", "No such file or directory"}}) {
        std::vector<uint8_t> bytes;
        EXPECT_EQ(read_picture_file(c.path.c_str(), &bytes), c.reason) << c.path;
        EXPECT_TRUE(bytes.empty()) << c.path;
    }
}

TEST(ReadPictureFile, RefusesAFileOverTheLimitWithoutReadingIt)
{
    // Sparse: only the size is looked at.
    const fs::path path = fresh_folder("huge") / "huge.png";
    std::ofstream(path).close();
    fs::resize_file(path, kMaxPictureBytes + 1);
    std::vector<uint8_t> bytes;
    EXPECT_EQ(read_picture_file(path.c_str(), &bytes), "larger than 256 MiB");
    EXPECT_TRUE(bytes.empty());
    fs::resize_file(path, 0);
}

}  // namespace
