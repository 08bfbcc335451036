// The Debian package the set-up step made with cpack: its files, its
// Depends, and, where dpkg may install it here, install, play, remove.
#include <gtest/gtest.h>
#include <unistd.h>

#include <chrono>
#include <sstream>
#include <string>
#include <thread>

#include "app/run_process.h"
#include "dist/dist_support.h"

using namespace dist;

namespace {

ProcessResult run(const std::vector<std::string>& args, double limit = 120)
{
    return run_process(args, kWork.string(), {}, limit);
}

fs::path the_deb()
{
    fs::path deb;
    for (const auto& entry : fs::directory_iterator(kWork / "package"))
        if (entry.path().extension() == ".deb") deb = entry.path();
    return deb;
}

std::string field(const fs::path& deb, const std::string& name)
{
    std::string value = run({"dpkg-deb", "-f", deb.string(), name}).out;
    while (!value.empty() && value.back() == '\n') value.pop_back();
    return value;
}

// "libc6 (>= 2.34), libgl1, libsdl1.2debian | libsdl1.2-compat" -> the package names.
std::vector<std::string> package_names(const std::string& relation)
{
    std::vector<std::string> names;
    std::string item;
    for (char c : relation + ",") {
        if (c == ',' || c == '|') {
            std::istringstream in(item);
            std::string name;
            if (in >> name) names.push_back(name);
            item.clear();
        } else {
            item += c;
        }
    }
    return names;
}

// Installed, or removed with its configuration kept: dpkg still knows it.
bool dpkg_knows_drensolk()
{
    const std::string status = run({"dpkg-query", "-W", "-f=${Status}", "drensolk"}).out;
    return !status.empty() && status.find("not-installed") == std::string::npos;
}

// dpkg refuses to start while another dpkg or apt holds its lock: try for a while.
ProcessResult dpkg(const std::vector<std::string>& args)
{
    std::vector<std::string> argv = {"dpkg"};
    argv.insert(argv.end(), args.begin(), args.end());
    ProcessResult r;
    for (int attempt = 0; attempt < 30; ++attempt) {
        r = run_process(argv, kWork.string(), {"DEBIAN_FRONTEND=noninteractive"}, 120);
        if (r.status == 0 || r.err.find("lock") == std::string::npos) break;
        std::this_thread::sleep_for(std::chrono::seconds(1));
    }
    return r;
}

// Removes the package when the test ends, however it ends.
struct Purge {
    ~Purge() { dpkg({"--purge", "drensolk"}); }
};

}  // namespace

TEST(Package, HoldsTheProgramsDataDesktopEntryIconsAndManPageUnderUsr)
{
    const fs::path deb = the_deb();
    ASSERT_FALSE(deb.empty()) << "no .deb in " << (kWork / "package");
    const ProcessResult list = run({"dpkg-deb", "-c", deb.string()});
    ASSERT_EQ(list.status, 0) << list.err;
    // Lines like "-rwxr-xr-x root/root 123 2024-01-01 00:00 ./usr/bin/drensolk".
    std::set<std::string> files;
    std::istringstream lines(list.out);
    std::string line;
    while (std::getline(lines, line)) {
        std::istringstream in(line);
        std::string mode, owner, size, date, time, path;
        in >> mode >> owner >> size >> date >> time >> path;
        EXPECT_EQ(owner, "root/root") << path;
        EXPECT_TRUE(path.rfind("./usr/", 0) == 0 || path == "./") << path;
        if (mode[0] == 'd') {
            EXPECT_EQ(mode, "drwxr-xr-x") << path;
            continue;
        }
        const std::string rel = path.substr(std::string("./usr/").size());
        files.insert(rel);
        EXPECT_EQ(mode, kPrograms.count(rel) ? "-rwxr-xr-x" : "-rw-r--r--") << path;
    }
    EXPECT_EQ(files, installed_files());
}

TEST(Package, DependsAreRuntimeLibraryPackagesFoundFromTheProgramsAndFfmpegIsRecommended)
{
    const fs::path deb = the_deb();
    ASSERT_FALSE(deb.empty());
    EXPECT_EQ(field(deb, "Package"), "drensolk");
    EXPECT_EQ(field(deb, "Version"), DRENSOLK_VERSION);
    EXPECT_EQ(field(deb, "Architecture") + "\n", run({"dpkg", "--print-architecture"}).out);
    EXPECT_EQ(field(deb, "Recommends"), "ffmpeg, libgl1-mesa-dri, fonts-dejavu-core");
    const std::string depends = field(deb, "Depends");
    const std::vector<std::string> names = package_names(depends);
    ASSERT_FALSE(names.empty()) << depends;
    std::set<std::string> libs;
    for (const std::string& name : names) {
        EXPECT_FALSE(name.size() >= 4 && name.compare(name.size() - 4, 4, "-dev") == 0) << depends;
        libs.insert(name);
    }
    // The libraries the programs link, each through its runtime package, and
    // those SDL opens at run time.
    for (const char* want : {"libc6", "libstdc++6", "libopengl0", "libopenmpt0", "libpng16-16", "libsdl-image1.2",
                             "libsdl1.2-compat-shim", "libgl1", "libegl1"})
        EXPECT_TRUE(libs.count(want)) << want << " not in " << depends;
    // SDL 1.2 as every program built on it names it: the shim provides it.
    EXPECT_TRUE(libs.count("libsdl1.2debian")) << depends;
    // dpkg-shlibdeps names the packages whose libraries the programs link, so
    // each is installed here, where the programs were built and run, or is
    // provided by an installed package (libsdl1.2debian by the shim).
    std::set<std::string> here;
    std::istringstream installed(run({"dpkg-query", "-W", "-f=${db:Status-Abbrev}${Package}, ${Provides}\n"}).out);
    std::string line;
    while (std::getline(installed, line))
        if (line.rfind("ii ", 0) == 0)
            for (const std::string& name : package_names(line.substr(3))) here.insert(name);
    for (const std::string& name : libs) EXPECT_TRUE(here.count(name)) << name << " is not installed here";
}

// Debian's own checker: no error and no warning (informational notes are
// allowed). scripts/check.sh installs lintian for this.
TEST(Package, LintianReportsNoErrorOrWarning)
{
    const fs::path deb = the_deb();
    ASSERT_FALSE(deb.empty());
    const ProcessResult r = run({"lintian", "--fail-on", "error,warning", "--tag-display-limit", "0", deb.string()}, 300);
    ASSERT_FALSE(r.timed_out);
    ASSERT_NE(r.status, 127) << "lintian is missing: scripts/install-deps.sh lintian";
    // "E: drensolk: no-copyright-file" and the like; a note keeps "N:" or "I:".
    std::vector<std::string> faults;
    std::istringstream lines(r.out);
    for (std::string line; std::getline(lines, line);)
        if (line.rfind("E: ", 0) == 0 || line.rfind("W: ", 0) == 0) faults.push_back(line);
    EXPECT_TRUE(faults.empty()) << r.out << r.err;
    // lintian itself ran to the end and agrees (1: it found faults; 2: it could not check).
    EXPECT_EQ(r.status, faults.empty() ? 0 : 1) << r.err;
}

TEST(Package, InstallsPlaysFromOrder19AndRemovesWithoutATrace)
{
    if (geteuid() != 0) GTEST_SKIP() << "installing a package needs root";
    if (run({"dpkg", "--version"}).status != 0) GTEST_SKIP() << "no dpkg";
    if (dpkg_knows_drensolk()) GTEST_SKIP() << "drensolk is installed on this machine already; not touching it";
    const fs::path deb = the_deb();
    ASSERT_FALSE(deb.empty());
    std::vector<std::string> files;
    {
        const ProcessResult list = run({"dpkg-deb", "-c", deb.string()});
        std::istringstream lines(list.out);
        std::string line;
        while (std::getline(lines, line))
            if (line[0] == '-') files.push_back(line.substr(line.find("./usr/") + 1));
    }
    ASSERT_EQ(files.size(), installed_files().size());

    {
        const Purge purge;
        const ProcessResult install = dpkg({"-i", deb.string()});
        ASSERT_EQ(install.status, 0) << install.out << install.err;
        for (const std::string& f : files) EXPECT_TRUE(fs::exists(f)) << f;
        // /usr/bin is on any PATH: found by name, from a folder without the data.
        fs::create_directories(kWork / "elsewhere");
        const ProcessResult play =
            run_process({"drensolk", "19"}, (kWork / "elsewhere").string(),
                        {"SDL_VIDEODRIVER=offscreen", "SDL_AUDIODRIVER=dummy", "PATH=/usr/bin:/bin"}, 60);
        EXPECT_FALSE(play.timed_out);
        EXPECT_EQ(play.status, 0) << play.out << play.err;
        EXPECT_EQ(run_process({"drensolk", "--version"}, kWork.string(), {"PATH=/usr/bin:/bin"}, 10).out,
                  "drensolk " DRENSOLK_VERSION "\n");
        const ProcessResult remove = dpkg({"--purge", "drensolk"});
        EXPECT_EQ(remove.status, 0) << remove.err;
    }
    for (const std::string& f : files) EXPECT_FALSE(fs::exists(f)) << f << " is left";
    for (const char* dir : {"/usr/share/drensolk", "/usr/lib/drensolk"}) EXPECT_FALSE(fs::exists(dir)) << dir;
    EXPECT_FALSE(dpkg_knows_drensolk());
}
