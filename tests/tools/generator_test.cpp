// The generator's output is a pure function of its source.
#include <gtest/gtest.h>

#include "data_files.h"
#include "datagen/datagen.h"
#include "datagen/harmony.h"

namespace {

TEST(Generator, SecondRunGivesTheBytesTheBuildWrote)
{
    // The build's run wrote the data folder; this process is a second run.
    const auto files = datagen::generate_all();
    ASSERT_EQ(files.size(), 8u);
    for (const auto& f : files) {
        const auto on_disk = data_files::read(f.name);
        ASSERT_FALSE(on_disk.empty()) << f.name << " missing from " << DRENSOLK_DATA_DIR;
        EXPECT_TRUE(on_disk == f.bytes) << f.name << " differs between runs";
    }
}

TEST(Generator, WritesExactlyTheNamesTheDemoOpens)
{
    const std::vector<std::string> expected = {"qx_demo_drensolk.xm", "paintart1.PNG", "paintart2.PNG", "paintart3.PNG",
                                               "paintart4.png",       "paintart5.png", "paintart6.PNG", "cow.PNG"};
    EXPECT_EQ(datagen::data_file_names(), expected);
}

TEST(Harmony, NoteNamesAndChordPlacement)
{
    EXPECT_EQ(datagen::note_of("C4"), 49);
    EXPECT_EQ(datagen::note_of("A4"), 58);
    EXPECT_EQ(datagen::note_of("G#5"), datagen::note_of("Ab5"));
    EXPECT_THROW(datagen::note_of("H4"), std::invalid_argument);
    EXPECT_THROW(datagen::note_of("C9"), std::invalid_argument);
    // Bass roots stay between E1 and D#2 whatever the chord.
    for (int root = 0; root < 12; ++root) {
        const int n = datagen::bass_note({root, false});
        EXPECT_GE(n, datagen::note_of("E1"));
        EXPECT_LE(n, datagen::note_of("D#2"));
        EXPECT_EQ((n - 1) % 12, root);
    }
    // A minor: A, C, E upward from E4.
    const auto run = datagen::chord_run(datagen::chord::Am, datagen::note_of("E4"), 4);
    const std::vector<int> expected = {datagen::note_of("E4"), datagen::note_of("A4"), datagen::note_of("C5"),
                                       datagen::note_of("E5")};
    EXPECT_EQ(run, expected);
}

}  // namespace
