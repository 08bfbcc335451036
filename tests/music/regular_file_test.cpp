// The one non-blocking whole-file read both loaders use: what it refuses, and
// that it never waits on a file that is not a regular one.
#include "core/music/regular_file.h"

#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#ifndef _WIN32
#include <sys/stat.h>
#endif

namespace fs = std::filesystem;

namespace {

fs::path folder()
{
    const fs::path dir = fs::path(::testing::TempDir()) / "regular_file_test";
    fs::create_directories(dir);
    return dir;
}

fs::path write_file(const std::string& name, const std::string& bytes)
{
    const fs::path path = folder() / name;
    std::ofstream(path, std::ios::binary) << bytes;
    return path;
}

TEST(RegularFile, ReadsTheWholeFileReplacingWhatTheVectorHeld)
{
    std::string bytes(70000, '\0');
    for (size_t i = 0; i < bytes.size(); ++i) bytes[i] = static_cast<char>(i * 7 + (i >> 8));
    const fs::path path = write_file("whole.bin", bytes);
    std::vector<uint8_t> out(5, 0xAA);
    ASSERT_EQ(read_regular_file(path.string().c_str(), bytes.size(), &out), RegularFileResult::ok);
    EXPECT_EQ(std::string(out.begin(), out.end()), bytes);

    const fs::path empty = write_file("empty.bin", "");
    EXPECT_EQ(read_regular_file(empty.string().c_str(), 10, &out), RegularFileResult::ok);
    EXPECT_TRUE(out.empty());
}

TEST(RegularFile, TellsAMissingFileFromOneItWillNotRead)
{
    std::vector<uint8_t> out;
    const fs::path missing = folder() / "missing.xm";
    EXPECT_EQ(read_regular_file(missing.string().c_str(), 100, &out), RegularFileResult::not_found);
    const fs::path missing_folder = folder() / "no-such-folder" / "x.xm";
    EXPECT_EQ(read_regular_file(missing_folder.string().c_str(), 100, &out), RegularFileResult::not_found);
    EXPECT_EQ(read_regular_file(folder().string().c_str(), 100, &out), RegularFileResult::not_regular);

    // One byte over the limit is refused before anything is allocated.
    const fs::path big = write_file("big.bin", std::string(101, 'x'));
    EXPECT_EQ(read_regular_file(big.string().c_str(), 100, &out), RegularFileResult::too_large);
    EXPECT_EQ(read_regular_file(big.string().c_str(), 101, &out), RegularFileResult::ok);
}

#ifndef _WIN32
TEST(RegularFile, RefusesANamedPipeWithNoWriterAtOnce)
{
    const fs::path pipe = folder() / "pipe.xm";
    fs::remove(pipe);
    ASSERT_EQ(mkfifo(pipe.c_str(), 0600), 0);
    std::vector<uint8_t> out;
    const auto start = std::chrono::steady_clock::now();
    EXPECT_EQ(read_regular_file(pipe.c_str(), 100, &out), RegularFileResult::not_regular);
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(2));
    fs::remove(pipe);
}
#else
TEST(RegularFile, RefusesADeviceName)
{
    std::vector<uint8_t> out;
    EXPECT_EQ(read_regular_file("NUL", 100, &out), RegularFileResult::not_regular);
}
#endif

}  // namespace
