// tonzettel-cli rename: names from the tags, the dry run, the reasons and
// the exit codes.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "support/Cli.h"
#include "support/Mp3Builder.h"
#include "support/TempDir.h"

namespace {

namespace fs = std::filesystem;

TEST(RenameCli, DryRunListsAndChangesNothingThenTheRunRenames) {
    TempDir dir;
    const std::string audio = MakeCbrAudio(9, 0.3);
    const std::string a = dir.File("a.mp3");
    const std::string b = dir.File("b.mp3");
    WriteMp3(a, "", audio, MakeId3v1Tag("Eins", "Band", "", "", "", 3, 17));
    WriteMp3(b, MakeId3v2Tag({{"TIT2", TextFrameData("Zwei")}, {"TRCK", TextFrameData("4/12")}}),
             audio, MakeId3v1Tag("", "Band", "", "", "", 0, 17));
    const std::string aBytes = ReadFileBytes(a);
    const std::vector<std::string> args = {"rename", "--pattern", "%Track% - %Titel%", a, b};

    std::vector<std::string> dry = args;
    dry.insert(dry.begin() + 1, "--dry-run");
    const CliRun preview = RunCli(dir, dry);
    EXPECT_EQ(preview.Code, 1);  // b has no ID3v1 title
    EXPECT_EQ(preview.Out, a + " -> " + dir.File("03 - Eins.mp3") + "\n");
    EXPECT_EQ(preview.Err, b + ": Ein benötigtes Feld ist leer (Track, Titel).\n");
    EXPECT_TRUE(fs::exists(a));

    const CliRun run = RunCli(dir, args);
    EXPECT_EQ(run.Code, 1);
    EXPECT_EQ(run.Out, "");
    EXPECT_EQ(ReadFileBytes(dir.File("03 - Eins.mp3")), aBytes);
    EXPECT_FALSE(fs::exists(a));

    // The ID3v2 tag: the track number before the "/".
    std::vector<std::string> level2 = {"rename", "--level", "2", "--pattern", "%Track% %Titel%", b};
    EXPECT_EQ(RunCli(dir, level2).Code, 0);
    EXPECT_TRUE(fs::exists(dir.File("04 Zwei.mp3")));

    for (const auto& bad : std::vector<std::vector<std::string>>{
             {"rename", b}, {"rename", "--pattern", "", b}, {"rename", "--pattern", "%Titel%"}})
        EXPECT_EQ(RunCli(dir, bad).Code, 2);
}

}  // namespace
