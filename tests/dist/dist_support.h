// What the dist tests share: where the set-up steps put the installed tree
// and the package (tests/dist/fixture.cmake), and the files an installation holds.
#pragma once
#include <sys/stat.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <set>
#include <string>
#include <vector>

#include "app/run_process.h"
#include "core/base/demo_data.h"

namespace dist {

namespace fs = std::filesystem;

inline const fs::path kWork = DRENSOLK_DIST_WORK;
inline const fs::path kPrefix = kWork / "prefix";

// The programs, relative to the prefix.
inline const std::set<std::string> kPrograms = {"bin/drensolk", "bin/drensolk-capture", "lib/drensolk/drensolk"};

inline const int kIconSizes[] = {48, 64, 128, 256};

// Every file an installation holds, relative to the prefix.
inline std::set<std::string> installed_files()
{
    std::set<std::string> files = kPrograms;
    for (const char* data : kDataFiles) files.insert(std::string("share/drensolk/") + data);
    files.insert("share/applications/drensolk.desktop");
    for (int size : kIconSizes)
        files.insert("share/icons/hicolor/" + std::to_string(size) + "x" + std::to_string(size) + "/apps/drensolk.png");
    files.insert("share/man/man6/drensolk.6.gz");
    files.insert("share/man/man1/drensolk-capture.1.gz");
    for (const char* doc : {"LICENSE", "copyright", "changelog.gz"})
        files.insert(std::string("share/doc/drensolk/") + doc);
    return files;
}

inline std::string slurp(const fs::path& path)
{
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

inline int mode_of(const fs::path& path)
{
    struct stat st {};
    return stat(path.c_str(), &st) == 0 ? static_cast<int>(st.st_mode & 07777) : -1;
}

}  // namespace dist
