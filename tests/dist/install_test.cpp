// The build installed into a folder (`cmake --install --prefix`): what lands
// where with which modes, and the `drensolk` launcher run from elsewhere.
#include <gtest/gtest.h>

#include <cstdint>
#include <sstream>
#include <string>

#include "app/run_process.h"
#include "dist/dist_support.h"

using namespace dist;

namespace {

ProcessResult run_launcher(const fs::path& prefix, std::vector<std::string> args, double limit = 60)
{
    const fs::path elsewhere = kWork / "elsewhere";
    fs::create_directories(elsewhere);
    args.insert(args.begin(), (prefix / "bin" / "drensolk").string());
    return run_process(args, elsewhere.string(), kHeadless, limit);
}

// A copy of the installed tree that a test may break; `cp -a` keeps the modes.
fs::path tree_copy(const std::string& name)
{
    const fs::path dir = kWork / "copies" / name;
    fs::remove_all(dir);
    fs::create_directories(dir.parent_path());
    const ProcessResult r = run_process({"cp", "-a", kPrefix.string(), dir.string()}, kWork.string(), {}, 30);
    EXPECT_EQ(r.status, 0) << r.err;
    return dir;
}

uint32_t be32(const std::string& b, size_t at)
{
    return uint32_t(uint8_t(b[at])) << 24 | uint8_t(b[at + 1]) << 16 | uint8_t(b[at + 2]) << 8 | uint8_t(b[at + 3]);
}

}  // namespace

TEST(InstalledTree, HoldsExactlyTheProgramsDataDesktopEntryIconsAndManPageWithNormalModes)
{
    std::set<std::string> found;
    for (const auto& entry : fs::recursive_directory_iterator(kPrefix)) {
        const std::string rel = fs::relative(entry.path(), kPrefix).string();
        if (entry.is_directory()) {
            EXPECT_EQ(mode_of(entry.path()), 0755) << rel;
            continue;
        }
        EXPECT_TRUE(entry.is_regular_file()) << rel << " is neither a file nor a folder";
        found.insert(rel);
        EXPECT_EQ(mode_of(entry.path()), kPrograms.count(rel) ? 0755 : 0644) << rel;
    }
    EXPECT_EQ(found, installed_files());

    // The icons: PNGs of their folder's size, made from the generated cow.
    for (int size : kIconSizes) {
        const std::string png = slurp(kPrefix / "share/icons/hicolor" /
                                      (std::to_string(size) + "x" + std::to_string(size)) / "apps/drensolk.png");
        ASSERT_GT(png.size(), 24u) << size;
        EXPECT_EQ(png.compare(1, 3, "PNG"), 0) << size;
        EXPECT_EQ(be32(png, 16), static_cast<uint32_t>(size));
        EXPECT_EQ(be32(png, 20), static_cast<uint32_t>(size));
    }
    const std::string desktop = slurp(kPrefix / "share/applications/drensolk.desktop");
    EXPECT_EQ(desktop.rfind("[Desktop Entry]\n", 0), 0u);
    for (const char* line : {"\nType=Application\n", "\nExec=drensolk\n", "\nIcon=drensolk\n", "\nTerminal=false\n"})
        EXPECT_NE(desktop.find(line), std::string::npos) << line;
    // The man page: section 6, this version, compressed.
    const ProcessResult man =
        run_process({"gzip", "-dc", (kPrefix / "share/man/man6/drensolk.6.gz").string()}, kWork.string(), {}, 30);
    ASSERT_EQ(man.status, 0) << man.err;
    EXPECT_EQ(man.out.rfind(".TH DRENSOLK 6 ", 0), 0u) << man.out.substr(0, 80);
    EXPECT_NE(man.out.find("drensolk " DRENSOLK_VERSION), std::string::npos);
    for (const char* name : {"DRENSOLK_WINDOWED", "DRENSOLK_AUDIO_LATENCY_MS", "SDL_VIDEODRIVER", "SDL_AUDIODRIVER"})
        EXPECT_NE(man.out.find(name), std::string::npos) << name;
}

TEST(InstalledTree, NothingLandsOutsideThePrefix)
{
    // The set-up step installed with DESTDIR=destdir and the prefix /opt/drensolk:
    // an absolute install path would land beside destdir/opt/drensolk.
    const fs::path destdir = kWork / "destdir";
    std::set<std::string> found;
    for (const auto& entry : fs::recursive_directory_iterator(destdir))
        if (!entry.is_directory()) found.insert(fs::relative(entry.path(), destdir).string());
    std::set<std::string> want;
    for (const std::string& f : installed_files()) want.insert("opt/drensolk/" + f);
    EXPECT_EQ(found, want);
}

TEST(Launcher, PlaysFromOrder19ToTheEndFromAnyFolder)
{
    const ProcessResult r = run_launcher(kPrefix, {"19"});
    EXPECT_FALSE(r.timed_out);
    EXPECT_EQ(r.status, 0) << r.out << r.err;
    EXPECT_EQ(r.err, "");
}

TEST(Launcher, HelpAndVersionSayWhatTheyShould)
{
    const ProcessResult version = run_launcher(kPrefix, {"--version"});
    EXPECT_EQ(version.status, 0);
    EXPECT_EQ(version.out, "drensolk " DRENSOLK_VERSION "\n");

    const ProcessResult help = run_launcher(kPrefix, {"--help"});
    EXPECT_EQ(help.status, 0);
    EXPECT_EQ(help.out.rfind("usage: drensolk [ORDER]\n", 0), 0u) << help.out;
    for (const char* text : {"--capture", "--version", "any key ends the intro or the demo", "DRENSOLK_WINDOWED=1",
                             "DRENSOLK_AUDIO_LATENCY_MS=N", "SDL_VIDEODRIVER=", "SDL_AUDIODRIVER="})
        EXPECT_NE(help.out.find(text), std::string::npos) << text;
    // It names the data folder it found, with the ".." resolved.
    EXPECT_NE(help.out.find("Data files: " + fs::canonical(kPrefix / "share/drensolk").string() + "\n"),
              std::string::npos)
        << help.out;
    EXPECT_EQ(run_launcher(kPrefix, {"-h"}).out, help.out);
    EXPECT_EQ(help.err, "");
}

// LICENSE as it is, and as Debian reads it: one machine-readable paragraph
// naming the Expat (MIT) licence, with the holder and text of LICENSE.
TEST(InstalledTree, CarriesTheLicenceAsLicenseAndAsDebianCopyright)
{
    const std::string copyright = slurp(kPrefix / "share/doc/drensolk/copyright");
    EXPECT_EQ(copyright.rfind("Format: https://www.debian.org/doc/packaging-manuals/copyright-format/1.0/\n", 0), 0u);
    EXPECT_NE(copyright.find("\nFiles: *\nCopyright: 2026 the drensolk developers\nLicense: Expat\n"),
              std::string::npos)
        << copyright;
    const std::string licence = slurp(kPrefix / "share/doc/drensolk/LICENSE");
    EXPECT_EQ(licence, slurp(fs::path(DRENSOLK_SOURCE_DIR) / "LICENSE"));
    ASSERT_NE(licence.find("Permission is hereby granted"), std::string::npos);
    // Each line of the licence's text, indented one blank, in order.
    size_t at = 0;
    std::istringstream text(licence.substr(licence.find("Permission")));
    for (std::string line; std::getline(text, line);) {
        const std::string want = line.empty() ? "\n .\n" : "\n " + line + "\n";
        at = copyright.find(want, at);
        ASSERT_NE(at, std::string::npos) << "missing: " << line;
    }
}

TEST(Launcher, RunsTheCaptureOnTheInstalledDataWritingWhereItWasStarted)
{
    const fs::path frames = kWork / "elsewhere" / "frames";
    fs::remove_all(frames);
    const ProcessResult r = run_launcher(kPrefix, {"--capture", "--start-order", "19", "--fps", "10", "--size", "32x24",
                                                   "--frames", "36", "--png", "frames"});
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_TRUE(fs::exists(frames / "frame_000035.png"));
    EXPECT_FALSE(fs::exists(frames / "frame_000036.png"));
    // 36 frames at 10 fps: the intro (32) and then the music from order 19.
    EXPECT_NE(slurp(frames / "frames.tsv").find("\n35\t3.500000\t112000\t19\t"), std::string::npos);
    // Its own options are passed through, so its refusals reach the user.
    const ProcessResult bad = run_launcher(kPrefix, {"--capture", "--crf", "99"});
    EXPECT_EQ(bad.status, 2);
    EXPECT_NE(bad.err.find("--crf 99: wanted a whole number from 0 to 51"), std::string::npos) << bad.err;
}

TEST(Launcher, MovedTreeStillWorksAndMissingPartsAreNamedWithExitStatus1)
{
    // Nothing in the tree names its prefix: a copy elsewhere runs as well.
    const fs::path moved = tree_copy("moved");
    const ProcessResult version = run_launcher(moved, {"--version"});
    EXPECT_EQ(version.status, 0) << version.err;
    const ProcessResult help = run_launcher(moved, {"--help"});
    EXPECT_NE(help.out.find("Data files: " + fs::canonical(moved / "share/drensolk").string()), std::string::npos);

    const fs::path no_data = tree_copy("no-data");
    fs::remove_all(no_data / "share/drensolk");
    for (const std::vector<std::string>& args : {std::vector<std::string>{"19"}, {}, {"--capture", "--frames", "1"}}) {
        const ProcessResult r = run_launcher(no_data, args, 10);
        EXPECT_EQ(r.status, 1) << (args.empty() ? "" : args[0]);
        EXPECT_NE(r.err.find("drensolk: the data folder is missing (" + fs::canonical(no_data / "bin").string() +
                             "/../share/drensolk" + "); reinstall drensolk"),
                  std::string::npos)
            << r.err;
        EXPECT_EQ(r.out, "");
    }

    const fs::path no_demo = tree_copy("no-demo");
    fs::remove(no_demo / "lib/drensolk/drensolk");
    const ProcessResult demo = run_launcher(no_demo, {"19"}, 10);
    EXPECT_EQ(demo.status, 1);
    EXPECT_NE(demo.err.find("the demo program is missing"), std::string::npos) << demo.err;
    EXPECT_NE(demo.err.find("lib/drensolk/drensolk"), std::string::npos) << demo.err;

    fs::remove(no_demo / "bin/drensolk-capture");
    const ProcessResult capture = run_launcher(no_demo, {"--capture"}, 10);
    EXPECT_EQ(capture.status, 1);
    EXPECT_NE(capture.err.find("drensolk-capture is missing"), std::string::npos) << capture.err;
}

TEST(Launcher, UnknownOptionsAreRefusedInsteadOfStartingTheDemo)
{
    const ProcessResult r = run_launcher(kPrefix, {"--windowed"}, 10);
    EXPECT_EQ(r.status, 2);
    EXPECT_EQ(r.err, "drensolk: unknown option --windowed; 'drensolk --help' lists the options\n");
}
